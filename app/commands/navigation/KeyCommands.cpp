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

// The rows an earlier lining up put in and nobody has written into, from the bottom up.
std::vector<int> fillerRows(const Sheet &sheet)
{
    std::vector<int> rows;
    for (int r = sheet.rows() - 1; r >= 1; --r) {
        bool empty = sheet.isFillerRow(r);
        for (int c = 1; empty && c < sheet.cols(); ++c)
            empty = sheet.textView(r, c).isEmpty();
        if (empty)
            rows.push_back(r);
    }
    return rows;
}

// An order of `rows` rows that puts `fillers` last, the other rows keeping theirs: the fillers
// then go in one cut at the bottom, however many there are.
std::vector<int> fillersLast(int rows, const std::vector<int> &fillers)
{
    std::vector<char> isFiller(size_t(rows), 0);
    for (const int row : fillers)
        isFiller[size_t(row)] = 1;
    std::vector<int> order;
    order.reserve(size_t(rows));
    for (int r = 0; r < rows; ++r) {
        if (!isFiller[size_t(r)])
            order.push_back(r);
    }
    order.insert(order.end(), fillers.rbegin(), fillers.rend());
    return order;
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
    proposed.header = looksLikeHeading(state.grdData(0).data(), state.grdData(1).data(), proposed.columns);
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
    // Empty rows of an earlier lining up are no rows of either file: the sheets are lined up as if
    // they were not there, and they go where the new lining up puts empty rows. Run again, the
    // command then finds the rows lined up instead of matching the empty rows with each other.
    const std::array<std::vector<int>, 2> fillers{fillerRows(state.grdData(0)), fillerRows(state.grdData(1))};
    std::array<SheetData, 2> withoutFillers;
    std::array<const SheetData *, 2> from{&state.grdData(0).data(), &state.grdData(1).data()};
    for (size_t i = 0; i < 2; ++i) {
        if (fillers[i].empty())
            continue;
        SheetData &data = withoutFillers[i];
        data = *from[i];
        data.reorderRows(fillersLast(data.rows(), fillers[i]));
        data.resize(data.rows() - int(fillers[i].size()), data.cols());
        from[i] = &data;
    }
    const std::optional<KeyLineUp> lined = lineUpRowsByKey(*from[0], *from[1], state.keyColumns, state.compareOptions);
    if (!lined) {
        ui.showMessage(alignTooLongText(), kKeyAlignTitle, MessageIcon::Exclamation);
        return;
    }
    const RowAlignment &alignment = lined->alignment;
    std::array<bool, 2> changes{};
    for (int i = 0; i < 2; ++i) {
        // The line-up's empty rows, last first as fillerRows lists the sheet's.
        std::vector<int> inserted = alignment.fillerRows(i);
        std::reverse(inserted.begin(), inserted.end());
        changes[size_t(i)] = inserted != fillers[size_t(i)];
    }
    if (!changes[0] && !changes[1]) {
        ui.showMessage(withLineUpNote(withRepeatedKeys(kAlreadyAlignedText, lined->repeatedRows), alignment),
                       kKeyAlignTitle, MessageIcon::Information);
        return;
    }
    // The rows move under the current cells: the blue marks would stay on the texts that moved.
    ignoreGridErrors([&] { clearClickMarks(state); });
    for (int i = 0; i < 2; ++i) {
        if (!changes[size_t(i)])
            continue;
        Sheet &sheet = state.grdData(i);
        const SheetLock lock(sheet);
        ignoreGridErrors([&] {
            if (!fillers[size_t(i)].empty()) {
                sheet.reorderRows(fillersLast(sheet.rows(), fillers[size_t(i)]));
                sheet.setRows(sheet.rows() - int(fillers[size_t(i)].size()));
            }
            insertAlignedRows(sheet, alignment, i);
            NumberRowHeaders(sheet);
        });
    }
    CompareSheets(state, ui, false);
    ui.showMessage(withLineUpNote(withRepeatedKeys(kAlignedText.arg(kSheetLabels[0])
                                                       .arg(alignment.addedRows(0))
                                                       .arg(kSheetLabels[1])
                                                       .arg(alignment.addedRows(1)),
                                                   lined->repeatedRows),
                                  alignment),
                   kKeyAlignTitle, MessageIcon::Information);
}

void mnuKeySort_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::KeySort) || !askKeyColumns(state, ui, KeyColumnsPurpose::Sort))
        return;
    const std::array<std::vector<int>, 2> orders
        = keySortOrders(state.grdData(0).data(), state.grdData(1).data(), state.keyColumns, state.compareOptions);
    if (keepsEveryRow(orders[0]) && keepsEveryRow(orders[1])) {
        ui.showMessage(kAlreadySortedText, kKeySortTitle, MessageIcon::Information);
        return;
    }
    ignoreGridErrors([&] { clearClickMarks(state); });
    for (int i = 0; i < 2; ++i) {
        if (keepsEveryRow(orders[size_t(i)]))
            continue;
        Sheet &sheet = state.grdData(i);
        const SheetLock lock(sheet);
        ignoreGridErrors([&] {
            sheet.reorderRows(orders[size_t(i)]);
            NumberRowHeaders(sheet);
        });
    }
    CompareSheets(state, ui, false);
    ui.showMessage(kSortedText, kKeySortTitle, MessageIcon::Information);
}
