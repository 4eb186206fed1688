// Every encoding a file may come in: how the reader tells it, the cells it gives, whether the
// file may be written over, and the bytes a save writes back; files that are no text; a save in
// another encoding.

#include "DelimitedFormat.h"
#include "EncodingDetection.h"
#include "SheetFileReader.h"
#include "SheetFileWriter.h"
#include "TestFiles.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextEncoding)
Q_DECLARE_METATYPE(LoadRefusal)

namespace
{
constexpr int kAuto = -1;

QByteArray utf16(const QString &text, bool little)
{
    QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return encoder.encode(text);
}

struct Read
{
    LoadRefusal refusal = LoadRefusal::None;
    SheetReadResult result;
    bool writesBack = false;
    QString note;
};

Read readFile(const QString &path, int chosen)
{
    SheetFileReader reader(DelimitedFormat{});
    if (chosen != kAuto)
        reader.setEncoding(TextEncoding(chosen));
    Read read;
    read.refusal = reader.open(path);
    if (read.refusal == LoadRefusal::None)
        read.refusal = reader.countColumns();
    if (read.refusal != LoadRefusal::None)
        return read;
    read.writesBack = reader.writesBackUnchanged();
    read.note = reader.decodingNote();
    read.result = reader.readData();
    return read;
}

QStringList cells(const SheetData &data)
{
    QStringList texts;
    for (int r = 1; r < data.rows(); ++r) {
        for (int c = 1; c < data.cols(); ++c)
            texts.append(data.text(r, c).toString());
    }
    return texts;
}
} // namespace

class TestEncodings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void detection_data();
    void detection();
    void notText_data();
    void notText();
    void mostlyUtf8IsNoted_data();
    void mostlyUtf8IsNoted();
    void savedInAnotherEncoding_data();
    void savedInAnotherEncoding();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestEncodings::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
}

