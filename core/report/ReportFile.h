#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class DifferenceReport;

// The three forms of a difference report.
enum class ReportFormat { Html, Xlsx, Csv };

// The format a file name asks for by its suffix (.html or .htm, .xlsx, .csv, in any case);
// nothing for any other name.
[[nodiscard]] std::optional<ReportFormat> reportFormatForPath(const QString &path);
// The suffix a file of the format gets, in lower case and without the dot.
[[nodiscard]] QString reportSuffix(ReportFormat format);

// The report in the format; nothing when it could not be made.
[[nodiscard]] std::optional<QByteArray> reportBytes(const DifferenceReport &report, ReportFormat format);

// Writes the report to `path` all at once (an existing file is replaced only when the whole report
// reached the disk). False when it could not be made or written; `reason`, when given, then says
// why a file that may not be replaced was refused (empty for other failures).
[[nodiscard]] bool saveReport(const DifferenceReport &report, ReportFormat format, const QString &path,
                              QString *reason = nullptr);

// The message of a report that could not be written.
[[nodiscard]] QString reportNotSavedText();
