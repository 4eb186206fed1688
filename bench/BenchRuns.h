#pragma once

// What the benchmarks share: the run count from the command line, the best and median of runs,
// and one line of figures.

#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <utility>
#include <vector>

// The N of "--runs N", or `fallback`.
inline int runsFromArguments(const QStringList &arguments, int fallback = 7)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--runs"));
    return at >= 0 && at + 1 < arguments.size() ? std::max(1, arguments.at(at + 1).toInt()) : fallback;
}

// The one argument that is not "--runs N" (a data folder), or an empty text.
inline QString folderFromArguments(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QStringLiteral("--runs"))
            ++i;
        else
            return arguments.at(i);
    }
    return {};
}

struct Timing
{
    double best = 0;
    double median = 0;
};

// The fastest and the median of the runs' times.
inline Timing summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms.at(ms.size() / 2)};
}

// "name  median … ms  slowest … ms  target … ms"; no target when it is 0.
inline void reportRuns(const char *name, std::vector<double> ms, double targetMs)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %8.2f ms   slowest %8.2f ms", name, ms[ms.size() / 2], ms.back());
    if (targetMs > 0)
        std::printf("   target %6.0f ms", targetMs);
    std::printf("\n");
}

// Two orders of row numbers for lining-up benchmarks: the first 0..rows-1, the second the same with
// `moved` random rows deleted and `moved` new ones (numbered from `rows` on) inserted at random
// places, the rest in the same order; `random` is seeded by the caller, so the same every time.
inline std::pair<std::vector<int>, std::vector<int>> movedRowOrders(int rows, int moved, std::mt19937 &random)
{
    std::vector<int> first(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        first[size_t(r)] = r;
    std::vector<int> second = first;
    std::set<int> deleted;
    while (int(deleted.size()) < moved)
        deleted.insert(std::uniform_int_distribution<int>(0, rows - 1)(random));
    for (auto it = deleted.rbegin(); it != deleted.rend(); ++it)
        second.erase(second.begin() + *it);
    for (int i = 0; i < moved; ++i) {
        const int at = std::uniform_int_distribution<int>(0, int(second.size()))(random);
        second.insert(second.begin() + at, rows + i);
    }
    return {std::move(first), std::move(second)};
}
