// The sheet's document: cells, rows and columns, colours, filler rows and the file format it
// keeps. The view state and the grid's events are in SheetViewState.cpp.

#include "Sheet.h"

#include "GridError.h"
#include "SheetChecks.h"

namespace
{
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
} // namespace

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
    switch (kind) {
    case ShapeChange::Kind::InsertRows:
        m_shownRows.inserted(first, count);
        break;
    case ShapeChange::Kind::RemoveRows:
        m_shownRows.removed(first, count);
        break;
    case ShapeChange::Kind::InsertCols:
        m_shownCols.inserted(first, count);
        break;
    case ShapeChange::Kind::RemoveCols:
        m_shownCols.removed(first, count);
        break;
    case ShapeChange::Kind::Replace:
        break;
    }
    // Whatever moved, the shown lines count the sheet's lines.
    m_shownRows.resized(rows());
    m_shownCols.resized(cols());
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
    changeShape(ShapeChange::Kind::Replace, 0, 0, [&] {
        m_data.insertRowGroups(groups);
        // From the last group, so that each place still counts the rows as they were.
        for (auto group = groups.rbegin(); group != groups.rend(); ++group)
            m_shownRows.inserted(group->first, group->second);
    });
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
    if (row > 0 && col > 0 && !text.isEmpty()) {
        m_data.setFillerRow(row, false);
        m_data.setFillerCol(col, false);
    }
    notifyCells(row, col, row, col);
}

bool Sheet::isFillerRow(int row) const
{
    checkRow(row);
    return m_data.isFillerRow(row);
}

bool Sheet::isFillerCol(int col) const
{
    checkCol(col);
    return m_data.isFillerCol(col);
}

void Sheet::setFillerCol(int col, bool filler)
{
    checkCol(col);
    m_data.setFillerCol(col, filler);
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
