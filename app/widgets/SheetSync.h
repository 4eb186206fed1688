#pragma once

class AppState;

// The two grids kept in step as the person scrolls one or widens a column of one: what the main
// window connects to each sheet's scroll and column-resize notifications.

// Scroll of sheet `index`: the other sheet scrolls to the same top row and left column, when it
// has the current cell of the scrolled sheet.
void grdData_Scroll(AppState &state, int index);

// Column `col` of sheet `index` changed its width (the person dragged its edge): the other sheet's
// column of the same number takes the same width, when it has that column, so that the two grids
// stay lined up as they scroll together.
void grdData_ColResize(AppState &state, int index, int col);
