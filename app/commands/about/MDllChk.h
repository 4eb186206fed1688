#pragma once

#include <QString>
#include <QStringList>

// The shared library that provides the grid view, which start-up looks for before it opens the
// main window, and the Debian package that carries it.
inline const QString kGridComponentFile = QStringLiteral("libQt6Widgets.so.6");
inline const QString kGridComponentPackage = QStringLiteral("libqt6widgets6");

namespace MDllChk
{
// True when a file of that name lies in one of the folders of searchFolders().
[[nodiscard]] bool IsFileOnSearchPath(const QString &fileName);

// The folders searched, in order: the program folder, the current folder, the dynamic linker's
// folders (LD_LIBRARY_PATH, the folders of the libraries this process has loaded, those of
// /etc/ld.so.conf and its includes, the standard and multiarch library folders), then PATH.
// Each folder once.
[[nodiscard]] QStringList searchFolders();
} // namespace MDllChk
