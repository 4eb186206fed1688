// Times a search that scans a whole 32766 x 100 sheet without finding anything, both directions,
// with and without match case, and with Japanese cell texts that take the slow upper-casing; then
// すべて置換 changing every cell of that sheet, as one history step:
//
//     bench_search [--runs N]
//
// Prints the median and the slowest of N runs (default 7) of each; the target is 300 ms for a
// search, 3 s for the replace-all.

#include "AppState.h"
#include "BenchRuns.h"
#include "SearchScan.h"
#include "SilentUserInterface.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr int kRows = 32766;
constexpr int kCols = 100;
constexpr double kTargetMs = 300;
constexpr double kReplaceAllTargetMs = 3000;

// A sheet as a read leaves it: one text pool, every cell a slice of it. `prefix` starts every
// data cell's text.
SheetData makeSheet(const QString &prefix)
{
    SheetData data(kRows + 1, kCols + 1);
    QString pool;
    for (int r = 1; r <= kRows; ++r) {
        for (int c = 1; c <= kCols; ++c) {
            const QString text = prefix + u"v%1_%2"_s.arg(r).arg(c);
            data.setCellRef(r, c, {quint32(pool.size()), quint32(text.size())});
            pool += text;
        }
    }
    data.setPool(std::move(pool));
    return data;
}

void run(const char *name, AppState &state, int runs, const SearchRequest &request)
{
    SilentUserInterface ui;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const SearchResult result = RunSearch(state, ui, request).result;
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (result != SearchResult::NotFound) {
            std::printf("%s: found a cell; the benchmark is broken\n", name);
            return;
        }
    }
    reportRuns(name, ms, kTargetMs);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = runsFromArguments(app.arguments());

    AppState state;
    Sheet &sheet = state.grdData(0);
    sheet.setData(makeSheet(QString()));
    std::printf("32766 x 100 sheet, no match, %d runs each\n", runs);
    run("down-right from the first cell", state, runs,
        {0, SearchMode::Find, SearchDirection::DownRight, false, u"needle"_s, QString(), false});
    run("down-right, match case", state, runs,
        {0, SearchMode::Find, SearchDirection::DownRight, false, u"needle"_s, QString(), true});
    sheet.setCurrentCell(kRows, kCols);
    run("up-left from the last cell", state, runs,
        {0, SearchMode::Find, SearchDirection::UpLeft, false, u"needle"_s, QString(), false});

    sheet.setData(makeSheet(u"品番"_s));
    sheet.setCurrentCell(1, 1);
    run("down-right, Japanese texts", state, runs,
        {0, SearchMode::Find, SearchDirection::DownRight, false, u"needle"_s, QString(), false});
    run("down-right, Japanese texts, Japanese search", state, runs,
        {0, SearchMode::Find, SearchDirection::DownRight, false, u"検索"_s, QString(), false});

    // Every cell holds one "v": each changes, and the step keeps the sheet as it was.
    std::vector<double> ms;
    SilentUserInterface ui;
    for (int i = 0; i < runs; ++i) {
        AppState fresh;
        fresh.grdData(0).setData(makeSheet(QString()));
        QElapsedTimer timer;
        timer.start();
        const SearchOutcome outcome = RunSearch(
            fresh, ui, {0, SearchMode::ReplaceAll, SearchDirection::DownRight, false, u"V"_s, u"w"_s, false});
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (outcome.replaced != qsizetype(kRows) * kCols || !fresh.history.canUndo(0)) {
            std::printf("replace all: %lld replaced; the benchmark is broken\n",
                        static_cast<long long>(outcome.replaced));
            return 1;
        }
    }
    reportRuns("replace all, every cell changes", ms, kReplaceAllTargetMs);
    return 0;
}
