#include "KeyAlignment.h"

#include "CellEquality.h"
#include "SheetData.h"
#include "SheetLabels.h"
#include "TextFolding.h"

#include <QHash>

#include <algorithm>
#include <numeric>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace
{
const QString kRepeatedKeysText = u"キーが重複している行があります（%1: %2 行, %3: %4 行）"_s;

// With a tolerance, each numeric key cell may also lie in the next bucket: a row is looked up
// under every mix of its cells' buckets, for at most this many such cells (the others still
// compare, but only a key within the same bucket is found).
constexpr int kMaxNeighbourCells = 6;

QStringView keyText(const SheetData &data, int row, int col)
{
    return col < data.cols() ? data.text(row, col) : QStringView();
}

// The hash of one key cell, and with a tolerance the hash of the neighbouring bucket a value
// within the tolerance may have.
struct CellHash
{
    size_t own = 0;
    std::optional<size_t> neighbour;
};

class KeyHasher
{
public:
    explicit KeyHasher(const CompareOptions &options)
        : m_equality(options)
        , m_numeric(options.numeric)
        , m_tolerance(decimalOf(options.tolerance))
        , m_gridPower(m_tolerance.isZero() ? 0 : toleranceGridPower(m_tolerance))
    {
    }

    CellHash hash(QStringView text, int col)
    {
        const QStringView folded = m_equality.foldedText(text, col);
        if (m_numeric && TextFolding::readDecimal(TextFolding::trimBlanks(folded), m_value)) {
            // Equal values have one form, whatever the text wrote.
            if (m_tolerance.isZero())
                return {qHashMulti(1, m_value.negative, m_value.exponent, QByteArrayView(m_value.digits)),
                        std::nullopt};
            // Cells of a grid at least twice the tolerance wide: a value within the tolerance of
            // this one lies in this cell or in the one on the nearer side.
            const ToleranceCells cells = toleranceCells(m_value, m_gridPower);
            return {qHashMulti(2, QByteArrayView(cells.own)), qHashMulti(2, QByteArrayView(cells.neighbour))};
        }
        return {qHash(folded), std::nullopt};
    }

    bool equal(QStringView a, QStringView b, int col)
    {
        return m_equality.matchRules(a, b, col) != CellMatch::Differs;
    }

private:
    CellEquality m_equality;
    bool m_numeric;
    Decimal m_tolerance;
    int m_gridPower;
    Decimal m_value;
};

// A key column's sort value in one row: a number, or the folded text.
struct SortCell
{
    bool empty = false;
    Decimal number;
    QString text;
};
} // namespace

QString keyColumnsText(const std::vector<int> &columns)
{
    std::vector<ColumnRange> ranges;
    for (const int c : columns) {
        if (!ranges.empty() && ranges.back().last + 1 == c)
            ranges.back().last = c;
        else
            ranges.push_back({c, c});
    }
    return columnListText(ranges);
}

std::vector<int> keyColumnsFromText(QStringView text)
{
    std::vector<int> columns;
    if (const std::optional<std::vector<ColumnRange>> ranges = parseColumnList(text)) {
        for (const ColumnRange &range : *ranges) {
            for (int c = range.first; c <= range.last; ++c)
                columns.push_back(c);
        }
    }
    return columns;
}

