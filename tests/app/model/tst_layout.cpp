#include "AppState.h"
#include "Layout.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TwipsRect)
Q_DECLARE_METATYPE(DisplayMode)

namespace
{
// A place no layout rule produces, to see what was left alone.
constexpr TwipsRect kUntouched{1, 2, 3, 4};
constexpr TwipsRect kAway{-500, -500, 0, 0};
constexpr int kFrameWidth = ToolFrame::kWidth;

struct SideState
{
    bool save;
    bool name;
    bool panel;
};
} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void arrange_data();
    void arrange();
    void resizePlacesPanelsAndFrames_data();
    void resizePlacesPanelsAndFrames();
    void bottomButtons_data();
    void bottomButtons();
    void lowWindowMovesNothing_data();
    void lowWindowMovesNothing();
    void lowSheetAreaSkipsOnlyTheSheets();
    void modeButtonWaitsForComparison();
    void modeChangePlacesPanelsAndFrames();
    void hiddenSheetKeepsItsContents();
    void withdrawnOverwriteStaysDisabled();
    void statusBarPartsShortenInTurn_data();
    void statusBarPartsShortenInTurn();
    void windowPlacementFitsTheScreen_data();
    void windowPlacementFitsTheScreen();

private:
    void markUntouched();
    std::unique_ptr<AppState> m_state;
};

void TestLayout::init()
{
    m_state = std::make_unique<AppState>();
}

void TestLayout::cleanup()
{
    m_state.reset();
}

void TestLayout::markUntouched()
{
    AppState &s = *m_state;
    for (int i = 0; i < 2; ++i) {
        s.grdData(i).setGeometry(kUntouched);
        s.PicFile[i].rect = kUntouched;
        s.PicFile[i].visible = false;
        s.fraTool[i].rect = {kUntouched.left, kUntouched.top, kFrameWidth, ToolFrame::kHeight};
        s.fraTool[i].cmdNameEnabled = false;
    }
    s.cmdDiffRect = s.cmdClrRect = s.cmdGmnRect = s.cmdEndRect = kUntouched;
}

void TestLayout::arrange_data()
{
    QTest::addColumn<DisplayMode>("mode");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("withdrawn1");
    QTest::addColumn<TwipsRect>("sheet0");
    QTest::addColumn<TwipsRect>("sheet1");
    QTest::addColumn<QList<bool>>("sides"); // save, name, panel of side 0, then of side 1

    QTest::newRow("both sheets split an even width")
        << DisplayMode::Both << 12000 << 8000 << false << TwipsRect{0, 470, 6000, 6850}
        << TwipsRect{6000, 470, 6000, 6850} << QList<bool>{true, true, true, true, true, true};
    QTest::newRow("both sheets drop the odd twip")
        << DisplayMode::Both << 12001 << 8000 << false << TwipsRect{0, 470, 6000, 6850}
        << TwipsRect{6000, 470, 6000, 6850} << QList<bool>{true, true, true, true, true, true};
    QTest::newRow("sheet 1 alone") << DisplayMode::Sheet1Alone << 12000 << 8000 << false
                                   << TwipsRect{0, 470, 12000, 6850} << kAway
                                   << QList<bool>{true, true, true, false, false, false};
    QTest::newRow("sheet 2 alone") << DisplayMode::Sheet2Alone << 12000 << 8000 << false << kAway
                                   << TwipsRect{0, 470, 12000, 6850}
                                   << QList<bool>{false, false, false, true, true, true};
    QTest::newRow("withdrawn overwrite of sheet 2, both shown")
        << DisplayMode::Both << 12000 << 8000 << true << TwipsRect{0, 470, 6000, 6850}
        << TwipsRect{6000, 470, 6000, 6850} << QList<bool>{true, true, true, false, true, true};
    QTest::newRow("withdrawn overwrite of sheet 2, shown alone")
        << DisplayMode::Sheet2Alone << 12000 << 8000 << true << kAway << TwipsRect{0, 470, 12000, 6850}
        << QList<bool>{false, false, false, false, true, true};
    QTest::newRow("no room for the sheets: only the moves are skipped")
        << DisplayMode::Sheet1Alone << 12000 << 1100 << false << kUntouched << kAway
        << QList<bool>{true, true, true, false, false, false};
}

