// The load pipeline: the refusals and their order, encodings, line ends, the write-back check, and
// a read followed by a save giving back the same bytes.

#include "SheetFileReader.h"
#include "SheetFileWriter.h"
#include "TestFiles.h"
#include "TextCodec.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LoadRefusal)
Q_DECLARE_METATYPE(TextEncoding)
Q_DECLARE_METATYPE(LineEnd)
Q_DECLARE_METATYPE(MessageIcon)

namespace
{
const QByteArray kBom("\xEF\xBB\xBF");
} // namespace

class TestSheetFileReader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void refusals_data();
    void refusals();
    void unreadableWithoutPermission();
    void pipeIsRefusedWithoutWaiting();
    void awkwardFilesLoad_data();
    void awkwardFilesLoad();
    void messages_data();
    void messages();
    void encodings_data();
    void encodings();
    void everyByteReachesACell_data();
    void everyByteReachesACell();
    void decodingInPieces_data();
    void decodingInPieces();
    void roundTrip_data();
    void roundTrip();
    void editedAndSaved_data();
    void editedAndSaved();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestSheetFileReader::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
}

QString TestSheetFileReader::writeFile(const QString &name, const QByteArray &bytes)
{
    return writeTestFile(*m_folder, name, bytes);
}

void TestSheetFileReader::refusals_data()
{
    QTest::addColumn<QString>("kind"); // what the path names
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<LoadRefusal>("refusal");

    QTest::newRow("empty file") << u"empty"_s << u"|"_s << LoadRefusal::Empty;
    QTest::newRow("empty file before a blank delimiter") << u"empty"_s << u"  "_s << LoadRefusal::Empty;
    QTest::newRow("blank delimiter") << u"data"_s << u"   "_s << LoadRefusal::NoDelimiter;
    QTest::newRow("empty delimiter") << u"data"_s << QString() << LoadRefusal::NoDelimiter;
    QTest::newRow("TAB is no blank") << u"data"_s << u"\t"_s << LoadRefusal::None;
    QTest::newRow("missing file") << u"missing"_s << u"|"_s << LoadRefusal::Unreadable;
    QTest::newRow("folder") << u"folder"_s << u"|"_s << LoadRefusal::Unreadable;
    QTest::newRow("no path at all") << u"none"_s << u"|"_s << LoadRefusal::Unreadable;
}

void TestSheetFileReader::refusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, delimiter);
    QFETCH(LoadRefusal, refusal);

    QString path;
    if (kind == u"empty")
        path = writeFile(u"empty.csv"_s, {});
    else if (kind == u"data")
        path = writeFile(u"data.csv"_s, "a,b\r\n");
    else if (kind == u"missing")
        path = m_folder->filePath(u"missing.csv"_s);
    else if (kind == u"folder")
        path = m_folder->path();
    if (kind != u"none")
        QVERIFY(!path.isEmpty());

    for (const int mode : {0, 1}) {
        SheetFileReader reader({mode, delimiter});
        QCOMPARE(reader.open(path), refusal);
    }
}

void TestSheetFileReader::unreadableWithoutPermission()
{
    if (geteuid() == 0)
        QSKIP("running as root, which reads any file whatever its permissions");
    const QString path = writeFile(u"locked.csv"_s, "a,b\r\n");
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    SheetFileReader reader({0, u"|"_s});
    QCOMPARE(reader.open(path), LoadRefusal::Unreadable);
}

void TestSheetFileReader::pipeIsRefusedWithoutWaiting()
{
    const QString path = m_folder->filePath(u"pipe.csv"_s);
    QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    SheetFileReader reader({0, u"|"_s});
    QCOMPARE(reader.open(path), LoadRefusal::Unreadable); // opening it would wait for a writer
}

void TestSheetFileReader::awkwardFilesLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("firstCellLength"); // of cell (1, 1); -1 when there is no data row

    // NUL bytes in the first 8 KiB make a file no text; later ones are cell text.
    QTest::newRow("NUL bytes after 8 KiB")
        << QByteArray(8192, 'x') + QByteArray("a\0b,\0\r\n\0\0\0", 10) << 3 << 3 << 8195;
    QTest::newRow("10 MB single line") << QByteArray(10 * 1024 * 1024, 'x') << 2 << 2 << 10 * 1024 * 1024;
    QByteArray japaneseLine;
    for (int i = 0; i < 1750000; ++i)
        japaneseLine += i % 1000 == 999 ? "日," : "日本"; // 10.5 MB, a comma every 1999 characters
    QTest::newRow("10 MB single line of Japanese") << japaneseLine << 2 << 1752 << 1999;
    QTest::newRow("byte order mark only") << kBom << 1 << 2 << -1;
}

