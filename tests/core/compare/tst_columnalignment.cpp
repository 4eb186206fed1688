#include "ColumnAlignment.h"
#include "CompareOptions.h"
#include "SheetData.h"
#include "SheetFileWriter.h"
#include "SheetFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
// The facing columns as "1:1 -:2 2:3", a filler column as '-'.
QString mapping(const ColumnAlignment &alignment)
{
    QStringList pairs;
    for (const std::array<int, 2> &pair : alignment.columns) {
        const auto side = [](int col) { return col > 0 ? QString::number(col) : u"-"_s; };
        pairs << side(pair[0]) + u':' + side(pair[1]);
    }
    return pairs.join(u' ');
}

} // namespace

class TestColumnAlignment : public QObject
{
    Q_OBJECT

private slots:
    void linesUpColumnsByHeading_data();
    void linesUpColumnsByHeading();
    void linesUpColumnsByContent_data();
    void linesUpColumnsByContent();
    void fillerColumnsStayOutOfTheFileWhileEmpty();
    void refusesColumnsPastTheColumnLimit();
};

void TestColumnAlignment::linesUpColumnsByHeading_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<bool>("shared");

    QTest::newRow("a column inserted") << u"code,name,price,qty"_s << u"code,name,color,price,qty"_s << QString()
                                       << u"1:1 2:2 -:3 3:4 4:5"_s << true;
    QTest::newRow("columns reordered keep their order, one faces fillers")
        << u"a,b,c|1,2,3"_s << u"c,a,b|3,1,2"_s << QString() << u"-:1 1:2 2:3 3:-"_s << true;
    QTest::newRow("a renamed column faces fillers on both sides")
        << u"a,b,c|1,2,3"_s << u"a,x,c|1,2,3"_s << QString() << u"1:1 2:- -:2 3:3"_s << true;
    QTest::newRow("repeated headings match in order")
        << u"a,x,x,b|1,2,3,4"_s << u"a,x,b|1,2,4"_s << QString() << u"1:1 2:2 3:- 4:3"_s << true;
    QTest::newRow("no heading: empty headings match in order")
        << u",,|1,2,3"_s << u",,,|1,2,3,4"_s << QString() << u"1:1 2:2 3:3 -:4"_s << true;
    QTest::newRow("headings the same under the options")
        << u"Code,Name|1,2"_s << u"code,memo,name|1,x,2"_s << u"ignore-case"_s << u"1:1 -:2 2:3"_s << true;
    QTest::newRow("a column left out still matches by its heading")
        << u"a,b|1,2"_s << u"x,b|9,2"_s << u"skip-columns=1"_s << u"1:- -:1 2:2"_s << true;
    QTest::newRow("headings sharing fewer than half of their names")
        << u"a,b,c,d"_s << u"a,x,y,z"_s << QString() << u"1:1 2:- 3:- 4:- -:2 -:3 -:4"_s << false;
}

void TestColumnAlignment::linesUpColumnsByHeading()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, options);
    QFETCH(QString, columns);
    QFETCH(bool, shared);

    SheetData a;
    SheetData b;
    fillSheet(a, first);
    fillSheet(b, second);
    const CompareOptions compareOptions = compareOptionsFromText(options);
    const ColumnAlignment alignment = alignColumnsByHeading(a, b, compareOptions);
    QCOMPARE(mapping(alignment), columns);
    QCOMPARE(headingsMostlyShared(alignment), shared);
}

void TestColumnAlignment::linesUpColumnsByContent_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("columns");

    QTest::newRow("renamed headings, the values decide")
        << u"code,name,price|A1,pen,100|A2,ink,200|A3,cap,300"_s
        << u"コード,色,品名,価格|A1,red,pen,100|A2,blue,ink,200|A3,red,cap,300"_s << u"1:1 -:2 2:3 3:4"_s;
    QTest::newRow("a column equal in half of the rows is alike")
        << u"h,i|1,a|2,b|3,c|4,d"_s << u"x,y|1,a|2,b|9,z|9,z"_s << u"1:1 2:2"_s;
    QTest::newRow("a column equal in fewer than half is not")
        << u"h,i|1,a|2,b|3,c|4,d"_s << u"x,y|1,a|2,q|9,z|9,z"_s << u"1:1 2:- -:2"_s;
    QTest::newRow("of two alike columns the likest matches")
        << u"h|1|2|3|4"_s << u"x,y|1,1|2,2|3,3|9,4"_s << u"-:1 1:2"_s;
}

void TestColumnAlignment::linesUpColumnsByContent()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, columns);

    SheetData a;
    SheetData b;
    fillSheet(a, first);
    fillSheet(b, second);
    const ColumnAlignment alignment = alignColumnsByContent(a, b, CompareOptions());
    QVERIFY(alignment.byContent);
    QCOMPARE(mapping(alignment), columns);
}

void TestColumnAlignment::fillerColumnsStayOutOfTheFileWhileEmpty()
{
    SheetData a;
    SheetData b;
    fillSheet(a, u"code,price|A1,100"_s);
    fillSheet(b, u"code,color,price|A1,red,100"_s);
    const ColumnAlignment alignment = alignColumnsByHeading(a, b, CompareOptions());
    insertAlignedCols(a, alignment, 0);
    QCOMPARE(a.cols(), 4);
    QVERIFY(a.isFillerCol(2) && !a.isFillerCol(1) && !a.isFillerCol(3));
    QCOMPARE(differingBackColor(a, 1, 2), kFillerBackColor);
    QCOMPARE(differingBackColor(a, 1, 3), kDiffBackColor);
    QCOMPARE(FillerColsLeftOut(a, 1, 1), 1);
    QCOMPARE(SheetFileBytes(a, SheetFileFormat(), 1, 1, DelimitedFormat()).value(), "code,price\r\nA1,100\r\n");
    // Whole columns carry the marks.
    a.insertCols(1, 1);
    a.removeCols(1, 1);
    QVERIFY(a.isFillerCol(2));
    // Written into, the column is saved.
    a.setText(1, 2, u"blue");
    QCOMPARE(FillerColsLeftOut(a, 1, 1), 0);
    QCOMPARE(SheetFileBytes(a, SheetFileFormat(), 1, 1, DelimitedFormat()).value(), "code,blue,price\r\nA1,,100\r\n");
}

void TestColumnAlignment::refusesColumnsPastTheColumnLimit()
{
    SheetData a(3, kMaxRowCol);
    SheetData b(3, kMaxRowCol - 1);
    b.setText(1, 1, u"new");
    const ColumnAlignment alignment = alignColumnsByHeading(a, b, CompareOptions());
    QVERIFY(alignment.addedCols(0) > 0);
    QVERIFY(!columnsFitColLimit(alignment, a, b));
}

QTEST_GUILESS_MAIN(TestColumnAlignment)
#include "tst_columnalignment.moc"
