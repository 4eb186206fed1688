#include "AppState.h"
#include "CompareEngine.h"
#include "Differences.h"
#include "NewSheets.h"
#include "RecordingUserInterface.h"
#include "StatusBarText.h"
#include "UndoSnapshots.h"
#include "WindowSheetFixtures.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestStatusBarText : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void differenceText_data();
    void differenceText();
    void sheetText_data();
    void sheetText();

private:
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

void TestStatusBarText::init()
{
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
}

void TestStatusBarText::cleanup()
{
    m_ui.reset();
    m_state.reset();
}

void TestStatusBarText::differenceText_data()
{
    QTest::addColumn<QString>("right"); // the second sheet; the first is always a,b|c,d|e,f
    // What happens after the loads: "" nothing, "compare", then "edit" (a change of sheet 1),
    // "F8" or "F8 F8" (steps from the current cell), "S-F8" (a step back), "clear" (新規読込),
    // "align" (行を揃える) and "load" (sheet 2 replaced by the same texts).
    QTest::addColumn<QString>("actions");
    QTest::addColumn<int>("sheet"); // the active sheet
    QTest::addColumn<QPoint>("cell"); // its current cell before the steps
    QTest::addColumn<QString>("expected");

    const QString twoDiffer = u"a,X|c,d|Y,f"_s;
    QTest::newRow("nothing before the first comparison") << twoDiffer << QString() << 0 << QPoint(1, 2) << QString();
    QTest::newRow("on a differing cell") << twoDiffer << u"compare"_s << 1 << QPoint(3, 1)
                                         << u"差分 2 / 2（3行 1列）"_s;
    QTest::newRow("on an equal cell") << twoDiffer << u"compare"_s << 0 << QPoint(2, 2) << u"差分 2 個"_s;
    QTest::newRow("no differences") << u"a,b|c,d|e,f"_s << u"compare"_s << 0 << QPoint(1, 1) << u"差分 0 個"_s;
    // Cells only the longer second sheet has count and are numbered in the order F8 takes.
    QTest::newRow("a cell only the larger sheet has")
        << u"a,X|c,d|e,f|g,h"_s << u"compare"_s << 1 << QPoint(4, 2) << u"差分 3 / 3（4行 2列）"_s;
    QTest::newRow("changed after the comparison")
        << twoDiffer << u"compare edit"_s << 0 << QPoint(2, 2) << u"差分 2 個　比較後に変更あり"_s;
    QTest::newRow("a step past the last difference says so")
        << twoDiffer << u"compare F8 F8"_s << 0 << QPoint(2, 2) << u"差分 2 / 2（3行 1列）　最後の差分です"_s;
    QTest::newRow("the remark goes when the cell moves on")
        << twoDiffer << u"compare F8 F8 move"_s << 0 << QPoint(2, 2) << u"差分 2 個"_s;
    QTest::newRow("a step before any comparison")
        << twoDiffer << u"F8"_s << 0 << QPoint(2, 2) << u"まだ比較していません"_s;
    QTest::newRow("options in force are named")
        << twoDiffer << u"options compare"_s << 0 << QPoint(2, 2) << u"差分 2 個　比較オプション: 大小文字"_s;
    // The status bar tells the current state only: what the sheets it described and the steps
    // among their differences said goes with them.
    QTest::newRow("a new load forgets the count")
        << twoDiffer << u"compare F8 F8 clear"_s << 0 << QPoint(2, 2) << QString();
    QTest::newRow("a new comparison forgets the remark")
        << twoDiffer << u"compare S-F8 compare"_s << 0 << QPoint(1, 1) << u"差分 2 個"_s;
    QTest::newRow("a replaced sheet forgets the remark")
        << twoDiffer << u"S-F8 load"_s << 0 << QPoint(1, 1) << QString();
    QTest::newRow("lining up compares again: no change since")
        << u"a,b|X,Y|c,d|e,f"_s << u"compare align"_s << 0 << QPoint(1, 1) << u"差分 2 個"_s;
    QTest::newRow("options in force before any comparison")
        << twoDiffer << u"options"_s << 0 << QPoint(2, 2) << u"比較オプション: 大小文字"_s;
}

