#include "AppState.h"
#include "CellEditor.h"
#include "ClipboardCommands.h"
#include "DelimiterMenu.h"
#include "Differences.h"
#include "FileIntake.h"
#include "NewSheets.h"
#include "RecordingUserInterface.h"
#include "RowsAndColumns.h"
#include "SaveCommands.h"
#include "SearchScan.h"
#include "SendToOther.h"
#include "TestFiles.h"
#include "UndoSnapshots.h"
#include "UnsavedChanges.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{
using Action = std::function<void(AppState &, UserInterface &)>;
// A handler run as the window runs its command: one step of the history.
Action asCommand(Command command, void (*handler)(AppState &, UserInterface &))
{
    return [=](AppState &state, UserInterface &ui) { RunAsHistoryStep(state, command, [&] { handler(state, ui); }); };
}

const QByteArray kLeftBytes = "a,b\r\nc,d\r\n";
const QByteArray kRightBytes = "a,x\r\nc,d\r\ne,f\r\n";
} // namespace

Q_DECLARE_METATYPE(Action)

class TestUnsavedChanges : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandsMarkTheSheetTheyChange_data();
    void commandsMarkTheSheetTheyChange();
    void markIsShownAndClearedBySaveLoadAndNewSheet();
    void discardPointsAsk_data();
    void discardPointsAsk();

private:
    void loadBoth();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
    QString m_left;
    QString m_right;
};

void TestUnsavedChanges::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
    m_left = writeTestFile(*m_dir, u"left.csv"_s, kLeftBytes);
    m_right = writeTestFile(*m_dir, u"right.csv"_s, kRightBytes);
}

void TestUnsavedChanges::cleanup()
{
    m_ui.reset();
    m_state.reset();
    m_dir.reset();
}

void TestUnsavedChanges::loadBoth()
{
    LoadSheetFile(*m_state, *m_ui, 0, m_left);
    LoadSheetFile(*m_state, *m_ui, 1, m_right);
    m_state->ActiveSheet = 0;
    m_state->grdData(0).setCurrentCell(1, 1);
    m_state->grdData(1).setCurrentCell(1, 1);
}

void TestUnsavedChanges::commandsMarkTheSheetTheyChange_data()
{
    QTest::addColumn<Action>("command");
    QTest::addColumn<bool>("changes0");
    QTest::addColumn<bool>("changes1");

    QTest::newRow("edit commit") << Action([](AppState &state, UserInterface &) {
        state.txtEdit(0).setText(u"new"_s);
        state.txtEdit(0).setVisible(true);
        EndCellEdit(state, 0);
    }) << true << false;
    QTest::newRow("paste") << Action([](AppState &state, UserInterface &ui) {
        ui.setClipboardText(u"p\r\n"_s);
        RunAsHistoryStep(state, Command::Peast, [&] { mnuPeast_Click(state, ui); });
    }) << true << false;
    QTest::newRow("cut") << asCommand(Command::Cut, mnuCut_Click) << true << false;
    QTest::newRow("delete") << asCommand(Command::Del, mnuDel_Click) << true << false;
    QTest::newRow("copy to the other sheet") << Action([](AppState &state, UserInterface &ui) {
        state.grdData(0).setCurrentCell(1, 2);
        RunAsHistoryStep(state, Command::Send, [&] { mnuSend_Click(state, ui); });
    }) << false << true;
    QTest::newRow("copy to the other sheet of what it holds")
        << asCommand(Command::Send, mnuSend_Click) << false << false;
    QTest::newRow("insert rows") << Action([](AppState &state, UserInterface &ui) {
        RunAsHistoryStep(state, Command::GAdd, [&] { mnuGAdd_Click(state, ui, u"行追加"_s); });
    }) << true << false;
    QTest::newRow("delete columns") << Action([](AppState &state, UserInterface &ui) {
        RunAsHistoryStep(state, Command::GDel, [&] { mnuGDel_Click(state, ui, u"列削除"_s); });
    }) << true << false;
    QTest::newRow("replace") << Action([](AppState &state, UserInterface &ui) {
        // The first press shows the match, the second replaces it.
        SearchRequest request{1, SearchMode::Replace, SearchDirection::DownRight, false, u"x"_s, u"y"_s};
        request.shownMatch = RunSearch(state, ui, request).shown;
        request.continueSearch = true;
        (void)RunSearch(state, ui, request);
    }) << false << true;
    // Rows that only line the sheets up are left out by a save.
    QTest::newRow("line up rows") << asCommand(Command::Align, mnuAlign_Click) << false << false;
    QTest::newRow("copy changes nothing") << Action(mnuCopy_Click) << false << false;
}

