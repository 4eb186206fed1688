#include "AppState.h"
#include "CellDiffCommand.h"
#include "ClipboardCommands.h"
#include "CommandHandlers.h"
#include "CommandTable.h"
#include "RecordingUserInterface.h"
#include "RowsAndColumns.h"
#include "SendToOther.h"
#include "UndoSnapshots.h"
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
    QTest::addColumn<bool>("undo");
    for (const Command command :
         {Command::Copy, Command::Cut, Command::Del, Command::Peast, Command::Send, Command::GAdd, Command::GDel,
          Command::Align, Command::SaveActive, Command::SaveAsActive, Command::Recent, Command::Exit}) {
        QTest::addRow("%s, undo on", commandEntry(command).handler) << command << true;
        QTest::addRow("%s, undo off", commandEntry(command).handler) << command << false;
    }
}

// The window runs every row through runCommandHandler: a row that says it is a step is one on the
// sheets it changed, and only then; with undo off it still marks them changed.
void TestCommandTable::columnsMatchTheHandlers()
{
    QFETCH(Command, command);
    QFETCH(bool, undo);

    AppState state;
    RecordingUserInterface ui;
    CellDiffFollower follower;
    fillSheet(state.grdData(0), u"a,b|c,d|e,f"_s);
    fillSheet(state.grdData(1), u"a,b|c,x"_s);
    state.ActiveSheet = 0;
    state.mnuUndoChecked = undo;
    select(state.grdData(0), {2, 1, 2, 2});
    state.mnuMain.mnuGAddCaption = u"行追加"_s;
    state.mnuMain.mnuGDelCaption = u"行削除"_s;
    ui.clipboard = u"p\tq\r\n"_s;
    // A colour no comparison gives these texts: a cell compared again loses it.
    const QString painted = u"MM|MM"_s;
    paintMap(state.grdData(1), painted);
    const std::array<QStringList, 2> before{wholeSheet(state.grdData(0)), wholeSheet(state.grdData(1))};

    CommandCall call{state, ui, -1, QString(), follower};
    runCommandHandler(command, call);

    const std::array<bool, 2> changed{wholeSheet(state.grdData(0)) != before[0],
                                      wholeSheet(state.grdData(1)) != before[1]};
    QCOMPARE(changed[0] || changed[1], commandEntry(command).takesUndoSnapshot);
    for (int i = 0; i < 2; ++i) {
        const bool stepped
            = commandEntry(command).changesBothSheets ? changed[0] || changed[1] : changed[std::size_t(i)];
        QCOMPARE(state.UndoAvailable[std::size_t(i)], undo && stepped);
        QCOMPARE(state.SheetChanged[std::size_t(i)], changed[std::size_t(i)] && command != Command::Align);
    }
    QCOMPARE(colourMap(state.grdData(1)).left(5) != painted, commandEntry(command).recompares);
    if (!undo || !changed[0])
        return;
    // One undo on the active sheet takes the whole step back, on both sheets when it changed both.
    mnuZ_Click(state, ui);
    QCOMPARE(wholeSheet(state.grdData(0)), before[0]);
    QCOMPARE(wholeSheet(state.grdData(1)), before[1]);
    QCOMPARE(colourMap(state.grdData(1)), painted);
    mnuRedo_Click(state, ui);
    QVERIFY(wholeSheet(state.grdData(0)) != before[0]);
}

QTEST_GUILESS_MAIN(TestCommandTable)
#include "tst_commandtable.moc"
