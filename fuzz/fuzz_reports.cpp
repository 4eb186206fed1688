// The three report writers on any cell texts and file names: byte 1 gives both sheets' shapes, a
// delimiter and whether sheet 1's first cell is made longer than a workbook cell; the rest, read as
// UTF-16 (so that lone surrogates and noncharacters come too) and cut at each U+0000, gives the
// cells of sheet 1, then of sheet 2, then the two file names.
// Each report must be well-formed: the HTML page as XML once its void elements are closed, and
// free of the characters HTML forbids; every XML part of the workbook; the CSV read back gives the
// report's own fields. No CSV field may be one a spreadsheet would run as a formula, and no
// worksheet may hold a formula.

#include "FuzzSupport.h"

#include "CompareResult.h"
#include "CsvReport.h"
#include "DifferenceReport.h"
#include "HtmlReport.h"
#include "WorkbookCheck.h"
#include "XlsxReport.h"

#include <QList>
#include <QXmlStreamReader>

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace
{
// Whether a spreadsheet opening a CSV file would take the field for a formula: = @ TAB CR first,
// or + - before anything but digits with at most one decimal point.
bool runsAsFormula(QByteArrayView field)
{
    if (field.isEmpty())
        return false;
    const char first = field.front();
    if (first == '=' || first == '@' || first == '\t' || first == '\r')
        return true;
    if (first != '+' && first != '-')
        return false;
    const QByteArrayView rest = field.sliced(1);
    const qsizetype point = rest.indexOf('.');
    const QByteArrayView whole = point < 0 ? rest : rest.first(point);
    const QByteArrayView fraction = point < 0 ? QByteArrayView() : rest.sliced(point + 1);
    auto digits = [](QByteArrayView part) {
        for (const char c : part) {
            if (c < '0' || c > '9')
                return false;
        }
        return true;
    };
    const bool number = digits(whole) && digits(fraction) && (!whole.isEmpty() || !fraction.isEmpty());
    return !number;
}

// RFC 4180 records of CR LF ended lines; nothing when the text breaks the quoting.
std::optional<QList<QList<QByteArray>>> readCsv(QByteArrayView text)
{
    QList<QList<QByteArray>> records;
    QList<QByteArray> record;
    QByteArray field;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            if (!field.isEmpty())
                return std::nullopt; // a quote inside an unquoted field
            ++i;
            while (true) {
                if (i >= text.size())
                    return std::nullopt;
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field.append('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.append(text[i++]);
            }
            if (i < text.size() && text[i] != ',' && text[i] != '\r')
                return std::nullopt;
            continue;
        }
        if (text[i] == ',') {
            record.append(field);
            field.clear();
            ++i;
        } else if (text[i] == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n')
                return std::nullopt;
            record.append(field);
            records.append(record);
            record.clear();
            field.clear();
            i += 2;
        } else if (text[i] == '\n') {
            return std::nullopt;
        } else {
            field.append(text[i++]);
        }
    }
    if (!record.isEmpty() || !field.isEmpty())
        return std::nullopt; // the last line has no line end
    return records;
}

void checkCsv(const DifferenceReport &report)
{
    const QByteArray csv = writeCsvReport(report);
    fuzz::check(csv.startsWith("\xEF\xBB\xBF"), "the CSV report starts with a byte order mark");
    const std::optional<QList<QList<QByteArray>>> records = readCsv(QByteArrayView(csv).sliced(3));
    fuzz::check(records.has_value(), "the CSV report reads back", QString::fromUtf8(csv));

    QList<QStringList> expected;
    for (const auto &[caption, value] : report.summary())
        expected.append({caption, value});
    expected.append({QString()});
    expected.append(report.listCaptions());
    for (const ReportEntry &entry : report.entries())
        expected.append(report.listFields(entry));
    fuzz::check(records->size() == expected.size(), "the CSV report has a line per summary line and listed cell");
    for (qsizetype r = 0; r < expected.size(); ++r) {
        const QList<QByteArray> &read = records->at(r);
        fuzz::check(read.size() == expected[r].size(), "a CSV line has its fields", QString::fromUtf8(csv));
        for (qsizetype f = 0; f < read.size(); ++f) {
            const QByteArray original = expected[r][f].toUtf8();
            fuzz::check(!runsAsFormula(read[f]), "no CSV field runs as a formula", QString::fromUtf8(read[f]));
            // A field is written as it is, or with a leading ' when it would run.
            const bool same = read[f] == original && !runsAsFormula(original);
            const bool quoted = read[f] == "'" + original && runsAsFormula(original);
            fuzz::check(same || quoted, "a CSV field reads back as written", QString::fromUtf8(read[f]));
        }
    }
}

