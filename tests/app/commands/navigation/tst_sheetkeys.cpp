#include "AppState.h"
#include "RecordingUserInterface.h"
#include "SheetKeys.h"
#include "WindowSheetFixtures.h"

#include "UndoSnapshots.h"
#include <QSignalSpy>

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
constexpr int kShift = 1;
constexpr int kCtrl = 2;
constexpr int kAlt = 4;
} // namespace

class TestSheetKeys : public QObject
{
    Q_OBJECT

private slots:
    void shortcutKeys_data();
    void shortcutKeys();
    void focusMakesTheSheetActive();
};

void TestSheetKeys::shortcutKeys_data()
{
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("shift");
    QTest::addColumn<bool>("bothShown");
    QTest::addColumn<bool>("undoAvailable");
    QTest::addColumn<QString>("effect"); // what the person would notice
    QTest::addColumn<bool>("armed"); // KeyEditArmed afterwards

    QTest::newRow("Delete") << 46 << 0 << true << false << u"deleted"_s << false;
    QTest::newRow("Shift+Delete deletes too") << 46 << kShift << true << false << u"deleted"_s << false;
    QTest::newRow("Ctrl+Delete deletes too") << 46 << kCtrl << true << false << u"deleted"_s << false;
    QTest::newRow("Ctrl+C") << int('C') << kCtrl << true << false << u"copied"_s << false;
    QTest::newRow("Ctrl+Shift+C runs nothing") << int('C') << (kCtrl | kShift) << true << false << QString() << true;
    QTest::newRow("Ctrl+Alt+C runs nothing") << int('C') << (kCtrl | kAlt) << true << false << QString() << true;
    QTest::newRow("Ctrl+X") << int('X') << kCtrl << true << false << u"copied deleted"_s << false;
    QTest::newRow("Ctrl+V") << int('V') << kCtrl << true << false << u"pasted"_s << false;
    QTest::newRow("Ctrl+Z with a snapshot") << int('Z') << kCtrl << true << true << u"undone"_s << false;
    QTest::newRow("Ctrl+Z without one disarms all the same")
        << int('Z') << kCtrl << true << false << QString() << false;
    QTest::newRow("Ctrl+F") << int('F') << kCtrl << true << false << u"search"_s << false;
    QTest::newRow("Ctrl+M, both shown") << int('M') << kCtrl << true << false << u"sent"_s << false;
    QTest::newRow("Ctrl+M with one sheet shown runs nothing")
        << int('M') << kCtrl << false << false << QString() << true;
    QTest::newRow("a letter arms the editor") << int('A') << 0 << true << false << QString() << true;
}

void TestSheetKeys::shortcutKeys()
{
    QFETCH(int, keyCode);
    QFETCH(int, shift);
    QFETCH(bool, bothShown);
    QFETCH(bool, undoAvailable);
    QFETCH(QString, effect);
    QFETCH(bool, armed);

    AppState state;
    RecordingUserInterface ui;
    ui.clipboard = u"p\r\n"_s;
    fillSheet(state.grdData(0), u"x,y|z,w"_s);
    fillSheet(state.grdData(1), u"a,b|c,d"_s);
    state.grdData(0).setVisible(bothShown);
    // A block extended upward: the key puts its corners in order before the command.
    Sheet &sheet = state.grdData(1);
    select(sheet, {2, 2, 1, 1});
    state.ActiveSheet = 1;
    if (undoAvailable) {
        const QString text = sheet.textMatrix(1, 1);
        sheet.setTextMatrix(1, 1, u"old"_s);
        RunAsHistoryStep(state, u"入力"_s, [&] { sheet.setTextMatrix(1, 1, text); });
    }
    QSignalSpy focusRequests(&sheet, &Sheet::focusRequested);

    grdData_KeyDown(state, ui, 1, keyCode, shift);

    QStringList noticed;
    if (ui.clipboard != u"p\r\n"_s)
        noticed << u"copied"_s;
    if (sheet.textMatrix(2, 2).isEmpty())
        noticed << u"deleted"_s;
    if (sheet.textMatrix(1, 1) == u"p"_s)
        noticed << u"pasted"_s;
    if (sheet.textMatrix(1, 1) == u"old"_s)
        noticed << u"undone"_s;
    if (ui.searchDialogShows > 0)
        noticed << u"search"_s;
    if (state.grdData(0).textMatrix(1, 1) == u"a"_s)
        noticed << u"sent"_s;
    QCOMPARE(noticed.join(u' '), effect);
    QCOMPARE(state.KeyEditArmed, armed);
    QCOMPARE(focusRequests.size(), 1);
    if (effect == u"copied"_s)
        QCOMPARE(ui.clipboard, u"a\tb\r\nc\td\r\n"_s); // the whole block, corners in order
}

void TestSheetKeys::focusMakesTheSheetActive()
{
    AppState state;
    grdData_GotFocus(state, 1);
    QCOMPARE(state.ActiveSheet, 1);
    state.CompareRunning = true;
    grdData_GotFocus(state, 0);
    grdData_KeyDown(state, *std::make_unique<RecordingUserInterface>(), 0, 46, 0);
    QCOMPARE(state.ActiveSheet, 1);
    QVERIFY(!state.KeyEditArmed);
}

QTEST_GUILESS_MAIN(TestSheetKeys)
#include "tst_sheetkeys.moc"
