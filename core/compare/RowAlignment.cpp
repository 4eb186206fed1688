#include "RowAlignment.h"

#include "CellEquality.h"
#include "SheetData.h"
#include "SideThread.h"

#include <QHash>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

namespace
{
struct RowHash128
{
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    friend auto operator<=>(const RowHash128 &, const RowHash128 &) = default;
};

struct Split
{
    int a = 0;
    int b = 0;
};

// The longest common sequence of rows, by Myers' bisection: the middle snake of the shortest
// edit script splits the problem in two, so memory stays linear in the rows and the work is
// about (rows) x (edit distance).
//
// Two files with a huge edit distance (hundreds of thousands of random rows) would still take
// minutes, so the work has a budget. Once it is spent, a bisection that has looked kHeuristicDepth
// edits deep from both ends no longer waits for the searches to meet: it splits at the point
// either search reached furthest, which lies on a path through the edit graph but not
// necessarily on a shortest one. Rows are matched either way; the result is then only said to
// be possibly not the longest.
class RowMatcher
{
public:
    RowMatcher(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
               std::int64_t effortLimit, WhenSpent whenSpent, int maxEdits)
        : m_first(first)
        , m_second(second)
        , m_effortLeft(effortLimit)
        , m_giveUp(whenSpent == WhenSpent::GiveUp)
        , m_maxDepth(maxEdits / 2 + 1)
    {
    }

    // Matched (row of first, row of second) pairs, both ascending.
    std::vector<std::pair<int, int>> match()
    {
        matchRange(0, int(m_first.size()), 0, int(m_second.size()));
        return std::move(m_matches);
    }

    // Whether the search stopped when its budget was spent (WhenSpent::GiveUp): the matches are
    // then incomplete.
    [[nodiscard]] bool gaveUp() const
    {
        return m_gaveUp;
    }

    // Whether every split came from searches that met, so that the matches are a longest
    // common sequence.
    [[nodiscard]] bool longest() const
    {
        return m_longest;
    }

private:
    // How deep a bisection searches from both ends once the budget is spent: deep enough that
    // ranges with a few thousand edits are still split exactly, shallow enough that each costs
    // a few million steps.
    static constexpr int kHeuristicDepth = 1024;

    bool same(int a, int b) const
    {
        return m_first[size_t(a)] == m_second[size_t(b)];
    }

    void matchRange(int a0, int a1, int b0, int b1)
    {
        if (m_gaveUp)
            return;
        while (a0 < a1 && b0 < b1 && same(a0, b0))
            m_matches.emplace_back(a0++, b0++);
        int suffix = 0;
        while (a0 < a1 - suffix && b0 < b1 - suffix && same(a1 - suffix - 1, b1 - suffix - 1))
            ++suffix;
        m_effortLeft -= (a1 - a0) + (b1 - b0) + 1;
        if (a0 < a1 - suffix && b0 < b1 - suffix) {
            if (const std::optional<Split> split = bisect(a0, a1 - suffix, b0, b1 - suffix)) {
                matchRange(a0, split->a, b0, split->b);
                matchRange(split->a, a1 - suffix, split->b, b1 - suffix);
            }
        }
        for (int i = suffix; i > 0; --i)
            m_matches.emplace_back(a1 - i, b1 - i);
    }

