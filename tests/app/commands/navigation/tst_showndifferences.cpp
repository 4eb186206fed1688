#include "AppState.h"
#include "ClipboardCommands.h"
#include "CompareEngine.h"
#include "Differences.h"
#include "RecordingUserInterface.h"
#include "RowsAndColumns.h"
#include "SearchScan.h"
#include "SendToOther.h"
#include "SheetPairFixture.h"
#include "StatusBarText.h"
#include "UndoSnapshots.h"

#include <QTest>

using namespace Qt::StringLiterals;

// 「差分のある行だけ表示」 and 「差分のある列だけ表示」 on a compared pair: what both sheets show, how the
// commands that step, copy and change blocks treat what is hidden, and when the set is taken anew.
class TestShownDifferences : public QObject, private SheetPairFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsWhatDiffers_data();
    void showsWhatDiffers();
    void stepsThroughTheShownDifferences_data();
    void stepsThroughTheShownDifferences();
    void blockCommandsTouchOnlyShownCells_data();
    void blockCommandsTouchOnlyShownCells();
    void shownRowsFollowComparisonsNotEdits();

private:
    void comparePair(const QString &right, bool compared = true);
    [[nodiscard]] QString shown(int sheet) const;
};

namespace
{
// "2,4" of the shown data rows of a sheet, then "/" and its shown data columns.
QString linesText(const ShownLines &lines)
{
    QStringList parts;
    for (int p = 1; p < lines.count(); ++p)
        parts << QString::number(lines.line(p));
    return parts.join(u',');
}

const QString kThreeByThree = u"a,b,c|d,e,f|g,h,i|j,k,l"_s;
} // namespace

void TestShownDifferences::init()
{
    startPair();
}

void TestShownDifferences::cleanup()
{
    stopPair();
}

void TestShownDifferences::comparePair(const QString &right, bool compared)
{
    fillPair(kThreeByThree, right);
    for (int i = 0; i < 2; ++i)
        s().grdData(i).setVisible(true);
    s().ActiveSheet = 0;
    s().mnuUndoChecked = true;
    if (compared)
        (void)CompareSheets(s(), *m_ui, false);
}

QString TestShownDifferences::shown(int sheet) const
{
    const Sheet &grid = m_state->grdData(sheet);
    return linesText(grid.shownRows()) + u'/' + linesText(grid.shownCols());
}

void TestShownDifferences::showsWhatDiffers_data()
{
    QTest::addColumn<QString>("right"); // the second sheet; the first is kThreeByThree
    QTest::addColumn<bool>("compared");
    QTest::addColumn<QString>("items"); // "r" 差分のある行だけ表示, "c" 差分のある列だけ表示, in order
    QTest::addColumn<QString>("shown"); // both sheets' shown rows / columns, "|" between the sheets
    QTest::addColumn<QString>("status"); // the status bar's difference text
    QTest::addColumn<QString>("message"); // the message shown, if any
    QTest::addColumn<QString>("found"); // where a search for "h" (row 3, column 2) stops, if anywhere

    QTest::newRow("rows with a differing cell")
        << u"a,b,c|d,X,f|g,h,i|j,k,Y"_s << true << u"r"_s << u"2,4/1,2,3|2,4/1,2,3"_s
        << u"差分 2 個　差分のある行だけ表示中（2 行）"_s << QString() << u"none"_s;
    QTest::newRow("both, the status bar names both")
        << u"a,b,c|d,X,f|g,h,i|j,k,l"_s << true << u"rc"_s << u"2/2|2/2"_s
        << u"差分 1 / 1（2行 2列）　差分のある行だけ表示中（1 行）　差分のある列だけ表示中（1 列）"_s << QString()
        << u"none"_s;
    QTest::newRow("a row only the longer sheet has is shown on it")
        << u"a,b,c|d,e,f|X,h,i|j,k,l|m,n,o"_s << true << u"r"_s << u"3/1,2,3|3,5/1,2,3"_s
        << u"差分 1 / 4（3行 1列）　差分のある行だけ表示中（2 行）"_s << QString() << u"3,2"_s;
    QTest::newRow("a column only the wider sheet has marks every row")
        << u"a,b,c,1|d,e,f,2|g,h,i,3|j,k,l,4"_s << true << u"rc"_s << u"1,2,3,4/|1,2,3,4/4"_s
        << u"差分 4 個　差分のある行だけ表示中（4 行）　差分のある列だけ表示中（1 列）"_s << QString() << u"none"_s;
    QTest::newRow("turned off again shows every row")
        << u"a,b,c|d,X,f|g,h,i|j,k,l"_s << true << u"rr"_s << u"1,2,3,4/1,2,3|1,2,3,4/1,2,3"_s << u"差分 1 個"_s
        << QString() << u"3,2"_s;
    QTest::newRow("nothing differs: said, and every row stays")
        << kThreeByThree << true << u"r"_s << u"1,2,3,4/1,2,3|1,2,3,4/1,2,3"_s << u"差分 0 個"_s
        << u"差分はありません。すべての行と列を表示しています。"_s << u"3,2"_s;
    QTest::newRow("not compared yet: said, and every row stays")
        << u"a,b,c|d,X,f|g,h,i|j,k,l"_s << false << u"c"_s << u"1,2,3,4/1,2,3|1,2,3,4/1,2,3"_s << QString()
        << u"まだ比較していません。「比較開始」で比較してから選んでください。"_s << u"3,2"_s;
}

