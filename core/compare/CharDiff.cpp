#include "CharDiff.h"

#include "RowAlignment.h"

#include <QHash>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace
{
// Past this many inserted and deleted clusters a difference tells the person nothing a coarse
// one does not, and the search would only spend its budget.
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

// One identity per cluster of `text` between `boundaries`, equal exactly when the clusters are:
// a cluster of one code unit is that unit, a longer one is numbered on first sight above them.
std::vector<std::uint32_t> clusterIdentities(QStringView text, const std::vector<qsizetype> &boundaries,
                                             QHash<QStringView, std::uint32_t> &longer)
{
    std::vector<std::uint32_t> identities;
    identities.reserve(boundaries.size() - 1);
    for (size_t i = 0; i + 1 < boundaries.size(); ++i) {
        const QStringView cluster = text.sliced(boundaries[i], boundaries[i + 1] - boundaries[i]);
        if (cluster.size() == 1) {
            identities.push_back(cluster[0].unicode());
            continue;
        }
        const auto known = longer.constFind(cluster);
        if (known != longer.constEnd()) {
            identities.push_back(*known);
        } else {
            const std::uint32_t identity = 0x10000 + std::uint32_t(longer.size());
            longer.insert(cluster, identity);
            identities.push_back(identity);
        }
    }
    return identities;
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
    QHash<QStringView, std::uint32_t> longer;
    const std::vector<std::uint32_t> clusters1 = clusterIdentities(first, a, longer);
    const std::vector<std::uint32_t> clusters2 = clusterIdentities(second, b, longer);
    RowMatches matches = matchRows(clusters1, clusters2, effortLimit, WhenSpent::GiveUp, kMaxEdits);
    if (matches.gaveUp) {
        result.coarse = true;
        result.spans.append({SpanKind::Changed, prefix, end1 - prefix, prefix, end2 - prefix});
        return result;
    }

    // The clusters between two matched ones make one span; the ends match as a last pair.
    matches.pairs.emplace_back(int(clusters1.size()), int(clusters2.size()));
    int x = 0;
    int y = 0;
    for (const auto &[matchX, matchY] : matches.pairs) {
        if (matchX > x || matchY > y) {
            const qsizetype start1 = a[size_t(x)];
            const qsizetype start2 = b[size_t(y)];
            const qsizetype length1 = a[size_t(matchX)] - start1;
            const qsizetype length2 = b[size_t(matchY)] - start2;
            result.spans.append({kindOf(length1, length2), start1, length1, start2, length2});
        }
        x = matchX + 1;
        y = matchY + 1;
    }
    return result;
}
