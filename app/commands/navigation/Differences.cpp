#include "Differences.h"

#include "AppState.h"
#include "CellEditor.h"
#include "Colors.h"
#include "ColumnAlignment.h"
#include "CommandTable.h"
#include "CompareEngine.h"
#include "GridError.h"
#include "NewSheets.h"
#include "RowAlignment.h"
#include "SheetLock.h"
#include "ShownDifferences.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace
{
const QString kAlignTitle = u"行を揃える"_s;
const QString kAlignedText = u"ファイル１に %1 行、ファイル２に %2 行の空行を入れて揃えました。"_s;
const QString kAlreadyAlignedText = u"行はすでに揃っています。"_s;
const QString kAlignColsTitle = u"列を揃える"_s;
const QString kAlignedColsText = u"ファイル１に %1 列、ファイル２に %2 列の空列を入れて揃えました。"_s;
const QString kAlignedColsByContentText
    = u"値の似ている列どうしを対応させ、ファイル１に %1 列、ファイル２に %2 列の空列を入れて揃えました。"_s;
const QString kColsAlreadyAlignedText = u"列はすでに揃っています。"_s;
const QString kOfferContentText = u"値の似ている列どうしで揃えますか？\r\n「いいえ」で列見出しのとおりに揃えます。"_s;
const QString kLastNote = u"最後の差分です"_s;
const QString kFirstNote = u"最初の差分です"_s;
const QString kNoDifferencesNote = u"差分はありません"_s;
const QString kNotComparedNote = u"まだ比較していません"_s;
const QString kRowsOnlyTitle = u"差分のある行だけ表示"_s;
const QString kColsOnlyTitle = u"差分のある列だけ表示"_s;
const QString kNotComparedText = u"まだ比較していません。「比較開始」で比較してから選んでください。"_s;
const QString kNothingDiffersText = u"差分はありません。すべての行と列を表示しています。"_s;

// Whether a sheet that has the position shows it.
bool isShownPosition(const AppState &state, CellPosition position)
{
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = state.grdData(i);
        if (sheet.shownRows().isShown(position.row()) && sheet.shownCols().isShown(position.col()))
            return true;
    }
    return false;
}

// Checks or unchecks one of the two items; checked, it needs marks to show.
void toggleShownDifferences(AppState &state, UserInterface &ui, bool &checked, const QString &title)
{
    if (!checked) {
        const DifferenceList &list = state.Differences;
        if (!list.hasRun()) {
            ui.showMessage(kNotComparedText, title, MessageIcon::Information);
            return;
        }
        if (list.isEmpty()) {
            ui.showMessage(kNothingDiffersText, title, MessageIcon::Information);
            return;
        }
    }
    checked = !checked;
    state.StatusNote = {};
    refreshShownDifferences(state);
    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = state.grdData(i);
        if (sheet.isVisible())
            ignoreGridErrors([&] {
                if (!sheet.rowIsVisible(sheet.row()))
                    sheet.setTopRow(sheet.row());
                if (!sheet.colIsVisible(sheet.col()))
                    sheet.setLeftCol(sheet.col());
            });
    }
}

void scrollIntoView(Sheet &sheet, int row, int col)
{
    if (row >= sheet.rows() || col >= sheet.cols())
        return;
    if (!sheet.rowIsVisible(row))
        sheet.setTopRow(row);
    if (!sheet.colIsVisible(col))
        sheet.setLeftCol(col);
}

Command stepCommand(StepDirection direction)
{
    switch (direction) {
    case StepDirection::Next:
        break;
    case StepDirection::Previous:
        return Command::PrevDiff;
    case StepDirection::First:
        return Command::FirstDiff;
    case StepDirection::Last:
        return Command::LastDiff;
    }
    return Command::NextDiff;
}
} // namespace

void GoToDifference(AppState &state, UserInterface &ui, StepDirection direction)
{
    if (!commandMayRun(state, stepCommand(direction)))
        return;
    int index = activeSheetIndex(state);
    if (index < 0 || !state.grdData(index).isVisible())
        index = state.grdData(0).isVisible() ? 0 : (state.grdData(1).isVisible() ? 1 : -1);
    if (index < 0)
        return;
    const Sheet &from = state.grdData(index);
    const CellPosition here(from.row(), from.col());
    const DifferenceList &list = state.Differences;
    std::optional<Difference> found;
    switch (direction) {
    case StepDirection::Next:
        found = list.next(here);
        break;
    case StepDirection::Previous:
        found = list.previous(here);
        break;
    case StepDirection::First:
        found = list.first();
        break;
    case StepDirection::Last:
        found = list.last();
        break;
    }
    // Only what is shown is stepped to; a mark on a hidden row or column (set since the rows were
    // chosen) is passed over.
    const bool forwards = direction == StepDirection::Next || direction == StepDirection::First;
    while (found && !isShownPosition(state, found->position))
        found = forwards ? list.next(found->position) : list.previous(found->position);
    if (!found) {
        ui.beep();
        const bool backwards = direction == StepDirection::Previous || direction == StepDirection::First;
        const QString note = !list.hasRun() ? kNotComparedNote
            : list.isEmpty()                ? kNoDifferencesNote
            : backwards                     ? kFirstNote
                                            : kLastNote;
        state.StatusNote = {note, index, here.row(), here.col()};
        return;
    }
    state.StatusNote = {};
    // Plain copies: lambdas cannot capture structured bindings with every compiler in use.
    const int row = found->position.row();
    const int col = found->position.col();
    const auto has = [&](int i) {
        const Sheet &sheet = state.grdData(i);
        return sheet.isVisible() && row < sheet.rows() && col < sheet.cols();
    };
    const int target = has(index) ? index : 1 - index;
    if (!has(target))
        return;
    Sheet &sheet = state.grdData(target);
    if (target != index) {
        // The smaller sheet lacks the cell: the step carries on in the sheet that has it.
        const bool hadFocus = state.grdData(index).hasFocus();
        state.ActiveSheet = target;
        if (hadFocus)
            sheet.setFocus();
    }
    ignoreGridErrors([&] { sheet.setCurrentCell(row, col); });
    grdData_Click(state, target);
    for (int i = 0; i < 2; ++i) {
        Sheet &shown = state.grdData(i);
        if (!shown.isVisible())
            continue;
        // A sheet that lacks the cell shows the nearest one it has.
        const int nearRow = std::min(row, shown.rows() - 1);
        const int nearCol = std::min(col, shown.cols() - 1);
        ignoreGridErrors([&] { scrollIntoView(shown, nearRow, nearCol); });
    }
}

