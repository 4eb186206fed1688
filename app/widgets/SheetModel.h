#pragma once

#include <QAbstractTableModel>
#include <QPalette>

class Sheet;
struct ShapeChange;

// Shows a sheet to a QTableView without a per-cell object: every call reads the sheet, counts
// included. Model row r is the sheet's shown row at position r + 1, sheet row r + 1 while every
// row is shown (row 0 and column 0 of the sheet are the view's headers); likewise columns. The sheet announces every
// change of its rows and columns before and after it happens, and the model passes each on as the matching ranged
// signal, so its counts are always the sheet's. The selection rectangle of the sheet is painted through the colour
// roles, so the view keeps no selection of its own.
class SheetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SheetModel(Sheet &sheet, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;

    void setPalette(const QPalette &palette);
    // Whether a column header shows row 1's text beside its number ("3列 品名").
    void setHeadingCaptions(bool shown);
    [[nodiscard]] Sheet &sheet() const
    {
        return m_sheet;
    }
    // Model rows and columns to sheet ones and back; a hidden sheet row or column gives the model
    // row or column of the next one shown (rowCount() or columnCount() after the last).
    [[nodiscard]] int sheetRow(int modelRow) const;
    [[nodiscard]] int sheetCol(int modelCol) const;
    [[nodiscard]] int modelRow(int sheetRow) const;
    [[nodiscard]] int modelCol(int sheetCol) const;
    // The last reset came from a change of the shown rows or columns, or of a sheet's shape
    // while some are hidden: the sheet's column widths are the ones to show again.
    [[nodiscard]] bool resetKeepsColumnWidths() const
    {
        return m_resetKeepsWidths;
    }

private:
    struct Rect
    {
        int top = 0, left = 0, bottom = -1, right = -1;
    };
    [[nodiscard]] Rect selectionRect() const;
    [[nodiscard]] bool isHighlighted(int row, int col) const;
    void onCellsChanged(int row1, int col1, int row2, int col2);
    void onShapeAboutToChange(const ShapeChange &change);
    void onShapeChanged(const ShapeChange &change);
    void onSelectionChanged();
    void onRefreshed();
    void onShownLinesAboutToChange();
    void onShownLinesChanged();
    void emitDataChanged(int row1, int col1, int row2, int col2);
    void emitHeaderChanged(Qt::Orientation orientation, int first, int last);

    Sheet &m_sheet;
    QPalette m_palette;
    Rect m_shownSelection;
    bool m_headingCaptions = false;
    bool m_resettingShape = false; // a shape change passed on as a reset
    bool m_resetKeepsWidths = false;
};
