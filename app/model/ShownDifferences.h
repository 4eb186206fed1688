#pragma once

#include <QString>

class AppState;

// 「差分のある行だけ表示」 and 「差分のある列だけ表示」: which rows and columns the two sheets show.
//
// While an item is checked, both sheets show the rows (columns) in which either sheet holds a
// marked position, a differing cell or one only that sheet has, and hide the others, in step: a
// row number is shown on both sheets or on neither. The set is taken from the marks when a
// comparison ends (a comparison, the re-comparison after a line-up, an undo or redo that brings
// the marks back), never while the person edits, so that a row does not vanish under the cursor
// when its last difference is typed away; rows and columns inserted meanwhile are shown. Without
// marks (no comparison, or nothing differs) every row and column is shown.
void refreshShownDifferences(AppState &state);

// Why a command that changes a block of whole rows or columns, or copies a block to the other
// sheet, refused a block with hidden rows or columns between its corners: it would reach cells
// the person does not see. `item` names the command.
[[nodiscard]] QString hiddenLinesRefusal(const QString &item);

// Whether either sheet hides rows or columns now.
[[nodiscard]] bool sheetsHideLines(const AppState &state);
