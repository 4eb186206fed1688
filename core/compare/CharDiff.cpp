#include "CharDiff.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <optional>
#include <vector>

namespace
{
// The search never goes past this many edits: its trace takes memory in the square of them.
constexpr int kMaxEdits = 1000;

// Code units looked at beyond the stretch that matters: cluster boundaries depend only on the
// characters near them, so a long text is never searched for boundaries as a whole.
constexpr qsizetype kBoundaryContext = 256;

// A grapheme boundary finder over part of a text, answering in the text's positions.
class LocalFinder
{
public:
    LocalFinder(QStringView text, qsizetype from, qsizetype to)
        : m_offset(from > 0 && text[from].isLowSurrogate() ? from - 1 : from)
        , m_end(to)
        , m_finder(QTextBoundaryFinder::Grapheme, text.sliced(m_offset, to - m_offset))
    {
    }
    [[nodiscard]] bool isAtBoundary(qsizetype position)
    {
        m_finder.setPosition(position - m_offset);
        return m_finder.isAtBoundary();
    }
    // The boundary before `position`, which is not one.
    [[nodiscard]] qsizetype previous(qsizetype position)
    {
        m_finder.setPosition(position - m_offset);
        const qsizetype found = m_finder.toPreviousBoundary();
        return found < 0 ? m_offset : found + m_offset;
    }
    [[nodiscard]] qsizetype next(qsizetype position)
    {
        m_finder.setPosition(position - m_offset);
        const qsizetype found = m_finder.toNextBoundary();
        return found < 0 ? m_end : found + m_offset;
    }

private:
    qsizetype m_offset;
    qsizetype m_end;
    QTextBoundaryFinder m_finder;
};

// Moves `position` back until it is a cluster boundary of both texts.
qsizetype commonBoundaryAtOrBefore(LocalFinder &first, LocalFinder &second, qsizetype position)
{
    for (;;) {
        if (!first.isAtBoundary(position))
            position = first.previous(position);
        if (second.isAtBoundary(position))
            return position;
        position = second.previous(position);
    }
}

// The same, for a position counted from the end of each text.
qsizetype commonBoundaryFromEnd(LocalFinder &first, qsizetype size1, LocalFinder &second, qsizetype size2,
                                qsizetype fromEnd)
{
    for (;;) {
        if (!first.isAtBoundary(size1 - fromEnd))
            fromEnd = size1 - first.next(size1 - fromEnd);
        if (second.isAtBoundary(size2 - fromEnd))
            return fromEnd;
        fromEnd = size2 - second.next(size2 - fromEnd);
    }
}

// The boundaries of `finder`'s text from `begin` to `end`, both included; both are boundaries.
std::vector<qsizetype> boundariesBetween(LocalFinder &finder, qsizetype begin, qsizetype end)
{
    std::vector<qsizetype> result;
    result.push_back(begin);
    while (result.back() < end) {
        const qsizetype next = finder.next(result.back());
        result.push_back(next > end ? end : next);
    }
    return result;
}

struct Edit
{
    bool insertion = false; // otherwise a deletion
    qsizetype x = 0; // cluster index in the first text before the edit
    qsizetype y = 0; // and in the second
};

// Myers' greedy O(ND) search over the clusters of the two middles; the edits in order, or
// nothing when the effort limit is reached first.
std::optional<std::vector<Edit>> shortestEdits(QStringView first, const std::vector<qsizetype> &a, QStringView second,
                                               const std::vector<qsizetype> &b, qint64 effortLimit)
{
    const qsizetype n = qsizetype(a.size()) - 1;
    const qsizetype m = qsizetype(b.size()) - 1;
    auto equal = [&](qsizetype x, qsizetype y) {
        return first.sliced(a[x], a[x + 1] - a[x]) == second.sliced(b[y], b[y + 1] - b[y]);
    };
    const qsizetype maxD = std::min<qsizetype>(n + m, kMaxEdits);
    const qsizetype offset = maxD + 1;
    std::vector<qsizetype> v(size_t(2 * maxD + 3), 0);
    std::vector<std::vector<qsizetype>> trace; // trace[d]: v for k = -d … d, step 2
    qint64 effort = 0;
    qsizetype found = -1;
    for (qsizetype d = 0; d <= maxD && found < 0; ++d) {
        for (qsizetype k = -d; k <= d; k += 2) {
            qsizetype x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                ? v[size_t(offset + k + 1)]
                : v[size_t(offset + k - 1)] + 1;
            qsizetype y = x - k;
            while (x < n && y < m && equal(x, y)) {
                ++x;
                ++y;
                ++effort;
            }
            v[size_t(offset + k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
        std::vector<qsizetype> row;
        row.reserve(size_t(d + 1));
        for (qsizetype k = -d; k <= d; k += 2)
            row.push_back(v[size_t(offset + k)]);
        trace.push_back(std::move(row));
        effort += d + 1;
        if (found < 0 && effort > effortLimit)
            return std::nullopt;
    }
    if (found < 0)
        return std::nullopt;

    std::vector<Edit> edits;
    qsizetype x = n;
    qsizetype y = m;
    for (qsizetype d = found; d > 0; --d) {
        const std::vector<qsizetype> &previous = trace[size_t(d - 1)];
        auto at = [&](qsizetype k) { return previous[size_t((k + d - 1) / 2)]; };
        const qsizetype k = x - y;
        const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
        const qsizetype previousK = down ? k + 1 : k - 1;
        const qsizetype previousX = at(previousK);
        const qsizetype previousY = previousX - previousK;
        edits.push_back({down, previousX, previousY});
        x = previousX;
        y = previousY;
    }
    std::reverse(edits.begin(), edits.end());
    return edits;
}

SpanKind kindOf(qsizetype length1, qsizetype length2)
{
    if (length2 == 0)
        return SpanKind::Deleted;
    if (length1 == 0)
        return SpanKind::Inserted;
    return SpanKind::Changed;
}
} // namespace

QList<qsizetype> graphemeBoundaries(QStringView text)
{
    QList<qsizetype> result{0};
    if (text.isEmpty())
        return result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary())
        result.append(next);
    return result;
}

CharDiff diffCharacters(QStringView first, QStringView second, qint64 effortLimit)
{
    CharDiff result;
    if (first == second)
        return result;
    const qsizetype size1 = first.size();
    const qsizetype size2 = second.size();
    if (size1 == 0 || size2 == 0) {
        result.spans.append({kindOf(size1, size2), 0, size1, 0, size2});
        return result;
    }

    qsizetype prefix = 0;
    const qsizetype shorter = std::min(size1, size2);
    while (prefix < shorter && first[prefix] == second[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && first[size1 - 1 - suffix] == second[size2 - 1 - suffix])
        ++suffix;

    const qsizetype from = std::max<qsizetype>(0, prefix - kBoundaryContext);
    LocalFinder finder1(first, from, std::min(size1, size1 - suffix + kBoundaryContext));
    LocalFinder finder2(second, from, std::min(size2, size2 - suffix + kBoundaryContext));
    prefix = commonBoundaryAtOrBefore(finder1, finder2, prefix);
    suffix = commonBoundaryFromEnd(finder1, size1, finder2, size2, suffix);

    const qsizetype end1 = size1 - suffix;
    const qsizetype end2 = size2 - suffix;
    if (prefix == end1 || prefix == end2) {
        result.spans.append({kindOf(end1 - prefix, end2 - prefix), prefix, end1 - prefix, prefix, end2 - prefix});
        return result;
    }

    const std::vector<qsizetype> a = boundariesBetween(finder1, prefix, end1);
    const std::vector<qsizetype> b = boundariesBetween(finder2, prefix, end2);
    const std::optional<std::vector<Edit>> edits = shortestEdits(first, a, second, b, effortLimit);
    if (!edits) {
        result.coarse = true;
        result.spans.append({SpanKind::Changed, prefix, end1 - prefix, prefix, end2 - prefix});
        return result;
    }

    // Runs of edits with no common cluster between them make one span each.
    for (size_t i = 0; i < edits->size();) {
        const qsizetype x0 = (*edits)[i].x;
        const qsizetype y0 = (*edits)[i].y;
        qsizetype x = x0;
        qsizetype y = y0;
        while (i < edits->size() && (*edits)[i].x == x && (*edits)[i].y == y) {
            if ((*edits)[i].insertion)
                ++y;
            else
                ++x;
            ++i;
        }
        const qsizetype start1 = a[size_t(x0)];
        const qsizetype start2 = b[size_t(y0)];
        const qsizetype length1 = a[size_t(x)] - start1;
        const qsizetype length2 = b[size_t(y)] - start2;
        result.spans.append({kindOf(length1, length2), start1, length1, start2, length2});
    }
    return result;
}
