#pragma once

#include <QString>

class AppState;

// The main window's arrangement, in twips of its client area (AppState::clientWidth and
// clientHeight): the two sheets for the display mode, their drop panels and tool frames, and the
// four buttons along the bottom.
//
// The display mode is the tag of the mode button: "0" both sheets side by side, "1" sheet 1
// alone, "2" sheet 2 alone. A sheet that is not shown is moved off the window (left -500,
// top -500, no size); its visible flag, contents and colours stay as they are, so the
// comparison and the editing commands still see it.

// Places the two sheets for the current mode, shows or hides the drop panels and enables the
// save buttons of the shown sides. A tag other than the three modes changes nothing.
void ArrangeControls(AppState &state);

// The full layout after the window was resized or first shown. A client height of 1050 twips or
// less moves nothing. A step that would give a control a negative width or height is skipped
// and the remaining steps still run.
void Form_Resize(AppState &state);

// Steps the display mode: both → sheet 1 → sheet 2 → both. Only the sheets follow at once; the
// panels, tool frames and buttons follow at the next resize. Nothing happens while a comparison
// runs.
void cmdGmn_Click(AppState &state);

// The mode button's caption for a tag: the mode in force. Empty for an unknown tag.
[[nodiscard]] QString cmdGmnCaption(const QString &tag);