void TestLayout::arrange()
{
    QFETCH(DisplayMode, mode);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, withdrawn1);
    QFETCH(TwipsRect, sheet0);
    QFETCH(TwipsRect, sheet1);
    QFETCH(QList<bool>, sides);

    markUntouched();
    AppState &s = *m_state;
    s.displayMode = mode;
    s.clientWidth = width;
    s.clientHeight = height;
    s.fraTool[1].overwriteWithdrawn = withdrawn1;
    ArrangeControls(s);

    QCOMPARE(s.grdData(0).geometry(), sheet0);
    QCOMPARE(s.grdData(1).geometry(), sheet1);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(s.fraTool[i].cmdSaveEnabled(), sides[3 * i]);
        QCOMPARE(s.fraTool[i].cmdNameEnabled, sides[3 * i + 1]);
        QCOMPARE(s.PicFile[i].visible, sides[3 * i + 2]);
        // Panels and frames move only on a resize.
        QCOMPARE(s.PicFile[i].rect, kUntouched);
    }
}

void TestLayout::resizePlacesPanelsAndFrames_data()
{
    QTest::addColumn<DisplayMode>("mode");
    QTest::addColumn<TwipsRect>("panel0");
    QTest::addColumn<TwipsRect>("panel1");
    QTest::addColumn<QPoint>("frame0"); // left, top
    QTest::addColumn<QPoint>("frame1");

    QTest::newRow("both sheets") << DisplayMode::Both << TwipsRect{0, 60, 6000, 7250} << TwipsRect{6000, 60, 6000, 7250}
                                 << QPoint(6000 - kFrameWidth - 30, 90) << QPoint(12000 - kFrameWidth - 30, 90);
    QTest::newRow("sheet 1 alone") << DisplayMode::Sheet1Alone << TwipsRect{0, 60, 12000, 7250}
                                   << TwipsRect{-500, 60, 0, 400} << QPoint(12000 - kFrameWidth - 30, 90)
                                   << QPoint(-500 - kFrameWidth - 30, 90);
    QTest::newRow("sheet 2 alone") << DisplayMode::Sheet2Alone << TwipsRect{-500, 60, 0, 400}
                                   << TwipsRect{0, 60, 12000, 7250} << QPoint(-500 - kFrameWidth - 30, 90)
                                   << QPoint(12000 - kFrameWidth - 30, 90);
}

void TestLayout::resizePlacesPanelsAndFrames()
{
    QFETCH(DisplayMode, mode);
    QFETCH(TwipsRect, panel0);
    QFETCH(TwipsRect, panel1);
    QFETCH(QPoint, frame0);
    QFETCH(QPoint, frame1);

    markUntouched();
    AppState &s = *m_state;
    s.displayMode = mode;
    s.clientWidth = 12000;
    s.clientHeight = 8000;
    Form_Resize(s);

    QCOMPARE(s.PicFile[0].rect, panel0);
    QCOMPARE(s.PicFile[1].rect, panel1);
    QCOMPARE(QPoint(s.fraTool[0].rect.left, s.fraTool[0].rect.top), frame0);
    QCOMPARE(QPoint(s.fraTool[1].rect.left, s.fraTool[1].rect.top), frame1);
    QCOMPARE(s.fraTool[0].rect.width, kFrameWidth);
    QCOMPARE(s.cmdDiffRect.top, 7400);
    QCOMPARE(s.cmdEndRect.top, 7400);
}

void TestLayout::bottomButtons_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("lefts"); // cmdDiff, cmdClr, cmdGmn, cmdEnd
    QTest::addColumn<int>("buttonWidth");

    QTest::newRow("quarter without a fraction") << 12000 << QList<int>{50, 3050, 6050, 9050} << 2900;
    QTest::newRow("quarter .25 rounds down") << 4001 << QList<int>{50, 1050, 2050, 3050} << 900;
    QTest::newRow("quarter .5 rounds to even, down") << 4002 << QList<int>{50, 1050, 2050, 3050} << 900;
    QTest::newRow("quarter .75 rounds up") << 4003 << QList<int>{50, 1051, 2052, 3053} << 901;
    QTest::newRow("quarter .5 rounds to even, up") << 4006 << QList<int>{50, 1052, 2054, 3056} << 902;
    QTest::newRow("exactly no room for a button") << 400 << QList<int>{50, 150, 250, 350} << 0;
    // Narrower than 400 twips: a button would get a negative width, so every button keeps the
    // width cmdDiff had (3 from the start state) while the lefts still follow.
    QTest::newRow("narrower than 400 twips keeps the widths") << 300 << QList<int>{50, 125, 200, 275} << 3;
    QTest::newRow("wider than a 16-bit quarter") << 140000 << QList<int>{50, 35050, 70050, 105050} << 34900;
}

