#pragma once

#include "DelimiterRules.h"

#include <QString>

class AppState;
class UserInterface;

// "区切り文字を設定" of the settings menu: shows the delimiter dialog (Form3) modally. Sheets
// already loaded were split under the old setting, so any change of DelimiterMode or
// UserDelimiter clears the window (cmdClr_Click) for new loads — after asking about unsaved
// changes, which are saved with the old setting; a cancel keeps the old setting and the sheets.
// Does nothing while a comparison runs.
void mnuKukan_Click(AppState &state, UserInterface &ui);

// "保存" of the delimiter dialog: stores the option in DelimiterMode and the box's text in
// UserDelimiter (in both modes, so that switching back finds the last delimiter) and answers
// true, so the dialog closes. A blank delimiter with the delimiter option is refused with the
// settings error message and changes nothing: false, the dialog stays open. The comma option
// does not look at the text.
[[nodiscard]] bool SaveDelimiterChoice(AppState &state, UserInterface &ui, DelimiterOption option, const QString &text);
