#pragma once

#include <QString>

class AppState;

// The texts of the status bar under the buttons.

// Sheet `index` as loaded: "ファイル１　32766 行 × 100 列　UTF-8　CRLF　区切り ,". The line end is
// "混在" when rows of the file ended in different ways; empty while the sheet is not shown.
[[nodiscard]] QString statusSheetText(const AppState &state, int index);

// Where the person stands among the differences: "差分 k / N（r行 c列）" on a marked position of
// the active sheet (k its place in the order F8 steps in, N every marked position of both
// sheets), else "差分 N 個"; then "比較後に変更あり" once a sheet changed after the comparison, and
// the remark the last step left ("最後の差分です") while the current cell is where it was made.
// Before the first comparison only such a remark. Last, the comparison options in force, if any.
[[nodiscard]] QString statusDifferenceText(const AppState &state);
