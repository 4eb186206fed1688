#pragma once

// The workbook reader's own header: the two kinds of book behind WorkbookReader, and the
// collector that turns a book's cells, in any order, into sheet data under the sheet's limits.

#include "WorkbookReader.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class WorkbookReader::Book
{
public:
    virtual ~Book() = default;
    // The sheet's cells, or nothing with `error` set when the sheet's part is damaged or hostile.
    [[nodiscard]] virtual std::optional<WorkbookSheetRead> readSheet(int index, bool sheetLimits, QString &error) = 0;

    QList<WorkbookSheetInfo> sheets;
};

[[nodiscard]] std::unique_ptr<WorkbookReader::Book> openXlsxBook(const QString &path, QString &error);
[[nodiscard]] std::unique_ptr<WorkbookReader::Book> openXlsBook(const QString &path, QString &error);

// Why a book is refused, for the parentheses of 「ブックを読み込めません（…）」.
namespace WorkbookReason
{
QString damaged();
QString encrypted();
QString tooLarge();
QString hostileXml();
QString noSheet();
// The library that reads a workbook's zip could not be opened.
QString noLibrary();
} // namespace WorkbookReason

// Cells as a book lists them (rows and columns from 1), into sheet data. Texts go into one pool;
// a text already in it (a shared string) is pointed at again instead of being copied.
class SheetCollector
{
public:
    explicit SheetCollector(bool sheetLimits);

    // Appends a text to the pool; its place, or nothing when the pool is full.
    [[nodiscard]] std::optional<CellRef> addText(QStringView text);
    // False when the pool cannot take more (the sheet is refused as too large).
    [[nodiscard]] bool addCell(int row, int col, QStringView text);
    void addCellRef(int row, int col, CellRef ref);
    void addMergedRange(int firstRow, int firstCol, int lastRow, int lastCol);
    // The row limit, so that a reader can stop at the first row past it.
    [[nodiscard]] int rowLimit() const
    {
        return m_rowLimit;
    }
    void markCut(int firstRowNotRead);

    [[nodiscard]] WorkbookSheetRead finish();

private:
    struct Cell
    {
        int row;
        int col;
        CellRef ref;
    };
    struct Range
    {
        int firstRow, firstCol, lastRow, lastCol;
    };
    QString m_pool;
    std::vector<Cell> m_cells;
    std::vector<Range> m_merged;
    int m_rowLimit;
    int m_colLimit;
    qsizetype m_cellLimit;
    int m_rows = 0;
    int m_cols = 0;
    int m_widest = 0;
    int m_firstRowNotRead = 0;
};
