#include "CommandTable.h"

#include "AppState.h"

namespace
{
bool bothSheetsShown(const AppState &state, int)
{
    return state.grdData(0).isVisible() && state.grdData(1).isVisible();
}
bool newSheetPossible(const AppState &state, int)
{
    return state.mnuNewEnabled;
}
bool comparedPairShown(const AppState &state, int sheet)
{
    return state.ComparisonDone && bothSheetsShown(state, sheet);
}
bool helpFileFound(const AppState &state, int)
{
    return state.mnuHelpEnabled;
}
bool undoHeld(const AppState &state, int)
{
    return state.mnuMain.mnuZEnabled;
}
bool otherSheetOffered(const AppState &state, int)
{
    return state.mnuMain.mnuSendEnabled;
}
bool sideShown(const AppState &state, int sheet)
{
    return state.fraTool[sheet].cmdNameEnabled;
}
bool overwriteOffered(const AppState &state, int sheet)
{
    return state.fraTool[sheet].cmdSaveEnabled();
}

constexpr bool kRefused = true;
constexpr bool kSnapshot = true;
constexpr bool kRecompares = true;

// clang-format off
const std::array<CommandEntry, kCommandCount> kCommandTable{{
    // command             handler              enabled            refused   snapshot   recompares
    {Command::Open,        "mnuOpen_Click",     nullptr,           false,    false,     false},
    {Command::New,         "mnuNew_Click",      newSheetPossible,  false,    false,     false},
    {Command::Report,      "mnuReport_Click",   comparedPairShown, kRefused, false,     false},
    {Command::UndoSetting, "mnuUndo_Click",     nullptr,           false,    false,     false},
    {Command::Doble,       "mnuDoble_Click",    nullptr,           false,    false,     false},
    {Command::Kukan,       "mnuKukan_Click",    nullptr,           false,    false,     false},
    {Command::NextDiff,    "GoToDifference",    nullptr,           false,    false,     false},
    {Command::PrevDiff,    "GoToDifference",    nullptr,           false,    false,     false},
    {Command::FirstDiff,   "GoToDifference",    nullptr,           false,    false,     false},
    {Command::LastDiff,    "GoToDifference",    nullptr,           false,    false,     false},
    {Command::Align,       "mnuAlign_Click",    bothSheetsShown,   kRefused, kSnapshot, kRecompares},
    {Command::KeyAlign,    "mnuKeyAlign_Click", bothSheetsShown,   kRefused, kSnapshot, kRecompares},
    {Command::KeySort,     "mnuKeySort_Click",  bothSheetsShown,   kRefused, kSnapshot, kRecompares},
    {Command::CellDiff,    "mnuCellDiff_Click", nullptr,           false,    false,     false},
    {Command::Help,        "mnuHelp_Click",     helpFileFound,     false,    false,     false},
    {Command::Ver,         "mnuVer_Click",      nullptr,           false,    false,     false},
    {Command::Z,           "mnuZ_Click",        undoHeld,          false,    false,     kRecompares},
    {Command::Cut,         "mnuCut_Click",      nullptr,           false,    kSnapshot, kRecompares},
    {Command::Copy,        "mnuCopy_Click",     nullptr,           false,    false,     false},
    {Command::Peast,       "mnuPeast_Click",    nullptr,           false,    kSnapshot, kRecompares},
    {Command::Del,         "mnuDel_Click",      nullptr,           false,    kSnapshot, kRecompares},
    {Command::Grep,        "mnuGrep_Click",     nullptr,           false,    false,     false},
    {Command::Send,        "mnuSend_Click",     otherSheetOffered, false,    kSnapshot, kRecompares},
    {Command::GAdd,        "mnuGAdd_Click",     nullptr,           false,    kSnapshot, kRecompares},
    {Command::GDel,        "mnuGDel_Click",     nullptr,           false,    kSnapshot, kRecompares},
    {Command::Diff,        "cmdDiff_Click",     nullptr,           false,    false,     kRecompares},
    {Command::Clr,         "cmdClr_Click",      nullptr,           false,    false,     false},
    {Command::Gmn,         "cmdGmn_Click",      nullptr,           false,    false,     false},
    {Command::End,         "cmdEnd_Click",      nullptr,           false,    false,     false},
    {Command::Name,        "cmdName_Click",     sideShown,         false,    false,     false},
    {Command::Save,        "cmdSave_Click",     overwriteOffered,  false,    false,     false},
    {Command::SaveActive,  "SaveActiveSheet",   nullptr,           false,    false,     false},
}};
// clang-format on
} // namespace

const std::array<CommandEntry, kCommandCount> &commandTable()
{
    return kCommandTable;
}

const CommandEntry &commandEntry(Command command)
{
    return kCommandTable[std::size_t(command)];
}

bool commandEnabled(const AppState &state, Command command, int sheet)
{
    const CommandEntry &entry = commandEntry(command);
    return !entry.enabled || entry.enabled(state, sheet);
}

bool commandMayRun(const AppState &state, Command command)
{
    if (state.CompareRunning)
        return false;
    return !commandEntry(command).refusedWhenDisabled || commandEnabled(state, command);
}