void TestEncodings::detection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chosen"); // a TextEncoding, or kAuto
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<bool>("writesBack"); // and then a save gives back the bytes

    const QString japanese = u"処理区分,件数\r\n髙橋,﨑\r\nabc,ｶﾅ\r\n"_s;
    const QStringList japaneseCells{u"処理区分"_s, u"件数"_s, u"髙橋"_s, u"﨑"_s, u"abc"_s, u"ｶﾅ"_s};
    QTest::newRow("UTF-16LE with mark") << "\xFF\xFE" + utf16(japanese, true) << kAuto << TextEncoding::Utf16LeBom
                                        << japaneseCells << true;
    QTest::newRow("UTF-16BE with mark") << "\xFE\xFF" + utf16(japanese, false) << kAuto << TextEncoding::Utf16BeBom
                                        << japaneseCells << true;
    QTest::newRow("UTF-16LE without mark")
        << utf16(japanese, true) << kAuto << TextEncoding::Utf16Le << japaneseCells << true;
    QTest::newRow("UTF-16BE without mark")
        << utf16(japanese, false) << kAuto << TextEncoding::Utf16Be << japaneseCells << true;
    QTest::newRow("UTF-16LE pair of surrogates") << "\xFF\xFE" + utf16(u"😀,a"_s, true) << kAuto
                                                 << TextEncoding::Utf16LeBom << QStringList{u"😀"_s, u"a"_s} << true;
    QTest::newRow("UTF-16LE surrogate half alone")
        << QByteArray("\xFF\xFE\x3D\xD8,\x00"
                      "a\x00",
                      8)
        << kAuto << TextEncoding::Utf16LeBom << QStringList{u"\uFFFD"_s, u"a"_s} << false;
    QTest::newRow("UTF-16LE high half alone at the end")
        << QByteArray("\xFF\xFE"
                      "a\x00,\x00\x3D\xD8",
                      8)
        << kAuto << TextEncoding::Utf16LeBom << QStringList{u"a"_s, u"\uFFFD"_s} << false;
    QTest::newRow("UTF-16BE high half alone before an odd last byte")
        << QByteArray("\xFE\xFF\x00"
                      "a\x00,\xD8\x3D"
                      "b",
                      9)
        << kAuto << TextEncoding::Utf16BeBom << QStringList{u"a"_s, u"\uFFFD\uFFFD"_s} << false;
    QTest::newRow("UTF-16LE odd last byte")
        << QByteArray("\xFF\xFE"
                      "a\x00,\x00"
                      "b",
                      7)
        << kAuto << TextEncoding::Utf16LeBom << QStringList{u"a"_s, u"\uFFFD"_s} << false;
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF"
                                                   "a,b\r\n")
                                     << kAuto << TextEncoding::Utf8Bom << QStringList{u"a"_s, u"b"_s} << true;
    QTest::newRow("UTF-8") << japanese.toUtf8() << kAuto << TextEncoding::Utf8 << japaneseCells << true;

    // EUC-JP of 処理区分,件数 without a line end: Shift-JIS reads it as half-width katakana.
    const QByteArray shortEuc("\xBD\xE8\xCD\xFD\xB6\xE8\xCA\xAC,\xB7\xEF\xBF\xF4");
    QTest::newRow("short EUC-JP") << shortEuc << kAuto << TextEncoding::EucJp << QStringList{u"処理区分"_s, u"件数"_s}
                                  << true;
    QTest::newRow("EUC-JP with half-width katakana and JIS symbols")
        << QByteArray("\xB9\xE2\xB6\xB6,\x8E\xB6\x8E\xC5,\xA1\xC1\xA1\xDD\r\n") << kAuto << TextEncoding::EucJp
        << QStringList{u"高橋"_s, u"ｶﾅ"_s, u"〜−"_s} << true;
    QTest::newRow("EUC-JP of the NEC-selected rows")
        << QByteArray("\xFC\xE2\xB6\xB6\r\n") << kAuto << TextEncoding::EucJp << QStringList{u"髙橋"_s} << true;
    QTest::newRow("EUC-JP JIS X 0212 is unknown") << QByteArray("\x8F\xB0\xA1,\xB9\xE2\r\n") << kAuto
                                                  << TextEncoding::EucJp << QStringList{u"\uFFFD"_s, u"高"_s} << false;

    QTest::newRow("Shift_JIS hiragana is no EUC-JP")
        << QByteArray("\x82\xA0\x82\xA2,\x8C\x8F\x90\x94\r\n") << kAuto << TextEncoding::ShiftJis
        << QStringList{u"あい"_s, u"件数"_s} << true;
    QTest::newRow("Shift_JIS half-width katakana of odd length")
        << QByteArray("\xB1\xB2\xB3,1\r\n") << kAuto << TextEncoding::ShiftJis << QStringList{u"ｱｲｳ"_s, u"1"_s} << true;
    QTest::newRow("Shift_JIS 髙 as NEC-selected EE E0")
        << QByteArray("\xEE\xE0\x8B\xB4,a\r\n") << kAuto << TextEncoding::ShiftJis << QStringList{u"髙橋"_s, u"a"_s}
        << true;
    QTest::newRow("Shift_JIS 髙 as IBM FB FC") << QByteArray("\xFB\xFC\x8B\xB4,a\r\n") << kAuto
                                               << TextEncoding::ShiftJis << QStringList{u"髙橋"_s, u"a"_s} << true;
    QTest::newRow("Shift_JIS ∵ in NEC row 13 and ¬ as IBM")
        << QByteArray("\x87\x9A,\xFA\x54\r\n") << kAuto << TextEncoding::ShiftJis << QStringList{u"∵"_s, u"￢"_s}
        << true;
    QTest::newRow("Shift_JIS 髙 in both forms cannot be written back")
        << QByteArray("\xEE\xE0,\xFB\xFC\r\n") << kAuto << TextEncoding::ShiftJis << QStringList{u"髙"_s, u"髙"_s}
        << false;

    QTest::newRow("chosen EUC-JP for Shift_JIS bytes")
        << QByteArray("\x82\xA0,a\r\n") << int(TextEncoding::EucJp) << TextEncoding::EucJp
        << QStringList{u"\uFFFD\uFFFD"_s, u"a"_s} << false;
    QTest::newRow("chosen UTF-8 replaces a stray byte")
        << QByteArray("a,\xFF\r\n") << int(TextEncoding::Utf8) << TextEncoding::Utf8 << QStringList{u"a"_s, u"\uFFFD"_s}
        << false;
    QTest::newRow("chosen UTF-8 keeps the file's mark")
        << QByteArray("\xEF\xBB\xBF"
                      "a\r\n")
        << int(TextEncoding::Utf8) << TextEncoding::Utf8Bom << QStringList{u"a"_s} << true;
    QTest::newRow("chosen Shift_JIS for EUC-JP bytes")
        << shortEuc << int(TextEncoding::ShiftJis) << TextEncoding::ShiftJis
        << QStringList{u"ｽ\u9749\uF8F1ｶ\u9746ｬ"_s, u"ｷ\uFFFDｿ\uFFFD"_s} << false;
    QTest::newRow("chosen UTF-16BE for a file without mark")
        << utf16(u"a,b"_s, false) << int(TextEncoding::Utf16Be) << TextEncoding::Utf16Be << QStringList{u"a"_s, u"b"_s}
        << true;
}

void TestEncodings::detection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chosen);
    QFETCH(TextEncoding, encoding);
    QFETCH(QStringList, cells);
    QFETCH(bool, writesBack);

    const Read read = readFile(writeTestFile(*m_folder, u"a.csv"_s, bytes), chosen);
    QCOMPARE(read.refusal, LoadRefusal::None);
    QCOMPARE(read.result.format.encoding, encoding);
    QCOMPARE(::cells(read.result.data), cells);
    QCOMPARE(read.writesBack, writesBack);
    if (writesBack) {
        const std::optional<QByteArray> saved
            = SheetFileBytes(read.result.data, read.result.format, 1, 1, DelimitedFormat{});
        QVERIFY(saved);
        QCOMPARE(*saved, bytes);
    }
}

