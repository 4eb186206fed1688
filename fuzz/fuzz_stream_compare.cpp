// rowlark-diff's comparison while reading against the window's stored comparison: the input's
// first byte picks the mode, the piece size and whether the columns and the rows are lined up
// first, the rest is cut at the first NUL into two files. A rest that starts with a UTF-16 byte
// order mark is cut at its first unit U+0000 instead, and both files get the mark: UTF-16
// characters hold NUL bytes.
// Both ways must find the same positions, texts, shapes and completeness (and the same column
// line-up, one that keeps every column of both files once and in order), or both leave the pair to
// the stored comparison.

#include "FuzzSupport.h"

#include "CellEquality.h"
#include "ColumnAlignment.h"
#include "CompareResult.h"
#include "RowAlignment.h"
#include "SheetFileReader.h"
#include "StreamCompare.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
class Collected final : public CellListener
{
public:
    std::vector<CellPosition> positions;
    std::vector<std::pair<QString, QString>> texts;
    std::vector<std::array<int, 2>> fileRows;
    std::array<int, 2> currentRows{};
    std::vector<std::array<int, 2>> columns;

    void differingCell(int row, int col, QStringView text0, QStringView text1) override
    {
        positions.emplace_back(row, col);
        texts.emplace_back(text0.toString(), text1.toString());
        fileRows.push_back(currentRows);
    }
    void alignedRow(int fileRow0, int fileRow1) override
    {
        currentRows = {fileRow0, fileRow1};
    }
    void alignedColumns(const std::vector<std::array<int, 2>> &lined) override
    {
        fuzz::check(positions.empty(), "the columns are told before any cell");
        columns = lined;
    }
};

