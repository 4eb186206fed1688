// Times "行を揃える" on a 32716 x 100 pair whose second sheet has 50 rows deleted and 50 other rows
// inserted at random places, both shown (32716 rows, so that the lined-up sheets, 50 rows longer,
// just fit the row limit of 32766 data rows):
//
//     bench_align [--runs N]
//
// the lining up with its silent re-comparison, the same again on the lined-up pair (target 100 ms),
// the row matching alone, "列を揃える" on the first
// sheet against a copy with a column inserted before column 3 (target 150 ms), and a step to the
// next difference that has to scan the whole sheet. Prints the median and
// the slowest of N runs (default 7).

#include "AppState.h"
#include "BenchRuns.h"
#include "CompareEngine.h"
#include "Differences.h"
#include "RowAlignment.h"
#include "SilentUserInterface.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr int kMoved = 50;
constexpr int kRows = 32766 - kMoved;
constexpr int kCols = 100;

// Data rows by their number in the generated sequence: a row's texts depend on it alone, except
// for the cells `changed` picks.
SheetData makeSheet(
    const std::vector<int> &rowIds, const std::function<bool()> &changed = [] { return false; })
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
            put(r, c, (changed() ? u"w%1_%2"_s : u"v%1_%2"_s).arg(rowIds[size_t(r - 1)]).arg(c));
    }
    data.setPool(std::move(pool));
    return data;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = runsFromArguments(app.arguments());

    std::mt19937 random(5);
    const auto [first, second] = movedRowOrders(kRows, kMoved, random);
    const SheetData left = makeSheet(first);
    const SheetData right = makeSheet(second);
    // The same, with 1 % of the second sheet's cells edited as well: most rows then differ
    // somewhere, too many for the exact search.
    std::bernoulli_distribution edited(0.01);
    const SheetData rightEdited = makeSheet(second, [&] { return edited(random); });

    AppState state;
    SilentUserInterface ui;
    std::vector<double> ms;
    std::array<int, 2> rowsAfter{};
    for (int run = 0; run < runs; ++run) {
        state.grdData(0).setData(left);
        state.grdData(1).setData(right);
        for (int i = 0; i < 2; ++i)
            state.grdData(i).setVisible(true);
        state.mnuUndoChecked = true;
        QElapsedTimer timer;
        timer.start();
        mnuAlign_Click(state, ui);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        rowsAfter = {state.grdData(0).rows(), state.grdData(1).rows()};
    }
    // Again on the pair it lined up, which changes nothing.
    std::vector<double> againMs;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        mnuAlign_Click(state, ui);
        againMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (state.grdData(0).rows() != rowsAfter[0] || state.grdData(1).rows() != rowsAfter[1])
            std::printf("  (lining up the lined-up pair again changed its rows)\n");
    }
    std::vector<double> editedMs;
    int editedAdded = 0;
    for (int run = 0; run < runs; ++run) {
        state.grdData(0).setData(left);
        state.grdData(1).setData(rightEdited);
        QElapsedTimer timer;
        timer.start();
        mnuAlign_Click(state, ui);
        editedMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        editedAdded = state.grdData(0).rows() - (kRows + 1);
    }
    std::vector<double> matching;
    for (int run = 0; run < runs; ++run) {
        state.grdData(0).setData(left);
        state.grdData(1).setData(right);
        QElapsedTimer timer;
        timer.start();
        const auto rows = rowIdentities(state.grdData(0).data(), state.grdData(1).data());
        const RowAlignment alignment = alignRows(rows[0], rows[1]);
        matching.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (alignment.addedRows(0) != kMoved || alignment.addedRows(1) != kMoved)
            std::printf("  (matching added %d and %d rows)\n", alignment.addedRows(0), alignment.addedRows(1));
    }
    // 列を揃える with its silent re-comparison: row 1's texts are the headings.
    SheetData shifted = left;
    shifted.insertCols(3, 1);
    for (int r = 1; r <= kRows; ++r)
        shifted.setText(r, 3, u"new"_s);
    std::vector<double> columns;
    int columnsAdded = 0;
    for (int run = 0; run < runs; ++run) {
        state.grdData(0).setData(left);
        state.grdData(1).setData(shifted);
        QElapsedTimer timer;
        timer.start();
        mnuAlignCols_Click(state, ui);
        columns.push_back(double(timer.nsecsElapsed()) / 1e6);
        columnsAdded = state.grdData(0).cols() - (kCols + 1);
    }
    // A step to the next difference from the first cell: the only difference is the last cell.
    SheetData lastChanged = left;
    lastChanged.setText(lastChanged.rows() - 1, lastChanged.cols() - 1, u"changed"_s);
    std::vector<double> steps;
    for (int run = 0; run < runs; ++run) {
        state.grdData(0).setData(left);
        state.grdData(1).setData(lastChanged);
        (void)CompareSheets(state, ui, false);
        Sheet &sheet = state.grdData(0);
        sheet.setCurrentCell(1, 1);
        state.ActiveSheet = 0;
        QElapsedTimer timer;
        timer.start();
        GoToDifference(state, ui, StepDirection::Next);
        steps.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (sheet.row() != sheet.rows() - 1)
            std::printf("  (the step did not reach the last row)\n");
    }
    std::printf("%d x 100 pair, %d rows deleted and %d inserted in the second, %d runs\n", kRows, kMoved, kMoved, runs);
    reportRuns("line up rows, re-compared", ms, 500);
    reportRuns("line up rows again on the lined-up pair", againMs, 100);
    reportRuns("line up rows, 1 % of cells edited too", editedMs, 500);
    std::printf("  (%d empty rows went into the first sheet, %d expected)\n", editedAdded, kMoved);
    reportRuns("row matching alone", matching, 0);
    reportRuns("line up columns, one inserted, re-compared", columns, 150);
    std::printf("  (%d filler columns went into the first sheet, 1 expected)\n", columnsAdded);
    reportRuns("next difference, scanning the whole sheet", steps, 10);
    std::printf("rows afterwards, header included: %d and %d (%d expected)\n", rowsAfter[0], rowsAfter[1],
                kRows + 1 + kMoved);
    return 0;
}
