#include "AppState.h"
#include "ClipboardCommands.h"
#include "MTXT_LINE.h"
#include "RecordingUserInterface.h"
#include "RowsAndColumns.h"
#include "SendToOther.h"
#include "SheetLock.h"
#include "SheetPairFixture.h"
#include "UndoSnapshots.h"

#include <QRandomGenerator>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

class TestEditCommands : public QObject, private SheetPairFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void getTextLine_data();
    void getTextLine();
    void copiesTheBlock_data();
    void copiesTheBlock();
    void pastesFromTheCurrentCell_data();
    void pastesFromTheCurrentCell();
    void pasteRecoloursAgainstTheOtherSheet_data();
    void pasteRecoloursAgainstTheOtherSheet();
    void deleteAndCut_data();
    void deleteAndCut();
    void sendsTheBlockToTheOtherSheet_data();
    void sendsTheBlockToTheOtherSheet();
    void partialBlocksSayWhatDidNotFit_data();
    void partialBlocksSayWhatDidNotFit();
    void undoFollowsTheOption_data();
    void undoFollowsTheOption();
    void undoPutsTheSelectionBackAsFarAsItFits_data();
    void undoPutsTheSelectionBackAsFarAsItFits();
    void undoRestoresWhatEveryCommandChanged();
    void nothingWhileComparing();
    void sheetLockRestoresWhatItLocked_data();
    void sheetLockRestoresWhatItLocked();

private:
    void makePair(const QString &left, const QString &right, bool bothShown = true);
};

void TestEditCommands::init()
{
    startPair();
}

void TestEditCommands::cleanup()
{
    stopPair();
}

void TestEditCommands::makePair(const QString &left, const QString &right, bool bothShown)
{
    fillPair(left, right);
    s().grdData(1).setVisible(bothShown);
}

void TestEditCommands::getTextLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("status"); // TextLineStatus as a number
    QTest::addColumn<QString>("line");

    QTest::newRow("first line") << u"ab\r\ncd\r\n"_s << 1 << 0 << u"ab"_s;
    QTest::newRow("second line") << u"ab\r\ncd\r\n"_s << 2 << 0 << u"cd"_s;
    QTest::newRow("after the last line end") << u"ab\r\ncd\r\n"_s << 3 << 1 << QString();
    QTest::newRow("last line without a line end") << u"ab\r\ncd"_s << 2 << 1 << QString();
    QTest::newRow("line that starts nowhere") << u"ab\r\n"_s << 3 << 2 << QString();
    QTest::newRow("lone CR and LF are characters") << u"a\rb\nc\r\n"_s << 1 << 0 << u"a\rb\nc"_s;
    QTest::newRow("empty line") << u"\r\n\r\n"_s << 2 << 0 << QString();
    QTest::newRow("line number zero") << u"ab\r\n"_s << 0 << 3 << QString();
}

void TestEditCommands::getTextLine()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(int, status);
    QFETCH(QString, line);
    QString got = u"stale"_s;
    QCOMPARE(int(MTXT_LINE::GetTextLine(text, n, got)), status);
    QCOMPARE(got, line);
}

void TestEditCommands::copiesTheBlock_data()
{
    QTest::addColumn<Selection>("block");
    QTest::addColumn<QString>("clipboard");
    // The sheet: a,b,x,w | c,d,y,v | abc,,z,u, then (2, 3) q TAB r, (1, 4) say "hi", (2, 4) two lines
    QTest::newRow("two by two") << Selection{1, 1, 2, 2} << u"a\tb\r\nc\td\r\n"_s;
    QTest::newRow("one cell") << Selection{3, 1, 3, 1} << u"abc\r\n"_s;
    QTest::newRow("empty cell") << Selection{3, 2, 3, 2} << u"\r\n"_s;
    QTest::newRow("a column") << Selection{1, 3, 3, 3} << u"x\r\n\"q\tr\"\r\nz\r\n"_s;
    QTest::newRow("a cell holding a TAB is quoted") << Selection{2, 2, 2, 3} << u"d\t\"q\tr\"\r\n"_s;
    QTest::newRow("quotes and line ends are quoted, inner quotes doubled")
        << Selection{1, 4, 2, 4} << u"\"say \"\"hi\"\"\"\r\n\"two\r\nlines\"\r\n"_s;
}

