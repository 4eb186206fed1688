#include "DelimiterRules.h"

#include <algorithm>

qsizetype delimiterLength(QStringView text)
{
    qsizetype length = 0;
    for (qsizetype at = 0; at < text.size(); ++at, ++length) {
        if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
            ++at;
    }
    return length;
}

void limitDelimiterText(QString &text, int &caret, qsizetype maxChars)
{
    qsizetype excess = delimiterLength(text) - std::max<qsizetype>(maxChars, 0);
    if (excess <= 0)
        return;
    const auto charBefore = [&text](qsizetype end) {
        return end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate() ? 2 : 1;
    };
    qsizetype end = std::clamp<qsizetype>(caret, 0, text.size());
    qsizetype start = end;
    for (; excess > 0 && start > 0; --excess)
        start -= charBefore(start);
    text.remove(start, end - start);
    caret = int(start);
    // More than was typed before the caret (a text set whole): cut from the end.
    end = text.size();
    start = end;
    for (; excess > 0 && start > 0; --excess)
        start -= charBefore(start);
    text.truncate(start);
    caret = std::min(caret, int(text.size()));
}

bool isBlankDelimiter(const QString &text)
{
    for (const QChar c : text)
        if (c != u' ')
            return false;
    return true;
}