void TestShownDifferences::showsWhatDiffers()
{
    QFETCH(QString, right);
    QFETCH(bool, compared);
    QFETCH(QString, items);
    QFETCH(QString, shown);
    QFETCH(QString, status);
    QFETCH(QString, message);
    QFETCH(QString, found);

    comparePair(right, compared);
    for (const QChar item : items)
        item == u'r' ? mnuDiffRowsOnly_Click(s(), *m_ui) : mnuDiffColsOnly_Click(s(), *m_ui);
    QCOMPARE(this->shown(0) + u'|' + this->shown(1), shown);
    QCOMPARE(statusDifferenceText(s()), status);
    QCOMPARE(m_ui->messages.isEmpty() ? QString() : m_ui->messages.last().text, message);
    const std::optional<SearchMatch> match
        = findMatch(s().grdData(0), SearchStart{{1, 1}}, SearchDirection::DownRight, SearchPattern(u"h"_s, false));
    QCOMPARE(match ? u"%1,%2"_s.arg(match->cell.row).arg(match->cell.col) : u"none"_s, found);
    // Refused, the item stays unchecked.
    QCOMPARE(s().mnuDiffRowsOnlyChecked || s().mnuDiffColsOnlyChecked, message.isEmpty() && items != u"rr"_s);
}

void TestShownDifferences::stepsThroughTheShownDifferences_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QString>("hiddenEdit"); // "row,col" of sheet 1 changed and re-marked after the choice
    QTest::addColumn<QString>("visited"); // the active sheet's current cell after each F8 from 1,1

    const QString none;
    QTest::newRow("rows: every marked cell in reading order") << u"r"_s << none << u"2,2 4,3 beep"_s;
    QTest::newRow("a mark on a hidden row is passed over") << u"r"_s << u"3,1"_s << u"2,2 4,3 beep"_s;
    QTest::newRow("every row shown, the same mark is reached") << QString() << u"3,1"_s << u"2,2 3,1 4,3 beep"_s;
}

void TestShownDifferences::stepsThroughTheShownDifferences()
{
    QFETCH(QString, items);
    QFETCH(QString, hiddenEdit);
    QFETCH(QString, visited);

    comparePair(u"a,b,c|d,X,f|g,h,i|j,k,Y"_s);
    for (const QChar item : items)
        item == u'r' ? mnuDiffRowsOnly_Click(s(), *m_ui) : mnuDiffColsOnly_Click(s(), *m_ui);
    if (!hiddenEdit.isEmpty()) {
        const QStringList at = hiddenEdit.split(u',');
        const CellPosition position(at.at(0).toInt(), at.at(1).toInt());
        s().grdData(1).setTextMatrix(position.row(), position.col(), u"Z"_s);
        s().Differences.setDiffers(position, true);
    }
    s().grdData(0).setCurrentCell(1, 1);
    QStringList seen;
    for (int step = 0; step < 4; ++step) {
        const int beeps = m_ui->beeps;
        GoToDifference(s(), *m_ui, StepDirection::Next);
        const Sheet &active = s().grdData(s().ActiveSheet);
        seen << (m_ui->beeps > beeps ? u"beep"_s : u"%1,%2"_s.arg(active.row()).arg(active.col()));
        if (m_ui->beeps > beeps)
            break;
    }
    QCOMPARE(seen.join(u' '), visited);
}

