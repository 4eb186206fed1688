#include "GridError.h"
#include "Sheet.h"
#include "SheetFileReader.h"
#include "SheetFileWriter.h"
#include "SheetModel.h"
#include "ShownText.h"
#include "TestFiles.h"

#include <QAbstractItemModelTester>
#include <QPalette>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace Qt::StringLiterals;

namespace
{
// A sheet's texts row by row: "|" between rows, "," between cells, headers included.
QString textMap(const Sheet &sheet)
{
    QStringList rows;
    for (int r = 0; r < sheet.rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < sheet.cols(); ++c)
            cells << sheet.textMatrix(r, c);
        rows << cells.join(u',');
    }
    return rows.join(u'|');
}

// Background colours in the same layout: "." the window colour, "d" the differs mark.
QString colourMap(const Sheet &sheet)
{
    QStringList rows;
    for (int r = 0; r < sheet.rows(); ++r) {
        QString row;
        for (int c = 0; c < sheet.cols(); ++c)
            row += sheet.backColorAt(r, c) == kWindowBackColor ? u'.'
                : sheet.backColorAt(r, c) == kDiffBackColor    ? u'd'
                                                               : u'?';
        rows << row;
    }
    return rows.join(u'|');
}

// The inverse of textMap(), every row as wide as the first.
SheetData dataFrom(const QString &map)
{
    const QStringList rows = map.split(u'|');
    const int cols = int(rows.first().split(u',').size());
    SheetData data(int(rows.size()), cols);
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows.at(r).split(u',');
        for (int c = 0; c < cells.size(); ++c)
            data.setText(r, c, cells.at(c));
    }
    return data;
}

// What a view over the model shows when it trusts the model's signals: rows and columns that
// move keep the texts read before, inserted ones and changed ranges are read when announced.
// Row 0 holds the column headers, column 0 the row headers. Structural signals are logged.
class ModelMirror : public QObject
{
public:
    explicit ModelMirror(QAbstractItemModel &model)
        : m_model(model)
    {
        readAll();
        connect(&model, &QAbstractItemModel::modelReset, this, [this] {
            log << u"reset"_s;
            readAll();
        });
        connect(&model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
            log << u"+rows %1-%2"_s.arg(first).arg(last);
            for (int r = first; r <= last; ++r)
                m_grid.insert(r + 1, QStringList(m_grid.first().size()));
            read(first, -1, last, m_model.columnCount() - 1);
        });
        connect(&model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
            log << u"-rows %1-%2"_s.arg(first).arg(last);
            m_grid.remove(first + 1, last - first + 1);
        });
        connect(&model, &QAbstractItemModel::columnsInserted, this, [this](const QModelIndex &, int first, int last) {
            log << u"+cols %1-%2"_s.arg(first).arg(last);
            for (QStringList &row : m_grid)
                row.insert(first + 1, last - first + 1, QString());
            read(-1, first, m_model.rowCount() - 1, last);
        });
        connect(&model, &QAbstractItemModel::columnsRemoved, this, [this](const QModelIndex &, int first, int last) {
            log << u"-cols %1-%2"_s.arg(first).arg(last);
            for (QStringList &row : m_grid)
                row.remove(first + 1, last - first + 1);
        });
        connect(&model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from, const QModelIndex &to) {
            read(from.row(), from.column(), to.row(), to.column());
        });
        connect(&model, &QAbstractItemModel::headerDataChanged, this,
                [this](Qt::Orientation orientation, int first, int last) {
                    if (orientation == Qt::Horizontal)
                        read(-1, first, -1, last);
                    else
                        read(first, -1, last, -1);
                });
    }

    [[nodiscard]] QString shown() const
    {
        QStringList rows;
        for (const QStringList &row : m_grid)
            rows << row.join(u',');
        return rows.join(u'|');
    }

    QStringList log;

private:
    void readAll()
    {
        m_grid = QList<QStringList>(m_model.rowCount() + 1, QStringList(m_model.columnCount() + 1));
        read(-1, -1, m_model.rowCount() - 1, m_model.columnCount() - 1);
    }

    // Model rows and columns; -1 stands for the headers.
    void read(int row1, int col1, int row2, int col2)
    {
        for (int r = row1; r <= row2; ++r) {
            for (int c = col1; c <= col2; ++c) {
                QVariant text;
                if (r >= 0 && c >= 0)
                    text = m_model.data(m_model.index(r, c));
                else if (r >= 0 || c >= 0)
                    text = m_model.headerData(std::max(r, c), r < 0 ? Qt::Horizontal : Qt::Vertical);
                m_grid[r + 1][c + 1] = text.toString();
            }
        }
    }

    QAbstractItemModel &m_model;
    QList<QStringList> m_grid;
};

// A 20 x 7 sheet's layout: the header column 600 twips wide, rows 300 high. Inside the grid
// there is room for four whole rows and half of a fifth below the header row, and beside the
// header column for columns 1 and 2 and most of column 3.
const SheetLayout kLayout{{600, 1000, 1200, 800, 1000, 1000, 1000}, 300, 3500, 1650};

