#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class QString;
class SheetData;
struct CompareOptions;

// Lining up the columns of two sheets, one of which has a column the other lacks: without it the
// comparison is positional and every cell right of the extra column differs.
//
// Columns are matched by their headings (the texts of row 1) as the longest common sequence of
// the two headings, under the comparison options, with repeated headings matched in order; or,
// when the headings have little in common, by the likeness of their values. Matched columns face
// each other. A column only one sheet has faces an empty filler column put into the other: in a
// stretch between two matched columns, the first sheet's unmatched columns come first. Columns are
// never moved, only given filler columns, so the sheets keep their own order.

struct ColumnAlignment
{
    // The data columns (from 1) of both sheets facing each other once lined up, left to right; 0
    // for the filler column put in where a sheet lacks the column.
    std::vector<std::array<int, 2>> columns;
    // Matched by the likeness of values rather than by headings.
    bool byContent = false;

    [[nodiscard]] int addedCols(int sheet) const;
    [[nodiscard]] int matchedCols() const;
    [[nodiscard]] bool changesNothing() const
    {
        return addedCols(0) == 0 && addedCols(1) == 0;
    }
    // The filler columns of `sheet` as (before, count) in the numbering before any is put in
    // (data columns from 1; `before` one past the last column appends), ascending.
    [[nodiscard]] std::vector<std::pair<int, int>> colGroups(int sheet) const;
    // For each data column of `sheet` (from 1; index 0 unused), the other sheet's data column
    // facing it, or 0 where it faces a filler column. `cols` counts the sheet's data columns.
    [[nodiscard]] std::vector<int> partners(int sheet, int cols) const;
};

// The alignment of matched (column of first, column of second) pairs, data columns from 1, both
// ascending, for sheets of `colsA` and `colsB` data columns.
[[nodiscard]] ColumnAlignment alignColumnsFromMatches(const std::vector<std::pair<int, int>> &matches, int colsA,
                                                      int colsB);

// Columns by their headings: texts equal under the options (a column left out of the comparison
// still matches by its heading).
[[nodiscard]] ColumnAlignment alignColumnsByHeading(const std::vector<QString> &first,
                                                    const std::vector<QString> &second, const CompareOptions &options);
[[nodiscard]] ColumnAlignment alignColumnsByHeading(const SheetData &first, const SheetData &second,
                                                    const CompareOptions &options);

// The share of a column pair's rows whose cells are the same at or above which the columns are
// alike: at least as often equal as not. Rows are compared where they stand, data row against data
// row, from row 2 (row 1 is the heading that did not match; a sheet of one row compares it), over
// at most kContentSampleRows rows spread evenly over the rows both sheets have.
inline constexpr double kColumnLikeness = 0.5;
inline constexpr int kContentSampleRows = 2000;
// The most column pairs (columns of one sheet times the other's) lined up by content; fewer rows
// are compared the more pairs there are.
inline constexpr std::int64_t kContentPairLimit = std::int64_t(2000) * 2000;

// Columns by the likeness of their values: of all orderly matchings of alike columns, the one
// whose summed share of equal cells is largest.
[[nodiscard]] ColumnAlignment alignColumnsByContent(const SheetData &first, const SheetData &second,
                                                    const CompareOptions &options);

// Whether the headings share at least half of the names of the sheet with fewer columns; below
// that, lining up by content is worth offering.
[[nodiscard]] bool headingsMostlyShared(const ColumnAlignment &byHeading);

// Whether both sheets can take the columns `alignment` adds: the column limit and the cell
// capacity, checked for both before either changes.
[[nodiscard]] bool columnsFitColLimit(const ColumnAlignment &alignment, const SheetData &first,
                                      const SheetData &second);
[[nodiscard]] bool columnsFitCells(const ColumnAlignment &alignment, const SheetData &first, const SheetData &second);

// The message when lining up columns would take a sheet past the column limit, and past its cell
// capacity (the words of inserting columns by hand).
[[nodiscard]] QString alignColumnsTooWideText();
[[nodiscard]] QString alignColumnsTooManyCellsText();
// The note that the headings share fewer than half of their names, `matched` of them.
[[nodiscard]] QString fewHeadingsSharedText(int matched);

// Puts the filler columns `alignment` gives sheet `index` into `data` and marks them (light grey
// where they differ, left out of a save while empty). The columns must fit.
void insertAlignedCols(SheetData &data, const ColumnAlignment &alignment, int index);
// The filler columns of `sheet` as they are numbered once every one is put in, ascending.
[[nodiscard]] std::vector<int> fillerCols(const ColumnAlignment &alignment, int sheet);
