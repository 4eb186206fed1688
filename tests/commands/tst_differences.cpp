#include "AppState.h"
#include "CellEditor.h"
#include "CompareEngine.h"
#include "Differences.h"
#include "RecordingUserInterface.h"
#include "RowAlignment.h"
#include "SheetFixtures.h"
#include "UndoSnapshots.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestDifferences : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stepsThroughTheMarkedCells_data();
    void stepsThroughTheMarkedCells();
    void stepFindsTheCellAndMarksItInBothSheets();
    void stepScrollsTheCellIntoViewInBothSheets_data();
    void stepScrollsTheCellIntoViewInBothSheets();
    void linesUpRows_data();
    void linesUpRows();
    void oneUndoPerSheetTakesTheLiningUpBack();
    void refusesToPassTheRowLimit();
    void commitsAnOpenEditFirst();
    void liningUpTakesTheClickMarksOff();

private:
    void makePair(const QString &left, const QString &right);
    AppState &s()
    {
        return *m_state;
    }
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

void TestDifferences::init()
{
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
}

void TestDifferences::cleanup()
{
    m_ui.reset();
    m_state.reset();
}

void TestDifferences::makePair(const QString &left, const QString &right)
{
    fillSheet(s().grdData(0), left);
    fillSheet(s().grdData(1), right);
    s().ActiveSheet = 0;
    s().mnuUndoChecked = true;
}

void TestDifferences::stepsThroughTheMarkedCells_data()
{
    QTest::addColumn<QString>("colours"); // colourMap layout of sheet 1
    QTest::addColumn<QPoint>("start"); // row, col
    QTest::addColumn<QString>("steps"); // 'n' next, 'p' previous
    QTest::addColumn<QString>("visited"); // "row,col" after each step; "beep" where it stays

    const QString map = u"R..|..M|.R."_s;
    QTest::newRow("forward in reading order, then the end")
        << map << QPoint(1, 1) << u"nnnn"_s << u"2,3 3,2 beep beep"_s;
    QTest::newRow("backward, then the start") << map << QPoint(3, 3) << u"ppp"_s << u"3,2 2,3 1,1"_s;
    QTest::newRow("the current cell itself is not found") << map << QPoint(2, 3) << u"p"_s << u"1,1"_s;
    QTest::newRow("no wrap at the start") << map << QPoint(1, 1) << u"p"_s << u"beep"_s;
    QTest::newRow("no marks at all") << u"...|...|..."_s << QPoint(2, 2) << u"np"_s << u"beep beep"_s;
    QTest::newRow("back and forth") << map << QPoint(1, 2) << u"npn"_s << u"2,3 1,1 2,3"_s;
}

void TestDifferences::stepsThroughTheMarkedCells()
{
    QFETCH(QString, colours);
    QFETCH(QPoint, start);
    QFETCH(QString, steps);
    QFETCH(QString, visited);

    makePair(u"a,b,c|d,e,f|g,h,i"_s, u"a,b,c|d,e,f|g,h,i"_s);
    Sheet &sheet = s().grdData(0);
    paintMap(sheet, colours);
    sheet.setCurrentCell(start.x(), start.y());
    QStringList seen;
    for (const QChar step : steps) {
        const int beepsBefore = m_ui->beeps;
        GoToDifference(s(), *m_ui, step == u'n' ? StepDirection::Next : StepDirection::Previous);
        seen << (m_ui->beeps > beepsBefore ? u"beep"_s : u"%1,%2"_s.arg(sheet.row()).arg(sheet.col()));
    }
    QCOMPARE(seen.join(u' '), visited);
}

void TestDifferences::stepFindsTheCellAndMarksItInBothSheets()
{
    makePair(u"a,b|c,d|e,f"_s, u"a,b|c,X|e,f|g,h"_s);
    (void)CompareSheets(s(), *m_ui, false);
    Sheet &left = s().grdData(0);
    Sheet &right = s().grdData(1);
    s().ActiveSheet = 1;
    right.setCurrentCell(1, 1);
    GoToDifference(s(), *m_ui, StepDirection::Next);
    QCOMPARE(QPoint(right.row(), right.col()), QPoint(2, 2));
    QCOMPARE(QPoint(left.row(), left.col()), QPoint(2, 2));
    QCOMPARE(right.foreColorAt(2, 2), kMarkForeColor);
    QCOMPARE(left.foreColorAt(2, 2), kMarkForeColor);
    // The extra row of the second sheet is next; the first sheet lacks it.
    GoToDifference(s(), *m_ui, StepDirection::Next);
    QCOMPARE(QPoint(right.row(), right.col()), QPoint(4, 1));

    // A cell made equal since is skipped, one coloured since is found.
    right.setCurrentCell(1, 1);
    right.setBackColorAt(2, 2, kWindowBackColor);
    right.setBackColorAt(1, 2, kDiffBackColor);
    GoToDifference(s(), *m_ui, StepDirection::Next);
    QCOMPARE(QPoint(right.row(), right.col()), QPoint(1, 2));

    s().CompareRunning = true;
    GoToDifference(s(), *m_ui, StepDirection::Next);
    QCOMPARE(QPoint(right.row(), right.col()), QPoint(1, 2));
    QCOMPARE(m_ui->beeps, 0);
}

