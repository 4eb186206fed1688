#pragma once

#include <QString>
#include <QtGlobal>

class AppState;
class UserInterface;

// What one comparison run found. The window only shows the result message; the command-line
// companion reports these values itself.
struct CompareResult
{
    qint32 count = 0; // positions of the common area whose texts differ (counted so far if cancelled)
    bool sizesDiffer = false; // at least one cell outside the common area was marked
    bool cancelled = false; // the run was stopped with "中止"
};

// The result message of a finished run, as the compare button shows it: "差はありません" or
// "差が　N　個あります", with a second line "サイズに差異があります" after CR LF when the sizes differ.
[[nodiscard]] QString compareResultMessage(const CompareResult &result);

// Compares grdData(0) with grdData(1) cell by cell at equal positions and colours the result:
// differing pairs light red, data cells only the larger sheet has magenta. The header row and
// column are never compared or coloured.
//
// ShowProgress true is the compare button's run: progress dialog, cancel polled after every row,
// result message, and equal pairs keep whatever background they have. ShowProgress false is the
// silent run after undo or a row/column insertion or deletion: no dialog, no result message, and
// every equal pair of the common area is reset to the window colour so stale marks disappear.
//
// Both sheets must be visible (the callers check). CompareRunning is set for the whole run; the
// run yields to the event loop after every extra row or column and, with progress, after every
// data row. A failing sheet step is skipped and the run goes on.
CompareResult CompareSheets(AppState &state, UserInterface &ui, bool ShowProgress);

// The compare button "比較開始". Returns true when a comparison ran, after which the window gives
// itself the keyboard focus.
[[nodiscard]] bool cmdDiff_Click(AppState &state, UserInterface &ui);
