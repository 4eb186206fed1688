#pragma once

#include <QString>

class AppState;
class UserInterface;

// The "差分" menu: stepping through the differences the comparisons marked, and lining up the
// rows of two sheets that differ by inserted or deleted rows.

enum class StepDirection { Next, Previous };

// "次の差分へ" (F8) and "前の差分へ" (Shift+F8): moves the current cell of the active sheet to the
// next (or previous) light red or magenta cell in reading order, row by row and left to right,
// starting from the current cell and never wrapping; at the end it beeps and stays. The colours
// are the record: a cell coloured by any re-comparison since is found, a cell made equal since
// is not. The found cell is scrolled into view in both sheets and marked blue as a click marks
// it, the other sheet moving to it when it has it. Nothing while a comparison runs.
void GoToDifference(AppState &state, UserInterface &ui, StepDirection direction);

// "行を揃える": with both sheets shown, matches identical rows (equal in every column both sheets
// have) and gives each sheet empty rows where the other has rows it lacks, then compares again
// in silence. Each sheet that changes gets its undo snapshot first and its row headers
// renumbered, and its inserted rows become filler rows (light grey where they differ, left out of
// a save while empty). An information message says how many rows each sheet got, or that the
// rows already line up; a message and no change when a sheet would pass the row limit. Nothing
// while a comparison runs.
void mnuAlign_Click(AppState &state, UserInterface &ui);