std::array<std::vector<std::uint32_t>, 2> keyIdentities(const SheetData &first, const SheetData &second,
                                                        const KeyColumns &keys, const CompareOptions &options)
{
    const std::array<const SheetData *, 2> sheets{&first, &second};
    KeyHasher hasher(options);
    struct Representative
    {
        int sheet;
        int row;
        std::uint32_t identity;
    };
    std::unordered_map<size_t, std::vector<Representative>> buckets;
    buckets.reserve(size_t(first.rows() + second.rows()));
    const auto sameKey = [&](const SheetData &a, int rowA, const SheetData &b, int rowB) {
        for (const int c : keys.columns) {
            if (!hasher.equal(keyText(a, rowA, c), keyText(b, rowB, c), c))
                return false;
        }
        return true;
    };

    std::array<std::vector<std::uint32_t>, 2> identities;
    std::vector<CellHash> cells(keys.columns.size());
    std::vector<size_t> neighbours; // indexes into `cells` of those with a neighbouring bucket
    std::uint32_t next = 0;
    const int firstRow = firstKeyRow(keys);
    for (int s = 0; s < 2; ++s) {
        const SheetData &sheet = *sheets[size_t(s)];
        identities[size_t(s)].reserve(size_t(std::max(0, sheet.rows() - firstRow)));
        for (int r = firstRow; r < sheet.rows(); ++r) {
            neighbours.clear();
            for (size_t k = 0; k < keys.columns.size(); ++k) {
                cells[k] = hasher.hash(keyText(sheet, r, keys.columns[k]), keys.columns[k]);
                if (cells[k].neighbour && neighbours.size() < size_t(kMaxNeighbourCells))
                    neighbours.push_back(k);
            }
            std::optional<std::uint32_t> found;
            size_t ownHash = 0;
            // Mix 0 is the row's own buckets; the others swap in neighbouring ones.
            for (unsigned mix = 0; !found && mix < (1u << neighbours.size()); ++mix) {
                size_t hash = 0;
                for (size_t k = 0; k < cells.size(); ++k) {
                    const auto at = std::find(neighbours.begin(), neighbours.end(), k);
                    const bool swapped = at != neighbours.end() && (mix >> (at - neighbours.begin()) & 1u);
                    hash = qHashMulti(hash, swapped ? *cells[k].neighbour : cells[k].own);
                }
                if (mix == 0)
                    ownHash = hash;
                const auto bucket = buckets.find(hash);
                if (bucket == buckets.end())
                    continue;
                for (const Representative &other : bucket->second) {
                    if (sameKey(sheet, r, *sheets[size_t(other.sheet)], other.row)) {
                        found = other.identity;
                        break;
                    }
                }
            }
            if (!found) {
                buckets[ownHash].push_back({s, r, next});
                found = next++;
            }
            identities[size_t(s)].push_back(*found);
        }
    }
    return identities;
}

int repeatedKeyRows(const std::vector<std::uint32_t> &identities)
{
    std::unordered_map<std::uint32_t, int> counts;
    counts.reserve(identities.size());
    for (const std::uint32_t identity : identities)
        ++counts[identity];
    int repeated = 0;
    for (const auto &[identity, count] : counts) {
        if (count > 1)
            repeated += count;
    }
    return repeated;
}

RowMatches matchKeys(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second, int firstRow)
{
    const int above = firstRow - 1;
    RowMatches matches;
    for (int r = 0; r < above; ++r)
        matches.pairs.emplace_back(r, r);
    const RowMatches found = matchRows(first, second);
    for (const auto &[a, b] : found.pairs)
        matches.pairs.emplace_back(a + above, b + above);
    matches.longest = found.longest;
    return matches;
}

RowAlignment alignRowsByKey(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
                            int firstRow, RowLikeness *likeness)
{
    const int above = firstRow - 1;
    const RowMatches found = matchKeys(first, second, firstRow);
    RowAlignment alignment
        = alignFromMatches(found.pairs, int(first.size()) + above, int(second.size()) + above, false, likeness);
    alignment.longest = found.longest;
    return alignment;
}

std::optional<KeyLineUp> lineUpRowsByKey(const SheetData &first, const SheetData &second, const KeyColumns &keys,
                                         const CompareOptions &options)
{
    const std::array<std::vector<std::uint32_t>, 2> identities = keyIdentities(first, second, keys, options);
    const std::unique_ptr<RowLikeness> likeness = sheetLikeness(first, second, options);
    KeyLineUp lined{alignRowsByKey(identities[0], identities[1], firstKeyRow(keys), likeness.get()),
                    {repeatedKeyRows(identities[0]), repeatedKeyRows(identities[1])}};
    if (!alignmentFits(lined.alignment, first, second))
        return std::nullopt;
    return lined;
}

