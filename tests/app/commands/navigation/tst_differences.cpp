#include "AppState.h"
#include "CellEditor.h"
#include "ClipboardCommands.h"
#include "CompareEngine.h"
#include "Differences.h"
#include "Recompare.h"
#include "RecordingUserInterface.h"
#include "RowAlignment.h"
#include "RowsAndColumns.h"
#include "SheetPairFixture.h"
#include "UndoSnapshots.h"

#include <QTest>

#include <memory>
#include <tuple>

using namespace Qt::StringLiterals;

class TestDifferences : public QObject, private SheetPairFixture
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
    void linesUpHalvesThatSwappedPlaces();
    void oneUndoPerSheetTakesTheLiningUpBack();
    void fillerRowsTravelWithTheirRows_data();
    void fillerRowsTravelWithTheirRows();
    void refusesToPassTheRowLimit();
    void refusesToPassTheCellCapacity();
    void commitsAnOpenEditFirst();
    void liningUpTakesTheClickMarksOff();
    void linesUpColumns_data();
    void linesUpColumns();
    void oneUndoTakesBothSheetsColumnsBack();
    void refusesColumnsPastTheCellCapacity();

private:
    void makePair(const QString &left, const QString &right);
};

void TestDifferences::init()
{
    startPair();
}

void TestDifferences::cleanup()
{
    stopPair();
}

void TestDifferences::makePair(const QString &left, const QString &right)
{
    fillPair(left, right);
    s().ActiveSheet = 0;
    s().mnuUndoChecked = true;
}

void TestDifferences::stepsThroughTheMarkedCells_data()
{
    QTest::addColumn<QString>("right"); // the second sheet; the first is always a,b,c|d,e,f|g,h,i
    QTest::addColumn<int>("sheet"); // the active sheet
    QTest::addColumn<QPoint>("start"); // row, col
    QTest::addColumn<QString>("steps"); // 'n' next, 'p' previous, 'f' first, 'l' last
    // "sheet:row,col" of the active sheet after each step; "beep" where it stays, with the
    // status bar's remark after it.
    QTest::addColumn<QString>("visited");

    const QString sameShape = u"X,b,c|d,e,X|g,X,i"_s;
    QTest::newRow("forward in reading order, then the end")
        << sameShape << 0 << QPoint(1, 1) << u"nnnn"_s << u"0:2,3 0:3,2 beep最後の差分です beep最後の差分です"_s;
    QTest::newRow("backward, then the start") << sameShape << 0 << QPoint(3, 3) << u"ppp"_s << u"0:3,2 0:2,3 0:1,1"_s;
    QTest::newRow("the current cell itself is not found") << sameShape << 1 << QPoint(2, 3) << u"p"_s << u"1:1,1"_s;
    QTest::newRow("no wrap at the start") << sameShape << 0 << QPoint(1, 1) << u"p"_s << u"beep最初の差分です"_s;
    QTest::newRow("no differences at all")
        << u"a,b,c|d,e,f|g,h,i"_s << 0 << QPoint(2, 2) << u"np"_s << u"beep差分はありません beep差分はありません"_s;
    QTest::newRow("first and last from the middle") << sameShape << 0 << QPoint(2, 2) << u"lf"_s << u"0:3,2 0:1,1"_s;
    // The second sheet is wider: its fourth column is magenta, and the first sheet steps into it.
    QTest::newRow("the smaller sheet reaches the cells only the larger one has")
        << u"X,b,c,1|d,e,f,2|g,h,i,3"_s << 0 << QPoint(1, 1) << u"nnnp"_s << u"1:1,4 1:2,4 1:3,4 1:2,4"_s;
    QTest::newRow("back from the larger sheet's extra row into both sheets")
        << u"a,b,c|d,X,f|g,h,i|j,k,l"_s << 1 << QPoint(4, 2) << u"ppn"_s << u"1:4,1 1:2,2 1:4,1"_s;
}

