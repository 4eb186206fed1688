#include "MMS_GRID_CSV_READ.h"

#include "CharScan.h"
#include "MCHAR_CHK.h"
#include "MCHAR_GET.h"
#include "MCsvHenKan.h"

#include <QScopeGuard>

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace MMS_GRID_CSV_READ
{
namespace
{

constexpr char16_t kColumnLabelSuffix = u'列';
constexpr char16_t kRowLabelSuffix = u'行';

// Cells point into the pool with 32-bit offsets.
constexpr qsizetype kMaxPoolChars = qsizetype(std::numeric_limits<quint32>::max());
// Text a read may add to the pool beyond the file's own: the header labels and the fields that are
// not one slice of the file (a quoted field with text after its closing quote, or one that runs
// over line ends). A quote left open at the top of a large file would otherwise copy the whole
// file with its padding commas into one cell; past this the read ends as one past the sheet's
// capacity.
constexpr qsizetype kMaxExtraChars = qsizetype(64) * 1024 * 1024;
constexpr qsizetype kMaxTextChars = (kMaxPoolChars - 2 * kMaxExtraChars) / 2;

// The line end of a line that stops at `at`; nothing for a last line without one.
std::optional<LineEnd> lineEndAt(QStringView text, qsizetype at, LineRule rule)
{
    if (at >= text.size())
        return std::nullopt;
    if (rule == LineRule::Lf)
        return LineEnd::Lf;
    return at + 1 < text.size() && text[at + 1] == u'\n' ? LineEnd::CrLf : LineEnd::Cr;
}

// Collects the text a read adds after the file's own text in the pool.
class PoolBuilder
{
public:
    explicit PoolBuilder(qsizetype base)
        : m_base(base)
    {
    }

    [[nodiscard]] static CellRef slice(qsizetype offset, qsizetype length)
    {
        if (length == 0)
            return {};
        return {quint32(offset), quint32(length)};
    }
    [[nodiscard]] qsizetype mark() const
    {
        return m_extra.size();
    }
    void append(QStringView text)
    {
        m_extra.append(text);
    }
    void appendCommas(int count)
    {
        m_extra.resize(m_extra.size() + count, u',');
    }
    void chop(qsizetype count)
    {
        m_extra.chop(count);
    }
    void truncate(qsizetype mark)
    {
        m_extra.truncate(mark);
    }
    [[nodiscard]] CellRef since(qsizetype mark) const
    {
        return slice(m_base + mark, m_extra.size() - mark);
    }
    [[nodiscard]] CellRef label(int number, char16_t suffix)
    {
        const qsizetype at = mark();
        m_extra.append(QString::number(number));
        m_extra.append(QChar(suffix));
        return since(at);
    }
    [[nodiscard]] bool full() const
    {
        return m_extra.size() > kMaxExtraChars;
    }
    [[nodiscard]] QString take()
    {
        return std::move(m_extra);
    }

private:
    qsizetype m_base;
    QString m_extra;
};

// Reads the fields of the padded copy in sequence, C per row, without regard to where a line
// ends: a quoted field that holds a comma yields one field less on its line, so the next line's
// first field fills the row, and every later row is shifted by one field.
//
// A field: blanks before it are skipped. A field starting with a double quote runs to the next
// double quote, commas, blanks and the copy's line ends included; a doubled quote is no escape
// (files written by this program put quotes around fields without doubling the ones inside, so the
// first quote of a pair must end the field). Text between the closing quote and the next comma or
// line end is kept after the quoted text. Any other field runs to the next comma or line end, its
// trailing blanks and any lone LF included. The comma or line end after a field is consumed.
class CommaFieldReader
{
public:
    enum class Status { Field, PastEnd, CopyFailed, PoolFull };

    CommaFieldReader(QStringView text, LineRule rule, int columns, PoolBuilder &pool)
        : m_lines(columns, text, rule)
        , m_pool(pool)
        , m_text(text)
        , m_rule(rule)
    {
        advanceLine();
    }

    [[nodiscard]] bool atEnd() const
    {
        return !m_hasLine;
    }
    [[nodiscard]] bool copyFailed() const
    {
        return m_copyFailed;
    }

    // The line end the last field read was followed by; nothing when a comma followed it.
    [[nodiscard]] std::optional<LineEnd> lineEndAfterField() const
    {
        return m_lineEndAfterField;
    }

    Status read(CellRef &ref)
    {
        m_lineEndAfterField.reset();
        if (m_copyFailed)
            return Status::CopyFailed;
        if (!m_hasLine)
            return Status::PastEnd;
        const MCsvHenKan::PaddedLine &line = m_lines.line();
        const QStringView text = line.text;
        while (m_pos < text.size() && text[m_pos] == u' ')
            ++m_pos;
        if (m_pos < text.size() && text[m_pos] == u'"')
            return readQuoted(ref);
        if (m_pos < text.size()) {
            const qsizetype end = nextCommaAtOrAfter(m_pos);
            ref = PoolBuilder::slice(line.start + m_pos, end - m_pos);
            m_pos = end;
        } else {
            ref = {}; // a padding comma or the line end
        }
        consumeSeparator();
        return Status::Field;
    }

private:
    Status readQuoted(CellRef &ref)
    {
        const MCsvHenKan::PaddedLine *line = &m_lines.line();
        const qsizetype contentStart = m_pos + 1;
        const qsizetype close = line->text.indexOf(u'"', contentStart);
        if (close >= 0) {
            m_pos = close + 1;
            const qsizetype end = nextCommaAtOrAfter(m_pos);
            if (end == m_pos) {
                ref = PoolBuilder::slice(line->start + contentStart, close - contentStart);
            } else {
                const qsizetype mark = m_pool.mark();
                m_pool.append(line->text.sliced(contentStart, close - contentStart));
                m_pool.append(line->text.sliced(m_pos, end - m_pos));
                ref = m_pool.since(mark);
            }
            m_pos = end;
            consumeSeparator();
            return Status::Field;
        }

        // The quotes run over the copy's line ends: the field holds them, CR LF and padding commas
        // as the copy has them.
        const qsizetype mark = m_pool.mark();
        m_pool.append(line->text.sliced(contentStart));
        m_pool.appendCommas(line->padding);
        m_pool.append(u"\r\n");
        advanceLine();
        while (m_hasLine) {
            if (m_pool.full()) {
                m_pool.truncate(mark);
                return Status::PoolFull;
            }
            line = &m_lines.line();
            const qsizetype closing = line->text.indexOf(u'"');
            if (closing >= 0) {
                m_pool.append(line->text.first(closing));
                m_pos = closing + 1;
                const qsizetype end = nextCommaAtOrAfter(m_pos);
                m_pool.append(line->text.sliced(m_pos, end - m_pos));
                ref = m_pool.since(mark);
                m_pos = end;
                consumeSeparator();
                return Status::Field;
            }
            m_pool.append(line->text);
            m_pool.appendCommas(line->padding);
            m_pool.append(u"\r\n");
            advanceLine();
        }
        if (m_copyFailed) {
            m_pool.truncate(mark);
            return Status::CopyFailed;
        }
        // The data ended inside the quotes: the field is the rest of the copy but its last line end.
        m_pool.chop(2);
        ref = m_pool.since(mark);
        return Status::Field;
    }

    void advanceLine()
    {
        switch (m_lines.next()) {
        case MCsvHenKan::PadCommaLines::Step::Line:
            m_hasLine = true;
            m_pos = 0;
            m_nextComma = 0;
            break;
        case MCsvHenKan::PadCommaLines::Step::End:
            m_hasLine = false;
            break;
        case MCsvHenKan::PadCommaLines::Step::TooManyCommas:
            m_hasLine = false;
            m_copyFailed = true;
            break;
        }
    }

    // Position of the line's next own comma at or after pos, or the line's length.
    qsizetype nextCommaAtOrAfter(qsizetype pos)
    {
        const std::vector<qsizetype> &commas = m_lines.line().commas;
        while (m_nextComma < commas.size() && commas[m_nextComma] < pos)
            ++m_nextComma;
        return m_nextComma < commas.size() ? commas[m_nextComma] : m_lines.line().text.size();
    }

    // m_pos is at a comma of the line, at a padding comma, or at the copy's CR LF.
    void consumeSeparator()
    {
        const MCsvHenKan::PaddedLine &line = m_lines.line();
        if (m_pos < line.text.size() + line.padding) {
            ++m_pos;
        } else {
            m_lineEndAfterField = lineEndAt(m_text, line.start + line.text.size(), m_rule);
            advanceLine();
        }
    }

    MCsvHenKan::PadCommaLines m_lines;
    PoolBuilder &m_pool;
    QStringView m_text;
    LineRule m_rule;
    std::optional<LineEnd> m_lineEndAfterField;
    bool m_hasLine = false;
    bool m_copyFailed = false;
    qsizetype m_pos = 0; // position in the current line of the copy
    size_t m_nextComma = 0;
};

// The sheet data a read fills: rows are added one at a time as the grid's Rows would be set, and
// refused past the row limit or the sheet's capacity.
class RowFiller
{
public:
    RowFiller(int columns, qsizetype lines, LineEnd commonLineEnd)
        : m_cols(columns + 1)
        , m_maxDataRows(std::min<qsizetype>(kMaxRowCol - 1, kMaxCells / m_cols - 1))
        , m_data(int(std::min(lines, m_maxDataRows)) + 1, m_cols)
        , m_commonLineEnd(commonLineEnd)
    {
    }

    // Makes room for data row `row`; nothing, or the error setting Rows would raise.
    [[nodiscard]] std::optional<ReadResult> addRow(int row)
    {
        if (row > m_maxDataRows)
            return row + 1 > kMaxRowCol ? ReadResult::Overflow : ReadResult::OutOfMemory;
        if (row >= m_data.rows())
            m_data.resize(int(std::min<qsizetype>(m_maxDataRows, qsizetype(row) * 2)) + 1, m_cols);
        m_rowsUsed = row + 1;
        return std::nullopt;
    }
    void set(int row, int col, CellRef ref)
    {
        m_data.setCellRef(row, col, ref);
    }
    // Only a line end that differs from the file's most common one is kept with the row.
    void setLineEnd(int row, std::optional<LineEnd> lineEnd)
    {
        if (lineEnd && *lineEnd != m_commonLineEnd)
            m_data.setLineEnd(row, lineEnd);
    }
    [[nodiscard]] SheetData finish(QString text, QString extra)
    {
        m_data.resize(m_rowsUsed, m_cols);
        // The decoded text still has the room reserved for decoding, which nearly always holds the
        // labels and joined fields: appending into it, then giving the rest back, never moves the
        // file's text (moving it would copy every character into fresh memory).
        if (!extra.isEmpty())
            text.append(extra);
        text.squeeze();
        m_data.setPool(std::move(text));
        return std::move(m_data);
    }

private:
    int m_cols;
    qsizetype m_maxDataRows;
    SheetData m_data;
    LineEnd m_commonLineEnd;
    int m_rowsUsed = 1;
};

ReadResult readCommaMode(QStringView text, LineRule rule, int columns, RowFiller &rows, PoolBuilder &pool)
{
    CommaFieldReader fields(text, rule, columns, pool);
    for (int row = 1; !fields.atEnd(); ++row) {
        if (const std::optional<ReadResult> refused = rows.addRow(row))
            return *refused;
        rows.set(row, 0, pool.label(row, kRowLabelSuffix));
        for (int c = 1; c <= columns; ++c) {
            CellRef ref;
            switch (fields.read(ref)) {
            case CommaFieldReader::Status::Field:
                rows.set(row, c, ref);
                if (c == columns)
                    rows.setLineEnd(row, fields.lineEndAfterField());
                break;
            case CommaFieldReader::Status::PastEnd:
                return ReadResult::PastEnd;
            case CommaFieldReader::Status::CopyFailed:
                return ReadResult::PaddedCopyFailed;
            case CommaFieldReader::Status::PoolFull:
                return ReadResult::OutOfMemory;
            }
        }
        if (pool.full())
            return ReadResult::OutOfMemory;
    }
    return fields.copyFailed() ? ReadResult::PaddedCopyFailed : ReadResult::Complete;
}

ReadResult readDelimiterMode(QStringView text, LineRule rule, int columns, QStringView delimiter, RowFiller &rows,
                             PoolBuilder &pool)
{
    const char16_t *chars = text.utf16();
    const qsizetype size = text.size();
    const char16_t lineEnd = rule == LineRule::Lf ? u'\n' : u'\r';
    const bool crLf = rule == LineRule::CrOrCrLf;
    qsizetype pos = 0;
    for (int row = 1; pos < size; ++row) {
        if (const std::optional<ReadResult> refused = rows.addRow(row))
            return *refused;
        rows.set(row, 0, pool.label(row, kRowLabelSuffix));
        qsizetype at = pos;
        int c = 1;
        qsizetype fieldStart = pos;
        if (delimiter.size() == 1) {
            // One pass over the line finds its end and every field.
            const char16_t mark = delimiter[0].unicode();
            while ((at = CharScan::findEither(chars, at, size, lineEnd, mark)) < size && chars[at] != lineEnd) {
                if (c <= columns)
                    rows.set(row, c, PoolBuilder::slice(fieldStart, at - fieldStart));
                ++c;
                fieldStart = ++at;
            }
        } else {
            // Fields as GetField cuts them: each search for the delimiter starts one character
            // after the previous match's start, so the rest of a longer delimiter begins the next
            // field. Found in one pass instead of one search from the line's start per field.
            at = text.indexOf(QChar(lineEnd), pos);
            if (at < 0)
                at = size;
            const QStringView line = text.sliced(pos, at - pos);
            if (!delimiter.isEmpty()) {
                // A delimiter outside the BMP is one character: the next field never starts with
                // half of it.
                const qsizetype step = MCHAR_GET::firstCharSize(delimiter);
                for (qsizetype from = 0; c <= columns; ++c) {
                    const qsizetype match = line.indexOf(delimiter, from);
                    if (match < 0)
                        break;
                    rows.set(row, c, PoolBuilder::slice(fieldStart, pos + match - fieldStart));
                    fieldStart = pos + match + step;
                    from = match + step;
                }
            }
        }
        if (c <= columns)
            rows.set(row, c, PoolBuilder::slice(fieldStart, at - fieldStart));
        rows.setLineEnd(row, lineEndAt(text, at, rule));
        pos = at < size ? at + 1 : size;
        if (crLf && pos < size && chars[pos] == u'\n')
            ++pos;
    }
    return ReadResult::Complete;
}

} // namespace

ColumnPass CountColumns(QStringView text, LineRule rule, int mode, QStringView delimiter)
{
    const QStringView mark = mode == kCommaMode ? QStringView(u",") : delimiter;
    qint64 most = 0;
    qsizetype lines = 0;
    qsizetype crLfEnds = 0;
    qsizetype crEnds = 0;
    if (mark.size() == 1) {
        const CharScan::LineCounts counts
            = CharScan::countLines(text.utf16(), text.size(), rule == LineRule::Lf ? u'\n' : u'\r', mark[0].unicode());
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
    // C + 1 columns must stay a 16-bit number: 32767 delimiters on a line cannot be held.
    if (most >= kMaxRowCol)
        return pass;
    pass.ok = true;
    pass.columns = int(most) + 1;
    return pass;
}

ReadOutcome ReadDelimitedText(QString text, LineRule rule, const ColumnPass &pass, int mode, QStringView delimiter)
{
    const int columns = pass.columns;
    if (!pass.ok || columns < 1 || columns + 1 > kMaxRowCol)
        return {SheetData(1, 1), ReadResult::Overflow};
    if (text.size() > kMaxTextChars)
        return {SheetData(1, 1), ReadResult::OutOfMemory};

    RowFiller rows(columns, pass.lines, pass.lineEnd);
    PoolBuilder pool(text.size());
    for (int c = 1; c <= columns; ++c)
        rows.set(0, c, pool.label(c, kColumnLabelSuffix));

    ReadResult result;
    if (mode == kCommaMode)
        result = readCommaMode(text, rule, columns, rows, pool);
    else
        result = readDelimiterMode(text, rule, columns, delimiter, rows, pool);
    if (result == ReadResult::PaddedCopyFailed)
        return {SheetData(1, 1), result}; // no copy, no data
    return {rows.finish(std::move(text), pool.take()), result};
}

ReadResult ReadDelimitedFile(Sheet &grid, QString text, LineRule rule, const ColumnPass &pass, int mode,
                             QStringView delimiter)
{
    const bool redraw = grid.redraw();
    grid.setRedraw(false);
    const auto restoreRedraw = qScopeGuard([&grid, redraw] { grid.setRedraw(redraw); });
    ReadOutcome outcome = ReadDelimitedText(std::move(text), rule, pass, mode, delimiter);
    // The grid goes down to its header cell before it takes the new contents, so the current
    // cell, the selection and the scroll position of the previous file do not carry over. Only
    // once the read has its data: a read that throws leaves the previous file's cells in place.
    grid.setCols(1);
    grid.setRows(1);
    grid.setData(std::move(outcome.data));
    // A complete read marks the header row and column fixed, which puts the current cell on the
    // first data cell; a read that stopped early leaves it on the header cell.
    if (outcome.result == ReadResult::Complete && grid.rows() > 1 && grid.cols() > 1)
        grid.setCurrentCell(1, 1);
    return outcome.result;
}

} // namespace MMS_GRID_CSV_READ
