// Read throughput and memory of the sheet file reader.
//
//   bench_read [FILE ...]
//
// Reads each file in the comma mode and in the delimiter mode (with "," as the delimiter, so both
// modes cut the same fields) through SheetFileReader, with the cells read on one thread (as the
// command-line companion reads each of its two files) and on two (as the window reads one), and prints the time of
// each step, the throughput in MB/s of file (reading, decoding and the write-back check included)
// and the memory the sheet costs beyond its text. Files come from
//   python3 bench/gen_csvpair.py --preset all --outdir DIR    (maxish, tall, wide)
// Without a file a 32766 x 100 file of the same kind is written to a temporary folder first, once in
// UTF-8 and once in Shift-JIS.

#include "Cp932.h"
#include "SheetFileReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace
{
// From /proc/self/status, in bytes.
qint64 statusValue(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// Starts a new peak: VmHWM falls back to the current resident size.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

QStringList makeFiles(const QString &folder)
{
    const QString ascii = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    const QString japanese = QStringLiteral("あいうえおかきくけこアイウエオカキクケコ日本語表計算比較行列値変更差分");
    QRandomGenerator random(3);
    QString text;
    for (int r = 0; r < 32766; ++r) {
        for (int c = 0; c < 100; ++c) {
            if (c > 0)
                text += u',';
            const int length = 4 + int(random.bounded(9));
            const QString &pool = random.bounded(2) ? ascii : japanese;
            for (int i = 0; i < length; ++i)
                text += pool.at(random.bounded(pool.size()));
        }
        text += QStringLiteral("\r\n");
    }
    // The same text in UTF-8 and in Shift-JIS, whose decoder is the program's own.
    QByteArray shiftJis;
    if (Cp932::encode(text, shiftJis) >= 0)
        return {};
    QStringList paths;
    for (const auto &[name, bytes] : {std::pair{QStringLiteral("/generated_32766x100.csv"), text.toUtf8()},
                                      std::pair{QStringLiteral("/generated_32766x100_sjis.csv"), shiftJis}}) {
        QFile file(folder + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0)
            return {};
        paths.append(file.fileName());
    }
    return paths;
}

void bench(const QString &path, int mode, int threads)
{
    const char *modeName = mode == 0 ? "comma" : "delimiter";
    resetPeak();
    const qint64 rssBefore = statusValue("VmRSS");
    QElapsedTimer timer;
    timer.start();
    SheetFileReader reader({mode, QStringLiteral(",")});
    MMS_GRID_CSV_READ::ReadOptions options;
    options.threads = threads;
    reader.setReadOptions(options);
    if (reader.open(path) != LoadRefusal::None) {
        std::printf("%s: refused at open\n", qPrintable(path));
        return;
    }
    const qint64 openNs = timer.nsecsElapsed();
    if (reader.countColumns() != LoadRefusal::None) {
        std::printf("%s: refused by the column pass\n", qPrintable(path));
        return;
    }
    const qint64 countNs = timer.nsecsElapsed();
    const bool writesBack = reader.writesBackUnchanged();
    const qint64 fileBytes = reader.fileSize();
    const SheetReadResult read = reader.readData();
    const qint64 totalNs = timer.nsecsElapsed();
    const qint64 rssAfter = statusValue("VmRSS");
    const qint64 peak = statusValue("VmHWM");

    const double cells = double(read.data.cellCount());
    const double textBytes = double(read.data.pool().size()) * 2;
    const double mb = double(fileBytes) / 1e6;
    std::printf("%s, %s mode, cells on %d thread%s: %d x %d cells (%s), %.1f MB, writes back unchanged: %s\n",
                qPrintable(path), modeName, threads, threads > 1 ? "s" : "", read.data.rows(), read.data.cols(),
                read.result == MMS_GRID_CSV_READ::ReadResult::Complete ? "complete" : "partial", mb,
                writesBack ? "yes" : "no");
    std::printf("  read+decode+check %.0f ms, column pass %.0f ms, cells %.0f ms, total %.0f ms: %.0f MB/s\n",
                openNs / 1e6, (countNs - openNs) / 1e6, (totalNs - countNs) / 1e6, totalNs / 1e6, mb / (totalNs / 1e9));
    std::printf("  text pool %.1f MB; per cell: slices and colours %.2f B, resident beyond the text %.2f B, "
                "peak beyond the text %.2f B (peak %.1f MB over the start)\n",
                textBytes / 1e6, double(read.data.overheadBytes()) / cells,
                (double(rssAfter - rssBefore) - textBytes) / cells, (double(peak - rssBefore) - textBytes) / cells,
                double(peak - rssBefore) / 1e6);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList files = QCoreApplication::arguments().mid(1);
    QTemporaryDir folder;
    if (files.isEmpty()) {
        files = makeFiles(folder.path());
        if (files.isEmpty()) {
            std::fprintf(stderr, "could not write a test file\n");
            return 1;
        }
    }
    for (const QString &file : std::as_const(files)) {
        if (!QFileInfo::exists(file)) {
            std::fprintf(stderr,
                         "no file %s (the pairs come from python3 bench/gen_csvpair.py --preset all --outdir DIR)\n",
                         qPrintable(file));
            return 2;
        }
    }
    // Each read runs in a child of its own, so that its memory figures start from the same ground.
    for (const QString &file : std::as_const(files)) {
        // One thread as the command-line companion reads each of its files, two as the window does.
        for (const auto &[mode, threads] : {std::pair{0, 1}, std::pair{0, 2}, std::pair{1, 1}, std::pair{1, 2}}) {
            std::fflush(stdout);
            const pid_t child = fork();
            if (child == 0) {
                bench(file, mode, threads);
                std::fflush(stdout);
                _exit(0);
            }
            if (child > 0)
                waitpid(child, nullptr, 0);
        }
    }
    return 0;
}
