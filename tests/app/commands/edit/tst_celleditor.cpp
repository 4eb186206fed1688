#include "AppState.h"
#include "CellEditor.h"
#include "CompareEngine.h"
#include "RecordingUserInterface.h"
#include "SearchScan.h"
#include "SheetKeys.h"
#include "SheetPairFixture.h"
#include "UndoSnapshots.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The in-cell editor without a window: the test stands in for the window's focus handling and
// delivers the focus notifications after the handler that moved the focus, as the window does.
class TestCellEditor : public QObject, private SheetPairFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editsLikeAPerson_data();
    void editsLikeAPerson();
    void boxLiesOverTheCurrentCell();
    void everyEndingNotificationCommitsOnce();
    void nothingWhileComparing();
    void clickMarksTheCellAndItsPartner_data();
    void clickMarksTheCellAndItsPartner();
    void comparisonColoursStayTrue_data();
    void comparisonColoursStayTrue();

private:
    void connectWindow(int index);
    void play(const QString &steps);
    void settle()
    {
        QCoreApplication::processEvents();
    }
};

void TestCellEditor::init()
{
    startPair();
    fillPair(u"a,b,c|d,e,f|g,h,i"_s, u"a,b,c|d,e,f|g,h,i"_s);
    for (int i = 0; i < 2; ++i)
        connectWindow(i);
    s().KeyEditArmed = true;
    s().grdData(0).setCurrentCell(2, 2);
    s().grdData(0).setFocus();
    settle();
}

void TestCellEditor::cleanup()
{
    stopPair();
}

void TestCellEditor::connectWindow(int index)
{
    Sheet &sheet = s().grdData(index);
    EditBox &box = s().txtEdit(index);
    AppState *state = m_state.get();
    // Focus moves at once; its notifications come after the handler that moved it.
    connect(&box, &EditBox::focusRequested, this, [state, &box] {
        for (int i = 0; i < 2; ++i)
            if (state->grdData(i).hasFocus())
                state->grdData(i).raiseLostFocus();
        box.gotFocusByView();
    });
    connect(&sheet, &Sheet::focusRequested, this, [state, &sheet] {
        for (int i = 0; i < 2; ++i)
            if (state->txtEdit(i).hasFocus())
                state->txtEdit(i).lostFocusByView();
        if (!sheet.hasFocus())
            sheet.raiseGotFocus();
    });
    connect(
        &box, &EditBox::lostFocus, this, [state, index] { txtEdit_LostFocus(*state, index); }, Qt::QueuedConnection);
    connect(
        &sheet, &Sheet::gotFocus, this, [state, index] { grdData_GotFocus(*state, index); }, Qt::QueuedConnection);
    connect(&sheet, &Sheet::leaveCell, this, [state, index] { grdData_LeaveCell(*state, index); });
    UserInterface *ui = m_ui.get();
    connect(&sheet, &Sheet::keyPress, this,
            [state, ui, index](int *keyAscii) { grdData_KeyPress(*state, *ui, index, *keyAscii); });
    connect(&box, &EditBox::keyDown, this,
            [state, index](int *keyCode, int shift) { txtEdit_KeyDown(*state, index, *keyCode, shift); });
    connect(&box, &EditBox::compositionCancelled, this, [state, index] { txtEdit_CompositionCancel(*state, index); });
}

