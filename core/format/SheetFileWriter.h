#pragma once

#include "DelimitedFormat.h"
#include "SafeFileWriter.h"
#include "SheetData.h"
#include "SheetFileFormat.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Writes the cells from (firstRow, firstCol) to the last row and column as delimited text: one
// line per row, the row's fields joined by the format's delimiter.
//
// In the comma mode a field is written between double quotes, every quote inside it doubled,
// when every field is to be quoted, when it was quoted in its file, or when it was written since
// it was read and would not read back as itself bare (it holds a comma, a quote, CR or LF, or
// starts with a blank); any other field is written as it is. In the delimiter mode fields are
// written literally, between two quotes when every field is to be quoted, as that mode reads them.
// A sheet without rows from firstRow on gives an empty file (or only the byte order mark).
//
// Filler rows (rows put in only to line the sheets up) that are still wholly empty are left out,
// so that lining up never adds empty lines to a file; the sheet keeps them.
//
// Encoding, byte order mark and line end are the sheet's file format `format`, so that a file read and
// saved again without edits comes back byte for byte: each row ends as its line did in the file
// (rows added since end with the file's most common line end), the last line carries a line end
// when the file's last line had one, and the byte order mark is kept even without rows. The file
// is replaced atomically: on any failure, a character the encoding cannot hold included, the old
// file stays exactly as it was and the result is false. `outcome`, when given, receives what the
// file system made of the replacement (Failed when the bytes could not be made), and `keptFile`
// the temporary file left with the new content when the outcome is CopyFailed, and `reason` why a
// file that may not be replaced was refused.
[[nodiscard]] bool WriteSheetFile(const SheetData &data, const SheetFileFormat &format, int firstRow, int firstCol,
                                  const QString &path, const DelimitedFormat &delimited,
                                  SafeFileWriter::Outcome *outcome = nullptr, QString *keptFile = nullptr,
                                  QString *reason = nullptr);

// The bytes WriteSheetFile writes; nothing when a cell holds a character the format's encoding
// cannot hold.
[[nodiscard]] std::optional<QByteArray> SheetFileBytes(const SheetData &data, const SheetFileFormat &format,
                                                       int firstRow, int firstCol, const DelimitedFormat &delimited);

// How many rows from firstRow on WriteSheetFile leaves out: filler rows still wholly empty.
[[nodiscard]] int FillerRowsLeftOut(const SheetData &data, int firstRow, int firstCol);
// How many columns from firstCol on it leaves out: filler columns empty in every data row.
[[nodiscard]] int FillerColsLeftOut(const SheetData &data, int firstRow, int firstCol);
