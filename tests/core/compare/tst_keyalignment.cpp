#include "CompareOptions.h"
#include "KeyAlignment.h"
#include "SheetFixtures.h"

#include <QRandomGenerator>
#include <QTest>

#include <map>

namespace
{
std::vector<int> columnList(const QString &text)
{
    std::vector<int> columns;
    for (const QString &column : text.split(u','))
        columns.push_back(column.toInt());
    return columns;
}

// A sheet's rows after the lining up, by the data row each came from: "12-3" has an empty row
// inserted before its third row.
QString linedUp(const RowAlignment &alignment, int index, int rows)
{
    QString result;
    const std::vector<int> origins = alignment.originalRows(index, rows);
    for (size_t r = 1; r < origins.size(); ++r)
        result += origins[r] == 0 ? u"-"_s : QString::number(origins[r]);
    return result;
}

// The key of each data row, as one text.
QStringList keysOf(const SheetData &sheet, const std::vector<int> &columns)
{
    QStringList keys;
    for (int r = 1; r < sheet.rows(); ++r) {
        QString key;
        for (const int c : columns)
            key += (c < sheet.cols() ? sheet.text(r, c).toString() : QString()) + u'\x1f';
        keys.append(key);
    }
    return keys;
}

int longestCommonSequence(const QStringList &a, const QStringList &b)
{
    std::vector<std::vector<int>> table(size_t(a.size() + 1), std::vector<int>(size_t(b.size() + 1)));
    for (qsizetype i = 1; i <= a.size(); ++i)
        for (qsizetype j = 1; j <= b.size(); ++j)
            table[size_t(i)][size_t(j)] = a.at(i - 1) == b.at(j - 1)
                ? table[size_t(i - 1)][size_t(j - 1)] + 1
                : std::max(table[size_t(i - 1)][size_t(j)], table[size_t(i)][size_t(j - 1)]);
    return table[size_t(a.size())][size_t(b.size())];
}
} // namespace

class TestKeyAlignment : public QObject
{
    Q_OBJECT

private slots:
    void linesUpByKey_data();
    void linesUpByKey();
    void matchesALongestCommonSequenceOfKeys();
    void sortsByKey_data();
    void sortsByKey();
    void sortedRowsCarryTheirLineEndsAndMarks();
};

void TestKeyAlignment::linesUpByKey_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("firstAfter");
    QTest::addColumn<QString>("secondAfter");
    QTest::addColumn<QString>("repeated");

    QTest::newRow("inserted, deleted and changed rows in one stretch")
        << u"1,a|2,b|3,c|4,d"_s << u"1,a|3,C|5,e|4,d"_s << u"1"_s << false << QString() << u"123-4"_s << u"1-234"_s
        << u"0 0"_s;
    QTest::newRow("a deleted and an inserted row between two matched keys face each other")
        << u"1,a|2,b|4,d"_s << u"1,a|3,c|4,d"_s << u"1"_s << false << QString() << u"123"_s << u"123"_s << u"0 0"_s;
    QTest::newRow("an unmatched row pairs with the likest row of the stretch")
        << u"1,a,p|2,b,q|3,c,r|9,z,z"_s << u"1,a,p|7,c,r|9,z,z"_s << u"1"_s << false << QString() << u"1234"_s
        << u"1-23"_s << u"0 0"_s;
    QTest::newRow("repeated keys match in order")
        << u"1,a|1,b|2,c"_s << u"1,x|1,y|3,z"_s << u"1"_s << false << QString() << u"123"_s << u"123"_s << u"2 2"_s;
    QTest::newRow("a key repeated in one sheet only")
        << u"5,a|5,b|5,c"_s << u"5,x"_s << u"1"_s << false << QString() << u"123"_s << u"1--"_s << u"3 0"_s;
    QTest::newRow("keys in several columns")
        << u"1,x,a|1,y,b"_s << u"1,y,c|2,x,d"_s << u"1,2"_s << false << QString() << u"12-"_s << u"-12"_s << u"0 0"_s;
    QTest::newRow("the heading row faces row 1 and is never matched")
        << u"id,name|2,b|1,a"_s << u"番号,名前|2,b|3,c"_s << u"1"_s << true << QString() << u"123"_s << u"123"_s
        << u"0 0"_s;
    QTest::newRow("empty keys match each other")
        << u",a|1,b"_s << u",c|2,d"_s << u"1"_s << false << QString() << u"12"_s << u"12"_s << u"0 0"_s;
    QTest::newRow("a sheet without the key column reads it as empty")
        << u"1,|2,x"_s << u"1|2"_s << u"2"_s << false << QString() << u"12"_s << u"12"_s << u"0 2"_s;
    QTest::newRow("keys the same under the options")
        << u"A1,a|B2,b"_s << u"a1,x|b2,y"_s << u"1"_s << false << u"ignore-case"_s << u"12"_s << u"12"_s << u"0 0"_s;
    QTest::newRow("numeric keys by value")
        << u"10,a|20,b"_s << u"１０,c|20.0,d"_s << u"1"_s << false << u"numeric"_s << u"12"_s << u"12"_s << u"0 0"_s;
    QTest::newRow("numeric keys within the tolerance, across a bucket's edge")
        << u"10,a|20,b|30,c"_s << u"9.6,c|20.4,d|31,e"_s << u"1"_s << false << u"numeric=0.5"_s << u"123"_s << u"123"_s
        << u"0 0"_s;
    QTest::newRow("numeric keys past a double's digits stay apart")
        << u"9007199254740993,a|9007199254740992,b"_s << u"9007199254740992,c|9007199254740993,d"_s << u"1"_s << false
        << u"numeric"_s << u"12-"_s << u"-12"_s << u"0 0"_s;
    QTest::newRow("numeric keys exactly the tolerance apart") << u"1.0,a|2.0,b"_s << u"1.1,c|1.9,d"_s << u"1"_s << false
                                                              << u"numeric=0.1"_s << u"12"_s << u"12"_s << u"0 0"_s;
    QTest::newRow("large numeric keys within the tolerance")
        << u"9007199254740993,a|-5.5,b"_s << u"9007199254740994,c|-6,d"_s << u"1"_s << false << u"numeric=1"_s
        << u"12"_s << u"12"_s << u"0 0"_s;
    QTest::newRow("a column left out of the comparison still keys")
        << u"1,a|2,b"_s << u"2,x|3,y"_s << u"1"_s << false << u"skip-columns=1"_s << u"12-"_s << u"-12"_s << u"0 0"_s;
}

