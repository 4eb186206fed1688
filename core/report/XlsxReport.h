#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

class DifferenceReport;

// Cells the Excel list holds at most: a worksheet's rows less the caption row.
inline constexpr qsizetype kXlsxReportCellLimit = 1'048'575;

// What writing the texts into workbook cells changes: how many cells are cut to the characters a
// cell holds, and how many hold characters a workbook cannot (written as U+FFFD).
struct XlsxTextChanges
{
    qsizetype cut = 0;
    qsizetype replaced = 0;
};

// The report as an Excel workbook: a sheet 「概要」 with the summary and a sheet 「差分一覧」 with the
// list, its caption row frozen and filtered and its columns as wide as their texts. Every cell
// value is written as text, so that 00123 and 4901234567894 stay as they are, and the differing
// characters of a differing pair are red. Beyond `cellLimit` listed cells the summary says how
// many were left out, and it counts the cells xlsxTextChanges names. Nothing when the workbook
// could not be made whole (a temporary file that could not be written, say).
[[nodiscard]] std::optional<QByteArray> writeXlsxReport(const DifferenceReport &report,
                                                        qsizetype cellLimit = kXlsxReportCellLimit);

// The cells of the report's workbook whose texts change on the way in.
[[nodiscard]] XlsxTextChanges xlsxTextChanges(const DifferenceReport &report,
                                              qsizetype cellLimit = kXlsxReportCellLimit);

// The note that the workbook holds `cells` cut cells, for the person who saved it.
[[nodiscard]] QString xlsxCutCellsText(qsizetype cells);
