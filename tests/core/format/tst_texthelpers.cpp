// CountOccurrences and GetField, which other commands use on their own texts.

#include "MCHAR_CHK.h"
#include "MCHAR_GET.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTextHelpers : public QObject
{
    Q_OBJECT

private slots:
    void countOccurrences_data();
    void countOccurrences();
    void getField_data();
    void getField();
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

void TestTextHelpers::getField_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("field");

    QTest::newRow("first field") << u"a,b,c"_s << u","_s << 1 << u"a"_s;
    QTest::newRow("middle field") << u"a,b,c"_s << u","_s << 2 << u"b"_s;
    QTest::newRow("last field") << u"a,b,c"_s << u","_s << 3 << u"c"_s;
    QTest::newRow("past the last field") << u"a,b,c"_s << u","_s << 4 << QString();
    QTest::newRow("no delimiter: the whole line") << u"abc"_s << u","_s << 1 << u"abc"_s;
    QTest::newRow("no delimiter: no second field") << u"abc"_s << u","_s << 2 << QString();
    QTest::newRow("empty field between delimiters") << u"a,,c"_s << u","_s << 2 << QString();
    QTest::newRow("delimiter at the start") << u",a"_s << u","_s << 1 << QString();
    QTest::newRow("blanks and quotes stay") << u"a| \"b\" |c"_s << u"|"_s << 2 << u" \"b\" "_s;
    QTest::newRow("longer delimiter: its rest starts the next field") << u"xabyabz"_s << u"ab"_s << 2 << u"by"_s;
    QTest::newRow("longer delimiter: last field") << u"xabyabz"_s << u"ab"_s << 3 << u"bz"_s;
    QTest::newRow("overlapping delimiter gives an empty field") << u"xaaay"_s << u"aa"_s << 2 << QString();
    QTest::newRow("overlapping delimiter, after both matches") << u"xaaay"_s << u"aa"_s << 3 << u"ay"_s;
    QTest::newRow("delimiter outside the BMP") << u"a😀b😀c"_s << u"😀"_s << 2 << u"b"_s;
    QTest::newRow("longer delimiter starting outside the BMP") << u"x😀ay😀az"_s << u"😀a"_s << 3 << u"az"_s;
}

void TestTextHelpers::getField()
{
    QFETCH(QString, line);
    QFETCH(QString, delimiter);
    QFETCH(int, n);
    QFETCH(QString, field);

    QCOMPARE(MCHAR_GET::GetField(line, delimiter, n), field);
}

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
