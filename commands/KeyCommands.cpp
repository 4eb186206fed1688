#include "KeyCommands.h"

#include "AppState.h"
#include "CellEditor.h"
#include "CommandTable.h"
#include "CompareEngine.h"
#include "GridError.h"
#include "HeaderNumbers.h"
#include "SheetLabels.h"
#include "SheetLock.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace
{
const QString kKeyAlignTitle = u"キー列で行を揃える"_s;
const QString kKeySortTitle = u"キー列で並べ替え"_s;
const QString kAlignedText = u"%1に %2 行、%3に %4 行の空行を入れて揃えました。"_s;
const QString kAlreadyAlignedText = u"行はすでに揃っています。"_s;
const QString kSortedText = u"キー列の順に並べ替えました。"_s;
const QString kAlreadySortedText = u"行はすでにキー列の順に並んでいます。"_s;
const QString kNoKeyColumnText = u"キー列を１つ以上選んで下さい。"_s;
const QString kKeyColumnsTitle = u"キー列"_s;

// A message and, on its own line, the note about repeated keys when there is one.
QString withRepeatedKeys(const QString &text, const std::array<int, 2> &repeatedRows)
{
    const QString note = repeatedKeysText(repeatedRows);
    return note.isEmpty() ? text : text + u"\r\n"_s + note;
}

// The key column dialog, after an edit still open has landed in its own cell: the rows are about
// to move under it.
bool askKeyColumns(AppState &state, UserInterface &ui, KeyColumnsPurpose purpose)
{
    for (int i = 0; i < 2; ++i)
        EndCellEdit(state, i);
    return ui.showKeyColumnsDialog(state, purpose);
}
} // namespace

std::vector<KeyColumnEntry> keyColumnEntries(const AppState &state)
{
    const Sheet &first = state.grdData(0);
    const Sheet &second = state.grdData(1);
    std::vector<KeyColumnEntry> entries;
    for (int c = 1; c < std::max(first.cols(), second.cols()); ++c) {
        KeyColumnEntry entry{c, {}};
        for (int i = 0; i < 2; ++i) {
            const Sheet &sheet = state.grdData(i);
            if (c < sheet.cols() && sheet.rows() > 1)
                entry.firstRow[size_t(i)] = sheet.textMatrix(1, c);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

KeyColumns proposedKeyColumns(const AppState &state)
{
    const int cols = std::max(state.grdData(0).cols(), state.grdData(1).cols());
    KeyColumns proposed;
    for (const int c : state.keyColumns.columns) {
        if (c < cols)
            proposed.columns.push_back(c);
    }
    proposed.header = looksLikeHeading(state.grdData(0), state.grdData(1), proposed.columns);
    return proposed;
}

bool SaveKeyColumnsChoice(AppState &state, UserInterface &ui, const KeyColumns &choice)
{
    if (choice.columns.empty()) {
        ui.showMessage(kNoKeyColumnText, kKeyColumnsTitle, MessageIcon::Exclamation);
        return false;
    }
    state.keyColumns = choice;
    std::sort(state.keyColumns.columns.begin(), state.keyColumns.columns.end());
    return true;
}

void mnuKeyAlign_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::KeyAlign) || !askKeyColumns(state, ui, KeyColumnsPurpose::LineUp))
        return;
    const std::optional<KeyLineUp> lined
        = lineUpRowsByKey(state.grdData(0), state.grdData(1), state.keyColumns, state.compareOptions);
    if (!lined) {
        ui.showMessage(alignTooLongText(), kKeyAlignTitle, MessageIcon::Exclamation);
        return;
    }
    const RowAlignment &alignment = lined->alignment;
    if (alignment.changesNothing()) {
        ui.showMessage(withRepeatedKeys(kAlreadyAlignedText, lined->repeatedRows), kKeyAlignTitle,
                       MessageIcon::Information);
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
    ui.showMessage(withRepeatedKeys(kAlignedText.arg(kSheetLabels[0])
                                        .arg(alignment.addedRows(0))
                                        .arg(kSheetLabels[1])
                                        .arg(alignment.addedRows(1)),
                                    lined->repeatedRows),
                   kKeyAlignTitle, MessageIcon::Information);
}

void mnuKeySort_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::KeySort) || !askKeyColumns(state, ui, KeyColumnsPurpose::Sort))
        return;
    const std::array<std::vector<int>, 2> orders
        = keySortOrders(state.grdData(0), state.grdData(1), state.keyColumns, state.compareOptions);
    if (keepsEveryRow(orders[0]) && keepsEveryRow(orders[1])) {
        ui.showMessage(kAlreadySortedText, kKeySortTitle, MessageIcon::Information);
        return;
    }
    ignoreGridErrors([&] { clearClickMarks(state); });
    for (int i = 0; i < 2; ++i) {
        if (keepsEveryRow(orders[size_t(i)]))
            continue;
        SaveUndoSnapshot(state, i);
        Sheet &sheet = state.grdData(i);
        sheet.setRedraw(false);
        sheet.setEnabled(false);
        ignoreGridErrors([&] {
            sheet.reorderRows(orders[size_t(i)]);
            NumberRowHeaders(sheet);
        });
        sheet.setEnabled(true);
        sheet.setRedraw(true);
    }
    CompareSheets(state, ui, false);
    ui.showMessage(kSortedText, kKeySortTitle, MessageIcon::Information);
}