// Plays keys on whatever has the focus: letters are typed, '{' Enter, '^' Esc, '<' '>' 'v' '^'
// are Left, Right, Down, and 'A' Up; '!' double-clicks sheet 1's current cell, '@' clicks its
// cell (1, 1), '#' gives the focus to sheet 2, '*' to something outside both sheets; '~' is an
// input method beginning to compose (on the sheet it opens the editor), '-' the input method
// dropping its composition in the box without committing; 'D' is Delete on sheet 1, 'R' two presses
// of "置換" (show, then replace) replacing "e" by "X" in sheet 1.
void TestCellEditor::play(const QString &steps)
{
    Sheet &sheet = s().grdData(0);
    EditBox &box = s().txtEdit(0);
    for (const QChar step : steps) {
        const bool inBox = box.hasFocus();
        int key = 0;
        switch (step.unicode()) {
        case '{':
            key = 13;
            break;
        case '^':
            key = 27;
            break;
        case '<':
            key = 37;
            break;
        case 'A':
            key = 38;
            break;
        case '>':
            key = 39;
            break;
        case 'v':
            key = 40;
            break;
        case '!':
            grdData_DblClick(s(), *m_ui, 0);
            break;
        case '@':
            sheet.setCurrentCell(1, 1);
            break;
        case '#':
            s().grdData(1).setFocus();
            break;
        case '~':
            if (!inBox)
                grdData_CompositionStart(s(), 0);
            break;
        case '-':
            box.compositionCancelledByView();
            break;
        case 'D':
            grdData_KeyDown(s(), *m_ui, 0, kKeyDelete, 0);
            break;
        case 'R': {
            // The first press shows the match, the second replaces it.
            SearchRequest request{0, SearchMode::Replace, SearchDirection::DownRight, false, u"e"_s, u"X"_s};
            request.shownMatch = RunSearch(s(), *m_ui, request).shown;
            request.continueSearch = true;
            (void)RunSearch(s(), *m_ui, request);
            break;
        }
        case '*':
            box.lostFocusByView();
            if (sheet.hasFocus())
                sheet.raiseLostFocus();
            break;
        default:
            if (inBox) {
                box.editedByView(box.text().insert(box.selStart(), step), box.selStart() + 1);
            } else {
                int keyAscii = step.unicode();
                sheet.raiseKeyPress(keyAscii);
            }
        }
        if (key != 0) {
            if (inBox) {
                box.raiseKeyDown(key, 0);
                // What the box does itself with a key its handler left to it.
                if (box.hasFocus() && (key == 37 || key == 39))
                    box.caretMovedByView(box.selStart() + (key == 39 ? 1 : -1));
            } else if (key == 13 || key == 27) {
                sheet.raiseKeyPress(key); // the sheet's Enter and Esc reach it as characters
            } else {
                const int row = sheet.row() + (key == 40) - (key == 38);
                const int col = sheet.col() + (key == 39) - (key == 37);
                if (row >= 1 && row < sheet.rows() && col >= 1 && col < sheet.cols())
                    sheet.setCurrentCell(row, col);
            }
        }
        settle();
    }
}

void TestCellEditor::editsLikeAPerson_data()
{
    QTest::addColumn<QString>("steps"); // from cell (2, 2) of sheet 1, which holds "e"
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QPoint>("current"); // row, col afterwards
    QTest::addColumn<bool>("editing");

    const QString unchanged = u"a,b,c|d,e,f|g,h,i"_s;
    QTest::newRow("a letter replaces the text, Enter stores it")
        << u"XY{"_s << u"a,b,c|d,XY,f|g,h,i"_s << QPoint(2, 2) << false;
    QTest::newRow("Enter on the sheet starts from the text")
        << u"{Z{"_s << u"a,b,c|d,eZ,f|g,h,i"_s << QPoint(2, 2) << false;
    QTest::newRow("double click starts from the text") << u"!Z{"_s << u"a,b,c|d,eZ,f|g,h,i"_s << QPoint(2, 2) << false;
    QTest::newRow("Esc discards") << u"X^"_s << unchanged << QPoint(2, 2) << false;
    QTest::newRow("Esc on the sheet opens nothing") << u"^"_s << unchanged << QPoint(2, 2) << false;
    QTest::newRow("control code 2 opens nothing") << u"\x02"_s << unchanged << QPoint(2, 2) << false;
    QTest::newRow("Down commits and moves") << u"Xv"_s << u"a,b,c|d,X,f|g,h,i"_s << QPoint(3, 2) << false;
    QTest::newRow("Up commits and moves") << u"XA"_s << u"a,b,c|d,X,f|g,h,i"_s << QPoint(1, 2) << false;
    QTest::newRow("Right at the end commits and moves") << u"X>"_s << u"a,b,c|d,X,f|g,h,i"_s << QPoint(2, 3) << false;
    QTest::newRow("Left at the start commits and moves")
        << u"!<<<"_s << u"a,b,c|d,e,f|g,h,i"_s << QPoint(2, 1) << false;
    QTest::newRow("Left inside the text moves the caret only") << u"X<"_s << unchanged << QPoint(2, 2) << true;
    QTest::newRow("Down at the last row commits and stays")
        << u"vXv"_s << u"a,b,c|d,e,f|g,X,i"_s << QPoint(3, 2) << false;
    QTest::newRow("Up at the first data row commits and stays")
        << u"AXA"_s << u"a,X,c|d,e,f|g,h,i"_s << QPoint(1, 2) << false;
    QTest::newRow("Right at the last column commits and stays")
        << u">X>"_s << u"a,b,c|d,e,X|g,h,i"_s << QPoint(2, 3) << false;
    QTest::newRow("Left at the first column commits and stays") << u"<{<<"_s << unchanged << QPoint(2, 1) << false;
    QTest::newRow("moving the current cell commits") << u"X@"_s << u"a,b,c|d,X,f|g,h,i"_s << QPoint(1, 1) << false;
    QTest::newRow("the other sheet taking the focus commits")
        << u"X#"_s << u"a,b,c|d,X,f|g,h,i"_s << QPoint(2, 2) << false;
    QTest::newRow("the focus leaving both sheets commits")
        << u"X*"_s << u"a,b,c|d,X,f|g,h,i"_s << QPoint(2, 2) << false;
    QTest::newRow("a dropped composition closes the editor it opened") << u"~-"_s << unchanged << QPoint(2, 2) << false;
    QTest::newRow("moving after a dropped composition commits nothing")
        << u"~-@"_s << unchanged << QPoint(1, 1) << false;
    QTest::newRow("a dropped composition keeps what was composed before")
        << u"~Y-{"_s << u"a,b,c|d,Y,f|g,h,i"_s << QPoint(2, 2) << false;
    QTest::newRow("a dropped composition keeps a typed edit")
        << u"X~-{"_s << u"a,b,c|d,X,f|g,h,i"_s << QPoint(2, 2) << false;
    QTest::newRow("a dropped composition keeps an edit of the text open")
        << u"!-"_s << unchanged << QPoint(2, 2) << true;
}

