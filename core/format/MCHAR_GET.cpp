#include "MCHAR_GET.h"

namespace MCHAR_GET
{

qsizetype firstCharSize(QStringView delimiter)
{
    return delimiter.size() >= 2 && delimiter[0].isHighSurrogate() && delimiter[1].isLowSurrogate() ? 2 : 1;
}

QStringView GetFieldView(QStringView line, QStringView delimiter, int n)
{
    if (n < 1)
        return {};
    if (delimiter.isEmpty())
        return n == 1 ? line : QStringView();
    const qsizetype step = firstCharSize(delimiter);
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        const qsizetype at = line.indexOf(delimiter, start);
        if (at < 0)
            return {};
        start = at + step;
    }
    const qsizetype end = line.indexOf(delimiter, start);
    return line.sliced(start, (end < 0 ? line.size() : end) - start);
}

QString GetField(QStringView line, QStringView delimiter, int n)
{
    return GetFieldView(line, delimiter, n).toString();
}

} // namespace MCHAR_GET
