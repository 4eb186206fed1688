#include "GridError.h"
#include "Sheet.h"
#include "SheetModel.h"

#include <QAbstractItemModelTester>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void newSheetShape();
    void moveCollapsesSelection_data();
    void moveCollapsesSelection();
    void leaveCellComesBeforeTheMove();
    void noEventsWhenTheCellStays();
    void resizeKeepsAndDropsCells_data();
    void resizeKeepsAndDropsCells();
    void shrinkingMovesTheCurrentCellInside();
    void clearKeepsCounts();
    void errors_data();
    void errors();
    void keyCharacterCodes_data();
    void keyCharacterCodes();
    void redrawOffCollectsNotifications();
    void copiesAreIndependent();
    void manyEditsKeepTexts();
    void coloursOfTheCurrentCell();
    void modelShowsTheSheet();
    void modelHighlightsTheSelection();
};

void TestSheet::newSheetShape()
{
    Sheet sheet;
    QCOMPARE(sheet.rows(), 2);
    QCOMPARE(sheet.cols(), 2);
    QCOMPARE(sheet.fixedRows(), 1);
    QCOMPARE(sheet.fixedCols(), 1);
    QCOMPARE(sheet.row(), 1);
    QCOMPARE(sheet.col(), 1);
    QVERIFY(!sheet.isVisible());
    QCOMPARE(sheet.cellBackColor(), kWindowBackColor);
    QCOMPARE(sheet.cellForeColor(), kWindowTextColor);
}

void TestSheet::moveCollapsesSelection_data()
{
    QTest::addColumn<bool>("moveRow");
    QTest::addColumn<int>("expectedRow");
    QTest::addColumn<int>("expectedCol");
    QTest::newRow("setting Row collapses onto the new current cell") << true << 4 << 2;
    QTest::newRow("setting Col collapses onto the new current cell") << false << 2 << 4;
}

void TestSheet::moveCollapsesSelection()
{
    QFETCH(bool, moveRow);
    QFETCH(int, expectedRow);
    QFETCH(int, expectedCol);
    Sheet sheet;
    sheet.setRows(10);
    sheet.setCols(10);
    sheet.setCurrentCell(2, 2);
    sheet.setRowSel(7);
    sheet.setColSel(8);
    QCOMPARE(sheet.rowSel(), 7);
    QCOMPARE(sheet.row(), 2); // moving the selection corner leaves the current cell alone
    if (moveRow)
        sheet.setRow(4);
    else
        sheet.setCol(4);
    QCOMPARE(sheet.row(), expectedRow);
    QCOMPARE(sheet.col(), expectedCol);
    QCOMPARE(sheet.rowSel(), expectedRow);
    QCOMPARE(sheet.colSel(), expectedCol);
}

void TestSheet::leaveCellComesBeforeTheMove()
{
    Sheet sheet;
    sheet.setRows(5);
    sheet.setCols(5);
    QStringList events;
    connect(&sheet, &Sheet::leaveCell, this, [&] { events << u"leave %1,%2"_s.arg(sheet.row()).arg(sheet.col()); });
    connect(&sheet, &Sheet::rowColChange, this, [&] { events << u"change %1,%2"_s.arg(sheet.row()).arg(sheet.col()); });
    sheet.setRow(3);
    sheet.setCurrentCell(4, 2);
    QCOMPARE(events, (QStringList{u"leave 1,1"_s, u"change 3,1"_s, u"leave 3,1"_s, u"change 4,2"_s}));
}

void TestSheet::noEventsWhenTheCellStays()
{
    Sheet sheet;
    sheet.setRows(5);
    sheet.setCols(5);
    sheet.setCurrentCell(2, 2);
    sheet.setRowSel(4);
    QSignalSpy leave(&sheet, &Sheet::leaveCell);
    QSignalSpy change(&sheet, &Sheet::rowColChange);
    sheet.setRow(2);
    QCOMPARE(leave.count(), 0);
    QCOMPARE(change.count(), 0);
    QCOMPARE(sheet.rowSel(), 2); // still collapses
}

