#include "AppState.h"
#include "Recompare.h"
#include "SheetPairFixture.h"
#include "SheetSync.h"
#include "ShownText.h"

#include <QTest>

#include <memory>

class TestRecompare : public QObject, private SheetPairFixture
{
    Q_OBJECT

private slots:
    void init();

    void partnerHasCurrentCell_data();
    void partnerHasCurrentCell();
    void recompareSelection_data();
    void recompareSelection();
    void recompareSelectionMovesWithTheToolTips();
    void toolTips_data();
    void toolTips();
    void scroll_data();
    void scroll();
    void scrollingBothWaysAtOnceIsMirroredWhole();
    void otherIndexesChangeNothing();
};

void TestRecompare::init()
{
    startPair();
}

void TestRecompare::partnerHasCurrentCell_data()
{
    QTest::addColumn<bool>("visible0");
    QTest::addColumn<bool>("visible1");
    QTest::addColumn<QPoint>("current0");
    QTest::addColumn<QPoint>("current1");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<bool>("expected");

    // Sheet 0 has 3 data rows and 2 data columns, sheet 1 has 2 and 3.
    QTest::newRow("same cell in both") << true << true << QPoint(2, 2) << QPoint(1, 1) << 0 << true;
    QTest::newRow("sheet 0 hidden") << false << true << QPoint(1, 1) << QPoint(1, 1) << 0 << false;
    QTest::newRow("sheet 1 hidden") << true << false << QPoint(1, 1) << QPoint(1, 1) << 1 << false;
    QTest::newRow("row the other sheet lacks") << true << true << QPoint(3, 1) << QPoint(1, 1) << 0 << false;
    QTest::newRow("column the other sheet lacks") << true << true << QPoint(1, 1) << QPoint(1, 3) << 1 << false;
    QTest::newRow("other sheet's cell irrelevant") << true << true << QPoint(3, 2) << QPoint(2, 3) << 1 << false;
    QTest::newRow("header cell") << true << true << QPoint(0, 0) << QPoint(1, 1) << 0 << true;
    QTest::newRow("any other index") << true << true << QPoint(3, 2) << QPoint(2, 3) << 2 << true;
}

void TestRecompare::partnerHasCurrentCell()
{
    QFETCH(bool, visible0);
    QFETCH(bool, visible1);
    QFETCH(QPoint, current0);
    QFETCH(QPoint, current1);
    QFETCH(int, sheet);
    QFETCH(bool, expected);

    fillPair(u"a,b|c,d|e,f"_s, u"a,b,c|d,e,f"_s);
    m_state->grdData(0).setVisible(visible0);
    m_state->grdData(1).setVisible(visible1);
    select(m_state->grdData(0), {current0.x(), current0.y(), current0.x(), current0.y()});
    select(m_state->grdData(1), {current1.x(), current1.y(), current1.x(), current1.y()});

    QCOMPARE(PartnerHasCurrentCell(*m_state, sheet), expected);
}

void TestRecompare::recompareSelection_data()
{
    QTest::addColumn<QString>("sheet0");
    QTest::addColumn<QString>("sheet1");
    QTest::addColumn<QString>("marks"); // colours of both sheets before the pass
    QTest::addColumn<int>("sheet");
    QTest::addColumn<Selection>("block");
    QTest::addColumn<QString>("map0");
    QTest::addColumn<QString>("map1");
    QTest::addColumn<QPoint>("current0");
    QTest::addColumn<QPoint>("current1");

    QTest::newRow("cell edited to equal its partner")
        << u"a,b|c,d"_s << u"a,b|c,d"_s << u"..|.R"_s << 0 << Selection{2, 2, 2, 2} << u"..|.."_s << u"..|.."_s
        << QPoint(2, 2) << QPoint(2, 2);
    QTest::newRow("cell edited to differ") << u"a,b|c,d"_s << u"a,b|c,x"_s << u"..|.."_s << 1 << Selection{2, 2, 2, 2}
                                           << u"..|.R"_s << u"..|.R"_s << QPoint(2, 2) << QPoint(2, 2);
    QTest::newRow("block: magenta and stale marks re-coloured, outside untouched")
        << u"a,b,c|d,e,f|g,h,i"_s << u"a,b,c|d,x,f|g,h,y"_s << u"MR.|...|RRR"_s << 0 << Selection{1, 1, 2, 2}
        << u"...|.R.|RRR"_s << u"...|.R.|RRR"_s << QPoint(2, 2) << QPoint(2, 2);
    // Rows 3 and 4 only sheet 0 has keep their colours; sheet 0 still ends on the block's corner.
    QTest::newRow("block beyond the other sheet's last row")
        << u"a,b|c,d|e,f|g,h"_s << u"x,b|c,y"_s << u"..|..|MM|MM"_s << 0 << Selection{1, 1, 4, 2} << u"R.|.R|MM|MM"_s
        << u"R.|.R"_s << QPoint(4, 2) << QPoint(2, 2);
    QTest::newRow("block selected from bottom-right to top-left")
        << u"a,b|c,d"_s << u"x,b|c,y"_s << u"..|.."_s << 0 << Selection{2, 2, 1, 1} << u"..|.."_s << u"..|.."_s
        << QPoint(2, 2) << QPoint(1, 1);
    QTest::newRow("current cell the other sheet lacks")
        << u"a,b|c,d|e,f"_s << u"x,b|c,d"_s << u"..|..|.."_s << 0 << Selection{3, 1, 3, 2} << u"..|..|.."_s
        << u"..|.."_s << QPoint(3, 1) << QPoint(1, 1);
}

