#include "SendToOther.h"

#include "AppState.h"
#include "CommandTable.h"
#include "GridError.h"
#include "Recompare.h"
#include "SheetLock.h"
#include "ShownDifferences.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString kDidNotFitText = u"相手のシートに収まらない部分はコピーしませんでした（%1 行 %2 列）"_s;
const QString kSendTitle = u"相手へコピー"_s;
} // namespace

void mnuSend_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Send))
        return;
    const int index = activeSheetIndex(state);
    if (index < 0)
        return;
    // The other sheet's block would take the cells of rows and columns nobody sees.
    if (state.grdData(index).blockHidesLines()) {
        ui.showMessage(hiddenLinesRefusal(kSendTitle), kSendTitle, MessageIcon::Exclamation);
        return;
    }
    int rowsLeftOut = 0;
    int colsLeftOut = 0;
    {
        // Drawing and enabling come back in every case, whether anything was copied or not, and
        // before the message.
        SheetLock lock(state, false);
        if (!PartnerHasCurrentCell(state, index))
            return;
        const Sheet &source = state.grdData(index);
        Sheet &destination = state.grdData(1 - index);
        lock.lock();
        ignoreGridErrors([&] {
            const int r1 = source.row();
            const int c1 = source.col();
            const int r2 = source.rowSel();
            const int c2 = source.colSel();
            // Every cell the other sheet has, row by row; the rows and columns it lacks are named.
            const int lastRow = std::min(r2, destination.rows() - 1);
            const int lastCol = std::min(c2, destination.cols() - 1);
            rowsLeftOut = r2 - lastRow;
            colsLeftOut = c2 - lastCol;
            for (int r = r1; r <= lastRow; ++r)
                for (int c = c1; c <= lastCol; ++c)
                    destination.setTextMatrix(r, c, source.textMatrix(r, c));
            RecompareSelection(state, index);
        });
    }
    if (rowsLeftOut > 0 || colsLeftOut > 0)
        ui.showMessage(kDidNotFitText.arg(rowsLeftOut).arg(colsLeftOut), kSendTitle, MessageIcon::Information);
}
