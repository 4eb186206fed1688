#include "AppState.h"
#include "NewSheets.h"
#include "RecordingUserInterface.h"

#include "UndoSnapshots.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestNewSheets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newSheetIsEmptyAndNumbered();
    void newSheetSide_data();
    void newSheetSide();
    void bothSidesInUseIsRefused();
    void newSheetReplacesOldShapeAndFormat();
    void clearRestoresStartLook();
    void clearKeepsCountsAndUndo();
    void busyCommandsDoNothing();
    void headersFollowCounts_data();
    void headersFollowCounts();

private:
    void loadFakeFile(int index, const QString &path);
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

void TestNewSheets::init()
{
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
    ResetDropPanels(*m_state);
}

void TestNewSheets::cleanup()
{
    m_ui.reset();
    m_state.reset();
}

// What a finished load leaves behind, without a file: a shown sheet with data and a named file.
void TestNewSheets::loadFakeFile(int index, const QString &path)
{
    Sheet &sheet = m_state->grdData(index);
    sheet.setRows(4);
    sheet.setCols(3);
    sheet.setTextMatrix(1, 1, u"old"_s);
    sheet.setBackColorAt(1, 1, kDiffBackColor);
    sheet.setFileFormat({TextEncoding::ShiftJis, LineEnd::Lf, false, {}});
    sheet.setVisible(true);
    m_state->SheetFileName[index] = path;
    m_state->PicFile[index].clear();
    m_state->PicFile[index].drawText(100, 100, path);
    m_state->fraTool[index].visible = true;
    m_state->fraTool[index].overwriteWithdrawn = false;
}

void TestNewSheets::newSheetIsEmptyAndNumbered()
{
    mnuNew_Click(*m_state, *m_ui);

    const Sheet &sheet = m_state->grdData(0);
    QCOMPARE(sheet.rows(), 11);
    QCOMPARE(sheet.cols(), 11);
    QVERIFY(sheet.isVisible());
    QCOMPARE(sheet.textMatrix(0, 0), QString());
    QCOMPARE(sheet.textMatrix(1, 0), u"1行"_s);
    QCOMPARE(sheet.textMatrix(10, 0), u"10行"_s);
    QCOMPARE(sheet.textMatrix(0, 1), u"1列"_s);
    QCOMPARE(sheet.textMatrix(0, 10), u"10列"_s);
    for (int r = 1; r < 11; ++r)
        for (int c = 1; c < 11; ++c)
            QVERIFY2(sheet.textView(r, c).isEmpty(), qPrintable(u"cell %1,%2"_s.arg(r).arg(c)));

    QVERIFY(m_state->PicFile[0].texts.isEmpty());
    QVERIFY(m_state->fraTool[0].visible);
    QVERIFY(!m_state->fraTool[0].cmdSaveEnabled());
    QVERIFY(m_state->fraTool[0].cmdNameEnabled);
    QVERIFY(m_state->fraTool[0].overwriteWithdrawn);
    // The other side is untouched and still free.
    QVERIFY(!m_state->grdData(1).isVisible());
    QVERIFY(!m_state->fraTool[1].visible);
    QCOMPARE(m_state->PicFile[1].texts.size(), 2);
    QVERIFY(m_state->mnuNewEnabled);
    QVERIFY(m_ui->messages.isEmpty());
}

void TestNewSheets::newSheetSide_data()
{
    QTest::addColumn<bool>("sheet0Shown");
    QTest::addColumn<bool>("sheet1Shown");
    QTest::addColumn<int>("expectedSide");

    QTest::newRow("both free: sheet 1 first") << false << false << 0;
    QTest::newRow("only sheet 2 loaded") << false << true << 0;
    QTest::newRow("only sheet 1 loaded") << true << false << 1;
}

