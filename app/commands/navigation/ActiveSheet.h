#pragma once

class AppState;

// Puts the corners of sheet `index`'s selection in order — Row ≤ RowSel, Col ≤ ColSel — without
// changing the selected block, so that the current cell is its top-left cell. A block extended
// upward or leftward is then handled like the same block selected the other way.
void NormaliseSelection(AppState &state, int index);

// A mouse-button release over sheet `index`, whichever button: that sheet becomes the active
// sheet, the one the commands act on, and its selection is put in order. Ignored while a
// comparison runs.
void grdData_MouseUp(AppState &state, int index);