// Every changing command marks the sheet it changes, undo on or off; an undo marks it again
// after a save.
void TestUnsavedChanges::commandsMarkTheSheetTheyChange()
{
    QFETCH(Action, command);
    QFETCH(bool, changes0);
    QFETCH(bool, changes1);

    for (const bool undo : {true, false}) {
        init();
        loadBoth();
        m_state->mnuUndoChecked = undo;
        QCOMPARE(m_state->SheetChanged, (std::array<bool, 2>{false, false}));
        command(*m_state, *m_ui);
        QCOMPARE(m_state->SheetChanged, (std::array<bool, 2>{changes0, changes1}));
        const int changed = changes0 ? 0 : 1;
        if (!undo || !(changes0 || changes1) || !m_state->UndoAvailable[changed])
            continue;
        QVERIFY(SaveSheet(*m_state, *m_ui, changed, m_state->SheetFileName[changed]));
        QVERIFY(!m_state->SheetChanged[changed]);
        m_state->ActiveSheet = changed;
        mnuZ_Click(*m_state, *m_ui);
        QVERIFY(m_state->SheetChanged[changed]);
    }
}

// The caption and the file-name strip show the mark; a load clears it.
void TestUnsavedChanges::markIsShownAndClearedBySaveLoadAndNewSheet()
{
    loadBoth();
    QCOMPARE(windowCaption(*m_state), u"Rowlark"_s);
    QCOMPARE(shownPanelTexts(*m_state, 0).first().text, m_left);
    RunAsHistoryStep(*m_state, Command::Del, [&] { mnuDel_Click(*m_state, *m_ui); });
    QCOMPARE(windowCaption(*m_state), u"＊ Rowlark"_s);
    QCOMPARE(shownPanelTexts(*m_state, 0).first().text, u"＊ "_s + m_left);
    QCOMPARE(shownPanelTexts(*m_state, 1).first().text, m_right);
    LoadSheetFile(*m_state, *m_ui, 0, m_left);
    QCOMPARE(windowCaption(*m_state), u"Rowlark"_s);

    // A new sheet has no name: the strip shows the mark alone once it is changed.
    cmdClr_Click(*m_state);
    mnuNew_Click(*m_state, *m_ui);
    m_state->ActiveSheet = 0;
    // Deleting the empty cells of a new sheet would change nothing: a paste does.
    m_ui->setClipboardText(u"p\r\n"_s);
    RunAsHistoryStep(*m_state, Command::Peast, [&] { mnuPeast_Click(*m_state, *m_ui); });
    QVERIFY(!shownPanelTexts(*m_state, 0).isEmpty());
    QCOMPARE(shownPanelTexts(*m_state, 0).first().text, u"＊ "_s);
}

