#include "AppState.h"
#include "CellDiffCommand.h"
#include "RecordingUserInterface.h"
#include "SheetPairFixture.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestCellDiffCommand : public QObject, private SheetPairFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensOnTheCurrentCellOfTheActiveSheet();
    void followsTheCurrentCellWhileOpen();
    void cellsOnlyOneSheetHas();
    void nothingWhileComparing();
};

void TestCellDiffCommand::init()
{
    startPair();
    fillPair(u"1-2,a|x,東京"_s, u"1−2,a|x,東京　|y,z"_s);
}

void TestCellDiffCommand::cleanup()
{
    stopPair();
}

void TestCellDiffCommand::opensOnTheCurrentCellOfTheActiveSheet()
{
    CellDiffFollower follower;
    m_state->grdData(0).setCurrentCell(1, 1);
    mnuCellDiff_Click(*m_state, *m_ui, follower);
    QCOMPARE(m_ui->cellDifferenceShows, 1);
    const CellDifferenceView view = m_ui->cellDifferenceViews.last();
    QCOMPARE(QPoint(view.row, view.col), QPoint(1, 1));
    QCOMPARE(view.texts[0].shown, u"1-2"_s);
    QCOMPARE(view.texts[1].shown, u"1−2"_s);
    QVERIFY(view.notes.contains(u"2 文字目: - (U+002D HYPHEN-MINUS) ↔ − (U+2212 MINUS SIGN)"_s));

    // Following right after opening sends nothing new; a second F7 brings it to the front again.
    follower.follow(*m_state, *m_ui);
    QCOMPARE(m_ui->cellDifferenceViews.size(), 1);
    mnuCellDiff_Click(*m_state, *m_ui, follower);
    QCOMPARE(m_ui->cellDifferenceShows, 2);
}

void TestCellDiffCommand::followsTheCurrentCellWhileOpen()
{
    CellDiffFollower follower;
    mnuCellDiff_Click(*m_state, *m_ui, follower);
    qsizetype views = m_ui->cellDifferenceViews.size();

    m_state->grdData(0).setCurrentCell(2, 2);
    follower.follow(*m_state, *m_ui);
    QCOMPARE(m_ui->cellDifferenceViews.size(), ++views);
    CellDifferenceView view = m_ui->cellDifferenceViews.last();
    QCOMPARE(QPoint(view.row, view.col), QPoint(2, 2));
    QVERIFY(view.notes.contains(u"末尾に全角スペースがあります（ファイル２）"_s));

    // Nothing changed: nothing is sent.
    follower.follow(*m_state, *m_ui);
    QCOMPARE(m_ui->cellDifferenceViews.size(), views);

    // An edit of the other sheet's cell shows at once.
    m_state->grdData(1).setTextMatrix(2, 2, u"東京"_s);
    follower.follow(*m_state, *m_ui);
    QCOMPARE(m_ui->cellDifferenceViews.size(), ++views);
    QCOMPARE(m_ui->cellDifferenceViews.last().notes, QStringList{u"同じです"_s});

    // The other sheet becomes the active one: its current cell is followed.
    m_state->grdData(1).setCurrentCell(2, 1);
    m_state->ActiveSheet = 1;
    follower.follow(*m_state, *m_ui);
    view = m_ui->cellDifferenceViews.last();
    QCOMPARE(view.sheet, 1);
    QCOMPARE(QPoint(view.row, view.col), QPoint(2, 1));

    // Closed, it follows nothing; opened again, it starts from the cell of the moment.
    m_ui->cellDifferenceOpen = false;
    m_state->grdData(1).setCurrentCell(1, 2);
    follower.follow(*m_state, *m_ui);
    QCOMPARE(m_ui->cellDifferenceViews.size(), views + 1);
    mnuCellDiff_Click(*m_state, *m_ui, follower);
    view = m_ui->cellDifferenceViews.last();
    QCOMPARE(QPoint(view.row, view.col), QPoint(1, 2));
}

void TestCellDiffCommand::cellsOnlyOneSheetHas()
{
    CellDiffFollower follower;
    m_state->ActiveSheet = 1;
    m_state->grdData(1).setCurrentCell(3, 1);
    mnuCellDiff_Click(*m_state, *m_ui, follower);
    CellDifferenceView view = m_ui->cellDifferenceViews.last();
    QVERIFY(!view.texts[0].present);
    QCOMPARE(view.texts[1].shown, u"y"_s);
    QCOMPARE(view.notes, QStringList{u"ファイル１にはこのセルがありません"_s});

    // A hidden sheet has no cells to compare with.
    m_state->ActiveSheet = 0;
    m_state->grdData(0).setCurrentCell(1, 2);
    m_state->grdData(1).setVisible(false);
    follower.follow(*m_state, *m_ui);
    view = m_ui->cellDifferenceViews.last();
    QCOMPARE(view.texts[0].shown, u"a"_s);
    QCOMPARE(view.notes, QStringList{u"ファイル２にはこのセルがありません"_s});
}

void TestCellDiffCommand::nothingWhileComparing()
{
    CellDiffFollower follower;
    m_state->CompareRunning = true;
    mnuCellDiff_Click(*m_state, *m_ui, follower);
    QCOMPARE(m_ui->cellDifferenceShows, 0);
}

QTEST_GUILESS_MAIN(TestCellDiffCommand)
#include "tst_celldiffcommand.moc"