void TestLayout::bottomButtons()
{
    QFETCH(int, width);
    QFETCH(QList<int>, lefts);
    QFETCH(int, buttonWidth);

    markUntouched();
    AppState &s = *m_state;
    s.clientWidth = width;
    s.clientHeight = 8000;
    Form_Resize(s);

    const QList<TwipsRect> buttons{s.cmdDiffRect, s.cmdClrRect, s.cmdGmnRect, s.cmdEndRect};
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(buttons[k].left, lefts[k]);
        QCOMPARE(buttons[k].width, buttonWidth);
        QCOMPARE(buttons[k].top, 7400);
    }
    // The sheets are laid out whatever the buttons did.
    QCOMPARE(s.grdData(1).geometry(), (TwipsRect{width / 2, 470, width / 2, 6850}));
}

void TestLayout::lowWindowMovesNothing_data()
{
    QTest::addColumn<int>("height");
    QTest::newRow("1050 twips") << 1050;
    QTest::newRow("minimised to nothing") << 0;
}

void TestLayout::lowWindowMovesNothing()
{
    QFETCH(int, height);
    markUntouched();
    AppState &s = *m_state;
    s.displayMode = DisplayMode::Sheet1Alone;
    s.clientWidth = 12000;
    s.clientHeight = height;
    Form_Resize(s);

    for (int i = 0; i < 2; ++i) {
        QCOMPARE(s.grdData(i).geometry(), kUntouched);
        QCOMPARE(s.PicFile[i].rect, kUntouched);
        QCOMPARE(s.PicFile[i].visible, false);
        QCOMPARE(s.fraTool[i].rect.left, kUntouched.left);
        QCOMPARE(s.fraTool[i].cmdSaveEnabled(), false);
    }
    QCOMPARE(s.cmdDiffRect, kUntouched);
    QCOMPARE(s.cmdEndRect, kUntouched);
}

void TestLayout::lowSheetAreaSkipsOnlyTheSheets()
{
    // 1051 twips: laid out, but a sheet would get a negative height. Its move is skipped and the
    // panels, frames and buttons follow the sheets where they are.
    markUntouched();
    AppState &s = *m_state;
    s.clientWidth = 12000;
    s.clientHeight = 1051;
    Form_Resize(s);

    QCOMPARE(s.grdData(0).geometry(), kUntouched);
    QCOMPARE(s.PicFile[0].rect, (TwipsRect{kUntouched.left, 60, kUntouched.width, kUntouched.height + 400}));
    QCOMPARE(s.fraTool[0].rect.top, 90);
    QCOMPARE(s.fraTool[0].cmdSaveEnabled(), true);
    QCOMPARE(s.cmdGmnRect, (TwipsRect{6050, 451, 2900, kUntouched.height}));
}

void TestLayout::modeButtonWaitsForComparison()
{
    AppState &s = *m_state;
    s.clientWidth = 10000;
    s.clientHeight = 6000;
    Form_Resize(s);
    s.CompareRunning = true;
    cmdGmn_Click(s);
    QCOMPARE(s.displayMode, DisplayMode::Both);
    QCOMPARE(s.grdData(1).geometry(), (TwipsRect{5000, 470, 5000, 4850}));
    QCOMPARE(s.PicFile[1].visible, true);
}