    // The point where the forward and the backward search for the shortest edit script meet
    // (or, once the budget is spent, the heuristic split); nothing when the two ranges have no
    // row in common.
    std::optional<Split> bisect(int a0, int a1, int b0, int b1)
    {
        const int n = a1 - a0;
        const int m = b1 - b0;
        const int maxD = (n + m + 1) / 2;
        const int offset = maxD;
        const int length = 2 * maxD + 2;
        std::vector<int> &forward = m_forward;
        std::vector<int> &backward = m_backward;
        forward.assign(size_t(length), -1);
        backward.assign(size_t(length), -1);
        forward[size_t(offset + 1)] = 0;
        backward[size_t(offset + 1)] = 0;
        const int delta = n - m;
        const bool forwardMeets = delta % 2 != 0; // which search detects the overlap
        int k1start = 0, k1end = 0, k2start = 0, k2end = 0;
        for (int d = 0; d < maxD; ++d) {
            // A bisection meets after half the edits of its range, rounded up: going deeper means
            // more than `maxEdits` of them.
            if (m_giveUp && (m_effortLeft <= 0 || d > m_maxDepth)) {
                m_gaveUp = true;
                m_longest = false;
                return std::nullopt;
            }
            if (m_effortLeft <= 0 && d >= kHeuristicDepth) {
                m_longest = false;
                return furthestSplit(a0, b0, n, m, d, offset, k1start, k1end, k2start, k2end);
            }
            for (int k1 = -d + k1start; k1 <= d - k1end; k1 += 2) {
                const int k1off = offset + k1;
                int x1 = (k1 == -d || (k1 != d && forward[size_t(k1off - 1)] < forward[size_t(k1off + 1)]))
                    ? forward[size_t(k1off + 1)]
                    : forward[size_t(k1off - 1)] + 1;
                int y1 = x1 - k1;
                const int start = x1;
                while (x1 < n && y1 < m && same(a0 + x1, b0 + y1)) {
                    ++x1;
                    ++y1;
                }
                m_effortLeft -= 1 + (x1 - start);
                forward[size_t(k1off)] = x1;
                if (x1 > n) {
                    k1end += 2;
                } else if (y1 > m) {
                    k1start += 2;
                } else if (forwardMeets) {
                    const int k2off = offset + delta - k1;
                    if (k2off >= 0 && k2off < length && backward[size_t(k2off)] != -1
                        && x1 >= n - backward[size_t(k2off)])
                        return Split{a0 + x1, b0 + y1};
                }
            }
            for (int k2 = -d + k2start; k2 <= d - k2end; k2 += 2) {
                const int k2off = offset + k2;
                int x2 = (k2 == -d || (k2 != d && backward[size_t(k2off - 1)] < backward[size_t(k2off + 1)]))
                    ? backward[size_t(k2off + 1)]
                    : backward[size_t(k2off - 1)] + 1;
                int y2 = x2 - k2;
                const int start = x2;
                while (x2 < n && y2 < m && same(a1 - x2 - 1, b1 - y2 - 1)) {
                    ++x2;
                    ++y2;
                }
                m_effortLeft -= 1 + (x2 - start);
                backward[size_t(k2off)] = x2;
                if (x2 > n) {
                    k2end += 2;
                } else if (y2 > m) {
                    k2start += 2;
                } else if (!forwardMeets) {
                    const int k1off = offset + delta - k2;
                    if (k1off >= 0 && k1off < length && forward[size_t(k1off)] != -1) {
                        const int x1 = forward[size_t(k1off)];
                        const int y1 = offset + x1 - k1off;
                        if (x1 >= n - x2)
                            return Split{a0 + x1, b0 + y1};
                    }
                }
            }
        }
        return std::nullopt; // nothing in common
    }

    // The split of a bisection that stops after `d` steps each way without the searches having
    // met: the point inside the range that either search reached with the most rows behind it.
    // It lies strictly inside the range (a search `d` steps deep has covered at least `d` rows
    // and cannot have reached the far corner without meeting the other), so both halves are
    // smaller and the recursion ends.
    Split furthestSplit(int a0, int b0, int n, int m, int d, int offset, int k1start, int k1end, int k2start,
                        int k2end) const
    {
        int bestCovered = -1;
        Split best{a0 + n / 2, b0 + m / 2};
        for (int k1 = -(d - 1) + k1start; k1 <= (d - 1) - k1end; k1 += 2) {
            const int x1 = m_forward[size_t(offset + k1)];
            const int y1 = x1 - k1;
            if (x1 < 0 || x1 > n || y1 < 0 || y1 > m || x1 + y1 >= n + m)
                continue;
            if (x1 + y1 > bestCovered) {
                bestCovered = x1 + y1;
                best = {a0 + x1, b0 + y1};
            }
        }
        for (int k2 = -(d - 1) + k2start; k2 <= (d - 1) - k2end; k2 += 2) {
            const int x2 = m_backward[size_t(offset + k2)];
            const int y2 = x2 - k2;
            if (x2 < 0 || x2 > n || y2 < 0 || y2 > m || x2 + y2 >= n + m)
                continue;
            if (x2 + y2 > bestCovered) {
                bestCovered = x2 + y2;
                best = {a0 + n - x2, b0 + m - y2};
            }
        }
        return best;
    }

    const std::vector<std::uint32_t> &m_first;
    const std::vector<std::uint32_t> &m_second;
    std::int64_t m_effortLeft;
    bool m_giveUp = false;
    int m_maxDepth = 0;
    bool m_gaveUp = false;
    bool m_longest = true;
    std::vector<std::pair<int, int>> m_matches;
    // The furthest reach on each diagonal of the bisection running now; kept to spare an
    // allocation per range.
    std::vector<int> m_forward;
    std::vector<int> m_backward;
};
} // namespace

