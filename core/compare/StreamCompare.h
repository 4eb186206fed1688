#pragma once

#include "ColumnAlignment.h"
#include "CompareLoop.h"
#include "CompareOptions.h"
#include "CompareResult.h"
#include "DelimitedFormat.h"
#include "KeyAlignment.h"

#include <QString>

#include <array>
#include <optional>

// Comparing two files as they are read, row by row in step, without holding either: the second
// source of rows of the one comparison, beside the stored sheets' walkComparison. It finds what
// FindDifferences finds in the two sheets the window would read, from the same reader, and tells
// a CellListener each listed position in the same order.

struct StreamComparison
{
    // The shapes and sizesDiffer; differences stays empty (the listener was told them), count below.
    CompareResult result;
    qint32 count = 0;
    qint32 equivalentCount = 0; // positions the comparison options made the same
    std::array<bool, 2> complete{true, true}; // each file read whole
    std::array<bool, 2> writesBack{true, true}; // each file's text writes back to its bytes
    std::array<int, 2> repeatedKeyRows{}; // lined up by key: each file's rows of a repeated key
    // Within a sheet's limits, a sheet could not take the rows lining up adds: nothing was compared.
    bool alignTooLong = false;
    // A file changed while it was read: nothing of the comparison holds.
    std::array<bool, 2> changed{false, false};
    std::array<int, 2> firstRowNotRead{}; // each file's, after a read that stopped early
    std::array<int, 2> columns{}; // each file's column count C
    // Lined up: false when the rows matched may not be the longest common sequence.
    bool longestLineUp = true;
    // Columns lined up: how (the shapes above are the lined-up sheets').
    ColumnAlignment columnAlignment;
    // Each file was read once (compareInOnePass), not in passes.
    bool readOnce = false;
};

struct StreamOptions
{
    qsizetype pieceBytes = qsizetype(256) * 1024;
    // Compared in step, the rows of a first file of at least this many bytes are compared in two
    // halves, one on each core, where both files can be read on from a line within them.
    qint64 halvesFrom = qint64(4) << 20;
    // The memory the later half's positions may take while the earlier half is compared; past it
    // the later half waits for the earlier one.
    qsizetype mostHeldBytes = qsizetype(64) << 20;
    bool sheetLimits = true; // false: files of any number of rows and columns
    // Compare exactly in step while each file is read once, where the files allow it
    // (compareInOnePass); false: always the column passes first.
    bool onePass = true;
    // Line up inserted and deleted rows first, as the window's 行を揃える does: one more pass
    // over both files keeps a 16-byte hash of each row, and the rows are lined up on those.
    bool align = false;
    // With align: line up by these key columns instead of by whole rows (never sorted here).
    KeyColumns keys;
    // Line the columns up by their headings first, as the window's 列を揃える does: row 1 of both
    // files is read first, and every row is then compared (and lined up) through the column map,
    // positions numbering the lined-up columns.
    bool alignColumns = false;
    // Cells the same under these.
    CompareOptions compare;
};

// Compares files[0] (sheet 1) with files[1] (sheet 2). Nothing when a file is one the stream
// leaves to the window's reader (a refused file among them), or when lining up under a numeric
// rule within the sheets' limits or by key, or within the limits when a sheet could not take the
// columns lining them up adds (found at the end, once the listener was told the positions):
// compare the stored sheets instead.
[[nodiscard]] std::optional<StreamComparison> compareFileStreams(const std::array<QString, 2> &files,
                                                                 const DelimitedFormat &delimited,
                                                                 const StreamOptions &options, CellListener &listener);
