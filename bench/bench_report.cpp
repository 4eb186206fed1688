// Times the difference report of the maxish pair (32766 x 100, 1 % of the cells changed) in each
// format, as the window's command saves it: the comparison's result checked against the window's
// colours, the report built, written and saved. Target: 1 s each; memory while writing under twice
// the report's size.
//
//     bench_report DIR [--runs N]
//
// DIR holds maxish_a.csv and maxish_b.csv as written by
// bench/gen_csvpair.py --preset maxish --outdir DIR. For every format the figures are the median
// of the runs' wall time and CPU time (user + system), the report's size, and the most memory the
// process held beyond what it held before the run (peak resident set, reset before each run, with
// the free heap handed back to the system first).

#include "AppState.h"
#include "BenchRuns.h"
#include "CompareEngine.h"
#include "FileIntake.h"
#include "ReportCommand.h"
#include "SheetFileReader.h"
#include "SilentUserInterface.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace
{
constexpr double kTargetMs = 1000;

// Answers the save dialog with one path and filter, and nothing else.
class SavingUserInterface final : public SilentUserInterface
{
public:
    SaveDialogAnswer answer;
    SaveDialogAnswer askSaveFileNameAndFilter(const SaveDialogRequest &) override
    {
        return answer;
    }
};

bool load(AppState &state, int index, const QString &path)
{
    SheetFileReader reader({0, u","_s});
    if (reader.open(path) != LoadRefusal::None || reader.countColumns() != LoadRefusal::None)
        return false;
    (void)ReadIntoSheet(reader, state.grdData(index));
    state.grdData(index).setVisible(true);
    state.SheetFileName[size_t(index)] = path;
    return true;
}

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3)
        + (double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
}

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
qint64 statusKb(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Sets the peak resident set back to the present one.
void resetPeak()
{
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = folderFromArguments(app.arguments());
    const int runs = runsFromArguments(app.arguments(), 10);
    AppState state;
    if (dir.isEmpty() || !load(state, 0, dir + u"/maxish_a.csv"_s) || !load(state, 1, dir + u"/maxish_b.csv"_s)) {
        std::fprintf(stderr,
                     "no maxish pair in '%s': make it with\n  python3 bench/gen_csvpair.py --preset maxish "
                     "--outdir DIR\n",
                     qPrintable(dir));
        return 2;
    }
    SavingUserInterface ui;
    if (!cmdDiff_Click(state, ui) || !reportMenuEnabled(state))
        return 2;
    std::printf("data: %s, %d x %d cells each, %d differences\n", qPrintable(dir), state.grdData(0).rows(),
                state.grdData(0).cols(), FindDifferences(state.grdData(0).data(), state.grdData(1).data()).count());

    QTemporaryDir out;
    const struct
    {
        const char *name;
        qsizetype filter;
        const char *file;
    } formats[] = {{"HTML", 0, "report.html"}, {"Excel", 1, "report.xlsx"}, {"CSV", 2, "report.csv"}};
    for (const auto &format : formats) {
        ui.answer = {out.filePath(QString::fromLatin1(format.file)), format.filter};
        std::vector<double> wall;
        std::vector<double> cpu;
        qint64 extraKb = 0;
        for (int run = 0; run < runs; ++run) {
            // Free heap goes back to the system first, so that what the run touches shows as growth.
            malloc_trim(0);
            resetPeak();
            const qint64 before = statusKb("VmRSS:");
            const double cpuBefore = cpuMs();
            QElapsedTimer timer;
            timer.start();
            mnuReport_Click(state, ui);
            wall.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpu.push_back(cpuMs() - cpuBefore);
            extraKb = std::max(extraKb, statusKb("VmHWM:") - before);
        }
        const qint64 size = QFileInfo(ui.answer.path).size();
        std::printf("%-6s wall median %7.1f ms  cpu median %7.1f ms  report %8.1f kB  memory while writing %8lld kB"
                    "  target %.0f ms\n",
                    format.name, summarise(wall).median, summarise(cpu).median, double(size) / 1024,
                    static_cast<long long>(extraKb), kTargetMs);
    }
    return 0;
}
