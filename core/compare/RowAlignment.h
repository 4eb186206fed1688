#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

#include <QStringView>

// Lining up the rows of two sheets that differ by inserted and deleted rows.
//
// The comparison itself is positional: one extra row in the middle of a file makes every row
// below it differ. Lining up finds the longest common sequence of identical rows (Myers' O(ND)
// difference algorithm on row identities, in linear space), then, in each stretch between two
// matched rows, pairs the rows of both sheets by likeness (RowLikeness) or, without it, in order,
// and gives the sheet whose stretch is shorter empty rows, so that the rest of the longer stretch
// faces empty rows.

class CellEquality;
class QString;
class SheetData;
struct CompareOptions;

// `count` empty rows go in before row `before` of the sheet as it is now: data rows count from
// 1, and `before` one past the last row appends.
struct RowInsertion
{
    int before = 0;
    int count = 0;

    friend bool operator==(const RowInsertion &, const RowInsertion &) = default;
};

struct RowAlignment
{
    // Per sheet, in ascending order of `before`.
    std::array<std::vector<RowInsertion>, 2> insertions;
    // Per sheet, the data row (from 1) of the other sheet facing each of its data rows after the
    // lining up, or 0 where it faces an inserted empty row: what the companion reports.
    std::array<std::vector<int>, 2> partners;

    [[nodiscard]] int addedRows(int sheet) const;
    // The insertions of `sheet` as SheetData::insertRowGroups takes them.
    [[nodiscard]] std::vector<std::pair<int, int>> rowGroups(int sheet) const;
    // The inserted rows of `sheet` as they are numbered once every insertion is made, ascending:
    // the rows that become filler rows.
    [[nodiscard]] std::vector<int> fillerRows(int sheet) const;
    // For each data row of `sheet` after the lining up (from 1; index 0 unused), the data row it
    // was in the file, or 0 for an inserted empty row. `rows` counts the data rows before.
    [[nodiscard]] std::vector<int> originalRows(int sheet, int rows) const;
    // False when the search ran out of its budget and matched rows by the heuristic matchRows()
    // describes: a longer common sequence may exist (mayNotBeLongestText() says so).
    bool longest = true;

    [[nodiscard]] bool changesNothing() const
    {
        return insertions[0].empty() && insertions[1].empty();
    }
};

// The work matchRows() does before it turns to its heuristic, in steps of the search (a row pair
// compared or a diagonal advanced): about a second at most. The exact search costs about half
// the square of the edit distance, so pairs of files that differ by up to some 15 000 inserted
// and deleted rows are matched exactly within it, whatever their length.
inline constexpr std::int64_t kRowMatchEffort = 200'000'000;

struct RowMatches
{
    // (index in first, index in second) pairs from 0, both ascending.
    std::vector<std::pair<int, int>> pairs;
    // Whether `pairs` is a longest common subsequence for certain.
    bool longest = true;
    // The budget was spent under WhenSpent::GiveUp: `pairs` is empty and says nothing.
    bool gaveUp = false;
};

// What matchRows() does once its budget is spent: go on by its heuristic (rows must be matched
// whatever it costs), or stop and say so (a caller with a cheaper fallback of its own).
enum class WhenSpent {
    Heuristic,
    GiveUp,
};

// The matched rows of two sequences of row identities: their longest common subsequence, by
// Myers' bisection in linear space. Once about `effortLimit` steps are spent, each part still
// to be searched is searched 1024 edits deep from both ends and split where either search got
// furthest, instead of where they meet: rows are still matched, but the sequence may then be
// shorter than the longest, and `longest` is false. Under WhenSpent::GiveUp the search stops
// there instead and reports `gaveUp`; it gives up as well once it is clear that the sequences
// differ by more than about `maxEdits` insertions and deletions (of identities both have: the
// others are set aside first). The sequences are of any
// identities (rows, characters).
[[nodiscard]] RowMatches matchRows(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
                                   std::int64_t effortLimit = kRowMatchEffort,
                                   WhenSpent whenSpent = WhenSpent::Heuristic,
                                   int maxEdits = std::numeric_limits<int>::max() - 2);

