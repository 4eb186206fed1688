// Code page 932 as Windows reads and writes it: control bytes, the NEC and IBM extensions, bytes
// that are no character, the look-alikes of characters typed on Linux, and the round trip of
// every code.

#include "Cp932.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
struct Decoded
{
    QString text;
    bool exact = true;
};

Decoded decode(QByteArrayView bytes)
{
    Decoded decoded;
    decoded.text.resize(bytes.size());
    char16_t *start = reinterpret_cast<char16_t *>(decoded.text.data());
    decoded.text.resize(Cp932::decode(bytes, start, decoded.exact) - start);
    return decoded;
}
} // namespace

class TestCp932 : public QObject
{
    Q_OBJECT

private slots:
    void decoding_data();
    void decoding();
    void encoding_data();
    void encoding();
    void everyCodeRoundTrips();
};

void TestCp932::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("exact"); // encoding the text gives back the bytes

    QTest::newRow("control bytes are themselves")
        << QByteArray("\x1a\x1c\x7f\x00\x1b", 5) << u"\x1a\x1c\x7f\0\x1b"_s << true;
    QTest::newRow("backslash and tilde") << QByteArray("\\~") << u"\\~"_s << true;
    QTest::newRow("single bytes past ASCII")
        << QByteArray("\x80\xa0\xb1\xdf\xfd\xfe\xff") << u"\u0080\uF8F0ｱﾟ\uF8F1\uF8F2\uF8F3"_s << true;
    QTest::newRow("JIS X 0208") << QByteArray("\x93\xfa\x96\x7b\x81\x60\x81\x5c") << u"日本～―"_s << true;
    QTest::newRow("NEC row 13") << QByteArray("\x87\x40\x87\x54\x87\x82") << u"①Ⅰ№"_s << true;
    QTest::newRow("IBM extensions") << QByteArray("\xfa\x40\xfa\xb1\xfb\xfc\xfa\x5c") << u"ⅰ﨑髙纊"_s << true;
    QTest::newRow("NEC-selected IBM extensions read, written as IBM")
        << QByteArray("\xee\xef\xee\xe0\xed\x95\xed\x40") << u"ⅰ髙﨑纊"_s << false;
    QTest::newRow("NEC row 13 duplicate of a JIS symbol") << QByteArray("\x87\x90") << u"≒"_s << false;
    QTest::newRow("IBM duplicate of a JIS symbol") << QByteArray("\xfa\x54") << u"￢"_s << false;
    QTest::newRow("user-defined area") << QByteArray("\xf0\x40\xf9\xfc") << u"\uE000\uE757"_s << true;
    QTest::newRow("lead byte at the end") << QByteArray("a\x82") << u"a\uFFFD"_s << false;
    QTest::newRow("lead byte alone") << QByteArray("\x81") << u"\uFFFD"_s << false;
    QTest::newRow("lead byte before a line end") << QByteArray("\x82\r\n") << u"\uFFFD\r\n"_s << false;
    QTest::newRow("lead byte before a control byte") << QByteArray("\x82\x1a") << u"\uFFFD\x1a"_s << false;
    QTest::newRow("undefined pair: its second byte is read again") << QByteArray("\x82\x7c") << u"\uFFFD|"_s << false;
    QTest::newRow("lead byte of an empty row") << QByteArray("\x85\x40") << u"\uFFFD@"_s << false;
    QTest::newRow("second byte 0x7F") << QByteArray("\x93\x7f") << u"\uFFFD\x7f"_s << false;
    QTest::newRow("long ASCII run then a kanji")
        << QByteArray("0123456789abcdefghij\x93\xfa") << u"0123456789abcdefghij日"_s << true;
}

void TestCp932::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, exact);

    const Decoded decoded = decode(bytes);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.exact, exact);
}

