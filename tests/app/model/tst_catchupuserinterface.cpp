// The main window's user interface wrapper: it brings the window up to date before anything
// reaches the screen, and passes over yields that follow each other within milliseconds.

#include "CatchUpUserInterface.h"
#include "RecordingUserInterface.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

class TestCatchUpUserInterface : public QObject
{
    Q_OBJECT

private slots:
    void rapidYieldsReachTheScreenEveryFewMilliseconds();
    void messagesAlwaysCatchUpFirst();
    void worksheetQuestionReachesTheScreen();
};

// A comparison's yield after every row: a burst reaches the screen at its start and then at most
// once per few milliseconds, always after the window caught up; a yield after a pause reaches it.
void TestCatchUpUserInterface::rapidYieldsReachTheScreenEveryFewMilliseconds()
{
    RecordingUserInterface screen;
    int catchUps = 0;
    int catchUpsBeforeYield = 0;
    screen.onYield = [&] { catchUpsBeforeYield = catchUps; };
    CatchUpUserInterface ui(screen, [&] { ++catchUps; });

    QElapsedTimer burst;
    burst.start();
    for (int i = 0; i < 20000; ++i)
        ui.yieldToEventLoop();
    const qint64 burstMs = burst.elapsed();
    QVERIFY(screen.yields >= 1);
    // At most one per 5 ms of the burst, and the first.
    QVERIFY2(screen.yields <= 2 + burstMs / 5, qPrintable(QString::number(screen.yields)));
    QCOMPARE(catchUps, screen.yields);
    QCOMPARE(catchUpsBeforeYield, catchUps);

    QThread::msleep(12);
    const int before = screen.yields;
    ui.yieldToEventLoop();
    QCOMPARE(screen.yields, before + 1);
}

void TestCatchUpUserInterface::messagesAlwaysCatchUpFirst()
{
    RecordingUserInterface screen;
    int catchUps = 0;
    CatchUpUserInterface ui(screen, [&] { ++catchUps; });
    ui.yieldToEventLoop();
    for (int i = 0; i < 3; ++i) {
        ui.showMessage(QStringLiteral("読み込めません"), QStringLiteral("エラー"), MessageIcon::Critical);
        QCOMPARE(catchUps, 2 + i);
    }
    QCOMPARE(screen.messages.size(), 3);
}

// The question which worksheet to open is the person's: the wrapper must not answer it itself.
void TestCatchUpUserInterface::worksheetQuestionReachesTheScreen()
{
    RecordingUserInterface screen;
    screen.scriptedSheets = {1, -1};
    int catchUps = 0;
    CatchUpUserInterface ui(screen, [&] { ++catchUps; });
    const QStringList names{QStringLiteral("一月"), QStringLiteral("二月")};
    QCOMPARE(ui.askWorkbookSheet(QStringLiteral("売上.xlsx"), names, 0), std::optional<int>(1));
    QCOMPARE(ui.askWorkbookSheet(QStringLiteral("売上.xlsx"), names, 0), std::nullopt);
    QCOMPARE(screen.sheetQuestions.size(), 2);
    QCOMPARE(catchUps, 2);
}

QTEST_GUILESS_MAIN(TestCatchUpUserInterface)
#include "tst_catchupuserinterface.moc"
