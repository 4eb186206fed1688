// The sheet's view state: current cell, selection, scroll position, geometry, the flags visible,
// enabled, redraw and tool tip, and the grid's events. The document is in Sheet.cpp.

#include "Sheet.h"

#include "GridError.h"
#include "SheetChecks.h"

#include <algorithm>
#include <array>
#include <limits>

namespace
{
// Lengths summed over many columns, held in an int.
int saturated(qint64 twips)
{
    return int(std::clamp<qint64>(twips, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

constexpr char32_t kHalfWidthKatakanaFirst = 0xFF61; // "｡"
constexpr char32_t kHalfWidthKatakanaLast = 0xFF9F; // "ﾟ"
constexpr int kHalfWidthKatakanaFirstCode = 0xA1; // its single-byte code
} // namespace

int keyAsciiFromCharacter(char32_t character)
{
    if (character < 0x80)
        return int(character);
    if (character >= kHalfWidthKatakanaFirst && character <= kHalfWidthKatakanaLast)
        return kHalfWidthKatakanaFirstCode + int(character - kHalfWidthKatakanaFirst);
    return -int(character);
}

QString characterFromKeyAscii(int keyAscii)
{
    if (keyAscii == 0)
        return {};
    char32_t character = 0;
    if (keyAscii < 0)
        character = char32_t(-qint64(keyAscii));
    else if (keyAscii >= kHalfWidthKatakanaFirstCode
             && keyAscii <= kHalfWidthKatakanaFirstCode + int(kHalfWidthKatakanaLast - kHalfWidthKatakanaFirst))
        character = kHalfWidthKatakanaFirst + char32_t(keyAscii - kHalfWidthKatakanaFirstCode);
    else
        character = char32_t(keyAscii);
    return QString::fromUcs4(&character, 1);
}

void Sheet::keepPositionsInside()
{
    if (m_rowSel >= rows() || m_colSel >= cols()) {
        m_rowSel = std::min(m_rowSel, rows() - 1);
        m_colSel = std::min(m_colSel, cols() - 1);
        notifySelection();
    }
    setScrollPosition(m_topRow, m_leftCol);
    if (m_row >= rows() || m_col >= cols())
        moveCurrentCell(std::min(m_row, rows() - 1), std::min(m_col, cols() - 1));
}

void Sheet::setRow(int row)
{
    checkRow(row);
    moveCurrentCell(row, m_col);
}

void Sheet::setCol(int col)
{
    checkCol(col);
    moveCurrentCell(m_row, col);
}

void Sheet::setCurrentCell(int row, int col)
{
    checkRow(row);
    checkCol(col);
    moveCurrentCell(row, col);
}

void Sheet::moveCurrentCell(int row, int col)
{
    if (row != m_row || col != m_col) {
        emit leaveCell();
        m_row = row;
        m_col = col;
        m_rowSel = row;
        m_colSel = col;
        notifySelection();
        emit rowColChange();
        return;
    }
    if (m_rowSel != row || m_colSel != col) {
        m_rowSel = row;
        m_colSel = col;
        notifySelection();
    }
}

void Sheet::setRowSel(int row)
{
    checkRow(row);
    if (row == m_rowSel)
        return;
    m_rowSel = row;
    notifySelection();
}

void Sheet::setColSel(int col)
{
    checkCol(col);
    if (col == m_colSel)
        return;
    m_colSel = col;
    notifySelection();
}

int Sheet::firstTopRow() const
{
    return m_shownRows.line(std::min(fixedRows(), m_shownRows.count() - 1));
}

int Sheet::firstLeftCol() const
{
    return m_shownCols.line(std::min(fixedCols(), m_shownCols.count() - 1));
}

// The view scrolls no further than to show its last rows and columns whole: as many as fit
// below the header row or beside the header column, at least one.
// Counted in shown rows and columns: hidden ones take no room.
int Sheet::lastTopRow() const
{
    const int shown = m_shownRows.count();
    const int dataRows = shown - fixedRows();
    if (dataRows <= 0)
        return firstTopRow();
    const qint64 fitting = std::clamp<qint64>((qint64(m_layoutHeight) - m_rowHeight) / m_rowHeight, 1, dataRows);
    return m_shownRows.line(shown - int(fitting));
}

int Sheet::lastLeftCol() const
{
    const int shown = m_shownCols.count();
    const int dataCols = shown - fixedCols();
    if (dataCols <= 0)
        return firstLeftCol();
    const qint64 room = qint64(m_layoutWidth) - m_colWidths.at(0);
    qint64 used = 0;
    int fitting = 0;
    for (int p = shown - 1; p >= fixedCols(); --p) {
        used += m_colWidths.at(m_shownCols.line(p));
        if (used > room)
            break;
        ++fitting;
    }
    return m_shownCols.line(shown - std::max(fitting, 1));
}

void Sheet::setScrollPosition(int topRow, int leftCol)
{
    // A hidden row or column stands for the next one shown.
    topRow = m_shownRows.line(std::min(m_shownRows.positionAtOrAfter(topRow), m_shownRows.count() - 1));
    leftCol = m_shownCols.line(std::min(m_shownCols.positionAtOrAfter(leftCol), m_shownCols.count() - 1));
    topRow = std::clamp(topRow, firstTopRow(), lastTopRow());
    leftCol = std::clamp(leftCol, firstLeftCol(), lastLeftCol());
    if (topRow == m_topRow && leftCol == m_leftCol)
        return;
    m_topRow = topRow;
    m_leftCol = leftCol;
    notifyScroll();
}

void Sheet::setTopRow(int row)
{
    checkRowColNumber(row);
    if (row < firstTopRow() || row >= rows())
        throw GridError(GridErrorCode::InvalidRow);
    const int before = m_topRow;
    setScrollPosition(row, m_leftCol);
    if (m_topRow != before)
        emit scroll();
}

void Sheet::setLeftCol(int col)
{
    checkRowColNumber(col);
    if (col < firstLeftCol() || col >= cols())
        throw GridError(GridErrorCode::InvalidCol);
    const int before = m_leftCol;
    setScrollPosition(m_topRow, col);
    if (m_leftCol != before)
        emit scroll();
}

void Sheet::scrolledByView(int topRow, int leftCol)
{
    topRow = std::clamp(topRow, 0, rows() - 1);
    leftCol = std::clamp(leftCol, 0, cols() - 1);
    if (topRow == m_topRow && leftCol == m_leftCol)
        return;
    m_topRow = topRow;
    m_leftCol = leftCol;
    emit scroll();
}

int Sheet::colWidth(int col) const
{
    checkCol(col);
    return m_colWidths.at(col);
}

int Sheet::cellLeft() const
{
    if (m_col < fixedCols())
        return 0;
    // Columns between the left column and the cell, counted negative when the cell lies left of it.
    // Only shown columns take room; a hidden current cell stands where the next shown one does.
    const int leftPosition = m_shownCols.positionAtOrAfter(m_leftCol);
    const int cellPosition = m_shownCols.positionAtOrAfter(m_col);
    qint64 left = m_colWidths.at(0);
    for (int p = leftPosition; p < cellPosition; ++p)
        left += m_colWidths.at(m_shownCols.line(p));
    for (int p = cellPosition; p < leftPosition; ++p)
        left -= m_colWidths.at(m_shownCols.line(p));
    return saturated(left);
}

int Sheet::cellTop() const
{
    if (m_row < fixedRows())
        return 0;
    const int rowsBetween = m_shownRows.positionAtOrAfter(m_row) - m_shownRows.positionAtOrAfter(m_topRow);
    return saturated(qint64(m_rowHeight) * (fixedRows() + rowsBetween));
}

int Sheet::cellWidth() const
{
    return m_colWidths.at(m_col);
}

int Sheet::cellHeight() const
{
    return m_rowHeight;
}

bool Sheet::rowIsVisible(int row) const
{
    checkRow(row);
    if (row < fixedRows())
        return true;
    if (!m_shownRows.isShown(row) || row < m_topRow)
        return false;
    const int rowsBetween = m_shownRows.positionAtOrAfter(row) - m_shownRows.positionAtOrAfter(m_topRow);
    return qint64(m_rowHeight) * (fixedRows() + rowsBetween + 1) <= m_layoutHeight;
}

bool Sheet::colIsVisible(int col) const
{
    checkCol(col);
    if (col < fixedCols())
        return true;
    if (col < m_leftCol || !m_shownCols.isShown(col))
        return false;
    qint64 right = m_colWidths.at(0);
    const int last = m_shownCols.positionAtOrAfter(col);
    for (int p = m_shownCols.positionAtOrAfter(m_leftCol); p <= last && right <= m_layoutWidth; ++p)
        right += m_colWidths.at(m_shownCols.line(p));
    return right <= m_layoutWidth;
}

void Sheet::reportLayout(const SheetLayout &layout)
{
    const qsizetype known = std::min(layout.colWidths.size(), m_colWidths.size());
    for (qsizetype c = 0; c < known; ++c)
        m_colWidths[c] = std::max(0, layout.colWidths.at(c));
    m_rowHeight = std::max(1, layout.rowHeight);
    m_layoutWidth = std::max(0, layout.width);
    m_layoutHeight = std::max(0, layout.height);
    // A larger grid shows more of the last rows and columns at once, and scrolls less far.
    setScrollPosition(m_topRow, m_leftCol);
}

void Sheet::reportColWidth(int col, int width)
{
    if (col < 0 || col >= cols())
        return;
    width = std::max(0, width);
    const bool changed = m_colWidths.at(col) != width;
    m_colWidths[col] = width;
    setScrollPosition(m_topRow, m_leftCol);
    if (changed)
        emit colResized(col);
}

void Sheet::setColWidth(int col, int width)
{
    if (col < 0 || col >= cols())
        return;
    width = std::max(0, width);
    if (m_colWidths.at(col) == width)
        return;
    m_colWidths[col] = width;
    setScrollPosition(m_topRow, m_leftCol);
    emit colWidthRequested(col);
}

void Sheet::setShownLines(const std::optional<std::vector<int>> &rows, const std::optional<std::vector<int>> &cols)
{
    std::array<ShownLines, 2> chosen{m_shownRows, m_shownCols};
    for (auto [lines, shown] : {std::pair{&chosen[0], &rows}, std::pair{&chosen[1], &cols}}) {
        if (*shown)
            lines->showOnly(**shown);
        else
            lines->showAll();
    }
    // The same lines again change nothing: the view keeps its place and starts no new model.
    if (chosen[0] == m_shownRows && chosen[1] == m_shownCols)
        return;
    emit shownLinesAboutToChange();
    m_shownRows = std::move(chosen[0]);
    m_shownCols = std::move(chosen[1]);
    emit shownLinesChanged();
    setScrollPosition(m_topRow, m_leftCol);
    if (!m_shownRows.isShown(m_row) || !m_shownCols.isShown(m_col))
        moveCurrentCell(m_shownRows.nearestShown(m_row), m_shownCols.nearestShown(m_col));
}

bool Sheet::blockHidesLines() const
{
    return m_shownRows.hidesBetween(m_row, m_rowSel) || m_shownCols.hidesBetween(m_col, m_colSel);
}

void Sheet::setRedraw(bool redraw)
{
    m_redraw = redraw;
    if (redraw && m_pendingRefresh) {
        m_pendingRefresh = false;
        emit refreshed();
    }
}

void Sheet::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit appearanceChanged();
}

void Sheet::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    emit appearanceChanged();
}

void Sheet::setToolTipText(const QString &text)
{
    if (text == m_toolTipText)
        return;
    m_toolTipText = text;
    emit appearanceChanged();
}

void Sheet::setGeometry(const TwipsRect &rect)
{
    if (rect == m_geometry)
        return;
    m_geometry = rect;
    emit appearanceChanged();
}

void Sheet::setMouseCell(int row, int col)
{
    m_mouseRow = row;
    m_mouseCol = col;
}

void Sheet::raiseClick()
{
    emit click();
}

void Sheet::raiseDblClick()
{
    emit dblClick();
}

void Sheet::setFocus()
{
    emit focusRequested();
}

void Sheet::raiseGotFocus()
{
    m_hasFocus = true;
    emit gotFocus();
}

void Sheet::raiseLostFocus()
{
    m_hasFocus = false;
    emit lostFocus();
}

void Sheet::raiseKeyDown(int &keyCode, int shift)
{
    emit keyDown(&keyCode, shift);
}

void Sheet::raiseKeyPress(int &keyAscii)
{
    emit keyPress(&keyAscii);
}

void Sheet::raiseCompositionStart()
{
    emit compositionStarted();
}

void Sheet::raiseMouseDown(int button, int shift, int x, int y)
{
    emit mouseDown(button, shift, x, y);
}

void Sheet::raiseMouseUp(int button, int shift, int x, int y)
{
    emit mouseUp(button, shift, x, y);
}

void Sheet::notifyCells(int row1, int col1, int row2, int col2)
{
    if (!m_redraw) {
        m_pendingRefresh = true;
        return;
    }
    emit cellsChanged(row1, col1, row2, col2);
}

void Sheet::notifySelection()
{
    if (!m_redraw) {
        m_pendingRefresh = true;
        return;
    }
    emit selectionChanged();
}

void Sheet::notifyScroll()
{
    if (!m_redraw) {
        m_pendingRefresh = true;
        return;
    }
    emit scrollRequested();
}
