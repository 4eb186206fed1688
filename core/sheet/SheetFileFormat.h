#pragma once

#include <QtGlobal>

#include <vector>

// The file format's own vocabulary. The sheet storage keeps a sheet's format and each row's line
// end so that saving writes the file back the way it was read, without knowing how either is
// read or written: this header is all of the format it sees.

// How a line of a sheet file ends.
enum class LineEnd : quint8 { CrLf, Lf, Cr };

// How a sheet's file was written, so that saving writes it back the same way.
// The byte order mark is part of the encoding: a file is written back with one only when it had one.
enum class TextEncoding { Utf8, Utf8Bom, ShiftJis, EucJp, Utf16Le, Utf16LeBom, Utf16Be, Utf16BeBom };

struct SheetFileFormat
{
    TextEncoding encoding = TextEncoding::Utf8;
    LineEnd lineEnd = LineEnd::CrLf; // the most common one; rows may keep their own (SheetData)
    bool finalLineEnd = true; // whether the last line carries a line end
    // Shift-JIS files hold some characters under two codes (the NEC and IBM extensions of code
    // page 932): the two-byte codes, sorted, this file used instead of a character's usual one, so
    // that saving writes each character with the code the file had for it.
    std::vector<quint16> alternateCodes;

    friend bool operator==(const SheetFileFormat &, const SheetFileFormat &) = default;
};
