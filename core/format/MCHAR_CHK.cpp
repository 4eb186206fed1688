#include "MCHAR_CHK.h"

#include <limits>

namespace MCHAR_CHK
{

Occurrences CountOccurrences(QStringView text, QStringView pattern)
{
    Occurrences found;
    if (pattern.isEmpty())
        return found;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = text.indexOf(pattern, from);
        if (at < 0)
            break;
        // The count is 32-bit like the callers' variables; a text cannot hold more matches than
        // characters, and no caller passes texts of 2^31 characters, but never wrap.
        if (found.count < std::numeric_limits<qint32>::max())
            ++found.count;
        found.lastPosition = at + 1;
        from = at + 1;
    }
    return found;
}

} // namespace MCHAR_CHK