void layOut(Sheet &sheet)
{
    sheet.setRows(20);
    sheet.setCols(7);
    sheet.reportLayout(kLayout);
}

const QString kFourByFour = u",C1,C2,C3|R1,a1,a2,a3|R2,b1,b2,b3|R3,c1,c2,c3"_s;
} // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void newSheetShape();
    void columnHeadersShowTheHeadings();
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
    void editAfterSnapshotKeepsTheFileTextShared();
    void coloursOfTheCurrentCell();
    void modelShowsTheSheet();
    void modelHighlightsTheSelection();
    void modelShowsTheBeginningOfALongText_data();
    void modelShowsTheBeginningOfALongText();
    void rowsAndColumnsMove_data();
    void rowsAndColumnsMove();
    void positionsStayInside_data();
    void positionsStayInside();
    void restoringASnapshotSharesItsTexts();
    void backgroundsSetInAnyOrder_data();
    void backgroundsSetInAnyOrder();
    void packingKeepsEveryText_data();
    void packingKeepsEveryText();
    void geometryOfALaidOutSheet_data();
    void geometryOfALaidOutSheet();
    void scrollingStopsWhereTheViewStops_data();
    void scrollingStopsWhereTheViewStops();
    void lineEndsStayWithTheirRows_data();
    void lineEndsStayWithTheirRows();
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
    QTest::newRow("rows inserted before the header row") << 12 << int(GridErrorCode::InvalidRow);
    QTest::newRow("rows inserted past the end") << 13 << int(GridErrorCode::InvalidRow);
    QTest::newRow("rows removed past the end") << 14 << int(GridErrorCode::InvalidRow);
    QTest::newRow("header column removed") << 15 << int(GridErrorCode::InvalidCol);
    QTest::newRow("columns inserted beyond 32767 overflow") << 16 << int(GridErrorCode::Overflow);
    QTest::newRow("negative row count inserted") << 17 << int(GridErrorCode::InvalidValue);
    QTest::newRow("rows inserted beyond the capacity") << 18 << int(GridErrorCode::OutOfMemory);
    QTest::newRow("rows inserted at a position above 32767 overflow") << 19 << int(GridErrorCode::Overflow);
    QTest::newRow("snapshot wider than 32767 columns can not come back") << 20 << int(GridErrorCode::Overflow);
    QTest::newRow("row order that holds a row twice") << 21 << int(GridErrorCode::InvalidValue);
}

void TestSheet::errors()
{
    QFETCH(int, operation);
    QFETCH(int, expected);
    Sheet sheet;
    sheet.setRows(3);
    sheet.setCols(3);
    sheet.setTextMatrix(2, 1, u"kept"_s);
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
        case 12:
            sheet.insertRows(0, 1, CellMove::TextsAndColours);
            break;
        case 13:
            sheet.insertRows(4, 1, CellMove::TextsOnly);
            break;
        case 14:
            sheet.removeRows(2, 2, CellMove::TextsAndColours);
            break;
        case 15:
            sheet.removeCols(0, 1, CellMove::TextsOnly);
            break;
        case 16:
            sheet.insertCols(1, kMaxRowCol - 2, CellMove::TextsOnly);
            break;
        case 17:
            sheet.insertRows(1, -1, CellMove::TextsAndColours);
            break;
        case 18:
            sheet.setCols(kMaxRowCol);
            sheet.insertRows(1, kMaxRowCol - 3, CellMove::TextsAndColours);
            break;
        case 19:
            sheet.insertRows(kMaxRowCol + 1, 1, CellMove::TextsAndColours);
            break;
        case 20: {
            SheetData wide(2, 2);
            wide.resize(2, kMaxRowCol + 1);
            sheet.restoreSnapshot(wide);
            break;
        }
        case 21:
            sheet.reorderRows({0, 1, 1});
            break;
        }
    } catch (const GridError &error) {
        raised = error.number();
    }
    QCOMPARE(raised, expected);
    QCOMPARE(sheet.rows(), 3); // a failed change leaves the sheet as it was
    QCOMPARE(sheet.textMatrix(2, 1), u"kept"_s);
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
    QVERIFY(sheet.data().pooledCharacters() < 3 * 49 * 49 * (filler.size() + 10));
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

    // While redraw is off the rows still go at once, as a ranged removal; the cell changes wait
    // for the refresh.
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    sheet.setRedraw(false);
    sheet.setRows(2);
    sheet.setTextMatrix(1, 1, u"後"_s);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(changed.count(), 0);
    sheet.setRedraw(true);
    QVERIFY(changed.count() > 0);
    QCOMPARE(model.data(model.index(0, 0)).toString(), u"後"_s);
    QCOMPARE(reset.count(), 0);
}

