#include "LineReader.h"

LineRule lineRuleFor(QStringView text)
{
    return text.contains(u'\r') ? LineRule::CrOrCrLf : LineRule::Lf;
}

std::optional<QStringView> LineReader::next()
{
    if (atEnd())
        return std::nullopt;
    const qsizetype start = m_pos;
    const QChar end(lineEndChar(m_rule));
    qsizetype at = m_text.indexOf(end, start);
    if (at < 0) {
        m_pos = m_text.size();
        return m_text.sliced(start);
    }
    m_pos = at + 1;
    if (m_rule == LineRule::CrOrCrLf && m_pos < m_text.size() && m_text[m_pos] == u'\n')
        ++m_pos;
    return m_text.sliced(start, at - start);
}
