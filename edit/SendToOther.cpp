#include "SendToOther.h"

#include "AppState.h"
#include "GridError.h"
#include "Recompare.h"
#include "SheetLock.h"
#include "UndoSnapshots.h"

void mnuSend_Click(AppState &state)
{
    if (state.CompareRunning)
        return;
    const int index = activeSheetIndex(state);
    if (index < 0)
        return;
    // Drawing and enabling come back in every case, whether anything was copied or not.
    SheetLock lock(state, false);
    if (!PartnerHasCurrentCell(state, index))
        return;
    const Sheet &source = state.grdData(index);
    Sheet &destination = state.grdData(1 - index);
    SaveUndoSnapshot(state, 1 - index);
    lock.lock();
    ignoreGridErrors([&] {
        const int r1 = source.row();
        const int c1 = source.col();
        const int r2 = source.rowSel();
        const int c2 = source.colSel();
        for (int r = r1; r <= r2; ++r)
            for (int c = c1; c <= c2; ++c)
                destination.setTextMatrix(r, c, source.textMatrix(r, c));
        RecompareSelection(state, index);
    });
}