void TestSheet::resizeKeepsAndDropsCells_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::newRow("grow both") << 6 << 7;
    QTest::newRow("grow rows only") << 6 << 4;
    QTest::newRow("grow cols only") << 4 << 7;
    QTest::newRow("shrink both") << 3 << 2;
    QTest::newRow("shrink rows, grow cols") << 2 << 6;
}

void TestSheet::resizeKeepsAndDropsCells()
{
    QFETCH(int, rows);
    QFETCH(int, cols);
    Sheet sheet;
    sheet.setRows(4);
    sheet.setCols(4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            sheet.setTextMatrix(r, c, u"%1/%2"_s.arg(r).arg(c));
    sheet.setBackColorAt(1, 1, kDiffBackColor);
    sheet.setRows(rows);
    sheet.setCols(cols);
    QCOMPARE(sheet.rows(), rows);
    QCOMPARE(sheet.cols(), cols);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const QString expected = r < 4 && c < 4 ? u"%1/%2"_s.arg(r).arg(c) : QString();
            QCOMPARE(sheet.textMatrix(r, c), expected);
        }
    }
    QCOMPARE(sheet.backColorAt(1, 1), kDiffBackColor);
    if (rows > 4 && cols > 4)
        QCOMPARE(sheet.backColorAt(rows - 1, cols - 1), kWindowBackColor);
}

void TestSheet::shrinkingMovesTheCurrentCellInside()
{
    Sheet sheet;
    sheet.setRows(10);
    sheet.setCols(10);
    sheet.setCurrentCell(8, 8);
    QSignalSpy change(&sheet, &Sheet::rowColChange);
    sheet.setRows(5);
    QCOMPARE(sheet.row(), 4);
    QCOMPARE(sheet.col(), 8);
    QCOMPARE(change.count(), 1);
}

void TestSheet::clearKeepsCounts()
{
    Sheet sheet;
    sheet.setRows(6);
    sheet.setCols(3);
    sheet.setTextMatrix(0, 1, u"1列"_s);
    sheet.setTextMatrix(5, 2, u"x"_s);
    sheet.setBackColorAt(5, 2, kExtraBackColor);
    sheet.setForeColorAt(5, 2, kMarkForeColor);
    sheet.clear();
    QCOMPARE(sheet.rows(), 6);
    QCOMPARE(sheet.cols(), 3);
    QCOMPARE(sheet.textMatrix(0, 1), QString());
    QCOMPARE(sheet.textMatrix(5, 2), QString());
    QCOMPARE(sheet.backColorAt(5, 2), kWindowBackColor);
    QCOMPARE(sheet.foreColorAt(5, 2), kWindowTextColor);
}

void TestSheet::errors_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("expected");
    QTest::newRow("Rows above 32767 overflows") << 0 << int(GridErrorCode::Overflow);
    QTest::newRow("Cols above 32767 overflows") << 1 << int(GridErrorCode::Overflow);
    QTest::newRow("more cells than the capacity") << 2 << int(GridErrorCode::OutOfMemory);
    QTest::newRow("Row past the last row") << 3 << int(GridErrorCode::InvalidRow);
    QTest::newRow("Col below zero") << 4 << int(GridErrorCode::InvalidCol);
    QTest::newRow("TextMatrix outside the sheet") << 5 << int(GridErrorCode::SubscriptOutOfRange);
    QTest::newRow("Rows of zero") << 6 << int(GridErrorCode::InvalidValue);
    QTest::newRow("TopRow past the last row") << 7 << int(GridErrorCode::InvalidRow);
    QTest::newRow("Row number above 32767 overflows") << 8 << int(GridErrorCode::Overflow);
    QTest::newRow("TextMatrix column above 32767 overflows") << 9 << int(GridErrorCode::Overflow);
    QTest::newRow("TopRow above 32767 overflows") << 10 << int(GridErrorCode::Overflow);
    QTest::newRow("ColSel below -32768 overflows") << 11 << int(GridErrorCode::Overflow);
}