void TestSheetFileReader::awkwardFilesLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(int, firstCellLength);

    const QString path = writeFile(u"awkward.csv"_s, bytes);
    QVERIFY(!path.isEmpty());
    SheetFileReader reader({0, u"|"_s});
    QCOMPARE(reader.open(path), LoadRefusal::None);
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    const SheetReadResult read = reader.readData();
    QCOMPARE(read.result, MMS_GRID_CSV_READ::ReadResult::Complete);
    QCOMPARE(read.data.rows(), rows);
    QCOMPARE(read.data.cols(), cols);
    if (firstCellLength >= 0)
        QCOMPARE(read.data.text(1, 1).size(), qsizetype(firstCellLength));
}

void TestSheetFileReader::messages_data()
{
    QTest::addColumn<LoadMessage>("message");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<MessageIcon>("icon");

    QTest::newRow("unreadable") << loadRefusalMessage(LoadRefusal::Unreadable) << u"読み込めません"_s << u"エラー"_s
                                << MessageIcon::Critical;
    QTest::newRow("empty") << loadRefusalMessage(LoadRefusal::Empty) << u"空データは読み込みません"_s << u"空データ"_s
                           << MessageIcon::Exclamation;
    QTest::newRow("no delimiter")
        << loadRefusalMessage(LoadRefusal::NoDelimiter)
        << u"区切り文字が設定されてません\r\nメニューより「設定」→「区切り文字を設定」を選択して設定して下さい"_s
        << u"設定エラー"_s << MessageIcon::Exclamation;
    QTest::newRow("unreadable, with its reason")
        << loadRefusalMessage(LoadRefusal::Unreadable, UnreadableReason::NoPermission)
        << u"読み込めません\r\n読み取りの権限がありません"_s << u"エラー"_s << MessageIcon::Critical;
    const QString partial = u"データを全部読めませんでした\r\nデータを分けてdiffを行って下さい\r\n"_s;
    QTest::newRow("partial read at the row limit")
        << partialReadMessage(32767, 2) << partial + u"1〜32766 行目を読み込みました（上限 32766 行、32766 列）。"_s
        << u"データでかすぎ"_s << MessageIcon::Critical;
    QTest::newRow("partial read where the cells ran out")
        << partialReadMessage(16768, 2000) << partial + u"1〜16767 行目を読み込みました（上限 16767 行、32766 列）。"_s
        << u"データでかすぎ"_s << MessageIcon::Critical;
}

void TestSheetFileReader::messages()
{
    QFETCH(LoadMessage, message);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(MessageIcon, icon);
    QCOMPARE(message.text, text);
    QCOMPARE(message.title, title);
    QCOMPARE(message.icon, icon);
}

void TestSheetFileReader::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("firstCell");
    QTest::addColumn<bool>("writesBack");

    QTest::newRow("UTF-8") << QByteArray("日本,語\r\n") << TextEncoding::Utf8 << u"日本"_s << true;
    QTest::newRow("UTF-8 with byte order mark") << kBom + "a,b\r\n" << TextEncoding::Utf8Bom << u"a"_s << true;
    QTest::newRow("second byte order mark is cell text")
        << kBom + kBom + "a" << TextEncoding::Utf8Bom << u"\uFEFFa"_s << true;
    QTest::newRow("invalid UTF-8 that is valid Shift-JIS")
        << QByteArray("\x93\xfa\x96\x7b,\xb6\xc0\r\n") << TextEncoding::ShiftJis << u"日本"_s << true;
    QTest::newRow("incomplete UTF-8 at the end is not UTF-8")
        << QByteArray("abc\xe3\x81") << TextEncoding::ShiftJis << u"abc\u7e3a"_s << true;
    // Both readings are valid; EUC-JP's has no half-width katakana.
    QTest::newRow("overlong UTF-8 is not UTF-8") << QByteArray("\xc0\xaf") << TextEncoding::EucJp << u"政"_s << true;
    QTest::newRow("Shift-JIS duplicate code is written back as it came")
        << QByteArray("\xed\xf9") << TextEncoding::ShiftJis << u"\uFA15"_s << true;
    QTest::newRow("bytes invalid in both")
        << QByteArray("a\x82\x20\x85\x40") << TextEncoding::ShiftJis << u"a\uFFFD \uFFFD@"_s << false;
    QTest::newRow("Shift-JIS bytes that are no character in UTF-8")
        << QByteArray("\x80\xa0\xfd\xff") << TextEncoding::ShiftJis << u"\u0080\uF8F0\uF8F1\uF8F3"_s << true;
    QTest::newRow("invalid UTF-8 after the byte order mark")
        << kBom + "a\xff" << TextEncoding::Utf8Bom << u"a\uFFFD"_s << false;
    QTest::newRow("NUL bytes after 8 KiB are UTF-8") << QByteArray(8192, 'a') + QByteArray("a\0b", 3)
                                                     << TextEncoding::Utf8 << QString(8193, u'a') + u"\0b"_s << true;
}

