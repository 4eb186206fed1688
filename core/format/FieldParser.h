#pragma once

#include "CharScan.h"
#include "FieldSplitter.h"
#include "MMS_GRID_CSV_READ.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The reader's field parser: the text a read adds to the pool, the fields of the comma mode and
// their count in the column pass. The reader's drivers (MMS_GRID_CSV_READ.cpp) and the streamed
// read's column pass (SheetStream.cpp) include it. It is
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

// Reads the fields of the comma mode one record at a time, as spreadsheet programs write them, cut
// by FieldSplitter::commaFieldAt (a field that is not one stretch of the text is put together in the
// pool). A record ends at a line end outside quotes or at the end of the text.
class CommaFieldReader
{
public:
    enum class Status {
        Field,
        Unclosed, // a quoted field runs to the end of the text
        PoolFull,
    };

    // Starts at `from`, which must be the start of a record.
    CommaFieldReader(QStringView text, LineRule rule, qsizetype from, PoolBuilder &pool)
        : m_text(text)
        , m_pool(pool)
        , m_rule(rule)
        , m_lineEnd(lineEndChar(rule))
        , m_pos(from)
    {
    }

    [[nodiscard]] bool atEnd() const
    {
        return m_pos >= m_text.size();
    }
    // Where the next field starts in the text.
    [[nodiscard]] qsizetype position() const
    {
        return m_pos;
    }
    // Whether the last field read was quoted.
    [[nodiscard]] bool quoted() const
    {
        return m_quoted;
    }
    // Whether the last field read ended its record.
    [[nodiscard]] bool recordEnded() const
    {
        return m_recordEnded;
    }
    // The line end that ended the record of the last field read; nothing at the end of the text or
    // when a comma followed the field.
    [[nodiscard]] std::optional<LineEnd> lineEndAfterField() const
    {
        return m_lineEndAfterField;
    }

    Status read(CellRef &ref)
    {
        m_lineEndAfterField.reset();
        const FieldSplitter::CommaField field
            = FieldSplitter::commaFieldAt(m_text.utf16(), m_pos, m_text.size(), m_lineEnd);
        m_quoted = field.quoted();
        if (field.unclosed) {
            m_pos = field.start - 1; // the opening quote
            return Status::Unclosed;
        }
        if (field.isSlice()) {
            ref = PoolBuilder::slice(field.start, field.sliceLength());
        } else {
            // Doubled quotes, or text after the closing quote: the field is put together in the pool.
            const qsizetype mark = m_pool.mark();
            FieldSplitter::appendFieldText(m_text.utf16(), field, [this](const char16_t *chars, qsizetype size) {
                m_pool.append(QStringView(chars, size));
            });
            ref = m_pool.since(mark);
        }
        consumeSeparator(field.end);
        return m_quoted && m_pool.full() ? Status::PoolFull : Status::Field;
    }

private:
    void consumeSeparator(qsizetype at)
    {
        const qsizetype size = m_text.size();
        if (at < size && m_text[at] == u',') {
            m_pos = at + 1;
            m_recordEnded = false;
            return;
        }
        m_recordEnded = true;
        m_lineEndAfterField = lineEndAt(m_text, at, m_rule);
        m_pos = at < size ? at + 1 : size;
        if (m_rule == LineRule::CrOrCrLf && m_pos < size && m_text[m_pos] == u'\n')
            ++m_pos;
    }

    QStringView m_text;
    PoolBuilder &m_pool;
    LineRule m_rule;
    char16_t m_lineEnd;
    qsizetype m_pos;
    bool m_recordEnded = true;
    bool m_quoted = false;
    std::optional<LineEnd> m_lineEndAfterField;
};

// Counts the fields of the comma mode's records under the reader's rules, a block of characters
// (or, in a file's bytes, of bytes) at a time, so that the column pass of a text and of a file
// streamed in pieces agree with the reader. It keeps FieldSplitter's rule as states of its own
// rather than calling commaFieldAt(): a file's bytes come in pieces cut anywhere, inside a quoted
// field too, and a search per field would cost the pass several times its masks' time.
template<typename Char>
class CommaRecordCounter
{
public:
    explicit CommaRecordCounter(LineRule rule)
        : m_lineEnd(Char(lineEndChar(rule)))
        , m_crLf(rule == LineRule::CrOrCrLf)
    {
    }