void TestSheet::errors()
{
    QFETCH(int, operation);
    QFETCH(int, expected);
    Sheet sheet;
    sheet.setRows(3);
    sheet.setCols(3);
    int raised = 0;
    try {
        switch (operation) {
        case 0:
            sheet.setRows(kMaxRowCol + 1);
            break;
        case 1:
            sheet.setCols(kMaxRowCol + 1);
            break;
        case 2:
            sheet.setCols(kMaxRowCol);
            sheet.setRows(kMaxRowCol);
            break;
        case 3:
            sheet.setRow(3);
            break;
        case 4:
            sheet.setCol(-1);
            break;
        case 5:
            (void)sheet.textMatrix(1, 3);
            break;
        case 6:
            sheet.setRows(0);
            break;
        case 7:
            sheet.setTopRow(3);
            break;
        case 8:
            sheet.setRow(kMaxRowCol + 1);
            break;
        case 9:
            (void)sheet.textMatrix(1, 40000);
            break;
        case 10:
            sheet.setTopRow(kMaxRowCol + 1);
            break;
        case 11:
            sheet.setColSel(-kMaxRowCol - 2);
            break;
        }
    } catch (const GridError &error) {
        raised = error.number();
    }
    QCOMPARE(raised, expected);
    QCOMPARE(sheet.rows(), 3); // a failed change leaves the sheet as it was
}

void TestSheet::keyCharacterCodes_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<int>("code");

    QTest::newRow("letter") << u"a"_s << 97;
    QTest::newRow("Enter") << u"\r"_s << 13;
    QTest::newRow("Esc") << u"\x1b"_s << 27;
    QTest::newRow("first half-width katakana") << u"｡"_s << 161;
    QTest::newRow("half-width katakana a") << u"ｱ"_s << 177;
    QTest::newRow("half-width katakana ne, code 200") << u"ﾈ"_s << 200;
    QTest::newRow("last half-width katakana") << u"ﾟ"_s << 223;
    QTest::newRow("hiragana is double-byte") << u"あ"_s << -0x3042;
    QTest::newRow("kanji whose code starts with 2 is negative") << u"日"_s << -0x65E5;
    QTest::newRow("full-width digit") << u"１"_s << -0xFF11;
    QTest::newRow("yen sign") << u"¥"_s << -0xA5;
    QTest::newRow("character beyond 16 bits") << u"𠮷"_s << -0x20BB7;
}

void TestSheet::keyCharacterCodes()
{
    QFETCH(QString, character);
    QFETCH(int, code);
    const QList<uint> ucs4 = character.toUcs4();
    QCOMPARE(ucs4.size(), 1);
    QCOMPARE(keyAsciiFromCharacter(char32_t(ucs4.first())), code);
    QCOMPARE(characterFromKeyAscii(code), character);
    QVERIFY(code != 9999);
}

void TestSheet::redrawOffCollectsNotifications()
{
    Sheet sheet;
    sheet.setRows(4);
    QSignalSpy cells(&sheet, &Sheet::cellsChanged);
    QSignalSpy refreshed(&sheet, &Sheet::refreshed);
    QSignalSpy change(&sheet, &Sheet::rowColChange);
    sheet.setRedraw(false);
    sheet.setTextMatrix(1, 1, u"a"_s);
    sheet.setRows(6);
    sheet.setRow(3);
    QCOMPARE(cells.count(), 0);
    QCOMPARE(change.count(), 1); // the grid's events are not held back
    sheet.setRedraw(true);
    QCOMPARE(refreshed.count(), 1);
    sheet.setRedraw(true);
    QCOMPARE(refreshed.count(), 1);
}

