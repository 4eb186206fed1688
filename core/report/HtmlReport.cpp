#include "HtmlReport.h"

#include "CellDifference.h"
#include "CharDiff.h"
#include "Colors.h"
#include "DifferenceReport.h"
#include "SheetLabels.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
const QString kTitle = u"差分レポート"_s;
const QString kTitleWithFiles = u"差分レポート（%1 ↔ %2）"_s;
const QString kSummaryHeading = u"概要"_s;
const QString kListHeading = u"差分のある行"_s;
const QString kNoDifference = u"差はありません。"_s;
const QString kMoreRows = u"最初の %1 行だけを載せています。ほかに %2 行（セル %3 個）の差分があり、"
                          u"すべては CSV または Excel のレポートにあります。"_s;
const QString kRowHeading = u"%1 行目"_s;
const QString kFileRow = u"%1 %2 行目"_s;
const QString kFileRowNone = u"%1 （揃えるために入れた行）"_s;
const QString kColHeading = u"%1列"_s;
const QString kNoCell = u"（なし）"_s;
const QString kGap = u"…"_s;

// A narrow sheet's rows are shown whole; a wider one's only where they differ.
constexpr int kWholeRowColumns = 8;
// Characters of a cell text shown at most; a longer text is shown around its first differences.
constexpr qsizetype kCellTextLimit = 1000;

QString cssColor(OleColor color)
{
    return u"#%1%2%3"_s.arg(oleRed(color), 2, 16, QChar(u'0'))
        .arg(oleGreen(color), 2, 16, QChar(u'0'))
        .arg(oleBlue(color), 2, 16, QChar(u'0'));
}

