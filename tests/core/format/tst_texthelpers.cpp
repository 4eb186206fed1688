// CountOccurrences, which other commands use on their own texts.

#include "MCHAR_CHK.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTextHelpers : public QObject
{
    Q_OBJECT

private slots:
    void countOccurrences_data();
    void countOccurrences();
};

void TestTextHelpers::countOccurrences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("count");
    QTest::addColumn<qsizetype>("lastPosition");

    QTest::newRow("no match") << u"abc"_s << u","_s << 0 << qsizetype(0);
    QTest::newRow("one match, 1-based position") << u"a,b"_s << u","_s << 1 << qsizetype(2);
    QTest::newRow("last of several") << u"a,b,,c"_s << u","_s << 3 << qsizetype(5);
    QTest::newRow("match at the start") << u",a"_s << u","_s << 1 << qsizetype(1);
    QTest::newRow("overlapping matches count separately") << u"aaaa"_s << u"aa"_s << 3 << qsizetype(3);
    QTest::newRow("exact case") << u"file.LNK"_s << u".lnk"_s << 0 << qsizetype(0);
    QTest::newRow("backslash path") << u"C:\\dir\\file.csv"_s << u"\\"_s << 2 << qsizetype(7);
    QTest::newRow("empty pattern occurs nowhere") << u"abc"_s << QString() << 0 << qsizetype(0);
    QTest::newRow("empty text") << QString() << u","_s << 0 << qsizetype(0);
}

void TestTextHelpers::countOccurrences()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(int, count);
    QFETCH(qsizetype, lastPosition);

    const MCHAR_CHK::Occurrences found = MCHAR_CHK::CountOccurrences(text, pattern);
    QCOMPARE(found.count, count);
    QCOMPARE(found.lastPosition, lastPosition);
}

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