void TestSheetFileReader::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, firstCell);
    QFETCH(bool, writesBack);

    const QString path = writeFile(u"encoded.csv"_s, bytes);
    SheetFileReader reader({0, u"|"_s});
    QCOMPARE(reader.open(path), LoadRefusal::None);
    QCOMPARE(reader.format().encoding, encoding);
    QCOMPARE(reader.writesBackUnchanged(), writesBack);
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    const SheetReadResult read = reader.readData();
    QCOMPARE(read.result, MMS_GRID_CSV_READ::ReadResult::Complete);
    QCOMPARE(read.data.text(1, 1).toString(), firstCell);
    QCOMPARE(read.format.encoding, encoding);
}

void TestSheetFileReader::everyByteReachesACell_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("delimiter"); // "," reads in the comma mode
    QTest::addColumn<QList<QStringList>>("cells");
    QTest::addColumn<bool>("writesBack");

    QTest::newRow("Shift-JIS ending in half a character")
        << QByteArray("a,\x82\xa0\r\nc,d\x82") << u","_s
        << QList<QStringList>{{u"a"_s, u"あ"_s}, {u"c"_s, u"d\uFFFD"_s}} << false;
    QTest::newRow("last row only half a character")
        << QByteArray("a\r\n\x81") << u","_s << QList<QStringList>{{u"a"_s}, {u"\uFFFD"_s}} << false;
    QTest::newRow("half a character before a line end")
        << QByteArray("\x93\xfa\x82\r\nb") << u","_s << QList<QStringList>{{u"日\uFFFD"_s}, {u"b"_s}} << false;
    QTest::newRow("half a character before the delimiter")
        << QByteArray("\x82|b") << u"|"_s << QList<QStringList>{{u"\uFFFD"_s, u"b"_s}} << false;
    QTest::newRow("delimiter 0x1A") << QByteArray("\x93\xfa\x1a\x1c\x1a\x7f") << u"\x1a"_s
                                    << QList<QStringList>{{u"日"_s, u"\x1c"_s, u"\x7f"_s}} << true;
    QTest::newRow("delimiter 0x1C") << QByteArray("\x1a\x1c\x93\xfa\x1c\x7f") << u"\x1c"_s
                                    << QList<QStringList>{{u"\x1a"_s, u"日"_s, u"\x7f"_s}} << true;
    QTest::newRow("delimiter 0x7F") << QByteArray("\x1a\x7f\x1c\x7f\x93\xfa") << u"\x7f"_s
                                    << QList<QStringList>{{u"\x1a"_s, u"\x1c"_s, u"日"_s}} << true;
    QTest::newRow("NEC and IBM extensions") << QByteArray("\x87\x40,\xfa\xb1,\xfb\xfc,\xfa\x40\r\n") << u","_s
                                            << QList<QStringList>{{u"①"_s, u"﨑"_s, u"髙"_s, u"ⅰ"_s}} << true;
    QTest::newRow("NEC-selected IBM extension")
        << QByteArray("\xee\xe0,x") << u","_s << QList<QStringList>{{u"髙"_s, u"x"_s}} << true;
}

