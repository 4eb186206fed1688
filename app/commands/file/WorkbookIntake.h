#pragma once

#include <QString>

class AppState;
class UserInterface;

// Loads one worksheet of the workbook at `path` into sheet `index` (0 or 1), as LoadSheetFile
// loads a text file: a book of more than one visible sheet asks which (the other sheet's worksheet
// name first, when this book has one of that name); a refused book or a cancelled choice leaves
// the sheet, its file name and its overwrite-save as they were. The sheet is named
// 「（ブック名 ─ シート名）」 and saves as CSV, UTF-8 with a byte order mark, never over the book.
void LoadWorkbookFile(AppState &state, UserInterface &ui, int index, const QString &path);

// The name the save dialog offers for a sheet read from a book: 「ブック名_シート名.csv」.
[[nodiscard]] QString workbookCsvName(const QString &bookPath, const QString &sheetName);
