#pragma once

#include "AppState.h"

// For a command that changes cells by program: both sheets stop drawing and are disabled, so that
// the leave-cell notifications its cell moves cause commit no pending edit and the moves repaint
// nothing. When the lock ends — also when the command ends early — sheet 0 and then sheet 1 are
// enabled, then drawn again in the same order.
class SheetLock
{
public:
    explicit SheetLock(AppState &state, bool lockNow = true)
        : m_state(state)
    {
        if (lockNow)
            lock();
    }
    ~SheetLock()
    {
        for (int i = 0; i < 2; ++i)
            m_state.grdData(i).setEnabled(true);
        for (int i = 0; i < 2; ++i)
            m_state.grdData(i).setRedraw(true);
    }
    SheetLock(const SheetLock &) = delete;
    SheetLock &operator=(const SheetLock &) = delete;

    void lock()
    {
        for (int i = 0; i < 2; ++i)
            m_state.grdData(i).setRedraw(false);
        for (int i = 0; i < 2; ++i)
            m_state.grdData(i).setEnabled(false);
    }

private:
    AppState &m_state;
};

// Removes the blue click mark from the current cell of both sheets.
inline void clearClickMarks(AppState &state)
{
    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = state.grdData(i);
        if (sheet.row() < sheet.rows() && sheet.col() < sheet.cols())
            sheet.setCellForeColor(kWindowTextColor);
    }
}

// The active sheet's index, or -1 when ActiveSheet names no sheet.
[[nodiscard]] inline int activeSheetIndex(const AppState &state)
{
    return state.ActiveSheet == 0 || state.ActiveSheet == 1 ? state.ActiveSheet : -1;
}
