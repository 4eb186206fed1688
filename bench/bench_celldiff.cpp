// The character difference of two 1 MB cells, and the whole view the cell difference window shows
// for them: one edit, a few edits spread over the whole text (found exactly), and texts that differ
// everywhere (the bounded search gives up and falls back to the common beginning and end). Target
// for the difference: 200 ms.

#include "BenchRuns.h"
#include "CellDifference.h"
#include "CharDiff.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <functional>

namespace
{
constexpr qsizetype kCellSize = 1 << 20; // characters
constexpr double kTargetMs = 200;

std::vector<double> time(int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}

// Japanese-looking text: kana, kanji, digits and blanks.
QString randomText(QRandomGenerator &random)
{
    static const QString alphabet = QStringLiteral("あいうえおかきくけこアイウエオ東京都大阪府0123456789 　-−");
    QString text(kCellSize, Qt::Uninitialized);
    for (qsizetype i = 0; i < kCellSize; ++i)
        text[i] = alphabet.at(random.bounded(alphabet.size()));
    return text;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = runsFromArguments(app.arguments(), 10);
    QRandomGenerator random(2025);

    const QString base = randomText(random);
    QString edited = base;
    for (const qsizetype at : {qsizetype(1000), kCellSize / 2, kCellSize - 5000})
        edited[at] = edited[at] == u'−' ? u'-' : u'−';
    edited.insert(kCellSize / 3, QStringLiteral("　"));
    const QString other = randomText(random);
    QString once = base;
    once[kCellSize / 2] = u'x';

    reportRuns("1 MB cells, 1 edit: difference", time(runs, [&] { (void)diffCharacters(base, once); }), kTargetMs);
    reportRuns("1 MB cells, 1 edit: window view", time(runs, [&] { (void)describeCellDifference(base, once); }),
               kTargetMs);

    CharDiff diff;
    reportRuns("1 MB cells, 4 edits: difference", time(runs, [&] { diff = diffCharacters(base, edited); }), kTargetMs);
    std::printf("    spans %lld, coarse %d\n", qint64(diff.spans.size()), int(diff.coarse));
    reportRuns("1 MB cells, 4 edits: window view", time(runs, [&] { (void)describeCellDifference(base, edited); }),
               kTargetMs);
    reportRuns("1 MB cells, all different: difference", time(runs, [&] { diff = diffCharacters(base, other); }),
               kTargetMs);
    std::printf("    spans %lld, coarse %d\n", qint64(diff.spans.size()), int(diff.coarse));
    reportRuns("1 MB cells, all different: window view", time(runs, [&] { (void)describeCellDifference(base, other); }),
               kTargetMs);
    return 0;
}
