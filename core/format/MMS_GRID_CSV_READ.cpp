#include "MMS_GRID_CSV_READ.h"

#include "CharScan.h"
#include "FieldParser.h"
#include "FileIntro.h"
#include "MCHAR_CHK.h"
#include "MCHAR_GET.h"
#include "SideThread.h"

#include <exception>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace MMS_GRID_CSV_READ
{
namespace
{

constexpr char16_t kColumnLabelSuffix = u'列';
constexpr char16_t kRowLabelSuffix = u'行';

// Cells point into the pool with 32-bit offsets.
constexpr qsizetype kMaxPoolChars = qsizetype(std::numeric_limits<quint32>::max());
constexpr qsizetype kMaxTextChars = (kMaxPoolChars - 2 * kMaxExtraChars) / 2;

// Where the rows read from one part of the text go: rows are added one at a time as the grid's
// Rows would be set, and refused past the row limit or the sheet's capacity. The line ends a row
// had are kept aside until the read is put together.
class RowSink
{
public:
    // Data row r goes to row r - rowBase of data: a piece of a text read on its own keeps only
    // its own rows.
    RowSink(SheetData &data, qsizetype maxDataRows, LineEnd commonLineEnd, int firstRow, int rowBase = 0)
        : m_data(data)
        , m_cells(data.sliceWriter())
        , m_maxDataRows(maxDataRows)
        , m_commonLineEnd(commonLineEnd)
        , m_rowsUsed(firstRow)
        , m_rowBase(rowBase)
    {
    }

    // Makes room for data row `row`; nothing, or the error setting Rows would raise. While
    // another part is read at the same time the data must not move: a row past the room made
    // for it stops this part, and wouldGrow() tells.
    [[nodiscard]] std::optional<ReadResult> addRow(int row)
    {
        if (row > m_maxDataRows)
            return row + 1 > kMaxRowCol ? ReadResult::Overflow : ReadResult::OutOfMemory;
        if (row - m_rowBase >= m_data.rows()) {
            if (!m_mayGrow) {
                m_wouldGrow = true;
                return ReadResult::OutOfMemory;
            }
            const qsizetype local = row - m_rowBase;
            m_data.resize(int(std::min<qsizetype>(m_maxDataRows - m_rowBase, local * 2)) + 1, m_data.cols());
            m_cells = m_data.sliceWriter();
        }
        m_rowsUsed = row + 1;
        m_lastRowWhole = false;
        return std::nullopt;
    }
    // Every cell of the row last added has been read.
    void rowDone()
    {
        m_lastRowWhole = true;
    }
    void set(int row, int col, CellRef ref)
    {
        // A long slice is listed by the data, which two parts read at once must not do together.
        if (Q_UNLIKELY(SheetData::isLong(ref)))
            setLong(row, col, ref);
        else
            m_cells.setShort(row - m_rowBase, col, ref);
    }
    // The data holds the quoting marks (reserveQuoted()) when a quoted field may come.
    void setQuoted(int row, int col)
    {
        m_cells.setQuoted(row - m_rowBase, col);
    }
    // Only a line end that differs from the file's most common one is kept with the row.
    void setLineEnd(int row, std::optional<LineEnd> lineEnd)
    {
        if (lineEnd && *lineEnd != m_commonLineEnd)
            m_lineEnds.emplace_back(row, *lineEnd);
    }
    // Also sets the long slices held back while another part was read; called for the second part
    // once the parts are joined.
    void setMayGrow(bool mayGrow)
    {
        m_mayGrow = mayGrow;
        if (mayGrow) {
            m_cells = m_data.sliceWriter();
            for (const LongCell &cell : m_longCells)
                m_cells.set(cell.row, cell.col, cell.ref);
            m_longCells.clear();
        }
    }
    [[nodiscard]] bool wouldGrow() const
    {
        return m_wouldGrow;
    }
    // Rows in use, the header row included.
    [[nodiscard]] int rowsUsed() const
    {
        return m_rowsUsed;
    }
    [[nodiscard]] bool lastRowWhole() const
    {
        return m_lastRowWhole;
    }
    [[nodiscard]] const std::vector<std::pair<int, LineEnd>> &lineEnds() const
    {
        return m_lineEnds;
    }

private:
    Q_DECL_COLD_FUNCTION void setLong(int row, int col, CellRef ref)
    {
        if (!m_mayGrow)
            m_longCells.push_back({row - m_rowBase, col, ref});
        else
            m_cells.set(row - m_rowBase, col, ref);
    }

    SheetData &m_data;
    SheetData::SliceWriter m_cells; // refreshed whenever the data grows
    qsizetype m_maxDataRows;
    LineEnd m_commonLineEnd;
    int m_rowsUsed;
    int m_rowBase;
    bool m_lastRowWhole = true;
    bool m_mayGrow = true;
    bool m_wouldGrow = false;
    std::vector<std::pair<int, LineEnd>> m_lineEnds;
    struct LongCell
    {
        int row;
        int col;
        CellRef ref;
    };
    std::vector<LongCell> m_longCells;
};

// Reads rows of the comma mode, one per record, from a record's start on.
class CommaModeRows
{
public:
    CommaModeRows(QStringView text, LineRule rule, int columns, qsizetype from, PoolBuilder &pool, RowSink &rows)
        : m_fields(text, rule, from, pool)
        , m_columns(columns)
        , m_pool(pool)
        , m_rows(rows)
    {
    }

    // Where the next row starts in the text.
    [[nodiscard]] qsizetype position() const
    {
        return m_fields.position();
    }

    // Reads rows from `row` on to the end, or until one would start at or after stopAt; nothing
    // when it stopped there, otherwise how the read ended. A record with fewer than C fields ends
    // in empty cells.
    std::optional<ReadResult> readRows(int &row, qsizetype stopAt)
    {
        for (; !m_fields.atEnd(); ++row) {
            if (m_fields.position() >= stopAt)
                return std::nullopt;
            if (const std::optional<ReadResult> refused = m_rows.addRow(row))
                return refused;
            m_rows.set(row, 0, m_pool.label(row, kRowLabelSuffix));
            int c = 1;
            do {
                CellRef ref;
                switch (m_fields.read(ref)) {
                case CommaFieldReader::Status::Field:
                    break;
                case CommaFieldReader::Status::Unclosed:
                    return ReadResult::PastEnd;
                case CommaFieldReader::Status::PoolFull:
                    return ReadResult::OutOfMemory;
                }
                if (c <= m_columns) {
                    m_rows.set(row, c, ref);
                    if (m_fields.quoted())
                        m_rows.setQuoted(row, c);
                }
                ++c;
            } while (!m_fields.recordEnded());
            m_rows.setLineEnd(row, m_fields.lineEndAfterField());
            m_rows.rowDone();
            if (m_pool.full())
                return ReadResult::OutOfMemory;
        }
        return ReadResult::Complete;
    }

private:
    CommaFieldReader m_fields;
    int m_columns;
    PoolBuilder &m_pool;
    RowSink &m_rows;
};

// Reads rows of the delimiter mode, one per line, from a line start on.
class DelimiterModeRows
{
public:
    DelimiterModeRows(QStringView text, LineRule rule, int columns, QStringView delimiter, qsizetype from,
                      PoolBuilder &pool, RowSink &rows)
        : m_text(text)
        , m_rule(rule)
        , m_columns(columns)
        , m_delimiter(delimiter)
        , m_pos(from)
        , m_pool(pool)
        , m_rows(rows)
    {
    }

    [[nodiscard]] qsizetype position() const
    {
        return m_pos;
    }

    // As CommaModeRows::readRows.
    std::optional<ReadResult> readRows(int &row, qsizetype stopAt)
    {
        const char16_t *chars = m_text.utf16();
        const qsizetype size = m_text.size();
        const char16_t lineEnd = lineEndChar(m_rule);
        const bool crLf = m_rule == LineRule::CrOrCrLf;
        const int columns = m_columns;
        for (; m_pos < size; ++row) {
            if (m_pos >= stopAt)
                return std::nullopt;
            if (const std::optional<ReadResult> refused = m_rows.addRow(row))
                return refused;
            m_rows.set(row, 0, m_pool.label(row, kRowLabelSuffix));
            qsizetype at = m_pos;
            int c = 1;
            qsizetype fieldStart = m_pos;
            if (m_delimiter.size() == 1) {
                // One pass over the line finds its end and every field.
                const char16_t mark = m_delimiter[0].unicode();
                while ((at = FieldSplitter::delimitedFieldEnd(chars, at, size, lineEnd, mark)) < size
                       && chars[at] != lineEnd) {
                    if (c <= columns)
                        m_rows.set(row, c, PoolBuilder::slice(fieldStart, at - fieldStart));
                    ++c;
                    fieldStart = ++at;
                }
            } else {
                // Each search for the delimiter starts one character after the previous match's
                // start, so the rest of a longer delimiter begins the next field. Found in one pass instead of one
                // search from the line's start per field.
                at = m_text.indexOf(QChar(lineEnd), m_pos);
                if (at < 0)
                    at = size;
                const QStringView line = m_text.sliced(m_pos, at - m_pos);
                if (!m_delimiter.isEmpty()) {
                    // A delimiter outside the BMP is one character: the next field never starts
                    // with half of it.
                    const qsizetype step = MCHAR_GET::firstCharSize(m_delimiter);
                    for (qsizetype from = 0; c <= columns; ++c) {
                        const qsizetype match = line.indexOf(m_delimiter, from);
                        if (match < 0)
                            break;
                        m_rows.set(row, c, PoolBuilder::slice(fieldStart, m_pos + match - fieldStart));
                        fieldStart = m_pos + match + step;
                        from = match + step;
                    }
                }
            }
            if (c <= columns)
                m_rows.set(row, c, PoolBuilder::slice(fieldStart, at - fieldStart));
            m_rows.setLineEnd(row, lineEndAt(m_text, at, m_rule));
            m_rows.rowDone();
            m_pos = at < size ? at + 1 : size;
            if (crLf && m_pos < size && chars[m_pos] == u'\n')
                ++m_pos;
        }
        return ReadResult::Complete;
    }

private:
    QStringView m_text;
    LineRule m_rule;
    int m_columns;
    QStringView m_delimiter;
    qsizetype m_pos;
    PoolBuilder &m_pool;
    RowSink &m_rows;
};

// The start of the first line that begins after `at`; the text's size when there is none.
qsizetype nextLineStart(QStringView text, qsizetype at, LineRule rule)
{
    const char16_t lineEnd = lineEndChar(rule);
    const qsizetype end = CharScan::findEither(text.utf16(), at, text.size(), lineEnd, lineEnd);
    qsizetype start = end < text.size() ? end + 1 : text.size();
    if (rule == LineRule::CrOrCrLf && start < text.size() && text[start] == u'\n')
        ++start;
    return start;
}

// Makes the references of a part's own additions (read with the pool's base at the text's end)
// point behind the additions of the parts before it.
void shiftAdditions(SheetData &data, int firstRow, int endRow, qsizetype textSize, qsizetype shift)
{
    if (shift == 0)
        return;
    for (int r = firstRow; r < endRow; ++r) {
        for (int c = 0; c < data.cols(); ++c) {
            CellRef ref = data.cellRef(r, c);
            if (ref.length != 0 && !(ref.offset & kEditedText) && ref.offset >= textSize) {
                ref.offset += quint32(shift);
                data.setCellRef(r, c, ref);
            }
        }
    }
}

// What reading the rows gave, to be put together with the header row.
struct RowsRead
{
    ReadResult result = ReadResult::Complete;
    int rowsUsed = 1; // the header row included
    bool lastRowWhole = true;
    std::vector<std::pair<int, LineEnd>> lineEnds;
    QString secondAdditions; // the second half's additions, which follow the first half's in the pool
};

// Reads the text's rows with the part reader of the mode, which makeRows(from, pool, sink) makes.
//
// With two threads allowed and text enough, the second half, from a line start, is read on a
// thread of its own while this thread reads the first half, as though its first line began row
// "lines before it + 1". That holds whenever the first half's last row ends exactly at that line
// start: always in the delimiter mode, and in the comma mode unless a quoted field before it holds
// a line end. When it does not hold (or the halves together pass a limit that
// only the whole read can see), the second half's rows are dropped and the first half's reading
// goes on to the end: the result is always that of reading in one pass.
template<typename MakeRows>
RowsRead readAllRows(QStringView text, LineRule rule, const ReadOptions &options, SheetData &data,
                     qsizetype maxDataRows, LineEnd commonLineEnd, PoolBuilder &pool, MakeRows makeRows)
{
    constexpr qsizetype kToTheEnd = std::numeric_limits<qsizetype>::max();
    RowSink sink(data, maxDataRows, commonLineEnd, 1);
    auto rows = makeRows(0, pool, sink);
    int row = 1;
    const auto finish = [&sink](ReadResult result) {
        RowsRead read;
        read.result = result;
        read.rowsUsed = sink.rowsUsed();
        read.lastRowWhole = sink.lastRowWhole();
        read.lineEnds = sink.lineEnds();
        return read;
    };

    const bool split = options.threads > 1 && text.size() >= 2 * std::max<qsizetype>(options.minCharsPerThread, 1);
    const qsizetype half = split ? nextLineStart(text, text.size() / 2, rule) : text.size();
    if (half >= text.size())
        return finish(*rows.readRows(row, kToTheEnd));

    // The second half's reading, on its own thread until it is joined.
    qsizetype linesBefore = 0;
    PoolBuilder secondPool(text.size());
    std::optional<RowSink> secondSink;
    std::optional<ReadResult> secondResult;
    std::exception_ptr secondFailure;
    std::optional<ReadResult> firstResult;
    sink.setMayGrow(false);
    {
        SideJob second([&] {
            try {
                const char16_t lineEnd = lineEndChar(rule);
                linesBefore = CharScan::countLines(text.utf16(), half, lineEnd, lineEnd).lines;
                int secondRow = int(std::min<qsizetype>(linesBefore + 1, kMaxRowCol + 1));
                secondSink.emplace(data, maxDataRows, commonLineEnd, secondRow);
                secondSink->setMayGrow(false);
                auto secondRows = makeRows(half, secondPool, *secondSink);
                secondResult = secondRows.readRows(secondRow, kToTheEnd);
            } catch (...) {
                secondFailure = std::current_exception();
            }
        });
        firstResult = rows.readRows(row, half);
    }
    if (secondFailure)
        std::rethrow_exception(secondFailure);
    sink.setMayGrow(true);

    if (firstResult && !sink.wouldGrow())
        return finish(*firstResult); // the first half ended the read: the second half is never used
    const bool joins = !firstResult && rows.position() == half && row == linesBefore + 1 && secondResult
        && !secondSink->wouldGrow() && pool.mark() + secondPool.mark() <= kMaxExtraChars;
    if (joins) {
        secondSink->setMayGrow(true);
        shiftAdditions(data, row, secondSink->rowsUsed(), text.size(), pool.mark());
        RowsRead read = finish(*secondResult);
        read.rowsUsed = secondSink->rowsUsed();
        read.lastRowWhole = secondSink->lastRowWhole();
        read.lineEnds.insert(read.lineEnds.end(), secondSink->lineEnds().begin(), secondSink->lineEnds().end());
        read.secondAdditions = secondPool.take();
        return read;
    }

    // The halves do not join: forget the second half's rows and read on in one pass.
    for (int r = row; r < data.rows(); ++r) {
        for (int c = 0; c < data.cols(); ++c) {
            data.setCellRef(r, c, {});
            data.setQuoted(r, c, false);
        }
    }
    return finish(*rows.readRows(row, kToTheEnd));
}

} // namespace

ColumnPass CountColumns(QStringView text, LineRule rule, const DelimitedFormat &format)
{
    const QStringView mark = format.fieldDelimiter();
    qint64 most = 0;
    qsizetype lines = 0;
    qsizetype crLfEnds = 0;
    qsizetype crEnds = 0;
    if (format.commaMode() && text.contains(u'"')) {
        // Quoted fields may hold commas and line ends: the records are counted as the reader reads them.
        CommaRecordCounter<char16_t> counter(rule);
        counter.add(text.utf16(), text.size());
        counter.finish();
        most = counter.mostCommas();
        lines = counter.records();
        crLfEnds = counter.crLfEnds();
        crEnds = counter.crEnds();
    } else if (mark.size() == 1) {
        const CharScan::LineCounts counts
            = CharScan::countLines(text.utf16(), text.size(), lineEndChar(rule), mark[0].unicode());
        most = counts.mostMarks;
        lines = counts.lines;
        crLfEnds = counts.crLfEnds;
        crEnds = counts.crEnds;
    } else {
        LineReader reader(text, rule);
        while (const auto line = reader.next()) {
            most = std::max<qint64>(most, MCHAR_CHK::CountOccurrences(*line, mark).count);
            ++lines;
            const std::optional<LineEnd> end = lineEndAt(text, line->data() - text.data() + line->size(), rule);
            if (end == LineEnd::CrLf)
                ++crLfEnds;
            else if (end == LineEnd::Cr)
                ++crEnds;
        }
    }
    ColumnPass pass;
    pass.lines = lines;
    pass.lineEnd = rule == LineRule::Lf ? LineEnd::Lf : (crEnds > crLfEnds ? LineEnd::Cr : LineEnd::CrLf);
    const std::optional<int> columns = FileIntro::columnCount(most);
    if (!columns)
        return pass;
    pass.ok = true;
    pass.columns = *columns;
    return pass;
}

ReadOutcome ReadDelimitedText(QString text, LineRule rule, const ColumnPass &pass, const DelimitedFormat &format,
                              const ReadOptions &options)
{
    const QStringView delimiter = format.delimiter;
    const int columns = pass.columns;
    if (!pass.ok || columns < 1 || columns + 1 > kMaxRowCol)
        return {SheetData(1, 1), ReadResult::Overflow, 1};
    if (text.size() > kMaxTextChars)
        return {SheetData(1, 1), ReadResult::OutOfMemory, 1};

    const int cols = columns + 1;
    const qsizetype maxDataRows = std::min<qsizetype>(kMaxRowCol - 1, kMaxCells / cols - 1);
    SheetData data(int(std::min(pass.lines, maxDataRows)) + 1, cols);
    PoolBuilder pool(text.size());
    for (int c = 1; c <= columns; ++c)
        data.setCellRef(0, c, pool.label(c, kColumnLabelSuffix));
    // Saving quotes again what was quoted; a text without any quote costs nothing for it.
    if (format.commaMode() && text.contains(u'"'))
        data.reserveQuoted();

    RowsRead read;
    if (format.commaMode()) {
        read = readAllRows(text, rule, options, data, maxDataRows, pass.lineEnd, pool,
                           [&](qsizetype from, PoolBuilder &partPool, RowSink &sink) {
                               return CommaModeRows(text, rule, columns, from, partPool, sink);
                           });
    } else {
        read = readAllRows(text, rule, options, data, maxDataRows, pass.lineEnd, pool,
                           [&](qsizetype from, PoolBuilder &partPool, RowSink &sink) {
                               return DelimiterModeRows(text, rule, columns, delimiter, from, partPool, sink);
                           });
    }
    data.resize(read.rowsUsed, cols);
    for (const auto &[row, lineEnd] : read.lineEnds) {
        if (row < read.rowsUsed)
            data.setLineEnd(row, lineEnd);
    }
    // The decoded text still has the room reserved for decoding, which nearly always holds the
    // labels and joined fields: appending into it never moves the file's text (moving it would
    // copy every character into fresh memory). Packing then moves the texts down over the
    // delimiters and line ends and shrinks the block where it lies, so that the sheet holds its
    // texts and nothing else.
    const qsizetype fileChars = text.size();
    text.append(pool.take());
    text.append(read.secondAdditions);
    data.setPool(std::move(text));
    data.packPool(fileChars);
    int firstRowNotRead = 0;
    if (read.result != ReadResult::Complete)
        firstRowNotRead = read.lastRowWhole ? read.rowsUsed : read.rowsUsed - 1;
    return {std::move(data), read.result, firstRowNotRead};
}

PieceLimits sheetLimits(int columns)
{
    PieceLimits limits;
    limits.maxDataRows = std::min<qsizetype>(kMaxRowCol - 1, kMaxCells / (qsizetype(columns) + 1) - 1);
    return limits;
}

PieceLimits readLimits(int columns, bool sheetLimits)
{
    if (sheetLimits)
        return MMS_GRID_CSV_READ::sheetLimits(columns);
    PieceLimits limits;
    limits.maxDataRows = std::numeric_limits<int>::max() - 1;
    limits.maxColumns = int(kMaxCells - 1);
    return limits;
}

qsizetype columnLabelChars(int columns)
{
    qsizetype chars = 0;
    for (qsizetype digits = 1, from = 1; from <= columns; ++digits, from *= 10)
        chars += (std::min<qsizetype>(columns, from * 10 - 1) - from + 1) * (digits + 1);
    return chars;
}

PieceOutcome ReadDelimitedPiece(QString text, qsizetype stopAt, bool last, LineRule rule, int columns,
                                const DelimitedFormat &format, int firstRow, const PieceLimits &limits,
                                qsizetype extraCharsBefore)
{
    const QStringView delimiter = format.delimiter;
    PieceOutcome outcome;
    if (columns < 1 || columns > limits.maxColumns) {
        outcome.result = ReadResult::Overflow;
        outcome.final = true;
        return outcome;
    }
    const int cols = columns + 1;
    const int rowBase = firstRow - 1;
    // Room for a few rows; the sink doubles it as rows come.
    outcome.data = SheetData(int(std::min<qsizetype>(limits.maxDataRows - rowBase, 64)) + 1, cols);
    PoolBuilder pool(text.size(), extraCharsBefore);
    RowSink sink(outcome.data, limits.maxDataRows, LineEnd::CrLf, firstRow, rowBase);
    constexpr qsizetype kToTheEnd = std::numeric_limits<qsizetype>::max();
    const qsizetype stop = last ? kToTheEnd : stopAt;
    int row = firstRow;
    std::optional<ReadResult> result;
    qsizetype position = 0;
    if (format.commaMode()) {
        CommaModeRows rows(text, rule, columns, 0, pool, sink);
        result = rows.readRows(row, stop);
        position = rows.position();
        outcome.nextLine = position;
    } else {
        DelimiterModeRows rows(text, rule, columns, delimiter, 0, pool, sink);
        result = rows.readRows(row, stop);
        position = rows.position();
        outcome.nextLine = position;
    }
    if (!last) {
        // The end of the piece is no end of the text: a read that met it proves nothing. A limit
        // (a row past the last one allowed, the added text full) is met before the end and holds.
        const bool metTheEnd
            = result ? (*result == ReadResult::Complete || *result == ReadResult::PastEnd) : position != stopAt;
        if (metTheEnd || (!result && row == firstRow)) {
            // The text still goes with the data, so that its buffer can be used again.
            outcome.needsMore = true;
            outcome.data.setPool(std::move(text));
            return outcome;
        }
    }
    if (result) {
        outcome.result = *result;
        outcome.final = true;
    }
    outcome.rowsRead = sink.rowsUsed() - 1 - rowBase;
    outcome.lastRowWhole = sink.lastRowWhole();
    outcome.extraChars = extraCharsBefore + pool.mark();
    outcome.data.resize(outcome.rowsRead + 1, cols);
    text.append(pool.take());
    outcome.data.setPool(std::move(text));
    return outcome;
}

} // namespace MMS_GRID_CSV_READ