void TestEditCommands::copiesTheBlock()
{
    QFETCH(Selection, block);
    QFETCH(QString, clipboard);
    for (int sheet = 0; sheet < 2; ++sheet) {
        makePair(u"a,b,x,w|c,d,y,v|abc,,z,u"_s, u"a,b,x,w|c,d,y,v|abc,,z,u"_s);
        s().grdData(sheet).setTextMatrix(2, 3, u"q\tr"_s);
        s().grdData(sheet).setTextMatrix(2, 2, u"d"_s);
        s().grdData(sheet).setTextMatrix(1, 4, u"say \"hi\""_s);
        s().grdData(sheet).setTextMatrix(2, 4, u"two\r\nlines"_s);
        s().ActiveSheet = sheet;
        select(s().grdData(sheet), block);
        const QString before = cellTexts(s().grdData(sheet));
        mnuCopy_Click(s(), *m_ui);
        QCOMPARE(m_ui->clipboard, clipboard);
        QCOMPARE(cellTexts(s().grdData(sheet)), before);
        QVERIFY(s().txtClip.isEmpty());
        QVERIFY(!s().UndoAvailable[sheet]);
    }
}

void TestEditCommands::pastesFromTheCurrentCell_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("after"); // the 4 x 3 sheet's data cells

    const QString dots = u".,.,.|.,.,.|.,.,.|.,.,."_s;
    QTest::newRow("two lines at the anchor") << u"a\tb\r\nc\td\r\n"_s << 2 << 2 << u".,.,.|.,a,b|.,c,d|.,.,."_s;
    QTest::newRow("an empty field empties its cell") << u"a\r\na\t\r\n"_s << 1 << 1 << u"a,.,.|a,,.|.,.,.|.,.,."_s;
    QTest::newRow("last line without CR LF is not pasted") << u"a\r\nb"_s << 1 << 1 << u"a,.,.|.,.,.|.,.,.|.,.,."_s;
    QTest::newRow("one word pastes nothing") << u"word"_s << 1 << 1 << dots;
    QTest::newRow("empty clipboard") << QString() << 1 << 1 << dots;
    QTest::newRow("past the last row and column is dropped")
        << u"1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n"_s << 3 << 2 << u".,.,.|.,.,.|.,1,2|.,4,5"_s;
    QTest::newRow("text without CR is cut at LF") << u"a\tb\nc\n"_s << 1 << 1 << u"a,b,.|c,.,.|.,.,.|.,.,."_s;
    QTest::newRow("text after the last LF is not pasted") << u"a\tb\nc"_s << 1 << 1 << u"a,b,.|.,.,.|.,.,.|.,.,."_s;
    QTest::newRow("lone LF inside CR LF text stays in the cell")
        << u"a\nb\r\n"_s << 1 << 1 << u"a\nb,.,.|.,.,.|.,.,.|.,.,."_s;
    QTest::newRow("lone CR stays in the cell") << u"x\ry\r\n"_s << 4 << 3 << u".,.,.|.,.,.|.,.,.|.,.,x\ry"_s;
    QTest::newRow("NUL characters are text") << u"a\u0000b\r\n"_s << 1 << 1 << u"a\u0000b,.,.|.,.,.|.,.,.|.,.,."_s;
    QTest::newRow("thousands of TABs") << (u"z"_s + QString(5000, u'\t') + u"\r\n"_s) << 1 << 2
                                       << u".,z,|.,.,.|.,.,.|.,.,."_s;
    QTest::newRow("a 10 MB line") << (QString(10'000'000, u'w') + u"\r\n"_s) << 4 << 3
                                  << (u".,.,.|.,.,.|.,.,.|.,.,"_s + QString(10'000'000, u'w'));
    QTest::newRow("quoted fields hold TABs, line ends and doubled quotes")
        << u"\"a\tb\"\t\"say \"\"hi\"\"\"\r\n\"two\r\nlines\"\tc\r\n"_s << 1 << 1
        << u"a\tb,say \"hi\",.|two\r\nlines,c,.|.,.,.|.,.,."_s;
    QTest::newRow("a quote inside a field is a character")
        << u"ab\"c\td\r\n"_s << 1 << 1 << u"ab\"c,d,.|.,.,.|.,.,.|.,.,."_s;
    QTest::newRow("a quote left open is a character")
        << u"x\t\"y\r\nz\r\n"_s << 1 << 1 << u"x,\"y,.|z,.,.|.,.,.|.,.,."_s;
    QTest::newRow("40000 lines") << u"q\r\n"_s.repeated(40000) << 3 << 1 << u".,.,.|.,.,.|q,.,.|q,.,."_s;
}

