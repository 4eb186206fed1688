#pragma once

#include <QFont>

// The sheets' and the main window's font: "ＭＳ ゴシック" 9 point where it is installed, else a
// Japanese monospaced gothic that Debian ships, else the system's monospace.
[[nodiscard]] QFont sheetFont(int pointSize = 9);
