#include "MCsvHenKan.h"

#include "CharScan.h"

namespace MCsvHenKan
{

PadCommaLines::PadCommaLines(int columns, QStringView source, LineRule rule, qsizetype from)
    : m_columns(columns)
    , m_source(source)
    , m_lineEnd(lineEndChar(rule))
    , m_crLf(rule == LineRule::CrOrCrLf)
    , m_pos(from)
{
}

PadCommaLines::Step PadCommaLines::next()
{
    const qsizetype size = m_source.size();
    if (m_pos >= size)
        return Step::End;
    const char16_t *chars = m_source.utf16();
    const qsizetype start = m_pos;
    m_line.commas.clear();
    qsizetype at = start;
    while ((at = CharScan::findEither(chars, at, size, m_lineEnd, u',')) < size && chars[at] != m_lineEnd)
        m_line.commas.push_back(at++ - start);
    m_line.text = m_source.sliced(start, at - start);
    m_line.start = start;
    m_pos = at < size ? at + 1 : size;
    if (m_crLf && m_pos < size && chars[m_pos] == u'\n')
        ++m_pos;
    const qsizetype count = qsizetype(m_line.commas.size());
    if (count > m_columns)
        return Step::TooManyCommas;
    m_line.padding = int(std::max<qsizetype>(0, m_columns - 1 - count));
    return Step::Line;
}

std::optional<QString> PadCommaLines::copy(int columns, QStringView source, LineRule rule)
{
    PadCommaLines lines(columns, source, rule);
    QString out;
    while (true) {
        switch (lines.next()) {
        case Step::End:
            return out;
        case Step::TooManyCommas:
            return std::nullopt;
        case Step::Line:
            out += lines.line().text;
            out += QString(lines.line().padding, u',');
            out += u"\r\n";
            break;
        }
    }
}

} // namespace MCsvHenKan
