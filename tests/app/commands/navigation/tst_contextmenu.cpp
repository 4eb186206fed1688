#include "AppState.h"
#include "ContextMenu.h"
#include "WindowSheetFixtures.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestContextMenu : public QObject
{
    Q_OBJECT

private slots:
    void classifiesTheClick_data();
    void classifiesTheClick();
    void itemsFollowUndoAndTheOtherSheet();
};

void TestContextMenu::classifiesTheClick_data()
{
    QTest::addColumn<Selection>("before");
    QTest::addColumn<QPoint>("mouse"); // MouseCol, MouseRow
    QTest::addColumn<Selection>("after");
    QTest::addColumn<QString>("items"); // the row/column items' captions, empty when hidden
    QTest::addColumn<bool>("focused");

    // The sheet: 10 data rows, 6 data columns.
    QTest::newRow("corner selects every data cell")
        << Selection{3, 2, 4, 3} << QPoint(0, 0) << Selection{1, 1, 10, 6} << QString() << false;
    QTest::newRow("row header inside whole rows keeps them")
        << Selection{3, 1, 7, 6} << QPoint(0, 5) << Selection{3, 1, 7, 6} << u"行追加 行削除"_s << false;
    QTest::newRow("row header outside selects that whole row")
        << Selection{3, 2, 7, 4} << QPoint(0, 9) << Selection{9, 1, 9, 6} << u"行追加 行削除"_s << true;
    QTest::newRow("row header in a block that is no whole row selects the row alone")
        << Selection{3, 2, 7, 4} << QPoint(0, 5) << Selection{5, 1, 5, 6} << u"行追加 行削除"_s << true;
    QTest::newRow("column header outside selects that whole column")
        << Selection{2, 2, 2, 2} << QPoint(3, 0) << Selection{1, 3, 10, 3} << u"列追加 列削除"_s << true;
    QTest::newRow("column header inside whole columns keeps them")
        << Selection{1, 2, 10, 4} << QPoint(3, 0) << Selection{1, 2, 10, 4} << u"列追加 列削除"_s << false;
    QTest::newRow("body cell inside the block keeps it")
        << Selection{3, 2, 5, 4} << QPoint(3, 4) << Selection{3, 2, 5, 4} << QString() << false;
    QTest::newRow("body cell outside selects that cell")
        << Selection{3, 2, 5, 4} << QPoint(6, 8) << Selection{8, 6, 8, 6} << QString() << true;
}

void TestContextMenu::classifiesTheClick()
{
    QFETCH(Selection, before);
    QFETCH(QPoint, mouse);
    QFETCH(Selection, after);
    QFETCH(QString, items);
    QFETCH(bool, focused);

    AppState state;
    Sheet &sheet = state.grdData(1);
    fillSheet(sheet, u"a,b,c,d,e,f|"_s.repeated(10).chopped(1));
    select(sheet, before);
    sheet.setMouseCell(mouse.y(), mouse.x());
    // Captions a body or corner click must leave as they are.
    state.mnuMain.mnuGAddCaption = u"列追加"_s;
    state.mnuMain.mnuGDelCaption = u"列削除"_s;
    QSignalSpy focusRequests(&sheet, &Sheet::focusRequested);

    QVERIFY(PrepareContextMenu(state, 1));

    QCOMPARE(selectionOf(sheet), after);
    const AppState::ContextMenuItems &menu = state.mnuMain;
    QCOMPARE(menu.rowColumnItemsVisible, !items.isEmpty());
    QCOMPARE(menu.mnuGAddCaption + u' ' + menu.mnuGDelCaption, items.isEmpty() ? u"列追加 列削除"_s : items);
    QCOMPARE(focusRequests.size(), focused ? 1 : 0);
}

void TestContextMenu::itemsFollowUndoAndTheOtherSheet()
{
    AppState state;
    fillSheet(state.grdData(0), u"a,b|c,d"_s);
    fillSheet(state.grdData(1), u"a,b|c,d"_s);
    state.grdData(0).setMouseCell(1, 1);
    state.grdData(1).setMouseCell(1, 1);
    for (const bool undo : {false, true}) {
        for (const bool otherShown : {false, true}) {
            state.UndoAvailable = {!undo, undo};
            state.grdData(0).setVisible(otherShown);
            QVERIFY(PrepareContextMenu(state, 1));
            QCOMPARE(state.mnuMain.mnuZEnabled, undo);
            QCOMPARE(state.mnuMain.mnuSendEnabled, otherShown);
        }
    }
    state.CompareRunning = true;
    QVERIFY(!PrepareContextMenu(state, 1));
}

QTEST_GUILESS_MAIN(TestContextMenu)
#include "tst_contextmenu.moc"
