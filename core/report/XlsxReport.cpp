#include "XlsxReport.h"

#include "CharDiff.h"
#include "Colors.h"
#include "DifferenceReport.h"
#include "WorkbookCheck.h"
#include "XlsxWriterLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
const QByteArray kSummarySheetName = u"概要"_s.toUtf8();
const QByteArray kListSheetName = u"差分一覧"_s.toUtf8();
const QString kCaptionCaption = u"項目"_s;
const QString kValueCaption = u"値"_s;
const QString kLeftOutCaption = u"一覧に載せきれなかったセル"_s;
const QString kLeftOutValue = u"%1 個（Excel の一覧は %2 個までです。すべては CSV のレポートにあります）"_s;
const QString kRedCaption = u"違う文字の赤字"_s;
const QString kRedValue = u"最初の %1 組だけ（ほかは HTML のレポートか、セルを見比べてください）"_s;
const QByteArray kFontName = u"游ゴシック"_s.toUtf8();
const QString kCut = u"…"_s;
const QString kCutCaption = u"切り詰めたセル"_s;
const QString kCutValue
    = u"%1 個（Excel のセルには %2 文字までを載せ、「…」で終えています。すべては CSV のレポートにあります）"_s;
const QString kCutNote
    = u"Excel のセルに入りきらない %1 個のセルは %2 文字で切り詰めました（すべては CSV のレポートにあります）"_s;
const QString kReplacedCaption = u"置き換えた文字のあるセル"_s;
const QString kReplacedValue = u"%1 個（Excel のブックに書けない文字を U+FFFD「\uFFFD」に置き換えました）"_s;

// A cell holds at most 32767 characters in Excel; a longer text is cut and ends in 「…」.
constexpr qsizetype kCellTextLimit = 32'000;
// Differing pairs whose differing characters are red. The library makes a temporary file for each
// rich text: ten thousand pairs cost about a quarter of a second, every pair of a large report
// several times the rest of the workbook.
constexpr qsizetype kRedPairLimit = 10'000;
// Columns are fitted to their texts up to this many characters' width.
constexpr double kMaxColumnWidth = 60;
constexpr double kMinColumnWidth = 6;
constexpr OleColor kEquivalentBackColor = 0xB0F2FF; // light yellow #FFF2B0, as an OLE colour

// Width of a text in Excel's character units: wide (East Asian) characters count twice.
double textWidth(QStringView text)
{
    double width = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            continue;
        const char16_t u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
            || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60)
            || (u >= 0xFFE0 && u <= 0xFFE6) || c.isHighSurrogate();
        width += wide ? 2 : 1;
        if (width > kMaxColumnWidth)
            break;
    }
    return width;
}

lxw_color_t rgb(OleColor color)
{
    return lxw_color_t((oleRed(color) << 16) | (oleGreen(color) << 8) | oleBlue(color));
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// Whether `_xHHHH_` starts at `at`: a spreadsheet reads it as the character HHHH.
bool startsEscape(QStringView text, qsizetype at)
{
    if (at + 7 > text.size() || text[at] != u'_' || text[at + 1] != u'x' || text[at + 6] != u'_')
        return false;
    for (qsizetype i = at + 2; i < at + 6; ++i) {
        if (!isHexDigit(text[i]))
            return false;
    }
    return true;
}

struct XlsxTextChange
{
    bool cut = false;
    bool replaced = false;
};

// A text as a workbook cell holds it, and what that changed. XML holds neither U+FFFE, U+FFFF nor
// a surrogate without its partner: each becomes U+FFFD (the library writes the controls as
// _xHHHH_ itself). A literal _xHHHH_ keeps its meaning as _x005F_xHHHH_. A text longer than a
// cell holds is cut and ends in 「…」. With `out` null only the changes are worked out.
XlsxTextChange convertText(QStringView text, QString *out)
{
    XlsxTextChange change;
    qsizetype length = 0;
    auto put = [&](QStringView piece) {
        if (length + piece.size() > kCellTextLimit) {
            change.cut = true;
            return false;
        }
        length += piece.size();
        if (out)
            out->append(piece);
        return true;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        bool fits = true;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            fits = put(text.sliced(i, 2));
            ++i;
        } else if (c.isSurrogate() || c.unicode() >= 0xFFFE) {
            change.replaced = true;
            fits = put(u"\uFFFD");
        } else if (c == u'_' && startsEscape(text, i)) {
            fits = put(u"_x005F_");
        } else {
            fits = put(text.sliced(i, 1));
        }
        if (!fits)
            break;
    }
    if (change.cut && out)
        out->append(kCut);
    return change;
}

