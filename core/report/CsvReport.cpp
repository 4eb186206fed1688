#include "CsvReport.h"

#include "DifferenceReport.h"

#include <QStringList>

namespace
{
// A plain decimal number: digits, at most one decimal point, and a digit somewhere.
bool isPlainNumber(QStringView text)
{
    bool digit = false;
    bool point = false;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digit = true;
        else if (c == u'.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

void appendField(QByteArray &out, const QString &field)
{
    const QByteArray bytes = (startsFormula(field) ? u'\'' + field : field).toUtf8();
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

// Bytes a text takes in UTF-8.
qsizetype utf8Length(QStringView text)
{
    qsizetype length = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        length += u < 0x80 ? 1 : u < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
    }
    return length;
}

// Close to the report's size, so that the buffer is allocated once: a buffer that doubles while it
// is filled holds up to three times the report for a moment.
qsizetype estimatedSize(const DifferenceReport &report)
{
    qsizetype size = 4096;
    for (const ReportEntry &entry : report.entries()) {
        size += 48 + utf8Length(report.columnTitle(entry.position.col()));
        for (int i = 0; i < 2; ++i)
            size += utf8Length(report.text(i, entry.position).value_or(QStringView()));
    }
    return size + size / 32;
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

bool startsFormula(QStringView field)
{
    if (field.isEmpty())
        return false;
    switch (field.front().unicode()) {
    case u'=':
    case u'@':
    case u'\t':
    case u'\r':
        return true;
    case u'+':
    case u'-':
        return !isPlainNumber(field.sliced(1));
    default:
        return false;
    }
}

QByteArray writeCsvReport(const DifferenceReport &report)
{
    QByteArray out;
    out.reserve(estimatedSize(report));
    out.append("\xEF\xBB\xBF");
    for (const auto &[caption, value] : report.summary())
        appendLine(out, {caption, value});
    out.append("\r\n");
    appendLine(out, report.listCaptions());
    for (const ReportEntry &entry : report.entries())
        appendLine(out, report.listFields(entry));
    return out;
}