void TestCellEditor::editsLikeAPerson()
{
    QFETCH(QString, steps);
    QFETCH(QString, cells);
    QFETCH(QPoint, current);
    QFETCH(bool, editing);

    play(steps);
    const Sheet &sheet = s().grdData(0);
    QCOMPARE(cellTexts(sheet), cells);
    QCOMPARE(QPoint(sheet.row(), sheet.col()), current);
    QCOMPARE(s().txtEdit(0).isVisible(), editing);
    if (steps.contains(u'-') && cells == u"a,b,c|d,e,f|g,h,i"_s)
        QVERIFY2(!s().UndoAvailable[0], "a dropped composition takes no snapshot");
    if (!editing && cells != u"a,b,c|d,e,f|g,h,i"_s) {
        // A committed edit is re-coloured against the other sheet and can be undone.
        QVERIFY(s().UndoAvailable[0]);
        QVERIFY(colourMap(sheet).contains(u'R'));
        s().ActiveSheet = 0; // the undo command works on the active sheet
        mnuZ_Click(s(), *m_ui);
        QCOMPARE(cellTexts(sheet), u"a,b,c|d,e,f|g,h,i"_s);
    }
}

void TestCellEditor::boxLiesOverTheCurrentCell()
{
    Sheet &sheet = s().grdData(0);
    sheet.setGeometry({1000, 2000, 6000, 4000});
    sheet.reportLayout({{300, 900, 1200, 700}, 250, 5000, 3000});
    sheet.setCurrentCell(2, 2);
    play(u"X"_s);
    // 40 twips in from the cell's left edge and 10 from its top, up to its right and bottom.
    const TwipsRect box = s().txtEdit(0).geometry();
    QCOMPARE(box, (TwipsRect{1000 + sheet.cellLeft() + 40, 2000 + sheet.cellTop() + 10, 1200 - 40, 250 - 10}));
    QVERIFY(s().txtEdit(0).hasFocus());
    QCOMPARE(s().txtEdit(0).text(), u"X"_s);
    QCOMPARE(s().txtEdit(0).selStart(), 1);
}

void TestCellEditor::everyEndingNotificationCommitsOnce()
{
    Sheet &sheet = s().grdData(0);
    play(u"XY"_s);
    // The notifications that end an edit, in an order no person produces, and again.
    for (int round = 0; round < 2; ++round) {
        grdData_GotFocus(s(), 0);
        txtEdit_LostFocus(s(), 0);
        grdData_LeaveCell(s(), 0);
        EndCellEdit(s(), 0);
    }
    QCOMPARE(sheet.textMatrix(2, 2), u"XY"_s);
    // One snapshot only: the one taken before the first commit still holds the old text.
    mnuZ_Click(s(), *m_ui);
    QCOMPARE(sheet.textMatrix(2, 2), u"e"_s);
}

void TestCellEditor::nothingWhileComparing()
{
    s().CompareRunning = true;
    play(u"X{"_s);
    grdData_DblClick(s(), *m_ui, 0);
    QVERIFY(!s().txtEdit(0).isVisible());
    QCOMPARE(cellTexts(s().grdData(0)), u"a,b,c|d,e,f|g,h,i"_s);

    // An edit open when a comparison starts is not committed by its notifications.
    s().CompareRunning = false;
    play(u"X"_s);
    s().CompareRunning = true;
    grdData_GotFocus(s(), 0);
    grdData_LeaveCell(s(), 0);
    QCOMPARE(s().grdData(0).textMatrix(2, 2), u"e"_s);
}