    void add(const Char *chars, qsizetype size)
    {
        qsizetype at = 0;
#if defined(__SSE2__)
        // Sixty-four characters at a time: most of a block is passed over by its masks, and only
        // its quotes and line ends are looked at one by one.
        for (; at + 64 <= size; at += 64)
            addBlock(chars + at);
#endif
        for (; at < size; ++at)
            addOne(chars[at]);
    }

    // After the last block: the record the text ends in, when it has no line end.
    void finish()
    {
        if (m_afterCr) {
            m_afterCr = false;
            ++m_crEnds;
        }
        // A quoted field never closed runs over every line end after it.
        if (m_state == State::Quoted)
            m_lineEndQuoted = true;
        if (m_commas > 0 || m_state != State::FieldStart || m_open)
            endRecord();
    }

    // Whether a line end (of the rule's line end character) lies inside a quoted field, or one is
    // never closed: without either, every quoted field ends on the line it starts on.
    [[nodiscard]] bool quotedFieldsCrossLines() const
    {
        return m_lineEndQuoted;
    }

    [[nodiscard]] qint64 mostCommas() const
    {
        return m_most;
    }
    [[nodiscard]] qsizetype records() const
    {
        return m_records;
    }
    [[nodiscard]] qsizetype crLfEnds() const
    {
        return m_crLfEnds;
    }
    [[nodiscard]] qsizetype crEnds() const
    {
        return m_crEnds;
    }

private:
    enum class State { FieldStart, Plain, Quoted, QuoteInQuoted, AfterQuote };

    void addOne(Char ch)
    {
        if (m_afterCr) {
            m_afterCr = false;
            if (ch == Char('\n')) {
                ++m_crLfEnds;
                return;
            }
            ++m_crEnds;
        }
        switch (m_state) {
        case State::FieldStart:
            m_open = true;
            if (ch == Char(' '))
                break;
            if (ch == Char('"')) {
                m_state = State::Quoted;
                break;
            }
            m_state = State::Plain;
            [[fallthrough]];
        case State::Plain:
        case State::AfterQuote:
            separator(ch);
            break;
        case State::Quoted:
            if (ch == Char('"'))
                m_state = State::QuoteInQuoted;
            else if (ch == m_lineEnd)
                m_lineEndQuoted = true;
            break;
        case State::QuoteInQuoted:
            if (ch == Char('"')) {
                m_state = State::Quoted;
                break;
            }
            m_state = State::AfterQuote;
            separator(ch);
            break;
        }
    }

#if defined(__SSE2__)
    // Bit i of each mask stands for chars[i].
    struct BlockMasks
    {
        quint64 stops = 0; // quotes and line ends
        quint64 commas = 0;
    };

