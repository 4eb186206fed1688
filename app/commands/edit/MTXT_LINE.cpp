#include "MTXT_LINE.h"

namespace MTXT_LINE
{

TextLineStatus GetTextLine(QStringView text, qsizetype n, QString &line)
{
    line.clear();
    if (n < 1)
        return TextLineStatus::Failed;
    constexpr QStringView kCrLf = u"\r\n";
    qsizetype position = 0;
    for (qsizetype skipped = 1; skipped < n; ++skipped) {
        const qsizetype found = text.indexOf(kCrLf, position);
        if (found < 0)
            return TextLineStatus::NoSuchLine;
        position = found + kCrLf.size();
    }
    const qsizetype end = text.indexOf(kCrLf, position);
    if (end < 0)
        return TextLineStatus::NoLineEnd;
    line = text.mid(position, end - position).toString();
    return TextLineStatus::Found;
}

LineCursor::LineCursor(QStringView text)
    : m_text(text)
    , m_lineEnd(text.contains(u'\r') ? QStringView(u"\r\n") : QStringView(u"\n"))
{
}

bool LineCursor::next(QStringView &line)
{
    const qsizetype end = m_text.indexOf(m_lineEnd, m_position);
    if (end < 0)
        return false;
    line = m_text.mid(m_position, end - m_position);
    m_position = end + m_lineEnd.size();
    return true;
}

} // namespace MTXT_LINE