// Every data column of both sheets faces exactly one lined-up column, in its own order; matched
// columns have equal headings.
void checkColumnAlignment(const ColumnAlignment &alignment, const SheetData &data0, const SheetData &data1)
{
    const std::array<const SheetData *, 2> data{&data0, &data1};
    CellEquality exact;
    std::array<int, 2> next{1, 1};
    for (const std::array<int, 2> &pair : alignment.columns) {
        fuzz::check(pair[0] > 0 || pair[1] > 0, "no lined-up column faces nothing on both sides");
        for (size_t i = 0; i < 2; ++i) {
            if (pair[i] > 0) {
                fuzz::check(pair[i] == next[i], "each sheet's columns in order, none left out");
                ++next[i];
            }
        }
        if (pair[0] > 0 && pair[1] > 0 && data0.rows() > 1 && data1.rows() > 1)
            fuzz::check(exact.equal(data0.text(1, pair[0]), data1.text(1, pair[1]), 0), "matched headings are equal");
    }
    for (size_t i = 0; i < 2; ++i)
        fuzz::check(next[i] == data[i]->cols(), "every column of each sheet lined up");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t control = data[0];
    const QByteArrayView rest(data + 1, qsizetype(size - 1));
    const bool wide = rest.startsWith("\xFF\xFE") || rest.startsWith("\xFE\xFF");
    qsizetype cut = -1;
    qsizetype cutSize = 1;
    if (wide) {
        cutSize = 2;
        for (qsizetype at = 2; at + 1 < rest.size() && cut < 0; at += 2) {
            if (rest[at] == '\0' && rest[at + 1] == '\0')
                cut = at;
        }
    } else {
        cut = rest.indexOf('\0');
    }
    const QByteArrayView first = cut < 0 ? rest : rest.first(cut);
    QByteArray second = wide ? rest.first(2).toByteArray() : QByteArray();
    if (cut >= 0)
        second += rest.sliced(cut + cutSize);
    static const std::array<QString, 2> files{fuzz::scratchPath(u"stream0.csv"_s), fuzz::scratchPath(u"stream1.csv"_s)};
    fuzz::writeFile(files[0], first);
    fuzz::writeFile(files[1], second);

    static const std::array<QString, 4> delimiters{u","_s, u";"_s, u"\t"_s, u"|"_s};
    const QString delimiter = delimiters[control & 3];
    const int mode = (control & 3) == 0 ? 0 : 1;
    StreamOptions options;
    options.pieceBytes = 16 + ((control >> 2) & 15) * 4;
    // Pieces of 20, 28, … bytes go with rows compared in two halves, one on each core.
    options.halvesFrom = (control & 4) != 0 ? 0 : options.halvesFrom;
    // Bit 6 lines the columns up by their headings first: from row 1 read ahead in the stream, on
    // the stored sheets' row 1.
    options.alignColumns = (control & 0x40) != 0;
    // The top bit lines the rows up: on row hashes from the stream, on the stored sheets' rows.
    options.align = (control & 0x80) != 0;
    options.sheetLimits = !options.align;
    // Exact pairs compared in step are read once where they allow it; a first file of an odd
    // length takes the passes all the same, so that both are held to the stored comparison.
    options.onePass = first.size() % 2 == 0;

    std::array<SheetReadResult, 2> reads;
    bool stored = true;
    std::array<bool, 2> writesBack{};
    std::array<bool, 2> complete{};
    for (size_t i = 0; i < 2 && stored; ++i) {
        SheetFileReader reader({mode, delimiter});
        stored = reader.open(files[i]) == LoadRefusal::None && reader.countColumns() == LoadRefusal::None;
        if (stored) {
            writesBack[i] = reader.writesBackUnchanged();
            reads[i] = reader.readData();
            complete[i] = reads[i].result == MMS_GRID_CSV_READ::ReadResult::Complete;
        }
    }
    Collected collected;
    const std::optional<StreamComparison> streamed = compareFileStreams(files, {mode, delimiter}, options, collected);
    if (!stored) {
        fuzz::check(!streamed, "a file the reader refuses is left to it");
        return 0;
    }
    if (!streamed)
        return 0; // a case only the stored read does exactly (invalid bytes after the mark, …)
    SheetData data0 = std::move(reads[0].data);
    SheetData data1 = std::move(reads[1].data);
    if (options.alignColumns) {
        const ColumnAlignment columns = alignColumnsByHeading(data0, data1, {});
        checkColumnAlignment(columns, data0, data1);
        fuzz::check(collected.columns == columns.columns && streamed->columnAlignment.columns == columns.columns,
                    "the same columns lined up");
        if (!columnsFitColLimit(columns, data0, data1) || !columnsFitCells(columns, data0, data1))
            return 0; // past a sheet's limits once lined up: the stored sheets cannot say
        insertAlignedCols(data0, columns, 0);
        insertAlignedCols(data1, columns, 1);
        fuzz::check(data0.cols() == data1.cols() && data0.cols() == int(columns.columns.size()) + 1,
                    "both sheets as wide as the line-up");
    }
    std::array<std::vector<int>, 2> origins;
    if (options.align) {
        const std::optional<RowAlignment> alignment = lineUpRows(data0, data1);
        if (!alignment)
            return 0; // past a sheet's limits once lined up: the stored sheets cannot say
        origins = {alignment->originalRows(0, data0.rows() - 1), alignment->originalRows(1, data1.rows() - 1)};
        insertAlignedRows(data0, *alignment, 0);
        insertAlignedRows(data1, *alignment, 1);
    }
    const CompareResult result = FindDifferences(data0, data1);
    fuzz::check(collected.positions == result.differences, "the same differing positions");
    for (size_t i = 0; i < result.differences.size(); ++i) {
        const CellPosition position = result.differences[i];
        fuzz::check(collected.texts[i].first == data0.text(position.row(), position.col())
                        && collected.texts[i].second == data1.text(position.row(), position.col()),
                    "the same texts at a differing position");
        if (options.align) {
            const std::array<int, 2> fileRows{origins[0][size_t(position.row())], origins[1][size_t(position.row())]};
            fuzz::check(collected.fileRows[i] == fileRows, "the same file rows behind a lined-up position");
        }
    }
    fuzz::check(streamed->count == result.count(), "the same count");
    fuzz::check(streamed->result.rows == result.rows && streamed->result.cols == result.cols, "the same shapes");
    fuzz::check(streamed->result.sizesDiffer == result.sizesDiffer, "the same size verdict");
    for (size_t i = 0; i < 2; ++i) {
        fuzz::check(streamed->complete[i] == complete[i], "the same completeness");
        fuzz::check(streamed->writesBack[i] == writesBack[i], "the same write-back verdict");
    }
    return 0;
}
