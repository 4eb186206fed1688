#pragma once

class AppState;
class UserInterface;

// "相手へコピー" (Ctrl+M): copies the texts of the active sheet's selected block into the same
// rows and columns of the other sheet, after an undo snapshot of the other sheet (the undo for
// this command is the receiving sheet's), then re-colours the block in both sheets. Nothing
// happens unless both sheets are shown and the other sheet has the block's top-left cell. Where
// the block runs past the other sheet's last row or column, every cell the other sheet has is
// copied and re-coloured, and an information message names the rows and columns left out.
// Nothing while a comparison runs.
void mnuSend_Click(AppState &state, UserInterface &ui);