void TestLayout::modeChangePlacesPanelsAndFrames()
{
    // A drop must reach the panel the person sees under the mouse: after "画面１" and back to
    // "画面１＋２", panel 0 may not still span the window and cover panel 1. A frame follows its
    // panel, and a hidden side's frame is off the screen with it.
    AppState &s = *m_state;
    s.clientWidth = 10000;
    s.clientHeight = 6000;
    Form_Resize(s);
    s.fraTool[0].visible = s.fraTool[1].visible = true; // both sides hold a sheet

    const QList<DisplayMode> modes{DisplayMode::Sheet1Alone, DisplayMode::Sheet2Alone, DisplayMode::Both};
    for (const DisplayMode mode : modes) {
        cmdGmn_Click(s);
        QCOMPARE(s.displayMode, mode);
        for (int i = 0; i < 2; ++i) {
            const TwipsRect sheet = s.grdData(i).geometry();
            const TwipsRect panel = s.PicFile[i].rect;
            QCOMPARE(panel.left, sheet.left);
            QCOMPARE(panel.width, sheet.width);
            QCOMPARE(s.fraTool[i].rect.left, panel.left + panel.width - kFrameWidth - 30);
            QCOMPARE(s.toolFrameShown(i), s.PicFile[i].visible);
        }
        if (mode == DisplayMode::Both)
            QVERIFY(s.PicFile[0].rect.left + s.PicFile[0].rect.width <= s.PicFile[1].rect.left);
    }
}

void TestLayout::hiddenSheetKeepsItsContents()
{
    AppState &s = *m_state;
    Sheet &sheet = s.grdData(1);
    sheet.setVisible(true);
    sheet.setRows(3);
    sheet.setCols(3);
    sheet.setTextMatrix(2, 2, u"残る"_s);
    sheet.setBackColorAt(2, 2, kDiffBackColor);
    s.clientWidth = 10000;
    s.clientHeight = 6000;
    s.displayMode = DisplayMode::Sheet1Alone;
    Form_Resize(s);

    QCOMPARE(sheet.geometry(), kAway);
    QVERIFY(sheet.isVisible());
    QCOMPARE(sheet.rows(), 3);
    QCOMPARE(sheet.textMatrix(2, 2), u"残る"_s);
    QCOMPARE(sheet.backColorAt(2, 2), kDiffBackColor);
}

void TestLayout::withdrawnOverwriteStaysDisabled()
{
    AppState &s = *m_state;
    s.clientWidth = 10000;
    s.clientHeight = 6000;
    s.fraTool[0].overwriteWithdrawn = true;
    Form_Resize(s);
    for (int click = 0; click < 6; ++click) {
        QVERIFY2(!s.fraTool[0].cmdSaveEnabled(), qPrintable(cmdGmnCaption(s.displayMode)));
        QCOMPARE(s.fraTool[0].cmdNameEnabled, s.displayMode != DisplayMode::Sheet2Alone);
        QCOMPARE(s.fraTool[1].cmdSaveEnabled(), s.displayMode != DisplayMode::Sheet1Alone);
        cmdGmn_Click(s);
        Form_Resize(s);
    }
    // A successful save-as gives the overwrite back at the next layout.
    s.fraTool[0].overwriteWithdrawn = false;
    ArrangeControls(s);
    QVERIFY(s.fraTool[0].cmdSaveEnabled());
}

