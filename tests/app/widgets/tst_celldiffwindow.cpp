#include "AppState.h"
#include "CellDifferenceWindow.h"
#include "Form1.h"
#include "Form1Fixture.h"
#include "SheetView.h"
#include "WindowSheetFixtures.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <memory>

using namespace Qt::StringLiterals;

// The cell difference window in the real main window, offscreen: F7, then following the clicks.
class TestCellDiffWindow : public QObject
{
    Q_OBJECT

private slots:
    void f7OpensTheWindowAndItFollowsTheClicks();
};

namespace
{
// The background of the character at `position` of a text view.
QColor backgroundAt(QTextEdit *edit, int position)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().background().color();
}

void clickCell(SheetView *view, int row, int col)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row - 1, col - 1)).center());
}
} // namespace

void TestCellDiffWindow::f7OpensTheWindowAndItFollowsTheClicks()
{
    Form1Fixture fixture;
    Form1Setup setup;
    setup.helpFile = Form1Setup::HelpFile::Missing;
    setup.screen = Form1Setup::Screen::Real;
    setup.show = false;
    Form1 &form = fixture.make(setup);
    fillSheet(form.state().grdData(0), u"1-2,ＡＢ|東京,x"_s);
    fillSheet(form.state().grdData(1), u"1−2,AB|東京　,x"_s);
    form.syncWidgets();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.mnuSabun->actions().contains(form.mnuCellDiff));

    SheetView *view = form.grdData[0];
    clickCell(view, 1, 1);
    QTRY_COMPARE(QApplication::focusWidget(), view);
    QVERIFY(!form.findChild<CellDifferenceWindow *>());
    QTest::keyClick(view, Qt::Key_F7);
    auto *window = form.findChild<CellDifferenceWindow *>();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->txtCell[0]->toPlainText(), u"1-2"_s);
    QCOMPARE(window->txtCell[1]->toPlainText(), u"1−2"_s);
    QVERIFY(window->txtCell[0]->isReadOnly());
    // The changed character is yellow in both texts, its neighbours are not.
    QCOMPARE(backgroundAt(window->txtCell[1], 1), QColor(0xFF, 0xF0, 0x80));
    QCOMPARE(backgroundAt(window->txtCell[0], 1), QColor(0xFF, 0xF0, 0x80));
    QVERIFY(backgroundAt(window->txtCell[0], 0) != QColor(0xFF, 0xF0, 0x80));
    QCOMPARE(window->lstNotes->item(0)->text(), u"ハイフン・長音の違いだけです"_s);

    // A click elsewhere: the window follows, and the sheets' tool tips stay as they were.
    clickCell(view, 2, 1);
    QTRY_COMPARE(window->txtCell[1]->toPlainText(), u"東京□"_s);
    QCOMPARE(QPoint(window->view().row, window->view().col), QPoint(2, 1));
    QVERIFY(window->lstNotes->findItems(u"末尾に全角スペースがあります（ファイル２）"_s, Qt::MatchExactly).size() == 1);
    QCOMPARE(form.state().grdData(0).toolTipText(), u"東京 : 東京　"_s);

    clickCell(view, 1, 2);
    QTRY_COMPARE(window->lstNotes->item(0)->text(), u"全角と半角の違いだけです"_s);

    // Closed, it is left alone; F7 opens the same window again on the current cell.
    window->close();
    clickCell(view, 2, 2);
    QCOMPARE(window->txtCell[0]->toPlainText(), u"ＡＢ"_s);
    form.mnuCellDiff->trigger();
    QVERIFY(window->isVisible());
    QCOMPARE(window->lstNotes->item(0)->text(), u"同じです"_s);
}

QTEST_MAIN(TestCellDiffWindow)
#include "tst_celldiffwindow.moc"