void TestShownDifferences::blockCommandsTouchOnlyShownCells_data()
{
    QTest::addColumn<QString>("command"); // copy, delete, paste, delete rows, send
    QTest::addColumn<QString>("clipboard"); // what paste finds
    QTest::addColumn<QString>("clipboardAfter");
    QTest::addColumn<QString>("sheet0After"); // the first sheet's cells afterwards
    QTest::addColumn<QString>("message");

    // Rows 2 and 4 differ; the block is rows 2 to 4, columns 1 to 2, with row 3 hidden between.
    QTest::newRow("copy leaves the hidden row out")
        << u"copy"_s << QString() << u"d\te\r\nj\tk\r\n"_s << kThreeByThree << QString();
    QTest::newRow("delete empties only the shown cells")
        << u"delete"_s << QString() << QString() << u"a,b,c|,,f|g,h,i|,,l"_s << QString();
    QTest::newRow("paste fills the shown rows one after the other")
        << u"paste"_s << u"1\t2\r\n3\t4\r\n"_s << u"1\t2\r\n3\t4\r\n"_s << u"a,b,c|1,2,f|g,h,i|3,4,l"_s << QString();
    QTest::newRow("paste past the last shown row says what was left out")
        << u"paste"_s << u"1\r\n2\r\n3\r\n"_s << u"1\r\n2\r\n3\r\n"_s << u"a,b,c|1,e,f|g,h,i|2,k,l"_s
        << u"シートに収まらない部分は貼り付けませんでした（1 行 0 列）"_s;
    const QString refused = u"選んだ範囲の間に表示していない行か列があるため、「%1」はできません。"
                            u"「差分のある行だけ表示」「差分のある列だけ表示」を外すか、"
                            u"表示していない行や列を挟まない範囲を選んでください。"_s;
    QTest::newRow("deleting rows over a hidden one is refused")
        << u"delete rows"_s << QString() << QString() << kThreeByThree << refused.arg(u"行削除"_s);
    QTest::newRow("copying to the other sheet over a hidden row is refused")
        << u"send"_s << QString() << QString() << kThreeByThree << refused.arg(u"相手へコピー"_s);
    QTest::newRow("replacing all changes a shown cell")
        << u"replace all e"_s << QString() << QString() << u"a,b,c|d,Z,f|g,h,i|j,k,l"_s << QString();
    QTest::newRow("replacing all leaves a hidden cell alone")
        << u"replace all h"_s << QString() << QString() << kThreeByThree << QString();
}

void TestShownDifferences::blockCommandsTouchOnlyShownCells()
{
    QFETCH(QString, command);
    QFETCH(QString, clipboard);
    QFETCH(QString, clipboardAfter);
    QFETCH(QString, sheet0After);
    QFETCH(QString, message);

    comparePair(u"a,b,c|d,X,f|g,h,i|j,k,Y"_s);
    mnuDiffRowsOnly_Click(s(), *m_ui);
    const QString rightBefore = cellTexts(s().grdData(1).data());
    Sheet &sheet = s().grdData(0);
    sheet.setCurrentCell(2, 1);
    sheet.setRowSel(4);
    sheet.setColSel(2);
    m_ui->clipboard = clipboard;
    m_ui->messages.clear();
    if (command == u"copy"_s)
        mnuCopy_Click(s(), *m_ui);
    else if (command == u"delete"_s)
        RunAsHistoryStep(s(), Command::Del, [&] { mnuDel_Click(s(), *m_ui); });
    else if (command == u"paste"_s)
        RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });
    else if (command.startsWith(u"replace all "_s))
        (void)replaceAll(s(), 0, SearchPattern(command.right(1), false), u"Z"_s);
    else if (command == u"delete rows"_s)
        RunAsHistoryStep(s(), Command::GDel, [&] { mnuGDel_Click(s(), *m_ui, u"行削除"_s); });
    else
        RunAsHistoryStep(s(), Command::Send, [&] { mnuSend_Click(s(), *m_ui); });
    QCOMPARE(m_ui->clipboard, clipboardAfter);
    QCOMPARE(cellTexts(sheet.data()), sheet0After);
    QCOMPARE(cellTexts(s().grdData(1).data()), rightBefore);
    QCOMPARE(m_ui->messages.isEmpty() ? QString() : m_ui->messages.last().text, message);
    // A refused command leaves no step to take back.
    if (sheet0After == kThreeByThree && command != u"copy"_s)
        QVERIFY(!s().history.canUndo(0));
}

void TestShownDifferences::shownRowsFollowComparisonsNotEdits()
{
    comparePair(u"a,b,c|d,X,f|g,h,i|j,k,Y"_s);
    mnuDiffRowsOnly_Click(s(), *m_ui);
    QCOMPARE(shown(0), u"2,4/1,2,3"_s);
    // Making row 2 equal keeps it in sight until the next comparison.
    Sheet &right = s().grdData(1);
    RunAsHistoryStep(s(), Command::Peast, [&] {
        right.setCurrentCell(2, 2);
        m_ui->clipboard = u"e\r\n"_s;
        s().ActiveSheet = 1;
        mnuPeast_Click(s(), *m_ui);
    });
    QCOMPARE(shown(1), u"2,4/1,2,3"_s);
    (void)CompareSheets(s(), *m_ui, false);
    QCOMPARE(shown(0) + u'|' + shown(1), u"4/1,2,3|4/1,2,3"_s);
    // An undo brings the marks back, and the rows with them; a redo takes them away again.
    mnuZ_Click(s(), *m_ui);
    QCOMPARE(shown(1), u"2,4/1,2,3"_s);
    mnuRedo_Click(s(), *m_ui);
    QCOMPARE(shown(1), u"4/1,2,3"_s);
    // A new sheet forgets the marks: every row again.
    ClearComparisonColours(s());
    QCOMPARE(shown(0), u"1,2,3,4/1,2,3"_s);
    QCOMPARE(statusDifferenceText(s()), u"比較すると差分のある所だけを表示します"_s);
}

QTEST_GUILESS_MAIN(TestShownDifferences)
#include "tst_showndifferences.moc"
