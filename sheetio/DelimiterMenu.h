#pragma once

#include <functional>

class AppState;

// "区切り文字を設定" of the settings menu. `showDialogModally` shows the delimiter dialog (Form3)
// and returns when it is closed. Sheets already loaded were split under the old setting, so any
// change of DelimiterMode or UserDelimiter clears the window (cmdClr_Click) for new loads.
// Does nothing while a comparison runs.
void mnuKukan_Click(AppState &state, const std::function<void()> &showDialogModally);