void TestSheet::copiesAreIndependent()
{
    Sheet sheet;
    sheet.setTextMatrix(1, 1, u"before"_s);
    const SheetData snapshot = sheet.data();
    sheet.setTextMatrix(1, 1, u"after"_s);
    sheet.setBackColorAt(1, 1, kDiffBackColor);
    QCOMPARE(snapshot.text(1, 1).toString(), u"before"_s);
    QCOMPARE(snapshot.backColor(1, 1), kWindowBackColor);
    Sheet restored;
    restored.setData(snapshot);
    QCOMPARE(restored.textMatrix(1, 1), u"before"_s);
}

void TestSheet::manyEditsKeepTexts()
{
    // Enough rewrites to make the pool compact itself several times.
    Sheet sheet;
    sheet.setRows(50);
    sheet.setCols(50);
    const QString filler(200, u'x');
    for (int round = 0; round < 20; ++round)
        for (int r = 1; r < 50; ++r)
            for (int c = 1; c < 50; ++c)
                sheet.setTextMatrix(r, c, u"%1-%2-%3"_s.arg(round).arg(r).arg(c) + filler);
    QCOMPARE(sheet.textMatrix(7, 9), u"19-7-9"_s + filler);
    QCOMPARE(sheet.textMatrix(49, 49), u"19-49-49"_s + filler);
    QVERIFY(sheet.data().pool().size() < 3 * 49 * 49 * (filler.size() + 10));
}

void TestSheet::coloursOfTheCurrentCell()
{
    Sheet sheet;
    sheet.setRows(4);
    sheet.setCols(4);
    sheet.setCurrentCell(2, 3);
    sheet.setCellBackColor(kDiffBackColor);
    sheet.setCellForeColor(kMarkForeColor);
    QCOMPARE(sheet.backColorAt(2, 3), kDiffBackColor);
    QCOMPARE(sheet.foreColorAt(2, 3), kMarkForeColor);
    QCOMPARE(sheet.backColorAt(3, 2), kWindowBackColor);
    sheet.setCellBackColor(0x123456); // any colour value works, not only the named ones
    QCOMPARE(sheet.cellBackColor(), OleColor(0x123456));
}

void TestSheet::modelShowsTheSheet()
{
    Sheet sheet;
    SheetModel model(sheet);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    sheet.setRows(4);
    sheet.setCols(3);
    sheet.setTextMatrix(0, 1, u"1列"_s);
    sheet.setTextMatrix(2, 0, u"2行"_s);
    sheet.setTextMatrix(2, 1, u"セル"_s);
    sheet.setBackColorAt(2, 1, kDiffBackColor);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), u"1列"_s);
    QCOMPARE(model.headerData(1, Qt::Vertical).toString(), u"2行"_s);
    QCOMPARE(model.data(model.index(1, 0)).toString(), u"セル"_s);
    QCOMPARE(model.data(model.index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(255, 128, 128));

    // While redraw is off the model keeps the counts it announced, then resets once.
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    sheet.setRedraw(false);
    sheet.setRows(2);
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(!model.data(model.index(2, 0)).isValid());
    sheet.setRedraw(true);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 1);
}

void TestSheet::modelHighlightsTheSelection()
{
    Sheet sheet;
    sheet.setRows(5);
    sheet.setCols(5);
    SheetModel model(sheet);
    QPalette palette;
    palette.setColor(QPalette::Highlight, Qt::darkBlue);
    palette.setColor(QPalette::Base, Qt::white);
    model.setPalette(palette);
    sheet.setCurrentCell(1, 1);
    sheet.setRowSel(3);
    sheet.setColSel(2);
    auto background = [&](int row, int col) {
        return model.data(model.index(row - 1, col - 1), Qt::BackgroundRole).value<QColor>();
    };
    QCOMPARE(background(3, 2), QColor(Qt::darkBlue));
    QCOMPARE(background(1, 1), QColor(Qt::white)); // the current cell keeps its own colours
    QCOMPARE(background(4, 2), QColor(Qt::white));
    sheet.setRow(4); // collapse: nothing highlighted any more
    QCOMPARE(background(3, 2), QColor(Qt::white));
}

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
