#include "Layout.h"

#include "AppState.h"
#include "CommandTable.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString kCaptionBoth = u"画面１＋２"_s;
const QString kCaptionSheet1 = u"画面１"_s;
const QString kCaptionSheet2 = u"画面２"_s;

constexpr int kSheetTop = 470;
constexpr int kSheetHeightMargin = 1150; // client height − sheet height
constexpr TwipsRect kAwayRect{-500, -500, 0, 0}; // where a sheet that is not shown waits
constexpr int kPanelTop = 60;
constexpr int kPanelExtraHeight = 400; // the strip above the sheet with the file name and tools
constexpr int kToolFrameTopOffset = 30;
constexpr int kToolFrameRightMargin = 30;
constexpr int kButtonBottomOffset = 600; // client height − top of the bottom buttons
constexpr int kButtonLeftMargin = 50;
constexpr int kButtonGap = 100; // a quarter of the width − a button's width
constexpr int kSmallestLaidOutHeight = 1050; // this or less: nothing is moved
constexpr int kMinFileNameRoom = 850; // of a strip, left of its tool frame
constexpr int kMinSheetHeight = 1800; // the header row, a few rows and the scroll bar
static_assert(kMinClientWidth / 2 >= ToolFrame::kWidth + kToolFrameRightMargin + kMinFileNameRoom);
static_assert(kMinClientHeight >= kSheetHeightMargin + kMinSheetHeight);

// A control refuses a negative size; that one step is skipped.
void moveSheet(AppState &state, int index, const TwipsRect &rect)
{
    if (rect.width < 0 || rect.height < 0)
        return;
    state.grdData(index).setGeometry(rect);
}

void setWidth(TwipsRect &rect, int width)
{
    if (width >= 0)
        rect.width = width;
}

void setHeight(TwipsRect &rect, int height)
{
    if (height >= 0)
        rect.height = height;
}

// Enables the save buttons of a shown side (a withdrawn overwrite-save stays withdrawn, see
// ToolFrame) and shows its drop panel.
void showSide(AppState &state, int index, bool shown)
{
    state.fraTool[index].cmdNameEnabled = shown;
    state.PicFile[index].visible = shown;
}

// Each panel spans its sheet and the strip above it; each tool frame sits at the strip's right.
void placePanelsAndFrames(AppState &state)
{
    for (int i = 0; i < 2; ++i) {
        const TwipsRect sheet = state.grdData(i).geometry();
        TwipsRect &panel = state.PicFile[i].rect;
        panel.top = kPanelTop;
        panel.left = sheet.left;
        setWidth(panel, sheet.width);
        setHeight(panel, sheet.height + kPanelExtraHeight);
    }

    for (int i = 0; i < 2; ++i) {
        const TwipsRect &panel = state.PicFile[i].rect;
        TwipsRect &frame = state.fraTool[i].rect;
        frame.top = panel.top + kToolFrameTopOffset;
        frame.left = panel.left + panel.width - frame.width - kToolFrameRightMargin;
    }
}

// A quarter of the client width, rounded to the nearest whole twip, halves to the even one. It is
// not held to 16 bits: a client wider than 131068 twips would overflow and stack all four buttons.
int quarterWidth(int clientWidth)
{
    const int q = clientWidth / 4;
    switch (clientWidth % 4) {
    case 3:
        return q + 1;
    case 2:
        return (q % 2 == 0) ? q : q + 1;
    case -3:
        return q - 1;
    case -2:
        return (q % 2 == 0) ? q : q - 1;
    default:
        return q;
    }
}
} // namespace

void ArrangeControls(AppState &state)
{
    const int width = state.clientWidth;
    const int half = width / 2;
    const int height = state.clientHeight - kSheetHeightMargin;

    switch (state.displayMode) {
    case DisplayMode::Both:
        moveSheet(state, 0, {0, kSheetTop, half, height});
        moveSheet(state, 1, {half, kSheetTop, half, height});
        showSide(state, 0, true);
        showSide(state, 1, true);
        break;
    case DisplayMode::Sheet1Alone:
        moveSheet(state, 0, {0, kSheetTop, width, height});
        moveSheet(state, 1, kAwayRect);
        showSide(state, 0, true);
        showSide(state, 1, false);
        break;
    case DisplayMode::Sheet2Alone:
        moveSheet(state, 1, {0, kSheetTop, width, height});
        moveSheet(state, 0, kAwayRect);
        showSide(state, 1, true);
        showSide(state, 0, false);
        break;
    }
}

void SetDisplayMode(AppState &state, DisplayMode mode)
{
    state.displayMode = mode;
    ArrangeControls(state);
    // Before the window has been laid out once there is nothing to place against.
    if (state.clientHeight > kSmallestLaidOutHeight)
        placePanelsAndFrames(state);
}