void TestStatusBarText::differenceText()
{
    QFETCH(QString, right);
    QFETCH(QString, actions);
    QFETCH(int, sheet);
    QFETCH(QPoint, cell);
    QFETCH(QString, expected);

    fillSheet(m_state->grdData(0), u"a,b|c,d|e,f"_s);
    fillSheet(m_state->grdData(1), right);
    m_state->ActiveSheet = sheet;
    Sheet &active = m_state->grdData(sheet);
    active.setCurrentCell(cell.x(), cell.y());
    for (const QString &action : actions.split(u' ', Qt::SkipEmptyParts)) {
        if (action == u"compare"_s) {
            (void)CompareSheets(*m_state, *m_ui, true);
        } else if (action == u"edit"_s) {
            SaveUndoSnapshot(*m_state, 0);
            m_state->grdData(0).setTextMatrix(2, 2, u"z"_s);
        } else if (action == u"F8"_s) {
            GoToDifference(*m_state, *m_ui, StepDirection::Next);
        } else if (action == u"S-F8"_s) {
            GoToDifference(*m_state, *m_ui, StepDirection::Previous);
        } else if (action == u"clear"_s) {
            cmdClr_Click(*m_state);
        } else if (action == u"align"_s) {
            RunAsHistoryStep(*m_state, Command::Align, [&] { mnuAlign_Click(*m_state, *m_ui); });
        } else if (action == u"load"_s) {
            // What a load does once the file is read.
            fillSheet(m_state->grdData(1), right);
            ClearComparisonColours(*m_state);
        } else if (action == u"options"_s) {
            m_state->compareOptions.ignoreCase = true;
        } else if (action == u"move"_s) {
            active.setCurrentCell(1, 1);
        }
    }
    QCOMPARE(statusDifferenceText(*m_state), expected);
}

void TestStatusBarText::sheetText_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<int>("lineEnd");
    QTest::addColumn<bool>("mixed"); // a row keeps a line end of its own
    QTest::addColumn<int>("delimiterMode");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("expected");

    QTest::newRow("UTF-8 with BOM, LF, tab") << int(TextEncoding::Utf8Bom) << int(LineEnd::Lf) << false << 1 << u"\t"_s
                                             << u"ファイル２　3 行 × 2 列　UTF-8（BOM付き）　LF　区切り タブ"_s;
    QTest::newRow("Shift_JIS, mixed line ends, blank")
        << int(TextEncoding::ShiftJis) << int(LineEnd::Cr) << true << 1 << u" "_s
        << u"ファイル２　3 行 × 2 列　Shift_JIS　混在　区切り 空白"_s;
    QTest::newRow("UTF-8, CR LF, comma mode") << int(TextEncoding::Utf8) << int(LineEnd::CrLf) << false << 0 << u"|"_s
                                              << u"ファイル２　3 行 × 2 列　UTF-8　CR LF　区切り カンマ（,）"_s;
    QTest::newRow("other delimiter in brackets") << int(TextEncoding::Utf8) << int(LineEnd::Cr) << false << 1 << u"|"_s
                                                 << u"ファイル２　3 行 × 2 列　UTF-8　CR　区切り 「|」"_s;
}

void TestStatusBarText::sheetText()
{
    QFETCH(int, encoding);
    QFETCH(int, lineEnd);
    QFETCH(bool, mixed);
    QFETCH(int, delimiterMode);
    QFETCH(QString, delimiter);
    QFETCH(QString, expected);

    QCOMPARE(statusSheetText(*m_state, 1), QString()); // not loaded
    Sheet &sheet = m_state->grdData(1);
    fillSheet(sheet, u"a,b|c,d|e,f"_s);
    sheet.setFileFormat({TextEncoding(encoding), LineEnd(lineEnd), true, {}});
    if (mixed) {
        SheetData data = sheet.data();
        data.setLineEnd(2, LineEnd::Lf);
        sheet.setData(data);
    }
    m_state->DelimiterMode = delimiterMode;
    m_state->UserDelimiter = delimiter;
    QCOMPARE(statusSheetText(*m_state, 1), expected);
}

QTEST_GUILESS_MAIN(TestStatusBarText)
#include "tst_statusbartext.moc"
