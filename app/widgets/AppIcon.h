#pragma once

#include <QIcon>

// The program's icon for its windows, drawn from the SVG compiled into the program, the same
// drawing the package installs into the desktop's icon theme.
[[nodiscard]] QIcon applicationIcon();
