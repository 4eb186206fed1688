#include "RowAlignment.h"

#include "CellEquality.h"
#include "Sheet.h"

#include <QHash>

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

namespace
{
struct Split
{
    int a = 0;
    int b = 0;
};

// The longest common sequence of rows, by Myers' bisection: the middle snake of the shortest
// edit script splits the problem in two, so memory stays linear in the rows.
class RowMatcher
{
public:
    RowMatcher(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
               std::int64_t effortLimit)
        : m_first(first)
        , m_second(second)
        , m_effortLeft(effortLimit)
    {
    }

    // Matched (row of first, row of second) pairs, both ascending.
    std::vector<std::pair<int, int>> match()
    {
        matchRange(0, int(m_first.size()), 0, int(m_second.size()));
        return std::move(m_matches);
    }

    // The same, searching only between `anchors`, pairs already known to match, both ascending.
    std::vector<std::pair<int, int>> matchBetween(const std::vector<std::pair<int, int>> &anchors)
    {
        int a0 = 0;
        int b0 = 0;
        for (const auto &[a, b] : anchors) {
            matchRange(a0, a, b0, b);
            m_matches.emplace_back(a, b);
            a0 = a + 1;
            b0 = b + 1;
        }
        matchRange(a0, int(m_first.size()), b0, int(m_second.size()));
        return std::move(m_matches);
    }

    // Whether the effort ran out before every part was searched to its end.
    [[nodiscard]] bool gaveUp() const
    {
        return m_gaveUp;
    }

private:
    bool same(int a, int b)
    {
        --m_effortLeft;
        return m_first[size_t(a)] == m_second[size_t(b)];
    }

    void matchRange(int a0, int a1, int b0, int b1)
    {
        while (a0 < a1 && b0 < b1 && same(a0, b0))
            m_matches.emplace_back(a0++, b0++);
        int suffix = 0;
        while (a0 < a1 - suffix && b0 < b1 - suffix && same(a1 - suffix - 1, b1 - suffix - 1))
            ++suffix;
        if (a0 < a1 - suffix && b0 < b1 - suffix) {
            if (const std::optional<Split> split = bisect(a0, a1 - suffix, b0, b1 - suffix)) {
                matchRange(a0, split->a, b0, split->b);
                matchRange(split->a, a1 - suffix, split->b, b1 - suffix);
            }
        }
        for (int i = suffix; i > 0; --i)
            m_matches.emplace_back(a1 - i, b1 - i);
    }