void TestEditCommands::pastesFromTheCurrentCell()
{
    QFETCH(QString, clipboard);
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, after);
    for (int sheet = 0; sheet < 2; ++sheet) {
        makePair(u".,.,.|.,.,.|.,.,.|.,.,."_s, u".,.,.|.,.,.|.,.,.|.,.,."_s);
        s().grdData(1 - sheet).setVisible(false);
        Sheet &target = s().grdData(sheet);
        target.setBackColorAt(row, col, kDiffBackColor);
        s().ActiveSheet = sheet;
        select(target, {row, col, row, col});
        m_ui->clipboard = clipboard;

        RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });

        QCOMPARE(cellTexts(target), after);
        QCOMPARE(target.rows(), 5);
        QCOMPARE(target.cols(), 4);
        // With the other sheet hidden nothing is re-coloured and the current cell stays.
        QCOMPARE(target.backColorAt(row, col), kDiffBackColor);
        QCOMPARE(selectionOf(target), (Selection{row, col, row, col}));
        // A paste that changed nothing leaves no step.
        QCOMPARE(s().UndoAvailable[sheet], after != u".,.,.|.,.,.|.,.,.|.,.,."_s);
        QCOMPARE(s().txtClip, clipboard);
        QVERIFY(target.isEnabled() && target.redraw());
    }
}

void TestEditCommands::pasteRecoloursAgainstTheOtherSheet_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("coloursActive"); // the active 3 x 3 sheet, all light red before, pasted at (1, 1)
    QTest::addColumn<QString>("coloursOther");
    QTest::addColumn<Selection>("currentActive");
    QTest::addColumn<Selection>("currentOther");

    QTest::newRow("equal and differing cells") << u"a,x,.|b,.,."_s << u"a\tb\r\nb\t.\r\n"_s << u".RR|..R|RRR"_s
                                               << u".R.|..."_s << Selection{2, 2, 2, 2} << Selection{2, 2, 2, 2};
    QTest::newRow("cells the other sheet lacks turn magenta")
        << u"a,x|b,y"_s << u"a\tx\tz\r\nq\r\nw\r\n"_s << u"..M|RRR|MRR"_s << u"..|R."_s << Selection{3, 1, 3, 1}
        << Selection{2, 1, 2, 1};
}

void TestEditCommands::pasteRecoloursAgainstTheOtherSheet()
{
    QFETCH(QString, other);
    QFETCH(QString, clipboard);
    QFETCH(QString, coloursActive);
    QFETCH(QString, coloursOther);
    QFETCH(Selection, currentActive);
    QFETCH(Selection, currentOther);

    for (int active = 0; active < 2; ++active) {
        init();
        const QString pasted = u".,.,.|.,.,.|.,.,."_s;
        makePair(active == 0 ? pasted : other, active == 0 ? other : pasted);
        Sheet &target = s().grdData(active);
        paintMap(target, u"RRR|RRR|RRR"_s);
        target.setCellForeColor(kMarkForeColor);
        s().ActiveSheet = active;
        m_ui->clipboard = clipboard;

        RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });

        QCOMPARE(colourMap(target), coloursActive);
        QCOMPARE(colourMap(s().grdData(1 - active)), coloursOther);
        QCOMPARE(selectionOf(target), currentActive);
        QCOMPARE(selectionOf(s().grdData(1 - active)), currentOther);
        QCOMPARE(target.foreColorAt(1, 1), kWindowTextColor); // the click mark went
    }
}

void TestEditCommands::deleteAndCut_data()
{
    QTest::addColumn<bool>("cut");
    QTest::addColumn<bool>("bothShown");
    QTest::newRow("delete, both shown") << false << true;
    QTest::newRow("delete, one shown") << false << false;
    QTest::newRow("cut, both shown") << true << true;
    QTest::newRow("cut, one shown") << true << false;
}