// With the headings shown, a column header reads "3列 品名", and follows row 1 as it is edited,
// while row 1 stays a row of the grid.
void TestSheet::columnHeadersShowTheHeadings()
{
    Sheet sheet;
    SheetModel model(sheet);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    sheet.setRows(3);
    sheet.setCols(3);
    sheet.setTextMatrix(0, 1, u"1列"_s);
    sheet.setTextMatrix(0, 2, u"2列"_s);
    sheet.setTextMatrix(1, 1, u"品名"_s);
    sheet.setTextMatrix(2, 1, u"ペン"_s);
    ModelMirror mirror(model);
    QCOMPARE(mirror.shown(), u",1列,2列|,品名,|,ペン,"_s);
    model.setHeadingCaptions(true);
    QCOMPARE(mirror.shown(), u",1列 品名,2列|,品名,|,ペン,"_s);
    sheet.setTextMatrix(1, 2, u"単価"_s);
    sheet.setTextMatrix(1, 1, QString());
    QCOMPARE(mirror.shown(), u",1列,2列 単価|,,単価|,ペン,"_s);
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

void TestSheet::modelShowsTheBeginningOfALongText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    // One cell may hold a whole file. The screen gets its beginning, marked as cut; every
    // character stays in the cell.
    const QString longest = QString(kMaxShownLength, u'a');
    QTest::newRow("a short text whole") << u"セル"_s << u"セル"_s;
    QTest::newRow("the longest text shown whole") << longest << longest;
    QTest::newRow("one character more is cut") << longest + u"b"_s << longest + u"…"_s;
    QTest::newRow("a million characters") << QString(1000000, u'a') << longest + u"…"_s;
    QTest::newRow("a cut never splits a surrogate pair")
        << QString(kMaxShownLength - 1, u'a') + u"😀😀"_s << QString(kMaxShownLength - 1, u'a') + u"…"_s;
    QTest::newRow("a pair that ends at the cut stays whole")
        << QString(kMaxShownLength - 2, u'a') + u"😀b"_s << QString(kMaxShownLength - 2, u'a') + u"😀…"_s;
}

void TestSheet::modelShowsTheBeginningOfALongText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);

    Sheet sheet;
    sheet.setRows(3);
    sheet.setCols(3);
    SheetModel model(sheet);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    sheet.setTextMatrix(2, 2, text);
    sheet.setTextMatrix(0, 2, text);
    sheet.setTextMatrix(2, 0, text);

    QCOMPARE(model.data(model.index(1, 1)).toString(), shown);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), shown);
    QCOMPARE(model.headerData(1, Qt::Vertical).toString(), shown);
    // No role hands out the whole text: what the screen was given can never be stored back.
    for (const int role : {Qt::EditRole, Qt::ToolTipRole, Qt::StatusTipRole, Qt::WhatsThisRole, Qt::AccessibleTextRole,
                           Qt::AccessibleDescriptionRole})
        QVERIFY2(model.data(model.index(1, 1), role).toString().size() <= shown.size(),
                 qPrintable(QString::number(role)));
    QCOMPARE(sheet.textMatrix(2, 2), text);
}

void TestSheet::editAfterSnapshotKeepsTheFileTextShared()
{
    // A read's cells are slices of the file's text. An undo snapshot shares it, and the edit
    // after the snapshot must not copy it: only the small pool of edited texts is written.
    SheetData read(2, 3);
    read.setPool(QString::fromLatin1("alphabetagamma")); // an allocated text, as a read makes
    read.setCellRef(1, 1, {0, 5});
    read.setCellRef(1, 2, {5, 4});
    Sheet sheet;
    sheet.setData(read);
    const SheetData snapshot = sheet.data();

    sheet.setTextMatrix(1, 1, u"edited"_s);
    sheet.setTextMatrix(1, 2, u"beta"_s); // the same text: nothing written

    QVERIFY(sheet.data().pool().isSharedWith(snapshot.pool()));
    QCOMPARE(sheet.textMatrix(1, 1), u"edited"_s);
    QCOMPARE(sheet.textMatrix(1, 2), u"beta"_s);
    QCOMPARE(snapshot.text(1, 1), u"alpha"_s);
    QCOMPARE(sheet.data().pooledCharacters(), snapshot.pooledCharacters() + 6);
}

