#include "ContextMenu.h"

#include "AppState.h"
#include "GridError.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kAddRows = u"行追加"_s;
const QString kDeleteRows = u"行削除"_s;
const QString kAddColumns = u"列追加"_s;
const QString kDeleteColumns = u"列削除"_s;
} // namespace

bool PrepareContextMenu(AppState &state, int index)
{
    if (state.CompareRunning || (index != 0 && index != 1))
        return false;
    Sheet &sheet = state.grdData(index);
    AppState::ContextMenuItems &menu = state.mnuMain;
    const int mouseRow = sheet.mouseRow();
    const int mouseCol = sheet.mouseCol();

    // Each step goes on whatever grid error the one before it raised.
    int startRow = sheet.row();
    int startCol = sheet.col();
    if (mouseRow == 0 && mouseCol == 0) {
        menu.rowColumnItemsVisible = false;
        ignoreGridErrors([&] { sheet.setCol(1); });
        ignoreGridErrors([&] { sheet.setRow(1); });
        ignoreGridErrors([&] { sheet.setColSel(sheet.cols() - 1); });
        ignoreGridErrors([&] { sheet.setRowSel(sheet.rows() - 1); });
        startRow = 0;
        startCol = 0;
    } else if (mouseCol == 0) {
        menu.rowColumnItemsVisible = true;
        menu.mnuGAddCaption = kAddRows;
        menu.mnuGDelCaption = kDeleteRows;
        startRow = sheet.row();
        startCol = sheet.col() == 1 && sheet.colSel() == sheet.cols() - 1 ? 0 : sheet.col();
    } else if (mouseRow == 0) {
        menu.rowColumnItemsVisible = true;
        menu.mnuGAddCaption = kAddColumns;
        menu.mnuGDelCaption = kDeleteColumns;
        startRow = sheet.row() == 1 && sheet.rowSel() == sheet.rows() - 1 ? 0 : sheet.row();
        startCol = sheet.col();
    } else {
        menu.rowColumnItemsVisible = false;
        startRow = sheet.row();
        startCol = sheet.col();
    }

    const bool inside
        = startRow <= mouseRow && mouseRow <= sheet.rowSel() && startCol <= mouseCol && mouseCol <= sheet.colSel();
    if (!inside) {
        ignoreGridErrors([&] { sheet.setCol(mouseCol); });
        ignoreGridErrors([&] { sheet.setRow(mouseRow); });
        if (menu.rowColumnItemsVisible) {
            if (menu.mnuGAddCaption == kAddColumns) {
                ignoreGridErrors([&] { sheet.setRow(1); });
                ignoreGridErrors([&] { sheet.setRowSel(sheet.rows() - 1); });
            } else {
                ignoreGridErrors([&] { sheet.setCol(1); });
                ignoreGridErrors([&] { sheet.setColSel(sheet.cols() - 1); });
            }
        }
        sheet.setFocus();
    }

    menu.mnuZEnabled = state.UndoAvailable[index];
    menu.mnuRedoEnabled = state.history.canRedo(index);
    menu.mnuSendEnabled = state.grdData(0).isVisible() && state.grdData(1).isVisible();
    return true;
}
