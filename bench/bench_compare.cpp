// Times the full comparison on a pair of 32766 x 100 files, 1 % of the cells changed.
//
//     bench_compare [DIR] [--runs N]
//
// DIR holds maxish_a.csv, maxish_b.csv and maxish.manifest.json as written by
// bench/gen_csvpair.py --preset maxish --outdir DIR; the manifest's changed_cells is the count the
// comparison must find. Without DIR the benchmark writes a pair of the same shape itself.
//
// Both files are read with the program's reader, then CompareSheets runs silently, interactively
// with a yield that serves the event loop, and interactively with the real progress dialog shown.
// Exit code 1 when a run finds another count than expected.

#include "AppState.h"
#include "BenchRuns.h"
#include "CompareEngine.h"
#include "FileIntake.h"
#include "MMS_GRID_CSV_READ.h"
#include "SheetFileReader.h"
#include "SilentUserInterface.h"
#include "frmHikaku.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr int kRows = 32766;
constexpr int kCols = 100;

// The program's own user interface minus the message boxes: the yield serves the event loop,
// and the progress dialog is the real one when a main window is given.
class BenchUserInterface : public SilentUserInterface
{
public:
    BenchUserInterface(bool &compareCancelled, QWidget *mainWindow)
        : m_compareCancelled(compareCancelled)
        , m_mainWindow(mainWindow)
    {
    }

    void showMessage(const QString &text, const QString &, MessageIcon) override
    {
        lastMessage = text;
    }
    void yieldToEventLoop() override
    {
        ++yields;
        QCoreApplication::processEvents();
    }
    void showProgressDialog() override
    {
        if (!m_mainWindow)
            return;
        m_dialog = std::make_unique<frmHikaku>(m_compareCancelled, m_mainWindow);
        m_dialog->show();
    }
    void showProgressPercent(int percent) override
    {
        ++paints;
        if (m_dialog)
            m_dialog->showProgressPercent(percent);
    }
    void closeProgressDialog() override
    {
        if (m_dialog)
            m_dialog->close();
        m_dialog.reset();
    }

    QString lastMessage;
    int yields = 0;
    int paints = 0;

private:
    bool &m_compareCancelled;
    QWidget *m_mainWindow;
    std::unique_ptr<frmHikaku> m_dialog;
};

// A pair like bench/gen_csvpair.py's: cells of 4 to 12 characters, ASCII and Japanese, CR LF lines,
// each cell of the second file changed with probability 1 %. Returns the number of changed cells.
qint64 writeOwnPair(const QString &pathA, const QString &pathB)
{
    const QString ascii = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"_s;
    const QString japanese = u"あいうえおかきくけこさしすせそアイウエオカキクケコ日本語表計算比較行列値変更差分"_s;
    const QString mixed = ascii + japanese;
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> length(4, 12);
    std::uniform_int_distribution<int> pick(0, int(mixed.size()) - 1);
    std::bernoulli_distribution changed(0.01);

    QFile fileA(pathA);
    QFile fileB(pathB);
    if (!fileA.open(QIODevice::WriteOnly) || !fileB.open(QIODevice::WriteOnly))
        return -1;
    qint64 changes = 0;
    QString lineA;
    QString lineB;
    for (int r = 0; r < kRows; ++r) {
        lineA.clear();
        lineB.clear();
        for (int c = 0; c < kCols; ++c) {
            QString cell;
            const int n = length(rng);
            for (int i = 0; i < n; ++i)
                cell += mixed.at(pick(rng));
            QString other = cell;
            if (changed(rng)) {
                other[0] = other.at(0) == u'X' ? u'Y' : u'X';
                ++changes;
            }
            if (c > 0) {
                lineA += u',';
                lineB += u',';
            }
            lineA += cell;
            lineB += other;
        }
        lineA += u"\r\n"_s;
        lineB += u"\r\n"_s;
        fileA.write(lineA.toUtf8());
        fileB.write(lineB.toUtf8());
    }
    return changes;
}

qint64 manifestCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return QJsonDocument::fromJson(file.readAll()).object().value(u"changed_cells"_s).toInteger(-1);
}

