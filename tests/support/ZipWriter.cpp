#include "ZipWriter.h"

#include <QFile>

#include <zlib.h>

using namespace Qt::StringLiterals;

namespace
{
void put16(QByteArray &out, quint32 value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}
void put32(QByteArray &out, quint32 value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

QByteArray deflateRaw(const QByteArray &data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QString xmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}
} // namespace

QByteArray zipArchive(const QList<ZipEntry> &entries)
{
    QByteArray out;
    QByteArray directory;
    for (const ZipEntry &entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        const QByteArray packed = entry.stored ? entry.data : deflateRaw(entry.data);
        const quint32 crc
            = quint32(crc32(0, reinterpret_cast<const Bytef *>(entry.data.constData()), uInt(entry.data.size())));
        const quint32 size = quint32(entry.statedSize >= 0 ? entry.statedSize : entry.data.size());
        const quint32 offset = quint32(out.size());
        const auto header = [&](QByteArray &to, bool central) {
            put32(to, central ? 0x02014b50 : 0x04034b50);
            if (central)
                put16(to, 20);
            put16(to, 20); // version needed
            put16(to, 0x0800); // names in UTF-8
            put16(to, entry.stored ? 0 : 8);
            put16(to, 0);
            put16(to, 0x21); // 1980-01-01
            put32(to, crc);
            put32(to, quint32(packed.size()));
            put32(to, size);
            put16(to, quint32(name.size()));
            put16(to, 0);
            if (central) {
                put16(to, 0);
                put16(to, 0);
                put16(to, 0);
                put32(to, 0);
                put32(to, offset);
            }
            to.append(name);
        };
        header(out, false);
        out.append(packed);
        header(directory, true);
    }
    const quint32 directoryOffset = quint32(out.size());
    out.append(directory);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(entries.size()));
    put16(out, quint32(entries.size()));
    put32(out, quint32(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

bool writeZip(const QString &path, const QList<ZipEntry> &entries)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(zipArchive(entries)) >= 0 && file.flush();
}

QList<ZipEntry> TestBook::entries() const
{
    QString workbook = u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                       "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"_s;
    if (date1904)
        workbook += u"<workbookPr date1904=\"1\"/>"_s;
    workbook += u"<sheets>"_s;
    QString rels = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
                   "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"_s;
    QList<ZipEntry> list;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        const QString n = QString::number(i + 1);
        workbook += u"<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"%3/>"_s.arg(
            xmlEscaped(sheets[i].name), n,
            sheets[i].state.isEmpty() ? QString() : u" state=\"%1\""_s.arg(sheets[i].state));
        rels
            += u"<Relationship Id=\"rId%1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
               "worksheet\" Target=\"worksheets/sheet%1.xml\"/>"_s.arg(n);
        list.append({u"xl/worksheets/sheet%1.xml"_s.arg(n),
                     (u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet "
                      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"_s
                      + sheets[i].sheetData + u"</sheetData>"_s + sheets[i].afterSheetData + u"</worksheet>"_s)
                         .toUtf8()});
    }
    workbook += u"</sheets></workbook>"_s;
    rels += u"</Relationships>"_s;
    QString styles = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<styleSheet "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts>"_s;
    for (const auto &[id, code] : numberFormats)
        styles += u"<numFmt numFmtId=\"%1\" formatCode=\"%2\"/>"_s.arg(id).arg(xmlEscaped(code));
    styles += u"</numFmts><cellXfs><xf numFmtId=\"0\"/>"_s;
    for (const int id : cellStyles)
        styles += u"<xf numFmtId=\"%1\" applyNumberFormat=\"1\"/>"_s.arg(id);
    styles += u"</cellXfs></styleSheet>"_s;
    QString shared = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sst "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"_s;
    for (const QString &item : sharedStrings)
        shared += u"<si>"_s + item + u"</si>"_s;
    shared += u"</sst>"_s;
    list.prepend({u"xl/sharedStrings.xml"_s, shared.toUtf8()});
    list.prepend({u"xl/styles.xml"_s, styles.toUtf8()});
    list.prepend({u"xl/_rels/workbook.xml.rels"_s, rels.toUtf8()});
    list.prepend({u"xl/workbook.xml"_s, workbook.toUtf8()});
    list.prepend({u"[Content_Types].xml"_s,
                  QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types "
                             "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>")});
    return list;
}

bool writeTestBook(const QString &path, const TestBook &book)
{
    return writeZip(path, book.entries());
}
