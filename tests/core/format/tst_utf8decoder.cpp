// The UTF-8 decoder of the file reader against Qt's, which decides what is valid: same text, same
// verdict, on chosen edge cases and on random bytes that are nearly UTF-8; and the reader's
// decoding of whole files, in pieces of any size, against Qt's.

#include "TextCodec.h"
#include "Utf8Decoder.h"
#include "Utf8Validator.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

#include <vector>

class TestUtf8Decoder : public QObject
{
    Q_OBJECT

private slots:
    void matchesQt_data();
    void matchesQt();
    void matchesQtOnNearlyValidBytes();
    void filesDecodeAsByQt_data();
    void filesDecodeAsByQt();
};

namespace
{
using DecodeFunction = Utf8Decoder::Decoded (*)(const char *, std::size_t, char16_t *);

struct Verdict
{
    QString text;
    bool invalid = false;
    bool operator==(const Verdict &) const = default;
};

char *toString(const Verdict &verdict)
{
    QByteArray units;
    for (const QChar ch : verdict.text)
        units += QByteArray::number(ch.unicode(), 16).rightJustified(4, '0') + ' ';
    return qstrdup((units + (verdict.invalid ? "(invalid)" : "(valid)")).constData());
}

// How the file reader decodes a UTF-8 file: without a special meaning for a byte order mark, and
// an incomplete character at the end is an error.
Verdict byQt(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    Verdict verdict;
    verdict.text = decoder(bytes);
    verdict.invalid = decoder.hasError();
    return verdict;
}

// The decoder up to the first invalid byte, and Qt's replacements from there, as the reader does.
Verdict byDecoder(DecodeFunction decode, QByteArrayView bytes)
{
    // Exactly sized, so that the address sanitizer sees any access past either end.
    const std::vector<char> in(bytes.begin(), bytes.end());
    std::vector<char16_t> out(in.size());
    const Utf8Decoder::Decoded valid = decode(in.data(), in.size(), out.data());
    if (valid.bytesRead > in.size() || valid.unitsWritten > valid.bytesRead)
        return {QStringLiteral("(out of range)"), true};
    Verdict verdict;
    verdict.text = QString(reinterpret_cast<const QChar *>(out.data()), qsizetype(valid.unitsWritten));
    verdict.invalid = valid.bytesRead < in.size();
    if (verdict.invalid)
        verdict.text += byQt(bytes.sliced(qsizetype(valid.bytesRead))).text;
    return verdict;
}

// The validator's verdict on bytes given in pieces cut at `cuts` (offsets taken modulo the size),
// after `lead` bytes of kana that move every byte to another place in the vector blocks.
bool validates(Utf8Validator::Method method, const QByteArray &bytes, std::initializer_list<qsizetype> cuts, int lead)
{
    const QByteArray text = QByteArray("\xE3\x81\x82").repeated(lead / 3) + QByteArray(lead % 3, 'a') + bytes;
    Utf8Validator validator(method);
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        const qsizetype to = text.isEmpty() ? 0 : std::max(from, cut % (text.size() + 1));
        validator.add(text.constData() + from, size_t(to - from));
        from = to;
    }
    validator.add(text.constData() + from, size_t(text.size() - from));
    validator.finish();
    return validator.valid();
}