void TestRecompare::recompareSelection()
{
    QFETCH(QString, sheet0);
    QFETCH(QString, sheet1);
    QFETCH(QString, marks);
    QFETCH(int, sheet);
    QFETCH(Selection, block);
    QFETCH(QString, map0);
    QFETCH(QString, map1);
    QFETCH(QPoint, current0);
    QFETCH(QPoint, current1);

    fillPair(sheet0, sheet1);
    for (int i = 0; i < 2; ++i) {
        paintMap(m_state->grdData(i), marks);
        m_state->grdData(i).setRedraw(false);
    }
    select(m_state->grdData(sheet), block);

    RecompareSelection(*m_state, sheet);

    QCOMPARE(colourMap(m_state->grdData(0)), map0);
    QCOMPARE(colourMap(m_state->grdData(1)), map1);
    QCOMPARE(QPoint(m_state->grdData(0).row(), m_state->grdData(0).col()), current0);
    QCOMPARE(QPoint(m_state->grdData(1).row(), m_state->grdData(1).col()), current1);
    for (int i = 0; i < 2; ++i)
        QVERIFY(m_state->grdData(i).redraw());
}

// The walk is real: a window that follows row/column changes sees every cell of the block.
void TestRecompare::recompareSelectionMovesWithTheToolTips()
{
    fillPair(u"a,b|c,d"_s, u"a,x|c,y"_s);
    QStringList tips;
    for (int i = 0; i < 2; ++i) {
        connect(&m_state->grdData(i), &Sheet::rowColChange, this, [this, i, &tips] {
            grdData_RowColChange(*m_state, i);
            tips.append(m_state->grdData(0).toolTipText());
        });
    }
    select(m_state->grdData(0), {1, 1, 2, 2});
    tips.clear();

    RecompareSelection(*m_state, 0);

    QCOMPARE(tips.last(), u"d : y"_s);
    QVERIFY(tips.contains(u"b : x"_s));
    QCOMPARE(m_state->grdData(1).toolTipText(), u"d : y"_s);

    // Disabled sheets ignore the walk.
    tips.clear();
    m_state->grdData(0).setToolTipText(QString());
    m_state->grdData(1).setToolTipText(QString());
    m_state->grdData(0).setEnabled(false);
    m_state->grdData(1).setEnabled(false);
    select(m_state->grdData(0), {1, 1, 2, 2});
    RecompareSelection(*m_state, 0);
    QCOMPARE(m_state->grdData(0).toolTipText(), QString());
    QCOMPARE(colourMap(m_state->grdData(0)), u".R|.R"_s);
}

void TestRecompare::toolTips_data()
{
    QTest::addColumn<QString>("sheet0");
    QTest::addColumn<QString>("sheet1");
    QTest::addColumn<int>("index");
    QTest::addColumn<QPoint>("current");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("tip");

    QTest::newRow("both texts") << u"abc"_s << u"abd"_s << 0 << QPoint(1, 1) << false << true << u"abc : abd"_s;
    QTest::newRow("from sheet 1") << u"abc"_s << u"abd"_s << 1 << QPoint(1, 1) << false << true << u"abc : abd"_s;
    QTest::newRow("empty first text") << u","_s << u",abd"_s << 1 << QPoint(1, 2) << false << true << u" : abd"_s;
    QTest::newRow("partner lacks the cell: emptied")
        << u"a|b"_s << u"a"_s << 0 << QPoint(2, 1) << false << true << QString();
    QTest::newRow("during a comparison: kept") << u"abc"_s << u"abd"_s << 0 << QPoint(1, 1) << true << true << u"old"_s;
    QTest::newRow("sheet disabled: kept") << u"abc"_s << u"abd"_s << 0 << QPoint(1, 1) << false << false << u"old"_s;
    // A cell may hold a whole file: the tip shows the beginning of each long text, marked as cut.
    const QString shown = QString(kMaxShownLength, u'x');
    QTest::newRow("the longest text shown whole")
        << shown << u"abd"_s << 0 << QPoint(1, 1) << false << true << shown + u" : abd"_s;
    QTest::newRow("one character more is cut")
        << shown + u"y"_s << u"abd"_s << 0 << QPoint(1, 1) << false << true << shown + u"… : abd"_s;
    QTest::newRow("two texts of a million characters")
        << QString(1000000, u'x') << QString(1000000, u'z') << 1 << QPoint(1, 1) << false << true
        << shown + u"… : "_s + QString(kMaxShownLength, u'z') + u"…"_s;
}