int RowAlignment::addedRows(int sheet) const
{
    int added = 0;
    for (const RowInsertion &insertion : insertions[size_t(sheet)])
        added += insertion.count;
    return added;
}

std::vector<std::pair<int, int>> RowAlignment::rowGroups(int sheet) const
{
    std::vector<std::pair<int, int>> groups;
    for (const RowInsertion &insertion : insertions[size_t(sheet)])
        groups.emplace_back(insertion.before, insertion.count);
    return groups;
}

std::vector<int> RowAlignment::fillerRows(int sheet) const
{
    std::vector<int> rows;
    rows.reserve(size_t(addedRows(sheet)));
    // Each insertion's `before` counts the rows as they were; the rows put in ahead of it have
    // moved it down since.
    int earlier = 0;
    for (const RowInsertion &insertion : insertions[size_t(sheet)]) {
        for (int k = 0; k < insertion.count; ++k)
            rows.push_back(insertion.before + earlier + k);
        earlier += insertion.count;
    }
    return rows;
}

std::vector<int> RowAlignment::originalRows(int sheet, int rows) const
{
    std::vector<int> origins{0};
    origins.reserve(size_t(rows + addedRows(sheet) + 1));
    auto insertion = insertions[size_t(sheet)].begin();
    const auto end = insertions[size_t(sheet)].end();
    for (int row = 1; row <= rows + 1; ++row) {
        for (; insertion != end && insertion->before == row; ++insertion)
            origins.insert(origins.end(), size_t(insertion->count), 0);
        if (row <= rows)
            origins.push_back(row);
    }
    return origins;
}

QString mayNotBeLongestText()
{
    return QStringLiteral("行の対応は最長ではない可能性があります");
}

QString withLineUpNote(const QString &message, const RowAlignment &alignment)
{
    return alignment.longest ? message : message + QStringLiteral("\r\n") + mayNotBeLongestText();
}

QString alignTooLongText()
{
    return QStringLiteral("行を揃えると行数が上限（%1行）を超えるため、揃えられません。").arg(kMaxRowCol - 1);
}

bool alignmentFits(const RowAlignment &alignment, const SheetData &first, const SheetData &second)
{
    const std::array<const SheetData *, 2> sheets{&first, &second};
    for (int i = 0; i < 2; ++i) {
        const qint64 rows = qint64(sheets[size_t(i)]->rows()) + alignment.addedRows(i);
        if (rows > kMaxRowCol || rows * sheets[size_t(i)]->cols() > kMaxCells)
            return false;
    }
    return true;
}

namespace
{
// Which identities occur in a sequence. Identities are mostly small numbers (rows are numbered
// from 0, characters by their code unit), so a table of flags serves them without hashing; a
// set takes the rest.
class IdentitySet
{
public:
    IdentitySet(const std::vector<std::uint32_t> &values, std::uint32_t largest, bool dense)
    {
        if (dense) {
            m_flags.assign(size_t(largest) + 1, 0);
            for (const std::uint32_t value : values)
                m_flags[value] = 1;
        } else {
            m_set.insert(values.begin(), values.end());
        }
    }
    [[nodiscard]] bool contains(std::uint32_t value) const
    {
        if (!m_flags.empty())
            return value < m_flags.size() && m_flags[value];
        return m_set.count(value) != 0;
    }

private:
    std::vector<std::uint8_t> m_flags;
    std::unordered_set<std::uint32_t> m_set;
};
} // namespace

RowMatches matchRows(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
                     std::int64_t effortLimit, WhenSpent whenSpent, int maxEdits)
{
    // A row the other sheet does not have is in no common sequence: the search runs on the rows
    // both sheets have, which is all it needs when most rows were changed.
    std::uint32_t largest = 0;
    for (const std::vector<std::uint32_t> *values : {&first, &second})
        for (const std::uint32_t value : *values)
            largest = std::max(largest, value);
    const bool dense = std::uint64_t(largest) <= 4 * (std::uint64_t(first.size()) + second.size()) + 65'536;
    const IdentitySet inFirst(first, largest, dense);
    const IdentitySet inSecond(second, largest, dense);
    std::array<std::vector<std::uint32_t>, 2> shared;
    std::array<std::vector<int>, 2> places; // the index of each shared row in its sheet
    const std::array<const std::vector<std::uint32_t> *, 2> sheets{&first, &second};
    const std::array<const IdentitySet *, 2> other{&inSecond, &inFirst};
    for (size_t s = 0; s < 2; ++s) {
        const std::vector<std::uint32_t> &rows = *sheets[s];
        shared[s].reserve(rows.size());
        places[s].reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            if (other[s]->contains(rows[i])) {
                shared[s].push_back(rows[i]);
                places[s].push_back(int(i));
            }
        }
    }
    RowMatcher matcher(shared[0], shared[1], effortLimit, whenSpent, maxEdits);
    RowMatches matches;
    matches.pairs = matcher.match();
    matches.longest = matcher.longest();
    if (matcher.gaveUp()) {
        matches.pairs.clear();
        matches.gaveUp = true;
        return matches;
    }
    for (auto &[a, b] : matches.pairs) {
        a = places[0][size_t(a)];
        b = places[1][size_t(b)];
    }
    return matches;
}