void TestEditCommands::deleteAndCut()
{
    QFETCH(bool, cut);
    QFETCH(bool, bothShown);
    for (int active = 0; active < 2; ++active) {
        init();
        const QString changed = u"a,b,c|d,e,f"_s;
        const QString other = u"a,,c|x,,f"_s;
        makePair(active == 0 ? changed : other, active == 0 ? other : changed);
        s().grdData(1 - active).setVisible(bothShown);
        Sheet &sheet = s().grdData(active);
        paintMap(sheet, u"RRR|RRR"_s);
        s().ActiveSheet = active;
        select(sheet, {1, 2, 2, 3});

        RunAsHistoryStep(s(), cut ? Command::Cut : Command::Del,
                         [&] { cut ? mnuCut_Click(s(), *m_ui) : mnuDel_Click(s(), *m_ui); });

        QCOMPARE(cellTexts(sheet), u"a,,|d,,"_s);
        QCOMPARE(sheet.rows(), 3);
        QCOMPARE(m_ui->clipboard, cut ? u"b\tc\r\ne\tf\r\n"_s : QString());
        // Re-coloured against the other sheet only when it is shown: "" equals "", "" differs from "c".
        QCOMPARE(colourMap(sheet), bothShown ? u"R.R|R.R"_s : u"RRR|RRR"_s);
        QVERIFY(s().grdData(0).isEnabled() && s().grdData(1).isEnabled());

        mnuZ_Click(s(), *m_ui);
        QCOMPARE(cellTexts(sheet), changed);
        QVERIFY(!s().UndoAvailable[active]);
        // The colours come back with the cells, shown pair or not.
        QCOMPARE(colourMap(sheet), u"RRR|RRR"_s);
        QVERIFY(m_ui->messages.isEmpty());
    }
}

void TestEditCommands::sendsTheBlockToTheOtherSheet_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("bothShown");
    QTest::addColumn<Selection>("block");
    QTest::addColumn<QString>("otherAfter");
    QTest::addColumn<QString>("coloursAfter"); // of the other sheet

    QTest::newRow("block inside both") << u"1,2,3|4,5,6|7,8,9"_s << true << Selection{2, 1, 3, 3}
                                       << u"1,2,3|d,e,f|g,h,i"_s << u"RRR|...|..."_s;
    QTest::newRow("block past the other's last column copies every cell that fits")
        << u"1,2|4,5|7,8"_s << true << Selection{1, 2, 2, 3} << u"1,b|4,e|7,8"_s << u"R.|R.|RR"_s;
    QTest::newRow("current cell outside the other: nothing")
        << u"1,2|4,5"_s << true << Selection{3, 1, 3, 1} << u"1,2|4,5"_s << u"RR|RR"_s;
    QTest::newRow("one sheet shown: nothing")
        << u"1,2,3|4,5,6|7,8,9"_s << false << Selection{1, 1, 1, 1} << u"1,2,3|4,5,6|7,8,9"_s << u"RRR|RRR|RRR"_s;
}

void TestEditCommands::sendsTheBlockToTheOtherSheet()
{
    QFETCH(QString, other);
    QFETCH(bool, bothShown);
    QFETCH(Selection, block);
    QFETCH(QString, otherAfter);
    QFETCH(QString, coloursAfter);
    for (int from = 0; from < 2; ++from) {
        const QString source = u"a,b,c|d,e,f|g,h,i"_s;
        makePair(from == 0 ? source : other, from == 0 ? other : source, true);
        s().grdData(1 - from).setVisible(bothShown);
        for (int i = 0; i < 2; ++i)
            paintMap(s().grdData(i), u"RRR|RRR|RRR"_s);
        s().ActiveSheet = from;
        select(s().grdData(from), block);
        const QString otherBefore = cellTexts(s().grdData(1 - from));

        RunAsHistoryStep(s(), Command::Send, [&] { mnuSend_Click(s(), *m_ui); });

        const Sheet &receiver = s().grdData(1 - from);
        QCOMPARE(cellTexts(receiver), otherAfter);
        QCOMPARE(colourMap(receiver), coloursAfter);
        QCOMPARE(cellTexts(s().grdData(from)), source);
        QCOMPARE(s().UndoAvailable[1 - from], otherAfter != otherBefore);
        QVERIFY(!s().UndoAvailable[from]);
        for (int i = 0; i < 2; ++i)
            QVERIFY(s().grdData(i).isEnabled() && s().grdData(i).redraw());

        // Undo in the sending sheet does not undo the copy; in the receiving sheet it does.
        if (s().UndoAvailable[1 - from]) {
            s().ActiveSheet = 1 - from;
            mnuZ_Click(s(), *m_ui);
            QCOMPARE(cellTexts(receiver), otherBefore);
        }
        init();
    }
}