void TestRecompare::toolTips()
{
    QFETCH(QString, sheet0);
    QFETCH(QString, sheet1);
    QFETCH(int, index);
    QFETCH(QPoint, current);
    QFETCH(bool, running);
    QFETCH(bool, enabled);
    QFETCH(QString, tip);

    fillPair(sheet0, sheet1);
    for (int i = 0; i < 2; ++i)
        m_state->grdData(i).setToolTipText(u"old"_s);
    select(m_state->grdData(index), {current.x(), current.y(), current.x(), current.y()});
    m_state->CompareRunning = running;
    m_state->grdData(index).setEnabled(enabled);

    grdData_RowColChange(*m_state, index);

    QCOMPARE(m_state->grdData(0).toolTipText(), tip);
    QCOMPARE(m_state->grdData(1).toolTipText(), tip);
}

void TestRecompare::scroll_data()
{
    QTest::addColumn<int>("rows1"); // data rows of sheet 1; sheet 0 has 30 rows and 10 columns
    QTest::addColumn<QPoint>("current0");
    QTest::addColumn<QPoint>("scrollTo"); // top row, left column of sheet 0
    QTest::addColumn<bool>("running");
    QTest::addColumn<QPoint>("expected"); // sheet 1's top row and left column afterwards

    QTest::newRow("mirrored") << 30 << QPoint(1, 1) << QPoint(12, 4) << false << QPoint(12, 4);
    QTest::newRow("mirrored during a comparison") << 30 << QPoint(1, 1) << QPoint(12, 4) << true << QPoint(12, 4);
    QTest::newRow("partner lacks the current cell") << 10 << QPoint(20, 1) << QPoint(12, 4) << false << QPoint(1, 1);
    QTest::newRow("top row beyond the partner: left column not copied either")
        << 10 << QPoint(1, 1) << QPoint(15, 4) << false << QPoint(1, 1);
}

void TestRecompare::scroll()
{
    QFETCH(int, rows1);
    QFETCH(QPoint, current0);
    QFETCH(QPoint, scrollTo);
    QFETCH(bool, running);
    QFETCH(QPoint, expected);

    Sheet &grd0 = m_state->grdData(0);
    Sheet &grd1 = m_state->grdData(1);
    for (Sheet *sheet : {&grd0, &grd1}) {
        sheet->setRows(sheet == &grd0 ? 31 : rows1 + 1);
        sheet->setCols(11);
        sheet->setVisible(true);
    }
    select(grd0, {current0.x(), current0.y(), current0.x(), current0.y()});
    m_state->CompareRunning = running;
    grd0.scrolledByView(scrollTo.x(), scrollTo.y());

    grdData_Scroll(*m_state, 0);

    QCOMPARE(QPoint(grd1.topRow(), grd1.leftCol()), expected);
    QCOMPARE(QPoint(grd0.topRow(), grd0.leftCol()), scrollTo);
}

// Wired as the window wires it: moving the other sheet raises its own scroll notification.
void TestRecompare::scrollingBothWaysAtOnceIsMirroredWhole()
{
    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = m_state->grdData(i);
        sheet.setRows(40);
        sheet.setCols(20);
        sheet.setVisible(true);
        connect(&sheet, &Sheet::scroll, this, [this, i] { grdData_Scroll(*m_state, i); });
    }

    m_state->grdData(0).scrolledByView(10, 5);

    QCOMPARE(QPoint(m_state->grdData(0).topRow(), m_state->grdData(0).leftCol()), QPoint(10, 5));
    QCOMPARE(QPoint(m_state->grdData(1).topRow(), m_state->grdData(1).leftCol()), QPoint(10, 5));

    m_state->grdData(1).scrolledByView(3, 12);

    QCOMPARE(QPoint(m_state->grdData(0).topRow(), m_state->grdData(0).leftCol()), QPoint(3, 12));
    QCOMPARE(QPoint(m_state->grdData(1).topRow(), m_state->grdData(1).leftCol()), QPoint(3, 12));
}

// Only 0 and 1 name a sheet: any other index ends each procedure without touching the sheets,
// and drawing still comes back on.
void TestRecompare::otherIndexesChangeNothing()
{
    fillPair(u"a,b|c,d"_s, u"a,x|c,y"_s);
    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = m_state->grdData(i);
        select(sheet, {1, 1, 2, 2});
        sheet.scrolledByView(1 + i, 1);
        sheet.setToolTipText(u"old"_s);
        sheet.setRedraw(false);
    }

    for (int index : {-1, 2}) {
        RecompareSelection(*m_state, index);
        grdData_RowColChange(*m_state, index);
        grdData_Scroll(*m_state, index);
    }

    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = m_state->grdData(i);
        QCOMPARE(colourMap(sheet), u"..|.."_s);
        QCOMPARE(selectionOf(sheet), (Selection{1, 1, 2, 2}));
        QCOMPARE(sheet.topRow(), 1 + i);
        QCOMPARE(sheet.toolTipText(), u"old"_s);
        QVERIFY(sheet.redraw());
    }
}

QTEST_GUILESS_MAIN(TestRecompare)
#include "tst_recompare.moc"
