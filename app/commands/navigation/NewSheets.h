#pragma once

#include "HeaderNumbers.h"

class AppState;
class UserInterface;

// "新規作成" of the file menu: an empty 10 x 10 sheet on the first free side (sheet 1 preferred).
// A side is free while its sheet is hidden. The new sheet has no file, so its overwrite-save is
// withdrawn until a save-as succeeds. Does nothing while a comparison runs.
void mnuNew_Click(AppState &state, UserInterface &ui);

// "新規読込": empties and hides both sheets, forgets their files, their unsaved changes and the
// comparison's marks, count and remarks, and shows the window as it looked at start, so that two
// new files can be dropped. Whoever calls it has asked about the changes. Row and column counts,
// the undo copies and the undo flags stay as they are. Does nothing while a comparison runs.
void cmdClr_Click(AppState &state);

// The header texts of NumberRowHeaders(Sheet &) and NumberColumnHeaders(Sheet &), for sheet `index`.
void NumberRowHeaders(AppState &state, int index);
void NumberColumnHeaders(AppState &state, int index);

// "新規作成" is offered while at least one side is free. Left as it is while a comparison runs.
void UpdateNewMenuState(AppState &state);

// Draws the hint texts on both drop panels. Does not clear them first: whoever redraws the hints
// on a used panel clears it.
void ResetDropPanels(AppState &state);
