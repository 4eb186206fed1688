#pragma once

#include "CellEquality.h"
#include "SheetData.h"

#include <QStringView>

#include <algorithm>
#include <array>
#include <vector>

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
// is told equalCell() for a pair the options make the same. A consumer whose differingCell() and
// equivalentCell() also take the two texts, as a CellListener's do, is given them. A consumer that answers
// CompareStep::Stop ends the walk, which then returns false.
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
            const QStringView text0 = data0.text(r, c);
            const QStringView text1 = data1.text(r, c);
            switch (equality.match(text0, text1, c)) {
            case CellMatch::Equal:
                consumer.equalCell(r, c);
                break;
            case CellMatch::Equivalent:
                if constexpr (requires { consumer.equivalentCell(r, c, text0, text1); })
                    consumer.equivalentCell(r, c, text0, text1);
                else if constexpr (requires { consumer.equivalentCell(r, c); })
                    consumer.equivalentCell(r, c);
                else
                    consumer.equalCell(r, c);
                break;
            case CellMatch::Differs:
                if constexpr (requires { consumer.differingCell(r, c, text0, text1); })
                    consumer.differingCell(r, c, text0, text1);
                else
                    consumer.differingCell(r, c);
                break;
            }
        }
        if (consumer.commonRowDone(r) == CompareStep::Stop)
            return false;
    }
    return true;
}

// Told each listed position of a comparison with both texts, whichever way the rows come: the
// stored sheets' walk above (through FindDifferences) or two files compared as they are read
// (compareFileStreams), in the same order: row by row, left to right, the common area only.
class CellListener
{
public:
    virtual ~CellListener() = default;
    virtual void differingCell(int row, int col, QStringView text0, QStringView text1) = 0;
    // A position whose texts differ but the comparison options make the same.
    virtual void equivalentCell(int row, int col, QStringView text0, QStringView text1)
    {
        (void)row;
        (void)col;
        (void)text0;
        (void)text1;
    }
    // Whether the texts matter; without them a comparison of raw bytes need not decode what
    // differs, and the texts given may be empty.
    [[nodiscard]] virtual bool wantsTexts() const
    {
        return true;
    }
    // With the rows lined up while read: the rows of both files behind the row whose cells come
    // next (0 for an empty row lining up put in).
    virtual void alignedRow(int fileRow0, int fileRow1)
    {
        (void)fileRow0;
        (void)fileRow1;
    }
    // With the columns lined up while read, before any cell: both files' data columns (from 1)
    // facing each other, left to right, 0 for an empty column lining up put in; a position's
    // column is its place in this list, from 1.
    virtual void alignedColumns(const std::vector<std::array<int, 2>> &columns)
    {
        (void)columns;
    }
};

// The exact comparison: texts identical character for character.
template<typename Consumer>
[[nodiscard]] bool walkComparison(const SheetData &data0, const SheetData &data1, Consumer &consumer)
{
    CellEquality exact;
    return walkComparison(data0, data1, consumer, exact);
}
