#include "GridError.h"
#include "HandlerGuard.h"
#include "RecordingUserInterface.h"
#include "Sheet.h"

#include <QTest>

#include <new>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ErrorStyle)

class TestHandlerGuard : public QObject
{
    Q_OBJECT

private slots:
    void errorsEndTheHandlerInItsStyle_data();
    void errorsEndTheHandlerInItsStyle();
    void failingLeaveCellHandlerDoesNotEscapeTheMove();
};

void TestHandlerGuard::errorsEndTheHandlerInItsStyle_data()
{
    QTest::addColumn<ErrorStyle>("style");
    QTest::addColumn<int>("thrown"); // 0 none, 1 a grid error, 2 out of memory, 3 anything else
    QTest::addColumn<QString>("message"); // empty: no message box

    QTest::newRow("no error, no message") << ErrorStyle::Report << 0 << QString();
    QTest::newRow("grid error, ended silently") << ErrorStyle::EndSilently << 1 << QString();
    QTest::newRow("grid error, reported with its number")
        << ErrorStyle::Report << 1 << u"エラーが発生したため、処理を中止しました\r\n（エラー番号 9）"_s;
    QTest::newRow("out of memory, reported as such")
        << ErrorStyle::Report << 2 << u"エラーが発生したため、処理を中止しました\r\nメモリが不足しています"_s;
    QTest::newRow("any other error, reported")
        << ErrorStyle::Report << 3 << u"エラーが発生したため、処理を中止しました"_s;
    QTest::newRow("any other error, ended silently") << ErrorStyle::EndSilently << 3 << QString();
}

void TestHandlerGuard::errorsEndTheHandlerInItsStyle()
{
    QFETCH(ErrorStyle, style);
    QFETCH(int, thrown);
    QFETCH(QString, message);

    RecordingUserInterface ui;
    bool stepAfterTheErrorRan = false;
    runHandler(style, ui, [&] {
        switch (thrown) {
        case 1:
            throw GridError(GridErrorCode::SubscriptOutOfRange);
        case 2:
            throw std::bad_alloc();
        case 3:
            throw 42;
        default:
            break;
        }
        stepAfterTheErrorRan = true;
    });

    QCOMPARE(stepAfterTheErrorRan, thrown == 0);
    if (message.isEmpty()) {
        QVERIFY(ui.messages.isEmpty());
        return;
    }
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().text, message);
    QCOMPARE(ui.messages.first().title, u"エラー"_s);
    QCOMPARE(ui.messages.first().icon, MessageIcon::Critical);
}

void TestHandlerGuard::failingLeaveCellHandlerDoesNotEscapeTheMove()
{
    // The sheet raises leave cell in the middle of moving its current cell; a handler that fails
    // there must neither unwind through the signal nor stop the move.
    Sheet sheet;
    sheet.setRows(5);
    sheet.setCols(5);
    RecordingUserInterface ui;
    int leaveCells = 0;
    QObject::connect(&sheet, &Sheet::leaveCell, &sheet, [&] {
        runHandler(ErrorStyle::EndSilently, ui, [&] {
            ++leaveCells;
            (void)sheet.textMatrix(99, 99);
        });
    });
    int rowColChanges = 0;
    QObject::connect(&sheet, &Sheet::rowColChange, &sheet, [&] { ++rowColChanges; });

    sheet.setCurrentCell(3, 4);

    QCOMPARE(leaveCells, 1);
    QCOMPARE(rowColChanges, 1);
    QCOMPARE(sheet.row(), 3);
    QCOMPARE(sheet.col(), 4);
    QCOMPARE(sheet.rowSel(), 3);
    QVERIFY(ui.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestHandlerGuard)
#include "tst_handlerguard.moc"