void TestSheet::rowsAndColumnsMove_data()
{
    QTest::addColumn<bool>("redraw");
    QTest::addColumn<bool>("coloured");
    QTest::addColumn<bool>("snapshotHeld"); // an undo snapshot shares the cells while they move
    QTest::addColumn<bool>("longTexts"); // every text is too long for a cell's own slice
    QTest::addColumn<QString>("change"); // operation, then its numbers or a text map
    QTest::addColumn<QString>("texts");
    QTest::addColumn<QString>("colours");
    QTest::addColumn<QStringList>("modelSignals");

    // The sheet starts as kFourByFour with b2 (row 2, column 2) marked as differing, or with no
    // cell ever coloured. "texts" moves the texts only.
    const auto add = [](const char *name, const QString &change, const QString &texts, const QString &colours,
                        const QStringList &modelSignals) {
        QTest::addRow("%s", name) << true << true << false << false << change << texts << colours << modelSignals;
        QTest::addRow("%s (redraw off)", name)
            << false << true << false << false << change << texts << colours << modelSignals;
        QTest::addRow("%s (snapshot held)", name)
            << true << true << true << false << change << texts << colours << modelSignals;
        QTest::addRow("%s (long texts, snapshot held)", name)
            << true << true << true << true << change << texts << colours << modelSignals;
        QString plain = colours;
        QTest::addRow("%s (never coloured)", name)
            << true << false << false << false << change << texts << plain.replace(u'd', u'.') << modelSignals;
    };
    add("rows inserted in the middle take their colours along", u"insertRows 2 2"_s,
        u",C1,C2,C3|R1,a1,a2,a3|,,,|,,,|R2,b1,b2,b3|R3,c1,c2,c3"_s, u"....|....|....|....|..d.|...."_s,
        {u"+rows 1-2"_s});
    add("rows appended at the end", u"insertRows 4 1"_s, kFourByFour + u"|,,,"_s, u"....|....|..d.|....|...."_s,
        {u"+rows 3-3"_s});
    add("rows inserted at several places at once", u"insertRowGroups 1 1 3 2 4 1"_s,
        u",C1,C2,C3|,,,|R1,a1,a2,a3|R2,b1,b2,b3|,,,|,,,|R3,c1,c2,c3|,,,"_s,
        u"....|....|....|..d.|....|....|....|...."_s, {u"reset"_s});
    add("rows removed from the middle", u"removeRows 1 2"_s, u",C1,C2,C3|R3,c1,c2,c3"_s, u"....|...."_s,
        {u"-rows 0-1"_s});
    add("every data row removed leaves the header row", u"removeRows 1 3"_s, u",C1,C2,C3"_s, u"...."_s,
        {u"-rows 0-2"_s});
    add("rows inserted, texts only: the count grows at the end", u"insertRows 2 1 texts"_s,
        u",C1,C2,C3|R1,a1,a2,a3|,,,|R2,b1,b2,b3|R3,c1,c2,c3"_s, u"....|....|..d.|....|...."_s, {u"+rows 3-3"_s});
    add("rows removed, texts only: the count shrinks at the end", u"removeRows 1 1 texts"_s,
        u",C1,C2,C3|R2,b1,b2,b3|R3,c1,c2,c3"_s, u"....|....|..d."_s, {u"-rows 2-2"_s});
    add("columns inserted, texts only: colours stay in place", u"insertCols 2 2 texts"_s,
        u",C1,,,C2,C3|R1,a1,,,a2,a3|R2,b1,,,b2,b3|R3,c1,,,c2,c3"_s, u"......|......|..d...|......"_s, {u"+cols 3-4"_s});
    add("columns removed, texts only: colours stay in place", u"removeCols 1 1 texts"_s,
        u",C2,C3|R1,a2,a3|R2,b2,b3|R3,c2,c3"_s, u"...|...|..d|..."_s, {u"-cols 2-2"_s});
    add("columns inserted with their colours", u"insertCols 1 1"_s,
        u",,C1,C2,C3|R1,,a1,a2,a3|R2,,b1,b2,b3|R3,,c1,c2,c3"_s, u".....|.....|...d.|....."_s, {u"+cols 0-0"_s});
    add("a middle column removed with its colours", u"removeCols 1 1"_s, u",C2,C3|R1,a2,a3|R2,b2,b3|R3,c2,c3"_s,
        u"...|...|.d.|..."_s, {u"-cols 0-0"_s});
    add("last columns removed with their colours", u"removeCols 2 2"_s, u",C1|R1,a1|R2,b1|R3,c1"_s, u"..|..|..|.."_s,
        {u"-cols 1-2"_s});
    add("Rows grows at the end", u"setRows 6"_s, kFourByFour + u"|,,,|,,,"_s, u"....|....|..d.|....|....|...."_s,
        {u"+rows 3-4"_s});
    add("Cols shrinks at the end", u"setCols 2"_s, u",C1|R1,a1|R2,b1|R3,c1"_s, u"..|..|..|.."_s, {u"-cols 1-2"_s});
    add("snapshot with more rows and fewer columns", u"restore ,X1,X2|Y1,p,q|Y2,r,s|Y3,t,u|Y4,v,w"_s,
        u",X1,X2|Y1,p,q|Y2,r,s|Y3,t,u|Y4,v,w"_s, u"...|...|..d|...|..."_s, {u"-cols 2-2"_s, u"+rows 3-3"_s});
    add("snapshot with fewer rows and more columns", u"restore ,X1,X2,X3,X4|Y1,p,q,r,s|Y2,t,u,v,w"_s,
        u",X1,X2,X3,X4|Y1,p,q,r,s|Y2,t,u,v,w"_s, u".....|.....|..d.."_s, {u"-rows 2-2"_s, u"+cols 3-3"_s});
    add("new contents replace everything, colours included", u"setData ,X1|Y1,p"_s, u",X1|Y1,p"_s, u"..|.."_s,
        {u"reset"_s});
}