void TestNewSheets::newSheetSide()
{
    QFETCH(bool, sheet0Shown);
    QFETCH(bool, sheet1Shown);
    QFETCH(int, expectedSide);

    if (sheet0Shown)
        loadFakeFile(0, u"/data/a.csv"_s);
    if (sheet1Shown)
        loadFakeFile(1, u"/data/b.csv"_s);
    UpdateNewMenuState(*m_state);
    QVERIFY(m_state->mnuNewEnabled);

    mnuNew_Click(*m_state, *m_ui);

    QCOMPARE(m_state->grdData(expectedSide).rows(), 11);
    QVERIFY(m_state->grdData(expectedSide).isVisible());
    QVERIFY(m_state->fraTool[expectedSide].overwriteWithdrawn);
    const int other = 1 - expectedSide;
    if (sheet0Shown || sheet1Shown) {
        // The loaded side keeps its data, file and overwrite-save.
        QCOMPARE(m_state->grdData(other).textMatrix(1, 1), u"old"_s);
        QVERIFY(m_state->fraTool[other].cmdSaveEnabled());
        QVERIFY(!m_state->fraTool[other].overwriteWithdrawn);
        QVERIFY(!m_state->mnuNewEnabled);
    } else {
        QVERIFY(!m_state->grdData(other).isVisible());
        QVERIFY(m_state->mnuNewEnabled);
    }
    QVERIFY(m_ui->messages.isEmpty());
}

void TestNewSheets::bothSidesInUseIsRefused()
{
    mnuNew_Click(*m_state, *m_ui);
    mnuNew_Click(*m_state, *m_ui);
    QVERIFY(m_state->grdData(1).isVisible());
    QVERIFY(!m_state->mnuNewEnabled);
    m_state->grdData(0).setTextMatrix(2, 2, u"typed"_s);

    // A stale menu state lets the command through once more.
    m_state->mnuNewEnabled = true;
    mnuNew_Click(*m_state, *m_ui);

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, u"どちらも使用中です"_s);
    QCOMPARE(m_ui->messages[0].title, u"作成不可能"_s);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::None);
    QCOMPARE(m_state->grdData(0).textMatrix(2, 2), u"typed"_s);
    QVERIFY(!m_state->mnuNewEnabled);
}

void TestNewSheets::newSheetReplacesOldShapeAndFormat()
{
    // A side cleared after a large Shift-JIS file: the new sheet must not inherit either.
    loadFakeFile(0, u"/data/a.csv"_s);
    m_state->grdData(0).setRows(40);
    m_state->grdData(0).setCols(30);
    cmdClr_Click(*m_state);

    mnuNew_Click(*m_state, *m_ui);

    const Sheet &sheet = m_state->grdData(0);
    QCOMPARE(sheet.rows(), 11);
    QCOMPARE(sheet.cols(), 11);
    QCOMPARE(sheet.textMatrix(1, 1), QString());
    QCOMPARE(sheet.backColorAt(1, 1), kWindowBackColor);
    QCOMPARE(sheet.fileFormat(), SheetFileFormat{});
    QCOMPARE(sheet.fileFormat().encoding, TextEncoding::Utf8);
    QCOMPARE(sheet.fileFormat().lineEnd, LineEnd::CrLf);
}

void TestNewSheets::clearRestoresStartLook()
{
    AppState fresh;
    ResetDropPanels(fresh);

    loadFakeFile(0, u"/data/a.csv"_s);
    mnuNew_Click(*m_state, *m_ui);
    QVERIFY(!m_state->mnuNewEnabled);

    cmdClr_Click(*m_state);

    for (int i = 0; i < 2; ++i) {
        QVERIFY(!m_state->grdData(i).isVisible());
        QVERIFY(!m_state->fraTool[i].visible);
        QVERIFY(m_state->SheetFileName[i].isEmpty());
        QCOMPARE(m_state->PicFile[i].texts, fresh.PicFile[i].texts);
    }
    QCOMPARE(m_state->PicFile[0].texts.at(0), (PanelText{100, 200, u"比較するファイル  1"_s}));
    QCOMPARE(m_state->PicFile[0].texts.at(1), (PanelText{100, 600, u"ドラッグ＆ドロップで指定する"_s}));
    QCOMPARE(m_state->PicFile[1].texts.at(0), (PanelText{100, 200, u"比較するファイル  2"_s}));
    QCOMPARE(m_state->grdData(0).textMatrix(1, 1), QString());
    QVERIFY(m_state->mnuNewEnabled);
}

