#include "SheetModel.h"

#include "ColorConversion.h"
#include "Sheet.h"
#include "ShownText.h"

#include <algorithm>

namespace
{
// Two parts of the cell's own colour to one of the selection's.
QColor tinted(const QColor &own, const QColor &selection)
{
    return QColor((2 * own.red() + selection.red()) / 3, (2 * own.green() + selection.green()) / 3,
                  (2 * own.blue() + selection.blue()) / 3);
}
} // namespace

SheetModel::SheetModel(Sheet &sheet, QObject *parent)
    : QAbstractTableModel(parent)
    , m_sheet(sheet)
    , m_shownSelection(selectionRect())
{
    connect(&sheet, &Sheet::cellsChanged, this, &SheetModel::onCellsChanged);
    connect(&sheet, &Sheet::shapeAboutToChange, this, &SheetModel::onShapeAboutToChange);
    connect(&sheet, &Sheet::shapeChanged, this, &SheetModel::onShapeChanged);
    connect(&sheet, &Sheet::selectionChanged, this, &SheetModel::onSelectionChanged);
    connect(&sheet, &Sheet::refreshed, this, &SheetModel::onRefreshed);
    connect(&sheet, &Sheet::shownLinesAboutToChange, this, &SheetModel::onShownLinesAboutToChange);
    connect(&sheet, &Sheet::shownLinesChanged, this, &SheetModel::onShownLinesChanged);
}

int SheetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_sheet.shownRows().count() - 1;
}

int SheetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_sheet.shownCols().count() - 1;
}

int SheetModel::sheetRow(int modelRow) const
{
    const ShownLines &rows = m_sheet.shownRows();
    return rows.line(std::clamp(modelRow + 1, 0, rows.count() - 1));
}

int SheetModel::sheetCol(int modelCol) const
{
    const ShownLines &cols = m_sheet.shownCols();
    return cols.line(std::clamp(modelCol + 1, 0, cols.count() - 1));
}

int SheetModel::modelRow(int sheetRow) const
{
    return m_sheet.shownRows().positionAtOrAfter(sheetRow) - 1;
}

int SheetModel::modelCol(int sheetCol) const
{
    return m_sheet.shownCols().positionAtOrAfter(sheetCol) - 1;
}

SheetModel::Rect SheetModel::selectionRect() const
{
    return {std::min(m_sheet.row(), m_sheet.rowSel()), std::min(m_sheet.col(), m_sheet.colSel()),
            std::max(m_sheet.row(), m_sheet.rowSel()), std::max(m_sheet.col(), m_sheet.colSel())};
}

bool SheetModel::isHighlighted(int row, int col) const
{
    // A single selected cell is the current cell: it shows its own colours and the focus frame.
    const Rect r = m_shownSelection;
    if (r.top == r.bottom && r.left == r.right)
        return false;
    if (row == m_sheet.row() && col == m_sheet.col())
        return false;
    return row >= r.top && row <= r.bottom && col >= r.left && col <= r.right;
}

QVariant SheetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int row = sheetRow(index.row());
    const int col = sheetCol(index.column());
    switch (role) {
    case Qt::DisplayRole:
        // Nothing edits through the model, so no role hands out a whole text: a shown text may
        // be cut, and must never find its way back into a cell.
        return shownText(m_sheet.data().text(row, col));
    case Qt::BackgroundRole: {
        const OleColor back = m_sheet.data().backColor(row, col);
        if (!isHighlighted(row, col))
            return toQColor(back, m_palette);
        // A selected cell that the comparison marked keeps its mark, tinted by the selection.
        if (back == kWindowBackColor)
            return m_palette.color(QPalette::Highlight);
        return tinted(toQColor(back, m_palette), m_palette.color(QPalette::Highlight));
    }
    case Qt::ForegroundRole:
        if (isHighlighted(row, col) && m_sheet.data().backColor(row, col) == kWindowBackColor)
            return m_palette.color(QPalette::HighlightedText);
        return toQColor(m_sheet.data().foreColor(row, col), m_palette);
    default:
        return {};
    }
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= (orientation == Qt::Horizontal ? columnCount() : rowCount()))
        return {};
    // The headers show the sheet's own row and column numbers, hidden ones or not.
    const int row = orientation == Qt::Horizontal ? 0 : sheetRow(section);
    const int col = orientation == Qt::Horizontal ? sheetCol(section) : 0;
    const QVariant label = shownText(m_sheet.data().text(row, col));
    if (orientation != Qt::Horizontal || !m_headingCaptions || m_sheet.rows() < 2)
        return label;
    const QStringView heading = m_sheet.data().text(1, col);
    if (heading.isEmpty())
        return label;
    return label.toString() + u' ' + shownText(heading);
}

void SheetModel::setHeadingCaptions(bool shown)
{
    if (shown == m_headingCaptions)
        return;
    m_headingCaptions = shown;
    emitHeaderChanged(Qt::Horizontal, 1, m_sheet.cols() - 1);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled;
}