void TestCellEditor::clickMarksTheCellAndItsPartner_data()
{
    QTest::addColumn<int>("clicked");
    QTest::addColumn<Selection>("block"); // selected in the clicked sheet before the click
    QTest::addColumn<QString>("partner"); // the other sheet's cells; empty: hidden
    QTest::addColumn<QString>("blue"); // blue cells afterwards, sheet 1 then sheet 2
    QTest::addColumn<QPoint>("partnerCell"); // the other sheet's current cell afterwards

    const QString same = u"a,b,c|d,e,f|g,h,i"_s;
    QTest::newRow("both shown: the partner moves there, both turn blue")
        << 0 << Selection{3, 2, 3, 2} << same << u"3,2|3,2"_s << QPoint(3, 2);
    QTest::newRow("a click on sheet 2 moves sheet 1")
        << 1 << Selection{1, 3, 1, 3} << same << u"1,3|1,3"_s << QPoint(1, 3);
    QTest::newRow("a smaller partner stays put")
        << 0 << Selection{3, 3, 3, 3} << u"a,b|c,d"_s << u"3,3|"_s << QPoint(1, 1);
    QTest::newRow("a hidden partner stays put") << 0 << Selection{2, 3, 2, 3} << QString() << u"2,3|"_s << QPoint(1, 1);
    QTest::newRow("a block changes no colour") << 0 << Selection{1, 1, 2, 3} << same << u"|"_s << QPoint(1, 1);
}

void TestCellEditor::clickMarksTheCellAndItsPartner()
{
    QFETCH(int, clicked);
    QFETCH(Selection, block);
    QFETCH(QString, partner);
    QFETCH(QString, blue);
    QFETCH(QPoint, partnerCell);

    Sheet &sheet = s().grdData(clicked);
    Sheet &other = s().grdData(1 - clicked);
    if (partner.isEmpty())
        other.setVisible(false);
    else
        fillSheet(other, partner);
    other.setCurrentCell(1, 1);
    select(sheet, block);
    s().ActiveSheet = clicked;
    const auto blueCells = [&] {
        QStringList sheets;
        for (int i = 0; i < 2; ++i) {
            QStringList cells;
            const Sheet &grid = s().grdData(i);
            for (int r = 0; r < grid.rows(); ++r)
                for (int c = 0; c < grid.cols(); ++c)
                    if (grid.foreColorAt(r, c) == kMarkForeColor)
                        cells << QString::number(r) + u',' + QString::number(c);
            sheets << cells.join(u' ');
        }
        return sheets.join(u'|');
    };

    grdData_Click(s(), clicked);
    QCOMPARE(blueCells(), blue);
    QCOMPARE(QPoint(other.row(), other.col()), partnerCell);
    QCOMPARE(selectionOf(sheet), block);

    // Leaving the cell takes the marks off both sheets.
    sheet.setCurrentCell(1, 1);
    QCOMPARE(blueCells(), u"|"_s);
}

void TestCellEditor::comparisonColoursStayTrue_data()
{
    QTest::addColumn<QString>("right"); // sheet 2; sheet 1 holds a,b,c|d,e,f|g,h,i
    QTest::addColumn<Selection>("block"); // of sheet 1 after the comparison
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("colours"); // sheet 1's, then sheet 2's

    const QString eDiffers = u"a,b,c|d,X,f|g,h,i"_s;
    QTest::newRow("an arrow key out of the editor keeps the colour of the cell reached")
        << eDiffers << Selection{1, 2, 1, 2} << u"bv"_s << u"...|.R.|... ...|.R.|..."_s;
    QTest::newRow("Esc puts back the colour the cell had")
        << eDiffers << Selection{2, 2, 2, 2} << u"Q^"_s << u"...|.R.|... ...|.R.|..."_s;
    QTest::newRow("an edit in a block extended upward is re-compared")
        << eDiffers << Selection{3, 3, 2, 3} << u"X{"_s << u"...|.R.|..R ...|.R.|..R"_s;
    QTest::newRow("Delete of a block wider than the other sheet re-colours every row")
        << u"a,b|d,e|g,h"_s << Selection{1, 1, 3, 3} << u"D"_s << u"RRM|RRM|RRM RR|RR|RR"_s;
    QTest::newRow("a replaced cell is re-compared")
        << eDiffers << Selection{1, 1, 1, 1} << u"R"_s << u"...|...|... ...|...|..."_s;
}

void TestCellEditor::comparisonColoursStayTrue()
{
    QFETCH(QString, right);
    QFETCH(Selection, block);
    QFETCH(QString, steps);
    QFETCH(QString, colours);

    fillSheet(s().grdData(1), right);
    (void)CompareSheets(s(), *m_ui, false);
    select(s().grdData(0), block);
    s().ActiveSheet = 0;
    play(steps);
    QCOMPARE(colourMap(s().grdData(0)) + u' ' + colourMap(s().grdData(1)), colours);
}

QTEST_GUILESS_MAIN(TestCellEditor)
#include "tst_celleditor.moc"
