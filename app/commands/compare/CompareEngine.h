#pragma once

#include "ColumnAlignment.h"
#include "CompareResult.h"
#include "RowAlignment.h"

class AppState;
class Sheet;
class UserInterface;

// Compares grdData(0) with grdData(1) cell by cell at equal positions and colours the result:
// differing pairs light red (light grey on a sheet's filler row), data cells only the larger
// sheet has magenta. The header row and
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

// Takes the marks of the last comparison off both sheets: once either sheet has new contents,
// every mark in the other one is stale too, and so are the status bar's count and remarks.
void ClearComparisonColours(AppState &state);

// The compare button "比較開始". Returns true when a comparison ran, after which the window gives
// itself the keyboard focus.
[[nodiscard]] bool cmdDiff_Click(AppState &state, UserInterface &ui);

// Lining up on a sheet of the window: the empty rows `alignment` gives sheet `index` go in as
// one change of its shape, so the view hears of them once, and become filler rows. Rows that do
// not fit raise GridError before anything changes.
void insertAlignedRows(Sheet &sheet, const RowAlignment &alignment, int index);
// The same for the filler columns of a column line-up; each group of them is one change of shape.
void insertAlignedCols(Sheet &sheet, const ColumnAlignment &alignment, int index);