void TestEncodings::notText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chosen"); // a TextEncoding, or kAuto
    QTest::addColumn<LoadRefusal>("refusal");

    QTest::newRow("workbook (zip)") << QByteArray("PK\x03\x04\x14\x00\x06\x00", 8) << kAuto << LoadRefusal::NotText;
    QTest::newRow("old workbook (OLE)") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\x00\x00", 10) << kAuto
                                        << LoadRefusal::NotText;
    QTest::newRow("PDF") << QByteArray("%PDF-1.7\n%\xE2\xE3\n") << kAuto << LoadRefusal::NotText;
    QTest::newRow("NUL in the first 8 KiB") << QByteArray(100, 'a') + '\0' + "b\r\n" << kAuto << LoadRefusal::NotText;
    QTest::newRow("NUL after 8 KiB is a cell's") << QByteArray(9000, 'a') + '\0' + "b\r\n"
                                                 << kAuto << LoadRefusal::None;
    QTest::newRow("UTF-16's NULs are text") << utf16(u"a,b\r\n"_s, true) << kAuto << LoadRefusal::None;
    // Read in a narrow encoding, NULs laid out as UTF-16's are NUL bytes all the same.
    QTest::newRow("UTF-16's NULs read as Shift_JIS")
        << utf16(u"a,b\r\n"_s, true) << int(TextEncoding::ShiftJis) << LoadRefusal::NotText;
    QTest::newRow("UTF-16's NULs read as UTF-16")
        << utf16(u"a,b\r\n"_s, true) << int(TextEncoding::Utf16Le) << LoadRefusal::None;
    QTest::newRow("PK in a text file") << QByteArray("PK,1\r\n") << kAuto << LoadRefusal::None;
}

void TestEncodings::notText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chosen);
    QFETCH(LoadRefusal, refusal);

    QCOMPARE(readFile(writeTestFile(*m_folder, u"data.csv"_s, bytes), chosen).refusal, refusal);
}

void TestEncodings::mostlyUtf8IsNoted_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("note");

    QByteArray lines;
    for (int i = 1; i <= 5000; ++i)
        lines += (u"行%1,データ\r\n"_s.arg(i)).toUtf8();
    QByteArray stray = lines;
    const qsizetype line162 = stray.indexOf((u"行162,"_s).toUtf8());
    stray[line162 + 5] = char(0xFF);
    QTest::newRow("one stray byte in line 162")
        << stray << u"UTF-8 として読めないバイトがあります（162 行目）。Shift_JIS として読み込みました"_s;
    QTest::newRow("Shift_JIS is not noted") << QByteArray("\x93\xfa\x96\x7b,\xb6\xc0\r\n") << QString();
    QTest::newRow("UTF-8 is not noted") << lines << QString();
}

void TestEncodings::mostlyUtf8IsNoted()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, note);

    QCOMPARE(readFile(writeTestFile(*m_folder, u"a.csv"_s, bytes), kAuto).note, note);
}

void TestEncodings::savedInAnotherEncoding_data()
{
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("holds");

    QTest::newRow("EUC-JP") << TextEncoding::EucJp << u"髙橋〜ｶﾅ"_s << true;
    QTest::newRow("Shift_JIS") << TextEncoding::ShiftJis << u"髙橋～ｶﾅ"_s << true;
    QTest::newRow("UTF-16LE with mark") << TextEncoding::Utf16LeBom << u"😀髙"_s << true;
    QTest::newRow("UTF-8") << TextEncoding::Utf8 << u"😀髙"_s << true;
    QTest::newRow("EUC-JP lacks emoji") << TextEncoding::EucJp << u"😀"_s << false;
    QTest::newRow("EUC-JP lacks Korean") << TextEncoding::EucJp << u"한"_s << false;
}

void TestEncodings::savedInAnotherEncoding()
{
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, cell);
    QFETCH(bool, holds);

    const Read utf8 = readFile(writeTestFile(*m_folder, u"a.csv"_s, (u"x,"_s + cell + u"\r\n"_s).toUtf8()), kAuto);
    SheetFileFormat format = utf8.result.format;
    format.encoding = encoding;
    const std::optional<QByteArray> saved = SheetFileBytes(utf8.result.data, format, 1, 1, DelimitedFormat{});
    QCOMPARE(saved.has_value(), holds);
    if (!holds)
        return;
    const Read back = readFile(writeTestFile(*m_folder, u"b.csv"_s, *saved), int(encoding));
    QCOMPARE(::cells(back.result.data), (QStringList{u"x"_s, cell}));
    QVERIFY(back.writesBack);
}

QTEST_GUILESS_MAIN(TestEncodings)
#include "tst_encodings.moc"