void mnuAlign_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Align))
        return;
    // An edit still open belongs to the rows being lined up, and must land in its own cell
    // before rows are inserted above it.
    for (int i = 0; i < 2; ++i)
        EndCellEdit(state, i);
    const std::optional<RowAlignment> lined
        = lineUpRows(state.grdData(0).data(), state.grdData(1).data(), state.compareOptions);
    if (!lined) {
        ui.showMessage(alignTooLongText(), kAlignTitle, MessageIcon::Exclamation);
        return;
    }
    const RowAlignment &alignment = *lined;
    if (alignment.changesNothing()) {
        ui.showMessage(withLineUpNote(kAlreadyAlignedText, alignment), kAlignTitle, MessageIcon::Information);
        return;
    }
    // The rows move under the current cells: the blue marks would stay on the texts that moved.
    ignoreGridErrors([&] { clearClickMarks(state); });
    for (int i = 0; i < 2; ++i) {
        if (alignment.insertions[size_t(i)].empty())
            continue;
        Sheet &sheet = state.grdData(i);
        const SheetLock lock(sheet);
        ignoreGridErrors([&] {
            insertAlignedRows(sheet, alignment, i);
            NumberRowHeaders(sheet);
        });
    }
    CompareSheets(state, ui, false);
    ui.showMessage(withLineUpNote(kAlignedText.arg(alignment.addedRows(0)).arg(alignment.addedRows(1)), alignment),
                   kAlignTitle, MessageIcon::Information);
}

void mnuAlignCols_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::AlignCols))
        return;
    // An edit still open belongs to a column that may move.
    for (int i = 0; i < 2; ++i)
        EndCellEdit(state, i);
    const SheetData &first = state.grdData(0).data();
    const SheetData &second = state.grdData(1).data();
    ColumnAlignment alignment = alignColumnsByHeading(first, second, state.compareOptions);
    if (!headingsMostlyShared(alignment)) {
        Question question
            = Question::yesNo(fewHeadingsSharedText(alignment.matchedCols()) + u"\r\n"_s + kOfferContentText,
                              kAlignColsTitle, MessageIcon::Exclamation);
        question.buttons.append({Answer::Cancel, u"キャンセル"_s});
        question.defaultButton = 0;
        const Answer answer = ui.askQuestion(question);
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::Yes)
            alignment = alignColumnsByContent(first, second, state.compareOptions);
    }
    // Both limits are checked before anything changes, so that a refusal costs no undo.
    if (!columnsFitColLimit(alignment, first, second)) {
        ui.showMessage(alignColumnsTooWideText(), kAlignColsTitle, MessageIcon::Exclamation);
        return;
    }
    if (!columnsFitCells(alignment, first, second)) {
        ui.showMessage(alignColumnsTooManyCellsText(), kAlignColsTitle, MessageIcon::Exclamation);
        return;
    }
    if (alignment.changesNothing()) {
        ui.showMessage(kColsAlreadyAlignedText, kAlignColsTitle, MessageIcon::Information);
        return;
    }
    ignoreGridErrors([&] { clearClickMarks(state); });
    for (int i = 0; i < 2; ++i) {
        if (alignment.addedCols(i) == 0)
            continue;
        Sheet &sheet = state.grdData(i);
        const SheetLock lock(sheet);
        ignoreGridErrors([&] {
            insertAlignedCols(sheet, alignment, i);
            NumberColumnHeaders(sheet);
        });
    }
    CompareSheets(state, ui, false);
    const QString &text = alignment.byContent ? kAlignedColsByContentText : kAlignedColsText;
    ui.showMessage(text.arg(alignment.addedCols(0)).arg(alignment.addedCols(1)), kAlignColsTitle,
                   MessageIcon::Information);
}

void mnuDiffRowsOnly_Click(AppState &state, UserInterface &ui)
{
    if (commandMayRun(state, Command::DiffRowsOnly))
        toggleShownDifferences(state, ui, state.mnuDiffRowsOnlyChecked, kRowsOnlyTitle);
}

void mnuDiffColsOnly_Click(AppState &state, UserInterface &ui)
{
    if (commandMayRun(state, Command::DiffColsOnly))
        toggleShownDifferences(state, ui, state.mnuDiffColsOnlyChecked, kColsOnlyTitle);
}
