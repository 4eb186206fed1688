#include "ShownLines.h"

#include <algorithm>
#include <numeric>

ShownLines::ShownLines(int total)
    : m_total(std::max(1, total))
{
}

bool ShownLines::isShown(int line) const
{
    if (line < 0 || line >= m_total)
        return false;
    return !m_filtered || std::binary_search(m_lines.begin(), m_lines.end(), line);
}

int ShownLines::positionAtOrAfter(int line) const
{
    if (!m_filtered)
        return std::clamp(line, 0, m_total);
    return int(std::lower_bound(m_lines.begin(), m_lines.end(), line) - m_lines.begin());
}

int ShownLines::positionAtOrBefore(int line) const
{
    if (!m_filtered)
        return std::clamp(line, 0, m_total - 1);
    const auto after = std::upper_bound(m_lines.begin(), m_lines.end(), line);
    return std::max(0, int(after - m_lines.begin()) - 1);
}

int ShownLines::nearestShown(int line) const
{
    const int after = positionAtOrAfter(line);
    if (after < count())
        return this->line(after);
    return this->line(positionAtOrBefore(line));
}

bool ShownLines::hidesBetween(int first, int last) const
{
    if (!m_filtered)
        return false;
    if (first > last)
        std::swap(first, last);
    first = std::max(first, 0);
    last = std::min(last, m_total - 1);
    if (first > last)
        return false;
    const auto from = std::lower_bound(m_lines.begin(), m_lines.end(), first);
    const auto to = std::upper_bound(m_lines.begin(), m_lines.end(), last);
    return to - from != last - first + 1;
}

void ShownLines::showAll()
{
    m_filtered = false;
    m_lines.clear();
}

void ShownLines::showOnly(const std::vector<int> &lines)
{
    m_filtered = true;
    m_lines.assign(1, 0);
    for (const int line : lines) {
        if (line >= 1 && line < m_total && line > m_lines.back())
            m_lines.push_back(line);
    }
}

void ShownLines::inserted(int at, int count)
{
    if (count <= 0)
        return;
    m_total += count;
    if (!m_filtered)
        return;
    auto from = std::lower_bound(m_lines.begin(), m_lines.end(), at);
    for (auto it = from; it != m_lines.end(); ++it)
        *it += count;
    std::vector<int> added(static_cast<std::size_t>(count));
    std::iota(added.begin(), added.end(), at);
    m_lines.insert(from, added.begin(), added.end());
}

void ShownLines::removed(int at, int count)
{
    if (count <= 0)
        return;
    m_total = std::max(1, m_total - count);
    if (!m_filtered)
        return;
    const auto from = std::lower_bound(m_lines.begin(), m_lines.end(), at);
    const auto to = std::lower_bound(from, m_lines.end(), at + count);
    for (auto it = to; it != m_lines.end(); ++it)
        *it -= count;
    m_lines.erase(from, to);
}

void ShownLines::resized(int total)
{
    total = std::max(1, total);
    if (total > m_total)
        inserted(m_total, total - m_total);
    else if (total < m_total)
        removed(total, m_total - total);
}