void TestEditCommands::partialBlocksSayWhatDidNotFit_data()
{
    QTest::addColumn<bool>("paste"); // else copy to the other sheet
    QTest::addColumn<QString>("other"); // sheet 2; sheet 1 holds a,b,c|d,e,f|g,h,i
    QTest::addColumn<Selection>("block"); // of sheet 1
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("changed"); // the cells of the sheet written to
    QTest::addColumn<QString>("message"); // empty: none

    const QString sent = u"相手のシートに収まらない部分はコピーしませんでした（%1 行 %2 列）"_s;
    const QString pasted = u"シートに収まらない部分は貼り付けませんでした（%1 行 %2 列）"_s;
    const QString nine = u"1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n"_s;
    QTest::newRow("copy to a smaller sheet: every cell that fits")
        << false << u"1,2|3,4"_s << Selection{1, 1, 3, 3} << QString() << u"a,b|d,e"_s << sent.arg(1).arg(1);
    QTest::newRow("copy to a narrower sheet")
        << false << u"1,2|3,4|5,6"_s << Selection{1, 1, 3, 3} << QString() << u"a,b|d,e|g,h"_s << sent.arg(0).arg(1);
    QTest::newRow("copy that fits says nothing")
        << false << u"1,2|3,4"_s << Selection{1, 1, 2, 2} << QString() << u"a,b|d,e"_s << QString();
    QTest::newRow("paste past the last row and column")
        << true << u"x"_s << Selection{2, 2, 2, 2} << nine << u"a,b,c|d,1,2|g,4,5"_s << pasted.arg(1).arg(1);
    QTest::newRow("paste counts the widest line, also below the last row")
        << true << u"x"_s << Selection{3, 1, 3, 1} << u"1\r\n2\t3\t4\t5\r\n"_s << u"a,b,c|d,e,f|1,h,i"_s
        << pasted.arg(1).arg(1);
    QTest::newRow("paste that fits says nothing")
        << true << u"x"_s << Selection{1, 1, 1, 1} << nine << u"1,2,3|4,5,6|7,8,9"_s << QString();
}

void TestEditCommands::partialBlocksSayWhatDidNotFit()
{
    QFETCH(bool, paste);
    QFETCH(QString, other);
    QFETCH(Selection, block);
    QFETCH(QString, clipboard);
    QFETCH(QString, changed);
    QFETCH(QString, message);

    makePair(u"a,b,c|d,e,f|g,h,i"_s, other);
    s().ActiveSheet = 0;
    select(s().grdData(0), block);
    m_ui->clipboard = clipboard;
    RunAsHistoryStep(s(), paste ? Command::Peast : Command::Send,
                     [&] { paste ? mnuPeast_Click(s(), *m_ui) : mnuSend_Click(s(), *m_ui); });

    QCOMPARE(cellTexts(s().grdData(paste ? 0 : 1)), changed);
    QCOMPARE(m_ui->messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(m_ui->messages.first().text, message);
        QCOMPARE(m_ui->messages.first().icon, MessageIcon::Information);
    }
}

void TestEditCommands::undoFollowsTheOption_data()
{
    QTest::addColumn<bool>("optionAtFirstEdit");
    QTest::addColumn<bool>("optionAtSecondEdit");
    QTest::addColumn<QString>("afterUndo");
    QTest::addColumn<bool>("available");

    QTest::newRow("option on: the last change is undone") << true << true << u"1,.|.,."_s << true;
    QTest::newRow("switched off after a snapshot: back before the first change")
        << true << false << u".,.|.,."_s << true;
    QTest::newRow("option off: no snapshot, no undo") << false << false << u"1,2|.,."_s << false;
}

