#pragma once

#include "CommandTable.h"

#include <QString>

class AppState;
class CellDiffFollower;
class UserInterface;

// What a command's handler is given, and what it asks of the window after it has run.
struct CommandCall
{
    AppState &state;
    UserInterface &ui;
    // The sheet of a per-sheet command; -1 for a command of the window.
    int sheet = -1;
    // The folder of the program and its help page.
    QString programFolder;
    // The cell difference window that follows the current cell.
    CellDiffFollower &cellDiff;
    // The window takes the focus back (after a comparison), or closes.
    bool focusWindow = false;
    bool closeWindow = false;
    // The entry of a command that lists entries (a recent file); -1 for none.
    int item = -1;
};

// Calls the handler of the command table's row for `command`.
void runCommandHandler(Command command, CommandCall &call);