void TestKeyAlignment::linesUpByKey()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, keys);
    QFETCH(bool, header);
    QFETCH(QString, options);
    QFETCH(QString, firstAfter);
    QFETCH(QString, secondAfter);
    QFETCH(QString, repeated);

    SheetData a;
    SheetData b;
    fillSheet(a, first);
    fillSheet(b, second);
    const std::optional<KeyLineUp> lined
        = lineUpRowsByKey(a, b, KeyColumns{columnList(keys), header}, compareOptionsFromText(options));
    QVERIFY(lined);
    QCOMPARE(linedUp(lined->alignment, 0, a.rows() - 1), firstAfter);
    QCOMPARE(linedUp(lined->alignment, 1, b.rows() - 1), secondAfter);
    QCOMPARE(u"%1 %2"_s.arg(lined->repeatedRows[0]).arg(lined->repeatedRows[1]), repeated);
}

// Random pairs against a plain dynamic-programming count: as many rows match as the longest
// common sequence of keys has, in order; rows of different keys face each other only inside a
// stretch between matched ones, paired by likeness. After sorting both sheets, every key both have is matched as often
// as both have it.
void TestKeyAlignment::matchesALongestCommonSequenceOfKeys()
{
    QRandomGenerator random(27);
    for (int round = 0; round < 300; ++round) {
        const bool sorted = round % 2 == 1;
        const int cols = random.bounded(1, 4);
        const std::vector<int> columns = cols == 1 ? std::vector<int>{1} : std::vector<int>{1, cols};
        SheetData first;
        SheetData second;
        const std::array<SheetData *, 2> sheets{&first, &second};
        for (SheetData *sheet : sheets) {
            QStringList rows;
            const int count = random.bounded(1, 25);
            for (int r = 0; r < count; ++r) {
                QStringList cells;
                for (int c = 0; c < cols; ++c)
                    cells << QString(QChar(u'a' + random.bounded(0, 4)));
                rows << cells.join(u',');
            }
            fillSheet(*sheet, rows.join(u'|'));
        }
        const KeyColumns keys{columns, false};
        if (sorted) {
            const std::array<std::vector<int>, 2> orders = keySortOrders(first, second, keys, CompareOptions());
            first.reorderRows(orders[0]);
            second.reorderRows(orders[1]);
        }
        const QStringList keysA = keysOf(first, columns);
        const QStringList keysB = keysOf(second, columns);
        const std::optional<KeyLineUp> lined = lineUpRowsByKey(first, second, keys, CompareOptions());
        QVERIFY(lined);
        const std::vector<int> rowsA = lined->alignment.originalRows(0, int(keysA.size()));
        const std::vector<int> rowsB = lined->alignment.originalRows(1, int(keysB.size()));
        QCOMPARE(rowsA.size(), rowsB.size());
        int matched = 0;
        int lastA = 0;
        int lastB = 0;
        for (size_t r = 1; r < rowsA.size(); ++r) {
            QVERIFY2(rowsA[r] != 0 || rowsB[r] != 0, "two inserted rows face each other");
            if (rowsA[r] == 0 || rowsB[r] == 0)
                continue;
            QVERIFY(rowsA[r] > lastA && rowsB[r] > lastB);
            lastA = rowsA[r];
            lastB = rowsB[r];
            if (keysA.at(rowsA[r] - 1) == keysB.at(rowsB[r] - 1))
                ++matched;
        }
        QCOMPARE(matched, longestCommonSequence(keysA, keysB));
        if (sorted) {
            std::map<QString, int> countA;
            for (const QString &key : keysA)
                ++countA[key];
            int common = 0;
            for (const QString &key : keysB) {
                if (countA[key] > 0) {
                    --countA[key];
                    ++common;
                }
            }
            QCOMPARE(matched, common);
        }
    }
}