void Form_Resize(AppState &state)
{
    if (state.clientHeight <= kSmallestLaidOutHeight)
        return;

    ArrangeControls(state);
    placePanelsAndFrames(state);

    const int buttonTop = state.clientHeight - kButtonBottomOffset;
    state.cmdDiffRect.top = buttonTop;
    state.cmdEndRect.top = buttonTop;
    state.cmdClrRect.top = buttonTop;
    state.cmdGmnRect.top = buttonTop;

    // Each button takes cmdDiff's width as it stands: when the quarter is too narrow for a
    // button, cmdDiff keeps its old width and so do the others.
    const int q = quarterWidth(state.clientWidth);
    state.cmdDiffRect.left = kButtonLeftMargin;
    setWidth(state.cmdDiffRect, q - kButtonGap);
    state.cmdClrRect.left = q + kButtonLeftMargin;
    setWidth(state.cmdClrRect, state.cmdDiffRect.width);
    state.cmdGmnRect.left = 2 * q + kButtonLeftMargin;
    setWidth(state.cmdGmnRect, state.cmdDiffRect.width);
    state.cmdEndRect.left = 3 * q + kButtonLeftMargin;
    setWidth(state.cmdEndRect, state.cmdDiffRect.width);
}

void cmdGmn_Click(AppState &state)
{
    if (!commandMayRun(state, Command::Gmn))
        return;
    switch (state.displayMode) {
    case DisplayMode::Both:
        SetDisplayMode(state, DisplayMode::Sheet1Alone);
        break;
    case DisplayMode::Sheet1Alone:
        SetDisplayMode(state, DisplayMode::Sheet2Alone);
        break;
    case DisplayMode::Sheet2Alone:
        SetDisplayMode(state, DisplayMode::Both);
        break;
    }
}

QString cmdGmnCaption(DisplayMode mode)
{
    switch (mode) {
    case DisplayMode::Both:
        return kCaptionBoth;
    case DisplayMode::Sheet1Alone:
        return kCaptionSheet1;
    case DisplayMode::Sheet2Alone:
        return kCaptionSheet2;
    }
    return {};
}

std::array<int, 3> statusBarPartWidths(int available, const std::array<int, 3> &wanted, int gap)
{
    const int room = std::max(available - 2 * gap, 0);
    const int place = std::clamp(wanted[2], 0, room);
    const int rest = room - place;
    const int first = std::max(wanted[0], 0);
    const int second = std::max(wanted[1], 0);
    if (first + second <= rest)
        return {first, second, place};
    const int half = rest / 2;
    if (first <= half)
        return {first, rest - first, place};
    if (second <= half)
        return {rest - second, second, place};
    return {half, rest - half, place};
}

QRect FitWindowPlacement(const QRect &remembered, const QSize &defaultSize, const QList<QRect> &screens,
                         const QMargins &frame)
{
    QSize size = remembered.size();
    if (size.width() < kMinWindowSize.width() || size.height() < kMinWindowSize.height())
        size = defaultSize;
    QPoint topLeft = remembered.topLeft();
    const QPoint inside(frame.left(), frame.top());
    if (screens.isEmpty())
        return {topLeft + inside, size};

    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    // 64-bit sums: a remembered place and size may each be near the largest int.
    const auto overlap = [&](const QRect &screen) {
        const qint64 left = std::max<qint64>(topLeft.x(), screen.left());
        const qint64 right
            = std::min<qint64>(qint64(topLeft.x()) + size.width() + frameWidth, qint64(screen.right()) + 1);
        const qint64 top = std::max<qint64>(topLeft.y(), screen.top());
        const qint64 bottom
            = std::min<qint64>(qint64(topLeft.y()) + size.height() + frameHeight, qint64(screen.bottom()) + 1);
        return right > left && bottom > top ? (right - left) * (bottom - top) : qint64(0);
    };
    const auto found = std::max_element(screens.cbegin(), screens.cend(),
                                        [&](const QRect &a, const QRect &b) { return overlap(a) < overlap(b); });
    const bool onScreen = overlap(*found) > 0;
    const QRect screen = onScreen ? *found : screens.first();
    if (!onScreen)
        topLeft = screen.topLeft();

    size.setWidth(std::min(size.width(), std::max(1, screen.width() - frameWidth)));
    size.setHeight(std::min(size.height(), std::max(1, screen.height() - frameHeight)));
    // The right and bottom edges first, then the left and top, so that the top-left corner, with
    // the title bar, stays on the screen whatever the frame.
    topLeft.setX(std::min(topLeft.x(), screen.left() + screen.width() - size.width() - frameWidth));
    topLeft.setY(std::min(topLeft.y(), screen.top() + screen.height() - size.height() - frameHeight));
    topLeft.setX(std::max(topLeft.x(), screen.left()));
    topLeft.setY(std::max(topLeft.y(), screen.top()));
    return {topLeft + inside, size};
}
