#include "SheetKeys.h"

#include "ActiveSheet.h"
#include "AppState.h"
#include "CellEditor.h"
#include "ClipboardCommands.h"
#include "CommandTable.h"
#include "Differences.h"
#include "KeyCodes.h"
#include "SearchCommand.h"
#include "SendToOther.h"
#include "UndoSnapshots.h"

namespace
{
constexpr int kShiftAlone = kShiftMask;
constexpr int kCtrlAlone = kCtrlMask; // the shift state of Ctrl without Shift or Alt

// Runs the shortcut of a key, if it has one; false for a key without one.
bool runShortcut(AppState &state, UserInterface &ui, int index, int keyCode, int shift)
{
    if (keyCode == kKeyDelete) {
        NormaliseSelection(state, index);
        RunAsHistoryStep(state, Command::Del, [&] { mnuDel_Click(state, ui); });
        return true;
    }
    if (shift == (kCtrlAlone | kShiftAlone) && keyCode == 'Z') {
        mnuRedo_Click(state, ui);
        return true;
    }
    if (shift != kCtrlAlone)
        return false;
    switch (keyCode) {
    case 'C':
        NormaliseSelection(state, index);
        mnuCopy_Click(state, ui);
        return true;
    case 'V':
        NormaliseSelection(state, index);
        RunAsHistoryStep(state, Command::Peast, [&] { mnuPeast_Click(state, ui); });
        return true;
    case 'X':
        NormaliseSelection(state, index);
        RunAsHistoryStep(state, Command::Cut, [&] { mnuCut_Click(state, ui); });
        return true;
    case 'Z':
        if (state.UndoAvailable[index])
            mnuZ_Click(state, ui);
        return true;
    case 'Y':
        mnuRedo_Click(state, ui);
        return true;
    case 'F':
        mnuGrep_Click(state, ui);
        return true;
    case 'M':
        if (!state.grdData(0).isVisible() || !state.grdData(1).isVisible())
            return false;
        NormaliseSelection(state, index);
        RunAsHistoryStep(state, Command::Send, [&] { mnuSend_Click(state, ui); });
        return true;
    default:
        return false;
    }
}
} // namespace

void grdData_KeyDown(AppState &state, UserInterface &ui, int index, int keyCode, int shift)
{
    if (state.CompareRunning || (index != 0 && index != 1))
        return;
    state.KeyEditArmed = true;
    // F8 and Shift+F8 step through the differences; they type nothing, so the rest is as for
    // any key without a shortcut.
    if (keyCode == kKeyF8 && (shift == 0 || shift == kShiftAlone))
        GoToDifference(state, ui, shift == 0 ? StepDirection::Next : StepDirection::Previous);
    else if (runShortcut(state, ui, index, keyCode, shift))
        state.KeyEditArmed = false;
    state.grdData(index).setFocus();
}

void grdData_GotFocus(AppState &state, int index)
{
    if (state.CompareRunning || (index != 0 && index != 1))
        return;
    state.ActiveSheet = index;
    EndCellEdit(state, index);
}
