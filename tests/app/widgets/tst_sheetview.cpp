#include "AppState.h"
#include "FileIntake.h"
#include "NewSheets.h"
#include "RecordingUserInterface.h"
#include "Sheet.h"
#include "SheetFileReader.h"
#include "SheetModel.h"
#include "SheetView.h"
#include "TestFiles.h"
#include "Twips.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
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
    void keyTextBecomesGridCodes_data();
    void keyTextBecomesGridCodes();
    void everyKeyStrokeRaisesKeyDown_data();
    void everyKeyStrokeRaisesKeyDown();
    void inputMethodTextReachesTheSheet();
    void inputMethodTextFollowsTheFocus();
    void compositionMovesIntoTheBoxThatOpens();
    void doubleClickClicksOnce();
    void headerClicksSelectWholeRowsAndColumns_data();
    void headerClicksSelectWholeRowsAndColumns();
    void rightClickOnAHeaderReportsTheHeaderCell();
    void draggingAlongHeadersSelectsRuns_data();
    void draggingAlongHeadersSelectsRuns();
    void draggingAColumnEdgeResizesIt();
    void doubleClickOnAColumnEdgeFitsIt();
    void headerPressAfterALostReleaseSelects();
    void columnWidthsSurviveShapeChanges();
    void dragHeldBelowTheCellsKeepsScrolling();
    void scrollingReachesTheSheetBothWays();
    void disabledSheetIgnoresTheMouse();
    void layoutReachesTheSheet_data();
    void layoutReachesTheSheet();
    void columnWidthsFollowTheirColumns_data();
    void columnWidthsFollowTheirColumns();
    void scrollingByCodeStopsWhereTheViewStops();
    void focusFollowsTheView();
    void reloadShowsTheTop();
    void newSheetAfterAWideFileStartsTopLeft();
    void shownCellsAreTheSheetsOwn_data();
    void shownCellsAreTheSheetsOwn();
    void columnWidthsSurviveShowingEveryColumn();

private:
    [[nodiscard]] QPoint cellCentre(int row, int col) const;
    [[nodiscard]] QList<int> selection() const;
    static void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons);

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

namespace
{
// Rows 5, 9, 40 and 41 and columns 2 and 5 of the 200 x 8 sheet.
void showSomeLines(Sheet &sheet)
{
    for (int c = 1; c < sheet.cols(); ++c)
        sheet.setTextMatrix(0, c, u"%1列"_s.arg(c));
    sheet.setShownLines(std::vector<int>{5, 9, 40, 41}, std::vector<int>{2, 5});
}
} // namespace

QPoint TestSheetView::cellCentre(int row, int col) const
{
    return m_view->visualRect(m_view->model()->index(row - 1, col - 1)).center();
}

QList<int> TestSheetView::selection() const
{
    return {m_sheet->row(), m_sheet->col(), m_sheet->rowSel(), m_sheet->colSel()};
}

// A mouse event as the window delivers it, with the buttons held after it.
void TestSheetView::sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
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

void TestSheetView::keyTextBecomesGridCodes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("codes");

    QTest::newRow("letter") << int(Qt::Key_A) << u"a"_s << QList<int>{'a'};
    QTest::newRow("Esc") << int(Qt::Key_Escape) << u"\x1b"_s << QList<int>{27};
    QTest::newRow("half-width katakana keeps its single-byte code") << 0 << u"ﾈ"_s << QList<int>{200};
    QTest::newRow("kana typed without an input method is double-byte") << 0 << u"ち"_s << QList<int>{-0x3061};
    QTest::newRow("Delete types no character") << int(Qt::Key_Delete) << u"\x7f"_s << QList<int>{};
}

void TestSheetView::keyTextBecomesGridCodes()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QList<int>, codes);
    QList<int> characters;
    connect(m_sheet.get(), &Sheet::keyPress, this, [&](int *keyAscii) { characters << *keyAscii; });
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(m_view.get(), &press);
    QCOMPARE(characters, codes);
}

void TestSheetView::everyKeyStrokeRaisesKeyDown_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("keyCode");

    QTest::newRow("minus") << int(Qt::Key_Minus) << u"-"_s << 189;
    QTest::newRow("period is not Delete") << int(Qt::Key_Period) << u"."_s << 190;
    QTest::newRow("slash") << int(Qt::Key_Slash) << u"/"_s << 191;
    QTest::newRow("opening parenthesis") << int(Qt::Key_ParenLeft) << u"("_s << int('9');
    QTest::newRow("yen") << int(Qt::Key_yen) << u"¥"_s << 220;
    QTest::newRow("kana key") << int(Qt::Key_unknown) << u"ｱ"_s << 255;
    QTest::newRow("Muhenkan") << int(Qt::Key_Muhenkan) << QString() << 29;
}