void TestSheetFileReader::everyByteReachesACell()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, delimiter);
    QFETCH(QList<QStringList>, cells);
    QFETCH(bool, writesBack);

    const QString path = writeFile(u"bytes.csv"_s, bytes);
    SheetFileReader reader({delimiter == u","_s ? 0 : 1, delimiter});
    QCOMPARE(reader.open(path), LoadRefusal::None);
    QCOMPARE(reader.format().encoding, TextEncoding::ShiftJis);
    QCOMPARE(reader.writesBackUnchanged(), writesBack);
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    const SheetReadResult read = reader.readData();
    QCOMPARE(read.result, MMS_GRID_CSV_READ::ReadResult::Complete);
    QList<QStringList> texts;
    for (int r = 1; r < read.data.rows(); ++r) {
        texts.append(QStringList());
        for (int c = 1; c < read.data.cols(); ++c)
            texts.back().append(read.data.text(r, c).toString());
    }
    QCOMPARE(texts, cells);
}

void TestSheetFileReader::decodingInPieces_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("UTF-8 Japanese") << QByteArray("日本語,ｶﾀｶﾅ,😀x\r\n表計算\r\n");
    QTest::newRow("UTF-8 with byte order mark") << kBom + "日本語,a\r\n";
    QTest::newRow("Shift-JIS") << QByteArray("\x93\xfa\x96\x7b\x8c\xea,\xb6\xc0\r\n\x95\x5c\x8c\x76\x8e\x5a\r\n");
    QTest::newRow("Shift-JIS with a duplicate code") << QByteArray("\x93\xfa,\xed\xf9,\x96\x7b\r\n");
    QTest::newRow("UTF-8 broken late") << QByteArray("日本語日本語,\xe3\x81");
    QTest::newRow("Shift-JIS ending in half a character") << QByteArray("\x93\xfa\x96\x7b,\x8c\xea\r\nab\x82");
    QTest::newRow("Shift-JIS with undefined pairs") << QByteArray("\x93\xfa\x82\x7c\x85\x40\x82\r\x93\xfa");
}

void TestSheetFileReader::decodingInPieces()
{
    QFETCH(QByteArray, bytes);
    // A large file is decoded piece by piece: any piece size must give the same text.
    QBuffer whole(&bytes);
    whole.open(QIODevice::ReadOnly);
    const std::optional<DecodedText> expected = TextCodec::decodeDevice(whole, bytes.size(), bytes.size(), 1 << 20);
    QVERIFY(expected);
    for (qsizetype piece = 1; piece <= 9; ++piece) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const std::optional<DecodedText> decoded = TextCodec::decodeDevice(buffer, bytes.size(), bytes.size(), piece);
        QVERIFY(decoded);
        QCOMPARE(decoded->text, expected->text);
        QCOMPARE(decoded->encoding, expected->encoding);
        QCOMPARE(decoded->writesBackUnchanged, expected->writesBackUnchanged);
        QCOMPARE(decoded->byteCount, qint64(bytes.size()));
    }
    // Past the size limit nothing is decoded.
    QBuffer limited(&bytes);
    limited.open(QIODevice::ReadOnly);
    QVERIFY(!TextCodec::decodeDevice(limited, bytes.size(), bytes.size() - 1, 4));
}

