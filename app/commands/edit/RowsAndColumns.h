#pragma once

#include <QString>

class AppState;
class UserInterface;

// "行追加" / "列追加" and "行削除" / "列削除": insert or delete whole rows or whole columns of the
// active sheet, as many as its selected block spans (rows Row to RowSel, columns Col to ColSel,
// corners in order). The caption of the chosen item is what says rows or columns; a caption that
// names neither changes nothing. Each takes an undo snapshot first and renumbers the headers of
// the changed direction; afterwards the active sheet is enabled and drawn again and, when both
// sheets are shown, the pair is compared again in silence, because every cell behind the change
// faces another partner now. Nothing while a comparison runs.
//
// Rows take their colours with them; columns leave the colours where they are (only the texts
// move). A sheet keeps at least one data row and one data column: a delete that would take the
// last one removes the others. An insertion that would pass 32767 rows or columns inserts what
// fits. Either way the headers are numbered afresh, so that they never name rows or columns that
// have moved.
void mnuGAdd_Click(AppState &state, UserInterface &ui, const QString &caption);
void mnuGDel_Click(AppState &state, UserInterface &ui, const QString &caption);