void TestDifferences::stepScrollsTheCellIntoViewInBothSheets_data()
{
    QTest::addColumn<QPoint>("start"); // row, col of the current cell, scrolled into view first
    QTest::addColumn<QPoint>("marked"); // the one light red cell
    QTest::addColumn<bool>("next");
    QTest::addColumn<QPoint>("scrolled"); // top row, left column of both sheets afterwards

    QTest::newRow("below the rows in view") << QPoint(1, 1) << QPoint(150, 2) << true << QPoint(150, 1);
    QTest::newRow("right of the columns in view") << QPoint(1, 1) << QPoint(3, 25) << true << QPoint(1, 25);
    QTest::newRow("back up and left") << QPoint(200, 40) << QPoint(3, 2) << false << QPoint(3, 2);
    QTest::newRow("in view: no scrolling") << QPoint(1, 1) << QPoint(9, 2) << true << QPoint(1, 1);
}

void TestDifferences::stepScrollsTheCellIntoViewInBothSheets()
{
    QFETCH(QPoint, start);
    QFETCH(QPoint, marked);
    QFETCH(bool, next);
    QFETCH(QPoint, scrolled);
    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = s().grdData(i);
        sheet.setRows(201);
        sheet.setCols(41);
        sheet.setVisible(true);
        // Room for the headers, ten rows and two columns.
        sheet.reportLayout({QList<int>(41, 960), 240, 2880, 240 * 11});
        sheet.setCurrentCell(start.x(), start.y());
        sheet.setTopRow(start.x()); // as far as the sheet scrolls
        sheet.setLeftCol(start.y());
    }
    s().grdData(0).setBackColorAt(marked.x(), marked.y(), kDiffBackColor);

    GoToDifference(s(), *m_ui, next ? StepDirection::Next : StepDirection::Previous);

    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = s().grdData(i);
        QCOMPARE(QPoint(sheet.row(), sheet.col()), marked);
        QCOMPARE(QPoint(sheet.topRow(), sheet.leftCol()), scrolled);
    }
}

void TestDifferences::linesUpRows_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("leftAfter");
    QTest::addColumn<QString>("rightAfter");
    QTest::addColumn<QString>("coloursAfter"); // of the first sheet
    QTest::addColumn<bool>("comparing");

    QTest::newRow("row inserted in the middle of the second file")
        << u"1,a|2,b|3,c|4,d"_s << u"1,a|2,b|X,x|3,c|4,d"_s << u"1,a|2,b|,|3,c|4,d"_s << u"1,a|2,b|X,x|3,c|4,d"_s
        << u"..|..|RR|..|.."_s << false;
    QTest::newRow("row deleted from the top of the second file")
        << u"0,z|1,a|2,b"_s << u"1,a|2,b"_s << u"0,z|1,a|2,b"_s << u",|1,a|2,b"_s << u"RR|..|.."_s << false;
    QTest::newRow("extra column: rows match on the columns both have")
        << u"1,a|2,b"_s << u"X,x,q|1,a,q|2,b,q"_s << u",|1,a|2,b"_s << u"X,x,q|1,a,q|2,b,q"_s << u"RR|..|.."_s << false;
    QTest::newRow("already lined up: nothing changes")
        << u"1,a|2,b"_s << u"1,a|9,b"_s << u"1,a|2,b"_s << u"1,a|9,b"_s << u"..|.."_s << false;
    QTest::newRow("while a comparison runs: nothing")
        << u"1,a|2,b"_s << u"1,a|X,x|2,b"_s << u"1,a|2,b"_s << u"1,a|X,x|2,b"_s << u"..|.."_s << true;
}

