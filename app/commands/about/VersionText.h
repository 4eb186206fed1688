#pragma once

#include <QString>

// The texts of the version dialog, built without the dialog.

inline const QString kAuthorName = QStringLiteral("Rowlark Project");
inline const QString kContactAddress = QStringLiteral("rowlark@example.org");
inline const QString kHomePageAddress = QStringLiteral("https://example.org/rowlark/");
inline const QString kPublicationYears = QStringLiteral("2026");

// "3.00": the major version, a point and the minor version in at least two digits.
[[nodiscard]] QString versionNumberText(int major, int minor);

// The title label's text, one line per '\n'. With the grid component: the program, its
// version, the author, contact and home page lines. Without it: which library is missing and
// which package to install.
[[nodiscard]] QString versionTitleText(bool gridControlFound, int major, int minor);

// The dialog's window caption.
[[nodiscard]] QString versionCaption(bool gridControlFound);

// The line of the title text (counted from 0) at whose end the home page link stands.
[[nodiscard]] int versionLinkLine(bool gridControlFound);