void TestDifferences::stepsThroughTheMarkedCells()
{
    QFETCH(QString, right);
    QFETCH(int, sheet);
    QFETCH(QPoint, start);
    QFETCH(QString, steps);
    QFETCH(QString, visited);

    makePair(u"a,b,c|d,e,f|g,h,i"_s, right);
    (void)CompareSheets(s(), *m_ui, false);
    s().ActiveSheet = sheet;
    s().grdData(sheet).setCurrentCell(start.x(), start.y());
    QStringList seen;
    for (const QChar step : steps) {
        const int beepsBefore = m_ui->beeps;
        GoToDifference(s(), *m_ui,
                       step == u'n'       ? StepDirection::Next
                           : step == u'p' ? StepDirection::Previous
                           : step == u'f' ? StepDirection::First
                                          : StepDirection::Last);
        const Sheet &active = s().grdData(s().ActiveSheet);
        seen << (m_ui->beeps > beepsBefore ? u"beep"_s + s().StatusNote.text
                                           : u"%1:%2,%3"_s.arg(s().ActiveSheet).arg(active.row()).arg(active.col()));
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

    // A cell made equal by an edit since is skipped, one made to differ is found.
    for (const auto &[row, col, text] : {std::tuple{2, 2, u"d"_s}, std::tuple{1, 2, u"Y"_s}}) {
        right.setCurrentCell(row, col);
        right.setTextMatrix(row, col, text);
        RecompareSelection(s(), 1);
    }
    right.setCurrentCell(1, 1);
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
    s().Differences.setDiffers({marked.x(), marked.y()}, true);

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
    QTest::addColumn<QString>("coloursAfter"); // of both sheets, "first / second"
    QTest::addColumn<QString>("message"); // the information message, empty for none
    QTest::addColumn<bool>("comparing");

    const auto added = [](int first, int second) {
        return u"ファイル１に %1 行、ファイル２に %2 行の空行を入れて揃えました。"_s.arg(first).arg(second);
    };
    QTest::newRow("row inserted in the middle of the second file")
        << u"1,a|2,b|3,c|4,d"_s << u"1,a|2,b|X,x|3,c|4,d"_s << u"1,a|2,b|,|3,c|4,d"_s << u"1,a|2,b|X,x|3,c|4,d"_s
        << u"..|..|GG|..|.. / ..|..|RR|..|.."_s << added(1, 0) << false;
    QTest::newRow("row deleted from the top of the second file")
        << u"0,z|1,a|2,b"_s << u"1,a|2,b"_s << u"0,z|1,a|2,b"_s << u",|1,a|2,b"_s << u"RR|..|.. / GG|..|.."_s
        << added(0, 1) << false;
    QTest::newRow("extra column: rows match on the columns both have")
        << u"1,a|2,b"_s << u"X,x,q|1,a,q|2,b,q"_s << u",|1,a|2,b"_s << u"X,x,q|1,a,q|2,b,q"_s
        << u"GG|..|.. / RRM|..M|..M"_s << added(1, 0) << false;
    QTest::newRow("rows put in at two places of one sheet and one of the other")
        << u"1|2|3|4|5|Z"_s << u"1|X|2|3|Y|4|5"_s << u"1||2|3||4|5|Z"_s << u"1|X|2|3|Y|4|5|"_s
        << u".|G|.|.|G|.|.|R / .|R|.|.|R|.|.|G"_s << added(2, 1) << false;
    QTest::newRow("a filler row facing an empty row is not coloured")
        << u"1|2"_s << u"1||2"_s << u"1||2"_s << u"1||2"_s << u".|.|. / .|.|."_s << added(1, 0) << false;
    QTest::newRow("already lined up: nothing changes") << u"1,a|2,b"_s << u"1,a|9,b"_s << u"1,a|2,b"_s << u"1,a|9,b"_s
                                                       << u"..|.. / ..|.."_s << u"行はすでに揃っています。"_s << false;
    QTest::newRow("while a comparison runs: nothing") << u"1,a|2,b"_s << u"1,a|X,x|2,b"_s << u"1,a|2,b"_s
                                                      << u"1,a|X,x|2,b"_s << u"..|.. / ..|..|.."_s << QString() << true;
}

void TestDifferences::linesUpRows()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, leftAfter);
    QFETCH(QString, rightAfter);
    QFETCH(QString, coloursAfter);
    QFETCH(QString, message);
    QFETCH(bool, comparing);

    makePair(left, right);
    s().CompareRunning = comparing;
    const bool changes = left != leftAfter || right != rightAfter;
    RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });
    QCOMPARE(cellTexts(s().grdData(0)), leftAfter);
    QCOMPARE(cellTexts(s().grdData(1)), rightAfter);
    QCOMPARE(colourMap(s().grdData(0)) + u" / "_s + colourMap(s().grdData(1)), coloursAfter);
    if (changes) {
        const Sheet &sheet = s().grdData(left != leftAfter ? 0 : 1);
        QCOMPARE(sheet.textMatrix(sheet.rows() - 1, 0), u"%1行"_s.arg(sheet.rows() - 1));
    }
    // A line-up is one step on both sheets, whichever of them it changed.
    const bool changedEither = left != leftAfter || right != rightAfter;
    QCOMPARE(s().UndoAvailable[0], changedEither);
    QCOMPARE(s().UndoAvailable[1], changedEither);
    QStringList shown;
    for (const RecordingUserInterface::Message &m : m_ui->messages) {
        QCOMPARE(m.title, u"行を揃える"_s);
        QCOMPARE(m.icon, MessageIcon::Information);
        shown << m.text;
    }
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
}

