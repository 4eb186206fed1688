#pragma once

#include <QStringView>

namespace MCHAR_CHK
{

struct Occurrences
{
    qint32 count = 0;
    qsizetype lastPosition = 0; // 1-based start of the last occurrence, 0 when there is none
};

// Counts every occurrence of pattern in text with exact comparison. The search goes on one
// character after each match's start, so overlapping matches of a longer pattern count
// separately ("aa" occurs twice in "aaa"). An empty pattern occurs nowhere.
[[nodiscard]] Occurrences CountOccurrences(QStringView text, QStringView pattern);

} // namespace MCHAR_CHK