    // The point where the forward and the backward search for the shortest edit script meet, or
    // nothing when the effort ran out first.
    std::optional<Split> bisect(int a0, int a1, int b0, int b1)
    {
        const int n = a1 - a0;
        const int m = b1 - b0;
        const int maxD = (n + m + 1) / 2;
        const int offset = maxD;
        const int length = 2 * maxD + 2;
        std::vector<int> forward(size_t(length), -1);
        std::vector<int> backward(size_t(length), -1);
        forward[size_t(offset + 1)] = 0;
        backward[size_t(offset + 1)] = 0;
        const int delta = n - m;
        const bool forwardMeets = delta % 2 != 0; // which search detects the overlap
        int k1start = 0, k1end = 0, k2start = 0, k2end = 0;
        for (int d = 0; d < maxD; ++d) {
            if (m_effortLeft <= 0) {
                m_gaveUp = true;
                return std::nullopt;
            }
            for (int k1 = -d + k1start; k1 <= d - k1end; k1 += 2) {
                const int k1off = offset + k1;
                int x1 = (k1 == -d || (k1 != d && forward[size_t(k1off - 1)] < forward[size_t(k1off + 1)]))
                    ? forward[size_t(k1off + 1)]
                    : forward[size_t(k1off - 1)] + 1;
                int y1 = x1 - k1;
                while (x1 < n && y1 < m && same(a0 + x1, b0 + y1)) {
                    ++x1;
                    ++y1;
                }
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
                while (x2 < n && y2 < m && same(a1 - x2 - 1, b1 - y2 - 1)) {
                    ++x2;
                    ++y2;
                }
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

    const std::vector<std::uint32_t> &m_first;
    const std::vector<std::uint32_t> &m_second;
    std::int64_t m_effortLeft;
    bool m_gaveUp = false;
    std::vector<std::pair<int, int>> m_matches;
};

// Rows that occur exactly once in each sheet, paired, keeping the longest run in which both
// sheets' rows ascend (patience sorting). On sheets where most rows differ somewhere, these
// anchors line up the rest cheaply where the exact search would run out of effort.
std::vector<std::pair<int, int>> uniqueAnchors(const std::vector<std::uint32_t> &first,
                                               const std::vector<std::uint32_t> &second)
{
    struct Occurrences
    {
        int inFirst = 0;
        int inSecond = 0;
        int rowInSecond = -1;
    };
    std::unordered_map<std::uint32_t, Occurrences> occurrences;
    occurrences.reserve(first.size() + second.size());
    for (const std::uint32_t identity : first)
        ++occurrences[identity].inFirst;
    for (size_t b = 0; b < second.size(); ++b) {
        Occurrences &seen = occurrences[second[b]];
        ++seen.inSecond;
        seen.rowInSecond = int(b);
    }
    std::vector<std::pair<int, int>> candidates;
    for (size_t a = 0; a < first.size(); ++a) {
        const Occurrences &seen = occurrences[first[a]];
        if (seen.inFirst == 1 && seen.inSecond == 1)
            candidates.emplace_back(int(a), seen.rowInSecond);
    }

    // tails[k]: the candidate ending the best run of length k + 1 found so far, by smallest row of
    // the second sheet; before[i]: the candidate ahead of candidate i in its run.
    std::vector<int> tails;
    std::vector<int> before(candidates.size(), -1);
    for (size_t i = 0; i < candidates.size(); ++i) {
        const auto place = std::lower_bound(tails.begin(), tails.end(), candidates[i].second,
                                            [&](int tail, int row) { return candidates[size_t(tail)].second < row; });
        if (place != tails.begin())
            before[i] = *(place - 1);
        if (place == tails.end())
            tails.push_back(int(i));
        else
            *place = int(i);
    }
    std::vector<std::pair<int, int>> anchors;
    for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = before[size_t(i)])
        anchors.push_back(candidates[size_t(i)]);
    std::reverse(anchors.begin(), anchors.end());
    return anchors;
}
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

QString alignTooLongText()
{
    return QStringLiteral("行を揃えると行数が上限（%1行）を超えるため、揃えられません。").arg(kMaxRowCol - 1);
}

bool alignmentFits(const RowAlignment &alignment, const Sheet &first, const Sheet &second)
{
    const std::array<const Sheet *, 2> sheets{&first, &second};
    for (int i = 0; i < 2; ++i) {
        const qint64 rows = qint64(sheets[size_t(i)]->rows()) + alignment.addedRows(i);
        if (rows > kMaxRowCol || rows * sheets[size_t(i)]->cols() > kMaxCells)
            return false;
    }
    return true;
}

std::vector<std::pair<int, int>> matchRows(const std::vector<std::uint32_t> &first,
                                           const std::vector<std::uint32_t> &second, std::int64_t effortLimit)
{
    RowMatcher exact(first, second, effortLimit);
    std::vector<std::pair<int, int>> matches = exact.match();
    if (exact.gaveUp()) {
        // Too many rows differ for the exact search: anchor on the rows each sheet has once and
        // search exactly only between them.
        matches = RowMatcher(first, second, effortLimit).matchBetween(uniqueAnchors(first, second));
    }
    return matches;
}

RowAlignment alignRows(const std::vector<std::uint32_t> &first, const std::vector<std::uint32_t> &second,
                       std::int64_t effortLimit)
{
    std::vector<std::pair<int, int>> matches = matchRows(first, second, effortLimit);
    // The ends of both sheets match as a last, virtual pair, which closes the final stretch.
    matches.emplace_back(int(first.size()), int(second.size()));

    RowAlignment alignment;
    alignment.partners[0].assign(first.size(), 0);
    alignment.partners[1].assign(second.size(), 0);
    int nextA = 0;
    int nextB = 0;
    for (const auto &[matchA, matchB] : matches) {
        const int stretchA = matchA - nextA;
        const int stretchB = matchB - nextB;
        // Rows of the two stretches face each other in order; the shorter one gets empty rows.
        const int paired = std::min(stretchA, stretchB);
        for (int i = 0; i < paired; ++i) {
            alignment.partners[0][size_t(nextA + i)] = nextB + i + 1;
            alignment.partners[1][size_t(nextB + i)] = nextA + i + 1;
        }
        if (stretchA < stretchB)
            alignment.insertions[0].push_back({matchA + 1, stretchB - stretchA});
        else if (stretchB < stretchA)
            alignment.insertions[1].push_back({matchB + 1, stretchA - stretchB});
        if (matchA < int(first.size())) {
            alignment.partners[0][size_t(matchA)] = matchB + 1;
            alignment.partners[1][size_t(matchB)] = matchA + 1;
        }
        nextA = matchA + 1;
        nextB = matchB + 1;
    }
    return alignment;
}

std::array<std::vector<std::uint32_t>, 2> rowIdentities(const Sheet &first, const Sheet &second)
{
    return rowIdentities(first, second, CompareOptions());
}

std::array<std::vector<std::uint32_t>, 2> rowIdentities(const Sheet &first, const Sheet &second,
                                                        const CompareOptions &options)
{
    const std::array<const SheetData *, 2> sheets{&first.data(), &second.data()};
    const int commonCols = std::min(first.cols(), second.cols());
    CellEquality equality(options);
    const auto sameRow = [&](const SheetData &a, int rowA, const SheetData &b, int rowB) {
        for (int c = 1; c < commonCols; ++c)
            if (!equality.equal(a.text(rowA, c), b.text(rowB, c), c))
                return false;
        return true;
    };
    struct Representative
    {
        int sheet;
        int row;
        std::uint32_t identity;
    };
    std::unordered_map<size_t, std::vector<Representative>> buckets;
    buckets.reserve(size_t(first.rows() + second.rows()));
    std::array<std::vector<std::uint32_t>, 2> identities;
    std::uint32_t next = 0;
    for (int s = 0; s < 2; ++s) {
        const SheetData &sheet = *sheets[size_t(s)];
        identities[size_t(s)].reserve(size_t(std::max(0, sheet.rows() - 1)));
        for (int r = 1; r < sheet.rows(); ++r) {
            size_t hash = 0;
            // Rows the options make the same must land in one bucket: their cells hash by the
            // options' stand-ins, and the columns left out not at all.
            for (int c = 1; c < commonCols; ++c) {
                if (!equality.skipsColumn(c))
                    hash = qHashMulti(hash, equality.hashKey(sheet.text(r, c)));
            }
            std::vector<Representative> &bucket = buckets[hash];
            const auto known = std::find_if(bucket.begin(), bucket.end(), [&](const Representative &other) {
                return sameRow(sheet, r, *sheets[size_t(other.sheet)], other.row);
            });
            if (known != bucket.end()) {
                identities[size_t(s)].push_back(known->identity);
            } else {
                bucket.push_back({s, r, next});
                identities[size_t(s)].push_back(next++);
            }
        }
    }
    return identities;
}

std::optional<RowAlignment> lineUpRows(const Sheet &first, const Sheet &second)
{
    return lineUpRows(first, second, CompareOptions());
}

std::optional<RowAlignment> lineUpRows(const Sheet &first, const Sheet &second, const CompareOptions &options)
{
    const std::array<std::vector<std::uint32_t>, 2> rows = rowIdentities(first, second, options);
    RowAlignment alignment = alignRows(rows[0], rows[1]);
    if (!alignmentFits(alignment, first, second))
        return std::nullopt;
    return alignment;
}

void insertAlignedRows(Sheet &sheet, const RowAlignment &alignment, int index)
{
    sheet.insertRowGroups(alignment.rowGroups(index));
    // Each insertion's `before` counts the rows as they were; the rows put in ahead of it have
    // moved it down since.
    int earlier = 0;
    for (const RowInsertion &insertion : alignment.insertions[size_t(index)]) {
        for (int k = 0; k < insertion.count; ++k)
            sheet.setFillerRow(insertion.before + earlier + k, true);
        earlier += insertion.count;
    }
}
