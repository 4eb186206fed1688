#include "MCHAR_GET.h"

namespace MCHAR_GET
{

qsizetype firstCharSize(QStringView delimiter)
{
    return delimiter.size() >= 2 && delimiter[0].isHighSurrogate() && delimiter[1].isLowSurrogate() ? 2 : 1;
}

} // namespace MCHAR_GET
