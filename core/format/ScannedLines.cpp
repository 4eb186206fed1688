#include "ScannedLines.h"

#include <cstring>

namespace
{
// The bytes the line rule is guessed from.
constexpr qsizetype kRuleProbeBytes = qsizetype(64) * 1024;

// Whether the line rule guessed held for the bytes counted: CR holds whatever follows, LF only
// where no CR came.
bool ruleHeld(LineRule rule, const ByteCounts &counts)
{
    return rule == LineRule::CrOrCrLf || !counts.anyCr;
}
} // namespace

ScannedLines::ScannedLines(const OpenedText &file, qint64 from, qint64 until, LineRule rule, qsizetype pieceBytes,
                           char quote, bool scans)
    : m_file(file)
    , m_offset(from)
    , m_until(until)
    , m_scans(scans)
    , m_pieceBytes(std::max<qsizetype>(pieceBytes, 16))
    , m_quote(quote)
    , m_rule(rule)
    , m_lineEnd(char(lineEndChar(rule)))
{
    m_counts.mark = file.delimiter();
    m_bytes.resize(m_pieceBytes);
}

bool ScannedLines::fill()
{
    if (m_eof)
        return false;
    if (m_pos > 0) {
        std::memmove(m_bytes.data(), m_bytes.constData() + m_pos, size_t(m_filled - m_pos));
        m_filled -= m_pos;
        m_pos = 0;
    }
    if (m_bytes.size() - m_filled < m_pieceBytes / 2)
        m_bytes.resize(std::max(m_bytes.size() * 2, m_filled + m_pieceBytes));
    if (m_offset >= m_until) {
        m_pastUntil = true;
        return false;
    }
    char *to = m_bytes.data() + m_filled;
    const ssize_t got
        = m_file.readAt(m_offset, to, size_t(std::min<qint64>(m_bytes.size() - m_filled, m_until - m_offset)));
    if (got <= 0) {
        m_eof = true;
        m_utf8.finish();
        m_holds = m_holds && got == 0 && m_utf8.valid();
        return false;
    }
    if (m_scans) {
        const bool quoted = m_counts.add(to, got, m_quote);
        m_utf8.add(to, size_t(got));
        m_holds = !quoted && m_utf8.valid() && ruleHeld(m_rule, m_counts);
        if (!m_holds) {
            m_eof = true;
            return false;
        }
    }
    m_filled += got;
    m_offset += got;
    return true;
}

void ScannedLines::settle()
{
    if (!m_afterCr)
        return;
    if (m_pos == m_filled)
        (void)fill();
    m_afterCr = false;
    if (m_pos < m_filled && m_bytes.constData()[m_pos] == '\n')
        ++m_pos;
}

bool ScannedLines::next(std::string_view &line)
{
    settle();
    qsizetype searched = 0; // bytes from m_pos on without a line end
    while (true) {
        const char *start = m_bytes.constData() + m_pos;
        const auto *found
            = static_cast<const char *>(std::memchr(start + searched, m_lineEnd, size_t(m_filled - m_pos - searched)));
        if (found) {
            line = std::string_view(start, size_t(found - start));
            m_pos += qsizetype(found - start) + 1;
            m_afterCr = m_lineEnd == '\r';
            return true;
        }
        searched = m_filled - m_pos;
        if (!fill()) {
            // The last line, without a line end; nothing after the last line end is no line.
            if (searched == 0 || !m_holds || m_pastUntil)
                return false;
            line = std::string_view(m_bytes.constData() + m_pos, size_t(searched));
            m_pos = m_filled;
            return true;
        }
    }
}

bool ScannedLines::nextLike(std::string_view other, std::string_view &line, bool &same)
{
    settle();
    same = false;
    // Without a line end in it, `other` is this line exactly when its bytes come next, followed by
    // a line end.
    const size_t size = other.size();
    const char *at = m_bytes.constData() + m_pos;
    if (size_t(m_filled - m_pos) > size && at[size] == m_lineEnd && std::memcmp(at, other.data(), size) == 0) {
        line = std::string_view(at, size);
        m_pos += qsizetype(size) + 1;
        m_afterCr = m_lineEnd == '\r';
        same = true;
        return true;
    }
    return next(line);
}

void ScannedLines::endAtUntil()
{
    // A character cut short by the line end does not hold, as at the text's end.
    m_utf8.finish();
    m_holds = m_holds && m_utf8.valid();
}

qint64 ScannedLines::nextLineStart()
{
    settle();
    return m_offset - m_filled + m_pos;
}

std::optional<LineRule> guessedLineRule(const OpenedText &file)
{
    QByteArray probe(kRuleProbeBytes, Qt::Uninitialized);
    const ssize_t got = file.readAt(file.head().markBytes, probe.data(), size_t(probe.size()));
    if (got < 0)
        return std::nullopt;
    return std::memchr(probe.constData(), '\r', size_t(got)) ? LineRule::CrOrCrLf : LineRule::Lf;
}

qint64 mostMarksOf(const ByteCounts &earlier, const ByteCounts &later)
{
    if (earlier.anyCr || later.anyCr)
        return std::max({earlier.mostCr, earlier.marksSinceCr, later.mostCr, later.marksSinceCr});
    return std::max({earlier.mostLf, earlier.marksSinceLf, later.mostLf, later.marksSinceLf});
}

std::optional<qint64> lineStartFrom(const OpenedText &file, qint64 at, LineRule rule, qsizetype within)
{
    // The line end before `at` counts too: a line may start at `at` itself.
    const qint64 from = std::max<qint64>(at - 1, file.head().markBytes);
    QByteArray bytes(within, Qt::Uninitialized);
    const ssize_t got = file.readAt(from, bytes.data(), size_t(bytes.size()));
    if (got <= 0)
        return std::nullopt;
    const char lineEnd = char(lineEndChar(rule));
    const qsizetype skip = at - from;
    const auto *found = static_cast<const char *>(std::memchr(bytes.constData() + skip, lineEnd, size_t(got - skip)));
    if (skip > 0 && bytes[0] == lineEnd)
        found = bytes.constData();
    if (!found)
        return std::nullopt;
    qsizetype start = qsizetype(found - bytes.constData()) + 1;
    // A CR's LF belongs to its line end, and must be among the bytes read to be seen.
    if (lineEnd == '\r') {
        if (start >= got)
            return std::nullopt;
        if (bytes[start] == '\n')
            ++start;
    }
    if (start >= got)
        return std::nullopt; // the text's end, or nothing seen after the line end
    return from + start;
}
