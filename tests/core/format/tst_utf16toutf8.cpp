// UTF-16 to UTF-8 as rowlark-diff reads a UTF-16 file: every character, given in pieces cut
// anywhere, comes out as Qt's own UTF-8 writes it, and a surrogate half alone as U+FFFD.

#include "Utf16ToUtf8.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
QByteArray unitsOf(QStringView text, bool little)
{
    QByteArray bytes;
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        bytes += char(little ? unit & 0xFF : unit >> 8);
        bytes += char(little ? unit >> 8 : unit & 0xFF);
    }
    return bytes;
}

QByteArray converted(const QByteArray &bytes, bool little, qsizetype piece, bool &exact)
{
    Utf16ToUtf8 converter(little);
    QByteArray out(Utf16ToUtf8::maxOutput(bytes.size()) + Utf16ToUtf8::maxOutput(1) * (bytes.size() / piece + 1), 0);
    char *end = out.data();
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        end = converter.convert(bytes.constData() + at, std::min(piece, bytes.size() - at), end);
    end = converter.finish(end);
    out.truncate(end - out.constData());
    exact = converter.exact();
    return out;
}
} // namespace

class TestUtf16ToUtf8 : public QObject
{
    Q_OBJECT

private slots:
    void everyCharacter_data();
    void everyCharacter();
    void surrogateHalvesAlone_data();
    void surrogateHalvesAlone();
};

void TestUtf16ToUtf8::everyCharacter_data()
{
    QTest::addColumn<bool>("little");
    QTest::addColumn<qsizetype>("piece");
    for (const bool little : {true, false}) {
        for (const qsizetype piece : {1, 3, 16, 17, 4096})
            QTest::addRow("%s, pieces of %d", little ? "LE" : "BE", int(piece)) << little << piece;
    }
}

// Each character of the BMP beside ASCII and kana, so that blocks mix one, two and three bytes,
// and characters beyond it as pairs.
void TestUtf16ToUtf8::everyCharacter()
{
    QFETCH(bool, little);
    QFETCH(qsizetype, piece);
    QString text;
    for (char32_t code = 0; code < 0x110000; code += code < 0x10000 ? 1 : 0x3FF) {
        if (code >= 0xD800 && code < 0xE000)
            continue;
        text += QString::fromUcs4(&code, 1);
        if (code % 5 == 0)
            text += u"a,ア"_s;
    }
    bool exact = false;
    QCOMPARE(converted(unitsOf(text, little), little, piece, exact), text.toUtf8());
    QVERIFY(exact);
}

void TestUtf16ToUtf8::surrogateHalvesAlone_data()
{
    QTest::addColumn<QString>("units");
    QTest::addColumn<bool>("oddByte"); // an odd byte at the end
    QTest::addColumn<QString>("text");
    const QChar high(0xD83D);
    const QChar low(0xDE00);
    QTest::newRow("high half before a character")
        << u"a"_s + high + u"bcdefghijklmnop"_s << false << u"a\uFFFDbcdefghijklmnop"_s;
    QTest::newRow("low half first") << QString(low) + u"a"_s << false << u"\uFFFDa"_s;
    QTest::newRow("two high halves, then a low") << QString(high) + high + low << false << u"\uFFFD😀"_s;
    QTest::newRow("high half at the end") << u"a"_s + high << false << u"a\uFFFD"_s;
    QTest::newRow("high half before an odd byte") << u"a"_s + high << true << u"a\uFFFD\uFFFD"_s;
    QTest::newRow("odd byte") << u"ab"_s << true << u"ab\uFFFD"_s;
}

void TestUtf16ToUtf8::surrogateHalvesAlone()
{
    QFETCH(QString, units);
    QFETCH(bool, oddByte);
    QFETCH(QString, text);
    for (const bool little : {true, false}) {
        for (const qsizetype piece : {1, 2, 5, 64}) {
            const QByteArray bytes = unitsOf(units, little) + (oddByte ? "x"_ba : QByteArray());
            bool exact = true;
            QCOMPARE(converted(bytes, little, piece, exact), text.toUtf8());
            QVERIFY(!exact);
        }
    }
}

QTEST_GUILESS_MAIN(TestUtf16ToUtf8)
#include "tst_utf16toutf8.moc"
