#include "SheetSync.h"

#include "AppState.h"
#include "GridError.h"
#include "Recompare.h"

namespace
{
bool isSheetIndex(int index)
{
    return index == 0 || index == 1;
}
} // namespace

void grdData_Scroll(AppState &state, int index)
{
    if (!isSheetIndex(index) || !PartnerHasCurrentCell(state, index))
        return;
    const Sheet &source = state.grdData(index);
    Sheet &other = state.grdData(index == 0 ? 1 : 0);
    // Read both first: moving the other sheet raises its own scroll notification, whose copy back
    // would otherwise hand this sheet the other's old left column before it is copied across.
    const int topRow = source.topRow();
    const int leftCol = source.leftCol();
    ignoreGridErrors([&] {
        other.setTopRow(topRow);
        other.setLeftCol(leftCol);
    });
}

void grdData_ColResize(AppState &state, int index, int col)
{
    if (!isSheetIndex(index))
        return;
    const Sheet &source = state.grdData(index);
    Sheet &other = state.grdData(index == 0 ? 1 : 0);
    if (col < 1 || col >= source.cols() || col >= other.cols())
        return;
    other.setColWidth(col, source.colWidth(col));
}