void TestEditCommands::undoFollowsTheOption()
{
    QFETCH(bool, optionAtFirstEdit);
    QFETCH(bool, optionAtSecondEdit);
    QFETCH(QString, afterUndo);
    QFETCH(bool, available);
    makePair(u".,.|.,."_s, u".,.|.,."_s);
    Sheet &sheet = s().grdData(0);
    s().ActiveSheet = 0;
    m_ui->clipboard = u"1\r\n"_s;
    s().mnuUndoChecked = optionAtFirstEdit;
    RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });
    select(sheet, {1, 2, 1, 2});
    m_ui->clipboard = u"2\r\n"_s;
    s().mnuUndoChecked = optionAtSecondEdit;
    RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });
    QCOMPARE(s().UndoAvailable[0], available);
    if (!available)
        return;
    select(sheet, {2, 2, 2, 1});
    paintMap(s().grdData(1), u"RR|RR"_s);

    mnuZ_Click(s(), *m_ui);

    QCOMPARE(cellTexts(sheet), afterUndo);
    // Each paste made with the option on is a step of its own.
    QCOMPARE(s().UndoAvailable[0], optionAtSecondEdit);
    // The selection comes back as far as it fits, and the other sheet's colours as they were.
    QCOMPARE(selectionOf(sheet), (Selection{2, 2, 2, 1}));
    QCOMPARE(colourMap(s().grdData(1)), afterUndo == u"1,.|.,."_s ? u"R.|.."_s : u"..|.."_s);
    QVERIFY(m_ui->messages.isEmpty());
}

void TestEditCommands::undoPutsTheSelectionBackAsFarAsItFits_data()
{
    QTest::addColumn<QString>("caption"); // the row or column command that changes the size
    QTest::addColumn<Selection>("block"); // the block it works on
    QTest::addColumn<Selection>("atUndo"); // the selection when undo is given
    QTest::addColumn<Selection>("afterUndo");

    // The 4 x 3 sheet grows to 7 rows; rows 6 and 7 are gone after the undo, and the current cell
    // the restore moved to the last row keeps the values that fit: Col, then ColSel.
    QTest::newRow("rows added, selection in them")
        << u"行追加"_s << Selection{2, 1, 4, 3} << Selection{6, 2, 7, 3} << Selection{4, 2, 4, 3};
    QTest::newRow("rows added, the current cell fits")
        << u"行追加"_s << Selection{2, 1, 4, 3} << Selection{3, 2, 7, 3} << Selection{3, 2, 3, 3};
    QTest::newRow("columns added, selection in them")
        << u"列追加"_s << Selection{1, 2, 4, 3} << Selection{2, 4, 3, 5} << Selection{2, 3, 3, 3};
    // The 4 x 3 sheet shrinks to 2 rows; the sheet restored is larger and every value fits.
    QTest::newRow("rows deleted, the block extended upward comes back")
        << u"行削除"_s << Selection{2, 1, 3, 3} << Selection{2, 3, 1, 1} << Selection{2, 3, 1, 1};
}

void TestEditCommands::undoPutsTheSelectionBackAsFarAsItFits()
{
    QFETCH(QString, caption);
    QFETCH(Selection, block);
    QFETCH(Selection, atUndo);
    QFETCH(Selection, afterUndo);
    for (int active = 0; active < 2; ++active) {
        init();
        makePair(u"a,b,c|d,e,f|g,h,i|j,k,l"_s, u"a,b,c|d,e,f|g,h,i|j,k,l"_s);
        Sheet &sheet = s().grdData(active);
        const QStringList before = wholeSheet(sheet);
        s().ActiveSheet = active;
        select(sheet, block);
        RunAsHistoryStep(s(), Command::GAdd, [&] {
            caption.endsWith(u"追加"_s) ? mnuGAdd_Click(s(), *m_ui, caption) : mnuGDel_Click(s(), *m_ui, caption);
        });
        select(sheet, atUndo);

        mnuZ_Click(s(), *m_ui);

        QCOMPARE(wholeSheet(sheet), before);
        QCOMPARE(selectionOf(sheet), afterUndo);
    }
}