std::vector<int> pairByLikeness(RowLikeness &likeness, int startA, int rowsA, int startB, int rowsB)
{
    const size_t width = size_t(std::max(0, likeness.width()));
    std::vector<std::uint64_t> keysA(size_t(rowsA) * width);
    std::vector<std::uint64_t> keysB(size_t(rowsB) * width);
    for (int i = 0; i < rowsA; ++i)
        likeness.cellKeys(0, startA + i, keysA.data() + size_t(i) * width);
    for (int j = 0; j < rowsB; ++j)
        likeness.cellKeys(1, startB + j, keysB.data() + size_t(j) * width);
    const auto alone = [&](const std::vector<std::uint64_t> &keys, int row) {
        const std::uint64_t *cells = keys.data() + size_t(row) * width;
        return int(width - size_t(std::count(cells, cells + width, RowLikeness::kEmptyCellKey)));
    };
    const auto paired = [&](int i, int j) {
        const std::uint64_t *a = keysA.data() + size_t(i) * width;
        const std::uint64_t *b = keysB.data() + size_t(j) * width;
        int differing = 0;
        for (size_t k = 0; k < width; ++k)
            differing += a[k] != b[k] ? 1 : 0;
        return differing;
    };
    std::vector<int> aloneA(static_cast<size_t>(rowsA));
    std::vector<int> aloneB(static_cast<size_t>(rowsB));
    for (int i = 0; i < rowsA; ++i)
        aloneA[size_t(i)] = alone(keysA, i);
    for (int j = 0; j < rowsB; ++j)
        aloneB[size_t(j)] = alone(keysB, j);
    // cost[i][j]: the fewest differing cells of the rows from i and j on, filled from the ends so
    // that the walk from the start can prefer the earliest pairs among equal costs.
    const size_t stride = size_t(rowsB) + 1;
    std::vector<std::int64_t> cost((size_t(rowsA) + 1) * stride, 0);
    const auto at = [&](int i, int j) -> std::int64_t & { return cost[size_t(i) * stride + size_t(j)]; };
    for (int j = rowsB - 1; j >= 0; --j)
        at(rowsA, j) = at(rowsA, j + 1) + aloneB[size_t(j)];
    for (int i = rowsA - 1; i >= 0; --i) {
        at(i, rowsB) = at(i + 1, rowsB) + aloneA[size_t(i)];
        for (int j = rowsB - 1; j >= 0; --j) {
            at(i, j) = std::min(
                {at(i + 1, j + 1) + paired(i, j), at(i + 1, j) + aloneA[size_t(i)], at(i, j + 1) + aloneB[size_t(j)]});
        }
    }
    std::vector<int> partners(size_t(rowsA), -1);
    int i = 0;
    int j = 0;
    while (i < rowsA && j < rowsB) {
        if (at(i, j) == at(i + 1, j + 1) + paired(i, j)) {
            partners[size_t(i++)] = j++;
        } else if (at(i, j) == at(i + 1, j) + aloneA[size_t(i)]) {
            ++i;
        } else {
            ++j;
        }
    }
    return partners;
}

namespace
{
void addInsertion(std::vector<RowInsertion> &insertions, int before, int count)
{
    if (count <= 0)
        return;
    if (!insertions.empty() && insertions.back().before == before)
        insertions.back().count += count;
    else
        insertions.push_back({before, count});
}
} // namespace

