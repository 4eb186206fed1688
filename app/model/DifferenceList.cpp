#include "DifferenceList.h"

#include <algorithm>

namespace
{
// The marked position nearest after (or before) `from` of two candidates.
std::optional<Difference> nearer(std::optional<Difference> a, std::optional<Difference> b, bool forward)
{
    if (!a)
        return b;
    if (!b)
        return a;
    return (forward ? b->position < a->position : b->position > a->position) ? b : a;
}
} // namespace

qsizetype DifferenceList::Rect::countBefore(CellPosition p) const
{
    if (isEmpty() || p.row() < row1)
        return 0;
    const qsizetype width = col2 - col1 + 1;
    const qsizetype fullRows = std::min(p.row(), row2 + 1) - row1;
    qsizetype n = fullRows * width;
    if (p.row() <= row2)
        n += std::clamp(p.col() - col1, 0, int(width));
    return n;
}

void DifferenceList::clear()
{
    const quint64 generation = m_generation + 1;
    *this = DifferenceList();
    m_generation = generation;
}

void DifferenceList::beginRun(std::array<int, 2> rows, std::array<int, 2> cols, bool keepDiffering)
{
    ++m_generation;
    m_previousExtra = std::move(m_extra);
    m_previousRows = m_rows;
    m_previousCols = m_cols;
    m_extra.clear();
    m_loneExtra.clear();
    m_rows = rows;
    m_cols = cols;
    if (!keepDiffering) {
        m_differing.clear();
        return;
    }
    // Marks of the common area stay as their colours do; what lies outside it now is marked
    // only-in-larger by this run.
    const int commonRows = std::min(rows[0], rows[1]);
    const int commonCols = std::min(cols[0], cols[1]);
    m_differing.eraseIf([&](CellPosition p) { return p.row() >= commonRows || p.col() >= commonCols; });
}

void DifferenceList::addRect(const Rect &rect)
{
    if (rect.isEmpty())
        return;
    // A run marks one row or column at a time: each joins the one before it.
    if (!m_extra.empty()) {
        Rect &last = m_extra.back();
        if (last.sheet == rect.sheet && last.wholeRows == rect.wholeRows) {
            if (rect.wholeRows && last.col1 == rect.col1 && last.col2 == rect.col2 && last.row2 + 1 == rect.row1) {
                last.row2 = rect.row2;
                return;
            }
            if (!rect.wholeRows && last.row1 == rect.row1 && last.row2 == rect.row2 && last.col2 + 1 == rect.col1) {
                last.col2 = rect.col2;
                return;
            }
        }
    }
    m_extra.push_back(rect);
}

void DifferenceList::markExtraRows(int sheet, int first, int last)
{
    ++m_generation;
    addRect({sheet, first, 1, last, m_cols[size_t(sheet)] - 1, true});
}

void DifferenceList::markExtraCols(int sheet, int first, int last)
{
    ++m_generation;
    // The extra rows of the same sheet, marked before, already hold the corner.
    int lastRow = m_rows[size_t(sheet)] - 1;
    for (const Rect &rect : m_extra) {
        if (rect.sheet == sheet && rect.wholeRows)
            lastRow = std::min(lastRow, rect.row1 - 1);
    }
    addRect({sheet, 1, first, lastRow, last, false});
}

void DifferenceList::endRun(const std::vector<CellPosition> &differing, bool cancelled)
{
    ++m_generation;
    if (m_differing.empty()) {
        m_differing.assign(differing);
    } else {
        const std::vector<CellPosition> held = m_differing.toVector();
        std::vector<CellPosition> merged;
        merged.reserve(held.size() + differing.size());
        std::set_union(held.begin(), held.end(), differing.begin(), differing.end(), std::back_inserter(merged));
        m_differing.assign(merged);
    }
    // Over unchanged counts the run before marked the same cells only-in-larger, all of them
    // or those it reached; their colours are still there.
    if (cancelled && m_previousRows == m_rows && m_previousCols == m_cols) {
        qsizetype before = 0;
        qsizetype now = 0;
        for (const Rect &rect : m_previousExtra)
            before += rect.cellCount();
        for (const Rect &rect : m_extra)
            now += rect.cellCount();
        if (before > now)
            m_extra = m_previousExtra;
    }
    m_previousExtra.clear();
}

