#include "UnencodableCell.h"

#include "TextCodec.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kCellPlace = u"%1行 %2列: %3"_s;
const QString kDelimiterPlace = u"区切り文字: %1"_s;

// The character at position at of text, a surrogate pair taken whole.
char32_t characterAt(QStringView text, qsizetype at)
{
    const QChar ch = text[at];
    if (ch.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(ch, text[at + 1]);
    return ch.unicode();
}

std::optional<char32_t> unencodable(QStringView text, TextEncoding encoding)
{
    const qsizetype at = TextCodec::unencodableAt(text, encoding);
    if (at < 0)
        return std::nullopt;
    return characterAt(text, at);
}
} // namespace

std::optional<UnencodableCell> FindUnencodableCell(const SheetData &data, TextEncoding encoding, int firstRow,
                                                   int firstCol, const DelimitedFormat &delimited)
{
    // The double quote is ASCII, which every encoding holds.
    const QStringView delimiter = delimited.fieldDelimiter();
    const int lastRow = data.rows() - 1;
    const int lastCol = data.cols() - 1;
    if (firstRow < 0 || firstCol < 0 || firstRow > lastRow)
        return std::nullopt;
    if (lastCol > firstCol) {
        if (const auto character = unencodable(delimiter, encoding))
            return UnencodableCell{0, 0, *character};
    }
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstCol; c <= lastCol; ++c) {
            if (const auto character = unencodable(data.text(r, c), encoding))
                return UnencodableCell{r, c, *character};
        }
    }
    return std::nullopt;
}

QString unencodableCellText(const UnencodableCell &where)
{
    const QString character = QChar::isPrint(where.character)
        ? QString::fromUcs4(&where.character, 1)
        : u"U+%1"_s.arg(uint(where.character), 4, 16, QLatin1Char('0')).toUpper();
    if (where.row == 0 && where.col == 0)
        return kDelimiterPlace.arg(character);
    return kCellPlace.arg(QString::number(where.row), QString::number(where.col), character);
}