// Whether the text goes into a cell as it is.
bool isPlainText(QStringView text)
{
    if (text.size() > kCellTextLimit)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'_' || (u >= 0xD800 && u <= 0xDFFF) || u >= 0xFFFE)
            return false;
    }
    return true;
}

XlsxTextChange textChange(QStringView text)
{
    return isPlainText(text) ? XlsxTextChange{} : convertText(text, nullptr);
}

QByteArray cellBytes(QStringView text)
{
    if (isPlainText(text))
        return text.toUtf8();
    QString converted;
    converted.reserve(std::min(text.size(), kCellTextLimit) + 8);
    (void)convertText(text, &converted);
    return converted.toUtf8();
}

class XlsxWriter
{
public:
    XlsxWriter(const DifferenceReport &report, qsizetype cellLimit)
        : m_report(report)
        , m_cellLimit(cellLimit)
    {
    }

    // The workbook, made in `folder`; nothing when any step of the library failed.
    std::optional<QByteArray> write(const QString &folder);

private:
    // Notes a step of the library that failed: the workbook is not whole then.
    void check(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            m_failed = true;
    }
    template<typename T>
    T *check(T *made)
    {
        if (!made)
            m_failed = true;
        return made;
    }
    lxw_format *newFormat()
    {
        lxw_format *format = check(m_lxw->workbook_add_format(m_workbook));
        if (format)
            m_lxw->format_set_font_name(format, kFontName.constData());
        return format;
    }
    void writeText(lxw_worksheet *sheet, int row, int col, QStringView text, lxw_format *format = nullptr);
    void writeMarkedText(lxw_worksheet *sheet, int row, int col, QStringView text, const CharDiff &diff, int side);
    void writeSummary(qsizetype leftOut, bool redCut, XlsxTextChanges changes);
    void writeList(size_t listed);
    void addFormats();

    const DifferenceReport &m_report;
    qsizetype m_cellLimit;
    const XlsxWriterLibrary *m_lxw = xlsxWriterLibrary();
    lxw_workbook *m_workbook = nullptr;
    bool m_failed = false;
    qint64 m_summaryRows = 0; // the caption row included
    lxw_format *m_text = nullptr;
    lxw_format *m_red = nullptr;
    lxw_format *m_caption = nullptr;
    std::array<lxw_format *, 4> m_kinds{};
};