void TestNewSheets::clearKeepsCountsAndUndo()
{
    loadFakeFile(0, u"/data/a.csv"_s);
    loadFakeFile(1, u"/data/b.csv"_s);
    m_state->grdData(1).setRows(7);
    m_state->mnuUndoChecked = true;
    RunAsHistoryStep(*m_state, u"入力"_s, [&] { m_state->grdData(0).setTextMatrix(1, 1, u"snapshot"_s); });

    cmdClr_Click(*m_state);

    QCOMPARE(m_state->grdData(0).rows(), 4);
    QCOMPARE(m_state->grdData(0).cols(), 3);
    QCOMPARE(m_state->grdData(1).rows(), 7);
    QCOMPARE(m_state->grdData(1).textMatrix(1, 1), QString());
    QCOMPARE(m_state->UndoAvailable[0], true);
    QCOMPARE(m_state->UndoAvailable[1], false);
}

void TestNewSheets::busyCommandsDoNothing()
{
    loadFakeFile(0, u"/data/a.csv"_s);
    m_state->mnuNewEnabled = true;
    m_state->CompareRunning = true;
    const auto panels = m_state->PicFile;

    mnuNew_Click(*m_state, *m_ui);
    cmdClr_Click(*m_state);
    m_state->grdData(1).setVisible(true);
    UpdateNewMenuState(*m_state);

    QVERIFY(m_state->grdData(0).isVisible());
    QCOMPARE(m_state->grdData(0).textMatrix(1, 1), u"old"_s);
    QCOMPARE(m_state->grdData(1).rows(), 2);
    QCOMPARE(m_state->SheetFileName[0], u"/data/a.csv"_s);
    QCOMPARE(m_state->PicFile[0].texts, panels[0].texts);
    QCOMPARE(m_state->PicFile[1].texts, panels[1].texts);
    QVERIFY(m_state->fraTool[0].visible);
    QVERIFY(m_state->mnuNewEnabled); // both shown now, but the menu is left alone while busy
    QVERIFY(m_ui->messages.isEmpty());
}

void TestNewSheets::headersFollowCounts_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");

    QTest::newRow("no data rows or columns") << 1 << 1;
    QTest::newRow("one data cell") << 2 << 2;
    QTest::newRow("wide sheet") << 3 << 1200;
    QTest::newRow("tallest sheet") << kMaxRowCol << 2;
}

void TestNewSheets::headersFollowCounts()
{
    QFETCH(int, rows);
    QFETCH(int, cols);

    m_state->grdData(1).setRows(rows);
    m_state->grdData(1).setCols(cols);
    m_state->grdData(1).setTextMatrix(0, 0, u"corner"_s);
    NumberRowHeaders(*m_state, 1);
    NumberColumnHeaders(*m_state, 1);

    const Sheet &sheet = m_state->grdData(1);
    QCOMPARE(sheet.textMatrix(0, 0), u"corner"_s);
    if (rows > 1) {
        QCOMPARE(sheet.textMatrix(1, 0), u"1行"_s);
        QCOMPARE(sheet.textMatrix(rows - 1, 0), QString::number(rows - 1) + u"行"_s);
    }
    if (cols > 1) {
        QCOMPARE(sheet.textMatrix(0, 1), u"1列"_s);
        QCOMPARE(sheet.textMatrix(0, cols - 1), QString::number(cols - 1) + u"列"_s);
    }
    if (rows > 1 && cols > 1)
        QCOMPARE(sheet.textMatrix(1, 1), QString());
}

QTEST_GUILESS_MAIN(TestNewSheets)
#include "tst_newsheets.moc"
