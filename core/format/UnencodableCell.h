#pragma once

#include "DelimitedFormat.h"
#include "SheetData.h"
#include "SheetFileFormat.h"

#include <QString>

#include <optional>

// A character a sheet's file encoding cannot hold, and where it is: in the cell (row, col), or
// in the delimiter (row and col 0).
struct UnencodableCell
{
    int row = 0;
    int col = 0;
    char32_t character = 0;
};

// The first character WriteSheetFile would refuse for the same arguments: the delimiter's when the
// sheet has two columns or more to write, else the first in the cells' order in the file (row by
// row, left to right). Nothing when the encoding holds every character to be written.
[[nodiscard]] std::optional<UnencodableCell> FindUnencodableCell(const SheetData &data, TextEncoding encoding,
                                                                 int firstRow, int firstCol,
                                                                 const DelimitedFormat &delimited);

// The line that tells the person which character to change, with row and column numbers as the
// sheet's headers show them: "3行 2列: 😀", or "区切り文字: 😀" for the delimiter. A character that
// would not show (a control character, half a surrogate pair) is given by its code, "U+D83D".
[[nodiscard]] QString unencodableCellText(const UnencodableCell &where);
