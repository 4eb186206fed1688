#include "SheetFileWriter.h"

#include "EncodingDetection.h"
#include "GridError.h"
#include "SafeFileWriter.h"
#include "TextCodec.h"

#include <algorithm>
#include <array>
#include <vector>

namespace
{
QStringView lineEndText(LineEnd lineEnd)
{
    switch (lineEnd) {
    case LineEnd::Lf:
        return u"\n";
    case LineEnd::Cr:
        return u"\r";
    case LineEnd::CrLf:
        break;
    }
    return u"\r\n";
}

// Whether a text written bare would not read back as itself in the comma mode: it holds the
// comma, a double quote or a line end, or starts with a blank the reader skips.
bool needsQuotes(QStringView text)
{
    if (text.isEmpty())
        return false;
    if (text.front() == u' ')
        return true;
    for (const QChar ch : text) {
        if (ch == u',' || ch == u'"' || ch == u'\r' || ch == u'\n')
            return true;
    }
    return false;
}

// Whether a file without a byte order mark that starts so would not be read as the text it is:
// taken for a workbook, refused as binary, or read as starting with a byte order mark.
bool opensOtherwise(QByteArrayView head)
{
    using EncodingDetection::BinaryKind;
    const BinaryKind kind = EncodingDetection::sniffBinaryKind(head);
    if (kind != BinaryKind::None && kind != BinaryKind::Nul)
        return true;
    return std::ranges::any_of(std::array{TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom},
                               [&](TextEncoding marked) { return head.startsWith(TextCodec::byteOrderMark(marked)); });
}

// Appends a comma-mode field between double quotes, every quote inside it doubled.
void appendQuoted(QString &line, QStringView text)
{
    line += u'"';
    for (qsizetype from = 0;;) {
        const qsizetype quote = text.indexOf(u'"', from);
        if (quote < 0) {
            line += text.sliced(from);
            break;
        }
        line += text.sliced(from, quote + 1 - from);
        line += u'"';
        from = quote + 1;
    }
    line += u'"';
}

// A filler row that nobody has written into stands only for rows of the other sheet.
bool leftOut(const SheetData &data, int row, int firstCol)
{
    if (!data.isFillerRow(row))
        return false;
    for (int c = firstCol; c < data.cols(); ++c) {
        if (!data.text(row, c).isEmpty())
            return false;
    }
    return true;
}
// A filler column stands only for a column of the other sheet while nobody has written into it.
bool colLeftOut(const SheetData &data, int col, int firstRow)
{
    if (!data.isFillerCol(col))
        return false;
    for (int r = std::max(firstRow, 1); r < data.rows(); ++r) {
        if (!data.text(r, col).isEmpty())
            return false;
    }
    return true;
}
} // namespace

int FillerColsLeftOut(const SheetData &data, int firstRow, int firstCol)
{
    int count = 0;
    for (int c = std::max(firstCol, 0); c < data.cols(); ++c)
        count += colLeftOut(data, c, firstRow) ? 1 : 0;
    return count;
}

int FillerRowsLeftOut(const SheetData &data, int firstRow, int firstCol)
{
    int count = 0;
    for (int r = std::max(firstRow, 0); r < data.rows(); ++r)
        count += leftOut(data, r, std::max(firstCol, 0)) ? 1 : 0;
    return count;
}

std::optional<QByteArray> SheetFileBytes(const SheetData &data, const SheetFileFormat &format, int firstRow,
                                         int firstCol, const DelimitedFormat &delimited)
{
    const QStringView delimiter = delimited.fieldDelimiter();
    const bool commaMode = delimited.commaMode();
    const bool quoteAll = delimited.quoting == Quoting::All;
    // The delimiter mode reads its fields literally, so it writes them so too, between quotes
    // when every field is to be quoted.
    const QStringView quote = quoteAll && !commaMode ? QStringView(u"\"") : QStringView();
    if (firstRow < 0 || firstCol < 0)
        return std::nullopt;
    int lastRow = data.rows() - 1;
    while (lastRow >= firstRow && leftOut(data, lastRow, firstCol))
        --lastRow;
    std::vector<int> cols;
    for (int c = firstCol; c < data.cols(); ++c) {
        if (!colLeftOut(data, c, firstRow))
            cols.push_back(c);
    }
    // The byte order mark is written even without rows: a file of nothing but the mark is read
    // as a sheet without rows, while an empty file would no longer load.
    QByteArray bytes = TextCodec::byteOrderMark(format.encoding);
    if (firstRow > lastRow)
        return bytes;

    TextCodec::Encoder encoder(format.encoding, format.alternateCodes);
    QString line;
    bool afterLoneCr = false;
    // Builds row r's line; quoteFirst quotes its first field whatever it holds.
    const auto buildLine = [&](int r, bool quoteFirst) {
        line.clear();
        // A sheet whose data columns were all deleted still has its rows: each is an empty line.
        for (const int c : cols) {
            if (c != cols.front())
                line += delimiter;
            const QStringView text = data.text(r, c);
            if (!commaMode) {
                line += quote;
                line += text;
                line += quote;
            } else if (quoteAll || data.wasQuoted(r, c) || (data.isEdited(r, c) && needsQuotes(text))
                       || (c == cols.front() && (quoteFirst || (afterLoneCr && text.startsWith(u'\n'))))) {
                // A line's first field read bare can start with an LF after a lone CR only where
                // skipped blanks stood between them: bare, it would now join that CR into one
                // line end.
                appendQuoted(line, text);
            } else {
                // Read bare from the file: it reads back as itself, as it did.
                line += text;
            }
        }
        // A last line that is empty reads as no row at all without its line end (a file whose last
        // line held only blanks): it keeps one, so the row is still there when the file is read.
        const LineEnd lineEnd = data.lineEnd(r).value_or(format.lineEnd);
        if (r < lastRow || format.finalLineEnd || line.isEmpty())
            line += lineEndText(lineEnd);
        afterLoneCr = lineEnd == LineEnd::Cr;
    };
    bool firstLine = true;
    for (int r = firstRow; r <= lastRow; ++r) {
        if (leftOut(data, r, firstCol))
            continue;
        buildLine(r, false);
        if (!encoder.append(bytes, line))
            return std::nullopt;
        // Skipped blanks before a first cell such as "PK\x03\x04" or a byte order mark would leave
        // a file that opens as a workbook or loses that character: the cell is quoted instead.
        if (firstLine && commaMode && !cols.empty() && TextCodec::byteOrderMark(format.encoding).isEmpty()
            && opensOtherwise(bytes)) {
            bytes.clear();
            afterLoneCr = false;
            encoder = TextCodec::Encoder(format.encoding, format.alternateCodes);
            buildLine(r, true);
            if (!encoder.append(bytes, line))
                return std::nullopt;
        }
        firstLine = false;
    }
    return bytes;
}

bool WriteSheetFile(const SheetData &data, const SheetFileFormat &format, int firstRow, int firstCol,
                    const QString &path, const DelimitedFormat &delimited, SafeFileWriter::Outcome *outcome,
                    QString *keptFile, QString *reason)
{
    SafeFileWriter::Outcome result = SafeFileWriter::Outcome::Failed;
    try {
        const std::optional<QByteArray> bytes = SheetFileBytes(data, format, firstRow, firstCol, delimited);
        if (bytes)
            result = SafeFileWriter::replace(path, *bytes, keptFile, reason);
    } catch (const GridError &) {
    } catch (const std::bad_alloc &) {
    }
    if (outcome)
        *outcome = result;
    return result == SafeFileWriter::Outcome::Written;
}
