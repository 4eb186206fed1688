#include "AppState.h"
#include "RecordingUserInterface.h"
#include "SearchCommand.h"
#include "WindowSheetFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSearchCommand : public QObject
{
    Q_OBJECT

private slots:
    void commandAsksForOneRetargeting();
    void sheetWithoutDataCellsGivesAnEmptyText();
    void longTextIsNotCutForTheSearchBox_data();
    void longTextIsNotCutForTheSearchBox();
};

void TestSearchCommand::commandAsksForOneRetargeting()
{
    AppState state;
    RecordingUserInterface ui;
    fillSheet(state.grdData(1), u"a,b|c,d"_s);
    state.grdData(1).setCurrentCell(2, 1);
    state.ActiveSheet = 1;

    state.CompareRunning = true;
    mnuGrep_Click(state, ui);
    QCOMPARE(ui.searchDialogShows, 0);
    QVERIFY(!TakeSearchDialogPending(state));

    state.CompareRunning = false;
    mnuGrep_Click(state, ui);
    QCOMPARE(ui.searchDialogShows, 1);
    const std::optional<SearchTarget> target = TakeSearchDialogPending(state);
    QVERIFY(target);
    QCOMPARE(target->sheet, 1);
    QCOMPARE(target->searchText, u"c"_s);
    // A later activation, by switching windows, finds nothing to do.
    QVERIFY(!TakeSearchDialogPending(state));
}

void TestSearchCommand::sheetWithoutDataCellsGivesAnEmptyText()
{
    AppState state;
    RecordingUserInterface ui;
    Sheet &sheet = state.grdData(0);
    sheet.setRows(1);
    sheet.setCols(1);
    mnuGrep_Click(state, ui);
    const std::optional<SearchTarget> target = TakeSearchDialogPending(state);
    QVERIFY(target);
    QCOMPARE(target->sheet, 0);
    QCOMPARE(target->searchText, QString());
}

void TestSearchCommand::longTextIsNotCutForTheSearchBox_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("taken");

    // The search box holds 32767 characters, as the edit boxes do.
    QTest::newRow("the longest text the box holds") << 32767 << true;
    QTest::newRow("one character more: the box starts empty") << 32768 << false;
    QTest::newRow("a million characters") << 1000000 << false;
}

void TestSearchCommand::longTextIsNotCutForTheSearchBox()
{
    QFETCH(int, length);
    QFETCH(bool, taken);

    AppState state;
    RecordingUserInterface ui;
    fillSheet(state.grdData(0), u"a,b|c,d"_s);
    const QString text(length, u'x');
    state.grdData(0).setTextMatrix(2, 2, text);
    state.grdData(0).setCurrentCell(2, 2);
    mnuGrep_Click(state, ui);
    const std::optional<SearchTarget> target = TakeSearchDialogPending(state);
    QVERIFY(target);
    QCOMPARE(target->searchText, taken ? text : QString());
}

QTEST_APPLESS_MAIN(TestSearchCommand)
#include "tst_searchcommand.moc"
