#include "NewSheets.h"

#include "AppState.h"
#include "CommandTable.h"
#include "CompareEngine.h"
#include "UserInterface.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kBothInUseText = u"どちらも使用中です"_s;
const QString kBothInUseTitle = u"作成不可能"_s;
const QString kDropHintFile = u"比較するファイル  "_s; // two half-width blanks, then the panel's number
const QString kDropHintHow = u"ドラッグ＆ドロップで指定する"_s;

constexpr int kNewSheetRows = 11; // header row + 10 data rows
constexpr int kNewSheetCols = 11;

void makeNewSheet(AppState &state, int i)
{
    Sheet &sheet = state.grdData(i);
    // Empty cells of the new size with the default colours, shown from the top-left corner: the
    // side may have shown a larger file scrolled far to the right or down.
    sheet.setData(SheetData(kNewSheetRows, kNewSheetCols));
    // A cleared side may have held a file of another encoding; a new file is written in the
    // program's own format.
    sheet.setFileFormat(SheetFileFormat{});
    NumberRowHeaders(sheet);
    NumberColumnHeaders(sheet);
    sheet.setVisible(true);
    state.sheetReplaced(i, false);
    ClearComparisonColours(state);

    state.PicFile[i].clear();
    state.PartialReadFrom[i] = 0;
    state.ReadNote[i].clear();
    // No file to overwrite yet, and no layout change may offer one.
    state.fraTool[i].overwriteWithdrawn = true;
    state.fraTool[i].visible = true;
}
} // namespace

void mnuNew_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::New))
        return;
    if (!state.grdData(0).isVisible())
        makeNewSheet(state, 0);
    else if (!state.grdData(1).isVisible())
        makeNewSheet(state, 1);
    else
        ui.showMessage(kBothInUseText, kBothInUseTitle, MessageIcon::None);
    UpdateNewMenuState(state);
}

void cmdClr_Click(AppState &state)
{
    if (!commandMayRun(state, Command::Clr))
        return;
    for (int i = 0; i < 2; ++i) {
        state.grdData(i).clear();
        state.grdData(i).setVisible(false);
        state.sheetReplaced(i, false);
    }
    // The marks, the count and the remarks described the sheets just cleared.
    ClearComparisonColours(state);
    for (DropPanel &panel : state.PicFile)
        panel.clear();
    for (ToolFrame &frame : state.fraTool)
        frame.visible = false;
    // A sheet created later on this side must not overwrite the file shown before.
    state.SheetFileName[0].clear();
    state.SheetFileName[1].clear();
    for (int i = 0; i < 2; ++i) {
        state.SheetWorkbookSheet[i].clear();
        state.ReadNote[i].clear();
    }
    state.SheetFileIdentity = {};
    state.PartialReadFrom = {0, 0};
    ResetDropPanels(state);
    UpdateNewMenuState(state);
}

void NumberRowHeaders(AppState &state, int index)
{
    NumberRowHeaders(state.grdData(index));
}

void NumberColumnHeaders(AppState &state, int index)
{
    NumberColumnHeaders(state.grdData(index));
}

void UpdateNewMenuState(AppState &state)
{
    if (state.CompareRunning)
        return;
    state.mnuNewEnabled = !(state.grdData(0).isVisible() && state.grdData(1).isVisible());
}

void ResetDropPanels(AppState &state)
{
    for (int i = 0; i < 2; ++i) {
        state.PicFile[i].drawText(100, 200, kDropHintFile + QString::number(i + 1));
        state.PicFile[i].drawText(100, 600, kDropHintHow);
    }
}