void DifferenceList::setDiffers(CellPosition position, bool differs)
{
    ++m_generation;
    if (differs)
        m_differing.insert(position);
    else
        m_differing.erase(position);
}

void DifferenceList::replaceBlock(int row1, int col1, int row2, int col2, const std::vector<CellPosition> &differing)
{
    ++m_generation;
    if (row2 < row1 || col2 < col1)
        return;
    // A few cells go one by one; a large block is merged in one pass over the list.
    if (qsizetype(row2 - row1 + 1) * (col2 - col1 + 1) <= 64) {
        for (int r = row1; r <= row2; ++r) {
            for (int c = col1; c <= col2; ++c)
                setDiffers({r, c}, std::binary_search(differing.begin(), differing.end(), CellPosition(r, c)));
        }
        return;
    }
    const Rect block{0, row1, col1, row2, col2};
    std::vector<CellPosition> added;
    std::copy_if(differing.begin(), differing.end(), std::back_inserter(added),
                 [&](CellPosition p) { return block.contains(p); });
    std::vector<CellPosition> merged;
    merged.reserve(std::size_t(m_differing.size()) + added.size());
    auto next = added.begin();
    m_differing.forEach([&](CellPosition p) {
        if (block.contains(p))
            return;
        while (next != added.end() && *next < p)
            merged.push_back(*next++);
        merged.push_back(p);
    });
    merged.insert(merged.end(), next, added.end());
    m_differing.assign(merged);
}

void DifferenceList::replaceCells(const std::vector<CellPosition> &recompared,
                                  const std::vector<CellPosition> &differing)
{
    ++m_generation;
    if (recompared.size() <= 64) {
        for (const CellPosition p : recompared)
            setDiffers(p, std::binary_search(differing.begin(), differing.end(), p));
        return;
    }
    std::vector<CellPosition> merged;
    merged.reserve(std::size_t(m_differing.size()) + differing.size());
    auto next = differing.begin();
    m_differing.forEach([&](CellPosition p) {
        if (std::binary_search(recompared.begin(), recompared.end(), p))
            return;
        while (next != differing.end() && *next < p)
            merged.push_back(*next++);
        merged.push_back(p);
    });
    merged.insert(merged.end(), next, differing.end());
    m_differing.assign(merged);
}

void DifferenceList::markOnlyInLarger(int sheet, CellPosition position)
{
    ++m_generation;
    if (isOnlyInLarger(position))
        return;
    setDiffers(position, false);
    const auto it = std::lower_bound(m_loneExtra.begin(), m_loneExtra.end(), std::pair{position, 0},
                                     [](const auto &a, const auto &b) { return a.first < b.first; });
    m_loneExtra.insert(it, {position, sheet});
}

qsizetype DifferenceList::count() const
{
    qsizetype n = m_differing.size() + qsizetype(m_loneExtra.size());
    for (const Rect &rect : m_extra)
        n += rect.cellCount();
    return n;
}

bool DifferenceList::isOnlyInLarger(CellPosition p) const
{
    if (std::any_of(m_extra.begin(), m_extra.end(), [&](const Rect &rect) { return rect.contains(p); }))
        return true;
    return std::binary_search(m_loneExtra.begin(), m_loneExtra.end(), std::pair{p, 0},
                              [](const auto &a, const auto &b) { return a.first < b.first; });
}

std::optional<DifferenceKind> DifferenceList::kindAt(CellPosition position) const
{
    if (m_differing.contains(position))
        return DifferenceKind::Differs;
    if (isOnlyInLarger(position))
        return DifferenceKind::OnlyInLarger;
    return std::nullopt;
}

std::optional<CellPosition> DifferenceList::nextOnlyInLarger(CellPosition from) const
{
    std::optional<CellPosition> best;
    auto consider = [&](CellPosition p) {
        if (!best || p < *best)
            best = p;
    };
    for (const Rect &rect : m_extra) {
        if (rect.isEmpty() || from.row() > rect.row2)
            continue;
        if (from.row() < rect.row1)
            consider({rect.row1, rect.col1});
        else if (from.col() < rect.col1)
            consider({from.row(), rect.col1});
        else if (from.col() < rect.col2)
            consider({from.row(), from.col() + 1});
        else if (from.row() < rect.row2)
            consider({from.row() + 1, rect.col1});
    }
    const auto it = std::upper_bound(m_loneExtra.begin(), m_loneExtra.end(), from,
                                     [](CellPosition p, const auto &entry) { return p < entry.first; });
    if (it != m_loneExtra.end())
        consider(it->first);
    return best;
}