void TestSheetView::everyKeyStrokeRaisesKeyDown()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, keyCode);
    QStringList events;
    connect(m_sheet.get(), &Sheet::keyDown, this, [&](int *code, int) { events << u"down %1"_s.arg(*code); });
    connect(m_sheet.get(), &Sheet::keyPress, this,
            [&](int *keyAscii) { events << u"press "_s + characterFromKeyAscii(*keyAscii); });
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(m_view.get(), &press);
    QStringList expected{u"down %1"_s.arg(keyCode)};
    if (!text.isEmpty())
        expected << u"press "_s + text;
    QCOMPARE(events, expected);
    QCOMPARE(m_sheet->row(), 1);
}

void TestSheetView::inputMethodTextReachesTheSheet()
{
    QStringList events;
    connect(m_sheet.get(), &Sheet::keyDown, this,
            [&](int *keyCode, int shift) { events << u"down %1 %2"_s.arg(*keyCode).arg(shift); });
    connect(m_sheet.get(), &Sheet::keyPress, this, [&](int *keyAscii) {
        events << u"press %1"_s.arg(characterFromKeyAscii(*keyAscii));
        QVERIFY(*keyAscii < 0);
    });
    connect(m_sheet.get(), &Sheet::compositionStarted, this, [&] { events << u"composing"_s; });
    QInputMethodEvent composing(u"にほん"_s, {});
    QCoreApplication::sendEvent(m_view.get(), &composing);
    // Text still being composed is not typed yet.
    QCOMPARE(events, (QStringList{u"down 229 0"_s, u"composing"_s}));

    events.clear();
    QInputMethodEvent commit;
    commit.setCommitString(u"日本"_s);
    QCoreApplication::sendEvent(m_view.get(), &commit);
    QCOMPARE(events, (QStringList{u"down 229 0"_s, u"press 日"_s, u"press 本"_s}));
    QCOMPARE(m_sheet->row(), 1); // the text is typed, not searched for
    QCOMPARE(m_view->currentIndex(), m_view->model()->index(0, 0));
}

void TestSheetView::inputMethodTextFollowsTheFocus()
{
    // A handler that opens an edit box on the first character, as the in-cell editor does: the
    // rest of the text must end up in the box, not be lost or typed over the first character.
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    m_view->setFocus();
    auto *box = new QLineEdit(m_view->viewport());
    box->hide();
    int presses = 0;
    connect(m_sheet.get(), &Sheet::keyPress, this, [&](int *keyAscii) {
        ++presses;
        box->setText(characterFromKeyAscii(*keyAscii));
        box->show();
        box->setFocus();
    });
    QInputMethodEvent commit;
    commit.setCommitString(u"東京都"_s);
    QCoreApplication::sendEvent(m_view.get(), &commit);
    QCOMPARE(presses, 1);
    QCOMPARE(box->text(), u"東京都"_s);
}

void TestSheetView::compositionMovesIntoTheBoxThatOpens()
{
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    m_view->setFocus();
    auto *box = new QLineEdit(m_view->viewport());
    box->hide();
    QStringList reachedBox;
    connect(m_sheet.get(), &Sheet::compositionStarted, this, [&] {
        box->show();
        box->setFocus();
    });
    struct Spy : QObject
    {
        QStringList *seen;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::InputMethod)
                *seen << static_cast<QInputMethodEvent *>(event)->preeditString();
            return false;
        }
    } spy;
    spy.seen = &reachedBox;
    box->installEventFilter(&spy);

    QInputMethodEvent composing(u"とうきょう"_s, {});
    QCoreApplication::sendEvent(m_view.get(), &composing);
    QCOMPARE(reachedBox, QStringList{u"とうきょう"_s});
    QCOMPARE(QApplication::focusWidget(), box);
}

