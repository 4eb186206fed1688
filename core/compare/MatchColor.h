#pragma once

#include "CellEquality.h"
#include "Colors.h"
#include "SheetData.h"

// The background of a cell of the common area after comparing it with its partner at `row`:
// light red (light grey on a filler row or column) where they differ, light yellow where only the comparison
// options make them the same, the window colour where they are equal.
[[nodiscard]] inline OleColor matchBackColor(CellMatch match, const SheetData &data, int row, int col)
{
    switch (match) {
    case CellMatch::Differs:
        return differingBackColor(data, row, col);
    case CellMatch::Equivalent:
        return kEquivalentBackColor;
    case CellMatch::Equal:
        break;
    }
    return kWindowBackColor;
}
