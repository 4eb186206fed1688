#include "CharDiff.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
// Spans written as "C1,1:1,1 D5,2:4,0": kind (C changed, D deleted, I inserted), then start and
// length in the first text, then in the second.
QString written(const CharDiff &diff)
{
    QStringList spans;
    for (const CharSpan &span : diff.spans) {
        const QChar kind = span.kind == SpanKind::Changed ? u'C' : span.kind == SpanKind::Deleted ? u'D' : u'I';
        spans << u"%1%2,%3:%4,%5"_s.arg(kind).arg(span.start1).arg(span.length1).arg(span.start2).arg(span.length2);
    }
    return spans.join(u' ');
}

// Rebuilds the second text from the first and the spans: what any correct difference must allow.
QString applied(const QString &first, const QString &second, const CharDiff &diff)
{
    QString result;
    qsizetype at = 0;
    for (const CharSpan &span : diff.spans) {
        result += first.mid(at, span.start1 - at);
        result += second.mid(span.start2, span.length2);
        at = span.start1 + span.length1;
    }
    return result + first.mid(at);
}
} // namespace

class TestCharDiff : public QObject
{
    Q_OBJECT

private slots:
    void findsTheSpans_data();
    void findsTheSpans();
    void spansRebuildTheOtherText();
    void longTextsDifferingOnce();
    void longTextsDifferingEverywhereFallBack();
    void manyEditsFallBack_data();
    void manyEditsFallBack();
};

void TestCharDiff::findsTheSpans_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("spans");

    QTest::newRow("equal") << u"abc"_s << u"abc"_s << QString();
    QTest::newRow("both empty") << QString() << u""_s << QString();
    QTest::newRow("empty against text") << QString() << u"abc"_s << u"I0,0:0,3"_s;
    QTest::newRow("text against empty") << u"abc"_s << QString() << u"D0,3:0,0"_s;
    QTest::newRow("one changed character") << u"1-2"_s << u"1−2"_s << u"C1,1:1,1"_s;
    QTest::newRow("inserted at the end") << u"abc"_s << u"abc　"_s << u"I3,0:3,1"_s;
    QTest::newRow("deleted in the middle") << u"abXc"_s << u"abc"_s << u"D2,1:2,0"_s;
    QTest::newRow("two separate changes") << u"a-b-c"_s << u"a−b−c"_s << u"C1,1:1,1 C3,1:3,1"_s;
    QTest::newRow("insertion and deletion apart") << u"xabcd"_s << u"abcyd"_s << u"D0,1:0,0 I4,0:3,1"_s;
    QTest::newRow("surrogate pairs stay whole") << u"a😀b"_s << u"a😁b"_s << u"C1,2:1,2"_s;
    QTest::newRow("surrogate pair against one unit") << u"a😀"_s << u"ax"_s << u"C1,2:1,1"_s;
    QTest::newRow("combining mark joins its base") << u"カ\u3099"_s << u"カ"_s << u"C0,2:0,1"_s;
    QTest::newRow("combined against composed") << u"aガb"_s << u"aカ\u3099b"_s << u"C1,1:1,2"_s;
    QTest::newRow("added combining mark mid-text") << u"xey"_s << u"xe\u0301y"_s << u"C1,1:1,2"_s;
    QTest::newRow("CR LF is one character") << u"a\r\nb"_s << u"a\nb"_s << u"C1,2:1,1"_s;
    QTest::newRow("emoji sequence stays whole") << u"👩\u200D💻"_s << u"👩"_s << u"C0,5:0,2"_s;
    QTest::newRow("changed run") << u"東京都港区"_s << u"東京府港区"_s << u"C2,1:2,1"_s;
}

void TestCharDiff::findsTheSpans()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, spans);
    const CharDiff diff = diffCharacters(first, second);
    QCOMPARE(written(diff), spans);
    QVERIFY(!diff.coarse);
}

void TestCharDiff::spansRebuildTheOtherText()
{
    // Random texts over a small alphabet with surrogate pairs and combining marks: whatever the
    // spans are, they must turn the first text into the second, and never cut a cluster.
    const QStringList alphabet{u"a"_s, u"b"_s, u"カ"_s, u"\u3099"_s, u"😀"_s, u"　"_s, u"-"_s};
    QRandomGenerator random(25);
    for (int round = 0; round < 300; ++round) {
        QString texts[2];
        for (QString &text : texts) {
            const int length = int(random.bounded(12));
            for (int i = 0; i < length; ++i)
                text += alphabet.at(random.bounded(alphabet.size()));
        }
        const CharDiff diff = diffCharacters(texts[0], texts[1]);
        QCOMPARE(applied(texts[0], texts[1], diff), texts[1]);
        const QList<qsizetype> clusters[2] = {graphemeBoundaries(texts[0]), graphemeBoundaries(texts[1])};
        for (const CharSpan &span : diff.spans) {
            QVERIFY2(clusters[0].contains(span.start1) && clusters[0].contains(span.start1 + span.length1),
                     qPrintable(texts[0] + u" / "_s + texts[1]));
            QVERIFY2(clusters[1].contains(span.start2) && clusters[1].contains(span.start2 + span.length2),
                     qPrintable(texts[0] + u" / "_s + texts[1]));
        }
    }
}

void TestCharDiff::longTextsDifferingOnce()
{
    // A filler of period three: no shifted match can stand in for the real edits.
    const QString first = u"abc"_s.repeated(350'000);
    QString second = first;
    second[700'000] = u'y';
    second.insert(900'000, u"　"_s);
    const CharDiff diff = diffCharacters(first, second);
    QCOMPARE(written(diff), u"C700000,1:700000,1 I900000,0:900000,1"_s);
    QVERIFY(!diff.coarse);
}

void TestCharDiff::longTextsDifferingEverywhereFallBack()
{
    QRandomGenerator random(7);
    QString first;
    QString second;
    for (int i = 0; i < (1 << 20); ++i) {
        first += QChar(char16_t(u'a' + random.bounded(26)));
        second += QChar(char16_t(u'a' + random.bounded(26)));
    }
    first.prepend(u"same start "_s);
    second.prepend(u"same start "_s);
    first.append(u" same end"_s);
    second.append(u" same end"_s);
    const CharDiff diff = diffCharacters(first, second);
    QVERIFY(diff.coarse);
    QCOMPARE(diff.spans.size(), 1);
    const CharSpan span = diff.spans.first();
    QVERIFY(span.start1 >= 11 && span.start1 == span.start2);
    QVERIFY(first.size() - span.start1 - span.length1 >= 9);
    QCOMPARE(applied(first, second, diff), second);
}

QTEST_GUILESS_MAIN(TestCharDiff)
#include "tst_chardiff.moc"

void TestCharDiff::manyEditsFallBack_data()
{
    QTest::addColumn<int>("changes");
    QTest::addColumn<bool>("coarse");
    // Each changed character is two edits (one deleted, one inserted): up to a thousand edits
    // are found exactly, more give the coarse span.
    QTest::newRow("495 changes, 990 edits") << 495 << false;
    QTest::newRow("550 changes, 1100 edits") << 550 << true;
}

void TestCharDiff::manyEditsFallBack()
{
    QFETCH(int, changes);
    QFETCH(bool, coarse);
    const QString first = u"abcdefghij"_s.repeated(2000);
    QString second = first;
    for (int i = 0; i < changes; ++i)
        second[15 + i * 30] = u'j';
    const CharDiff diff = diffCharacters(first, second);
    QCOMPARE(diff.coarse, coarse);
    QCOMPARE(diff.spans.size(), coarse ? 1 : changes);
    QCOMPARE(applied(first, second, diff), second);
}