RowAlignment alignFromMatches(const std::vector<std::pair<int, int>> &matches, int rowsA, int rowsB, bool inOrder,
                              RowLikeness *likeness)
{
    RowAlignment alignment;
    alignment.partners[0].assign(size_t(rowsA), 0);
    alignment.partners[1].assign(size_t(rowsB), 0);
    const auto pair = [&](int a, int b) {
        alignment.partners[0][size_t(a)] = b + 1;
        alignment.partners[1][size_t(b)] = a + 1;
    };
    int nextA = 0;
    int nextB = 0;
    const auto closeStretch = [&](int matchA, int matchB) {
        const int stretchA = matchA - nextA;
        const int stretchB = matchB - nextB;
        if (likeness && stretchA > 0 && stretchB > 0 && std::int64_t(stretchA) * stretchB <= kLikenessPairLimit) {
            const std::vector<int> partners = pairByLikeness(*likeness, nextA, stretchA, nextB, stretchB);
            // Each row left alone faces an empty row put into the other sheet just before the
            // other sheet's next row of the stretch.
            int j = 0;
            for (int i = 0; i < stretchA; ++i) {
                const int partner = partners[size_t(i)];
                if (partner < 0) {
                    addInsertion(alignment.insertions[1], nextB + j + 1, 1);
                    continue;
                }
                addInsertion(alignment.insertions[0], nextA + i + 1, partner - j);
                pair(nextA + i, nextB + partner);
                j = partner + 1;
            }
            addInsertion(alignment.insertions[0], matchA + 1, stretchB - j);
        } else if (inOrder) {
            // Rows of the two stretches face each other in order; the shorter one gets empty rows.
            const int paired = std::min(stretchA, stretchB);
            for (int i = 0; i < paired; ++i)
                pair(nextA + i, nextB + i);
            if (stretchA < stretchB)
                addInsertion(alignment.insertions[0], matchA + 1, stretchB - stretchA);
            else if (stretchB < stretchA)
                addInsertion(alignment.insertions[1], matchB + 1, stretchA - stretchB);
        } else {
            // The first sheet's unmatched rows face empty rows put in ahead of the second sheet's
            // unmatched rows, which face empty rows put in behind the first sheet's.
            addInsertion(alignment.insertions[1], nextB + 1, stretchA);
            addInsertion(alignment.insertions[0], matchA + 1, stretchB);
        }
    };
    for (const auto &[matchA, matchB] : matches) {
        closeStretch(matchA, matchB);
        pair(matchA, matchB);
        nextA = matchA + 1;
        nextB = matchB + 1;
    }
    // The ends of both sheets close the final stretch.
    closeStretch(rowsA, rowsB);
    return alignment;
}

RowAlignment alignRows(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
                       std::int64_t effortLimit, RowLikeness *likeness)
{
    const RowMatches found = matchRows(first, second, effortLimit);
    RowAlignment alignment = alignFromMatches(found.pairs, int(first.size()), int(second.size()), true, likeness);
    alignment.longest = found.longest;
    return alignment;
}

std::array<std::vector<int>, 2> rowsPairedByLikeness(const std::vector<std::pair<int, int>> &matches, int rowsA,
                                                     int rowsB)
{
    std::array<std::vector<int>, 2> rows;
    int nextA = 0;
    int nextB = 0;
    const auto stretch = [&](int matchA, int matchB) {
        const int stretchA = matchA - nextA;
        const int stretchB = matchB - nextB;
        if (stretchA > 0 && stretchB > 0 && std::int64_t(stretchA) * stretchB <= kLikenessPairLimit) {
            for (int a = nextA; a < matchA; ++a)
                rows[0].push_back(a);
            for (int b = nextB; b < matchB; ++b)
                rows[1].push_back(b);
        }
    };
    for (const auto &[matchA, matchB] : matches) {
        stretch(matchA, matchB);
        nextA = matchA + 1;
        nextB = matchB + 1;
    }
    stretch(rowsA, rowsB);
    return rows;
}

std::uint64_t likenessCellKey(CellEquality &equality, QStringView text, int col)
{
    if (equality.skipsColumn(col))
        return RowLikeness::kEmptyCellKey;
    const QStringView key = equality.hashKey(text);
    if (key.isEmpty())
        return RowLikeness::kEmptyCellKey;
    // Never the empty cell's key: a cell that is not empty always differs from one that is.
    return std::uint64_t(qHash(key, size_t(0x9E3779B97F4A7C15ull))) | 1u;
}

namespace
{
class SheetLikeness final : public RowLikeness
{
public:
    SheetLikeness(const SheetData &first, const SheetData &second, const CompareOptions &options, int firstRow)
        : m_sheets{&first, &second}
        , m_equality(options)
        , m_cols(std::min(first.cols(), second.cols()))
        , m_firstRow(firstRow)
    {
    }

