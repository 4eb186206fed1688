#pragma once

#include "SheetFileReader.h"

#include <QString>
#include <QStringList>

#include <optional>

// A workbook given to rowlark-diff, read as one worksheet: the one named (--sheet, --sheet1,
// --sheet2: a name, or a number from 1), else the first visible one.
struct WorkbookLoad
{
    QString refusal; // why nothing was read: the book, or the sheet asked for, is refused
    SheetReadResult read; // the cells, with the format a CSV of them is saved in
    QString sheetName;
    int firstRowNotRead = 0;
    QString partialText; // the message of a read cut at the sheet's limits
    QStringList notes; // for standard error: the sheet taken from a book of several, formats shown as General
};

// Nothing when `path` is not a workbook: it is then read as a text file.
[[nodiscard]] std::optional<WorkbookLoad> loadWorkbook(const QString &path, const QString &sheetAsked,
                                                       bool sheetLimits);
