#include "AppState.h"
#include "RecordingUserInterface.h"
#include "SearchCommand.h"
#include "SheetFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSearchCommand : public QObject
{
    Q_OBJECT

private slots:
    void commandAsksForOneRetargeting();
    void sheetWithoutDataCellsGivesAnEmptyText();
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

QTEST_APPLESS_MAIN(TestSearchCommand)
#include "tst_searchcommand.moc"
