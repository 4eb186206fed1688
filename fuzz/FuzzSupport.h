#pragma once

// Shared by the fuzz targets: a scratch file for the readers that take a path, and the checks
// every read sheet must pass.

#include "SheetData.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace fuzz
{

// Reports a broken invariant on standard error and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char *what, const QString &detail = {});

inline void check(bool condition, const char *what, const QString &detail = {})
{
    if (!condition)
        fail(what, detail);
}

// A path in a folder of this process's own, created on first use and removed at exit (under
// /dev/shm when there is one, to keep the disk out of the loop).
[[nodiscard]] QString scratchPath(const QString &name);

// Replaces the file at path with bytes; aborts when it cannot.
void writeFile(const QString &path, QByteArrayView bytes);

// What the reader promises of every sheet, whole or partly read: at least one row and column,
// row 0 labelled "1列", "2列", …, column 0 labelled "1行", "2行", …, and cell (0, 0) empty.
void checkShapeAndLabels(const SheetData &data);

// The cells of two sheets are the same, size included.
void checkSameCells(const SheetData &expected, const SheetData &actual, const char *what);

} // namespace fuzz