void TestSheet::rowsAndColumnsMove()
{
    QFETCH(bool, redraw);
    QFETCH(bool, coloured);
    QFETCH(bool, snapshotHeld);
    QFETCH(bool, longTexts);
    QFETCH(QString, change);
    QFETCH(QString, texts);
    QFETCH(QString, colours);
    QFETCH(QStringList, modelSignals);

    const QString tail = longTexts ? QString(300, u'~') : QString();
    QString start = kFourByFour;
    start.replace(QRegularExpression(u"([^,|]+)"_s), u"\\1"_s + tail);
    Sheet sheet;
    sheet.setData(dataFrom(start));
    if (coloured)
        sheet.setBackColorAt(2, 2, kDiffBackColor);
    SheetModel model(sheet);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    ModelMirror mirror(model);
    const qsizetype pooledBefore = sheet.data().pooledCharacters();
    std::optional<SheetData> snapshot;
    if (snapshotHeld)
        snapshot = sheet.data();

    sheet.setRedraw(redraw);
    const QStringList words = change.split(u' ');
    const QString operation = words.at(0);
    const int at = words.value(1).toInt();
    const int count = words.value(2).toInt();
    const CellMove move = words.value(3) == u"texts"_s ? CellMove::TextsOnly : CellMove::TextsAndColours;
    if (operation == u"insertRows"_s)
        sheet.insertRows(at, count, move);
    else if (operation == u"removeRows"_s)
        sheet.removeRows(at, count, move);
    else if (operation == u"insertRowGroups"_s) {
        std::vector<std::pair<int, int>> groups;
        for (qsizetype i = 1; i + 1 < words.size(); i += 2)
            groups.emplace_back(words.at(i).toInt(), words.at(i + 1).toInt());
        sheet.insertRowGroups(groups);
    } else if (operation == u"insertCols"_s)
        sheet.insertCols(at, count, move);
    else if (operation == u"removeCols"_s)
        sheet.removeCols(at, count, move);
    else if (operation == u"setRows"_s)
        sheet.setRows(at);
    else if (operation == u"setCols"_s)
        sheet.setCols(at);
    else if (operation == u"restore"_s)
        sheet.restoreSnapshot(dataFrom(words.at(1)));
    else
        sheet.setData(dataFrom(words.at(1)));
    // The rows and columns reach the model at once, redraw on or off.
    QCOMPARE(mirror.log, modelSignals);
    sheet.setRedraw(true);

    QCOMPARE(longTexts ? textMap(sheet).remove(tail) : textMap(sheet), texts);
    QCOMPARE(colourMap(sheet), colours);
    // A view that follows the signals shows what a fresh look at the model shows.
    QCOMPARE(mirror.shown(), ModelMirror(model).shown());
    if (words.size() > 2) {
        // Moving texts writes nothing: the pool is the very same string.
        QCOMPARE(sheet.data().pooledCharacters(), pooledBefore);
        if (snapshot)
            QVERIFY(sheet.data().sharesTextsWith(*snapshot));
    }
    if (snapshot) {
        // The snapshot is left as it was taken.
        Sheet held;
        held.setData(*snapshot);
        QCOMPARE(textMap(held), start);
    }
    // The first colour after the change lands on its cell alone, whatever shape the sheet took.
    const int lastRow = sheet.rows() - 1;
    const int lastCol = sheet.cols() - 1;
    sheet.setBackColorAt(lastRow, lastCol, kExtraBackColor);
    QCOMPARE(sheet.data().backColor(lastRow, lastCol), kExtraBackColor);
    const QString expected = colours.first(colours.size() - 1) + u'?';
    QCOMPARE(colourMap(sheet), expected);
}

void TestSheet::positionsStayInside_data()
{
    QTest::addColumn<QList<int>>("before"); // Row, Col, RowSel, ColSel, TopRow, LeftCol
    QTest::addColumn<QString>("change");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<int>("moves"); // rowColChange events

    // A 10 x 8 sheet (9 data rows, 7 data columns).
    QTest::newRow("inserting keeps every number")
        << QList<int>{5, 3, 7, 4, 4, 2} << u"insertRows 2 3"_s << QList<int>{5, 3, 7, 4, 4, 2} << 0;
    QTest::newRow("removing rows under the current cell moves it onto the last row")
        << QList<int>{8, 3, 9, 4, 6, 2} << u"removeRows 3 4"_s << QList<int>{5, 3, 5, 3, 5, 2} << 1;
    QTest::newRow("only the selection corner past the end is pulled in")
        << QList<int>{2, 2, 9, 7, 1, 1} << u"removeRows 4 3"_s << QList<int>{2, 2, 6, 7, 1, 1} << 0;
    QTest::newRow("removing columns moves the current cell inside")
        << QList<int>{3, 7, 3, 7, 2, 6} << u"removeCols 2 5"_s << QList<int>{3, 2, 3, 2, 2, 2} << 1;
    QTest::newRow("removing every data row leaves everything on the header row")
        << QList<int>{4, 4, 6, 6, 3, 3} << u"removeRows 1 9"_s << QList<int>{0, 4, 0, 4, 0, 3} << 1;
}

