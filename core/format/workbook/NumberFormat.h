#pragma once

#include <QString>
#include <QStringView>

// The text a spreadsheet shows for a number under a cell's number format: General, the digit
// formats (0, 0.00, #,##0, percent, currency signs and other literals), text (@), dates and times
// in the 1900 and 1904 date systems, and the Japanese era formats. A format outside these gives
// the General text, and says so, so that the reader can tell the person once.
namespace NumberFormat
{
struct Rendered
{
    QString text;
    bool known = true; // false: the format was not understood and the General text stands in
};

// The format code of a built-in format number (0 General, 14 the short date, 27…58 the Japanese
// dates, …) as the Japanese edition of the spreadsheet shows it; empty for a number it does not
// define.
[[nodiscard]] QString builtinFormatCode(int id);

// `value` under `code` ("General", "#,##0.00", "[$-411]ggge\"年\"m\"月\"d\"日\"", …).
[[nodiscard]] Rendered render(double value, QStringView code, bool date1904);

// The General text: up to 11 significant digits, an exponent for numbers of more than 11 integer
// digits or below 1E-9.
[[nodiscard]] QString general(double value);
} // namespace NumberFormat
