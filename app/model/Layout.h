#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>

#include <array>

class AppState;
enum class DisplayMode;

// The main window's arrangement, in twips of its client area (AppState::clientWidth and
// clientHeight): the two sheets for the display mode, their drop panels and tool frames, and the
// four buttons along the bottom.
//
// The display mode (AppState::displayMode) is both sheets side by side, sheet 1 alone or sheet 2
// alone. A sheet that is not shown is moved off the window (left -500, top -500, no size); its
// visible flag, contents and colours stay as they are, so the comparison and the editing
// commands still see it.

// Places the two sheets for the current mode, shows or hides the drop panels and enables the
// save buttons of the shown sides.
void ArrangeControls(AppState &state);

// Sets the display mode and lays the window out for it at once: the sheets, and the drop panels
// and tool frames that belong to them. A drop must always reach the panel the person sees under
// the mouse, so the panels never wait for the next resize.
void SetDisplayMode(AppState &state, DisplayMode mode);

// The full layout after the window was resized or first shown. A client height of 1050 twips or
// less moves nothing. A step that would give a control a negative width or height is skipped
// and the remaining steps still run.
void Form_Resize(AppState &state);

// Steps the display mode: both → sheet 1 → sheet 2 → both (SetDisplayMode). Nothing happens
// while a comparison runs.
void cmdGmn_Click(AppState &state);

// The mode button's caption: the mode in force.
[[nodiscard]] QString cmdGmnCaption(DisplayMode mode);

// The smallest client area, in twips, at which every control can still be used: with both sheets
// side by side, each strip above a sheet holds its save buttons and a shortened file name, the
// buttons along the bottom hold their captions, and a sheet shows a few rows. No wider than the
// 9000 twips a settings file may well remember.
inline constexpr int kMinClientWidth = 9000;
inline constexpr int kMinClientHeight = 2950;

// The widths of the status bar's parts, in pixels: sheet 1's text, sheet 2's text and, at the
// right, where the person stands among the differences. `wanted` are the widths the three texts
// need, `available` the room of the bar, `gap` the room between two parts. Where the room is
// short, the sheets' texts shorten first, evenly (one that needs less leaves the rest to the
// other), to nothing if need be; the place among the differences shortens last.
[[nodiscard]] std::array<int, 3> statusBarPartWidths(int available, const std::array<int, 3> &wanted, int gap);

// The smallest remembered size of the main window's inside, in pixels, that is still used.
inline constexpr QSize kMinWindowSize{200, 150};

// Where the main window opens, in pixels. `remembered` is the frame's top-left and the inside's
// size as the settings give them; `screens` are the available areas of the attached screens, the
// primary screen first; `frame` is what the window frame adds around the inside, where known. The
// result is the inside's place and size: the frame around it lies where the settings put it, so
// the place the window is closed at is the place it opens at, title bar and all.
//
// A remembered size too small to use (below kMinWindowSize) gives way to `defaultSize`. The
// window opens on the screen that holds the largest part of it, or at the top-left corner of the
// primary screen when no screen holds any (the screen it was on is gone). There it is made to
// fit, the frame included: no larger than the screen's available area, and moved in from any
// edge it would pass, so that the title bar can always be reached. The settings file is plain
// text anyone may edit; a size of 100000000 twips must still give a window the person can see and
// reach. With no screen at all, the sizes are used as they are.
[[nodiscard]] QRect FitWindowPlacement(const QRect &remembered, const QSize &defaultSize, const QList<QRect> &screens,
                                       const QMargins &frame = {});