void TestSheet::positionsStayInside()
{
    QFETCH(QList<int>, before);
    QFETCH(QString, change);
    QFETCH(QList<int>, after);
    QFETCH(int, moves);
    Sheet sheet;
    sheet.setRows(10);
    sheet.setCols(8);
    sheet.setCurrentCell(before.at(0), before.at(1));
    sheet.setRowSel(before.at(2));
    sheet.setColSel(before.at(3));
    sheet.setTopRow(before.at(4));
    sheet.setLeftCol(before.at(5));
    QSignalSpy rowColChange(&sheet, &Sheet::rowColChange);
    const QStringList words = change.split(u' ');
    const int at = words.at(1).toInt();
    const int count = words.at(2).toInt();
    if (words.at(0) == u"insertRows"_s)
        sheet.insertRows(at, count, CellMove::TextsAndColours);
    else if (words.at(0) == u"removeRows"_s)
        sheet.removeRows(at, count, CellMove::TextsAndColours);
    else
        sheet.removeCols(at, count, CellMove::TextsOnly);
    QCOMPARE((QList<int>{sheet.row(), sheet.col(), sheet.rowSel(), sheet.colSel(), sheet.topRow(), sheet.leftCol()}),
             after);
    QCOMPARE(rowColChange.count(), moves);
}

void TestSheet::restoringASnapshotSharesItsTexts()
{
    Sheet sheet;
    sheet.setData(dataFrom(kFourByFour));
    sheet.setCurrentCell(2, 2);
    sheet.setTopRow(2);
    sheet.setBackColorAt(1, 2, kDiffBackColor);
    const SheetData snapshot = sheet.data();
    sheet.insertRows(1, 2, CellMove::TextsAndColours);
    sheet.setTextMatrix(1, 1, u"new"_s);
    sheet.removeCols(1, 1, CellMove::TextsOnly);

    sheet.restoreSnapshot(snapshot);
    QCOMPARE(textMap(sheet), kFourByFour);
    QVERIFY(sheet.data().sharesTextsWith(snapshot));
    // The sheet's own colours where they are now (the mark went down with its row), and its place.
    QCOMPARE(colourMap(sheet), u"....|....|....|..d."_s);
    QCOMPARE((QList<int>{sheet.row(), sheet.col(), sheet.topRow()}), (QList<int>{2, 2, 2}));
    // What the sheet does next leaves the snapshot alone.
    sheet.setTextMatrix(1, 1, u"again"_s);
    QCOMPARE(snapshot.text(1, 1).toString(), u"a1"_s);
}

void TestSheet::backgroundsSetInAnyOrder_data()
{
    QTest::addColumn<QString>("steps"); // "row,col,mark" with d differs, e extra, . the default; or reset
    QTest::addColumn<QString>("colours");

    // 5 x 6 cells: a list of three backgrounds before the sheet takes a plane for them.
    QTest::newRow("in reading order, as a comparison sets them")
        << u"1,1,d 2,3,d 4,5,d"_s << u"......|.d....|...d..|......|.....d"_s;
    QTest::newRow("before a cell already set") << u"2,3,d 1,1,e"_s << u"......|.?....|...d..|......|......"_s;
    QTest::newRow("a cell set again") << u"1,1,d 3,1,d 1,1,e"_s << u"......|.?....|......|.d....|......"_s;
    QTest::newRow("a cell back to the default") << u"1,1,d 2,2,d 1,1,."_s << u"......|......|..d...|......|......"_s;
    QTest::newRow("the default on cells never set")
        << u"2,2,d 1,1,. 4,4,."_s << u"......|......|..d...|......|......"_s;
    QTest::newRow("more cells than the list holds")
        << u"1,1,d 1,2,d 1,3,d 1,4,d 2,1,e"_s << u"......|.dddd.|.?....|......|......"_s;
    QTest::newRow("a reset forgets the list")
        << u"1,1,d 3,3,d reset 2,2,d"_s << u"......|......|..d...|......|......"_s;
}

// The backgrounds a sheet keeps as a short list read back as a plane of every cell would.
void TestSheet::backgroundsSetInAnyOrder()
{
    QFETCH(QString, steps);
    QFETCH(QString, colours);
    Sheet sheet;
    sheet.setRows(5);
    sheet.setCols(6);
    for (const QString &step : steps.split(u' ')) {
        if (step == u"reset"_s) {
            sheet.resetBackColors();
            continue;
        }
        const QStringList parts = step.split(u',');
        const QChar mark = parts.at(2).at(0);
        sheet.setBackColorAt(parts.at(0).toInt(), parts.at(1).toInt(),
                             mark == u'd'       ? kDiffBackColor
                                 : mark == u'e' ? kExtraBackColor
                                                : kWindowBackColor);
    }
    QCOMPARE(colourMap(sheet), colours);
}