    int width() const override
    {
        return std::max(0, m_cols - 1);
    }

    void cellKeys(int sheet, int row, std::uint64_t *keys) override
    {
        const SheetData &data = *m_sheets[size_t(sheet)];
        for (int c = 1; c < m_cols; ++c)
            keys[c - 1] = likenessCellKey(m_equality, data.text(row + m_firstRow, c), c);
    }

private:
    std::array<const SheetData *, 2> m_sheets;
    CellEquality m_equality;
    int m_cols = 0;
    int m_firstRow = 1;
};
} // namespace

std::unique_ptr<RowLikeness> sheetLikeness(const SheetData &first, const SheetData &second,
                                           const CompareOptions &options, int firstRow)
{
    return std::make_unique<SheetLikeness>(first, second, options, firstRow);
}

std::array<std::vector<std::uint32_t>, 2> rowIdentities(const SheetData &first, const SheetData &second)
{
    return rowIdentities(first, second, CompareOptions());
}

std::array<std::vector<std::uint32_t>, 2> rowIdentities(const SheetData &first, const SheetData &second,
                                                        const CompareOptions &options)
{
    const std::array<const SheetData *, 2> sheets{&first, &second};
    const int commonCols = std::min(first.cols(), second.cols());
    CellEquality equality(options);
    const auto sameRow = [&](const SheetData &a, int rowA, const SheetData &b, int rowB) {
        for (int c = 1; c < commonCols; ++c)
            if (!equality.equal(a.text(rowA, c), b.text(rowB, c), c))
                return false;
        return true;
    };
    // A row's hash covers its cells' stand-ins under the options, each after its length, so that
    // two rows share the hashed units exactly when their stand-ins agree, however the texts are
    // cut into cells; the columns left out count not at all. Without options the stand-in is the
    // text itself and 128 bits tell the rows apart, as the streamed comparison's do; under options
    // the texts still decide within a hash (a numeric rule's stand-in is one mark for every number).
    const bool hashDecides = options.isExact();
    std::array<std::vector<RowHash128>, 2> hashes;
    const auto hashSheet = [&](int s) {
        CellEquality ownEquality(options); // its folding buffers are its own thread's
        std::vector<char16_t> units;
        const SheetData &sheet = *sheets[size_t(s)];
        hashes[size_t(s)].reserve(size_t(std::max(0, sheet.rows() - 1)));
        for (int r = 1; r < sheet.rows(); ++r) {
            units.clear();
            for (int c = 1; c < commonCols; ++c) {
                if (ownEquality.skipsColumn(c))
                    continue;
                const QStringView key = ownEquality.hashKey(sheet.text(r, c), c);
                const auto length = std::uint32_t(key.size());
                units.push_back(char16_t(length >> 16));
                units.push_back(char16_t(length & 0xFFFF));
                units.insert(units.end(), key.utf16(), key.utf16() + key.size());
            }
            const XXH128_hash_t hash = XXH3_128bits(units.data(), units.size() * sizeof(char16_t));
            hashes[size_t(s)].push_back({hash.low64, hash.high64});
        }
    };
    {
        // One sheet on each core.
        SideJob second([&] { hashSheet(1); });
        hashSheet(0);
        second.join();
    }
    return identitiesFromHashes(hashes, [&](int sheetA, int rowA, int sheetB, int rowB) {
        return hashDecides || sameRow(*sheets[size_t(sheetA)], rowA + 1, *sheets[size_t(sheetB)], rowB + 1);
    });
}

std::optional<RowAlignment> lineUpRows(const SheetData &first, const SheetData &second)
{
    return lineUpRows(first, second, CompareOptions());
}

std::optional<RowAlignment> lineUpRows(const SheetData &first, const SheetData &second, const CompareOptions &options)
{
    const std::array<std::vector<std::uint32_t>, 2> rows = rowIdentities(first, second, options);
    const std::unique_ptr<RowLikeness> likeness = sheetLikeness(first, second, options);
    RowAlignment alignment = alignRows(rows[0], rows[1], kRowMatchEffort, likeness.get());
    if (!alignmentFits(alignment, first, second))
        return std::nullopt;
    return alignment;
}

void insertAlignedRows(SheetData &data, const RowAlignment &alignment, int index)
{
    data.insertRowGroups(alignment.rowGroups(index));
    for (const int row : alignment.fillerRows(index))
        data.setFillerRow(row, true);
}
