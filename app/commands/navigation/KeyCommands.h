#pragma once

#include "KeyAlignment.h"

#include <QString>

#include <array>
#include <vector>

class AppState;
class UserInterface;

// The key column commands of the "差分" menu: lining up rows by key columns, and sorting both
// sheets by them. Both ask for the key columns in one dialog first.

// One column as the key column dialog lists it: its number and the text of row 1 of each sheet
// (empty where a sheet has no such column).
struct KeyColumnEntry
{
    int column = 0;
    std::array<QString, 2> firstRow;
};

// Every data column of the wider sheet.
[[nodiscard]] std::vector<KeyColumnEntry> keyColumnEntries(const AppState &state);

// What the dialog offers before the person changes anything: the key columns last chosen that
// either sheet has, and 「1行目は見出し（揃えない）」 as looksLikeHeading() says for them.
[[nodiscard]] KeyColumns proposedKeyColumns(const AppState &state);

// OK of the dialog: no key column is refused with a message (false, the dialog stays open);
// otherwise the choice goes into state.keyColumns, to be remembered, and the dialog closes.
[[nodiscard]] bool SaveKeyColumnsChoice(AppState &state, UserInterface &ui, const KeyColumns &choice);

// 「キー列で行を揃える…」: with both sheets shown, asks for the key columns, then matches rows whose
// key cells are the same (under the comparison options) as the longest common sequence of keys,
// rows of a repeated key in order, and gives every other row an empty row in the other sheet.
// A heading row stays facing row 1. Empty rows an earlier lining up put in take no part: they go
// where this lining up puts empty rows, so that a second run finds the rows lined up. Each sheet
// that changes gets its undo snapshot first, its row headers renumbered and its inserted rows
// marked as filler rows; both are compared again in silence. The closing message says how many
// empty rows each sheet has, and how many rows have a repeated key. Refused with a message,
// nothing changed, when a sheet would pass its limits.
void mnuKeyAlign_Click(AppState &state, UserInterface &ui);

// 「キー列で並べ替え…」: with both sheets shown, asks for the key columns, then sorts the rows of
// both sheets by them (keySortOrders), a heading row on top; rows keep their line ends and marks.
// Each sheet whose order changes gets its undo snapshot first; both are compared again in silence.
void mnuKeySort_Click(AppState &state, UserInterface &ui);
