#include "SheetFileWriter.h"

#include "GridError.h"
#include "SafeFileWriter.h"
#include "TextCodec.h"

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
} // namespace

std::optional<QByteArray> SheetFileBytes(const Sheet &grid, int firstRow, int firstCol, const QString &quote,
                                         const QString &delimiter)
{
    if (firstRow < 0 || firstCol < 0)
        return std::nullopt;
    const SheetFileFormat format = grid.fileFormat();
    const int lastRow = grid.rows() - 1;
    const int lastCol = grid.cols() - 1;
    // The byte order mark is written even without rows: a file of nothing but the mark is read
    // as a sheet without rows, while an empty file would no longer load.
    QByteArray bytes = TextCodec::byteOrderMark(format.encoding);
    if (firstRow > lastRow)
        return bytes;

    TextCodec::Encoder encoder(format.encoding);
    const SheetData &data = grid.data();
    QString line;
    for (int r = firstRow; r <= lastRow; ++r) {
        line.clear();
        // A sheet whose data columns were all deleted still has its rows: each is an empty line.
        for (int c = firstCol; c <= lastCol; ++c) {
            if (c > firstCol)
                line += delimiter;
            line += quote;
            line += grid.textView(r, c);
            line += quote;
        }
        if (r < lastRow || format.finalLineEnd)
            line += lineEndText(data.lineEnd(r).value_or(format.lineEnd));
        if (!encoder.append(bytes, line))
            return std::nullopt;
    }
    return bytes;
}

bool WriteSheetFile(const Sheet &grid, int firstRow, int firstCol, const QString &path, const QString &quote,
                    const QString &delimiter, SafeFileWriter::Outcome *outcome, QString *keptFile)
{
    SafeFileWriter::Outcome result = SafeFileWriter::Outcome::Failed;
    try {
        const std::optional<QByteArray> bytes = SheetFileBytes(grid, firstRow, firstCol, quote, delimiter);
        if (bytes)
            result = SafeFileWriter::replace(path, *bytes, keptFile);
    } catch (const GridError &) {
    } catch (const std::bad_alloc &) {
    }
    if (outcome)
        *outcome = result;
    return result == SafeFileWriter::Outcome::Written;
}