void TestSheetFileReader::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("mode");
    QTest::addColumn<LineEnd>("lineEnd");
    QTest::addColumn<bool>("finalLineEnd");

    QTest::newRow("UTF-8, CR LF") << QByteArray("日本,b\r\nc,語\r\n") << 0 << LineEnd::CrLf << true;
    QTest::newRow("UTF-8, LF") << QByteArray("a,b\nc,d\n") << 0 << LineEnd::Lf << true;
    QTest::newRow("UTF-8, CR") << QByteArray("a,b\rc,d\r") << 0 << LineEnd::Cr << true;
    QTest::newRow("UTF-8, no final line end") << QByteArray("a,b\r\nc,d") << 0 << LineEnd::CrLf << false;
    QTest::newRow("UTF-8, LF, no final line end") << QByteArray("a,b\nc,d") << 0 << LineEnd::Lf << false;
    QTest::newRow("UTF-8 with byte order mark") << kBom + "a,b\r\n,\r\n" << 0 << LineEnd::CrLf << true;
    QTest::newRow("Shift-JIS, CR LF") << QByteArray("\x93\xfa\x96\x7b,\xb6\xc0\r\n\x8c\xea,x\r\n") << 0 << LineEnd::CrLf
                                      << true;
    QTest::newRow("Shift-JIS, LF") << QByteArray("\x93\xfa,\x96\x7b\n") << 0 << LineEnd::Lf << true;
    QTest::newRow("Shift-JIS, CR, no final line end")
        << QByteArray("\x93\xfa,a\r\x96\x7b,b") << 0 << LineEnd::Cr << false;
    QTest::newRow("Shift-JIS, look-alikes of characters typed on Linux")
        << QByteArray("\x81\x60,\x81\x7c,\x81\x5c,\x81\x61,\x81\x91,\x81\x92,\x81\xca\r\n") << 0 << LineEnd::CrLf
        << true;
    QTest::newRow("Shift-JIS, NEC and IBM extensions as Windows writes them")
        << QByteArray("\x87\x40\x87\x54,\xfa\x40\xfa\xb1\xfb\xfc\xfa\x5c\r\n") << 0 << LineEnd::CrLf << true;
    QTest::newRow("Shift-JIS, control bytes and single bytes past ASCII")
        << QByteArray("\x93\xfa\x1a\x1c\x7f,\x80\xa0\xfd\xfe\xff\r\n") << 0 << LineEnd::CrLf << true;
    QTest::newRow("delimiter mode keeps blanks and quotes")
        << QByteArray(" a |\"b\"|\r\nc||\r\n") << 1 << LineEnd::CrLf << true;
    QTest::newRow("lone LF inside a cell") << QByteArray("a\nb|c\r\nd|e\r\n") << 1 << LineEnd::CrLf << true;
    QTest::newRow("empty lines of one column") << QByteArray("a\r\n\r\nb\r\n") << 0 << LineEnd::CrLf << true;
    QTest::newRow("lone CR line ends, LF inside a cell") << QByteArray("a\nb|c\rd|e\r") << 1 << LineEnd::Cr << true;
    QTest::newRow("lone CR line ends, LF inside a cell, comma mode")
        << QByteArray("a\nb,c\rd,e\r") << 0 << LineEnd::Cr << true;
    QTest::newRow("CR LF and lone CR mixed") << QByteArray("a,b\r\nc,d\re,f\r\n") << 0 << LineEnd::CrLf << true;
    QTest::newRow("mostly lone CR, last line without one")
        << QByteArray("a|b\rc|d\r\ne|f\rg|h") << 1 << LineEnd::Cr << false;
    QTest::newRow("mixed, LF inside cells") << QByteArray("a\n,b\r\n\n,\rc,d\n\r") << 0 << LineEnd::Cr << true;
    QTest::newRow("byte order mark alone") << kBom << 0 << LineEnd::Lf << true;
    QTest::newRow("all quoted, doubled quotes")
        << QByteArray("\"id\",\"name\"\r\n\"1\",\"\"\"\"\"ダブル\"\"引用\"\r\n\"\",\"x\"\r\n") << 0 << LineEnd::CrLf
        << true;
    QTest::newRow("some quoted, commas and a line break inside")
        << QByteArray("1,\"1,000\",\"東京都港区, 1-2-3\"\r\n2,\"a\r\nb\",c\r\n") << 0 << LineEnd::CrLf << true;
    QTest::newRow("quoted, LF lines, no final line end")
        << QByteArray("\"a\nb\",\"c\"\"\"\nd,\"e\"") << 0 << LineEnd::Lf << false;
    QTest::newRow("quoted, lone CR lines") << QByteArray("\"a\rb\",c\r\"\",d\r") << 0 << LineEnd::Cr << true;
    QTest::newRow("quoted, byte order mark") << kBom + "\"a,b\",c\r\n" << 0 << LineEnd::CrLf << true;
    QTest::newRow("quoted, Shift-JIS") << QByteArray("\"\x93\xfa,\x96\x7b\",\"\x95\x5c\"\"\"\r\n") << 0 << LineEnd::CrLf
                                       << true;
    QTest::newRow("quote inside a bare field") << QByteArray("ab\"c,d\"\r\n") << 0 << LineEnd::CrLf << true;
}

