#pragma once

#include <QStringList>

// Start-up: refuses to open the main window when the grid view's component (a shared library
// file) cannot be found, and otherwise runs the main window until it closes. Returns the
// process's exit status.
int Main(const QStringList &arguments, const QString &gridComponentFile);

// The command line as one path: the arguments after the program's name, joined by single
// blanks, neither split further nor unquoted.
[[nodiscard]] QString commandLineText(const QStringList &arguments);
