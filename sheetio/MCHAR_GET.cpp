#include "MCHAR_GET.h"

namespace MCHAR_GET
{

QStringView GetFieldView(QStringView line, QStringView delimiter, int n)
{
    if (n < 1)
        return {};
    if (delimiter.isEmpty())
        return n == 1 ? line : QStringView();
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        const qsizetype at = line.indexOf(delimiter, start);
        if (at < 0)
            return {};
        start = at + 1;
    }
    const qsizetype end = line.indexOf(delimiter, start);
    return line.sliced(start, (end < 0 ? line.size() : end) - start);
}

QString GetField(QStringView line, QStringView delimiter, int n)
{
    return GetFieldView(line, delimiter, n).toString();
}

} // namespace MCHAR_GET
