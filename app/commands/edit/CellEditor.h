#pragma once

class AppState;
class UserInterface;

// The in-cell editor of the two sheets and the sheets' click marks. An edit of sheet i is in
// progress exactly while txtEdit(i) is visible. Every handler returns at once while a
// comparison runs.

// Commits edit box `index` into the current cell of its sheet — after an undo snapshot, then
// re-coloured against the other sheet — and hides the box. Nothing when the sheet is disabled
// (a command is changing cells by program) or no edit is in progress, so the several
// notifications that end an edit may come in any order.
void EndCellEdit(AppState &state, int index);
// Ends an edit of sheet `index` as Esc does: the cell keeps its text and gets back the background
// it had before the edit began, no snapshot is taken, and the sheet gets the focus. Nothing when
// no edit is in progress.
void CancelCellEdit(AppState &state, int index);

// A double click on sheet `index`: edit the current cell, starting from its text.
void grdData_DblClick(AppState &state, UserInterface &ui, int index);
// A character typed on sheet `index`: edit the current cell, starting from that character —
// while KeyEditArmed, and for every character but Esc and the control codes 2 and 20 to 29.
// Enter and Backspace start from the cell's text.
//
// Both refuse, with a message, to start from a text longer than an edit box holds: the box would
// show it cut, and a key typed there would store the cut text.
void grdData_KeyPress(AppState &state, UserInterface &ui, int index, int keyAscii);
// An input method began composing on sheet `index`: edit the current cell, as a typed character
// would, starting from an empty box in which the composition goes on.
void grdData_CompositionStart(AppState &state, int index);
// The current cell of sheet `index` is about to move: commit its edit and take the blue click
// marks off both sheets' current cells.
void grdData_LeaveCell(AppState &state, int index);
// A mouse button went down on sheet `index`: an edit open in the other sheet is committed now,
// before the press moves this sheet's current cell or selection. The commit re-compares the
// edited cell, which moves both sheets' current cells onto it; coming after the press, it would
// take the clicked cell's place.
void grdData_MouseDown(AppState &state, int index);
// A click on sheet `index`: with a single cell selected in the active sheet, its text turns blue,
// and when the other sheet has that cell, the other sheet moves there and shows it blue too.
void grdData_Click(AppState &state, int index);

// The edit box's events.
void txtEdit_KeyDown(AppState &state, int index, int keyCode, int shift);
void txtEdit_KeyPress(AppState &state, int index, int &keyAscii);
void txtEdit_LostFocus(AppState &state, int index);
// An input method dropped its composition in edit box `index` without committing text. When that
// composition opened the editor and nothing has been written into the box since, the edit ends
// as Esc ends it: the cell keeps its text and no snapshot is taken.
void txtEdit_CompositionCancel(AppState &state, int index);