void TestSheetView::doubleClickClicksOnce()
{
    QStringList events;
    connect(m_sheet.get(), &Sheet::mouseUp, this, [&] { events << u"up"_s; });
    connect(m_sheet.get(), &Sheet::click, this, [&] { events << u"click"_s; });
    connect(m_sheet.get(), &Sheet::dblClick, this, [&] { events << u"dbl"_s; });
    // What a window delivers for a double click: press, release, double click, release.
    const QPoint point = cellCentre(3, 3);
    sendMouse(m_view->viewport(), QEvent::MouseButtonPress, point, Qt::LeftButton);
    sendMouse(m_view->viewport(), QEvent::MouseButtonRelease, point, Qt::NoButton);
    sendMouse(m_view->viewport(), QEvent::MouseButtonDblClick, point, Qt::LeftButton);
    sendMouse(m_view->viewport(), QEvent::MouseButtonRelease, point, Qt::NoButton);
    QCOMPARE(events, (QStringList{u"up"_s, u"click"_s, u"dbl"_s, u"up"_s}));
    // The next single click clicks again.
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(events.mid(4), (QStringList{u"up"_s, u"click"_s}));
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

void TestSheetView::draggingAlongHeadersSelectsRuns_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("from"); // section
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("row headers downwards") << true << 2 << 5 << QList<int>{3, 1, 6, 7};
    QTest::newRow("row headers upwards") << true << 5 << 1 << QList<int>{6, 1, 2, 7};
    QTest::newRow("column headers to the right") << false << 1 << 3 << QList<int>{1, 2, 199, 4};
}

void TestSheetView::draggingAlongHeadersSelectsRuns()
{
    QFETCH(bool, vertical);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, expected);
    QHeaderView *header = vertical ? m_view->verticalHeader() : m_view->horizontalHeader();
    auto point = [&](int section) {
        const int position = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        return vertical ? QPoint(header->width() / 2, position) : QPoint(position, header->height() / 2);
    };
    QSignalSpy up(m_sheet.get(), &Sheet::mouseUp);
    QSignalSpy click(m_sheet.get(), &Sheet::click);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, point(from));
    sendMouse(header->viewport(), QEvent::MouseMove, point((from + to) / 2), Qt::LeftButton);
    sendMouse(header->viewport(), QEvent::MouseMove, point(to), Qt::LeftButton);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, point(to));
    QCOMPARE(selection(), expected);
    QCOMPARE(up.count(), 1);
    QCOMPARE(click.count(), 1);
}

void TestSheetView::draggingAColumnEdgeResizesIt()
{
    QHeaderView *header = m_view->horizontalHeader();
    m_sheet->setCurrentCell(4, 4);
    const int before = header->sectionSize(1);
    const int edge = header->sectionViewportPosition(1) + before - 1;
    const int y = header->height() / 2;
    QSignalSpy up(m_sheet.get(), &Sheet::mouseUp);
    // No hover first: the press itself must be recognised as one on the edge.
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
    sendMouse(header->viewport(), QEvent::MouseMove, QPoint(edge + 30, y), Qt::LeftButton);
    sendMouse(header->viewport(), QEvent::MouseMove, QPoint(edge + 60, y), Qt::LeftButton);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 60, y));
    QCOMPARE(header->sectionSize(1), before + 60);
    QCOMPARE(selection(), (QList<int>{4, 4, 4, 4})); // resizing selects nothing
    QCOMPARE(up.count(), 0);
    QCOMPARE(m_view->currentIndex(), m_view->model()->index(3, 3));

    // Just inside the edge is the section itself: a click there still selects the column.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 60 - before / 2, y));
    QCOMPARE(selection(), (QList<int>{1, 2, 199, 2}));
}

void TestSheetView::doubleClickOnAColumnEdgeFitsIt()
{
    QHeaderView *header = m_view->horizontalHeader();
    const QString longText = u"とても長いセルの内容がここにあります"_s;
    m_sheet->setTextMatrix(2, 3, longText);
    const int before = header->sectionSize(2);
    const QPoint edge(header->sectionViewportPosition(2) + before - 1, header->height() / 2);
    QSignalSpy click(m_sheet.get(), &Sheet::click);
    sendMouse(header->viewport(), QEvent::MouseButtonPress, edge, Qt::LeftButton);
    sendMouse(header->viewport(), QEvent::MouseButtonRelease, edge, Qt::NoButton);
    sendMouse(header->viewport(), QEvent::MouseButtonDblClick, edge, Qt::LeftButton);
    sendMouse(header->viewport(), QEvent::MouseButtonRelease, edge, Qt::NoButton);
    QVERIFY(header->sectionSize(2) > m_view->fontMetrics().horizontalAdvance(longText));
    QCOMPARE(click.count(), 0);
}

