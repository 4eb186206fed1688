// The workbook reader on any file: byte 0 chooses what the rest is.
//   0: the whole file, as a zip or an OLE container;
//   1: the parts of a book, cut at each U+0000 byte: a worksheet, the shared strings, the styles,
//      the workbook part, packed into a sound zip, so that the XML itself is what varies;
//   2: a number format code (UTF-8) after eight bytes of a double, rendered in both date systems.
// A book is either refused with 「ブックを読み込めません（…）」 and no cells, or read into a sheet
// within the window's limits whose every cell can be read; a format not understood gives the
// General text, which is never empty.

#include "FuzzSupport.h"

#include "NumberFormat.h"
#include "WorkbookReader.h"
#include "ZipWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace Qt::StringLiterals;

namespace
{
void checkBook(const QString &path)
{
    WorkbookReader book;
    if (!book.open(path)) {
        fuzz::check(book.errorText().startsWith(u"ブックを読み込めません（"_s), "refusal without its message",
                    book.errorText());
        return;
    }
    fuzz::check(!book.sheets().isEmpty(), "a book opened without sheets");
    fuzz::check(book.firstVisibleSheet() >= 0 && book.firstVisibleSheet() < book.sheets().size(),
                "first visible sheet out of range");
    const std::optional<WorkbookSheetRead> read = book.readSheet(book.firstVisibleSheet(), true);
    if (!read) {
        fuzz::check(book.errorText().startsWith(u"ブックを読み込めません（"_s), "sheet refused without its message",
                    book.errorText());
        return;
    }
    const SheetData &data = read->data;
    fuzz::check(data.rows() >= 1 && data.rows() <= kMaxRowCol && data.cols() >= 1 && data.cols() <= kMaxRowCol,
                "sheet past the window's limits");
    fuzz::check(data.cellCount() <= kMaxCells, "more cells than a sheet holds");
    fuzz::check(read->complete == (read->firstRowNotRead == 0), "partial read without its first row");
    qsizetype characters = 0;
    for (int r = 0; r < data.rows(); ++r) {
        for (int c = 0; c < data.cols(); ++c)
            characters += data.text(r, c).size();
    }
    fuzz::check(characters >= 0, "cell texts");
}

QList<ZipEntry> bookParts(QByteArrayView input)
{
    QList<QByteArray> parts = input.toByteArray().split('\0');
    while (parts.size() < 4)
        parts.append(QByteArray());
    const QByteArray workbook = parts[3].isEmpty()
        ? QByteArray("<workbook><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>")
        : parts[3];
    return {
        {u"xl/workbook.xml"_s, workbook, true},
        {u"xl/_rels/workbook.xml.rels"_s,
         "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>", true},
        {u"xl/worksheets/sheet1.xml"_s, parts[0], true},
        {u"xl/sharedStrings.xml"_s, parts[1], true},
        {u"xl/styles.xml"_s, parts[2], true},
    };
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArrayView rest(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    static const QString path = fuzz::scratchPath(u"book.xlsx"_s);
    switch (data[0] % 3) {
    case 0:
        fuzz::writeFile(path, rest);
        checkBook(path);
        break;
    case 1:
        fuzz::writeFile(path, zipArchive(bookParts(rest)));
        checkBook(path);
        break;
    default: {
        if (rest.size() < qsizetype(sizeof(double)))
            return 0;
        double value = 0;
        std::memcpy(&value, rest.data(), sizeof value);
        const QString code = QString::fromUtf8(rest.sliced(sizeof value));
        for (const bool date1904 : {false, true}) {
            const NumberFormat::Rendered rendered = NumberFormat::render(value, code, date1904);
            fuzz::check(rendered.known || rendered.text == NumberFormat::general(value),
                        "a format not understood gives other than the General text", code);
            fuzz::check(!NumberFormat::general(value).isEmpty(), "an empty General text");
        }
        break;
    }
    }
    return 0;
}
