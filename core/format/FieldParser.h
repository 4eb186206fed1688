#pragma once

#include "MCsvHenKan.h"
#include "MMS_GRID_CSV_READ.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

// The reader's field parser: the text a read adds to the pool, and the fields of the comma mode
// read from the padded copy. Only the reader's drivers (MMS_GRID_CSV_READ.cpp) include it. It is
// all in an unnamed namespace, defined here: the row loops call it for every field, and only with
// internal linkage does the compiler inline it into them as it would within one file (with
// external linkage the comma mode reads its cells measurably slower).
namespace MMS_GRID_CSV_READ
{
namespace
{
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
    // `before`: text added by the pieces of the same file read before this one.
    explicit PoolBuilder(qsizetype base, qsizetype before = 0)
        : m_base(base)
        , m_before(before)
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
        return m_before + m_extra.size() > kMaxExtraChars;
    }
    [[nodiscard]] QString take()
    {
        return std::move(m_extra);
    }

private:
    qsizetype m_base;
    qsizetype m_before;
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

    // Starts at offset startInLine of the padded line that starts at `from`.
    CommaFieldReader(QStringView text, LineRule rule, int columns, qsizetype from, PoolBuilder &pool,
                     qsizetype startInLine = 0)
        : m_lines(columns, text, rule, from)
        , m_pool(pool)
        , m_text(text)
        , m_rule(rule)
    {
        advanceLine();
        if (m_hasLine)
            m_pos = std::min(startInLine, m_lines.line().text.size() + m_lines.line().padding);
    }

    [[nodiscard]] bool atEnd() const
    {
        return !m_hasLine;
    }
    [[nodiscard]] bool copyFailed() const
    {
        return m_copyFailed;
    }
    // Where the next field starts in the text (its end after the last line).
    [[nodiscard]] qsizetype position() const
    {
        return m_hasLine ? m_lines.line().start + m_pos : m_text.size();
    }

    // Whether the next field starts a line of the copy. Not so in the padding commas after a
    // line's text, whose positions fall on the next line's start.
    [[nodiscard]] bool atLineStart() const
    {
        return m_hasLine && m_pos == 0;
    }
    // Where the next field starts: the start of its line of the copy in the text, and the offset in
    // that padded line (past the line's text in its padding).
    [[nodiscard]] std::pair<qsizetype, qsizetype> placeInLine() const
    {
        return {m_hasLine ? m_lines.line().start : m_text.size(), m_hasLine ? m_pos : 0};
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
} // namespace
} // namespace MMS_GRID_CSV_READ
