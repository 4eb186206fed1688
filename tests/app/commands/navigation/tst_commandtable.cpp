#include "AppState.h"
#include "ClipboardCommands.h"
#include "CommandTable.h"
#include "RecordingUserInterface.h"
#include "RowsAndColumns.h"
#include "SendToOther.h"
#include "WindowSheetFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Command)

class TestCommandTable : public QObject
{
    Q_OBJECT

private slots:
    void rowsFollowTheCommands();
    void mayRun_data();
    void mayRun();
    void columnsMatchTheHandlers_data();
    void columnsMatchTheHandlers();
};

void TestCommandTable::rowsFollowTheCommands()
{
    // commandEntry() indexes the table by the command: a row out of place would run, enable
    // and describe another command.
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        QCOMPARE(int(commandTable()[i].command), int(i));
        QVERIFY(qstrlen(commandTable()[i].handler) > 0);
    }
}

void TestCommandTable::mayRun_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<bool>("comparing");
    QTest::addColumn<bool>("secondShown");
    QTest::addColumn<bool>("compared");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("mayRun");

    QTest::newRow("copy while comparing") << Command::Copy << true << true << true << true << false;
    QTest::newRow("copy with one sheet") << Command::Copy << false << false << false << true << true;
    QTest::newRow("align with both sheets") << Command::Align << false << true << false << true << true;
    QTest::newRow("align with one sheet") << Command::Align << false << false << false << false << false;
    QTest::newRow("align while comparing") << Command::Align << true << true << true << true << false;
    QTest::newRow("report before a comparison") << Command::Report << false << true << false << false << false;
    QTest::newRow("report after a comparison") << Command::Report << false << true << true << true << true;
    QTest::newRow("report with one sheet left") << Command::Report << false << false << true << false << false;
    // A disabled item only hides the command from the menu: called anyway, it runs and answers.
    QTest::newRow("new with both sheets in use") << Command::New << false << true << false << false << true;
}

void TestCommandTable::mayRun()
{
    QFETCH(Command, command);
    QFETCH(bool, comparing);
    QFETCH(bool, secondShown);
    QFETCH(bool, compared);
    QFETCH(bool, enabled);
    QFETCH(bool, mayRun);

    AppState state;
    fillSheet(state.grdData(0), u"a"_s);
    fillSheet(state.grdData(1), u"a"_s);
    state.grdData(1).setVisible(secondShown);
    state.mnuNewEnabled = !secondShown;
    state.ComparisonDone = compared;
    state.CompareRunning = comparing;
    QCOMPARE(commandEnabled(state, command), enabled);
    QCOMPARE(commandMayRun(state, command), mayRun);
}

void TestCommandTable::columnsMatchTheHandlers_data()
{
    QTest::addColumn<Command>("command");
    for (const Command command :
         {Command::Copy, Command::Cut, Command::Del, Command::Peast, Command::Send, Command::GAdd, Command::GDel})
        QTest::newRow(commandEntry(command).handler) << command;
}

void TestCommandTable::columnsMatchTheHandlers()
{
    QFETCH(Command, command);

    AppState state;
    RecordingUserInterface ui;
    fillSheet(state.grdData(0), u"a,b|c,d"_s);
    fillSheet(state.grdData(1), u"a,b|c,x"_s);
    state.ActiveSheet = 0;
    state.mnuUndoChecked = true;
    select(state.grdData(0), {1, 1, 1, 2});
    ui.clipboard = u"p\tq\r\n"_s;
    // A colour no comparison gives these texts: a cell compared again loses it.
    const QString painted = u"MM|MM"_s;
    paintMap(state.grdData(0), painted);
    paintMap(state.grdData(1), painted);
    switch (command) {
    case Command::Copy:
        mnuCopy_Click(state, ui);
        break;
    case Command::Cut:
        mnuCut_Click(state, ui);
        break;
    case Command::Del:
        mnuDel_Click(state, ui);
        break;
    case Command::Peast:
        mnuPeast_Click(state, ui);
        break;
    case Command::Send:
        mnuSend_Click(state, ui);
        break;
    case Command::GAdd:
        mnuGAdd_Click(state, ui, u"行追加"_s);
        break;
    case Command::GDel:
        mnuGDel_Click(state, ui, u"行削除"_s);
        break;
    default:
        QFAIL("no handler for this row");
    }
    const bool snapshotTaken = state.UndoAvailable[0] || state.UndoAvailable[1];
    QCOMPARE(snapshotTaken, commandEntry(command).takesUndoSnapshot);
    const bool compared = colourMap(state.grdData(0)) != painted || colourMap(state.grdData(1)) != painted;
    QCOMPARE(compared, commandEntry(command).recompares);
}

QTEST_GUILESS_MAIN(TestCommandTable)
#include "tst_commandtable.moc"