void TestCp932::encoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // what is written before the first refused character
    QTest::addColumn<qsizetype>("refusedAt"); // -1: written whole

    QTest::newRow("ASCII and control characters")
        << u"a,\x1a\x1c\x7f\\~"_s << QByteArray("a,\x1a\x1c\x7f\\~") << qsizetype(-1);
    QTest::newRow("Japanese and half-width katakana")
        << u"日本ｶﾀ"_s << QByteArray("\x93\xfa\x96\x7b\xb6\xc0") << qsizetype(-1);
    QTest::newRow("IBM extensions rather than their NEC-selected codes")
        << u"ⅰ﨑髙纊"_s << QByteArray("\xfa\x40\xfa\xb1\xfb\xfc\xfa\x5c") << qsizetype(-1);
    QTest::newRow("JIS symbols rather than NEC row 13 or IBM")
        << u"≒∵￢"_s << QByteArray("\x81\xe0\x81\xe6\x81\xca") << qsizetype(-1);
    QTest::newRow("NEC row 13 rather than IBM") << u"Ⅰ№"_s << QByteArray("\x87\x54\x87\x82") << qsizetype(-1);
    QTest::newRow("characters typed on Linux as their look-alikes")
        << u"〜−—‖¢£¬"_s << QByteArray("\x81\x60\x81\x7c\x81\x5c\x81\x61\x81\x91\x81\x92\x81\xca") << qsizetype(-1);
    QTest::newRow("the look-alikes themselves")
        << u"～－―∥￠￡￢"_s << QByteArray("\x81\x60\x81\x7c\x81\x5c\x81\x61\x81\x91\x81\x92\x81\xca") << qsizetype(-1);
    QTest::newRow("single bytes past ASCII") << u"\u0080\uF8F0\uF8F3"_s << QByteArray("\x80\xa0\xff") << qsizetype(-1);
    QTest::newRow("user-defined area") << u"\uE000"_s << QByteArray("\xf0\x40") << qsizetype(-1);
    QTest::newRow("outside the BMP") << u"ab😀c"_s << QByteArray("ab") << qsizetype(2);
    QTest::newRow("replacement character") << u"日\uFFFD"_s << QByteArray("\x93\xfa") << qsizetype(1);
    QTest::newRow("yen sign is no backslash") << u"¥"_s << QByteArray() << qsizetype(0);
    QTest::newRow("lone surrogate") << u"a"_s + QChar(0xD800) << QByteArray("a") << qsizetype(1);
    QTest::newRow("accented Latin letter") << u"café"_s << QByteArray("caf") << qsizetype(3);
}

void TestCp932::encoding()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(qsizetype, refusedAt);

    QByteArray out("x");
    QCOMPARE(Cp932::encode(text, out), refusedAt);
    QCOMPARE(out, "x" + bytes); // appended
}

void TestCp932::everyCodeRoundTrips()
{
    // Every byte and every pair of bytes: what decodes exactly encodes to the same bytes; what
    // decodes to a duplicate encodes to another code of the same character.
    int exactCodes = 0;
    int duplicates = 0;
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = -1; trail < 256; ++trail) {
            QByteArray bytes(1, char(lead));
            if (trail >= 0)
                bytes += char(trail);
            const Decoded decoded = decode(bytes);
            if (decoded.text.size() != 1 || decoded.text == u"\uFFFD"_s)
                continue; // two characters, or a byte that is none
            QByteArray encoded;
            QCOMPARE(Cp932::encode(decoded.text, encoded), qsizetype(-1));
            if (decoded.exact) {
                ++exactCodes;
                QCOMPARE(encoded, bytes);
            } else {
                ++duplicates;
                QVERIFY(encoded != bytes);
                const Decoded again = decode(encoded);
                QCOMPARE(again.text, decoded.text);
                QVERIFY(again.exact);
            }
        }
    }
    // As Python's cp932 codec counts them: 196 single bytes (256 less the 60 lead bytes) and 9,206
    // two-byte characters (1,880 of them user-defined), and 398 further codes of characters that
    // already have one.
    QCOMPARE(exactCodes, 196 + 9206);
    QCOMPARE(duplicates, 398);
}

QTEST_GUILESS_MAIN(TestCp932)
#include "tst_cp932.moc"
