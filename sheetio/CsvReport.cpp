#include "CsvReport.h"

#include "DifferenceReport.h"

#include <QStringList>

namespace
{
void appendField(QByteArray &out, const QString &field)
{
    const QByteArray bytes = field.toUtf8();
    const bool quote = bytes.contains(',') || bytes.contains('"') || bytes.contains('\r') || bytes.contains('\n');
    if (!quote) {
        out.append(bytes);
        return;
    }
    out.append('"');
    for (const char c : bytes) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

void appendLine(QByteArray &out, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.append(',');
        appendField(out, fields[i]);
    }
    out.append("\r\n");
}
} // namespace

QByteArray writeCsvReport(const DifferenceReport &report)
{
    QByteArray out;
    out.reserve(qsizetype(report.entries().size()) * 48 + 1024);
    out.append("\xEF\xBB\xBF");
    for (const auto &[caption, value] : report.summary())
        appendLine(out, {caption, value});
    out.append("\r\n");
    appendLine(out, report.listCaptions());
    for (const ReportEntry &entry : report.entries())
        appendLine(out, report.listFields(entry));
    return out;
}
