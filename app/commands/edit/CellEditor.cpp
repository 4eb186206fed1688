#include "CellEditor.h"

#include "AppState.h"
#include "GridError.h"
#include "KeyCodes.h"
#include "MGridEdit.h"
#include "Recompare.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kTooLongToEditText = u"このセルは %1 文字を超えるため、ここでは編集できません。"_s;
const QString kTooLongToEditTitle = u"編集不可"_s;

bool isSheetIndex(int index)
{
    return index == 0 || index == 1;
}

// The cell being edited loses any "differs" mark while it is edited; the mark is kept for an
// edit that ends without a commit.
void plainBackground(AppState &state, int index)
{
    Sheet &sheet = state.grdData(index);
    ignoreGridErrors([&] {
        state.EditCellBackColor[index] = sheet.cellBackColor();
        sheet.setCellBackColor(kWindowBackColor);
    });
}

// Opens the editor on the current cell, or says why it cannot.
void beginEdit(AppState &state, UserInterface &ui, int index, int key)
{
    Sheet &sheet = state.grdData(index);
    if (!MGridEdit::CanBeginCellEdit(sheet, key)) {
        ui.showMessage(kTooLongToEditText.arg(kMaxEditLength), kTooLongToEditTitle, MessageIcon::Exclamation);
        return;
    }
    plainBackground(state, index);
    state.EditOpenedByComposition[index] = false;
    MGridEdit::BeginCellEdit(sheet, state.txtEdit(index), key);
}
} // namespace

void EndCellEdit(AppState &state, int index)
{
    if (!isSheetIndex(index))
        return;
    Sheet &sheet = state.grdData(index);
    EditBox &box = state.txtEdit(index);
    if (!sheet.isEnabled() || !box.isVisible())
        return;
    // The step keeps the cell with the colour it had before the edit made it plain.
    ignoreGridErrors([&] { sheet.setCellBackColor(state.EditCellBackColor[index]); });
    // Committing the text the cell holds changes nothing.
    if (box.text() != sheet.text())
        SaveUndoSnapshot(state, index, kCellEditStepName);
    sheet.setText(box.text());
    // Hidden before the re-comparison: the cell moves it makes raise leave-cell notifications,
    // which must find the edit already ended.
    box.setVisible(false);
    // A block extended upward or leftward with the keyboard is re-compared like the same block
    // selected with the mouse.
    OrderBlock(sheet);
    // A cell the other sheet lacks is not re-compared: it is still only in this sheet, and gets
    // back the mark the edit took off it.
    const bool recompared = PartnerHasCurrentCell(state, index);
    RecompareSelection(state, index);
    if (!recompared)
        ignoreGridErrors([&] { sheet.setCellBackColor(state.EditCellBackColor[index]); });
}

void CancelCellEdit(AppState &state, int index)
{
    if (!isSheetIndex(index) || !state.txtEdit(index).isVisible())
        return;
    Sheet &sheet = state.grdData(index);
    ignoreGridErrors([&] { sheet.setCellBackColor(state.EditCellBackColor[index]); });
    MGridEdit::CancelCellEdit(sheet, state.txtEdit(index));
}

void grdData_DblClick(AppState &state, UserInterface &ui, int index)
{
    if (state.CompareRunning || !isSheetIndex(index))
        return;
    beginEdit(state, ui, index, MGridEdit::kStartFromCellText);
}

void grdData_KeyPress(AppState &state, UserInterface &ui, int index, int keyAscii)
{
    if (state.CompareRunning || !state.KeyEditArmed || !isSheetIndex(index))
        return;
    // Esc (27) and the control codes 2 and 20 to 29 open nothing; every printable character
    // does, the half-width katakana with codes 200 to 223 included.
    if (keyAscii == 2 || (keyAscii >= 20 && keyAscii <= 29))
        return;
    beginEdit(state, ui, index, keyAscii);
}

void grdData_CompositionStart(AppState &state, int index)
{
    if (state.CompareRunning || !state.KeyEditArmed || !isSheetIndex(index))
        return;
    Sheet &sheet = state.grdData(index);
    plainBackground(state, index);
    MGridEdit::BeginCellEdit(sheet, state.txtEdit(index), MGridEdit::kStartEmpty);
    state.EditOpenedByComposition[index] = state.txtEdit(index).isVisible();
}

void grdData_LeaveCell(AppState &state, int index)
{
    if (state.CompareRunning || !isSheetIndex(index) || !state.grdData(index).isEnabled())
        return;
    EndCellEdit(state, index);
    for (int i = 0; i < 2; ++i)
        ignoreGridErrors([&] { state.grdData(i).setCellForeColor(kWindowTextColor); });
}

void grdData_MouseDown(AppState &state, int index)
{
    if (state.CompareRunning || !isSheetIndex(index))
        return;
    EndCellEdit(state, 1 - index);
}

void grdData_Click(AppState &state, int index)
{
    if (state.CompareRunning || !isSheetIndex(index) || !isSheetIndex(state.ActiveSheet))
        return;
    ignoreGridErrors([&] {
        const Sheet &active = state.grdData(state.ActiveSheet);
        if (active.row() != active.rowSel() || active.col() != active.colSel())
            return;
        Sheet &sheet = state.grdData(index);
        sheet.setCellForeColor(kMarkForeColor);
        if (!PartnerHasCurrentCell(state, index))
            return;
        const int r = sheet.row();
        const int c = sheet.col();
        for (int i = 0; i < 2; ++i) {
            state.grdData(i).setRow(r);
            state.grdData(i).setCol(c);
        }
        for (int i = 0; i < 2; ++i)
            state.grdData(i).setCellForeColor(kMarkForeColor);
    });
}

void txtEdit_KeyDown(AppState &state, int index, int keyCode, int shift)
{
    if (!isSheetIndex(index))
        return;
    // Every other key that leaves the box commits, and the commit re-colours the edited cell; the
    // cell an arrow key moves to keeps its own colour.
    if (keyCode == kKeyEscape)
        CancelCellEdit(state, index);
    else
        MGridEdit::HandleEditKey(state.grdData(index), state.txtEdit(index), keyCode, shift);
}

void txtEdit_KeyPress(AppState &, int, int &keyAscii)
{
    // Enter inserts nothing and makes no sound.
    if (keyAscii == kAsciiEnter)
        keyAscii = 0;
}

void txtEdit_CompositionCancel(AppState &state, int index)
{
    if (state.CompareRunning || !isSheetIndex(index))
        return;
    EditBox &box = state.txtEdit(index);
    // The box holds nothing the person meant: committing it would empty the cell.
    if (state.EditOpenedByComposition[index] && box.isVisible() && !box.isModified())
        CancelCellEdit(state, index);
}

void txtEdit_LostFocus(AppState &state, int index)
{
    EndCellEdit(state, index);
}