std::optional<CellPosition> DifferenceList::previousOnlyInLarger(CellPosition from) const
{
    std::optional<CellPosition> best;
    auto consider = [&](CellPosition p) {
        if (!best || p > *best)
            best = p;
    };
    for (const Rect &rect : m_extra) {
        if (rect.isEmpty() || from.row() < rect.row1)
            continue;
        if (from.row() > rect.row2)
            consider({rect.row2, rect.col2});
        else if (from.col() > rect.col2)
            consider({from.row(), rect.col2});
        else if (from.col() > rect.col1)
            consider({from.row(), from.col() - 1});
        else if (from.row() > rect.row1)
            consider({from.row() - 1, rect.col2});
    }
    auto it = std::lower_bound(m_loneExtra.begin(), m_loneExtra.end(), from,
                               [](const auto &entry, CellPosition p) { return entry.first < p; });
    if (it != m_loneExtra.begin())
        consider(std::prev(it)->first);
    return best;
}

std::optional<Difference> DifferenceList::next(CellPosition from) const
{
    std::optional<Difference> differing;
    if (const auto p = m_differing.firstAfter(from))
        differing = Difference{*p, DifferenceKind::Differs};
    std::optional<Difference> extra;
    if (const auto p = nextOnlyInLarger(from))
        extra = Difference{*p, DifferenceKind::OnlyInLarger};
    return nearer(differing, extra, true);
}

std::optional<Difference> DifferenceList::previous(CellPosition from) const
{
    std::optional<Difference> differing;
    if (const auto p = m_differing.lastBefore(from))
        differing = Difference{*p, DifferenceKind::Differs};
    std::optional<Difference> extra;
    if (const auto p = previousOnlyInLarger(from))
        extra = Difference{*p, DifferenceKind::OnlyInLarger};
    return nearer(differing, extra, false);
}

std::optional<Difference> DifferenceList::first() const
{
    // Row 0 and column 0 are headers: nothing is ever marked there.
    return next({0, 0});
}

std::optional<Difference> DifferenceList::last() const
{
    return previous({kMaxRowCol + 1, kMaxRowCol + 1});
}

std::optional<qsizetype> DifferenceList::ordinal(CellPosition position) const
{
    if (!kindAt(position))
        return std::nullopt;
    qsizetype before = m_differing.countBefore(position);
    for (const Rect &rect : m_extra)
        before += rect.countBefore(position);
    before += std::lower_bound(m_loneExtra.begin(), m_loneExtra.end(), position,
                               [](const auto &entry, CellPosition p) { return entry.first < p; })
        - m_loneExtra.begin();
    return before + 1;
}

std::vector<Difference> DifferenceList::all() const
{
    std::vector<Difference> out;
    for (std::optional<Difference> d = first(); d; d = next(d->position))
        out.push_back(*d);
    return out;
}

std::vector<int> DifferenceList::markedRows(int sheet) const
{
    std::vector<int> rows;
    m_differing.forEach([&](CellPosition p) {
        if (rows.empty() || rows.back() != p.row())
            rows.push_back(p.row());
    });
    for (const Rect &rect : m_extra) {
        if (rect.sheet != sheet || rect.isEmpty())
            continue;
        for (int r = rect.row1; r <= rect.row2; ++r)
            rows.push_back(r);
    }
    for (const auto &[p, owner] : m_loneExtra) {
        if (owner == sheet)
            rows.push_back(p.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<int> DifferenceList::markedCols(int sheet) const
{
    std::vector<bool> marked(size_t(kMaxRowCol) + 1, false);
    m_differing.forEach([&](CellPosition p) { marked[size_t(p.col())] = true; });
    for (const Rect &rect : m_extra) {
        if (rect.sheet != sheet || rect.isEmpty())
            continue;
        for (int c = rect.col1; c <= rect.col2; ++c)
            marked[size_t(c)] = true;
    }
    for (const auto &[p, owner] : m_loneExtra) {
        if (owner == sheet)
            marked[size_t(p.col())] = true;
    }
    std::vector<int> cols;
    for (size_t c = 0; c < marked.size(); ++c) {
        if (marked[c])
            cols.push_back(int(c));
    }
    return cols;
}
