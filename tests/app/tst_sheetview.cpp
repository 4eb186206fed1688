#include "Sheet.h"
#include "SheetModel.h"
#include "SheetView.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The grid on screen: what the person does with mouse, keys and scroll bars must reach the
// sheet as the grid's state and events.
class TestSheetView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void clickMovesTheCurrentCell();
    void shiftClickAndDragExtendTheSelection();
    void keysMoveAndExtend_data();
    void keysMoveAndExtend();
    void keyDownHandlerCanSwallowAKey();
    void typedCharactersRaiseKeyPress();
    void headerClicksSelectWholeRowsAndColumns_data();
    void headerClicksSelectWholeRowsAndColumns();
    void rightClickOnAHeaderReportsTheHeaderCell();
    void scrollingReachesTheSheetBothWays();
    void disabledSheetIgnoresTheMouse();

private:
    [[nodiscard]] QPoint cellCentre(int row, int col) const;

    std::unique_ptr<Sheet> m_sheet;
    std::unique_ptr<SheetView> m_view;
};

void TestSheetView::init()
{
    m_sheet = std::make_unique<Sheet>();
    m_sheet->setRows(200);
    m_sheet->setCols(8);
    for (int r = 1; r < 200; ++r)
        m_sheet->setTextMatrix(r, 0, u"%1行"_s.arg(r));
    m_view = std::make_unique<SheetView>(*m_sheet);
    m_view->resize(600, 400);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestSheetView::cleanup()
{
    m_view.reset();
    m_sheet.reset();
}

QPoint TestSheetView::cellCentre(int row, int col) const
{
    return m_view->visualRect(m_view->model()->index(row - 1, col - 1)).center();
}

void TestSheetView::clickMovesTheCurrentCell()
{
    QStringList events;
    connect(m_sheet.get(), &Sheet::leaveCell, this, [&] { events << u"leave"_s; });
    connect(m_sheet.get(), &Sheet::rowColChange, this, [&] { events << u"change"_s; });
    connect(m_sheet.get(), &Sheet::mouseUp, this, [&](int button, int, int, int) {
        events << u"up %1 at %2,%3"_s.arg(button).arg(m_sheet->mouseRow()).arg(m_sheet->mouseCol());
    });
    connect(m_sheet.get(), &Sheet::click, this, [&] { events << u"click"_s; });
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, cellCentre(3, 2));
    QCOMPARE(m_sheet->row(), 3);
    QCOMPARE(m_sheet->col(), 2);
    QCOMPARE(events, (QStringList{u"leave"_s, u"change"_s, u"up 1 at 3,2"_s, u"click"_s}));
    QCOMPARE(m_view->currentIndex(), m_view->model()->index(2, 1)); // the focus frame follows
}

void TestSheetView::shiftClickAndDragExtendTheSelection()
{
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, cellCentre(2, 2));
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCentre(4, 3));
    QCOMPARE(QList<int>({m_sheet->row(), m_sheet->col(), m_sheet->rowSel(), m_sheet->colSel()}),
             QList<int>({2, 2, 4, 3}));

    QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, cellCentre(5, 4));
    QMouseEvent move(QEvent::MouseMove, cellCentre(2, 1), m_view->viewport()->mapToGlobal(cellCentre(2, 1)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_view->viewport(), &move);
    QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    // Dragged upwards: the current cell stays where the press was, the corner follows the mouse.
    QCOMPARE(QList<int>({m_sheet->row(), m_sheet->col(), m_sheet->rowSel(), m_sheet->colSel()}),
             QList<int>({5, 4, 2, 1}));
}

void TestSheetView::keysMoveAndExtend_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QList<int>>("expected"); // Row, Col, RowSel, ColSel

    QTest::newRow("down moves") << int(Qt::Key_Down) << 0 << QList<int>{4, 3, 4, 3};
    QTest::newRow("shift+down extends") << int(Qt::Key_Down) << int(Qt::ShiftModifier) << QList<int>{3, 3, 4, 3};
    QTest::newRow("left moves") << int(Qt::Key_Left) << 0 << QList<int>{3, 2, 3, 2};
    QTest::newRow("home goes to the first column") << int(Qt::Key_Home) << 0 << QList<int>{3, 1, 3, 1};
    QTest::newRow("end goes to the last column") << int(Qt::Key_End) << 0 << QList<int>{3, 7, 3, 7};
    QTest::newRow("ctrl+home goes to the first cell")
        << int(Qt::Key_Home) << int(Qt::ControlModifier) << QList<int>{1, 1, 1, 1};
    QTest::newRow("ctrl+end goes to the last cell")
        << int(Qt::Key_End) << int(Qt::ControlModifier) << QList<int>{199, 7, 199, 7};
    QTest::newRow("shift+ctrl+up extends to the top")
        << int(Qt::Key_Up) << int(Qt::ShiftModifier | Qt::ControlModifier) << QList<int>{3, 3, 1, 3};
}