std::optional<QByteArray> XlsxWriter::write(const QString &folderPath)
{
    if (!m_lxw)
        return std::nullopt;
    // The library writes to a file: a folder of its own keeps it and the library's temporary files.
    QTemporaryDir folder(folderPath + u"/rowlark-report-XXXXXX"_s);
    if (!folder.isValid())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(folder.filePath(u"report.xlsx"_s));
    const QByteArray tmpdir = QFile::encodeName(folder.path());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go to disk as they are written
    options.tmpdir = const_cast<char *>(tmpdir.constData());
    m_workbook = m_lxw->workbook_new_opt(path.constData(), &options);
    if (!m_workbook)
        return std::nullopt;

    // The creation date is the report's, so that the same report gives the same workbook.
    lxw_doc_properties properties{};
    const QByteArray title = u"差分レポート"_s.toUtf8();
    properties.title = const_cast<char *>(title.constData());
    properties.created = time_t(m_report.settings().createdAt.toSecsSinceEpoch());
    check(m_lxw->workbook_set_properties(m_workbook, &properties));

    addFormats();
    const size_t listed = std::min(m_report.entries().size(), size_t(std::max<qsizetype>(0, m_cellLimit)));
    if (!m_failed) {
        const qint64 pairs = m_report.count(ReportKind::Differs) + m_report.count(ReportKind::Equivalent);
        writeSummary(qsizetype(m_report.entries().size() - listed), pairs > kRedPairLimit,
                     xlsxTextChanges(m_report, m_cellLimit));
        writeList(listed);
    }
    // Closed even after a failure: closing frees the workbook.
    check(m_lxw->workbook_close(m_workbook));
    if (m_failed)
        return std::nullopt;
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    // A part whose temporary file could not be written whole is packed cut short, or with rows cut
    // out of its middle, without a word from the library: only reading the workbook back tells.
    const QList<std::pair<QString, qint64>> rows{{u"xl/worksheets/sheet1.xml"_s, m_summaryRows},
                                                 {u"xl/worksheets/sheet2.xml"_s, qint64(listed) + 1}};
    if (file.error() != QFileDevice::NoError || !isWholeWorkbook(bytes, rows))
        return std::nullopt;
    return bytes;
}

void XlsxWriter::addFormats()
{
    m_text = newFormat();
    m_red = newFormat();
    m_caption = newFormat();
    for (lxw_format *&kind : m_kinds)
        kind = newFormat();
    if (m_failed)
        return;
    m_lxw->format_set_num_format(m_text, "@"); // what the person types in stays text too
    m_lxw->format_set_font_color(m_red, 0xC00000); // dark red
    m_lxw->format_set_bold(m_red);
    m_lxw->format_set_bold(m_caption);
    m_lxw->format_set_bg_color(m_caption, 0xE8E8E8);
    m_lxw->format_set_bottom(m_caption, LXW_BORDER_THIN);
    const std::array<OleColor, 4> kindColors{kDiffBackColor, kExtraBackColor, kExtraBackColor, kEquivalentBackColor};
    for (size_t i = 0; i < kindColors.size(); ++i) {
        m_lxw->format_set_num_format(m_kinds[i], "@");
        m_lxw->format_set_bg_color(m_kinds[i], rgb(kindColors[i]));
    }
}

void XlsxWriter::writeText(lxw_worksheet *sheet, int row, int col, QStringView text, lxw_format *format)
{
    check(m_lxw->worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(col), cellBytes(text).constData(),
                                        format ? format : m_text));
}

// A text with the stretches that differ from the other text in red, as rich text. Excel takes
// rich text of two stretches or more; a text that is all one or the other is written plainly.
void XlsxWriter::writeMarkedText(lxw_worksheet *sheet, int row, int col, QStringView text, const CharDiff &diff,
                                 int side)
{
    if (text.size() > kCellTextLimit || text.isEmpty()) {
        writeText(sheet, row, col, text);
        return;
    }
    std::vector<std::pair<QByteArray, bool>> stretches; // text, red
    qsizetype written = 0; // characters of the stretches as written
    auto append = [&](qsizetype from, qsizetype to, bool red) {
        if (to <= from)
            return;
        // Each stretch is converted on its own: a spreadsheet reads _xHHHH_ within one only.
        QString converted;
        (void)convertText(text.sliced(from, to - from), &converted);
        written += converted.size();
        const QByteArray bytes = converted.toUtf8();
        if (!stretches.empty() && stretches.back().second == red)
            stretches.back().first += bytes;
        else
            stretches.emplace_back(bytes, red);
    };
    qsizetype at = 0;
    for (const CharSpan &span : diff.spans) {
        const qsizetype start = side == 0 ? span.start1 : span.start2;
        const qsizetype length = side == 0 ? span.length1 : span.length2;
        if (length == 0)
            continue;
        append(at, start, false);
        append(start, start + length, true);
        at = start + length;
    }
    append(at, text.size(), false);
    // Escapes that make the text longer than a cell holds: the plain text is cut instead.
    if (stretches.size() < 2 || written > kCellTextLimit) {
        const bool red = stretches.size() == 1 && stretches.front().second && written <= kCellTextLimit;
        writeText(sheet, row, col, text, red ? m_red : nullptr);
        return;
    }
    std::vector<lxw_rich_string_tuple> tuples(stretches.size());
    std::vector<lxw_rich_string_tuple *> pointers;
    for (size_t i = 0; i < stretches.size(); ++i) {
        tuples[i].format = stretches[i].second ? m_red : nullptr;
        tuples[i].string = stretches[i].first.data();
        pointers.push_back(&tuples[i]);
    }
    pointers.push_back(nullptr);
    check(m_lxw->worksheet_write_rich_string(sheet, lxw_row_t(row), lxw_col_t(col), pointers.data(), m_text));
}

