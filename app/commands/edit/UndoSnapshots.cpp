#include "UndoSnapshots.h"

#include "AppState.h"
#include "CommandTable.h"
#include "CompareEngine.h"
#include "GridError.h"
#include "SheetLock.h"

namespace
{
bool isSheetIndex(int index)
{
    return index == 0 || index == 1;
}
} // namespace

void SaveUndoSnapshot(AppState &state, int index)
{
    if (!isSheetIndex(index))
        return;
    // Every command asks for a snapshot just before it changes the sheet, undo on or off: the
    // one place that learns of them all.
    state.SheetChanged[index] = true;
    state.ChangedSinceComparison = true;
    if (!state.mnuUndoChecked)
        return;
    // The twin shares the sheet's storage (texts, counts, headers) until either is written; its
    // colours are never read back.
    state.grdBak1(index).setData(state.grdData(index).data());
    state.UndoAvailable[index] = true;
}

void RestoreUndoSnapshot(AppState &state, UserInterface &ui, int index)
{
    if (!isSheetIndex(index))
        return;
    Sheet &sheet = state.grdData(index);
    const bool restored = ignoreGridErrors([&] {
        clearClickMarks(state);
        sheet.setRedraw(false);
        sheet.restoreSnapshot(state.grdBak1(index).data());
    });
    // A sheet is never left undrawn, not even by a restore that failed.
    sheet.setRedraw(true);
    if (!restored)
        return;
    // An undo back to the saved state still counts as a change: simple, and never wrong in the
    // direction that loses work.
    state.SheetChanged[index] = true;
    state.ChangedSinceComparison = true;
    if (state.grdData(0).isVisible() && state.grdData(1).isVisible())
        CompareSheets(state, ui, false);
    state.UndoAvailable[index] = false;
}

void mnuZ_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Z))
        return;
    const int index = activeSheetIndex(state);
    ignoreGridErrors([&] { clearClickMarks(state); });
    for (int i = 0; i < 2; ++i)
        state.grdData(i).setEnabled(false);
    if (index >= 0) {
        Sheet &sheet = state.grdData(index);
        const int col = sheet.col();
        const int row = sheet.row();
        const int colSel = sheet.colSel();
        const int rowSel = sheet.rowSel();
        RestoreUndoSnapshot(state, ui, index);
        // Put back as far as it fits the restored sheet, each value on its own.
        ignoreGridErrors([&] { sheet.setCol(col); });
        ignoreGridErrors([&] { sheet.setRow(row); });
        ignoreGridErrors([&] { sheet.setColSel(colSel); });
        ignoreGridErrors([&] { sheet.setRowSel(rowSel); });
    }
    for (int i = 0; i < 2; ++i)
        state.grdData(i).setEnabled(true);
}
