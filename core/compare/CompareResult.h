#pragma once

#include "CellPosition.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <vector>

class CellListener;
class SheetData;
struct CompareOptions;

// What one comparison run found. The window only shows the result message; the command-line
// companion reports these values itself.
struct CompareResult
{
    // The positions of the common area whose texts differ, both of whose cells the run marked light
    // red, in the order the run found them: row by row, left to right, so the list is sorted. A
    // cancelled run holds those found before it stopped.
    std::vector<CellPosition> differences;
    // The positions whose texts differ but which the comparison options make the same, marked
    // light yellow and not counted, in the same order. Empty while no option is on.
    std::vector<CellPosition> equivalents;
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
    // Whether a walk over sheets of these shapes would mark any cell magenta.
    [[nodiscard]] bool shapesMarkCells() const
    {
        for (int sheet = 0; sheet < 2; ++sheet) {
            const int other = 1 - sheet;
            if (rows[sheet] > rows[other] && cols[sheet] >= 2)
                return true;
            if (cols[sheet] > cols[other] && rows[sheet] >= 2)
                return true;
        }
        return false;
    }
    // Whether (row, col) is a data cell of sheet `sheet` (0 or 1) that the other sheet lacks.
    [[nodiscard]] bool isOutsideCommonArea(int sheet, int row, int col) const
    {
        return row >= 1 && col >= 1 && row < rows[sheet] && col < cols[sheet]
            && (row >= commonRows() || col >= commonCols());
    }
};

// The result message of a finished run, as the compare button shows it: "差はありません" or
// "差が　N　個あります", with a second line "サイズに差異があります" after CR LF when the sizes differ,
// and a last line counting the equivalent positions when there are any.
[[nodiscard]] QString compareResultMessage(const CompareResult &result);

// What a comparison of the two sheets' data finds, without colouring anything: the positions
// CompareSheets would mark light red, the shapes, and whether it would mark any cell magenta. For
// the command-line companion, which only reports them.
// Under `options`, it also lists the positions they make the same.
[[nodiscard]] CompareResult FindDifferences(const SheetData &data0, const SheetData &data1);
[[nodiscard]] CompareResult FindDifferences(const SheetData &data0, const SheetData &data1,
                                            const CompareOptions &options);
// The same, telling `listener` each listed position with its texts as the walk finds it.
[[nodiscard]] CompareResult FindDifferences(const SheetData &data0, const SheetData &data1,
                                            const CompareOptions &options, CellListener &listener);