void TestDifferences::linesUpHalvesThatSwappedPlaces()
{
    // 6000 rows of one text then 6000 of another, against the halves the other way round: far
    // more edits than a small search would look at, yet one half lines up.
    const QString ones = QStringList(6000, u"1"_s).join(u'|');
    const QString twos = QStringList(6000, u"2"_s).join(u'|');
    makePair(ones + u'|' + twos, twos + u'|' + ones);
    RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text, u"ファイル１に 6000 行、ファイル２に 6000 行の空行を入れて揃えました。"_s);
    QCOMPARE(s().grdData(0).rows(), 18001);
    QCOMPARE(s().grdData(1).rows(), 18001);
}

void TestDifferences::oneUndoPerSheetTakesTheLiningUpBack()
{
    makePair(u"a,1|X,1|b,1|c,1"_s, u"a,1|b,1|Y,1|c,1"_s);
    RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });
    QCOMPARE(cellTexts(s().grdData(0)), u"a,1|X,1|b,1|,|c,1"_s);
    QCOMPARE(cellTexts(s().grdData(1)), u"a,1|,|b,1|Y,1|c,1"_s);
    for (int i = 0; i < 2; ++i) {
        s().ActiveSheet = i;
        mnuZ_Click(s(), *m_ui);
    }
    QCOMPARE(cellTexts(s().grdData(0)), u"a,1|X,1|b,1|c,1"_s);
    QCOMPARE(cellTexts(s().grdData(1)), u"a,1|b,1|Y,1|c,1"_s);
}

void TestDifferences::fillerRowsTravelWithTheirRows_data()
{
    // Steps on the first sheet, separated by ';': "add r" / "del r" insert or delete row r, "col"
    // inserts a column before column 1, "type r" types q into (r, 1), "clear r" deletes the
    // contents of (r, 1), "paste r" pastes p there, "undo".
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("fillerRows"); // of the first sheet afterwards
    QTest::addColumn<QString>("colours"); // of the first sheet afterwards

    QTest::newRow("lined up") << QString() << u"2"_s << u".|G|.|."_s;
    QTest::newRow("row inserted above it") << u"add 1"_s << u"3"_s << u"R|R|G|R|M"_s;
    QTest::newRow("row deleted above it") << u"del 1"_s << u"1"_s << u"G|R|R"_s;
    QTest::newRow("the filler row deleted") << u"del 2"_s << QString() << u".|R|R"_s;
    QTest::newRow("row deleted, then undone") << u"del 1;undo"_s << u"2"_s << u".|G|.|."_s;
    // The colours come back as they were before the line-up: no comparison had run.
    QTest::newRow("lining up undone") << u"undo"_s << QString() << u".|.|."_s;
    QTest::newRow("column inserted") << u"col"_s << u"2"_s << u"RM|GM|RM|RM"_s;
    QTest::newRow("typed into") << u"type 2"_s << QString() << u".|R|.|."_s;
    QTest::newRow("typed into, then undone") << u"type 2;undo"_s << u"2"_s << u".|G|.|."_s;
    QTest::newRow("typed into, undone and redone") << u"type 2;undo;redo"_s << QString() << u".|R|.|."_s;
    QTest::newRow("contents deleted") << u"clear 2"_s << u"2"_s << u".|G|.|."_s;
    QTest::newRow("pasted into") << u"paste 2"_s << QString() << u".|R|.|."_s;
}

