#pragma once

class AppState;
class UserInterface;

// The clipboard commands on the selected block of the active sheet, rows Row to RowSel and
// columns Col to ColSel with the corners in order (the caller orders them). None shows a message
// and none does anything while a comparison runs.
//
// Clipboard text: one line per row of the block, its cells joined by TAB, CR LF after every line
// the last included; no quoting or escaping, so a TAB or CR LF inside a cell becomes a separator
// when the text is pasted again.

// "コピー" (Ctrl+C): the block's text onto the clipboard. Changes no cell, colour or undo state.
void mnuCopy_Click(AppState &state, UserInterface &ui);

// "削除" (Delete): empties the block's cells after an undo snapshot, keeps the rows and columns,
// and re-colours the block against the other sheet when both sheets are shown.
void mnuDel_Click(AppState &state, UserInterface &ui);

// "切り取り" (Ctrl+X): copy, then delete (the delete runs even when the copy failed).
void mnuCut_Click(AppState &state, UserInterface &ui);

// "貼り付け" (Ctrl+V): writes the clipboard's lines into the active sheet from its current cell
// down and to the right, after an undo snapshot. Text after the last line end is ignored; fields
// beyond the sheet's last row or column are dropped, and an information message then names the
// rows and columns left out; the sheet never changes its size. When
// both sheets are shown and the other sheet has the current cell, every pasted cell is
// re-coloured against the other sheet — light red or the window colour, magenta where the other
// sheet lacks the cell — and both sheets' current cells end on the last pasted cell.
void mnuPeast_Click(AppState &state, UserInterface &ui);