// The page's style: the window's colours for the kinds, marked characters in dark red on white
// text, invisible characters in grey, tables that break between rows on paper.
QString styleSheet()
{
    return uR"(
@page { size: A4; margin: 12mm; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font-family: "Noto Sans CJK JP", "Yu Gothic", "Meiryo", sans-serif; font-size: 10pt; color: #000; margin: 1em; }
h1 { font-size: 16pt; margin: 0 0 0.6em; }
h2 { font-size: 13pt; margin: 1.2em 0 0.4em; border-bottom: 1px solid #888; }
h3 { font-size: 10.5pt; margin: 0.9em 0 0.2em; }
h3 .lines { font-weight: normal; color: #444; margin-left: 1em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #999; padding: 2px 6px; vertical-align: top; text-align: left; }
th { background: #f0f0f0; font-weight: normal; }
.summary th { white-space: nowrap; }
.summary td { word-break: break-all; }
.row { break-inside: avoid; page-break-inside: avoid; }
.cells td { white-space: pre-wrap; word-break: break-all; max-width: 40em; }
.cells th .title { display: block; color: #333; }
.cells th.side { white-space: nowrap; }
td.d { background: %1; }
td.f { background: %2; }
td.x { background: %3; }
td.e { background: %4; }
td.n { color: #777; background: repeating-linear-gradient(45deg, #fff, #fff 4px, #eee 4px, #eee 8px); }
td.gap, th.gap { color: #777; border-style: dotted; }
mark { background: #b71c1c; color: #fff; }
.v { color: #666; }
.v.box { outline: 1px dotted #666; }
mark .v { color: #fdd; }
.more { background: #fff8e1; border: 1px solid #e0c060; padding: 4px 8px; }
)"_s.arg(cssColor(kDiffBackColor), cssColor(kFillerBackColor), cssColor(kExtraBackColor), u"#FFF2B0"_s);
}

// Text as HTML in UTF-8: the markup characters escaped, and characters HTML does not allow in a
// page (controls other than blanks and line breaks, noncharacters, lone surrogates) replaced by
// U+FFFD. The page is built as UTF-8 bytes: as UTF-16 its mostly ASCII markup would take twice
// the memory.
void appendEscaped(QByteArray &out, QStringView text)
{
    qsizetype plain = 0; // start of the characters not yet appended that need no change
    auto flush = [&](qsizetype end) {
        if (end > plain)
            out += text.sliced(plain, end - plain).toUtf8();
    };
    auto replace = [&](qsizetype i, qsizetype length, const char *with) {
        flush(i);
        out += with;
        plain = i + length;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text[i + 1]);
            if ((code & 0xFFFE) == 0xFFFE)
                replace(i, 2, "\xEF\xBF\xBD");
            ++i;
            continue;
        }
        switch (u) {
        case u'&':
            replace(i, 1, "&amp;");
            break;
        case u'<':
            replace(i, 1, "&lt;");
            break;
        case u'>':
            replace(i, 1, "&gt;");
            break;
        case u'"':
            replace(i, 1, "&quot;");
            break;
        case u'\t':
        case u'\n':
            break;
        case u'\r':
            // A lone CR is a line break to a browser too; CR LF becomes one LF.
            replace(i, 1, i + 1 < text.size() && text[i + 1] == u'\n' ? "" : "\n");
            break;
        default:
            if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || c.isSurrogate() || (u >= 0xFDD0 && u <= 0xFDEF) || u >= 0xFFFE)
                replace(i, 1, "\xEF\xBF\xBD");
        }
    }
    flush(text.size());
}

void add(QByteArray &out, QStringView text)
{
    out += text.toUtf8();
}

// A cell text as shown, with its marked characters in <mark> and the characters standing in for
// invisible ones in <span class="v">.
void appendShown(QByteArray &out, const ShownCellText &shown)
{
    const QString &text = shown.shown;
    std::vector<quint8> state(size_t(text.size()), 0); // bit 0: marked, bit 1: invisible, bit 2: boxed
    for (const ShownHighlight &highlight : shown.highlights) {
        for (qsizetype i = highlight.start; i < std::min(text.size(), highlight.start + highlight.length); ++i)
            state[size_t(i)] |= 1;
    }
    for (const ShownMark &mark : shown.marks) {
        for (qsizetype i = mark.start; i < std::min(text.size(), mark.start + mark.length); ++i)
            state[size_t(i)] |= mark.boxed ? 6 : 2;
    }
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start + 1;
        while (end < text.size() && state[size_t(end)] == state[size_t(start)])
            ++end;
        const quint8 s = state[size_t(start)];
        if (s & 1)
            add(out, u"<mark>"_s);
        if (s & 2)
            add(out, (s & 4) ? u"<span class=\"v box\">"_s : u"<span class=\"v\">"_s);
        appendEscaped(out, QStringView(text).sliced(start, end - start));
        if (s & 2)
            add(out, u"</span>"_s);
        if (s & 1)
            add(out, u"</mark>"_s);
        start = end;
    }
}

// The listed kind at each column of one row, for the columns shown.
struct RowCells
{
    int row = 0;
    std::vector<std::pair<int, ReportKind>> listed; // column, kind; ascending
};

class HtmlWriter
{
public:
    HtmlWriter(const DifferenceReport &report, qsizetype rowLimit)
        : m_report(report)
        , m_rowLimit(rowLimit)
    {
    }

    QByteArray write();

private:
    void writeSummary();
    void writeList();
    void writeRow(const RowCells &row);
    void writeCell(const RowCells &row, int sheet, int col, const ReportKind *kind);

    const DifferenceReport &m_report;
    qsizetype m_rowLimit;
    QByteArray m_out;
};

QByteArray HtmlWriter::write()
{
    const auto fileName = [&](int i) {
        const QString path = m_report.settings().files[size_t(i)].path;
        return path.isEmpty() ? kSheetLabels[size_t(i)] : QFileInfo(path).fileName();
    };
    m_out.reserve(qsizetype(std::min<size_t>(m_report.entries().size(), size_t(m_rowLimit) * 2)) * 250 + 8192);
    add(m_out,
        u"<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
        u"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"_s);
    appendEscaped(m_out, kTitleWithFiles.arg(fileName(0), fileName(1)));
    add(m_out, u"</title>\n<style>"_s + styleSheet() + u"</style>\n</head>\n<body>\n<h1>"_s + kTitle + u"</h1>\n"_s);
    writeSummary();
    writeList();
    add(m_out, u"</body>\n</html>\n"_s);
    return m_out;
}

void HtmlWriter::writeSummary()
{
    add(m_out, u"<h2>"_s + kSummaryHeading + u"</h2>\n<table class=\"summary\">\n"_s);
    for (const auto &[caption, value] : m_report.summary()) {
        add(m_out, u"<tr><th>"_s);
        appendEscaped(m_out, caption);
        add(m_out, u"</th><td>"_s);
        appendEscaped(m_out, value);
        add(m_out, u"</td></tr>\n"_s);
    }
    add(m_out, u"</table>\n"_s);
}

void HtmlWriter::writeList()
{
    add(m_out, u"<h2>"_s + kListHeading + u"</h2>\n"_s);
    const std::vector<ReportEntry> &entries = m_report.entries();
    if (entries.empty()) {
        add(m_out, u"<p>"_s + kNoDifference + u"</p>\n"_s);
        return;
    }
    // Rows and cells beyond the limit are counted first, so that the note stands above the list.
    qsizetype rows = 0;
    size_t shownEntries = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i == 0 || entries[i].position.row() != entries[i - 1].position.row()) {
            ++rows;
            if (rows == m_rowLimit + 1)
                shownEntries = i;
        }
    }
    if (rows > m_rowLimit) {
        add(m_out,
            u"<p class=\"more\">"_s
                + kMoreRows.arg(m_rowLimit).arg(rows - m_rowLimit).arg(qsizetype(entries.size() - shownEntries))
                + u"</p>\n"_s);
    } else {
        shownEntries = entries.size();
    }
    RowCells row;
    for (size_t i = 0; i < shownEntries; ++i) {
        const ReportEntry &entry = entries[i];
        if (entry.position.row() != row.row) {
            if (row.row > 0)
                writeRow(row);
            row = RowCells{entry.position.row(), {}};
        }
        row.listed.emplace_back(entry.position.col(), entry.kind);
    }
    if (row.row > 0)
        writeRow(row);
}

void HtmlWriter::writeRow(const RowCells &row)
{
    add(m_out, u"<section class=\"row\">\n<h3>"_s + kRowHeading.arg(row.row));
    if (m_report.rowsLinedUp()) {
        add(m_out, u"<span class=\"lines\">"_s);
        for (int i = 0; i < 2; ++i) {
            if (i > 0)
                add(m_out, u" ／ "_s);
            if (row.row >= m_report.rows(i))
                add(m_out, kSheetLabels[size_t(i)] + u" "_s + kNoCell);
            else if (const std::optional<int> fileRow = m_report.fileRow(i, row.row))
                add(m_out, kFileRow.arg(kSheetLabels[size_t(i)]).arg(*fileRow));
            else
                add(m_out, kFileRowNone.arg(kSheetLabels[size_t(i)]));
        }
        add(m_out, u"</span>"_s);
    }
    add(m_out, u"</h3>\n<table class=\"cells\">\n"_s);

    // The columns shown: every one of a narrow sheet, else the listed ones; 0 stands for a gap.
    std::vector<int> columns;
    const int cols = std::max(m_report.cols(0), m_report.cols(1));
    if (cols - 1 <= kWholeRowColumns) {
        for (int c = 1; c < cols; ++c)
            columns.push_back(c);
    } else {
        int previous = 0;
        for (const auto &[col, kind] : row.listed) {
            if (col > previous + 1)
                columns.push_back(0);
            columns.push_back(col);
            previous = col;
        }
        if (previous < cols - 1)
            columns.push_back(0);
    }

    add(m_out, u"<tr><th class=\"side\"></th>"_s);
    for (const int col : columns) {
        if (col == 0) {
            add(m_out, u"<th class=\"gap\">"_s + kGap + u"</th>"_s);
            continue;
        }
        add(m_out, u"<th>"_s + kColHeading.arg(col));
        if (const QStringView title = m_report.columnTitle(col); !title.isEmpty()) {
            add(m_out, u"<span class=\"title\">"_s);
            appendEscaped(m_out, title.left(100));
            add(m_out, u"</span>"_s);
        }
        add(m_out, u"</th>"_s);
    }
    add(m_out, u"</tr>\n"_s);
    for (int sheet = 0; sheet < 2; ++sheet) {
        add(m_out, u"<tr><th class=\"side\">"_s + kSheetLabels[size_t(sheet)] + u"</th>"_s);
        auto listed = row.listed.begin();
        for (const int col : columns) {
            if (col == 0) {
                add(m_out, u"<td class=\"gap\">"_s + kGap + u"</td>"_s);
                continue;
            }
            while (listed != row.listed.end() && listed->first < col)
                ++listed;
            const bool isListed = listed != row.listed.end() && listed->first == col;
            writeCell(row, sheet, col, isListed ? &listed->second : nullptr);
        }
        add(m_out, u"</tr>\n"_s);
    }
    add(m_out, u"</table>\n</section>\n"_s);
}

void HtmlWriter::writeCell(const RowCells &row, int sheet, int col, const ReportKind *kind)
{
    const CellPosition position(row.row, col);
    const std::optional<QStringView> text = m_report.text(sheet, position);
    if (!text) {
        add(m_out, u"<td class=\"n\">"_s + kNoCell + u"</td>"_s);
        return;
    }
    QString cssClass;
    CharDiff diff;
    if (kind) {
        switch (*kind) {
        case ReportKind::Differs:
            cssClass = m_report.isFillerRow(sheet, row.row) ? u"f"_s : u"d"_s;
            break;
        case ReportKind::Equivalent:
            cssClass = u"e"_s;
            break;
        case ReportKind::OnlyInFile1:
        case ReportKind::OnlyInFile2:
            cssClass = u"x"_s;
            break;
        }
        if (*kind == ReportKind::Differs || *kind == ReportKind::Equivalent) {
            const std::optional<QStringView> other = m_report.text(1 - sheet, position);
            const QStringView other0 = other.value_or(QStringView());
            diff = sheet == 0 ? diffCharacters(*text, other0) : diffCharacters(other0, *text);
        }
    }
    add(m_out, cssClass.isEmpty() ? u"<td>"_s : u"<td class=\""_s + cssClass + u"\">"_s);
    appendShown(m_out, showCellText(*text, diff, sheet, kCellTextLimit));
    add(m_out, u"</td>"_s);
}
} // namespace

QByteArray writeHtmlReport(const DifferenceReport &report, qsizetype rowLimit)
{
    return HtmlWriter(report, rowLimit).write();
}
