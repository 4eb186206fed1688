#include "MLST_RIREKI.h"

#include <algorithm>

namespace MLST_RIREKI
{

QStringList AddHistoryEntry(const QStringList &list, const QString &text)
{
    QStringList scratch = list;
    // Only the first equal entry goes: a list filled from a hand-edited settings file may hold one
    // twice, and the later one then stays behind the new entry.
    const qsizetype duplicate = scratch.indexOf(text);
    if (duplicate >= 0)
        scratch.removeAt(duplicate);
    QStringList result{text};
    result.append(scratch.mid(0, kHistorySize - 1));
    return result;
}

QStringList listFromHistory(const History &history)
{
    QStringList list;
    for (const QString &entry : history) {
        if (!entry.isEmpty())
            list.append(entry);
    }
    return list;
}

void storeHistory(const QStringList &list, History &history)
{
    const qsizetype count = std::min<qsizetype>(list.size(), kHistorySize);
    for (qsizetype i = 0; i < count; ++i)
        history[size_t(i)] = list.at(i);
}

} // namespace MLST_RIREKI
