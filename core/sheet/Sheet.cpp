#include "Sheet.h"

#include "GridError.h"

#include <algorithm>
#include <limits>

namespace
{
// The program's loops count rows and columns in 16 bits: a number beyond that overflows before
// the grid is even asked.
void checkRowColNumber(int number)
{
    if (number > kMaxRowCol || number < -kMaxRowCol - 1)
        throw GridError(GridErrorCode::Overflow);
}

// A place to insert `count` rows or columns into `size` of them: after the header, at most at the end.
void checkInsert(int at, int count, int size, GridErrorCode invalidPosition)
{
    checkRowColNumber(at);
    if (count < 0)
        throw GridError(GridErrorCode::InvalidValue);
    if (qint64(size) + count > kMaxRowCol)
        throw GridError(GridErrorCode::Overflow);
    if (at < 1 || at > size)
        throw GridError(invalidPosition);
}

// `count` rows or columns from `at` on, all of them data rows or columns.
void checkRemove(int at, int count, int size, GridErrorCode invalidPosition)
{
    checkRowColNumber(at);
    if (count < 0)
        throw GridError(GridErrorCode::InvalidValue);
    if (at < 1 || at >= size || qint64(at) + count > size)
        throw GridError(invalidPosition);
}

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

Sheet::Sheet(int index, QObject *parent)
    : QObject(parent)
    , m_index(index)
{
}

void Sheet::checkRow(int row) const
{
    checkRowColNumber(row);
    if (row < 0 || row >= rows())
        throw GridError(GridErrorCode::InvalidRow);
}

void Sheet::checkCol(int col) const
{
    checkRowColNumber(col);
    if (col < 0 || col >= cols())
        throw GridError(GridErrorCode::InvalidCol);
}

void Sheet::checkCell(int row, int col) const
{
    checkRowColNumber(row);
    checkRowColNumber(col);
    if (row < 0 || row >= rows() || col < 0 || col >= cols())
        throw GridError(GridErrorCode::SubscriptOutOfRange);
}

void Sheet::setRows(int rows)
{
    resize(rows, cols());
}

void Sheet::setCols(int cols)
{
    resize(rows(), cols);
}

void Sheet::resize(int rows, int cols)
{
    if (rows > kMaxRowCol || cols > kMaxRowCol)
        throw GridError(GridErrorCode::Overflow);
    if (rows < 1 || cols < 1)
        throw GridError(GridErrorCode::InvalidValue);
    if (qsizetype(rows) * cols > kMaxCells)
        throw GridError(GridErrorCode::OutOfMemory);
    // Fewer rows first: the sheet never holds more cells on the way than before or after.
    if (rows < this->rows()) {
        resizeRows(rows);
        resizeCols(cols);
    } else {
        resizeCols(cols);
        resizeRows(rows);
    }
    keepPositionsInside();
}

void Sheet::resizeRows(int rows)
{
    const int before = this->rows();
    if (rows > before)
        changeShape(ShapeChange::Kind::InsertRows, before, rows - before, [&] { m_data.resize(rows, cols()); });
    else if (rows < before)
        changeShape(ShapeChange::Kind::RemoveRows, rows, before - rows, [&] { m_data.resize(rows, cols()); });
}

void Sheet::resizeCols(int cols)
{
    const int before = this->cols();
    if (cols > before) {
        changeShape(ShapeChange::Kind::InsertCols, before, cols - before, [&] {
            m_data.resize(rows(), cols);
            m_colWidths.resize(cols, kDefaultColWidth);
        });
    } else if (cols < before) {
        changeShape(ShapeChange::Kind::RemoveCols, cols, before - cols, [&] {
            m_data.resize(rows(), cols);
            m_colWidths.resize(cols);
        });
    }
}

template<typename Change>
void Sheet::changeShape(ShapeChange::Kind kind, int first, int count, Change &&change)
{
    const ShapeChange shape{kind, first, count};
    emit shapeAboutToChange(shape);
    change();
    emit shapeChanged(shape);
}

void Sheet::insertRows(int at, int count, CellMove move)
{
    checkInsert(at, count, rows(), GridErrorCode::InvalidRow);
    if (qsizetype(rows() + count) * cols() > kMaxCells)
        throw GridError(GridErrorCode::OutOfMemory);
    if (count == 0)
        return;
    if (move == CellMove::TextsAndColours) {
        changeShape(ShapeChange::Kind::InsertRows, at, count, [&] { m_data.insertRows(at, count); });
    } else {
        resizeRows(rows() + count);
        m_data.shiftTextsDown(at, count);
        notifyCells(at, 0, rows() - 1, cols() - 1);
    }
    keepPositionsInside();
}

void Sheet::insertRowGroups(const std::vector<std::pair<int, int>> &groups)
{
    int added = 0;
    int previous = 1;
    for (const auto &[at, count] : groups) {
        checkInsert(at, count, rows() + added, GridErrorCode::InvalidRow);
        if (at < previous || at > rows())
            throw GridError(GridErrorCode::InvalidRow);
        previous = at;
        added += count;
    }
    if (qsizetype(rows() + added) * cols() > kMaxCells)
        throw GridError(GridErrorCode::OutOfMemory);
    if (added == 0)
        return;
    changeShape(ShapeChange::Kind::Replace, 0, 0, [&] { m_data.insertRowGroups(groups); });
    keepPositionsInside();
}

void Sheet::removeRows(int at, int count, CellMove move)
{
    checkRemove(at, count, rows(), GridErrorCode::InvalidRow);
    if (count == 0)
        return;
    if (move == CellMove::TextsAndColours) {
        changeShape(ShapeChange::Kind::RemoveRows, at, count, [&] { m_data.removeRows(at, count); });
    } else {
        m_data.shiftTextsUp(at, count);
        notifyCells(at, 0, rows() - 1, cols() - 1);
        resizeRows(rows() - count);
    }
    keepPositionsInside();
}

void Sheet::reorderRows(const std::vector<int> &order)
{
    if (order.size() != size_t(rows()) || order.empty() || order[0] != 0)
        throw GridError(GridErrorCode::InvalidValue);
    std::vector<char> seen(order.size(), 0);
    for (const int from : order) {
        if (from < 0 || from >= rows() || seen[size_t(from)])
            throw GridError(GridErrorCode::InvalidValue);
        seen[size_t(from)] = 1;
    }
    m_data.reorderRows(order);
    notifyCells(0, 0, rows() - 1, cols() - 1);
}

void Sheet::insertCols(int at, int count, CellMove move)
{
    checkInsert(at, count, cols(), GridErrorCode::InvalidCol);
    if (qsizetype(rows()) * (cols() + count) > kMaxCells)
        throw GridError(GridErrorCode::OutOfMemory);
    if (count == 0)
        return;
    if (move == CellMove::TextsAndColours) {
        changeShape(ShapeChange::Kind::InsertCols, at, count, [&] {
            m_data.insertCols(at, count);
            m_colWidths.insert(at, count, kDefaultColWidth);
        });
    } else {
        resizeCols(cols() + count);
        m_data.shiftTextsRight(at, count);
        notifyCells(0, at, rows() - 1, cols() - 1);
    }
    keepPositionsInside();
}

void Sheet::removeCols(int at, int count, CellMove move)
{
    checkRemove(at, count, cols(), GridErrorCode::InvalidCol);
    if (count == 0)
        return;
    if (move == CellMove::TextsAndColours) {
        changeShape(ShapeChange::Kind::RemoveCols, at, count, [&] {
            m_data.removeCols(at, count);
            m_colWidths.remove(at, count);
        });
    } else {
        m_data.shiftTextsLeft(at, count);
        notifyCells(0, at, rows() - 1, cols() - 1);
        resizeCols(cols() - count);
    }
    keepPositionsInside();
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

QString Sheet::textMatrix(int row, int col) const
{
    checkCell(row, col);
    return m_data.text(row, col).toString();
}

QStringView Sheet::textView(int row, int col) const
{
    checkCell(row, col);
    return m_data.text(row, col);
}

void Sheet::setTextMatrix(int row, int col, const QString &text)
{
    checkCell(row, col);
    m_data.setText(row, col, text);
    if (row > 0 && col > 0 && !text.isEmpty())
        m_data.setFillerRow(row, false);
    notifyCells(row, col, row, col);
}

bool Sheet::isFillerRow(int row) const
{
    checkRow(row);
    return m_data.isFillerRow(row);
}

void Sheet::setFillerRow(int row, bool filler)
{
    checkRow(row);
    m_data.setFillerRow(row, filler);
}

QString Sheet::text() const
{
    return textMatrix(m_row, m_col);
}

void Sheet::setText(const QString &text)
{
    setTextMatrix(m_row, m_col, text);
}

void Sheet::clear()
{
    m_data.clear();
    notifyCells(0, 0, rows() - 1, cols() - 1);
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
    return std::min(fixedRows(), rows() - 1);
}

int Sheet::firstLeftCol() const
{
    return std::min(fixedCols(), cols() - 1);
}

// The view scrolls no further than to show its last rows and columns whole: as many as fit
// below the header row or beside the header column, at least one.
int Sheet::lastTopRow() const
{
    const int dataRows = rows() - fixedRows();
    if (dataRows <= 0)
        return firstTopRow();
    const qint64 fitting = std::clamp<qint64>((qint64(m_layoutHeight) - m_rowHeight) / m_rowHeight, 1, dataRows);
    return rows() - int(fitting);
}

int Sheet::lastLeftCol() const
{
    const int dataCols = cols() - fixedCols();
    if (dataCols <= 0)
        return firstLeftCol();
    const qint64 room = qint64(m_layoutWidth) - m_colWidths.at(0);
    qint64 used = 0;
    int fitting = 0;
    for (int c = cols() - 1; c >= fixedCols(); --c) {
        used += m_colWidths.at(c);
        if (used > room)
            break;
        ++fitting;
    }
    return cols() - std::max(fitting, 1);
}

void Sheet::setScrollPosition(int topRow, int leftCol)
{
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
    qint64 left = m_colWidths.at(0);
    for (int c = m_leftCol; c < m_col; ++c)
        left += m_colWidths.at(c);
    for (int c = m_col; c < m_leftCol; ++c)
        left -= m_colWidths.at(c);
    return saturated(left);
}

int Sheet::cellTop() const
{
    if (m_row < fixedRows())
        return 0;
    return saturated(qint64(m_rowHeight) * (fixedRows() + m_row - m_topRow));
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
    return row >= m_topRow && qint64(m_rowHeight) * (fixedRows() + row - m_topRow + 1) <= m_layoutHeight;
}

bool Sheet::colIsVisible(int col) const
{
    checkCol(col);
    if (col < fixedCols())
        return true;
    if (col < m_leftCol)
        return false;
    qint64 right = m_colWidths.at(0);
    for (int c = m_leftCol; c <= col && right <= m_layoutWidth; ++c)
        right += m_colWidths.at(c);
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

OleColor Sheet::cellBackColor() const
{
    return backColorAt(m_row, m_col);
}

void Sheet::setCellBackColor(OleColor color)
{
    setBackColorAt(m_row, m_col, color);
}

OleColor Sheet::cellForeColor() const
{
    return foreColorAt(m_row, m_col);
}

void Sheet::setCellForeColor(OleColor color)
{
    setForeColorAt(m_row, m_col, color);
}

OleColor Sheet::backColorAt(int row, int col) const
{
    checkCell(row, col);
    return m_data.backColor(row, col);
}

OleColor Sheet::foreColorAt(int row, int col) const
{
    checkCell(row, col);
    return m_data.foreColor(row, col);
}

void Sheet::resetBackColors()
{
    m_data.resetBackColors();
    notifyCells(0, 0, rows() - 1, cols() - 1);
}

void Sheet::setBackColorAt(int row, int col, OleColor color)
{
    checkCell(row, col);
    m_data.setBackColor(row, col, color);
    notifyCells(row, col, row, col);
}

void Sheet::setForeColorAt(int row, int col, OleColor color)
{
    checkCell(row, col);
    m_data.setForeColor(row, col, color);
    notifyCells(row, col, row, col);
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

void Sheet::setData(SheetData data)
{
    changeShape(ShapeChange::Kind::Replace, 0, 0, [&] {
        m_data = std::move(data);
        m_colWidths.resize(m_data.cols(), kDefaultColWidth);
    });
    // New contents are shown from their start, whatever the old ones were scrolled to.
    setScrollPosition(firstTopRow(), firstLeftCol());
    keepPositionsInside();
}

void Sheet::restoreSnapshot(const SheetData &snapshot)
{
    resize(snapshot.rows(), snapshot.cols());
    m_data.takeTexts(snapshot);
    notifyCells(0, 0, rows() - 1, cols() - 1);
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