void TestSheetView::keysMoveAndExtend()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QList<int>, expected);
    m_sheet->setCurrentCell(3, 3);
    QTest::keyClick(m_view.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(QList<int>({m_sheet->row(), m_sheet->col(), m_sheet->rowSel(), m_sheet->colSel()}), expected);
}

void TestSheetView::keyDownHandlerCanSwallowAKey()
{
    QList<int> codes;
    connect(m_sheet.get(), &Sheet::keyDown, this, [&](int *keyCode, int shift) {
        codes << *keyCode << shift;
        if (*keyCode == 40) // down
            *keyCode = 0;
    });
    m_sheet->setCurrentCell(3, 3);
    QTest::keyClick(m_view.get(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(m_sheet->row(), 3);
    QTest::keyClick(m_view.get(), Qt::Key_Right);
    QCOMPARE(m_sheet->col(), 4);
    QCOMPARE(codes, (QList<int>{17, 2, 40, 2, 39, 0})); // Ctrl itself comes first
}

void TestSheetView::typedCharactersRaiseKeyPress()
{
    QList<int> characters;
    connect(m_sheet.get(), &Sheet::keyPress, this, [&](int *keyAscii) { characters << *keyAscii; });
    QTest::keyClicks(m_view.get(), u"a1"_s);
    QTest::keyClick(m_view.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(characters, (QList<int>{'a', '1', 3}));
}

void TestSheetView::headerClicksSelectWholeRowsAndColumns_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("row header selects the row") << true << QList<int>{4, 1, 4, 7};
    QTest::newRow("column header selects the column") << false << QList<int>{1, 4, 199, 4};
}

void TestSheetView::headerClicksSelectWholeRowsAndColumns()
{
    QFETCH(bool, vertical);
    QFETCH(QList<int>, expected);
    QHeaderView *header = vertical ? m_view->verticalHeader() : m_view->horizontalHeader();
    const int position = header->sectionViewportPosition(3) + header->sectionSize(3) / 2;
    const QPoint point = vertical ? QPoint(header->width() / 2, position) : QPoint(position, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(QList<int>({m_sheet->row(), m_sheet->col(), m_sheet->rowSel(), m_sheet->colSel()}), expected);
}

void TestSheetView::rightClickOnAHeaderReportsTheHeaderCell()
{
    m_sheet->setCurrentCell(2, 2);
    QSignalSpy up(m_sheet.get(), &Sheet::mouseUp);
    QHeaderView *header = m_view->verticalHeader();
    const QPoint point(header->width() / 2, header->sectionViewportPosition(4) + header->sectionSize(4) / 2);
    QTest::mouseClick(header->viewport(), Qt::RightButton, {}, point);
    QCOMPARE(up.count(), 1);
    QCOMPARE(up.first().at(0).toInt(), kRightButton);
    QCOMPARE(m_sheet->mouseRow(), 5);
    QCOMPARE(m_sheet->mouseCol(), 0);
    QCOMPARE(m_sheet->row(), 2); // a right click moves nothing by itself
}

void TestSheetView::scrollingReachesTheSheetBothWays()
{
    m_view->resize(250, 300); // narrow enough to scroll sideways
    QSignalSpy scroll(m_sheet.get(), &Sheet::scroll);
    m_view->verticalScrollBar()->setValue(20);
    QCOMPARE(m_sheet->topRow(), 21);
    QCOMPARE(scroll.count(), 1);
    m_sheet->setTopRow(50);
    QCOMPARE(m_view->verticalScrollBar()->value(), 49);
    m_sheet->setLeftCol(3);
    QCOMPARE(m_view->horizontalScrollBar()->value(), 2);
}

void TestSheetView::disabledSheetIgnoresTheMouse()
{
    m_sheet->setCurrentCell(1, 1);
    m_sheet->setEnabled(false);
    QVERIFY(!m_view->isEnabled());
    QSignalSpy up(m_sheet.get(), &Sheet::mouseUp);
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, cellCentre(3, 3));
    QCOMPARE(m_sheet->row(), 1);
    QCOMPARE(up.count(), 0);
}

QTEST_MAIN(TestSheetView)
#include "tst_sheetview.moc"