QString repeatedKeysText(const std::array<int, 2> &repeatedRows)
{
    if (repeatedRows[0] == 0 && repeatedRows[1] == 0)
        return {};
    return kRepeatedKeysText.arg(kSheetLabels[0]).arg(repeatedRows[0]).arg(kSheetLabels[1]).arg(repeatedRows[1]);
}

int compareCodePoints(QStringView a, QStringView b)
{
    // UTF-16 puts U+E000..U+FFFF above the surrogates that carry everything beyond U+FFFF.
    const auto rank = [](char16_t unit) {
        return unit >= 0xE000 ? unit - 0x800 : unit >= 0xD800 ? unit + 0x2000 : int(unit);
    };
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (a[i] != b[i])
            return rank(a[i].unicode()) < rank(b[i].unicode()) ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::array<std::vector<int>, 2> keySortOrders(const SheetData &first, const SheetData &second, const KeyColumns &keys,
                                              const CompareOptions &options)
{
    const std::array<const SheetData *, 2> sheets{&first, &second};
    const int firstRow = firstKeyRow(keys);
    CellEquality equality(options);
    const size_t keyCount = keys.columns.size();

    // Every sort value of both sheets first, so that a column is known to be numeric in both
    // before either is ordered.
    std::array<std::vector<SortCell>, 2> values; // row by row, key by key, from firstRow on
    std::vector<char> numeric(keyCount, 1);
    for (size_t s = 0; s < 2; ++s) {
        const SheetData &sheet = *sheets[s];
        values[s].resize(size_t(std::max(0, sheet.rows() - firstRow)) * keyCount);
        for (int r = firstRow; r < sheet.rows(); ++r) {
            for (size_t k = 0; k < keyCount; ++k) {
                SortCell &cell = values[s][size_t(r - firstRow) * keyCount + k];
                cell.text = equality.foldedText(keyText(sheet, r, keys.columns[k]), keys.columns[k]).toString();
                const QStringView folded = TextFolding::trimBlanks(cell.text);
                cell.empty = folded.isEmpty();
                if (cell.empty)
                    continue;
                if (!TextFolding::readDecimal(folded, cell.number))
                    numeric[k] = 0;
            }
        }
    }

    std::array<std::vector<int>, 2> orders;
    for (size_t s = 0; s < 2; ++s) {
        const std::vector<SortCell> &cells = values[s];
        const int rows = sheets[s]->rows();
        std::vector<int> sorted(size_t(std::max(0, rows - firstRow)));
        std::iota(sorted.begin(), sorted.end(), 0);
        if (keyCount > 0) {
            std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
                for (size_t k = 0; k < keyCount; ++k) {
                    const SortCell &x = cells[size_t(a) * keyCount + k];
                    const SortCell &y = cells[size_t(b) * keyCount + k];
                    if (numeric[k]) {
                        if (x.empty != y.empty)
                            return x.empty;
                        if (!x.empty) {
                            if (const int order = compareDecimals(x.number, y.number); order != 0)
                                return order < 0;
                        }
                    } else if (const int order = compareCodePoints(x.text, y.text); order != 0) {
                        return order < 0;
                    }
                }
                return false;
            });
        }
        std::vector<int> &order = orders[s];
        order.resize(size_t(rows));
        std::iota(order.begin(), order.begin() + std::min(firstRow, rows), 0);
        for (size_t i = 0; i < sorted.size(); ++i)
            order[size_t(firstRow) + i] = sorted[i] + firstRow;
    }
    return orders;
}

bool keepsEveryRow(const std::vector<int> &order)
{
    for (size_t r = 0; r < order.size(); ++r) {
        if (order[r] != int(r))
            return false;
    }
    return true;
}

bool looksLikeHeading(const SheetData &first, const SheetData &second, const std::vector<int> &columns)
{
    if (columns.empty())
        return false;
    for (const SheetData *sheet : {&first, &second}) {
        if (sheet->rows() < 2)
            return false;
        for (const int c : columns) {
            const QStringView text = TextFolding::trimBlanks(keyText(*sheet, 1, c));
            if (text.isEmpty() || TextFolding::readDecimal(text))
                return false;
        }
    }
    return true;
}
