#pragma once

class AppState;
class UserInterface;

// One level of undo per sheet. Before a command changes the cells of sheet i it asks for a
// snapshot; with "元に戻す(Undo)機能を使用する" checked the sheet's texts, counts and headers are
// kept in its hidden twin grdBak1(i) and UndoAvailable(i) is set. A snapshot holds no colours,
// current cell, selection, scroll position or column widths. Switching the option off keeps the
// snapshot already held; loading, clearing and new sheets leave it too.

// Takes the snapshot of sheet `index` (0 or 1), replacing the previous one, and marks the sheet
// changed: every command calls it just before it changes the sheet. No snapshot when the option
// is off. Never fails: the twin shares the sheet's storage until one of them is written.
void SaveUndoSnapshot(AppState &state, int index);

// Puts the snapshot back into sheet `index`: its counts, texts and headers, while every cell keeps
// the colour its position has. The blue click marks of both sheets go, and the pair is compared
// again in silence when both sheets are shown. UndoAvailable(index) is cleared; the sheet counts
// as changed.
void RestoreUndoSnapshot(AppState &state, UserInterface &ui, int index);

// "元に戻す" (Ctrl+Z): restores the active sheet's snapshot with both sheets disabled, then puts
// its selection back as far as it fits. The caller checks UndoAvailable. Nothing while a
// comparison runs.
void mnuZ_Click(AppState &state, UserInterface &ui);
