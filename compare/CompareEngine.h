#pragma once

#include "CellPosition.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <vector>

class AppState;
class SheetData;
class UserInterface;

// What one comparison run found. The window only shows the result message; the command-line
// companion reports these values itself.
struct CompareResult
{
    // The positions of the common area whose texts differ, both of whose cells the run marked light
    // red, in the order the run found them: row by row, left to right, so the list is sorted. A
    // cancelled run holds those found before it stopped.
    std::vector<CellPosition> differences;
    // Each sheet's Rows and Cols, header row and column included, as the run found them; the cells
    // a sheet has beyond the other's are the ones marked magenta.
    std::array<int, 2> rows{};
    std::array<int, 2> cols{};
    bool sizesDiffer = false; // at least one cell outside the common area was marked
    bool cancelled = false; // the run was stopped with "中止"

    // Positions that differ; the number the result message gives.
    [[nodiscard]] qint32 count() const
    {
        return qint32(differences.size());
    }
    // Rows and columns both sheets have, header included.
    [[nodiscard]] int commonRows() const
    {
        return std::min(rows[0], rows[1]);
    }
    [[nodiscard]] int commonCols() const
    {
        return std::min(cols[0], cols[1]);
    }
    // Whether (row, col) is a data cell of sheet `sheet` (0 or 1) that the other sheet lacks.
    [[nodiscard]] bool isOutsideCommonArea(int sheet, int row, int col) const
    {
        return row >= 1 && col >= 1 && row < rows[sheet] && col < cols[sheet]
            && (row >= commonRows() || col >= commonCols());
    }
};

// The result message of a finished run, as the compare button shows it: "差はありません" or
// "差が　N　個あります", with a second line "サイズに差異があります" after CR LF when the sizes differ.
[[nodiscard]] QString compareResultMessage(const CompareResult &result);

// What a comparison of the two sheets' data finds, without colouring anything: the positions
// CompareSheets would mark light red, the shapes, and whether it would mark any cell magenta. For
// the command-line companion, which only reports them.
[[nodiscard]] CompareResult FindDifferences(const SheetData &data0, const SheetData &data1);

// Compares grdData(0) with grdData(1) cell by cell at equal positions and colours the result:
// differing pairs light red (light grey on a sheet's filler row), data cells only the larger
// sheet has magenta. The header row and
// column are never compared or coloured.
//
// ShowProgress true is the compare button's run: progress dialog, cancel polled after every row,
// result message, and equal pairs keep whatever background they have. ShowProgress false is the
// silent run after undo or a row/column insertion or deletion: no dialog, no result message, and
// every equal pair of the common area is reset to the window colour so stale marks disappear.
//
// Both sheets must be visible (the callers check). CompareRunning is set for the whole run; the
// run yields to the event loop after every extra row or column and, with progress, after every
// data row. A failing sheet step is skipped and the run goes on.
CompareResult CompareSheets(AppState &state, UserInterface &ui, bool ShowProgress);

// Takes the marks of the last comparison off both sheets: once either sheet has new contents,
// every mark in the other one is stale too.
void ClearComparisonColours(AppState &state);

// The compare button "比較開始". Returns true when a comparison ran, after which the window gives
// itself the keyboard focus.
[[nodiscard]] bool cmdDiff_Click(AppState &state, UserInterface &ui);
