#pragma once

#include <QString>

class AppState;
class UserInterface;

// The "差分" menu: stepping through the differences the comparisons marked, and lining up the
// rows of two sheets that differ by inserted or deleted rows.

enum class StepDirection { Next, Previous, First, Last };

// "次の差分へ" (F8), "前の差分へ" (Shift+F8), "最初の差分へ" (Alt+Home) and "最後の差分へ" (Alt+End):
// moves to the next (previous, first, last) position the comparisons marked, light red or
// magenta, in reading order over the union of both sheets' cells, row by row and left to right,
// starting from the active sheet's current cell and never wrapping. The list of marked positions
// is the record, and it follows every re-comparison: a cell coloured since is found, a cell made
// equal since is not.
//
// Both sheets go to the found position: the one that has the cell makes it current, marked blue
// as a click marks it, and becomes the active sheet (so a magenta cell only the other sheet has
// is reached from the smaller sheet too); a sheet that lacks it scrolls as near as it can. At the
// end of the list it beeps, stays, and the status bar says so. Nothing while a comparison runs.
void GoToDifference(AppState &state, UserInterface &ui, StepDirection direction);

// 「差分のある行だけ表示」 and 「差分のある列だけ表示」 (check items, also buttons on the status bar):
// switch between every row (column) and only those that hold a marked position, on both sheets in
// step (ShownDifferences.h). Checking one before any comparison, or when nothing differs, says so
// and leaves it unchecked. The current cell stays where it is when it is shown and moves to the
// nearest shown one otherwise, and stays in view.
void mnuDiffRowsOnly_Click(AppState &state, UserInterface &ui);
void mnuDiffColsOnly_Click(AppState &state, UserInterface &ui);

// "行を揃える": with both sheets shown, matches identical rows (equal in every column both sheets
// have) and gives each sheet empty rows where the other has rows it lacks, then compares again
// in silence. Each sheet that changes gets its undo snapshot first and its row headers
// renumbered, and its inserted rows become filler rows (light grey where they differ, left out of
// a save while empty). An information message says how many rows each sheet got, or that the
// rows already line up; a message and no change when a sheet would pass the row limit. Nothing
// while a comparison runs.
void mnuAlign_Click(AppState &state, UserInterface &ui);

// "列を揃える": with both sheets shown, matches the columns by their headings (row 1) under the
// comparison options and gives each sheet empty filler columns where the other has columns it
// lacks, then compares again in silence. When the headings share fewer than half of their names
// it asks whether to match the columns by the likeness of their values instead. Each sheet that
// changes gets its undo snapshot first and its column headers renumbered; its filler columns are
// light grey where they differ and left out of a save while empty. A message and no change when a
// sheet would pass the column limit or its cell capacity. Nothing while a comparison runs.
void mnuAlignCols_Click(AppState &state, UserInterface &ui);