void TestEditCommands::undoRestoresWhatEveryCommandChanged()
{
    // Long random runs of the commands on both sheets: after each command that took a snapshot,
    // one undo of that sheet brings it back byte for byte, headers and counts included.
    const QStringList fixtures{u"a,b,c,d|e,f,g,h|i,j,k,l|m,n,o,p"_s, u"a,x,c|e,f,y"_s, u"q"_s,
                               u"a,b|c,d|e,f|g,h|i,j"_s};
    QRandomGenerator random(20261207);
    for (int run = 0; run < 40; ++run) {
        init();
        makePair(fixtures.at(random.bounded(fixtures.size())), fixtures.at(random.bounded(fixtures.size())),
                 random.bounded(3) != 0);
        for (int step = 0; step < 25; ++step) {
            const int active = int(random.bounded(2));
            s().ActiveSheet = active;
            Sheet &sheet = s().grdData(active);
            const int r1 = 1 + int(random.bounded(sheet.rows() - 1));
            const int c1 = 1 + int(random.bounded(sheet.cols() - 1));
            select(sheet,
                   {r1, c1, r1 + int(random.bounded(sheet.rows() - r1)), c1 + int(random.bounded(sheet.cols() - c1))});
            const int command = int(random.bounded(4));
            const int changed = command == 3 ? 1 - active : active;
            const QStringList before = wholeSheet(s().grdData(changed));
            s().UndoAvailable = {false, false};
            switch (command) {
            case 0:
                RunAsHistoryStep(s(), Command::Del, [&] { mnuDel_Click(s(), *m_ui); });
                break;
            case 1:
                RunAsHistoryStep(s(), Command::Cut, [&] { mnuCut_Click(s(), *m_ui); });
                break;
            case 2:
                m_ui->clipboard = u"p\tq\r\n\tr\ts\r\nt"_s.repeated(1 + int(random.bounded(3)));
                RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });
                break;
            default:
                RunAsHistoryStep(s(), Command::Send, [&] { mnuSend_Click(s(), *m_ui); });
                break;
            }
            if (!s().UndoAvailable[changed]) {
                QCOMPARE(wholeSheet(s().grdData(changed)), before); // no snapshot, no change
                continue;
            }
            s().ActiveSheet = changed;
            mnuZ_Click(s(), *m_ui);
            QCOMPARE(wholeSheet(s().grdData(changed)), before);
            if (random.bounded(2) == 0)
                continue;
            // Leave the command's change in place for the next step.
            s().UndoAvailable[changed] = false;
            s().ActiveSheet = active;
            RunAsHistoryStep(s(), Command::Send,
                             [&] { command == 3 ? mnuSend_Click(s(), *m_ui) : mnuDel_Click(s(), *m_ui); });
        }
    }
}

void TestEditCommands::nothingWhileComparing()
{
    makePair(u"a,b|c,d"_s, u"a,b|c,d"_s);
    s().ActiveSheet = 0;
    select(s().grdData(0), {1, 1, 2, 2});
    m_ui->clipboard = u"z\r\n"_s;
    s().CompareRunning = true;
    mnuCopy_Click(s(), *m_ui);
    RunAsHistoryStep(s(), Command::Del, [&] { mnuDel_Click(s(), *m_ui); });
    RunAsHistoryStep(s(), Command::Cut, [&] { mnuCut_Click(s(), *m_ui); });
    RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });
    RunAsHistoryStep(s(), Command::Send, [&] { mnuSend_Click(s(), *m_ui); });
    mnuZ_Click(s(), *m_ui);
    QCOMPARE(m_ui->clipboard, u"z\r\n"_s);
    QCOMPARE(cellTexts(s().grdData(0)), u"a,b|c,d"_s);
    QVERIFY(!s().UndoAvailable[0] && !s().UndoAvailable[1]);
}

// The lock stops the sheets it holds from drawing and disables them, leaves the other sheet as it
// is, and gives both back however the command ends, by an exception too.
void TestEditCommands::sheetLockRestoresWhatItLocked_data()
{
    QTest::addColumn<int>("sheet"); // -1: both
    QTest::addColumn<bool>("throws");

    QTest::newRow("both sheets") << -1 << false;
    QTest::newRow("both sheets, the command throws") << -1 << true;
    QTest::newRow("sheet 0 alone") << 0 << false;
    QTest::newRow("sheet 1 alone, the command throws") << 1 << true;
}

void TestEditCommands::sheetLockRestoresWhatItLocked()
{
    QFETCH(int, sheet);
    QFETCH(bool, throws);
    makePair(u"a"_s, u"b"_s);

    const auto command = [&] {
        std::optional<SheetLock> both;
        std::optional<SheetLock> one;
        if (sheet < 0)
            both.emplace(s());
        else
            one.emplace(s().grdData(sheet));
        for (int i = 0; i < 2; ++i) {
            const bool locked = sheet < 0 || sheet == i;
            QCOMPARE(s().grdData(i).redraw(), !locked);
            QCOMPARE(s().grdData(i).isEnabled(), !locked);
        }
        if (throws)
            throw std::bad_alloc();
    };
    if (throws)
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, command());
    else
        command();
    for (int i = 0; i < 2; ++i) {
        QVERIFY(s().grdData(i).redraw());
        QVERIFY(s().grdData(i).isEnabled());
    }
}

QTEST_GUILESS_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