void TestDifferences::fillerRowsTravelWithTheirRows()
{
    QFETCH(QString, steps);
    QFETCH(QString, fillerRows);
    QFETCH(QString, colours);

    makePair(u"a|b|c"_s, u"a|X|b|c"_s);
    RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });
    Sheet &left = s().grdData(0);
    for (const QString &step : steps.split(u';', Qt::SkipEmptyParts)) {
        const QStringList words = step.split(u' ');
        const int row = words.size() > 1 ? words.at(1).toInt() : 1;
        s().ActiveSheet = 0;
        left.setCurrentCell(row, 1);
        if (words.first() == u"add"_s || words.first() == u"del"_s) {
            left.setColSel(left.cols() - 1);
            RunAsHistoryStep(s(), Command::GAdd, [&] {
                words.first() == u"add"_s ? mnuGAdd_Click(s(), *m_ui, u"行追加"_s)
                                          : mnuGDel_Click(s(), *m_ui, u"行削除"_s);
            });
        } else if (words.first() == u"col"_s) {
            left.setRowSel(left.rows() - 1);
            RunAsHistoryStep(s(), Command::GAdd, [&] { mnuGAdd_Click(s(), *m_ui, u"列追加"_s); });
        } else if (words.first() == u"type"_s) {
            s().KeyEditArmed = true;
            grdData_KeyPress(s(), *m_ui, 0, 'q');
            EndCellEdit(s(), 0);
        } else if (words.first() == u"clear"_s) {
            RunAsHistoryStep(s(), Command::Del, [&] { mnuDel_Click(s(), *m_ui); });
        } else if (words.first() == u"paste"_s) {
            m_ui->clipboard = u"p\r\n"_s;
            RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });
        } else if (words.first() == u"redo"_s) {
            mnuRedo_Click(s(), *m_ui);
        } else {
            mnuZ_Click(s(), *m_ui);
        }
    }
    QStringList found;
    for (int r = 1; r < left.rows(); ++r) {
        if (left.isFillerRow(r))
            found << QString::number(r);
    }
    QCOMPARE(found.join(u' '), fillerRows);
    QCOMPARE(colourMap(left), colours);
}

void TestDifferences::refusesToPassTheRowLimit()
{
    makePair(u"a"_s, u"x|a"_s);
    Sheet &left = s().grdData(0);
    left.setRows(kMaxRowCol); // a full first sheet that would need one more row at the top
    const QStringList before = wholeSheet(left);
    RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });
    QCOMPARE(wholeSheet(left), before);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text, alignTooLongText());
    QCOMPARE(m_ui->messages.first().title, u"行を揃える"_s);
    QCOMPARE(m_ui->messages.first().icon, MessageIcon::Exclamation);
    QVERIFY(!s().UndoAvailable[0] && !s().UndoAvailable[1]);
}

void TestDifferences::refusesToPassTheCellCapacity()
{
    // The second sheet holds all but one row of the cells a sheet may hold and needs two more
    // rows at the top; the first would take its rows below and fit. Neither may change.
    makePair(u"p|q|a"_s, u"a"_s);
    Sheet &right = s().grdData(1);
    right.setRows(16376);
    right.setCols(2049);
    const QString leftBefore = cellTexts(s().grdData(0));
    RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });
    QCOMPARE(cellTexts(s().grdData(0)), leftBefore);
    QCOMPARE(right.rows(), 16376);
    QCOMPARE(right.textMatrix(1, 1), u"a"_s);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text, alignTooLongText());
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

    RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });
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

    RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });

    QCOMPARE(cellTexts(s().grdData(0)), u"1,a|,|2,b"_s);
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = s().grdData(i);
        for (int r = 0; r < sheet.rows(); ++r)
            for (int c = 0; c < sheet.cols(); ++c)
                QVERIFY2(sheet.foreColorAt(r, c) != kMarkForeColor, qPrintable(u"%1: %2,%3"_s.arg(i).arg(r).arg(c)));
    }
}

