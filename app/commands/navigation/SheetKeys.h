#pragma once

class AppState;
class UserInterface;

// A key down on sheet `index`: the sheets' shortcut keys. Delete (with any modifiers) deletes the
// block's contents; Ctrl alone with C copies, V pastes, X cuts, Z undoes (when the sheet holds a
// snapshot), F opens the search dialog, M copies the block to the other sheet (when both sheets
// are shown). The block's corners are put in order first, as a mouse release does. KeyEditArmed
// is set by every key and cleared by one that matched a shortcut (Ctrl+Z even without a
// snapshot). F8 and Shift+F8 go to the next and previous difference. The sheet gets the focus
// back afterwards, whatever the key. Nothing while a comparison runs.
void grdData_KeyDown(AppState &state, UserInterface &ui, int index, int keyCode, int shift);

// Sheet `index` got the focus: it becomes the active sheet, and an edit of it ends (committed).
// Nothing while a comparison runs.
void grdData_GotFocus(AppState &state, int index);
