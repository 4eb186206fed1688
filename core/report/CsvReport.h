#pragma once

#include <QByteArray>
#include <QStringView>

class DifferenceReport;

// The report as CSV for a spreadsheet or a script: UTF-8 with a byte order mark and CR LF line
// ends, so that Excel opens it with the right characters, fields quoted as RFC 4180 asks (only
// those holding a comma, a double quote or a line break; a double quote inside is doubled).
//
// The summary comes first, one "caption,value" line each, then an empty line, then the list: a
// line of captions and one line per listed cell, however many there are.
//
// A spreadsheet runs a field that starts like a formula, whatever file it came from; a cell or a
// file name such as =HYPERLINK(…) would act when the report is opened. Every such field is
// written with a leading ', so that it stays text; numbers such as -5 and +81 are written as
// they are.
[[nodiscard]] QByteArray writeCsvReport(const DifferenceReport &report);

// Whether a spreadsheet would read the field as a formula: it starts with =, @, TAB or CR, or
// with + or - not followed by a plain number.
[[nodiscard]] bool startsFormula(QStringView field);
