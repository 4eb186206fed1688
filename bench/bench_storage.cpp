// Moving rows and columns in a full-size sheet, and restoring an undo snapshot.
//
//   bench_storage [RUNS]
//
// Makes a 32766 x 100 sheet (32767 x 101 with the header row and column) of short texts, mixed
// ASCII and Japanese, all in one pool as a read leaves them, and times each operation RUNS times
// (default 7), printing the median in milliseconds. The sheet has the most rows a sheet can hold,
// so the 100 rows are removed first and then inserted again. Each operation is timed twice: on storage the
// sheet holds alone, and right after an undo snapshot was taken of it, as every command does, so
// that the first write copies the shared cell arrays. The text pool must not grow: moving texts
// moves their slices only.

#include "Sheet.h"
#include "SheetData.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{
constexpr int kDataRows = 32766;
constexpr int kDataCols = 100;
constexpr double kTargetMs = 50.0;

SheetData makeData()
{
    const QString ascii = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    const QString japanese = QStringLiteral("あいうえおかきくけこアイウエオカキクケコ日本語表計算比較行列値変更差分");
    QRandomGenerator random(7);
    SheetData data(kDataRows + 1, kDataCols + 1);
    QString pool;
    pool.reserve(qsizetype(kDataRows) * kDataCols * 9);
    std::vector<CellRef> refs;
    refs.reserve(size_t(kDataRows + 1) * (kDataCols + 1));
    const auto add = [&](const QString &text) {
        refs.push_back({quint32(pool.size()), quint32(text.size())});
        pool += text;
    };
    for (int r = 0; r <= kDataRows; ++r) {
        for (int c = 0; c <= kDataCols; ++c) {
            if (r == 0 && c == 0) {
                refs.push_back({});
            } else if (r == 0) {
                add(QString::number(c) + QStringLiteral("列"));
            } else if (c == 0) {
                add(QString::number(r) + QStringLiteral("行"));
            } else {
                const QString &from = random.bounded(2) ? ascii : japanese;
                QString text;
                const int length = 4 + int(random.bounded(9));
                for (int i = 0; i < length; ++i)
                    text += from.at(random.bounded(from.size()));
                add(text);
            }
        }
    }
    data.setPool(pool);
    size_t i = 0;
    for (int r = 0; r <= kDataRows; ++r)
        for (int c = 0; c <= kDataCols; ++c)
            data.setCellRef(r, c, refs[i++]);
    return data;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures
{
    double alone = 0;
    double afterSnapshot = 0;
};

// Times `operation` and then `undo`, which puts the sheet back, both alone and after a snapshot.
void timePair(Sheet &sheet, int runs, const std::function<void()> &operation, const std::function<void()> &undo,
              Figures &operationFigures, Figures &undoFigures, bool &poolKept)
{
    std::vector<double> times[4];
    for (int run = 0; run < runs; ++run) {
        for (const bool snapshot : {false, true}) {
            const qsizetype poolBefore = sheet.data().pooledCharacters();
            SheetData held;
            if (snapshot)
                held = sheet.data();
            QElapsedTimer timer;
            timer.start();
            operation();
            times[snapshot ? 1 : 0].push_back(double(timer.nsecsElapsed()) / 1e6);
            if (snapshot)
                held = sheet.data();
            timer.restart();
            undo();
            times[snapshot ? 3 : 2].push_back(double(timer.nsecsElapsed()) / 1e6);
            poolKept = poolKept && sheet.data().pooledCharacters() == poolBefore;
        }
    }
    operationFigures = {median(times[0]), median(times[1])};
    undoFigures = {median(times[2]), median(times[3])};
}

void print(const char *name, const Figures &figures)
{
    const double worst = std::max(figures.alone, figures.afterSnapshot);
    std::printf("%-44s %10.2f %16.2f   %s\n", name, figures.alone, figures.afterSnapshot,
                worst <= kTargetMs ? "within 50 ms" : "OVER 50 ms");
}

void print(const char *name, double afterSnapshot)
{
    std::printf("%-44s %10s %16.2f   %s\n", name, "-", afterSnapshot,
                afterSnapshot <= kTargetMs ? "within 50 ms" : "OVER 50 ms");
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    QElapsedTimer setup;
    setup.start();
    Sheet sheet;
    sheet.setData(makeData());
    const qsizetype poolAtStart = sheet.data().pooledCharacters();
    std::printf("sheet: %d x %d cells (%d x %d data), pool %lld characters, made in %lld ms\n", sheet.rows(),
                sheet.cols(), kDataRows, kDataCols, static_cast<long long>(poolAtStart),
                static_cast<long long>(setup.elapsed()));
    std::printf("median of %d runs, milliseconds\n\n", runs);
    std::printf("%-44s %10s %16s\n", "operation", "alone", "after snapshot");

    const int middleRow = kDataRows / 2;
    const int middleCol = kDataCols / 2;
    bool poolKept = true;
    Figures insertRows, removeRows, insertCols, removeCols;

    // The sheet has the most rows a sheet can have: rows are removed first, then inserted again.
    timePair(
        sheet, runs, [&] { sheet.removeRows(middleRow, 100, CellMove::TextsAndColours); },
        [&] { sheet.insertRows(middleRow, 100, CellMove::TextsAndColours); }, removeRows, insertRows, poolKept);
    timePair(
        sheet, runs, [&] { sheet.insertCols(middleCol, 10, CellMove::TextsOnly); },
        [&] { sheet.removeCols(middleCol, 10, CellMove::TextsOnly); }, insertCols, removeCols, poolKept);

    // A restore after the change it undoes: the snapshot is taken first, then the change, then
    // the snapshot comes back.
    const auto timeRestore = [&](const std::function<void()> &change) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            const SheetData snapshot = sheet.data();
            change();
            QElapsedTimer timer;
            timer.start();
            sheet.restoreSnapshot(snapshot);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            poolKept = poolKept && sheet.data().pooledCharacters() == snapshot.pooledCharacters();
        }
        return median(times);
    };
    const double restoreAfterCols = timeRestore([&] { sheet.insertCols(middleCol, 10, CellMove::TextsOnly); });
    const double restoreAfterRows = timeRestore([&] { sheet.removeRows(middleRow, 100, CellMove::TextsAndColours); });

    print("insert 100 rows in the middle (with colours)", insertRows);
    print("remove 100 rows in the middle (with colours)", removeRows);
    print("insert 10 columns in the middle (texts only)", insertCols);
    print("remove 10 columns in the middle (texts only)", removeCols);
    print("restore snapshot after a column insert", restoreAfterCols);
    print("restore snapshot after a row removal", restoreAfterRows);

    const qsizetype poolAtEnd = sheet.data().pooledCharacters();
    std::printf("\npool: %lld characters before, %lld after; %s\n", static_cast<long long>(poolAtStart),
                static_cast<long long>(poolAtEnd), poolKept ? "no operation grew it" : "AN OPERATION GREW IT");
    std::printf("sheet after the runs: %d x %d\n", sheet.rows(), sheet.cols());
    return poolKept ? 0 : 1;
}
