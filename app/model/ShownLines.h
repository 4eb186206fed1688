#pragma once

#include <vector>

// Which rows (or columns) of a sheet the grid shows, and where each one stands on screen.
//
// A line is a sheet row or column number; a position is its place among the shown lines. Line 0
// (the header row or column) is always shown at position 0. Unfiltered, every line is shown and
// a position is its line. Filtered, the grid shows only the chosen lines in the sheet's order,
// so positions grow with lines and a block of positions is a block of lines only when no hidden
// line lies between them.
//
// Lines that rows or columns inserted into the sheet bring are shown: what the person or a
// command adds is never hidden from them.
class ShownLines
{
public:
    explicit ShownLines(int total = 1);

    [[nodiscard]] bool isFiltered() const
    {
        return m_filtered;
    }
    // How many lines the sheet has, and how many of them are shown (the header line included).
    [[nodiscard]] int total() const
    {
        return m_total;
    }
    [[nodiscard]] int count() const
    {
        return m_filtered ? int(m_lines.size()) : m_total;
    }
    // The line at `position` (0 .. count() - 1).
    [[nodiscard]] int line(int position) const
    {
        return m_filtered ? m_lines[std::size_t(position)] : position;
    }
    [[nodiscard]] bool isShown(int line) const;
    // The position of the first shown line at or after `line` (count() when there is none), and
    // of the last one at or before it (0 at least: the header line).
    [[nodiscard]] int positionAtOrAfter(int line) const;
    [[nodiscard]] int positionAtOrBefore(int line) const;
    // The shown line nearest to `line`: itself when shown, else the next one, else the one before.
    [[nodiscard]] int nearestShown(int line) const;
    // Whether lines first .. last (either order) hold a hidden line.
    [[nodiscard]] bool hidesBetween(int first, int last) const;

    // Every line shown again.
    void showAll();
    // Only the header line and `lines` (ascending) are shown; lines outside 1 .. total() - 1 are
    // left out.
    void showOnly(const std::vector<int> &lines);

    // The sheet gained `count` lines at `at`, or lost them there; or now has `total` lines, the
    // ones it gained at its end shown.
    void inserted(int at, int count);
    void removed(int at, int count);
    void resized(int total);

    friend bool operator==(const ShownLines &, const ShownLines &) = default;

private:
    int m_total = 1;
    bool m_filtered = false;
    // The shown lines, ascending, line 0 first; only while filtered.
    std::vector<int> m_lines;
};
