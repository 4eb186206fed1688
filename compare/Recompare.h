#pragma once

class AppState;

// Whether both sheets are shown and the other sheet has a cell at the current cell of `sheet`.
// Only the current cell is tested, never the selection corner; any other index than 0 or 1 answers
// true when both sheets are shown.
[[nodiscard]] bool PartnerHasCurrentCell(const AppState &state, int sheet);

// Re-colours the current block of `sheet` (current cell to selection corner, as the caller left
// it ordered) and the same cells of the other sheet: differing pairs light red, equal pairs the
// window colour. Both sheets' current cells walk the block and end on its bottom-right cell. The
// pass stops at the first cell one of the sheets lacks; drawing is on on both sheets afterwards,
// whatever it was before. Callers that do not want the tool tips to follow the walk disable the
// sheets first.
void RecompareSelection(AppState &state, int sheet);

// Row/column change of sheet `index`: both sheets' tool tips show "<text of sheet 0> : <text of
// sheet 1>" at the new current cell, or nothing when the other sheet lacks that cell. Does
// nothing during a comparison or while the sheet is disabled.
void grdData_RowColChange(AppState &state, int index);
