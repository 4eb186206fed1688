#pragma once

#include "RowAlignment.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class SheetData;
struct CompareOptions;

// Lining up and sorting rows by key columns (an order number, a product code): rows are the same
// row of the business when their key cells are the same, whatever their other cells say.
//
// Key cells compare under the comparison options in force, as any cell does, except that a key
// column is never left out (比較しない列 does not apply to keys). An empty key cell is an
// ordinary value: rows with empty keys match each other. A sheet with fewer columns than a key
// column reads that key cell as empty.

// The key columns chosen: data columns from 1, ascending, at least one for any work to be done;
// and whether row 1 is a heading, which stays facing row 1 (and on top) and is never matched.
struct KeyColumns
{
    std::vector<int> columns;
    bool header = false;

    friend bool operator==(const KeyColumns &, const KeyColumns &) = default;
};

// The columns as a column list, "1, 3-4", and back; nothing that cannot be read is kept, so
// that a hand-edited settings file still opens.
[[nodiscard]] QString keyColumnsText(const std::vector<int> &columns);
[[nodiscard]] std::vector<int> keyColumnsFromText(QStringView text);

// The first data row that takes part: 2 under a heading, else 1.
[[nodiscard]] inline int firstKeyRow(const KeyColumns &keys)
{
    return keys.header ? 2 : 1;
}

// One identity per data row of each sheet from firstKeyRow() on, equal exactly when the rows'
// key cells are the same. Hashes sort the rows into buckets and the texts decide within one, so
// two different keys never share an identity. Numbers under the numeric rule hash by value; with
// a tolerance, a key is the first one seen within the tolerance of it.
[[nodiscard]] std::array<std::vector<std::uint32_t>, 2>
keyIdentities(const SheetData &first, const SheetData &second, const KeyColumns &keys, const CompareOptions &options);

// How many rows share their key with another row of the same sheet (both rows of a repeated key
// count).
[[nodiscard]] int repeatedKeyRows(const std::vector<std::uint32_t> &identities);

// Lines up two sheets whose data rows from `firstRow` on have the identities given: the longest
// common subsequence of the identities is matched (rows of a repeated key in order), matched
// rows face each other. Between two matched rows, the unmatched rows pair by `likeness` as
// alignRows() pairs them; without it every other row faces an empty row put into the other sheet,
// the first sheet's unmatched rows first. Rows above `firstRow` face each other.
[[nodiscard]] RowAlignment alignRowsByKey(const std::vector<std::uint32_t> &first,
                                          const std::vector<std::uint32_t> &second, int firstRow = 1,
                                          RowLikeness *likeness = nullptr);

// The matches alignRowsByKey() lines up on: rows above `firstRow` face each other, then the
// longest common sequence of the identities; rows from 0 counting those above `firstRow`.
[[nodiscard]] RowMatches matchKeys(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
                                   int firstRow);

struct KeyLineUp
{
    RowAlignment alignment;
    std::array<int, 2> repeatedRows{}; // repeatedKeyRows() of each sheet
};

// Lining up by key as every caller does it. Nothing when either sheet could not take the rows it
// adds (alignTooLongText() says so).
[[nodiscard]] std::optional<KeyLineUp> lineUpRowsByKey(const SheetData &first, const SheetData &second,
                                                       const KeyColumns &keys, const CompareOptions &options);

// The note of a lining up that met repeated keys; empty when none repeats.
[[nodiscard]] QString repeatedKeysText(const std::array<int, 2> &repeatedRows);

// The order of each sheet's rows sorted by the key columns: for each row of the sorted sheet
// (headers included, index 0 is the header row), the row it comes from. The sort is stable and
// goes column by column in ascending column order. A column is ordered by value when every key
// cell of it in both sheets reads as a number (empty cells aside, which come first), otherwise by
// code point of the texts as the options fold them. A heading row stays on top. Both sheets are
// ordered by the same rule, so that lining up by key afterwards matches every common key.
[[nodiscard]] std::array<std::vector<int>, 2> keySortOrders(const SheetData &first, const SheetData &second,
                                                            const KeyColumns &keys, const CompareOptions &options);

// Whether `order` leaves every row where it is.
[[nodiscard]] bool keepsEveryRow(const std::vector<int> &order);

// Code point order of two texts (not UTF-16 order: characters beyond U+FFFF come after U+FFFF).
[[nodiscard]] int compareCodePoints(QStringView a, QStringView b);

// Whether row 1 of both sheets looks like a heading in every one of `columns`: non-empty text
// that does not read as a number. False without columns.
[[nodiscard]] bool looksLikeHeading(const SheetData &first, const SheetData &second, const std::vector<int> &columns);