void TestSheetFileReader::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, mode);
    QFETCH(LineEnd, lineEnd);
    QFETCH(bool, finalLineEnd);

    const QString delimiter = mode == 0 ? u","_s : u"|"_s;
    const QString path = writeFile(u"roundtrip.csv"_s, bytes);
    SheetFileReader reader({mode, delimiter});
    QCOMPARE(reader.open(path), LoadRefusal::None);
    QVERIFY(reader.writesBackUnchanged());
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    const SheetReadResult read = reader.readData();
    QCOMPARE(read.result, MMS_GRID_CSV_READ::ReadResult::Complete);
    QCOMPARE(read.format.lineEnd, lineEnd);
    QCOMPARE(read.format.finalLineEnd, finalLineEnd);

    QVERIFY(WriteSheetFile(read.data, read.format, 1, 1, path, {mode, delimiter}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

// Rows keep their own line ends through the row commands and undo; rows added since end like
// most of the file's lines. The file: a CR LF, b lone CR, c CR LF (one data column).
void TestSheetFileReader::editedAndSaved_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("edit"); // the new text of data cell (1, 2)
    QTest::addColumn<bool>("quoteAll");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("edited cell of an all-quoted file stays quoted")
        << QByteArray("\"a\",\"b\"\r\n\"c\",\"d\"\r\n") << u"x"_s << false
        << QByteArray("\"a\",\"x\"\r\n\"c\",\"d\"\r\n");
    QTest::newRow("edited cell that holds a comma gets quotes")
        << QByteArray("a,b\r\nc,d\r\n") << u"Tokyo, Japan"_s << false << QByteArray("a,\"Tokyo, Japan\"\r\nc,d\r\n");
    QTest::newRow("doubled quotes survive a save")
        << QByteArray("\"\"\"ダブル\"\"引用\",b\r\n") << u"y"_s << false << QByteArray("\"\"\"ダブル\"\"引用\",y\r\n");
    QTest::newRow("quoting every field keeps doubled quotes") << QByteArray("\"\"\"ダブル\"\"引用\",b\r\n") << u"b"_s
                                                              << true << QByteArray("\"\"\"ダブル\"\"引用\",\"b\"\r\n");
    QTest::newRow("bare cells with a quote inside stay bare")
        << QByteArray("ab\"c,d\r\n") << u"e"_s << false << QByteArray("ab\"c,e\r\n");
    QTest::newRow("a bare first cell starting with an LF stays apart from the CR before it")
        << QByteArray("1,b\r \na,c\r\n") << u"x"_s << false << QByteArray("1,x\r\"\na\",c\r\n");
    QTest::newRow("a bare first cell that would make the file look like a workbook is quoted")
        << QByteArray(" PK\x03\x04,b\r\n") << u"x"_s << false << QByteArray("\"PK\x03\x04\",x\r\n");
    QTest::newRow("a bare first cell that would read as a byte order mark is quoted")
        << QByteArray(" \xEF\xBB\xBF,b\r\n") << u"x"_s << false << QByteArray("\"\xEF\xBB\xBF\",x\r\n");
}

void TestSheetFileReader::editedAndSaved()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, edit);
    QFETCH(bool, quoteAll);
    QFETCH(QByteArray, saved);

    const QString path = writeFile(u"edited.csv"_s, bytes);
    SheetFileReader reader({0, u","_s});
    QCOMPARE(reader.open(path), LoadRefusal::None);
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    SheetReadResult read = reader.readData();
    QCOMPARE(read.result, MMS_GRID_CSV_READ::ReadResult::Complete);
    read.data.setText(1, 2, edit);
    const std::optional<QByteArray> written
        = SheetFileBytes(read.data, read.format, 1, 1, {0, u","_s, quoteAll ? Quoting::All : Quoting::AsNeeded});
    QCOMPARE(written.value_or("<nothing>"), saved);

    // What was saved reads back as the same cells.
    const QString again = writeFile(u"again.csv"_s, saved);
    SheetFileReader second({0, u","_s});
    QCOMPARE(second.open(again), LoadRefusal::None);
    QCOMPARE(second.countColumns(), LoadRefusal::None);
    const SheetReadResult reread = second.readData();
    QCOMPARE(reread.data.rows(), read.data.rows());
    QCOMPARE(reread.data.cols(), read.data.cols());
    for (int r = 1; r < read.data.rows(); ++r) {
        for (int c = 1; c < read.data.cols(); ++c)
            QCOMPARE(reread.data.text(r, c), read.data.text(r, c));
    }
}

QTEST_GUILESS_MAIN(TestSheetFileReader)
#include "tst_sheetfilereader.moc"