void XlsxWriter::writeSummary(qsizetype leftOut, bool redCut, XlsxTextChanges changes)
{
    lxw_worksheet *sheet = check(m_lxw->workbook_add_worksheet(m_workbook, kSummarySheetName.constData()));
    if (!sheet)
        return;
    QList<std::pair<QString, QString>> lines = m_report.summary();
    if (leftOut > 0)
        lines.append({kLeftOutCaption, kLeftOutValue.arg(leftOut).arg(m_cellLimit)});
    if (redCut)
        lines.append({kRedCaption, kRedValue.arg(kRedPairLimit)});
    if (changes.cut > 0)
        lines.append({kCutCaption, kCutValue.arg(changes.cut).arg(kCellTextLimit)});
    if (changes.replaced > 0)
        lines.append({kReplacedCaption, kReplacedValue.arg(changes.replaced)});
    m_summaryRows = lines.size() + 1;
    double widths[2] = {textWidth(kCaptionCaption), textWidth(kValueCaption)};
    for (const auto &[caption, value] : std::as_const(lines)) {
        widths[0] = std::max(widths[0], textWidth(caption));
        widths[1] = std::max(widths[1], textWidth(value));
    }
    for (int c = 0; c < 2; ++c) {
        check(m_lxw->worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), std::min(kMaxColumnWidth, widths[c] + 2),
                                          nullptr));
    }
    writeText(sheet, 0, 0, kCaptionCaption, m_caption);
    writeText(sheet, 0, 1, kValueCaption, m_caption);
    int row = 1;
    for (const auto &[caption, value] : std::as_const(lines)) {
        writeText(sheet, row, 0, caption);
        writeText(sheet, row, 1, value);
        ++row;
    }
}

