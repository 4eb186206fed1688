#pragma once

#include "CliArguments.h"
#include "CompareOptions.h"
#include "CompareResult.h"
#include "KeyAlignment.h"

#include <QIODevice>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// Comparing two files as they are read, row by row in step, without holding either: what
// rowlark-diff does when no option needs the whole sheets. It finds what FindDifferences finds in
// the two sheets the window would read, from the same reader.

// Told about each differing position of the common area, in the order FindDifferences lists them.
class StreamDifferences
{
public:
    virtual ~StreamDifferences() = default;
    virtual void differingCell(int row, int col, QStringView text0, QStringView text1) = 0;
    // Whether the texts matter; without them the comparison of an exact run need not decode
    // what differs, and the texts given may be empty.
    [[nodiscard]] virtual bool wantsTexts() const
    {
        return true;
    }
    // A position whose texts differ but the comparison options make the same, in the same order.
    virtual void equivalentCell(int row, int col, QStringView text0, QStringView text1)
    {
        (void)row;
        (void)col;
        (void)text0;
        (void)text1;
    }
    // With the rows lined up: the rows of both files behind the row whose cells come next (0 for an
    // empty row lining up put in).
    virtual void alignedRow(int fileRow0, int fileRow1)
    {
        (void)fileRow0;
        (void)fileRow1;
    }
};

struct StreamComparison
{
    // The shapes and sizesDiffer; differences stays empty (the consumer was told them), count below.
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
};

struct StreamOptions
{
    qsizetype pieceBytes = qsizetype(1) << 20;
    bool sheetLimits = true; // false: files of any number of rows and columns
    // Line up inserted and deleted rows first, as the window's 行を揃える does: one more pass
    // over both files keeps a 16-byte hash of each row, and the rows are lined up on those.
    bool align = false;
    // With align: line up by these key columns instead of by whole rows (never sorted here).
    KeyColumns keys;
    // Cells the same under these; lining up under a numeric rule needs the stored sheets.
    CompareOptions compare;
};

// Compares files[0] (sheet 1) with files[1] (sheet 2). Nothing when a file is one the stream
// leaves to the window's reader (a refused file among them), or when lining up under a numeric
// rule: compare the stored sheets instead.
[[nodiscard]] std::optional<StreamComparison> compareFileStreams(const std::array<QString, 2> &files, int delimiterMode,
                                                                 const QString &delimiter, const StreamOptions &options,
                                                                 StreamDifferences &differences);

// rowlark-diff's comparison from the stream, with runDiff's output and exit status. Nothing when
// the arguments or the files need the stored sheets: runDiff then goes on as it would.
[[nodiscard]] std::optional<int> runStreamDiff(const CliArguments &arguments, QIODevice &out, QIODevice &err,
                                               const StreamOptions &options = {});
