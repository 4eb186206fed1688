#pragma once

#include "SheetFileFormat.h"

#include <QString>
#include <QStringView>

#include <utility>

namespace MMS_GRID_CSV_READ
{
inline constexpr int kCommaMode = 0;
} // namespace MMS_GRID_CSV_READ

// How a saved field is quoted.
enum class Quoting {
    AsNeeded, // a field that was quoted in its file, or that could not be read back without quotes
    All, // every field (保存時にダブルクォーテーションを付ける)
};

// How delimited text is cut into fields and written back: the one description every reader, the
// streamed comparison and the writer are given.
//
// The comma mode (mode 0) cuts at commas and understands double-quoted fields as spreadsheet
// programs write them; any other mode cuts each line at every occurrence of the user's delimiter
// and takes the pieces literally, blanks and quotes included.
struct DelimitedFormat
{
    int mode = MMS_GRID_CSV_READ::kCommaMode;
    QString delimiter = QStringLiteral(",");
    // The encoding a save writes. A read finds the file's own encoding and reports it in the
    // sheet's file format; this one is not consulted then.
    TextEncoding encoding = TextEncoding::Utf8;
    Quoting quoting = Quoting::AsNeeded;

    DelimitedFormat() = default;
    // The user's delimiter mode and delimiter, as the settings hold them. The comma mode's
    // delimiter is the comma, whatever the user's delimiter is.
    DelimitedFormat(int delimiterMode, QString userDelimiter, Quoting quote = Quoting::AsNeeded)
        : mode(delimiterMode)
        , delimiter(std::move(userDelimiter))
        , quoting(quote)
    {
    }

    [[nodiscard]] bool commaMode() const
    {
        return mode == MMS_GRID_CSV_READ::kCommaMode;
    }
    // What separates the fields: the comma in the comma mode, the user's delimiter otherwise.
    [[nodiscard]] QStringView fieldDelimiter() const
    {
        return commaMode() ? QStringView(u",") : QStringView(delimiter);
    }

    friend bool operator==(const DelimitedFormat &, const DelimitedFormat &) = default;
};