void XlsxWriter::writeList(size_t listed)
{
    lxw_worksheet *sheet = check(m_lxw->workbook_add_worksheet(m_workbook, kListSheetName.constData()));
    if (!sheet)
        return;
    const QStringList captions = m_report.listCaptions();
    const std::vector<ReportEntry> &entries = m_report.entries();

    // Widths first: a sheet written row by row cannot go back to its columns.
    std::vector<double> widths;
    for (const QString &caption : captions)
        widths.push_back(textWidth(caption) + 3); // room for the filter button
    for (size_t i = 0; i < listed; ++i) {
        const CellPosition position = entries[i].position;
        widths[0] = std::max(widths[0], textWidth(QString::number(position.row())));
        widths[2] = std::max(widths[2], textWidth(m_report.columnTitle(position.col())));
        for (int side = 0; side < 2; ++side) {
            if (const std::optional<QStringView> text = m_report.text(side, position))
                widths[size_t(3 + side)] = std::max(widths[size_t(3 + side)], textWidth(*text));
        }
    }
    for (size_t c = 0; c < widths.size(); ++c) {
        const double width = std::clamp(widths[c] + 1, kMinColumnWidth, kMaxColumnWidth);
        check(m_lxw->worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), width, nullptr));
    }

    for (qsizetype c = 0; c < captions.size(); ++c)
        writeText(sheet, 0, int(c), captions[c], m_caption);
    m_lxw->worksheet_freeze_panes(sheet, 1, 0);
    check(m_lxw->worksheet_autofilter(sheet, 0, 0, lxw_row_t(std::max<size_t>(listed, 1)),
                                      lxw_col_t(captions.size() - 1)));

    const bool linedUp = m_report.rowsLinedUp();
    qsizetype redPairs = 0;
    // A step that failed leaves the rest undone: the workbook is given up anyway.
    for (size_t i = 0; i < listed && !m_failed; ++i) {
        const ReportEntry &entry = entries[i];
        const CellPosition position = entry.position;
        const int row = int(i) + 1;
        check(m_lxw->worksheet_write_number(sheet, lxw_row_t(row), 0, position.row(), nullptr));
        check(m_lxw->worksheet_write_number(sheet, lxw_row_t(row), 1, position.col(), nullptr));
        writeText(sheet, row, 2, m_report.columnTitle(position.col()));
        const std::optional<QStringView> first = m_report.text(0, position);
        const std::optional<QStringView> second = m_report.text(1, position);
        const bool pair = entry.kind == ReportKind::Differs || entry.kind == ReportKind::Equivalent;
        if (pair && redPairs++ < kRedPairLimit) {
            const CharDiff diff = diffCharacters(*first, *second);
            writeMarkedText(sheet, row, 3, *first, diff, 0);
            writeMarkedText(sheet, row, 4, *second, diff, 1);
        } else {
            writeText(sheet, row, 3, first.value_or(QStringView()));
            writeText(sheet, row, 4, second.value_or(QStringView()));
        }
        writeText(sheet, row, 5, reportKindText(entry.kind), m_kinds[size_t(entry.kind)]);
        if (linedUp) {
            for (int side = 0; side < 2; ++side) {
                const std::optional<int> fileRow
                    = (side == 0 ? first : second) ? m_report.fileRow(side, position.row()) : std::nullopt;
                if (fileRow)
                    check(m_lxw->worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(6 + side), *fileRow, nullptr));
            }
        }
    }
}
} // namespace

XlsxTextChanges xlsxTextChanges(const DifferenceReport &report, qsizetype cellLimit)
{
    XlsxTextChanges changes;
    auto add = [&](QStringView text) {
        const XlsxTextChange change = textChange(text);
        changes.cut += change.cut ? 1 : 0;
        changes.replaced += change.replaced ? 1 : 0;
    };
    for (const auto &[caption, value] : report.summary()) {
        add(caption);
        add(value);
    }
    const std::vector<ReportEntry> &entries = report.entries();
    const size_t listed = std::min(entries.size(), size_t(std::max<qsizetype>(0, cellLimit)));
    for (size_t i = 0; i < listed; ++i) {
        const CellPosition position = entries[i].position;
        add(report.columnTitle(position.col()));
        for (int side = 0; side < 2; ++side)
            add(report.text(side, position).value_or(QStringView()));
    }
    return changes;
}

QString xlsxCutCellsText(qsizetype cells)
{
    return kCutNote.arg(cells).arg(kCellTextLimit);
}

std::optional<QByteArray> writeXlsxReport(const DifferenceReport &report, qsizetype cellLimit)
{
    // The library makes a temporary file for every rich text it writes, tens of thousands in a
    // large report: in memory (tmpfs) that costs a fraction of what it costs on a disk. A tmpfs
    // too small for the workbook leaves it to the temporary folder.
    QStringList folders;
    if (QFileInfo(u"/dev/shm"_s).isWritable())
        folders << u"/dev/shm"_s;
    folders << QDir::tempPath();
    for (const QString &folder : std::as_const(folders)) {
        if (std::optional<QByteArray> bytes = XlsxWriter(report, cellLimit).write(folder))
            return bytes;
    }
    return std::nullopt;
}