void TestLayout::windowPlacementFitsTheScreen_data()
{
    QTest::addColumn<QRect>("remembered");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("placed");

    // A primary screen with a panel along its bottom, and a taller screen to its right.
    const QRect primary(0, 0, 1600, 960);
    const QRect second(1600, 0, 1280, 1024);
    const QList<QRect> two{primary, second};
    const QMargins titleBar(4, 24, 4, 4);
    // 100000000 twips at 96 dpi, and the largest number the settings file takes.
    constexpr int kHuge = 6666667;
    constexpr int kLargest = 143165577;

    QTest::newRow("a window that fits stays as it was")
        << QRect(100, 80, 600, 400) << QMargins() << two << QRect(100, 80, 600, 400);
    QTest::newRow("a huge size shrinks to the available area")
        << QRect(80, 80, kHuge, kHuge) << QMargins() << two << QRect(0, 0, 1600, 960);
    // The remembered place is the frame's, the result the inside's: placed there, the frame reads
    // back where it was, and the window does not creep by a title bar at each start.
    QTest::newRow("the frame comes back where it was")
        << QRect(100, 60, 600, 400) << titleBar << two << QRect(104, 84, 600, 400);
    QTest::newRow("a frame at the top edge keeps its title bar on the screen")
        << QRect(100, 0, 600, 400) << titleBar << two << QRect(104, 24, 600, 400);
    QTest::newRow("a frame above the top edge comes down to it")
        << QRect(100, -24, 600, 400) << titleBar << two << QRect(104, 24, 600, 400);
    QTest::newRow("the frame counts: the title bar stays on the screen")
        << QRect(80, 80, kHuge, kHuge) << titleBar << two << QRect(4, 24, 1592, 932);
    QTest::newRow("past the right and bottom edges: moved in")
        << QRect(1300, 700, 600, 400) << QMargins() << QList<QRect>{primary} << QRect(1000, 560, 600, 400);
    QTest::newRow("past the right edge with a frame: moved in, frame and all")
        << QRect(1300, 100, 600, 400) << titleBar << QList<QRect>{primary} << QRect(996, 124, 600, 400);
    QTest::newRow("on the second screen with a frame: that screen's top edge")
        << QRect(1700, -30, 600, 400) << titleBar << two << QRect(1704, 24, 600, 400);
    QTest::newRow("on the second screen it stays there")
        << QRect(1700, 100, 600, 400) << QMargins() << two << QRect(1700, 100, 600, 400);
    QTest::newRow("too large for the second screen: fits that screen")
        << QRect(1700, 50, 3000, 2000) << QMargins() << two << QRect(1600, 0, 1280, 1024);
    QTest::newRow("on a screen that is gone: the primary's corner")
        << QRect(-10000, 10000, 600, 400) << QMargins() << two << QRect(0, 0, 600, 400);
    QTest::newRow("on a screen that is gone and huge: the primary's corner, fitted")
        << QRect(-10000, 10000, kHuge, kHuge) << QMargins() << two << QRect(0, 0, 1600, 960);
    QTest::newRow("the largest numbers of the file")
        << QRect(kLargest, kLargest, kLargest, kLargest) << QMargins() << two << QRect(0, 0, 1600, 960);
    QTest::newRow("the most negative place with the largest size")
        << QRect(-kLargest, -kLargest, kLargest, kLargest) << QMargins() << two << QRect(0, 0, 1600, 960);
    QTest::newRow("a size too small to use takes the default")
        << QRect(100, 80, 100, 50) << QMargins() << two << QRect(100, 80, 960, 600);
    QTest::newRow("a size of zero takes the default")
        << QRect(100, 80, 0, 0) << QMargins() << two << QRect(100, 80, 960, 600);
    QTest::newRow("no screen: used as it is")
        << QRect(80, 80, kHuge, kHuge) << QMargins() << QList<QRect>() << QRect(80, 80, kHuge, kHuge);
}

void TestLayout::windowPlacementFitsTheScreen()
{
    QFETCH(QRect, remembered);
    QFETCH(QMargins, frame);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, placed);

    QCOMPARE(FitWindowPlacement(remembered, QSize(960, 600), screens, frame), placed);
}

void TestLayout::statusBarPartsShortenInTurn_data()
{
    QTest::addColumn<int>("available");
    QTest::addColumn<QList<int>>("wanted"); // sheet 1, sheet 2, the place among the differences
    QTest::addColumn<QList<int>>("widths");

    // Gaps of 10 between the parts.
    QTest::newRow("everything fits") << 500 << QList<int>{100, 120, 200} << QList<int>{100, 120, 200};
    QTest::newRow("the sheets' texts shorten evenly") << 400 << QList<int>{150, 150, 200} << QList<int>{90, 90, 200};
    QTest::newRow("a short sheet text leaves the rest to the other")
        << 400 << QList<int>{50, 300, 200} << QList<int>{50, 130, 200};
    QTest::newRow("the sheets' texts go first, then the place")
        << 120 << QList<int>{150, 150, 200} << QList<int>{0, 0, 100};
    QTest::newRow("no sheet shown yet") << 120 << QList<int>{0, 0, 300} << QList<int>{0, 0, 100};
}

void TestLayout::statusBarPartsShortenInTurn()
{
    QFETCH(int, available);
    QFETCH(QList<int>, wanted);
    QFETCH(QList<int>, widths);

    const std::array<int, 3> got = statusBarPartWidths(available, {wanted[0], wanted[1], wanted[2]}, 10);
    QCOMPARE((QList<int>{got[0], got[1], got[2]}), widths);
}

QTEST_GUILESS_MAIN(TestLayout)
#include "tst_layout.moc"