void TestSheetView::headerPressAfterALostReleaseSelects()
{
    // A resize whose release never arrived (a dialog took the mouse) must not keep the header
    // from selecting at the next press.
    QHeaderView *header = m_view->horizontalHeader();
    const int y = header->height() / 2;
    const QPoint edge(header->sectionViewportPosition(1) + header->sectionSize(1) - 1, y);
    sendMouse(header->viewport(), QEvent::MouseButtonPress, edge, Qt::LeftButton);
    const QPoint middle(header->sectionViewportPosition(4) + header->sectionSize(4) / 2, y);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    QCOMPARE(selection(), (QList<int>{1, 5, 199, 5}));
}

void TestSheetView::columnWidthsSurviveShapeChanges()
{
    QHeaderView *header = m_view->horizontalHeader();
    header->resizeSection(1, 150);
    m_sheet->setCols(12);
    m_sheet->setRows(300);
    m_sheet->setData(m_sheet->data());
    m_sheet->setRedraw(false);
    m_sheet->setRows(250);
    m_sheet->setRedraw(true);
    QCOMPARE(header->sectionSize(1), 150);
}

void TestSheetView::dragHeldBelowTheCellsKeepsScrolling()
{
    QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, cellCentre(2, 2));
    const QPoint below(cellCentre(2, 2).x(), m_view->viewport()->height() + 10);
    QTest::mouseMove(m_view->viewport(), below);
    sendMouse(m_view->viewport(), QEvent::MouseMove, below, Qt::LeftButton);
    const int firstTop = m_sheet->topRow();
    // The mouse stays where it is; the selection keeps growing downwards.
    QTRY_VERIFY(m_sheet->topRow() > firstTop + 3);
    QVERIFY(m_sheet->rowSel() > m_sheet->topRow());
    QCOMPARE(m_sheet->row(), 2);
    QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, {}, below);
    const int stoppedAt = m_sheet->topRow();
    QTest::qWait(200);
    QCOMPARE(m_sheet->topRow(), stoppedAt);
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

void TestSheetView::layoutReachesTheSheet_data()
{
    QTest::addColumn<int>("action");
    QTest::newRow("unscrolled") << 0;
    QTest::newRow("scrolled down and right") << 1;
    QTest::newRow("a column widened at its header") << 2;
    QTest::newRow("the grid made smaller") << 3;
}

void TestSheetView::layoutReachesTheSheet()
{
    // Where the sheet says a cell is, and which rows and columns it says are shown whole, must be
    // what the view shows.
    QFETCH(int, action);
    m_view->resize(420, 300);
    QCoreApplication::processEvents();
    if (action == 1) {
        m_view->verticalScrollBar()->setValue(30);
        m_view->horizontalScrollBar()->setValue(2);
    } else if (action == 2) {
        m_view->horizontalHeader()->resizeSection(1, 140);
    } else if (action == 3) {
        m_view->resize(300, 180);
    }
    QCoreApplication::processEvents();

    const Twips twips = Twips::forScreen(m_view->screen());
    const int headerWidth = m_view->verticalHeader()->width();
    const int headerHeight = m_view->horizontalHeader()->height();
    const int top = m_sheet->topRow();
    const int left = m_sheet->leftCol();
    QCOMPARE(top - 1, m_view->rowAt(0));
    QCOMPARE(left - 1, m_view->columnAt(0));
    for (int r = top; r < top + 4; ++r) {
        for (int c = left; c < left + 3; ++c) {
            m_sheet->setCurrentCell(r, c);
            QCOMPARE(twips.toPixels(m_sheet->cellLeft()), headerWidth + m_view->columnViewportPosition(c - 1));
            QCOMPARE(twips.toPixels(m_sheet->cellTop()), headerHeight + m_view->rowViewportPosition(r - 1));
            QCOMPARE(twips.toPixels(m_sheet->cellWidth()), m_view->columnWidth(c - 1));
            QCOMPARE(twips.toPixels(m_sheet->cellHeight()), m_view->rowHeight(r - 1));
        }
    }
    const QSize inside = m_view->viewport()->size();
    for (int r = std::max(1, top - 1); r < std::min(m_sheet->rows(), top + 30); ++r) {
        const int y = m_view->rowViewportPosition(r - 1);
        QCOMPARE(m_sheet->rowIsVisible(r), y >= 0 && y + m_view->rowHeight(r - 1) <= inside.height());
    }
    for (int c = 1; c < m_sheet->cols(); ++c) {
        const int x = m_view->columnViewportPosition(c - 1);
        QCOMPARE(m_sheet->colIsVisible(c), x >= 0 && x + m_view->columnWidth(c - 1) <= inside.width());
    }
}

