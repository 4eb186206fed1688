#pragma once

#include <QtGlobal>

// The file format's own vocabulary. The sheet storage keeps a sheet's format and each row's line
// end so that saving writes the file back the way it was read, without knowing how either is
// read or written: this header is all of the format it sees.

// How a line of a sheet file ends.
enum class LineEnd : quint8 { CrLf, Lf, Cr };

// How a sheet's file was written, so that saving writes it back the same way.
enum class TextEncoding { Utf8, Utf8Bom, ShiftJis };

struct SheetFileFormat
{
    TextEncoding encoding = TextEncoding::Utf8;
    LineEnd lineEnd = LineEnd::CrLf; // the most common one; rows may keep their own (SheetData)
    bool finalLineEnd = true; // whether the last line carries a line end

    friend bool operator==(const SheetFileFormat &, const SheetFileFormat &) = default;
};
