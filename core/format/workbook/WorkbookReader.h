#pragma once

#include "SheetData.h"
#include "SheetFileFormat.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Spreadsheet workbooks as a second kind of sheet file: an Office Open XML book (.xlsx, a zip
// holding xl/workbook.xml) or an older binary book (.xls, an OLE container). One worksheet is
// read into sheet data as the spreadsheet shows it: each cell's text under its number format,
// formulas by the value they were saved with, a merged range's value in its top-left cell only.
//
//     WorkbookReader book;
//     if (!book.open(path)) … book.errorText()                 // ブックを読み込めません（…）
//     const int sheet = book.sheetIndex(u"売上") / book.firstVisibleSheet();
//     WorkbookSheetRead read = book.readSheet(sheet, true);
//
// Nothing of a refused book is ever read into a sheet: a damaged part, an encrypted book, a DOCTYPE
// in any part (entity expansion) and a part that would inflate past kMaxPartBytes or 200 times its
// packed size all end in an error before the first cell.
enum class WorkbookKind { None, Xlsx, Xls };

// What the file's first bytes say it is: a zip with xl/workbook.xml, or an OLE container. An OLE
// container that holds an encrypted Open XML book is Xlsx (open() then refuses it as encrypted).
[[nodiscard]] WorkbookKind workbookKind(const QString &path);

struct WorkbookSheetInfo
{
    QString name;
    bool visible = true;
};

struct WorkbookSheetRead
{
    SheetData data; // header row and column included, as a read of a sheet file gives
    bool complete = true; // false: the sheet passed the sheet's limits and was cut there
    int firstRowNotRead = 0; // when not complete, the first data row not read whole
    int columns = 0; // the sheet's data columns, before any cut
    // What to tell the person once about the cells' texts (a number format the reader does not
    // render, whose cells show the General text); empty when every cell shows as in the book.
    QString formatNote;
};

class WorkbookReader
{
public:
    // The largest part a book may inflate to, and how many times its packed size it may grow.
    static constexpr qint64 kMaxPartBytes = qint64(1) << 30;
    static constexpr qint64 kMaxInflateRatio = 200;

    WorkbookReader();
    ~WorkbookReader();
    WorkbookReader(const WorkbookReader &) = delete;
    WorkbookReader &operator=(const WorkbookReader &) = delete;

    // Opens the book and reads its list of sheets; false with errorText() when it is refused.
    [[nodiscard]] bool open(const QString &path);
    [[nodiscard]] QString errorText() const;

    [[nodiscard]] const QList<WorkbookSheetInfo> &sheets() const;
    [[nodiscard]] QStringList sheetNames() const;
    // The first sheet that is not hidden; 0 when every one is.
    [[nodiscard]] int firstVisibleSheet() const;
    [[nodiscard]] int visibleSheetCount() const;
    // A sheet by its name, or by its number from 1 when `nameOrNumber` is one and no sheet has
    // that name; nothing when neither names a sheet.
    [[nodiscard]] std::optional<int> sheetIndex(const QString &nameOrNumber) const;

    // Reads sheet `index`. With sheetLimits, the window's limits hold (32766 data rows and
    // columns, kMaxCells cells); a sheet past them comes back cut and not complete. Nothing on a
    // damaged sheet: errorText() then says why.
    [[nodiscard]] std::optional<WorkbookSheetRead> readSheet(int index, bool sheetLimits);

    class Book;

private:
    std::unique_ptr<Book> m_book;
    QString m_error;
};

// How a sheet read from a book is saved: as CSV in UTF-8 with a byte order mark, which the
// spreadsheet opens without garbled characters, with CR LF line ends.
[[nodiscard]] SheetFileFormat workbookSaveFormat();
// 「ブックを読み込めません（reason）」
[[nodiscard]] QString workbookRefusalText(const QString &reason);
// The status bar's and reports' word for a sheet read from a book: 「Excel ブック」.
[[nodiscard]] QString workbookFormatName();
// The name a sheet read from a book goes by: 「（ブック名 ─ シート名）」.
[[nodiscard]] QString workbookSheetLabel(const QString &bookPath, const QString &sheetName);
// The note given once for a sheet with a number format the reader does not render.
[[nodiscard]] QString unknownNumberFormatText(const QString &code);
