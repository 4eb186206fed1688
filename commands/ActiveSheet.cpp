#include "ActiveSheet.h"

#include "AppState.h"
#include "GridError.h"

#include <algorithm>

void NormaliseSelection(AppState &state, int index)
{
    if (index != 0 && index != 1)
        return;
    Sheet &sheet = state.grdData(index);
    const int row = sheet.row();
    const int rowSel = sheet.rowSel();
    const int col = sheet.col();
    const int colSel = sheet.colSel();
    if (rowSel >= row && colSel >= col)
        return;
    ignoreGridErrors([&] {
        sheet.setRow(std::min(row, rowSel));
        sheet.setCol(std::min(col, colSel));
        sheet.setRowSel(std::max(row, rowSel));
        sheet.setColSel(std::max(col, colSel));
    });
}

void grdData_MouseUp(AppState &state, int index)
{
    if (state.CompareRunning || (index != 0 && index != 1))
        return;
    state.ActiveSheet = index;
    NormaliseSelection(state, index);
}