void TestDifferences::linesUpColumns_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("alignRows"); // "before" or "after": 行を揃える too, in that order
    QTest::addColumn<QList<Answer>>("answers"); // to the offer of lining up by content
    QTest::addColumn<QString>("leftAfter");
    QTest::addColumn<QString>("rightAfter");
    QTest::addColumn<QString>("coloursAfter");
    QTest::addColumn<int>("differences");

    QTest::newRow("a column only the second file has")
        << u"code,name,price,qty|A1,pen,100,3"_s << u"code,name,color,price,qty|A1,pen,red,100,3"_s << QString()
        << QList<Answer>() << u"code,name,,price,qty|A1,pen,,100,3"_s << u"code,name,color,price,qty|A1,pen,red,100,3"_s
        << u"..G..|..G.. / ..R..|..R.."_s << 2;
    // The pair rowlark-diff's tests line up: the filler column's cells count as rowlark-diff counts them.
    QTest::newRow("a column inserted and a price changed")
        << u"code,name,price,qty|A1,pen,100,3|A2,ink,200,5"_s
        << u"code,name,color,price,qty|A1,pen,red,100,3|A2,ink,blue,250,5"_s << QString() << QList<Answer>()
        << u"code,name,,price,qty|A1,pen,,100,3|A2,ink,,200,5"_s
        << u"code,name,color,price,qty|A1,pen,red,100,3|A2,ink,blue,250,5"_s
        << u"..G..|..G..|..GR. / ..R..|..R..|..RR."_s << 4;
    QTest::newRow("headings mostly different, lined up by content")
        << u"a,b,c|1,x,5|2,y,6"_s << u"p,q,r,s|1,new,x,5|2,new,y,6"_s << QString() << QList<Answer>{Answer::Yes}
        << u"a,,b,c|1,,x,5|2,,y,6"_s << u"p,q,r,s|1,new,x,5|2,new,y,6"_s << u"RGRR|.G..|.G.. / RRRR|.R..|.R.."_s << 6;
    QTest::newRow("the offer cancelled: nothing changes")
        << u"a,b|1,2"_s << u"c,x,y|1,9,2"_s << QString() << QList<Answer>{Answer::Cancel} << u"a,b|1,2"_s
        << u"c,x,y|1,9,2"_s << QString() << -1;
    QTest::newRow("rows lined up first, then columns")
        << u"id,name|1,a|2,b|3,c"_s << u"id,memo,name|1,m,a|3,m,c"_s << u"before"_s << QList<Answer>()
        << u"id,,name|1,,a|2,,b|3,,c"_s << u"id,memo,name|1,m,a|,,|3,m,c"_s << u".G.|.G.|R.R|.G. / .R.|.R.|G.G|.R."_s
        << 5;
    QTest::newRow("columns lined up first, then rows")
        << u"id,name|1,a|2,b|3,c"_s << u"id,memo,name|1,m,a|3,m,c"_s << u"after"_s << QList<Answer>()
        << u"id,,name|1,,a|2,,b|3,,c"_s << u"id,memo,name|1,m,a|,,|3,m,c"_s << u".G.|.G.|R.R|.G. / .R.|.R.|G.G|.R."_s
        << 5;
}

void TestDifferences::linesUpColumns()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, alignRows);
    QFETCH(QList<Answer>, answers);
    QFETCH(QString, leftAfter);
    QFETCH(QString, rightAfter);
    QFETCH(QString, coloursAfter);
    QFETCH(int, differences);

    makePair(left, right);
    m_ui->scriptedAnswers = answers;
    if (alignRows == u"before")
        mnuAlign_Click(s(), *m_ui);
    mnuAlignCols_Click(s(), *m_ui);
    if (alignRows == u"after")
        mnuAlign_Click(s(), *m_ui);
    QCOMPARE(m_ui->questions.size(), answers.size());
    QCOMPARE(cellTexts(s().grdData(0)), leftAfter);
    QCOMPARE(cellTexts(s().grdData(1)), rightAfter);
    if (differences < 0) {
        QVERIFY(!s().UndoAvailable[0] && !s().UndoAvailable[1]);
        return;
    }
    QCOMPARE(colourMap(s().grdData(0)) + u" / "_s + colourMap(s().grdData(1)), coloursAfter);
    QCOMPARE(s().Differences.count(), qsizetype(differences));
}

void TestDifferences::oneUndoTakesBothSheetsColumnsBack()
{
    makePair(u"a,x,b|1,9,2"_s, u"a,b,y|1,2,8"_s);
    RunAsHistoryStep(s(), Command::AlignCols, [&] { mnuAlignCols_Click(s(), *m_ui); });
    QCOMPARE(cellTexts(s().grdData(0)), u"a,x,b,|1,9,2,"_s);
    QCOMPARE(cellTexts(s().grdData(1)), u"a,,b,y|1,,2,8"_s);
    // One step on both sheets: one undo, whichever sheet has the focus, takes both back.
    s().ActiveSheet = 1;
    mnuZ_Click(s(), *m_ui);
    QCOMPARE(cellTexts(s().grdData(0)), u"a,x,b|1,9,2"_s);
    QCOMPARE(cellTexts(s().grdData(1)), u"a,b,y|1,2,8"_s);
    QVERIFY(!s().grdData(0).isFillerCol(3) && !s().grdData(1).isFillerCol(2));
}

void TestDifferences::refusesColumnsPastTheCellCapacity()
{
    makePair(u"a|1"_s, u"b,a|2,1"_s);
    Sheet &left = s().grdData(0);
    left.setRows(32000);
    const int cols = int(kMaxCells / 32000);
    left.setCols(cols);
    mnuAlignCols_Click(s(), *m_ui);
    QCOMPARE(left.cols(), cols);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text,
             u"追加するとシートのセルの数が上限（%1 個）を超えるため、追加できません。"_s.arg(kMaxCells));
    QVERIFY(!s().UndoAvailable[0] && !s().UndoAvailable[1]);
}

QTEST_GUILESS_MAIN(TestDifferences)
#include "tst_differences.moc"