// Bytes that are mostly valid UTF-8, with characters of every length near the edges of their
// ranges, and now and then a broken one.
QByteArray nearlyValid(QRandomGenerator &random)
{
    static const char32_t kEdges[]
        = {0x0,    0x7F,   0x80,    0x7FF,   0x800,   0xFFF,   0x1000,   0xD7FF,   0xE000, 0xFEFF, 0xFFFD,
           0xFFFE, 0xFFFF, 0x10000, 0x3FFFF, 0x40000, 0xFFFFF, 0x100000, 0x10FFFF, 0x3042, 0x65E5};
    static const char *const kBroken[]
        = {"\xC0\x80",         "\xC1\xBF",         "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF0\x8F\xBF\xBF",
           "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFE",         "\xFF",         "\x80",         "\xBF"};
    QByteArray bytes;
    const int parts = int(random.bounded(1, 24));
    for (int part = 0; part < parts; ++part) {
        const quint32 kind = random.bounded(20);
        if (kind < 6) {
            bytes += QByteArray(int(random.bounded(1, 20)), char('a' + random.bounded(26)));
        } else if (kind < 16) {
            char32_t code = kind < 9 ? kEdges[random.bounded(int(std::size(kEdges)))]
                                     : char32_t(random.bounded(kind < 14 ? 0x800 : 0x80, 0x110000));
            if (code >= 0xD800 && code <= 0xDFFF)
                code = 0x3042;
            bytes += QString::fromUcs4(&code, 1).toUtf8();
        } else if (kind < 18) {
            bytes += kBroken[random.bounded(int(std::size(kBroken)))];
        } else if (kind < 19 && !bytes.isEmpty()) {
            bytes.chop(1); // cuts the last character short, or makes the previous one the end
        } else {
            bytes += char(random.bounded(256));
        }
    }
    return bytes;
}
} // namespace

void TestUtf8Decoder::matchesQt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray a15(15, 'a');
    const QByteArray a16(16, 'a');
    const QByteArray kana = "\xE3\x81\x82"; // あ

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("edges of one byte") << QByteArray("\x00\x7F", 2);
    QTest::newRow("edges of two bytes") << QByteArray("\xC2\x80\xDF\xBF");
    QTest::newRow("edges of three bytes") << QByteArray("\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF");
    QTest::newRow("edges of four bytes") << QByteArray("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    QTest::newRow("noncharacters") << QByteArray("\xEF\xBF\xBE\xEF\xB7\x90\xF0\x9F\xBF\xBE");
    QTest::newRow("overlong two bytes") << QByteArray("a\xC0\x80\xC1\xBF");
    QTest::newRow("overlong three bytes") << QByteArray("a\xE0\x9F\xBF\xE0\x80\x80");
    QTest::newRow("overlong four bytes") << QByteArray("a\xF0\x8F\xBF\xBF");
    QTest::newRow("surrogates") << QByteArray("a\xED\xA0\x80\xED\xBF\xBF");
    QTest::newRow("past U+10FFFF") << QByteArray("a\xF4\x90\x80\x80\xF5\x80\x80\x80");
    QTest::newRow("bytes never in UTF-8") << QByteArray("a\xF8\xFE\xFF");
    QTest::newRow("continuation bytes alone") << QByteArray("\x80\xBF"
                                                            "a\x80");
    QTest::newRow("ends after one of three bytes") << QByteArray("ab\xE3");
    QTest::newRow("ends after two of three bytes") << QByteArray("ab\xE3\x81");
    QTest::newRow("ends after three of four bytes") << QByteArray("ab\xF0\x9F\x98");
    QTest::newRow("character broken by ASCII") << QByteArray("\xE3\x81"
                                                             "a\xF0\x9F"
                                                             "b");
    QTest::newRow("byte order marks are characters") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                                   "x");
    QTest::newRow("ASCII across blocks") << QByteArray(a16 + a16 + "bc" + a15);
    QTest::newRow("three bytes straddling a block") << a15 + kana + a16 + kana;
    QTest::newRow("three bytes ending a block") << QByteArray(13, 'a') + kana + a16 + kana;
    QTest::newRow("two bytes straddling a block") << a15 + "\xC3\xA9" + a16;
    QTest::newRow("four bytes straddling a block") << QByteArray(14, 'a') + "\xF0\x9F\x98\x80" + a16;
    QTest::newRow("Japanese and ASCII mixed") << QByteArray("日本語,ｶﾀｶﾅ,abcdé,表計算x\r\n日本語日本語日本語,1");
    QTest::newRow("overlong after a block of kana") << kana.repeated(6) + "\xE0\x80\xAF" + a16;
    QTest::newRow("surrogate after a block of kana") << kana.repeated(6) + "a\xED\xB0\x80" + a16;
    QTest::newRow("kana cut short in a block") << kana.repeated(5) + "\xE3\x81" + a16;
    QTest::newRow("stray continuation in a block") << kana.repeated(3) + "\x81" + kana.repeated(5);
    QTest::newRow("block ending in a cut character") << a15
            + "\xE3\x81"
              "a"
            + a16;
    QTest::newRow("invalid at the very end of a long text") << kana.repeated(20) + "\xE3";
}

