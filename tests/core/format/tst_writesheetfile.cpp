// Saving: the written format, and failures that must leave the old file as it was.

#include "SheetData.h"
#include "SheetFileWriter.h"
#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Rows = QList<QStringList>;

Q_DECLARE_METATYPE(SheetFileFormat)

namespace
{
const QByteArray kOldContent("old,content\r\n");

// Cells holding rows as their data cells (header row and column around them).
SheetData filled(const Rows &rows)
{
    const int cols = rows.isEmpty() ? 1 : int(rows.first().size());
    SheetData data(int(rows.size()) + 1, cols + 1);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c)
            data.setText(r + 1, c + 1, rows[r][c]);
    }
    return data;
}

SheetFileFormat format(TextEncoding encoding, LineEnd lineEnd = LineEnd::CrLf, bool finalLineEnd = true)
{
    SheetFileFormat format;
    format.encoding = encoding;
    format.lineEnd = lineEnd;
    format.finalLineEnd = finalLineEnd;
    return format;
}

} // namespace

class TestWriteSheetFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void written_data();
    void written();
    void failures_data();
    void failures();
    void fileSizeLimit();

private:
    QString writeOld(const QString &name);
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestWriteSheetFile::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
}

QString TestWriteSheetFile::writeOld(const QString &name)
{
    const QString path = m_folder->filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(kOldContent);
    return path;
}

void TestWriteSheetFile::written_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("quote");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<SheetFileFormat>("fileFormat");
    QTest::addColumn<QByteArray>("bytes");

    const SheetFileFormat utf8 = format(TextEncoding::Utf8);
    QTest::newRow("bare fields, empty last cell")
        << Rows{{"a", "b", ""}} << QString() << u","_s << utf8 << QByteArray("a,b,\r\n");
    QTest::newRow("quoted fields, empty pair last")
        << Rows{{"a", "b", ""}} << u"\""_s << u","_s << utf8 << QByteArray("\"a\",\"b\",\"\"\r\n");
    QTest::newRow("nothing inside a cell is escaped")
        << Rows{{"a|b", "c\"d", "e,f"}} << u"\""_s << u"|"_s << utf8 << QByteArray("\"a|b\"|\"c\"d\"|\"e,f\"\r\n");
    QTest::newRow("comma mode quotes the cells that need it")
        << Rows{{"Tokyo, Japan", "He said \"hi\"", " lead", "a\r\nb", "c\nd", "e\rf", "plain 1,0"}} << QString()
        << u","_s << utf8
        << QByteArray("\"Tokyo, Japan\",\"He said \"\"hi\"\"\",\" lead\",\"a\r\nb\",\"c\nd\",\"e\rf\","
                      "\"plain 1,0\"\r\n");
    QTest::newRow("comma mode leaves the rest bare")
        << Rows{{"a b ", "ｶﾀ", "x=1"}} << QString() << u","_s << utf8 << QByteArray("a b ,ｶﾀ,x=1\r\n");
    QTest::newRow("quoting every field doubles the quotes inside")
        << Rows{{"\"ダブル\"引用", ""}} << u"\""_s << u","_s << utf8 << QByteArray("\"\"\"ダブル\"\"引用\",\"\"\r\n");
    QTest::newRow("delimiter mode joins with the delimiter")
        << Rows{{"a", "b"}, {"c", "d"}} << QString() << u"|"_s << utf8 << QByteArray("a|b\r\nc|d\r\n");
    QTest::newRow("empty trailing rows and columns")
        << Rows{{"a", "", ""}, {"", "", ""}} << QString() << u","_s << utf8 << QByteArray("a,,\r\n,,\r\n");
    // Without its line end, a last row of one empty cell would be no row when read back.
    QTest::newRow("empty last row keeps its line end")
        << Rows{{"ab"}, {""}} << QString() << u","_s << format(TextEncoding::Utf8, LineEnd::Cr, false)
        << QByteArray("ab\r\r");
    QTest::newRow("last row without a line end stays so")
        << Rows{{"ab"}, {"c"}} << QString() << u","_s << format(TextEncoding::Utf8, LineEnd::Cr, false)
        << QByteArray("ab\rc");
    QTest::newRow("no data rows gives an empty file") << Rows{} << u"\""_s << u","_s << utf8 << QByteArray();
    QTest::newRow("no data rows keeps the byte order mark")
        << Rows{} << u"\""_s << u","_s << format(TextEncoding::Utf8Bom) << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("line end of the file: LF") << Rows{{"a", "b"}, {"c", "d"}} << QString() << u","_s
                                              << format(TextEncoding::Utf8, LineEnd::Lf) << QByteArray("a,b\nc,d\n");
    QTest::newRow("line end of the file: CR, none after the last line")
        << Rows{{"a"}, {"b"}} << QString() << u","_s << format(TextEncoding::Utf8, LineEnd::Cr, false)
        << QByteArray("a\rb");
    QTest::newRow("byte order mark kept")
        << Rows{{"日本"}} << QString() << u","_s << format(TextEncoding::Utf8Bom) << QByteArray("\xEF\xBB\xBF日本\r\n");
    QTest::newRow("Shift-JIS") << Rows{{"日本", "ｶﾀ"}} << QString() << u","_s << format(TextEncoding::ShiftJis)
                               << QByteArray("\x93\xfa\x96\x7b,\xb6\xc0\r\n");
    QTest::newRow("Shift-JIS: characters typed on Linux as their look-alikes")
        << Rows{{"〜−—‖", "¢£¬"}} << QString() << u","_s << format(TextEncoding::ShiftJis)
        << QByteArray("\x81\x60\x81\x7c\x81\x5c\x81\x61,\x81\x91\x81\x92\x81\xca\r\n");
    QTest::newRow("Shift-JIS: extensions as Windows writes them")
        << Rows{{"髙﨑ⅰ", "≒Ⅰ"}} << QString() << u"\x1a"_s << format(TextEncoding::ShiftJis)
        << QByteArray("\xfb\xfc\xfa\xb1\xfa\x40\x1a\x81\xe0\x87\x54\r\n");
}

