#pragma once

// What the benchmarks share: the run count from the command line, the best and median of runs,
// and one line of figures.

#include <QStringList>

#include <algorithm>
#include <cstdio>
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