void TestUtf8Decoder::matchesQt()
{
    QFETCH(QByteArray, bytes);
    const Verdict expected = byQt(bytes);
    QCOMPARE(byDecoder(Utf8Decoder::decode, bytes), expected);
    QCOMPARE(byDecoder(Utf8Decoder::decodePortable, bytes), expected);
    for (const auto method : {Utf8Validator::Method::Fastest, Utf8Validator::Method::Portable}) {
        for (int lead = 0; lead < 40; lead += 7)
            QCOMPARE(validates(method, bytes, {lead, 17, 33}, lead), !expected.invalid);
    }
}

void TestUtf8Decoder::matchesQtOnNearlyValidBytes()
{
    QRandomGenerator random(13);
    int invalid = 0;
    for (int round = 0; round < 4000; ++round) {
        const QByteArray bytes = nearlyValid(random);
        const Verdict expected = byQt(bytes);
        invalid += expected.invalid;
        for (const DecodeFunction decode : {Utf8Decoder::decode, Utf8Decoder::decodePortable}) {
            if (byDecoder(decode, bytes) != expected)
                QFAIL(qPrintable(QStringLiteral("differs from Qt on %1").arg(QString::fromLatin1(bytes.toHex(' ')))));
        }
        const qsizetype cut = random.bounded(64);
        const int lead = int(random.bounded(64));
        for (const auto method : {Utf8Validator::Method::Fastest, Utf8Validator::Method::Portable}) {
            if (validates(method, bytes, {cut, cut + 1 + random.bounded(40)}, lead) == expected.invalid)
                QFAIL(qPrintable(QStringLiteral("validator differs on %1").arg(QString::fromLatin1(bytes.toHex(' ')))));
        }
    }
    // Both verdicts came up often enough to mean something.
    QVERIFY2(invalid > 400 && invalid < 3600, qPrintable(QString::number(invalid)));
}

void TestUtf8Decoder::filesDecodeAsByQt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray mixed("日本語,abc,ｶﾀｶﾅ,é,😀,表計算\r\n");

    QTest::newRow("valid") << mixed.repeated(3);
    QTest::newRow("valid with byte order mark") << bom + mixed.repeated(3);
    QTest::newRow("second byte order mark") << bom + bom + mixed;
    QTest::newRow("marked, invalid bytes late")
        << bom + mixed.repeated(2) + "\xE3\x81," + mixed + "\xFF\x80\xED\xA0\x80";
    QTest::newRow("marked, overlong and past U+10FFFF") << bom + mixed + "\xC0\xAF\xF4\x90\x80\x80" + mixed;
    QTest::newRow("marked, cut short at the end") << bom + mixed.repeated(2) + "\xF0\x9F\x98";
    QTest::newRow("unmarked, invalid late") << mixed.repeated(3) + "\x93\xfa";
}

void TestUtf8Decoder::filesDecodeAsByQt()
{
    QFETCH(QByteArray, bytes);
    const bool marked = bytes.startsWith("\xEF\xBB\xBF");
    const Verdict byQtDecoder = byQt(marked ? bytes.sliced(3) : bytes);
    for (const qsizetype pieceBytes :
         {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(5), qsizetype(7), TextCodec::kDefaultPieceBytes}) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const std::optional<DecodedText> decoded
            = TextCodec::decodeDevice(buffer, bytes.size(), bytes.size(), pieceBytes);
        QVERIFY(decoded);
        if (!marked && byQtDecoder.invalid) {
            QCOMPARE(decoded->encoding, TextEncoding::ShiftJis);
            continue;
        }
        QCOMPARE(decoded->encoding, marked ? TextEncoding::Utf8Bom : TextEncoding::Utf8);
        QCOMPARE(decoded->text, byQtDecoder.text);
        QCOMPARE(decoded->writesBackUnchanged, !byQtDecoder.invalid);
    }
}

QTEST_GUILESS_MAIN(TestUtf8Decoder)
#include "tst_utf8decoder.moc"
