#pragma once

#include "AppState.h"

#include <array>

// For a command that changes cells by program: the sheets it locks stop drawing and are
// disabled, so that the leave-cell notifications its cell moves cause commit no pending edit and
// the moves repaint nothing. When the lock ends — also when the command ends early, by a return
// or by an exception such as running out of memory — they are enabled, then drawn again, sheet 0
// before sheet 1.
class SheetLock
{
public:
    // Both sheets; with lockNow false they are locked by lock(), but enabled and drawn at the end
    // either way.
    explicit SheetLock(AppState &state, bool lockNow = true)
        : m_sheets{&state.grdData(0), &state.grdData(1)}
        , m_count(2)
    {
        if (lockNow)
            lock();
    }
    // One sheet, for a command that changes that sheet alone; the other one is left as it is.
    explicit SheetLock(Sheet &sheet)
        : m_sheets{&sheet, nullptr}
        , m_count(1)
    {
        lock();
    }
    ~SheetLock()
    {
        for (size_t i = 0; i < m_count; ++i)
            m_sheets[i]->setEnabled(true);
        for (size_t i = 0; i < m_count; ++i)
            m_sheets[i]->setRedraw(true);
    }
    SheetLock(const SheetLock &) = delete;
    SheetLock &operator=(const SheetLock &) = delete;

    void lock()
    {
        for (size_t i = 0; i < m_count; ++i)
            m_sheets[i]->setRedraw(false);
        for (size_t i = 0; i < m_count; ++i)
            m_sheets[i]->setEnabled(false);
    }

private:
    std::array<Sheet *, 2> m_sheets;
    size_t m_count;
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
