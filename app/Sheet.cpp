#include "Sheet.h"

#include "GridError.h"

namespace
{
// The program's loops count rows and columns in 16 bits: a number beyond that overflows before
// the grid is even asked.
void checkRowColNumber(int number)
{
    if (number > kMaxRowCol || number < -kMaxRowCol - 1)
        throw GridError(GridErrorCode::Overflow);
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
    if (rows == this->rows() && cols == this->cols())
        return;
    m_data.resize(rows, cols);
    m_topRow = std::clamp(m_topRow, std::min(fixedRows(), rows - 1), rows - 1);
    m_leftCol = std::clamp(m_leftCol, std::min(fixedCols(), cols - 1), cols - 1);
    m_rowSel = std::min(m_rowSel, rows - 1);
    m_colSel = std::min(m_colSel, cols - 1);
    notifyShape();
    if (m_row >= rows || m_col >= cols)
        moveCurrentCell(std::min(m_row, rows - 1), std::min(m_col, cols - 1));
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
    notifyCells(row, col, row, col);
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

void Sheet::setTopRow(int row)
{
    checkRowColNumber(row);
    if (row < std::min(fixedRows(), rows() - 1) || row >= rows())
        throw GridError(GridErrorCode::InvalidRow);
    if (row == m_topRow)
        return;
    m_topRow = row;
    emit scrollRequested();
    emit scroll();
}

void Sheet::setLeftCol(int col)
{
    checkRowColNumber(col);
    if (col < std::min(fixedCols(), cols() - 1) || col >= cols())
        throw GridError(GridErrorCode::InvalidCol);
    if (col == m_leftCol)
        return;
    m_leftCol = col;
    emit scrollRequested();
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
    m_data = std::move(data);
    m_topRow = std::clamp(m_topRow, std::min(fixedRows(), rows() - 1), rows() - 1);
    m_leftCol = std::clamp(m_leftCol, std::min(fixedCols(), cols() - 1), cols() - 1);
    m_rowSel = std::min(m_rowSel, rows() - 1);
    m_colSel = std::min(m_colSel, cols() - 1);
    notifyShape();
    if (m_row >= rows() || m_col >= cols())
        moveCurrentCell(std::min(m_row, rows() - 1), std::min(m_col, cols() - 1));
}

void Sheet::raiseClick()
{
    emit click();
}

void Sheet::raiseDblClick()
{
    emit dblClick();
}

void Sheet::raiseGotFocus()
{
    emit gotFocus();
}

void Sheet::raiseKeyDown(int &keyCode, int shift)
{
    emit keyDown(&keyCode, shift);
}

void Sheet::raiseKeyPress(int &keyAscii)
{
    emit keyPress(&keyAscii);
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

void Sheet::notifyShape()
{
    if (!m_redraw) {
        m_pendingRefresh = true;
        return;
    }
    emit shapeChanged();
}

void Sheet::notifySelection()
{
    if (!m_redraw) {
        m_pendingRefresh = true;
        return;
    }
    emit selectionChanged();
}