void TestUnsavedChanges::discardPointsAsk_data()
{
    QTest::addColumn<Action>("command");
    QTest::addColumn<bool>("bothChanged");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<bool>("withdrawn"); // sheet 1 may not overwrite its file
    QTest::addColumn<bool>("saveAsAnswered"); // the save dialog gives a path
    QTest::addColumn<bool>("goesOn"); // the command replaces sheet 1

    const Action newLoad = [](AppState &state, UserInterface &ui) { cmdClr_Click(state, ui); };
    const Action delimiter = [](AppState &state, UserInterface &ui) { mnuKukan_Click(state, ui); };
    const Action drop = [this](AppState &state, UserInterface &ui) { PicFile_OLEDragDrop(state, ui, 0, {m_right}); };
    const Action ctrlS = [](AppState &state, UserInterface &ui) { SaveActiveSheet(state, ui); };
    const QList<Answer> save{Answer::Save};
    const QList<Answer> dontSave{Answer::DontSave};
    const QList<Answer> cancel{Answer::Cancel};
    for (const auto &[name, command] :
         {std::pair{"新規読込", newLoad}, {"delimiter change", delimiter}, {"drop", drop}}) {
        QTest::addRow("%s: 保存", name) << command << false << save << false << false << true;
        QTest::addRow("%s: 保存しない", name) << command << false << dontSave << false << false << true;
        QTest::addRow("%s: キャンセル", name) << command << false << cancel << false << false << false;
    }
    QTest::newRow("新規読込: second sheet cancels")
        << newLoad << true << QList<Answer>{Answer::DontSave, Answer::Cancel} << false << false << false;
    QTest::newRow("withdrawn overwrite saves as") << newLoad << false << save << true << true << true;
    QTest::newRow("cancelled save-as cancels") << newLoad << false << save << true << false << false;
    QTest::newRow("Ctrl+S saves without asking") << ctrlS << false << QList<Answer>{} << false << false << false;
}

// Each command that throws sheets away asks about a changed one first: 保存 writes it (with the
// old delimiter, where the delimiter changes), 保存しない lets it go, キャンセル (or a save that
// does not happen) leaves the sheets, the files and the setting as they were.
void TestUnsavedChanges::discardPointsAsk()
{
    QFETCH(Action, command);
    QFETCH(bool, bothChanged);
    QFETCH(QList<Answer>, answers);
    QFETCH(bool, withdrawn);
    QFETCH(bool, saveAsAnswered);
    QFETCH(bool, goesOn);

    loadBoth();
    m_ui->onDelimiterDialog = [](AppState &state) {
        state.DelimiterMode = 1;
        state.UserDelimiter = u";"_s;
    };
    const QString saveAsPath = m_dir->filePath(u"saved as.csv"_s);
    if (withdrawn) {
        m_state->fraTool[0].overwriteWithdrawn = true;
        m_ui->scriptedSavePaths = {saveAsAnswered ? saveAsPath : QString()};
    }
    RunAsHistoryStep(*m_state, Command::Del, [&] { mnuDel_Click(*m_state, *m_ui); }); // sheet 1's "a" goes
    if (bothChanged) {
        m_state->ActiveSheet = 1;
        RunAsHistoryStep(*m_state, Command::Del, [&] { mnuDel_Click(*m_state, *m_ui); });
        m_state->ActiveSheet = 0;
    }
    m_ui->messages.clear();
    m_ui->scriptedAnswers = answers;
    command(*m_state, *m_ui);

    QCOMPARE(m_ui->questions.size(), answers.size());
    if (!answers.isEmpty()) {
        const Question &question = m_ui->questions.first();
        QCOMPARE(question.text, u"ファイル１（left.csv）の変更を保存しますか？"_s);
        QCOMPARE(question.buttons.first().answer, Answer::Save); // the default
    }
    if (answers.size() > 1)
        QCOMPARE(m_ui->questions[1].text, u"ファイル２（right.csv）の変更を保存しますか？"_s);

    // Saved with the setting the sheet was read with: the comma.
    const bool saved = answers.value(0, Answer::Save) == Answer::Save && (!withdrawn || saveAsAnswered);
    const QByteArray unsaved = withdrawn ? QByteArray("<unreadable>") : kLeftBytes;
    QCOMPARE(readTestFile(withdrawn ? saveAsPath : m_left), saved ? QByteArray(",b\r\nc,d\r\n") : unsaved);
    QCOMPARE(readTestFile(m_right), kRightBytes);

    const bool replaced = !m_state->grdData(0).isVisible() || m_state->SheetFileName[0] == m_right;
    QCOMPARE(replaced, goesOn);
    if (!replaced && !saved) {
        QVERIFY(m_state->SheetChanged[0]);
        QCOMPARE(m_state->grdData(0).textMatrix(1, 1), QString());
        QCOMPARE(m_state->DelimiterMode, 0);
        QCOMPARE(m_state->UserDelimiter, u"|"_s);
    }
}

QTEST_MAIN(TestUnsavedChanges)
#include "tst_unsavedchanges.moc"
