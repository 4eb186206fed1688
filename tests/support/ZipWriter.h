#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A zip archive written by hand for tests: each entry deflated (or stored), with the option of
// stating a size other than the real one, to make the damaged and hostile books a reader must
// refuse.
struct ZipEntry
{
    QString name;
    QByteArray data;
    bool stored = false;
    qint64 statedSize = -1; // the uncompressed size written in the headers; -1: the real one
};

[[nodiscard]] QByteArray zipArchive(const QList<ZipEntry> &entries);
[[nodiscard]] bool writeZip(const QString &path, const QList<ZipEntry> &entries);

// A small .xlsx: sheets by name with their <sheetData> rows, a sheet "hidden" by name suffix
// state, the shared strings, custom number formats (id → code) for the styles listed, and the
// workbook's date system.
struct TestBook
{
    struct Sheet
    {
        QString name;
        QString sheetData; // what goes inside <sheetData>
        QString state; // "", "hidden" or "veryHidden"
        QString afterSheetData; // <mergeCells>… and the like
    };
    QList<Sheet> sheets;
    QStringList sharedStrings; // each an <si> body ("<t>x</t>", rich runs, phonetic readings)
    QList<QPair<int, QString>> numberFormats; // custom formats: id and code
    QList<int> cellStyles; // the numFmtId of each cell style (s="0", s="1", …); style 0 is General
    bool date1904 = false;

    [[nodiscard]] QList<ZipEntry> entries() const;
};
[[nodiscard]] bool writeTestBook(const QString &path, const TestBook &book);