void TestSheet::packingKeepsEveryText_data()
{
    QTest::addColumn<QString>("pool");
    QTest::addColumn<qsizetype>("split");
    QTest::addColumn<QString>("slices"); // "offset:length" of the 2 x 3 cells in reading order
    QTest::addColumn<bool>("packs");

    const QString longText = QString(300, u'L');
    QTest::newRow("a file's text, then what the reader added")
        << u"ab,cd,ef\r\nXYZ"_s << qsizetype(10) << u"10:1 0:2 3:2 11:2 6:2 0:0"_s << true;
    QTest::newRow("a text too long for a cell's own slice")
        << u"ab,"_s + longText + u"\r\nX"_s << qsizetype(305) << u"305:1 0:2 3:300 0:0 0:0 0:0"_s << true;
    QTest::newRow("slices out of order") << u"ab,cd,ef"_s << qsizetype(8) << u"3:2 0:2 0:0 0:0 0:0 0:0"_s << false;
    QTest::newRow("overlapping slices") << u"ab,cd,ef"_s << qsizetype(8) << u"0:3 2:2 0:0 0:0 0:0 0:0"_s << false;
    QTest::newRow("texts in both halves of the cells, with gaps")
        << u"a,bb,,c\r\ndd,e\r\nXY"_s << qsizetype(15) << u"0:1 2:2 15:2 6:1 9:2 12:1"_s << true;
    QTest::newRow("a slice across the end of the file's text")
        << u"ab,cd,ef"_s << qsizetype(4) << u"0:2 3:2 0:0 0:0 0:0 0:0"_s << false;
}

// Packing gives back what no cell shows and nothing else; a pool it cannot pack in place stays.
void TestSheet::packingKeepsEveryText()
{
    QFETCH(QString, pool);
    QFETCH(qsizetype, split);
    QFETCH(QString, slices);
    QFETCH(bool, packs);
    // Packed on one thread, and shared with a second.
    for (const qsizetype parallelFrom : {qsizetype(1) << 20, qsizetype(2)}) {
        SheetData data(2, 3);
        // A pool of its own, as a reader's: one shared with another string is never written to.
        data.setPool(QString(pool.constData(), pool.size()));
        const QStringList refs = slices.split(u' ');
        qsizetype shown = 0;
        for (int i = 0; i < 6; ++i) {
            const QStringList parts = refs.at(i).split(u':');
            data.setCellRef(i / 3, i % 3, {parts.at(0).toUInt(), parts.at(1).toUInt()});
            shown += parts.at(1).toInt();
        }
        QStringList before;
        for (int i = 0; i < 6; ++i)
            before << data.text(i / 3, i % 3).toString();

        QCOMPARE(data.packPool(split, parallelFrom), packs);
        QCOMPARE(data.pooledCharacters(), packs ? shown : pool.size());
        for (int i = 0; i < 6; ++i)
            QCOMPARE(data.text(i / 3, i % 3), before.at(i));
        // An edit after packing lands beside the packed texts.
        data.setText(1, 2, u"new"_s);
        QCOMPARE(data.text(1, 2), u"new");
        QCOMPARE(data.text(0, 1), before.at(1));
    }
}

void TestSheet::geometryOfALaidOutSheet_data()
{
    QTest::addColumn<QList<int>>("place"); // Row, Col, TopRow, LeftCol
    QTest::addColumn<QList<int>>("cell"); // CellLeft, CellTop, CellWidth, CellHeight
    QTest::addColumn<QList<int>>("visibleRows");
    QTest::addColumn<QList<int>>("visibleCols");

    // Half of the fifth row and most of the third column show unscrolled: neither is visible.
    QTest::newRow("first data cell, unscrolled") << QList<int>{1, 1, 1, 1} << QList<int>{600, 300, 1000, 300}
                                                 << QList<int>{0, 1, 2, 3, 4} << QList<int>{0, 1, 2};
    QTest::newRow("a cell of a scrolled sheet") << QList<int>{12, 4, 10, 3} << QList<int>{1400, 900, 1000, 300}
                                                << QList<int>{0, 10, 11, 12, 13} << QList<int>{0, 3, 4, 5};
    QTest::newRow("cells before the scroll position lie before the grid's edges")
        << QList<int>{8, 1, 10, 3} << QList<int>{-1600, -300, 1000, 300} << QList<int>{0, 10, 11, 12, 13}
        << QList<int>{0, 3, 4, 5};
}

void TestSheet::geometryOfALaidOutSheet()
{
    QFETCH(QList<int>, place);
    QFETCH(QList<int>, cell);
    QFETCH(QList<int>, visibleRows);
    QFETCH(QList<int>, visibleCols);
    Sheet sheet;
    layOut(sheet);
    sheet.setCurrentCell(place.at(0), place.at(1));
    sheet.setTopRow(place.at(2));
    sheet.setLeftCol(place.at(3));
    QCOMPARE((QList<int>{sheet.cellLeft(), sheet.cellTop(), sheet.cellWidth(), sheet.cellHeight()}), cell);
    QList<int> rows;
    for (int r = 0; r < sheet.rows(); ++r) {
        if (sheet.rowIsVisible(r))
            rows << r;
    }
    QList<int> cols;
    for (int c = 0; c < sheet.cols(); ++c) {
        if (sheet.colIsVisible(c))
            cols << c;
    }
    QCOMPARE(rows, visibleRows);
    QCOMPARE(cols, visibleCols);
}