void TestDifferences::linesUpRows()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, leftAfter);
    QFETCH(QString, rightAfter);
    QFETCH(QString, coloursAfter);
    QFETCH(bool, comparing);

    makePair(left, right);
    s().CompareRunning = comparing;
    const bool changes = left != leftAfter || right != rightAfter;
    mnuAlign_Click(s(), *m_ui);
    QCOMPARE(cellTexts(s().grdData(0)), leftAfter);
    QCOMPARE(cellTexts(s().grdData(1)), rightAfter);
    if (changes) {
        QCOMPARE(colourMap(s().grdData(0)), coloursAfter);
        const Sheet &sheet = s().grdData(left != leftAfter ? 0 : 1);
        QCOMPARE(sheet.textMatrix(sheet.rows() - 1, 0), u"%1行"_s.arg(sheet.rows() - 1));
    }
    QCOMPARE(s().UndoAvailable[0], left != leftAfter);
    QCOMPARE(s().UndoAvailable[1], right != rightAfter);
    QVERIFY(m_ui->messages.isEmpty());
}

void TestDifferences::oneUndoPerSheetTakesTheLiningUpBack()
{
    makePair(u"a,1|X,1|b,1|c,1"_s, u"a,1|b,1|Y,1|c,1"_s);
    mnuAlign_Click(s(), *m_ui);
    QCOMPARE(cellTexts(s().grdData(0)), u"a,1|X,1|b,1|,|c,1"_s);
    QCOMPARE(cellTexts(s().grdData(1)), u"a,1|,|b,1|Y,1|c,1"_s);
    for (int i = 0; i < 2; ++i) {
        s().ActiveSheet = i;
        mnuZ_Click(s(), *m_ui);
    }
    QCOMPARE(cellTexts(s().grdData(0)), u"a,1|X,1|b,1|c,1"_s);
    QCOMPARE(cellTexts(s().grdData(1)), u"a,1|b,1|Y,1|c,1"_s);
}

void TestDifferences::refusesToPassTheRowLimit()
{
    makePair(u"a"_s, u"x|a"_s);
    Sheet &left = s().grdData(0);
    left.setRows(kMaxRowCol); // a full first sheet that would need one more row at the top
    const QStringList before = wholeSheet(left);
    mnuAlign_Click(s(), *m_ui);
    QCOMPARE(wholeSheet(left), before);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text, alignTooLongText());
    QCOMPARE(m_ui->messages.first().title, u"行を揃える"_s);
    QCOMPARE(m_ui->messages.first().icon, MessageIcon::Exclamation);
    QVERIFY(!s().UndoAvailable[0] && !s().UndoAvailable[1]);
}

void TestDifferences::commitsAnOpenEditFirst()
{
    makePair(u"a,1|b,1|c,1"_s, u"a,1|Y,1|b,1|c,1"_s);
    // "c" is being edited to "z" on sheet 1 when the rows are lined up.
    Sheet &left = s().grdData(0);
    left.setCurrentCell(3, 1);
    s().KeyEditArmed = true;
    grdData_KeyPress(s(), *m_ui, 0, 'z');
    QVERIFY(s().txtEdit(0).isVisible());

    mnuAlign_Click(s(), *m_ui);
    EndCellEdit(s(), 0); // the person moves on

    QVERIFY(!s().txtEdit(0).isVisible());
    QCOMPARE(cellTexts(left), u"a,1|,|b,1|z,1"_s);
    QCOMPARE(cellTexts(s().grdData(1)), u"a,1|Y,1|b,1|c,1"_s);
}

void TestDifferences::liningUpTakesTheClickMarksOff()
{
    makePair(u"1,a|2,b"_s, u"1,a|X,x|2,b"_s);
    s().grdData(0).setCurrentCell(2, 1);
    grdData_Click(s(), 0);
    QCOMPARE(s().grdData(1).foreColorAt(2, 1), kMarkForeColor);

    mnuAlign_Click(s(), *m_ui);

    QCOMPARE(cellTexts(s().grdData(0)), u"1,a|,|2,b"_s);
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = s().grdData(i);
        for (int r = 0; r < sheet.rows(); ++r)
            for (int c = 0; c < sheet.cols(); ++c)
                QVERIFY2(sheet.foreColorAt(r, c) != kMarkForeColor, qPrintable(u"%1: %2,%3"_s.arg(i).arg(r).arg(c)));
    }
}

QTEST_GUILESS_MAIN(TestDifferences)
#include "tst_differences.moc"
