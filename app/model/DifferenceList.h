#pragma once

#include "CellPosition.h"
#include "SortedChunks.h"

#include <array>
#include <optional>
#include <vector>

// What a marked position is: the two sheets' texts differ there (light red, or light grey on a
// filler row), or only the larger sheet has the cell (magenta).
enum class DifferenceKind { Differs, OnlyInLarger };

struct Difference
{
    CellPosition position;
    DifferenceKind kind = DifferenceKind::Differs;

    friend bool operator==(const Difference &, const Difference &) = default;
};

// The positions the comparisons marked, over the union of both sheets' data cells: what the
// colours show, kept as a list so that stepping, counting and the scroll-bar marks never walk the
// cells. The full comparison fills it, each re-comparison of a block or a pasted cell updates it
// where it re-coloured, and whatever empties the colours empties it.
//
// Positions only one sheet has come in whole rows and columns, so they are held as rectangles;
// differing positions are held one by one, sorted in reading order.
class DifferenceList
{
public:
    // No comparison since the sheets were loaded or cleared.
    void clear();
    // Whether a comparison has run since the sheets were loaded or cleared.
    [[nodiscard]] bool hasRun() const
    {
        return m_rows[0] > 0 || m_rows[1] > 0;
    }
    [[nodiscard]] bool isEmpty() const
    {
        return count() == 0;
    }

    // A full comparison begins over sheets of these counts (header row and column included). A
    // silent run forgets the marks it will set again; an interactive one leaves the differing
    // positions it does not reach marked, as it leaves their colours.
    void beginRun(std::array<int, 2> rows, std::array<int, 2> cols, bool keepDiffering);
    // The run marked rows first .. last of sheet `sheet` over its whole width (or columns over
    // its whole height) as cells only that sheet has. A run marks the extra rows before the
    // extra columns, and never the same row twice.
    void markExtraRows(int sheet, int first, int last);
    void markExtraCols(int sheet, int first, int last);
    // The run's differing positions, sorted; the pairs it found equal are gone when it reset
    // them (silent), and stay as they were when it left them alone (interactive). A cancelled
    // run leaves the cells it did not reach as they were, so the marks of the run before it
    // that it would have set again stay too.
    void endRun(const std::vector<CellPosition> &differing, bool cancelled);

    // One pair re-compared: marked as differing or not.
    void setDiffers(CellPosition position, bool differs);
    // A block re-compared at once: every position of rows row1 .. row2, columns col1 .. col2 is
    // marked as differing exactly when `differing` (sorted) holds it.
    void replaceBlock(int row1, int col1, int row2, int col2, const std::vector<CellPosition> &differing);
    // Scattered pairs re-compared at once: each of `recompared` (sorted) is marked as differing
    // exactly when `differing` (sorted, a part of it) holds it.
    void replaceCells(const std::vector<CellPosition> &recompared, const std::vector<CellPosition> &differing);
    // A cell of sheet `sheet` that the other sheet lacks, marked as the full comparison would
    // mark it.
    void markOnlyInLarger(int sheet, CellPosition position);

    // Changes with every change of the list, so that what is drawn from it is redrawn only then.
    [[nodiscard]] quint64 generation() const
    {
        return m_generation;
    }

    // How many positions are marked, and how many of them differ in both sheets.
    [[nodiscard]] qsizetype count() const;
    [[nodiscard]] qsizetype differingCount() const
    {
        return qsizetype(m_differing.size());
    }
    [[nodiscard]] std::optional<DifferenceKind> kindAt(CellPosition position) const;
    // The marked position after (or before) `from` in reading order, `from` itself excluded.
    [[nodiscard]] std::optional<Difference> next(CellPosition from) const;
    [[nodiscard]] std::optional<Difference> previous(CellPosition from) const;
    [[nodiscard]] std::optional<Difference> first() const;
    [[nodiscard]] std::optional<Difference> last() const;
    // The 1-based place of a marked position in reading order; nothing for an unmarked one.
    [[nodiscard]] std::optional<qsizetype> ordinal(CellPosition position) const;
    // Every marked position in reading order; for tests and reports, it costs one entry each.
    [[nodiscard]] std::vector<Difference> all() const;

    // The rows (or columns) of sheet `sheet` that hold at least one marked cell of that sheet,
    // ascending: the scroll-bar marks. A differing position marks both sheets, a position only
    // one sheet has marks that sheet.
    [[nodiscard]] std::vector<int> markedRows(int sheet) const;
    [[nodiscard]] std::vector<int> markedCols(int sheet) const;

private:
    struct Rect
    {
        int sheet = 0;
        int row1 = 0;
        int col1 = 0;
        int row2 = -1;
        int col2 = -1;
        bool wholeRows = false; // extra rows over the sheet's width, not extra columns

        [[nodiscard]] bool isEmpty() const
        {
            return row2 < row1 || col2 < col1;
        }
        [[nodiscard]] bool contains(CellPosition p) const
        {
            return p.row() >= row1 && p.row() <= row2 && p.col() >= col1 && p.col() <= col2;
        }
        // Cells of the rectangle before `p` in reading order.
        [[nodiscard]] qsizetype countBefore(CellPosition p) const;
        [[nodiscard]] qsizetype cellCount() const
        {
            return isEmpty() ? 0 : qsizetype(row2 - row1 + 1) * (col2 - col1 + 1);
        }
    };

    [[nodiscard]] bool isOnlyInLarger(CellPosition p) const;
    [[nodiscard]] std::optional<CellPosition> nextOnlyInLarger(CellPosition from) const;
    [[nodiscard]] std::optional<CellPosition> previousOnlyInLarger(CellPosition from) const;
    void addRect(const Rect &rect);

    std::array<int, 2> m_rows{};
    std::array<int, 2> m_cols{};
    // What the run before the present one marked only-in-larger, and over which counts.
    std::vector<Rect> m_previousExtra;
    std::array<int, 2> m_previousRows{};
    std::array<int, 2> m_previousCols{};
    // Disjoint rectangles of cells only one sheet has.
    std::vector<Rect> m_extra;
    // Single cells only one sheet has that no rectangle holds (a paste beyond the other sheet
    // before any comparison), sorted, each with its sheet.
    std::vector<std::pair<CellPosition, int>> m_loneExtra;
    // Positions both sheets have whose texts differ, sorted, no position twice.
    SortedChunks<CellPosition> m_differing;
    quint64 m_generation = 0;
};