void TestWriteSheetFile::written()
{
    QFETCH(Rows, rows);
    QFETCH(QString, quote);
    QFETCH(QString, delimiter);
    QFETCH(SheetFileFormat, fileFormat);
    QFETCH(QByteArray, bytes);

    const QString path = writeOld(u"saved.csv"_s);
    QVERIFY(
        WriteSheetFile(filled(rows), fileFormat, 1, 1, path,
                       {delimiter == u","_s ? 0 : 1, delimiter, quote.isEmpty() ? Quoting::AsNeeded : Quoting::All}));
    QCOMPARE(readTestFile(path), bytes);
}

void TestWriteSheetFile::failures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("character Shift-JIS cannot hold") << u"unencodable"_s;
    QTest::newRow("unwritable folder") << u"readonly"_s;
    QTest::newRow("folder vanished") << u"vanished"_s;
    QTest::newRow("path of a folder") << u"folder"_s;
    QTest::newRow("empty path") << u"empty"_s;
}

void TestWriteSheetFile::failures()
{
    QFETCH(QString, kind);

    SheetData data = filled(Rows{{"new", "data"}});
    SheetFileFormat fileFormat;
    QString path = writeOld(u"target.csv"_s);
    if (kind == u"unencodable") {
        data.setText(1, 2, u"😀"_s);
        fileFormat = format(TextEncoding::ShiftJis);
    } else if (kind == u"readonly") {
        if (geteuid() == 0)
            QSKIP("running as root, which writes into any folder whatever its permissions");
        QVERIFY(QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else if (kind == u"vanished") {
        QTemporaryDir gone;
        path = gone.filePath(u"target.csv"_s);
    } else if (kind == u"folder") {
        path = m_folder->path();
    } else if (kind == u"empty") {
        path.clear();
    }

    const bool ok = WriteSheetFile(data, fileFormat, 1, 1, path, DelimitedFormat());
    QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!ok);
    QCOMPARE(readTestFile(m_folder->filePath(u"target.csv"_s)), kOldContent);
}

void TestWriteSheetFile::fileSizeLimit()
{
    SheetData data(2001, 3);
    for (int r = 1; r < 2001; ++r)
        data.setText(r, 1, u"a row long enough to pass the limit"_s);
    const QString path = writeOld(u"limited.csv"_s);

    // The limit is set in a child, so that the test process keeps writing freely.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool ok = WriteSheetFile(data, SheetFileFormat(), 1, 1, path, DelimitedFormat());
        _exit(ok ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0); // the write reported its failure
    QCOMPARE(readTestFile(path), kOldContent);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"limited.csv"_s});
}

QTEST_GUILESS_MAIN(TestWriteSheetFile)
#include "tst_writesheetfile.moc"