void TestSheet::scrollingStopsWhereTheViewStops_data()
{
    QTest::addColumn<bool>("laidOut");
    QTest::addColumn<QPoint>("asked"); // TopRow, LeftCol
    QTest::addColumn<QPoint>("expected");

    // Four rows fit below the header row, so row 16 is the last top row; columns 5 and 6 fit
    // beside the header column, so column 5 is the last left column.
    QTest::newRow("within reach") << true << QPoint(10, 3) << QPoint(10, 3);
    QTest::newRow("the last row at the top is as far as the view goes") << true << QPoint(19, 6) << QPoint(16, 5);
    QTest::newRow("without a view nothing holds the sheet back") << false << QPoint(19, 6) << QPoint(19, 6);
}

void TestSheet::scrollingStopsWhereTheViewStops()
{
    QFETCH(bool, laidOut);
    QFETCH(QPoint, asked);
    QFETCH(QPoint, expected);
    Sheet sheet;
    sheet.setRows(20);
    sheet.setCols(7);
    if (laidOut)
        sheet.reportLayout(kLayout);
    sheet.setTopRow(asked.x());
    sheet.setLeftCol(asked.y());
    QCOMPARE(QPoint(sheet.topRow(), sheet.leftCol()), expected);

    // A taller grid shows ten rows at once and scrolls back to keep its last rows filled; the
    // view is told.
    QSignalSpy requested(&sheet, &Sheet::scrollRequested);
    SheetLayout taller = kLayout;
    taller.height = 300 * 11;
    sheet.reportLayout(taller);
    QCOMPARE(sheet.topRow(), std::min(expected.x(), 10));
    QCOMPARE(requested.count(), expected.x() > 10 ? 1 : 0);
}

void TestSheet::lineEndsStayWithTheirRows_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("unchanged") << u"none"_s << QByteArray("a\r\nb\rc\r\n");
    QTest::newRow("row inserted above the lone CR") << u"insert"_s << QByteArray("a\r\nn\r\nb\rc\r\n");
    QTest::newRow("row above it deleted") << u"remove"_s << QByteArray("b\rc\r\n");
    QTest::newRow("texts moved down a row") << u"shift down"_s << QByteArray("\r\na\r\nb\rc\r\n");
    QTest::newRow("texts moved up a row") << u"shift up"_s << QByteArray("b\rc\r\n");
    QTest::newRow("rows lined up at two places") << u"groups"_s << QByteArray("\r\na\r\nb\r\r\n\r\nc\r\n");
    QTest::newRow("row appended") << u"append"_s << QByteArray("a\r\nb\rc\r\nn\r\n");
    QTest::newRow("last rows cut and added again") << u"cut"_s << QByteArray("a\r\nn\r\n");
    QTest::newRow("undo after deleting rows") << u"undo"_s << QByteArray("a\r\nb\rc\r\n");
    QTest::newRow("cleared sheet") << u"clear"_s << QByteArray("\r\n\r\n\r\n");
}

void TestSheet::lineEndsStayWithTheirRows()
{
    QFETCH(QString, change);
    QFETCH(QByteArray, bytes);

    const QTemporaryDir folder;
    const QString path = writeTestFile(folder, u"rows.csv"_s, "a\r\nb\rc\r\n");
    SheetFileReader reader({0, u"|"_s});
    QCOMPARE(reader.open(path), LoadRefusal::None);
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    SheetReadResult read = reader.readData();
    QCOMPARE(read.result, MMS_GRID_CSV_READ::ReadResult::Complete);
    Sheet sheet;
    sheet.setData(std::move(read.data));
    sheet.setFileFormat(read.format);
    QCOMPARE(sheet.rows(), 4);

    if (change == u"insert") {
        sheet.insertRows(2, 1, CellMove::TextsAndColours);
        sheet.setTextMatrix(2, 1, u"n"_s);
    } else if (change == u"remove") {
        sheet.removeRows(1, 1, CellMove::TextsAndColours);
    } else if (change == u"shift down") {
        sheet.insertRows(1, 1, CellMove::TextsOnly);
    } else if (change == u"shift up") {
        sheet.removeRows(1, 1, CellMove::TextsOnly);
    } else if (change == u"groups") {
        sheet.insertRowGroups({{1, 1}, {3, 2}});
    } else if (change == u"append") {
        sheet.setRows(5);
        sheet.setTextMatrix(4, 1, u"n"_s);
    } else if (change == u"cut") {
        sheet.setRows(2);
        sheet.setRows(3);
        sheet.setTextMatrix(2, 1, u"n"_s);
    } else if (change == u"undo") {
        const SheetData snapshot = sheet.data();
        sheet.removeRows(1, 2, CellMove::TextsAndColours);
        sheet.insertRows(1, 1, CellMove::TextsAndColours);
        sheet.restoreSnapshot(snapshot);
    } else if (change == u"clear") {
        sheet.clear();
    }
    QCOMPARE(SheetFileBytes(sheet.data(), sheet.fileFormat(), 1, 1, DelimitedFormat()).value_or("<nothing>"), bytes);
}

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