// Characters HTML forbids in a page: controls other than TAB and LF (a CR is written as LF),
// noncharacters and lone surrogates (which UTF-8 cannot hold, so decoding would fail).
void checkHtmlCharacters(const QByteArray &html)
{
    const QString text = QString::fromUtf8(html);
    fuzz::check(text.toUtf8() == html, "the HTML report is UTF-8");
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const bool control = (code < 0x20 && code != u'\t' && code != u'\n') || (code >= 0x7F && code <= 0x9F);
        const bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
        fuzz::check(!control && !nonCharacter, "the HTML report holds no forbidden character",
                    QString::number(quint32(code), 16));
    }
}

void checkXml(const QByteArray &xml, const char *what)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    fuzz::check(!reader.hasError(), what, reader.errorString() + u": "_s + QString::fromUtf8(xml.left(2000)));
}

void checkHtml(const DifferenceReport &report)
{
    const QByteArray html = writeHtmlReport(report);
    checkHtmlCharacters(html);
    // The page is XML but for its void elements, which HTML leaves open.
    QByteArray closed = html;
    for (qsizetype at = closed.indexOf("<meta "); at >= 0; at = closed.indexOf("<meta ", at + 1)) {
        const qsizetype end = closed.indexOf('>', at);
        fuzz::check(end > 0, "a meta element ends");
        if (closed[end - 1] != '/')
            closed.insert(end, '/');
    }
    checkXml(closed, "the HTML report is well-formed");
}

void checkXlsx(const DifferenceReport &report)
{
    const std::optional<QByteArray> workbook = writeXlsxReport(report);
    fuzz::check(workbook.has_value(), "the workbook is made");
    qsizetype parts = 0;
    const bool whole = forEachZipEntry(*workbook, [&](const QString &name, const QByteArray &data) {
        ++parts;
        if (name.endsWith(u".xml"_s) || name.endsWith(u".rels"_s))
            checkXml(data, "every XML part of the workbook is well-formed");
        if (name.startsWith(u"xl/worksheets/"_s))
            fuzz::check(!data.contains("<f>") && !data.contains("<f "), "no worksheet holds a formula");
        return true;
    });
    fuzz::check(whole && parts > 0, "the workbook's entries read back");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t control = data[0];
    QString text;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    const QStringList fields = text.split(QChar(u'\0'));
    qsizetype next = 0;
    auto field = [&] { return next < fields.size() ? fields[next++] : QString(); };

    // Sheets of 1 to 3 data rows and 1 to 2 columns, header row and column included.
    const std::array<int, 2> rows{2 + (control & 1) + ((control >> 1) & 1), 2 + ((control >> 2) & 1)};
    const std::array<int, 2> cols{2 + ((control >> 3) & 1), 2 + ((control >> 4) & 1)};
    std::array<SheetData, 2> sheets{SheetData(rows[0], cols[0]), SheetData(rows[1], cols[1])};
    for (size_t i = 0; i < 2; ++i) {
        for (int r = 1; r < rows[i]; ++r) {
            for (int c = 1; c < cols[i]; ++c)
                sheets[i].setText(r, c, field());
        }
    }
    // A text longer than a workbook cell, cut wherever its repetition ends.
    if ((control & 0x40) && !sheets[0].text(1, 1).isEmpty())
        sheets[0].setText(1, 1, sheets[0].text(1, 1).toString().repeated(32'001 / sheets[0].text(1, 1).size() + 1));

    ReportSettings settings;
    settings.files[0].path = field();
    settings.files[1].path = field();
    if (control & 0x20) {
        settings.delimiterMode = 1;
        settings.delimiter = field();
    }
    if (control & 0x80)
        settings.options = QStringList{field(), field()};
    const DifferenceReport report
        = buildDifferenceReport(FindDifferences(sheets[0], sheets[1]), sheets[0], sheets[1], std::move(settings));

    checkCsv(report);
    checkHtml(report);
    checkXlsx(report);
    return 0;
}
