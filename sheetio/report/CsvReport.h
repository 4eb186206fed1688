#pragma once

#include <QByteArray>

class DifferenceReport;

// The report as CSV for a spreadsheet or a script: UTF-8 with a byte order mark and CR LF line
// ends, so that Excel opens it with the right characters, fields quoted as RFC 4180 asks (only
// those holding a comma, a double quote or a line break; a double quote inside is doubled).
//
// The summary comes first, one "caption,value" line each, then an empty line, then the list: a
// line of captions and one line per listed cell, however many there are.
[[nodiscard]] QByteArray writeCsvReport(const DifferenceReport &report);