void TestKeyAlignment::sortsByKey_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QString>("sortedFirst");

    // Long enough for a sort that is not stable to show it.
    QStringList rows;
    QStringList as;
    QStringList bs;
    for (int r = 1; r <= 40; ++r) {
        rows << (r % 3 == 0 ? u"a,%1"_s : u"b,%1"_s).arg(r);
        (r % 3 == 0 ? as : bs) << rows.last();
    }
    QTest::newRow("stable by text") << rows.join(u'|') << u"x"_s << u"1"_s << false << (as + bs).join(u'|');
    QTest::newRow("numbers by value, empty cells first")
        << u"10,a|9,b|100,c|,d|-1,e"_s << u"3"_s << u"1"_s << false << u",d|-1,e|9,b|10,a|100,c"_s;
    QTest::newRow("full-width digits and separators read as numbers")
        << u"１０|９|1，000"_s << u"2"_s << u"1"_s << false << u"９|１０|1，000"_s;
    QTest::newRow("numbers by their exact values")
        << u"9007199254740993|9007199254740992|-0.30000000000000001|-0.3|1.10|1.1"_s << u"0"_s << u"1"_s << false
        << u"-0.30000000000000001|-0.3|1.10|1.1|9007199254740992|9007199254740993"_s;
    QTest::newRow("a text in the other sheet orders the column as text")
        << u"10|9|100"_s << u"x"_s << u"1"_s << false << u"10|100|9"_s;
    QTest::newRow("the heading stays on top") << u"名前|b|a"_s << u"x"_s << u"1"_s << true << u"名前|a|b"_s;
    QTest::newRow("the second key column breaks ties")
        << u"1,b|1,a|0,c"_s << u"1,a"_s << u"1,2"_s << false << u"0,c|1,a|1,b"_s;
    QTest::newRow("code point order beyond U+FFFF") << u"𠀋|～|ア"_s << u"x"_s << u"1"_s << false << u"ア|～|𠀋"_s;
}

void TestKeyAlignment::sortsByKey()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, keys);
    QFETCH(bool, header);
    QFETCH(QString, sortedFirst);

    SheetData a;
    SheetData b;
    fillSheet(a, first);
    fillSheet(b, second);
    const std::array<std::vector<int>, 2> orders
        = keySortOrders(a, b, KeyColumns{columnList(keys), header}, CompareOptions());
    a.reorderRows(orders[0]);
    QCOMPARE(cellTexts(a), sortedFirst);
}

void TestKeyAlignment::sortedRowsCarryTheirLineEndsAndMarks()
{
    SheetData a;
    SheetData b;
    fillSheet(a, u"c|b|a"_s);
    fillSheet(b, u"a"_s);
    a.setLineEnd(1, LineEnd::Lf);
    a.setFillerRow(2, true);
    const std::array<std::vector<int>, 2> orders = keySortOrders(a, b, KeyColumns{{1}, false}, CompareOptions());
    a.reorderRows(orders[0]);
    QCOMPARE(cellTexts(a), u"a|b|c"_s);
    QCOMPARE(a.lineEnd(3), std::optional<LineEnd>(LineEnd::Lf));
    QVERIFY(a.isFillerRow(2) && !a.isFillerRow(3));
}

QTEST_GUILESS_MAIN(TestKeyAlignment)
#include "tst_keyalignment.moc"