// What pairs the unmatched rows of a stretch between two matched rows: each row's cells as keys,
// equal for two cells the comparison finds the same and kEmptyCellKey for a cell that is the same
// as an empty one. Rows count from 0, as in the identity sequences.
class RowLikeness
{
public:
    static constexpr std::uint64_t kEmptyCellKey = 0;

    virtual ~RowLikeness() = default;
    // Keys per row, the same for every row of both sheets.
    [[nodiscard]] virtual int width() const = 0;
    virtual void cellKeys(int sheet, int row, std::uint64_t *keys) = 0;
};

// The largest stretch paired by likeness, in row pairs (rows of the first sheet's part times rows
// of the second's): its work grows with that product, and a stretch past it pairs in order.
inline constexpr std::int64_t kLikenessPairLimit = std::int64_t(2000) * 2000;

// The pairing of one stretch of `rowsA` and `rowsB` unmatched rows, starting at `startA` and
// `startB`, with the fewest differing cells: two paired rows cost the cells whose keys differ, a
// row left facing an empty row costs its cells that are not empty. Among pairings that cost the
// same, rows pair as early in the stretch as they can. For each row of the first part, the row
// of the second part (from 0 within the stretch) it faces, or -1.
[[nodiscard]] std::vector<int> pairByLikeness(RowLikeness &likeness, int startA, int rowsA, int startB, int rowsB);

// Rows by identity: one number per data row of each sheet, equal exactly when the rows are. The
// rows matchRows() matches face each other; between two of them, rows are paired by `likeness`
// where there is one and the stretch is within kLikenessPairLimit, else in order.
[[nodiscard]] RowAlignment alignRows(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
                                     std::int64_t effortLimit = kRowMatchEffort, RowLikeness *likeness = nullptr);

// The alignment of matched (row of first, row of second) pairs, ascending and from 0, of two
// sheets of `rowsA` and `rowsB` rows. Each stretch between two pairs is paired by `likeness` as
// alignRows() does; without it (or past the limit) `inOrder` pairs its rows in order, and
// otherwise the first sheet's unmatched rows come first, each facing an empty row.
[[nodiscard]] RowAlignment alignFromMatches(const std::vector<std::pair<int, int>> &matches, int rowsA, int rowsB,
                                            bool inOrder, RowLikeness *likeness);

// The rows (from 0) of each sheet that alignFromMatches() with a likeness asks the keys of: those
// of the stretches it pairs by likeness, ascending. What a stream reads again for them.
[[nodiscard]] std::array<std::vector<int>, 2> rowsPairedByLikeness(const std::vector<std::pair<int, int>> &matches,
                                                                   int rowsA, int rowsB);

// The key of one cell at data column `col` for a RowLikeness: the same for cells the comparison
// finds the same, RowLikeness::kEmptyCellKey for one that is the same as an empty cell or in a
// column left out.
[[nodiscard]] std::uint64_t likenessCellKey(CellEquality &equality, QStringView text, int col);

// Likeness of the stored sheets' data rows from `firstRow` on (row 0 of the identity sequences is
// data row `firstRow`) under the comparison options, over the data columns both sheets have.
[[nodiscard]] std::unique_ptr<RowLikeness> sheetLikeness(const SheetData &first, const SheetData &second,
                                                         const CompareOptions &options, int firstRow = 1);

