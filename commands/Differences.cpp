#include "Differences.h"

#include "AppState.h"
#include "CellEditor.h"
#include "Colors.h"
#include "CompareEngine.h"
#include "GridError.h"
#include "NewSheets.h"
#include "RowAlignment.h"
#include "SheetLock.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace
{
const QString kAlignTitle = u"行を揃える"_s;
const QString kAlignedText = u"ファイル１に %1 行、ファイル２に %2 行の空行を入れて揃えました。"_s;
const QString kAlreadyAlignedText = u"行はすでに揃っています。"_s;

void scrollIntoView(Sheet &sheet, int row, int col)
{
    if (row >= sheet.rows() || col >= sheet.cols())
        return;
    if (!sheet.rowIsVisible(row))
        sheet.setTopRow(row);
    if (!sheet.colIsVisible(col))
        sheet.setLeftCol(col);
}

} // namespace

void GoToDifference(AppState &state, UserInterface &ui, StepDirection direction)
{
    if (state.CompareRunning)
        return;
    const int index = activeSheetIndex(state);
    if (index < 0 || !state.grdData(index).isVisible())
        return;
    Sheet &sheet = state.grdData(index);
    const std::optional<std::pair<int, int>> found = sheet.data().findBackColor(
        sheet.row(), sheet.col(), direction == StepDirection::Next, {kDiffBackColor, kExtraBackColor});
    if (!found) {
        ui.beep();
        return;
    }
    // Plain copies: lambdas cannot capture structured bindings with every compiler in use.
    const int row = found->first;
    const int col = found->second;
    ignoreGridErrors([&] { sheet.setCurrentCell(row, col); });
    grdData_Click(state, index);
    for (int i = 0; i < 2; ++i)
        if (state.grdData(i).isVisible())
            ignoreGridErrors([&] { scrollIntoView(state.grdData(i), row, col); });
}

void mnuAlign_Click(AppState &state, UserInterface &ui)
{
    if (state.CompareRunning || !state.grdData(0).isVisible() || !state.grdData(1).isVisible())
        return;
    // An edit still open belongs to the rows being lined up, and must land in its own cell
    // before rows are inserted above it.
    for (int i = 0; i < 2; ++i)
        EndCellEdit(state, i);
    const std::optional<RowAlignment> lined = lineUpRows(state.grdData(0), state.grdData(1), state.compareOptions);
    if (!lined) {
        ui.showMessage(alignTooLongText(), kAlignTitle, MessageIcon::Exclamation);
        return;
    }
    const RowAlignment &alignment = *lined;
    if (alignment.changesNothing()) {
        ui.showMessage(kAlreadyAlignedText, kAlignTitle, MessageIcon::Information);
        return;
    }
    // The rows move under the current cells: the blue marks would stay on the texts that moved.
    ignoreGridErrors([&] { clearClickMarks(state); });
    for (int i = 0; i < 2; ++i) {
        if (alignment.insertions[size_t(i)].empty())
            continue;
        SaveUndoSnapshot(state, i);
        Sheet &sheet = state.grdData(i);
        sheet.setRedraw(false);
        sheet.setEnabled(false);
        ignoreGridErrors([&] {
            insertAlignedRows(sheet, alignment, i);
            NumberRowHeaders(sheet);
        });
        sheet.setEnabled(true);
        sheet.setRedraw(true);
    }
    CompareSheets(state, ui, false);
    ui.showMessage(kAlignedText.arg(alignment.addedRows(0)).arg(alignment.addedRows(1)), kAlignTitle,
                   MessageIcon::Information);
}