    // Sixteen of the block's characters as bytes: a UTF-16 unit past Latin-1 becomes 0x00 or 0xFF,
    // which is none of the characters looked for.
    static __m128i bytesAt(const Char *chars)
    {
        if constexpr (sizeof(Char) == 1) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars));
        } else {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars + 8));
            return _mm_packus_epi16(low, high);
        }
    }

    BlockMasks masksOf(const Char *chars) const
    {
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i comma = _mm_set1_epi8(',');
        const __m128i lineEnd = _mm_set1_epi8(char(m_lineEnd));
        BlockMasks masks;
        for (int part = 0; part < 4; ++part) {
            const __m128i block = bytesAt(chars + 16 * part);
            const int shift = 16 * part;
            const __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(block, quote), _mm_cmpeq_epi8(block, lineEnd));
            masks.stops |= quint64(unsigned(_mm_movemask_epi8(stops))) << shift;
            masks.commas |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma)))) << shift;
        }
        return masks;
    }

    // The blanks of the block; only asked for when a field after a comma starts with one.
    static quint64 blanksOf(const Char *chars)
    {
        const __m128i blank = _mm_set1_epi8(' ');
        quint64 blanks = 0;
        for (int part = 0; part < 4; ++part) {
            const __m128i block = bytesAt(chars + 16 * part);
            blanks |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, blank)))) << (16 * part);
        }
        return blanks;
    }

    // Without the processor's bit count the compiler would call a library function for each count.
    static int bitCount(quint64 bits)
    {
        bits -= (bits >> 1) & 0x5555555555555555ULL;
        bits = (bits & 0x3333333333333333ULL) + ((bits >> 2) & 0x3333333333333333ULL);
        bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
        return int((bits * 0x0101010101010101ULL) >> 56);
    }

    // What addOne() does for each of the 64 characters: inside a quoted field the block is passed
    // over from quote to quote; outside one, the commas before the next quote or line end are
    // counted at once, and the stretch after the last of them tells whether a quote there would
    // open a field.
    void addBlock(const Char *chars)
    {
        const BlockMasks masks = masksOf(chars);
        int pos = 0;
        while (pos < 64) {
            if (m_afterCr) {
                m_afterCr = false;
                if (chars[pos] == Char('\n')) {
                    ++m_crLfEnds;
                    ++pos;
                    continue;
                }
                ++m_crEnds;
            }
            const quint64 from = ~quint64(0) << pos;
            if (m_state == State::Quoted) {
                // Line ends inside a quoted field are text.
                quint64 quotes = masks.stops & from;
                while (quotes != 0 && chars[__builtin_ctzll(quotes)] != Char('"')) {
                    m_lineEndQuoted = true;
                    quotes &= quotes - 1;
                }
                if (quotes == 0)
                    return;
                pos = __builtin_ctzll(quotes) + 1;
                m_state = State::QuoteInQuoted;
                continue;
            }
            if (m_state == State::QuoteInQuoted) {
                if (chars[pos] == Char('"')) {
                    m_state = State::Quoted;
                    ++pos;
                    continue;
                }
                m_state = State::AfterQuote;
            }
            const quint64 stops = masks.stops & from;
            const int stop = stops ? __builtin_ctzll(stops) : 64;
            const quint64 range = stop == 64 ? from : from & ((quint64(1) << stop) - 1);
            if (range != 0) {
                m_open = true;
                quint64 tail = range; // after the last comma of the range
                if (const quint64 commas = masks.commas & range) {
                    m_commas += bitCount(commas);
                    const int last = 63 - __builtin_clzll(commas);
                    tail = last == 63 ? 0 : range & (~quint64(0) << (last + 1));
                    m_state = State::FieldStart;
                }
                if (m_state == State::FieldStart && tail != 0
                    && (chars[__builtin_ctzll(tail)] != Char(' ') || (tail & ~blanksOf(chars)) != 0))
                    m_state = State::Plain;
            }
            if (stop == 64)
                return;
            pos = stop + 1;
            if (chars[stop] == m_lineEnd) {
                endRecord();
                m_afterCr = m_crLf;
                continue;
            }
            // A quote opens a quoted field where the field starts; elsewhere it is text.
            m_open = true;
            if (m_state == State::FieldStart)
                m_state = State::Quoted;
        }
    }
#endif

    void separator(Char ch)
    {
        m_open = true;
        if (ch == Char(',')) {
            ++m_commas;
            m_state = State::FieldStart;
        } else if (ch == m_lineEnd) {
            endRecord();
            m_afterCr = m_crLf;
        }
    }
    void endRecord()
    {
        m_most = std::max(m_most, m_commas);
        ++m_records;
        m_commas = 0;
        m_open = false;
        m_state = State::FieldStart;
    }

    Char m_lineEnd;
    bool m_crLf;
    State m_state = State::FieldStart;
    bool m_afterCr = false;
    bool m_lineEndQuoted = false;
    bool m_open = false; // the record has begun
    qint64 m_commas = 0;
    qint64 m_most = 0;
    qsizetype m_records = 0;
    qsizetype m_crLfEnds = 0;
    qsizetype m_crEnds = 0;
};
} // namespace
} // namespace MMS_GRID_CSV_READ
