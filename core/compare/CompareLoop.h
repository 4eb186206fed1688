#pragma once

#include "CellEquality.h"
#include "SheetData.h"

#include <algorithm>
#include <array>

// What a consumer of the comparison loop answers after each line it was told about.
enum class CompareStep { Continue, Stop };

// Which kind of line of the larger sheet's extra cells was just walked.
enum class ExtraLine { Row, Column };

// The one comparison of two sheets' cells at equal positions, for every use of it: the compare
// button's run colours what it is told, the command-line companion lists it, a benchmark counts
// it. The header row and column are never visited.
//
// First the data cells only the larger sheet has: its extra rows over its whole width (sheet 0's,
// then sheet 1's), then its extra columns over its whole height, each as
// consumer.extraCell(sheet, row, col), with consumer.extraLineDone(sheet, ExtraLine::Row, row) or
// consumer.extraLineDone(sheet, ExtraLine::Column, col) after every row or column.
// Then the common area row by row, left to right: consumer.differingCell(row, col),
// consumer.equivalentCell(row, col) or consumer.equalCell(row, col) for each pair, as `equality`
// decides, and consumer.commonRowDone(row) after every row. A consumer without equivalentCell()
// is told equalCell() for a pair the options make the same. A consumer that answers CompareStep::Stop ends the
// walk, which then returns false.
//
// The shapes are read once at the start and handed to consumer.shapes(rows, cols), header row and
// column included. The data are read again for every row, so that a consumer that yields to the
// event loop between rows never makes the walk read past a sheet that changed meanwhile.
//
// A template, so that the consumer's calls cost no more than the loop written out in place.
template<typename Consumer>
[[nodiscard]] bool walkComparison(const SheetData &data0, const SheetData &data1, Consumer &consumer,
                                  CellEquality &equality)
{
    const std::array<const SheetData *, 2> data{&data0, &data1};
    const std::array<int, 2> rows{data0.rows(), data1.rows()};
    const std::array<int, 2> cols{data0.cols(), data1.cols()};
    consumer.shapes(rows, cols);

    for (int sheet = 0; sheet < 2; ++sheet) {
        const int other = 1 - sheet;
        for (int r = rows[other]; r <= rows[sheet] - 1; ++r) {
            const int lastCol = data[sheet]->cols() - 1;
            for (int c = 1; c <= lastCol; ++c)
                consumer.extraCell(sheet, r, c);
            if (consumer.extraLineDone(sheet, ExtraLine::Row, r) == CompareStep::Stop)
                return false;
        }
    }
    for (int sheet = 0; sheet < 2; ++sheet) {
        const int other = 1 - sheet;
        for (int c = cols[other]; c <= cols[sheet] - 1; ++c) {
            const int lastRow = data[sheet]->rows() - 1;
            for (int r = 1; r <= lastRow; ++r)
                consumer.extraCell(sheet, r, c);
            if (consumer.extraLineDone(sheet, ExtraLine::Column, c) == CompareStep::Stop)
                return false;
        }
    }

    const int commonRows = std::min(rows[0], rows[1]);
    const int commonCols = std::min(cols[0], cols[1]);
    for (int r = 1; r <= commonRows - 1; ++r) {
        const int lastCol
            = (r < data0.rows() && r < data1.rows()) ? std::min({commonCols, data0.cols(), data1.cols()}) - 1 : 0;
        for (int c = 1; c <= lastCol; ++c) {
            switch (equality.match(data0.text(r, c), data1.text(r, c), c)) {
            case CellMatch::Equal:
                consumer.equalCell(r, c);
                break;
            case CellMatch::Equivalent:
                if constexpr (requires { consumer.equivalentCell(r, c); })
                    consumer.equivalentCell(r, c);
                else
                    consumer.equalCell(r, c);
                break;
            case CellMatch::Differs:
                consumer.differingCell(r, c);
                break;
            }
        }
        if (consumer.commonRowDone(r) == CompareStep::Stop)
            return false;
    }
    return true;
}

// The exact comparison: texts identical character for character.
template<typename Consumer>
[[nodiscard]] bool walkComparison(const SheetData &data0, const SheetData &data1, Consumer &consumer)
{
    CellEquality exact;
    return walkComparison(data0, data1, consumer, exact);
}
