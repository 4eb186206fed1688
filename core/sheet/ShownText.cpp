#include "ShownText.h"

QString shownText(QStringView text)
{
    if (text.size() <= kMaxShownLength)
        return text.toString();
    qsizetype length = kMaxShownLength;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    QString shown;
    shown.reserve(length + 1);
    shown.append(text.first(length));
    shown.append(QChar(kCutMark));
    return shown;
}