void TestSheetView::columnWidthsFollowTheirColumns_data()
{
    QTest::addColumn<CellMove>("move");
    QTest::addColumn<int>("widenedSection"); // where the widened column's width is afterwards
    QTest::newRow("texts only: widths stay in place") << CellMove::TextsOnly << 1;
    QTest::newRow("with colours: widths move with their columns") << CellMove::TextsAndColours << 3;
}

void TestSheetView::columnWidthsFollowTheirColumns()
{
    QFETCH(CellMove, move);
    QFETCH(int, widenedSection);
    QAbstractItemModelTester tester(m_view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QHeaderView *header = m_view->horizontalHeader();
    header->resizeSection(1, 150);
    m_sheet->setTextMatrix(3, 2, u"moved"_s);
    m_sheet->insertCols(1, 2, move);
    QCOMPARE(header->count(), 9);
    QCOMPARE(header->sectionSize(widenedSection), 150);
    QCOMPARE(m_sheet->colWidth(widenedSection + 1), int(Twips::forScreen(m_view->screen()).toTwips(150)));
    // The texts move either way.
    QCOMPARE(m_view->model()->data(m_view->model()->index(2, 3)).toString(), u"moved"_s);
}

void TestSheetView::scrollingByCodeStopsWhereTheViewStops()
{
    m_view->resize(300, 300);
    QCoreApplication::processEvents();
    m_sheet->setTopRow(199);
    m_sheet->setLeftCol(7);
    QScrollBar *vertical = m_view->verticalScrollBar();
    QScrollBar *horizontal = m_view->horizontalScrollBar();
    QVERIFY(vertical->maximum() < 198);
    QCOMPARE(vertical->value(), vertical->maximum());
    QCOMPARE(m_sheet->topRow(), vertical->value() + 1);
    QVERIFY(horizontal->maximum() < 6);
    QCOMPARE(horizontal->value(), horizontal->maximum());
    QCOMPARE(m_sheet->leftCol(), horizontal->value() + 1);
    QVERIFY(m_sheet->rowIsVisible(199));
    QVERIFY(m_sheet->colIsVisible(7));
}

void TestSheetView::focusFollowsTheView()
{
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    auto *other = new QLineEdit(m_view->viewport());
    other->show();
    other->setFocus();
    QVERIFY(!m_sheet->hasFocus());
    QSignalSpy got(m_sheet.get(), &Sheet::gotFocus);
    m_sheet->setFocus();
    QVERIFY(m_view->hasFocus());
    QVERIFY(m_sheet->hasFocus());
    QCOMPARE(got.count(), 1);
    other->setFocus();
    QVERIFY(!m_sheet->hasFocus());
}

void TestSheetView::reloadShowsTheTop()
{
    // A file of the very counts the sheet has, loaded again after scrolling down.
    QTemporaryDir folder;
    QByteArray csv;
    for (int r = 1; r < 200; ++r)
        csv += QByteArray::number(r) + ",b,c,d,e,f,g\r\n";
    const QString path = writeTestFile(folder, u"same-size.csv"_s, csv);
    const auto load = [&] {
        SheetFileReader reader({0, u","_s});
        return reader.open(path) == LoadRefusal::None && reader.countColumns() == LoadRefusal::None
            && ReadIntoSheet(reader, *m_sheet) == MMS_GRID_CSV_READ::ReadResult::Complete;
    };
    QVERIFY(load());
    QCOMPARE(m_sheet->rows(), 200);
    QCOMPARE(m_sheet->cols(), 8);
    m_view->verticalScrollBar()->setValue(120);
    QCOMPARE(m_sheet->topRow(), 121);

    QVERIFY(load());
    QCOMPARE(m_sheet->row(), 1);
    QCOMPARE(m_sheet->topRow(), 1);
    QCOMPARE(m_view->verticalScrollBar()->value(), 0);
    QCOMPARE(m_view->rowAt(0), 0);
    QVERIFY(m_sheet->rowIsVisible(m_sheet->row()));
}

void TestSheetView::newSheetAfterAWideFileStartsTopLeft()
{
    // As the window wires it: the view shows and hides with its sheet.
    AppState state;
    RecordingUserInterface ui;
    Sheet &sheet = state.grdData(0);
    SheetView view(sheet);
    QAbstractItemModelTester tester(view.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    connect(&sheet, &Sheet::appearanceChanged, &view, [&] { view.setVisible(sheet.isVisible()); });
    view.resize(600, 400);
    SheetData wide(60, 41);
    for (int c = 1; c < 41; ++c)
        wide.setText(0, c, u"%1列"_s.arg(c));
    sheet.setData(wide);
    sheet.setVisible(true);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    view.verticalScrollBar()->setValue(30);
    QVERIFY(sheet.leftCol() > 30);

    cmdClr_Click(state);
    QVERIFY(!view.isVisible());
    mnuNew_Click(state, ui);
    QVERIFY(view.isVisible());
    QCoreApplication::processEvents();

    QCOMPARE(sheet.cols(), 11);
    QCOMPARE(QPoint(sheet.topRow(), sheet.leftCol()), QPoint(1, 1));
    QCOMPARE(view.horizontalScrollBar()->value(), 0);
    QCOMPARE(view.verticalScrollBar()->value(), 0);
    QCOMPARE(view.columnAt(0), 0);
    QCOMPARE(view.model()->headerData(view.columnAt(0), Qt::Horizontal).toString(), u"1列"_s);
}

void TestSheetView::shownCellsAreTheSheetsOwn_data()
{
    QTest::addColumn<QPoint>("clicked"); // model row, column clicked first
    QTest::addColumn<QString>("keys"); // "d" down, "u" up, "r" right, "l" left, "D" Ctrl+Down, "E" Ctrl+End
    QTest::addColumn<QPoint>("current"); // the sheet's current cell afterwards

    QTest::newRow("a click lands on the sheet's own cell") << QPoint(1, 1) << QString() << QPoint(9, 5);
    QTest::newRow("down passes over the hidden rows") << QPoint(1, 0) << u"d"_s << QPoint(40, 2);
    QTest::newRow("up and left stop at the first shown cell") << QPoint(1, 1) << u"uuull"_s << QPoint(5, 2);
    QTest::newRow("to the edges") << QPoint(0, 0) << u"DE"_s << QPoint(41, 5);
}

void TestSheetView::shownCellsAreTheSheetsOwn()
{
    QFETCH(QPoint, clicked);
    QFETCH(QString, keys);
    QFETCH(QPoint, current);

    QAbstractItemModelTester tester(m_view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    showSomeLines(*m_sheet);
    QCOMPARE(m_view->model()->rowCount(), 4);
    QCOMPARE(m_view->model()->columnCount(), 2);
    // The headers keep the rows' and columns' own numbers.
    QCOMPARE(m_view->model()->headerData(2, Qt::Vertical).toString(), u"40行"_s);
    QCOMPARE(m_view->model()->headerData(1, Qt::Horizontal).toString(), u"5列"_s);
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {},
                      m_view->visualRect(m_view->model()->index(clicked.x(), clicked.y())).center());
    for (const QChar key : keys) {
        const Qt::Key qtKey = key == u'd' || key == u'D' ? Qt::Key_Down
            : key == u'u'                                ? Qt::Key_Up
            : key == u'r'                                ? Qt::Key_Right
            : key == u'l'                                ? Qt::Key_Left
                                                         : Qt::Key_End;
        QTest::keyClick(m_view.get(), qtKey, key.isUpper() ? Qt::ControlModifier : Qt::NoModifier);
    }
    QCOMPARE(QPoint(m_sheet->row(), m_sheet->col()), current);
    // The focus frame is on the same cell, and a cell the view shows reads the sheet's text.
    const QModelIndex frame = m_view->currentIndex();
    m_sheet->setTextMatrix(m_sheet->row(), m_sheet->col(), u"here"_s);
    QCOMPARE(m_view->model()->data(frame).toString(), u"here"_s);
}

void TestSheetView::columnWidthsSurviveShowingEveryColumn()
{
    QHeaderView *header = m_view->horizontalHeader();
    header->resizeSection(1, 150); // column 2
    showSomeLines(*m_sheet);
    QCOMPARE(header->sectionSize(0), 150);
    header->resizeSection(1, 170); // column 5
    m_sheet->setShownLines(std::nullopt, std::nullopt);
    QCOMPARE(header->sectionSize(1), 150);
    QCOMPARE(header->sectionSize(4), 170);
    showSomeLines(*m_sheet);
    QCOMPARE(header->sectionSize(0), 150);
    QCOMPARE(header->sectionSize(1), 170);
    // Rows inserted while some are hidden keep the widths too.
    m_sheet->insertRows(3, 2, CellMove::TextsAndColours);
    QCOMPARE(header->sectionSize(1), 170);
    QCOMPARE(m_view->model()->rowCount(), 6);
}

QTEST_MAIN(TestSheetView)
#include "tst_sheetview.moc"
