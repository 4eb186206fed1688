#include "CommandHandlers.h"

#include "CellDiffCommand.h"
#include "ClipboardCommands.h"
#include "CompareEngine.h"
#include "CompareOptionsMenu.h"
#include "DelimiterMenu.h"
#include "Differences.h"
#include "EncodingMenu.h"
#include "HelpCommand.h"
#include "KeyCommands.h"
#include "Layout.h"
#include "NewSheets.h"
#include "OpenCommand.h"
#include "ReportCommand.h"
#include "RowsAndColumns.h"
#include "SaveCommands.h"
#include "SearchCommand.h"
#include "SendToOther.h"
#include "Settings.h"
#include "UndoSnapshots.h"
#include "UnsavedChanges.h"

namespace
{
void runHandler(Command command, CommandCall &call)
{
    AppState &state = call.state;
    UserInterface &ui = call.ui;
    // Every command has its case: a command added to the table without a handler does not build.
    switch (command) {
    case Command::Open:
        return mnuOpen_Click(state, ui, call.sheet);
    case Command::Recent:
        return mnuRecent_Click(state, ui, call.sheet, call.item);
    case Command::SaveAsActive:
        return SaveActiveSheetAs(state, ui);
    case Command::Exit:
        call.closeWindow = commandMayRun(state, Command::Exit);
        return;
    case Command::New:
        return mnuNew_Click(state, ui);
    case Command::Report:
        return mnuReport_Click(state, ui);
    case Command::UndoSetting:
        return mnuUndo_Click(state);
    case Command::Doble:
        return mnuDoble_Click(state);
    case Command::HeadingCaptions:
        return mnuHeadingCaptions_Click(state);
    case Command::Kukan:
        return mnuKukan_Click(state, ui);
    case Command::MojiAuto:
        return mnuMoji_Click(state, ui, std::nullopt);
    case Command::MojiUtf8:
        return mnuMoji_Click(state, ui, TextEncoding::Utf8);
    case Command::MojiShiftJis:
        return mnuMoji_Click(state, ui, TextEncoding::ShiftJis);
    case Command::MojiEucJp:
        return mnuMoji_Click(state, ui, TextEncoding::EucJp);
    case Command::MojiUtf16Le:
        return mnuMoji_Click(state, ui, TextEncoding::Utf16Le);
    case Command::MojiUtf16Be:
        return mnuMoji_Click(state, ui, TextEncoding::Utf16Be);
    case Command::HikakuOption:
        return mnuHikakuOption_Click(state, ui);
    case Command::NextDiff:
        return GoToDifference(state, ui, StepDirection::Next);
    case Command::PrevDiff:
        return GoToDifference(state, ui, StepDirection::Previous);
    case Command::FirstDiff:
        return GoToDifference(state, ui, StepDirection::First);
    case Command::LastDiff:
        return GoToDifference(state, ui, StepDirection::Last);
    case Command::Align:
        return mnuAlign_Click(state, ui);
    case Command::KeyAlign:
        return mnuKeyAlign_Click(state, ui);
    case Command::KeySort:
        return mnuKeySort_Click(state, ui);
    case Command::AlignCols:
        return mnuAlignCols_Click(state, ui);
    case Command::DiffRowsOnly:
        return mnuDiffRowsOnly_Click(state, ui);
    case Command::DiffColsOnly:
        return mnuDiffColsOnly_Click(state, ui);
    case Command::CellDiff:
        return mnuCellDiff_Click(state, ui, call.cellDiff);
    case Command::Help:
        return mnuHelp_Click(state, ui, call.programFolder);
    case Command::Ver:
        return mnuVer_Click(state, ui);
    case Command::Z:
        return mnuZ_Click(state, ui);
    case Command::Redo:
        return mnuRedo_Click(state, ui);
    case Command::Cut:
        return mnuCut_Click(state, ui);
    case Command::Copy:
        return mnuCopy_Click(state, ui);
    case Command::Peast:
        return mnuPeast_Click(state, ui);
    case Command::Del:
        return mnuDel_Click(state, ui);
    case Command::Grep:
        return mnuGrep_Click(state, ui);
    case Command::Send:
        return mnuSend_Click(state, ui);
    // The caption of the chosen item tells rows from columns.
    case Command::GAdd:
        return mnuGAdd_Click(state, ui, state.mnuMain.mnuGAddCaption);
    case Command::GDel:
        return mnuGDel_Click(state, ui, state.mnuMain.mnuGDelCaption);
    case Command::Diff:
        call.focusWindow = cmdDiff_Click(state, ui);
        return;
    case Command::Clr:
        return cmdClr_Click(state, ui);
    case Command::Gmn:
        return cmdGmn_Click(state);
    case Command::End:
        call.closeWindow = commandMayRun(state, Command::End);
        return;
    case Command::Name:
        return cmdName_Click(state, ui, call.sheet);
    case Command::Save:
        return cmdSave_Click(state, ui, call.sheet);
    case Command::SaveActive:
        return SaveActiveSheet(state, ui);
    }
}
} // namespace

void runCommandHandler(Command command, CommandCall &call)
{
    if (!commandEntry(command).takesUndoSnapshot)
        return runHandler(command, call);
    RunAsHistoryStep(call.state, command, [&] { runHandler(command, call); });
}
