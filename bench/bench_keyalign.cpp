// Times 「キー列で行を揃える…」 and 「キー列で並べ替え…」 on a 32666 x 100 pair keyed by column 1,
// whose second sheet has 100 rows deleted and 100 other rows inserted at random places, the rest
// in the same order, both shown (32666 rows, so that the lined-up sheets, 100 rows longer, just
// fit the row limit of 32766 data rows):
//
//     bench_keyalign [--runs N]
//
// the lining up by key with its silent re-comparison, the key matching alone, the sort of both
// sheets with its re-comparison, and the sort alone (orders and reordering). Prints the median and
// the slowest wall time of N runs (default 11), and the median CPU time (user + system) beside it.

#include "AppState.h"
#include "BenchRuns.h"
#include "KeyAlignment.h"
#include "KeyCommands.h"
#include "SilentUserInterface.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr int kMoved = 100;
constexpr int kRows = 32766 - kMoved;
constexpr int kCols = 100;

// The person ticks column 1 in the key column dialog and presses OK.
class KeyColumnOne final : public SilentUserInterface
{
public:
    bool showKeyColumnsDialog(AppState &state, KeyColumnsPurpose) override
    {
        state.keyColumns = KeyColumns{{1}, false};
        return true;
    }
};

// Data rows by their number in the generated sequence: a row's texts depend on it alone, and its
// first cell, the key, is unique.
SheetData makeSheet(const std::vector<int> &rowIds)
{
    const int rows = int(rowIds.size());
    SheetData data(rows + 1, kCols + 1);
    QString pool;
    pool.reserve(qsizetype(rows) * kCols * 9);
    const auto put = [&](int r, int c, const QString &text) {
        data.setCellRef(r, c, {quint32(pool.size()), quint32(text.size())});
        pool += text;
    };
    for (int c = 1; c <= kCols; ++c)
        put(0, c, QString::number(c) + u"列"_s);
    for (int r = 1; r <= rows; ++r) {
        put(r, 0, QString::number(r) + u"行"_s);
        for (int c = 1; c <= kCols; ++c)
            put(r, c, u"v%1_%2"_s.arg(rowIds[size_t(r - 1)]).arg(c));
    }
    data.setPool(std::move(pool));
    return data;
}

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Runs
{
    std::vector<double> wall;
    std::vector<double> cpu;
};

// Runs `prepare` (not timed), then `step` (timed), `runs` times.
Runs timeRuns(int runs, const std::function<void()> &prepare, const std::function<void()> &step)
{
    Runs result;
    for (int run = 0; run < runs; ++run) {
        prepare();
        const double cpuBefore = cpuMs();
        QElapsedTimer timer;
        timer.start();
        step();
        result.wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        result.cpu.push_back(cpuMs() - cpuBefore);
    }
    return result;
}

void report(const char *name, const Runs &runs, double targetMs)
{
    reportRuns(name, runs.wall, targetMs);
    std::printf("%-44s median %8.2f ms CPU (user + system)\n", "", summarise(runs.cpu).median);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = runsFromArguments(app.arguments(), 11);

    std::mt19937 random(27);
    // Named, not bound: a lambda below uses `second`, which clang 14 does not allow of a binding.
    const auto orders = movedRowOrders(kRows, kMoved, random);
    const std::vector<int> &first = orders.first;
    const std::vector<int> &second = orders.second;
    const SheetData left = makeSheet(first);
    const SheetData right = makeSheet(second);

    AppState state;
    KeyColumnOne ui;
    state.mnuUndoChecked = true;
    const auto showPair = [&] {
        state.grdData(0).setData(left);
        state.grdData(1).setData(right);
        for (int i = 0; i < 2; ++i)
            state.grdData(i).setVisible(true);
    };
    const KeyColumns keys{{1}, false};

    std::array<int, 2> added{};
    const Runs lineUp = timeRuns(runs, showPair, [&] {
        mnuKeyAlign_Click(state, ui);
        added = {state.grdData(0).rows() - 1 - kRows, state.grdData(1).rows() - 1 - int(second.size())};
    });
    const Runs matching = timeRuns(runs, showPair, [&] {
        const auto lined
            = lineUpRowsByKey(state.grdData(0).data(), state.grdData(1).data(), keys, state.compareOptions);
        if (!lined || lined->alignment.addedRows(0) != kMoved || lined->alignment.addedRows(1) != kMoved)
            std::printf("  (the matching did not add %d rows to each sheet)\n", kMoved);
    });
    bool sorted = false;
    const Runs sortCommand = timeRuns(runs, showPair, [&] {
        mnuKeySort_Click(state, ui);
        sorted = state.grdData(0).textMatrix(1, 1) == u"v0_1"_s && state.grdData(0).textMatrix(2, 1) == u"v10000_1"_s;
    });
    const Runs sortAlone = timeRuns(runs, showPair, [&] {
        const auto orders = keySortOrders(state.grdData(0).data(), state.grdData(1).data(), keys, state.compareOptions);
        for (int i = 0; i < 2; ++i)
            state.grdData(i).reorderRows(orders[size_t(i)]);
    });

    std::printf("%d x %d pair keyed by column 1, %d rows deleted and %d inserted in the second, %d runs\n", kRows,
                kCols, kMoved, kMoved, runs);
    report("line up by key, re-compared", lineUp, 300);
    std::printf("  (%d and %d empty rows went in, %d each expected)\n", added[0], added[1], kMoved);
    report("key matching alone", matching, 0);
    report("sort both sheets by key, re-compared", sortCommand, 300);
    std::printf("  (sorted by code point: %s)\n", sorted ? "yes" : "NO");
    report("sort alone (orders and reordering)", sortAlone, 0);
    return 0;
}