bool load(Sheet &sheet, const QString &path)
{
    SheetFileReader reader({MMS_GRID_CSV_READ::kCommaMode, u"|"_s});
    if (reader.open(path) != LoadRefusal::None || reader.countColumns() != LoadRefusal::None)
        return false;
    if (ReadIntoSheet(reader, sheet) != MMS_GRID_CSV_READ::ReadResult::Complete)
        return false;
    sheet.setVisible(true);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QString dir = folderFromArguments(app.arguments());
    const int runs = runsFromArguments(app.arguments(), 5);

    QTemporaryDir ownData;
    QString pathA;
    QString pathB;
    qint64 expected = -1;
    if (dir.isEmpty()) {
        pathA = ownData.filePath(u"a.csv"_s);
        pathB = ownData.filePath(u"b.csv"_s);
        expected = writeOwnPair(pathA, pathB);
        std::printf("data: own pair %d x %d, %lld changed cells\n", kRows, kCols, static_cast<long long>(expected));
    } else {
        pathA = dir + u"/maxish_a.csv"_s;
        pathB = dir + u"/maxish_b.csv"_s;
        expected = manifestCount(dir + u"/maxish.manifest.json"_s);
        std::printf("data: %s, manifest changed_cells %lld\n", qPrintable(dir), static_cast<long long>(expected));
    }
    if (expected < 0) {
        std::fprintf(stderr,
                     "no maxish pair in %s: make it with\n  python3 bench/gen_csvpair.py --preset maxish --outdir %s\n",
                     qPrintable(dir), qPrintable(dir));
        return 2;
    }

    AppState state;
    // BENCH_COMPARE_OPTIONS runs the comparison under options, named as in the settings file
    // ("ignore-case;fold-width;…"); changed cells they make the same then count as equivalent.
    state.compareOptions = compareOptionsFromText(qEnvironmentVariable("BENCH_COMPARE_OPTIONS"));
    if (!state.compareOptions.isExact())
        std::printf("options: %s\n", qPrintable(compareOptionsText(state.compareOptions)));
    QElapsedTimer timer;
    timer.start();
    if (!load(state.grdData(0), pathA) || !load(state.grdData(1), pathB)) {
        std::fprintf(stderr, "could not read the pair\n");
        return 2;
    }
    std::printf("read both files: %.0f ms (%d x %d cells each, headers included)\n", double(timer.elapsed()),
                state.grdData(0).rows(), state.grdData(0).cols());

    QWidget mainWindow;
    mainWindow.resize(1000, 700);
    mainWindow.show();
    QCoreApplication::processEvents();

    struct Mode
    {
        const char *name;
        bool showProgress;
        bool dialog;
    };
    const Mode modes[] = {
        {"silent", false, false},
        {"interactive, yield serves the event loop", true, false},
        {"interactive, progress dialog shown", true, true},
    };

    bool allRight = true;
    for (const Mode &mode : modes) {
        std::vector<double> times;
        std::vector<double> cpuTimes;
        int yields = 0;
        int paints = 0;
        for (int run = 0; run < runs; ++run) {
            BenchUserInterface ui(state.CompareCancelled, mode.dialog ? &mainWindow : nullptr);
            QElapsedTimer clock;
            clock.start();
            const std::clock_t cpuStart = std::clock();
            const CompareResult result = CompareSheets(state, ui, mode.showProgress);
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
            cpuTimes.push_back(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
            yields = ui.yields;
            paints = ui.paints;
            if (result.count() + qint64(result.equivalents.size()) != expected || result.cancelled
                || result.sizesDiffer) {
                std::printf("WRONG: %s found %d differences, expected %lld\n", mode.name, result.count(),
                            static_cast<long long>(expected));
                allRight = false;
            }
        }
        const Timing timing = summarise(times);
        // CPU time (user and system) of the whole process beside the wall time: the machine may be shared.
        std::printf("%-42s best %7.1f ms, median %7.1f ms, CPU median %7.1f ms over %d runs (%d yields, %d bar "
                    "paints)\n",
                    mode.name, timing.best, timing.median, summarise(cpuTimes).median, runs, yields, paints);
    }
    std::printf("%s\n", allRight ? "counts match" : "COUNTS DIFFER");
    return allRight ? 0 : 1;
}
