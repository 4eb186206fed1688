#pragma once

#include <QByteArray>
#include <QtGlobal>

class DifferenceReport;

// Rows of the sheets the HTML report shows at most; the CSV and Excel reports list every cell.
inline constexpr qsizetype kHtmlReportRowLimit = 10'000;

// The report as one self-contained HTML5 page in UTF-8 to read and print (A4): the summary, then
// for each sheet row holding listed cells both files' cells of that row one above the other,
// coloured as the window colours them, with the differing characters marked and invisible
// characters shown. A narrow sheet's rows are shown whole; in a wide one only the listed columns,
// with 「…」 where columns are passed over. No script and nothing outside the file is needed.
[[nodiscard]] QByteArray writeHtmlReport(const DifferenceReport &report, qsizetype rowLimit = kHtmlReportRowLimit);
