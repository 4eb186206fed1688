#pragma once

#include <array>
#include <cstddef>

class AppState;

// Every command the person gives through a menu item, a button or a sheet's shortcut key. A key
// and the menu item it stands for are one command.
enum class Command {
    Open, // mnuOpen_Click (Ctrl+O, Ctrl+Shift+O)
    New, // mnuNew_Click
    Report, // mnuReport_Click
    UndoSetting, // mnuUndo_Click
    Doble, // mnuDoble_Click
    Kukan, // mnuKukan_Click
    NextDiff, // GoToDifference, next (F8)
    PrevDiff, // GoToDifference, previous (Shift+F8)
    FirstDiff, // GoToDifference, first (Alt+Home)
    LastDiff, // GoToDifference, last (Alt+End)
    Align, // mnuAlign_Click
    KeyAlign, // mnuKeyAlign_Click
    KeySort, // mnuKeySort_Click
    CellDiff, // mnuCellDiff_Click (F7)
    Help, // mnuHelp_Click
    Ver, // mnuVer_Click
    Z, // mnuZ_Click (Ctrl+Z)
    Cut, // mnuCut_Click (Ctrl+X)
    Copy, // mnuCopy_Click (Ctrl+C)
    Peast, // mnuPeast_Click (Ctrl+V)
    Del, // mnuDel_Click (Delete)
    Grep, // mnuGrep_Click (Ctrl+F)
    Send, // mnuSend_Click (Ctrl+M)
    GAdd, // mnuGAdd_Click
    GDel, // mnuGDel_Click
    Diff, // cmdDiff_Click
    Clr, // cmdClr_Click
    Gmn, // cmdGmn_Click
    End, // cmdEnd_Click
    Name, // cmdName_Click, per sheet
    Save, // cmdSave_Click, per sheet
    SaveActive, // SaveActiveSheet (Ctrl+S)
};

inline constexpr std::size_t kCommandCount = std::size_t(Command::SaveActive) + 1;

// One row of the command table.
struct CommandEntry
{
    Command command;
    // The handler that carries it out.
    const char *handler;
    // When its menu item or button is enabled; null for always. `sheet` is the sheet of a per-sheet
    // button, -1 otherwise.
    bool (*enabled)(const AppState &state, int sheet);
    // The handler refuses to run while its control would be disabled, not only the control.
    bool refusedWhenDisabled;
    // It takes an undo snapshot of a sheet it changes.
    bool takesUndoSnapshot;
    // It compares again: the cells it changed, or both sheets.
    bool recompares;
};

// The command table, in the order of Command.
[[nodiscard]] const std::array<CommandEntry, kCommandCount> &commandTable();
[[nodiscard]] const CommandEntry &commandEntry(Command command);

// Whether the control that gives `command` is enabled.
[[nodiscard]] bool commandEnabled(const AppState &state, Command command, int sheet = -1);

// Whether `command` may run now. No command runs while a comparison does: the comparison yields
// to the event loop once per row, and a command then would change the sheets under it. Every
// command handler asks this first, whoever calls it (a menu item, a button, a key, another
// handler); events of the sheets, drops and the timer keep their own guard.
[[nodiscard]] bool commandMayRun(const AppState &state, Command command);
