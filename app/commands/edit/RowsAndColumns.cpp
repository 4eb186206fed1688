#include "RowsAndColumns.h"

#include "AppState.h"
#include "CommandTable.h"
#include "CompareEngine.h"
#include "GridError.h"
#include "HeaderNumbers.h"
#include "SheetLock.h"
#include "ShownDifferences.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace
{
const QString kAddRowsCaption = u"行追加"_s;
const QString kAddColumnsCaption = u"列追加"_s;
const QString kDeleteRowsCaption = u"行削除"_s;
const QString kDeleteColumnsCaption = u"列削除"_s;
const QString kCapacityText = u"追加するとシートのセルの数が上限（%1 個）を超えるため、追加できません。"_s;

// The caption without the shortcut text a menu item may carry after a TAB.
QString itemCaption(const QString &caption)
{
    return caption.section(u'\t', 0, 0);
}

// The frame both commands share: snapshot, the body with the active sheet undrawn and disabled,
// and a final step that runs whatever the body did, a grid error included.
template<typename Body>
void changeRowsOrColumns(AppState &state, UserInterface &ui, Command command, Body &&body)
{
    if (!commandMayRun(state, command))
        return;
    const int index = activeSheetIndex(state);
    if (index < 0)
        return;
    Sheet &sheet = state.grdData(index);
    {
        const SheetLock lock(sheet);
        ignoreGridErrors([&] { body(sheet); });
    }
    if (state.grdData(0).isVisible() && state.grdData(1).isVisible())
        CompareSheets(state, ui, false);
}

// Whether the block of the active sheet holds hidden rows (for a row item) or columns (for a
// column item), said to the person: inserting or removing as many as the block spans would reach
// rows or columns nobody sees.
bool refusedOverHiddenLines(AppState &state, UserInterface &ui, Command command, const QString &item, bool rows)
{
    const int index = activeSheetIndex(state);
    if (!commandMayRun(state, command) || index < 0)
        return false;
    const Sheet &sheet = state.grdData(index);
    const bool hides = rows ? sheet.shownRows().hidesBetween(sheet.row(), sheet.rowSel())
                            : sheet.shownCols().hidesBetween(sheet.col(), sheet.colSel());
    if (hides)
        ui.showMessage(hiddenLinesRefusal(item), item, MessageIcon::Exclamation);
    return hides;
}

// How many of `count` fit below the 16-bit limit.
int fittingCount(int count, int present)
{
    return std::clamp(kMaxRowCol - present, 0, count);
}

// Inserts as many of `count` as fit below the 16-bit limit.
void insertFitting(int count, int present, const std::function<void(int)> &insert)
{
    const int fitting = fittingCount(count, present);
    if (fitting > 0)
        insert(fitting);
}

// Whether the rows or columns the insertion `item` adds fit the sheet's cell capacity. Checked
// before the undo snapshot is taken: a refused insertion must not cost the person the undo of
// the change before it.
bool insertionFitsCells(const Sheet &sheet, const QString &item)
{
    if (item == kAddRowsCaption)
        return qint64(sheet.rows() + fittingCount(sheet.rowSel() - sheet.row() + 1, sheet.rows())) * sheet.cols()
            <= kMaxCells;
    if (item == kAddColumnsCaption)
        return qint64(sheet.cols() + fittingCount(sheet.colSel() - sheet.col() + 1, sheet.cols())) * sheet.rows()
            <= kMaxCells;
    return true;
}

// Removes as many of `count` as leave one data row or column.
void removeLeavingOne(int count, int present, const std::function<void(int)> &remove)
{
    const int removable = std::clamp(present - 2, 0, count);
    if (removable > 0)
        remove(removable);
}
} // namespace

void mnuGAdd_Click(AppState &state, UserInterface &ui, const QString &caption)
{
    const QString item = itemCaption(caption);
    if (refusedOverHiddenLines(state, ui, Command::GAdd, item, item == kAddRowsCaption))
        return;
    const int index = activeSheetIndex(state);
    if (commandMayRun(state, Command::GAdd) && index >= 0 && !insertionFitsCells(state.grdData(index), item)) {
        ui.showMessage(kCapacityText.arg(kMaxCells), item, MessageIcon::Exclamation);
        return;
    }
    changeRowsOrColumns(state, ui, Command::GAdd, [&](Sheet &sheet) {
        if (item == kAddRowsCaption) {
            const int at = sheet.row();
            insertFitting(sheet.rowSel() - at + 1, sheet.rows(),
                          [&](int n) { sheet.insertRows(at, n, CellMove::TextsAndColours); });
            NumberRowHeaders(sheet);
        } else if (item == kAddColumnsCaption) {
            const int at = sheet.col();
            insertFitting(sheet.colSel() - at + 1, sheet.cols(),
                          [&](int n) { sheet.insertCols(at, n, CellMove::TextsOnly); });
            NumberColumnHeaders(sheet);
        }
    });
}

void mnuGDel_Click(AppState &state, UserInterface &ui, const QString &caption)
{
    const QString item = itemCaption(caption);
    if (refusedOverHiddenLines(state, ui, Command::GDel, item, item == kDeleteRowsCaption))
        return;
    changeRowsOrColumns(state, ui, Command::GDel, [&](Sheet &sheet) {
        if (item == kDeleteRowsCaption) {
            if (sheet.rows() <= 2)
                return;
            const int at = sheet.row();
            removeLeavingOne(sheet.rowSel() - at + 1, sheet.rows(),
                             [&](int n) { sheet.removeRows(at, n, CellMove::TextsAndColours); });
            NumberRowHeaders(sheet);
        } else if (item == kDeleteColumnsCaption) {
            if (sheet.cols() <= 2)
                return;
            const int at = sheet.col();
            removeLeavingOne(sheet.colSel() - at + 1, sheet.cols(),
                             [&](int n) { sheet.removeCols(at, n, CellMove::TextsOnly); });
            NumberColumnHeaders(sheet);
        }
    });
}
