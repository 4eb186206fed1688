#pragma once

#include <QStringView>

#include <cstring>

// Whether two cells are the same: the one rule every comparison applies (the full comparison,
// block re-comparison, the re-colouring of pasted cells, lining up rows and the command-line
// companion), so that comparison options change it here and nowhere else.
//
// Today texts are compared exactly, character for character. Inline and without the general
// string comparison's set-up: a comparison asks it for every cell of both sheets, and most cells
// are short.
[[nodiscard]] inline bool cellsEqual(QStringView a, QStringView b)
{
    return a.size() == b.size()
        && (a.isEmpty() || std::memcmp(a.data(), b.data(), size_t(a.size()) * sizeof(QChar)) == 0);
}
