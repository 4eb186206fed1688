#pragma once

#include <QStringList>

// Start-up: refuses to open the main window when the grid's component cannot be found, and
// otherwise runs the main window until it closes. Returns the process's exit status.
int Main(const QStringList &arguments);

// The command line as one path: the arguments after the program's name, joined by single
// blanks, neither split further nor unquoted.
[[nodiscard]] QString commandLineText(const QStringList &arguments);
