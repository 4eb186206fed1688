#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

class DifferenceReport;

// Cells the Excel list holds at most: a worksheet's rows less the caption row.
inline constexpr qsizetype kXlsxReportCellLimit = 1'048'575;

// The report as an Excel workbook: a sheet 「概要」 with the summary and a sheet 「差分一覧」 with the
// list, its caption row frozen and filtered and its columns as wide as their texts. Every cell
// value is written as text, so that 00123 and 4901234567894 stay as they are, and the differing
// characters of a differing pair are red. Beyond `cellLimit` listed cells the summary says how
// many were left out. Nothing when the workbook could not be made (no temporary file, say).
[[nodiscard]] std::optional<QByteArray> writeXlsxReport(const DifferenceReport &report,
                                                        qsizetype cellLimit = kXlsxReportCellLimit);