void SheetModel::setPalette(const QPalette &palette)
{
    m_palette = palette;
    emitDataChanged(1, 1, m_sheet.rows() - 1, m_sheet.cols() - 1);
}

void SheetModel::emitDataChanged(int row1, int col1, int row2, int col2)
{
    // Sheet coordinates in, model coordinates out; the headers are not part of the model.
    row1 = modelRow(std::max(row1, 1));
    col1 = modelCol(std::max(col1, 1));
    row2 = std::min(m_sheet.shownRows().positionAtOrBefore(row2) - 1, rowCount() - 1);
    col2 = std::min(m_sheet.shownCols().positionAtOrBefore(col2) - 1, columnCount() - 1);
    if (row1 > row2 || col1 > col2)
        return;
    Q_EMIT dataChanged(index(row1, col1), index(row2, col2));
}

void SheetModel::emitHeaderChanged(Qt::Orientation orientation, int first, int last)
{
    // Sheet row or column numbers in; section numbers out.
    const int count = orientation == Qt::Horizontal ? columnCount() : rowCount();
    const ShownLines &lines = orientation == Qt::Horizontal ? m_sheet.shownCols() : m_sheet.shownRows();
    first = lines.positionAtOrAfter(std::max(first, 1)) - 1;
    last = std::min(lines.positionAtOrBefore(last) - 1, count - 1);
    if (first <= last)
        Q_EMIT headerDataChanged(orientation, first, last);
}

void SheetModel::onCellsChanged(int row1, int col1, int row2, int col2)
{
    // Row 1 is shown in the column headers too while they show the headings.
    if (row1 == 0 || (m_headingCaptions && row1 <= 1 && row2 >= 1))
        emitHeaderChanged(Qt::Horizontal, col1, col2);
    if (col1 == 0)
        emitHeaderChanged(Qt::Vertical, row1, row2);
    emitDataChanged(row1, col1, row2, col2);
}

void SheetModel::onShapeAboutToChange(const ShapeChange &change)
{
    // While rows or columns are hidden, the rows or columns that move are not one block of the
    // model's: the model starts again.
    const bool rowsMove = change.kind != ShapeChange::Kind::InsertCols && change.kind != ShapeChange::Kind::RemoveCols;
    const bool colsMove = change.kind != ShapeChange::Kind::InsertRows && change.kind != ShapeChange::Kind::RemoveRows;
    if ((rowsMove && m_sheet.shownRows().isFiltered()) || (colsMove && m_sheet.shownCols().isFiltered())) {
        m_resettingShape = true;
        beginResetModel();
        return;
    }
    // Sheet numbers in, model numbers out: the header row and column never move.
    const int first = change.first - 1;
    const int last = first + change.count - 1;
    switch (change.kind) {
    case ShapeChange::Kind::InsertRows:
        beginInsertRows({}, first, last);
        break;
    case ShapeChange::Kind::RemoveRows:
        beginRemoveRows({}, first, last);
        break;
    case ShapeChange::Kind::InsertCols:
        beginInsertColumns({}, first, last);
        break;
    case ShapeChange::Kind::RemoveCols:
        beginRemoveColumns({}, first, last);
        break;
    case ShapeChange::Kind::Replace:
        beginResetModel();
        break;
    }
}

void SheetModel::onShapeChanged(const ShapeChange &change)
{
    if (m_resettingShape) {
        m_resettingShape = false;
        m_shownSelection = selectionRect();
        m_resetKeepsWidths = true;
        endResetModel();
        return;
    }
    m_resetKeepsWidths = false;
    switch (change.kind) {
    case ShapeChange::Kind::InsertRows:
        endInsertRows();
        break;
    case ShapeChange::Kind::RemoveRows:
        endRemoveRows();
        break;
    case ShapeChange::Kind::InsertCols:
        endInsertColumns();
        break;
    case ShapeChange::Kind::RemoveCols:
        endRemoveColumns();
        break;
    case ShapeChange::Kind::Replace:
        m_shownSelection = selectionRect();
        endResetModel();
        break;
    }
}

void SheetModel::onSelectionChanged()
{
    const Rect before = m_shownSelection;
    m_shownSelection = selectionRect();
    emitDataChanged(before.top, before.left, before.bottom, before.right);
    emitDataChanged(m_shownSelection.top, m_shownSelection.left, m_shownSelection.bottom, m_shownSelection.right);
}

void SheetModel::onRefreshed()
{
    m_shownSelection = selectionRect();
    emitHeaderChanged(Qt::Horizontal, 1, m_sheet.cols() - 1);
    emitHeaderChanged(Qt::Vertical, 1, m_sheet.rows() - 1);
    emitDataChanged(1, 1, m_sheet.rows() - 1, m_sheet.cols() - 1);
}

void SheetModel::onShownLinesAboutToChange()
{
    beginResetModel();
}

void SheetModel::onShownLinesChanged()
{
    m_shownSelection = selectionRect();
    m_resetKeepsWidths = true;
    endResetModel();
}