// The one way rows get their identities, stored or read as a stream: each row of both sequences
// has a hash under the comparison options (rows the options make the same must share it), and
// within the rows of one hash same(sheetA, rowA, sheetB, rowB) decides (rows from 0). A row takes
// the identity of the first row before it that it is the same as, sheet 0's rows coming before
// sheet 1's, and a new one when there is none; so two different rows never share an identity.
// Hashes that stand for their rows' texts outright may pass a `same` that is always true.
template<typename Hash, typename Same>
[[nodiscard]] std::array<std::vector<std::uint32_t>, 2>
identitiesFromHashes(const std::array<std::vector<Hash>, 2> &hashes, Same &&same)
{
    const std::uint32_t firstCount = std::uint32_t(hashes[0].size());
    const auto hashOf = [&](std::uint32_t at) -> const Hash & {
        return at < firstCount ? hashes[0][at] : hashes[1][at - firstCount];
    };
    std::vector<std::uint32_t> order(firstCount + hashes[1].size());
    std::iota(order.begin(), order.end(), 0u);
    // Within one hash the rows keep their order, so that the first of them meets the others.
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const Hash &a = hashOf(x);
        const Hash &b = hashOf(y);
        return a < b || (!(b < a) && x < y);
    });
    std::array<std::vector<std::uint32_t>, 2> identities{std::vector<std::uint32_t>(firstCount),
                                                         std::vector<std::uint32_t>(hashes[1].size())};
    struct Representative
    {
        int sheet;
        int row;
        std::uint32_t identity;
    };
    std::vector<Representative> bucket; // the distinct rows of the current hash
    std::uint32_t next = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i == 0 || hashOf(order[i - 1]) < hashOf(order[i]))
            bucket.clear();
        const std::uint32_t at = order[i];
        const int sheet = at < firstCount ? 0 : 1;
        const int row = int(sheet == 0 ? at : at - firstCount);
        const auto known = std::find_if(bucket.begin(), bucket.end(), [&](const Representative &other) {
            return same(other.sheet, other.row, sheet, row);
        });
        std::uint32_t identity = 0;
        if (known != bucket.end()) {
            identity = known->identity;
        } else {
            identity = next++;
            bucket.push_back({sheet, row, identity});
        }
        identities[size_t(sheet)][size_t(row)] = identity;
    }
    return identities;
}

// The note of a lining up whose matched rows may not be the longest sequence, and a message
// with that note on a line of its own when `alignment` needs it.
[[nodiscard]] QString mayNotBeLongestText();
[[nodiscard]] QString withLineUpNote(const QString &message, const RowAlignment &alignment);

// The message when lining up would take a sheet past the row limit or its cell capacity.
[[nodiscard]] QString alignTooLongText();

// Whether both sheets can take the rows `alignment` adds: rows and cells, checked for both before
// either changes, so that lining up is done whole or not at all.
[[nodiscard]] bool alignmentFits(const RowAlignment &alignment, const SheetData &first, const SheetData &second);

// The identities of both sheets' data rows: rows are the same when their texts agree in every
// data column both sheets have. Hashes sort the rows into buckets; within a bucket the texts
// decide, so two different rows never share an identity. Under comparison options, rows are the
// same when the options make every pair of their cells the same (columns left out do not count).
[[nodiscard]] std::array<std::vector<std::uint32_t>, 2> rowIdentities(const SheetData &first, const SheetData &second);
[[nodiscard]] std::array<std::vector<std::uint32_t>, 2> rowIdentities(const SheetData &first, const SheetData &second,
                                                                      const CompareOptions &options);

// Lining up as every caller does it: the rows' identities, the alignment, and the check that both
// sheets can take the rows it adds. Nothing when either could not (alignTooLongText() says so);
// the alignment may change nothing.
[[nodiscard]] std::optional<RowAlignment> lineUpRows(const SheetData &first, const SheetData &second);
[[nodiscard]] std::optional<RowAlignment> lineUpRows(const SheetData &first, const SheetData &second,
                                                     const CompareOptions &options);

// Puts the empty rows `alignment` gives sheet `index` (0 or 1) into `data` and marks them as
// filler rows: light grey where they differ, left out of a save while empty. The rows must fit
// (alignmentFits()).
void insertAlignedRows(SheetData &data, const RowAlignment &alignment, int index);
