#include "ReportFile.h"

#include "CsvReport.h"
#include "DifferenceReport.h"
#include "HtmlReport.h"
#include "SafeFileWriter.h"
#include "XlsxReport.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

std::optional<ReportFormat> reportFormatForPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"html"_s || suffix == u"htm"_s)
        return ReportFormat::Html;
    if (suffix == u"xlsx"_s)
        return ReportFormat::Xlsx;
    if (suffix == u"csv"_s)
        return ReportFormat::Csv;
    return std::nullopt;
}

QString reportSuffix(ReportFormat format)
{
    switch (format) {
    case ReportFormat::Html:
        return u"html"_s;
    case ReportFormat::Xlsx:
        return u"xlsx"_s;
    case ReportFormat::Csv:
        return u"csv"_s;
    }
    return {};
}

std::optional<QByteArray> reportBytes(const DifferenceReport &report, ReportFormat format)
{
    switch (format) {
    case ReportFormat::Html:
        return writeHtmlReport(report);
    case ReportFormat::Xlsx:
        return writeXlsxReport(report);
    case ReportFormat::Csv:
        return writeCsvReport(report);
    }
    return std::nullopt;
}

bool saveReport(const DifferenceReport &report, ReportFormat format, const QString &path, QString *reason)
{
    if (reason)
        reason->clear();
    const std::optional<QByteArray> bytes = reportBytes(report, format);
    return bytes && SafeFileWriter::write(path, *bytes, reason);
}

QString reportNotSavedText()
{
    return u"レポートを保存できませんでした"_s;
}
