#include "CellEquality.h"
#include "CompareOptions.h"
#include "RowAlignment.h"
#include "SheetData.h"
#include "SheetFixtures.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <unordered_map>

using namespace Qt::StringLiterals;

// Rows written as letters: "abcd" is four rows, equal letters are equal rows.
namespace
{
std::vector<std::uint32_t> identities(const QString &rows)
{
    std::vector<std::uint32_t> result;
    for (const QChar row : rows)
        result.push_back(row.unicode());
    return result;
}

RowAlignment align(const QString &first, const QString &second, std::int64_t effort = 1'000'000)
{
    return alignRows(identities(first), identities(second), effort);
}

// Both sheets after the lining up, an inserted empty row written as '-'.
QString linedUp(const QString &rows, const std::vector<RowInsertion> &insertions, std::vector<int> *places = nullptr)
{
    QString result;
    size_t next = 0;
    for (int row = 1; row <= rows.size() + 1; ++row) {
        while (next < insertions.size() && insertions[next].before == row)
            result += QString(insertions[next++].count, u'-');
        if (row <= rows.size()) {
            if (places)
                places->push_back(int(result.size()));
            result += rows.at(row - 1);
        }
    }
    return result;
}

// Sheet data of one data column holding each letter as a row's text.
SheetData sheetOf(const QString &rows)
{
    SheetData data(int(rows.size()) + 1, 2);
    for (int r = 1; r <= rows.size(); ++r)
        data.setText(r, 1, rows.mid(r - 1, 1));
    return data;
}

// The rows of sheet data as letters, a filler row as '-' (with '?' after it when it holds text).
QString rowsOf(const SheetData &data)
{
    QString rows;
    for (int r = 1; r < data.rows(); ++r) {
        if (data.isFillerRow(r))
            rows += data.text(r, 1).isEmpty() ? u"-"_s : u"-?"_s;
        else
            rows += data.text(r, 1);
    }
    return rows;
}

int longestCommonSequence(const QString &a, const QString &b)
{
    std::vector<std::vector<int>> table(size_t(a.size() + 1), std::vector<int>(size_t(b.size() + 1)));
    for (qsizetype i = 1; i <= a.size(); ++i)
        for (qsizetype j = 1; j <= b.size(); ++j)
            table[size_t(i)][size_t(j)] = a.at(i - 1) == b.at(j - 1)
                ? table[size_t(i - 1)][size_t(j - 1)] + 1
                : std::max(table[size_t(i - 1)][size_t(j)], table[size_t(i)][size_t(j - 1)]);
    return table[size_t(a.size())][size_t(b.size())];
}

// The length of a longest common subsequence by the bit-parallel row recurrence (Allison and
// Dix): a different algorithm from the one under test, fast enough for tens of thousands of rows.
int longestCommonLength(const std::vector<std::uint32_t> &a, const std::vector<std::uint32_t> &b)
{
    const size_t words = (b.size() + 63) / 64;
    std::unordered_map<std::uint32_t, std::vector<std::uint64_t>> where;
    for (size_t j = 0; j < b.size(); ++j) {
        std::vector<std::uint64_t> &mask = where[b[j]];
        mask.resize(words);
        mask[j / 64] |= std::uint64_t(1) << (j % 64);
    }
    std::vector<std::uint64_t> row(words, ~std::uint64_t(0));
    const std::vector<std::uint64_t> none(words);
    for (const std::uint32_t value : a) {
        const auto found = where.find(value);
        const std::vector<std::uint64_t> &match = found == where.end() ? none : found->second;
        std::uint64_t carry = 0;
        for (size_t w = 0; w < words; ++w) {
            const std::uint64_t u = row[w] & match[w];
            const std::uint64_t sum = row[w] + u + carry;
            carry = (sum < row[w] || (carry && sum == row[w])) ? 1 : 0;
            row[w] = sum | (row[w] - u);
        }
    }
    int zeros = 0;
    for (size_t j = 0; j < b.size(); ++j)
        zeros += (row[j / 64] >> (j % 64) & 1) == 0;
    return zeros;
}

// Rows that face an equal row after lining up, counted from the partners.
int matchedRows(const RowAlignment &alignment, const std::vector<std::uint32_t> &a, const std::vector<std::uint32_t> &b)
{
    int matched = 0;
    for (size_t row = 0; row < a.size(); ++row) {
        const int partner = alignment.partners[0][row];
        matched += partner > 0 && a[row] == b[size_t(partner - 1)];
    }
    return matched;
}

// Large pairs of rows as the person meets them, by name.
std::array<std::vector<std::uint32_t>, 2> largePair(const QString &kind)
{
    std::array<std::vector<std::uint32_t>, 2> rows;
    QRandomGenerator random(5);
    if (kind == u"swapped halves") {
        // 6000 rows a then 6000 rows b, against the same halves the other way round.
        rows[0].assign(6000, 1);
        rows[0].resize(12000, 2);
        rows[1].assign(6000, 2);
        rows[1].resize(12000, 1);
    } else if (kind == u"random rows of two kinds") {
        for (auto &sheet : rows) {
            for (int i = 0; i < 17000; ++i)
                sheet.push_back(random.bounded(2));
        }
    } else if (kind == u"a few per cent edited") {
        // 30 000 distinct rows; the second sheet loses, gains and changes one row in twenty, and
        // has a block of rows moved.
        for (std::uint32_t i = 0; i < 30000; ++i)
            rows[0].push_back(i);
        std::uint32_t fresh = 1'000'000;
        for (const std::uint32_t row : rows[0]) {
            const int roll = random.bounded(60);
            if (roll == 0)
                continue;
            if (roll == 1)
                rows[1].push_back(fresh++);
            rows[1].push_back(roll == 2 ? fresh++ : row);
        }
        std::rotate(rows[1].begin() + 1000, rows[1].begin() + 3000, rows[1].begin() + 9000);
    } else if (kind == u"repeated rows among unique ones") {
        for (int i = 0; i < 12000; ++i) {
            rows[0].push_back(i % 3 == 0 ? std::uint32_t(i + 10) : std::uint32_t(random.bounded(3)));
            rows[1].push_back(i % 3 == 1 ? std::uint32_t(i + 10) : std::uint32_t(random.bounded(3)));
        }
    }
    return rows;
}

// The rows after lining up by the data row each came from, "12-3" for an empty row before row 3.
QString rowOrigins(const RowAlignment &alignment, int index, int rows)
{
    QString result;
    const std::vector<int> origins = alignment.originalRows(index, rows);
    for (size_t r = 1; r < origins.size(); ++r)
        result += origins[r] == 0 ? u"-"_s : QString::number(origins[r]);
    return result;
}

// Cells that differ once both sheets are lined up, as the comparison counts them.
int differingCells(SheetData a, SheetData b, const RowAlignment &alignment, const CompareOptions &options)
{
    insertAlignedRows(a, alignment, 0);
    insertAlignedRows(b, alignment, 1);
    CellEquality equality(options);
    int differing = 0;
    for (int r = 1; r < std::max(a.rows(), b.rows()); ++r) {
        for (int c = 1; c < std::max(a.cols(), b.cols()); ++c) {
            const QStringView x = r < a.rows() && c < a.cols() ? a.text(r, c) : QStringView();
            const QStringView y = r < b.rows() && c < b.cols() ? b.text(r, c) : QStringView();
            differing += equality.equal(x, y, c) ? 0 : 1;
        }
    }
    return differing;
}

int rowsFacingEqualRows(const QString &a, const QString &b)
{
    int equal = 0;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        equal += a.at(i) == b.at(i) && a.at(i) != u'-';
    return equal;
}
} // namespace

class TestRowAlignment : public QObject
{
    Q_OBJECT

private slots:
    void linesUpInsertedAndDeletedRows_data();
    void linesUpInsertedAndDeletedRows();
    void findsALongestCommonSequence();
    void findsTheLongestSequenceOnLargeEdits_data();
    void findsTheLongestSequenceOnLargeEdits();
    void stillMatchesRowsWhenTheBudgetRunsOut_data();
    void stillMatchesRowsWhenTheBudgetRunsOut();
    void keepsEveryRowOnATinyBudget();
    void linesUpWhenMostRowsChanged();
    void pairsChangedRowsByLikeness_data();
    void pairsChangedRowsByLikeness();
    void pairsInOrderPastTheBound();
    void rowIdentitiesFollowTheCells_data();
    void rowIdentitiesFollowTheCells();
};

void TestRowAlignment::linesUpInsertedAndDeletedRows_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("firstAfter");
    QTest::addColumn<QString>("secondAfter");

    QTest::newRow("identical sheets") << u"abcd"_s << u"abcd"_s << u"abcd"_s << u"abcd"_s;
    QTest::newRow("row inserted in the middle of the second") << u"abcd"_s << u"abXcd"_s << u"ab-cd"_s << u"abXcd"_s;
    QTest::newRow("row inserted at the top of the second") << u"abcd"_s << u"Xabcd"_s << u"-abcd"_s << u"Xabcd"_s;
    QTest::newRow("rows appended to the second") << u"abcd"_s << u"abcdXY"_s << u"abcd--"_s << u"abcdXY"_s;
    QTest::newRow("row inserted in the first") << u"abXcd"_s << u"abcd"_s << u"abXcd"_s << u"ab-cd"_s;
    QTest::newRow("row deleted at the top of the first") << u"bcd"_s << u"abcd"_s << u"-bcd"_s << u"abcd"_s;
    QTest::newRow("last row deleted from the second") << u"abcd"_s << u"abc"_s << u"abcd"_s << u"abc-"_s;
    QTest::newRow("changed rows in a stretch face each other")
        << u"abXYe"_s << u"abPQRe"_s << u"abXY-e"_s << u"abPQRe"_s;
    QTest::newRow("changed row, nothing to insert") << u"abXd"_s << u"abYd"_s << u"abXd"_s << u"abYd"_s;
    QTest::newRow("rows at two places of one sheet") << u"abcd"_s << u"aXbcYd"_s << u"a-bc-d"_s << u"aXbcYd"_s;
    QTest::newRow("insertions in both sheets") << u"aXbcd"_s << u"abcYd"_s << u"aXbc-d"_s << u"a-bcYd"_s;
    QTest::newRow("sheets of empty rows") << u"    "_s << u"  "_s << u"    "_s << u"  --"_s;
    QTest::newRow("nothing in common") << u"abc"_s << u"XYZW"_s << u"abc-"_s << u"XYZW"_s;
    QTest::newRow("one empty side") << QString() << u"ab"_s << u"--"_s << u"ab"_s;
}

void TestRowAlignment::linesUpInsertedAndDeletedRows()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, firstAfter);
    QFETCH(QString, secondAfter);

    const RowAlignment alignment = align(first, second);
    QCOMPARE(linedUp(first, alignment.insertions[0]), firstAfter);
    QCOMPARE(linedUp(second, alignment.insertions[1]), secondAfter);
    // Put into sheet data, the empty rows land there and are the filler rows, nothing else is.
    const std::array<QString, 2> sheets{first, second};
    const std::array<QString, 2> expected{firstAfter, secondAfter};
    for (int sheet = 0; sheet < 2; ++sheet) {
        SheetData data = sheetOf(sheets[size_t(sheet)]);
        insertAlignedRows(data, alignment, sheet);
        QCOMPARE(rowsOf(data), expected[size_t(sheet)]);
        std::vector<int> fillers;
        for (qsizetype r = 0; r < expected[size_t(sheet)].size(); ++r) {
            if (expected[size_t(sheet)].at(r) == u'-')
                fillers.push_back(int(r) + 1);
        }
        QCOMPARE(alignment.fillerRows(sheet), fillers);
    }
    QCOMPARE(alignment.changesNothing(), first.size() == second.size() && firstAfter == first);
    // Each row's partner is the row facing it afterwards, or none when an empty row does.
    std::array<std::vector<int>, 2> places;
    const std::array<QString, 2> after{linedUp(first, alignment.insertions[0], &places[0]),
                                       linedUp(second, alignment.insertions[1], &places[1])};
    for (int sheet = 0; sheet < 2; ++sheet) {
        for (size_t row = 0; row < places[size_t(sheet)].size(); ++row) {
            const int place = places[size_t(sheet)][row];
            const int partner = alignment.partners[size_t(sheet)][row];
            const QChar facing = after[size_t(1 - sheet)].at(place);
            QCOMPARE(partner == 0, facing == u'-');
            if (partner > 0)
                QCOMPARE(places[size_t(1 - sheet)][size_t(partner - 1)], place);
        }
    }
}

void TestRowAlignment::findsALongestCommonSequence()
{
    // Against a plain dynamic-programming count, on random sheets with few distinct rows.
    QRandomGenerator random(11);
    for (int round = 0; round < 300; ++round) {
        QString a, b;
        const int lengthA = random.bounded(0, 40);
        const int lengthB = random.bounded(0, 40);
        for (int i = 0; i < lengthA; ++i)
            a += QChar(u'a' + random.bounded(0, 4));
        for (int i = 0; i < lengthB; ++i)
            b += QChar(u'a' + random.bounded(0, 4));
        const RowAlignment alignment = align(a, b);
        const QString afterA = linedUp(a, alignment.insertions[0]);
        const QString afterB = linedUp(b, alignment.insertions[1]);
        QCOMPARE(afterA.size(), afterB.size());
        QVERIFY2(rowsFacingEqualRows(afterA, afterB) >= longestCommonSequence(a, b),
                 qPrintable(a + u" / "_s + b + u" -> "_s + afterA + u" / "_s + afterB));
    }
}

void TestRowAlignment::findsTheLongestSequenceOnLargeEdits_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind :
         {"swapped halves", "random rows of two kinds", "a few per cent edited", "repeated rows among unique ones"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestRowAlignment::findsTheLongestSequenceOnLargeEdits()
{
    QFETCH(QString, kind);
    const auto [a, b] = largePair(kind);
    const RowAlignment alignment = alignRows(a, b);
    QVERIFY(alignment.longest);
    QCOMPARE(matchedRows(alignment, a, b), longestCommonLength(a, b));
}

void TestRowAlignment::stillMatchesRowsWhenTheBudgetRunsOut_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("swapped halves") << u"swapped halves"_s;
    QTest::newRow("random rows of two kinds") << u"random rows of two kinds"_s;
}

void TestRowAlignment::stillMatchesRowsWhenTheBudgetRunsOut()
{
    // With no budget at all every deep search stops early: the rows matched are fewer at worst,
    // never none, and the result says it may not be the longest.
    QFETCH(QString, kind);
    const auto [a, b] = largePair(kind);
    const RowAlignment alignment = alignRows(a, b, 0);
    QVERIFY(!alignment.longest);
    const int longest = longestCommonLength(a, b);
    const int matched = matchedRows(alignment, a, b);
    QVERIFY2(matched >= longest * 9 / 10, qPrintable(u"%1 of %2"_s.arg(matched).arg(longest)));
    QCOMPARE(withLineUpNote(u"揃えました。"_s, alignment), u"揃えました。\r\n行の対応は最長ではない可能性があります"_s);
}

void TestRowAlignment::keepsEveryRowOnATinyBudget()
{
    QString a, b;
    for (int i = 0; i < 2000; ++i) {
        a += QChar(0x4E00 + i);
        b += QChar(0x6000 + i);
    }
    b.insert(1000, a.mid(500, 10)); // ten rows in common, deep inside
    const RowAlignment alignment = align(a, b, 10'000);
    const QString afterA = linedUp(a, alignment.insertions[0]);
    const QString afterB = linedUp(b, alignment.insertions[1]);
    // Still two sheets of one length, every row kept in its order.
    QCOMPARE(afterA.size(), afterB.size());
    QCOMPARE(QString(afterA).remove(u'-'), a);
    QCOMPARE(QString(afterB).remove(u'-'), b);
}

void TestRowAlignment::linesUpWhenMostRowsChanged()
{
    // Every other row changed (as when a few cells of most rows were edited) and one unchanged
    // row deleted from the second sheet: far too many differences for the exact search's effort.
    QString a, b;
    for (int i = 0; i < 2000; ++i) {
        a += QChar(0x4E00 + i);
        b += QChar(i % 2 ? 0x9000 + i : 0x4E00 + i);
    }
    b.remove(1000, 1);
    const RowAlignment alignment = align(a, b, 10'000);
    // The stretch around the deleted row gets the empty row at its end, and every row after it
    // faces its own partner again.
    QVERIFY(alignment.insertions[0].empty());
    QCOMPARE(alignment.insertions[1], (std::vector<RowInsertion>{{1002, 1}}));
    const QString afterA = linedUp(a, alignment.insertions[0]);
    const QString afterB = linedUp(b, alignment.insertions[1]);
    QCOMPARE(rowsFacingEqualRows(afterA, afterB), 999);
}

void TestRowAlignment::pairsChangedRowsByLikeness_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("firstAfter");
    QTest::addColumn<QString>("secondAfter");
    QTest::addColumn<int>("differing");

    QTest::newRow("a deleted row above a changed one faces an empty row")
        << u"k,k,k|1,a,x|2,b,y|z,z,z"_s << u"k,k,k|2,b,Y|z,z,z"_s << QString() << u"1234"_s << u"1-23"_s << 4;
    QTest::newRow("rows of two stretches pair within their own stretch")
        << u"k,k|1,a|m,m|2,b|3,c|z,z"_s << u"k,k|1,A|m,m|3,C|z,z"_s << QString() << u"123456"_s << u"123-45"_s << 4;
    QTest::newRow("equal rows still match, the changed one beside them pairs")
        << u"1,a|2,b|3,c"_s << u"1,a|9,9|2,B|3,c"_s << QString() << u"1-23"_s << u"1234"_s << 3;
    QTest::newRow("rows alike under the options pair")
        << u"k,k,k|x,a,b|Y,C,D|z,z,z"_s << u"k,k,k|y,c,e|z,z,z"_s << u"ignore-case"_s << u"1234"_s << u"1-23"_s << 4;
    QTest::newRow("a column left out does not count")
        << u"k,k,k|a,x,1|b,y,2|z,z,z"_s << u"k,k,k|b,Y,1|z,z,z"_s << u"skip-columns=3"_s << u"1234"_s << u"1-23"_s << 3;
    QTest::newRow("empty rows cost nothing to leave alone")
        << u"k,k|,|x,y|z,z"_s << u"k,k|x,Y|z,z"_s << QString() << u"1234"_s << u"1-23"_s << 1;
}

void TestRowAlignment::pairsChangedRowsByLikeness()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, options);
    QFETCH(QString, firstAfter);
    QFETCH(QString, secondAfter);
    QFETCH(int, differing);

    SheetData a;
    SheetData b;
    fillSheet(a, first);
    fillSheet(b, second);
    const CompareOptions compareOptions = compareOptionsFromText(options);
    const std::optional<RowAlignment> lined = lineUpRows(a, b, compareOptions);
    QVERIFY(lined);
    QCOMPARE(rowOrigins(*lined, 0, a.rows() - 1), firstAfter);
    QCOMPARE(rowOrigins(*lined, 1, b.rows() - 1), secondAfter);
    QCOMPARE(differingCells(a, b, *lined, compareOptions), differing);
}

// A stretch past kLikenessPairLimit keeps today's order: the extra row at its top shifts every
// pair, where likeness would have paired each row with its changed self.
void TestRowAlignment::pairsInOrderPastTheBound()
{
    for (const int rows : {100, 2001}) {
        QStringList first{u"k,k"_s};
        QStringList second{u"k,k"_s, u"new,new"_s};
        for (int i = 0; i < rows; ++i) {
            first << u"%1,x"_s.arg(i);
            second << u"%1,y"_s.arg(i);
        }
        first << u"z,z"_s;
        second << u"z,z"_s;
        SheetData a;
        SheetData b;
        fillSheet(a, first.join(u'|'));
        fillSheet(b, second.join(u'|'));
        const std::optional<RowAlignment> lined = lineUpRows(a, b, CompareOptions());
        QVERIFY(lined);
        const bool likeness = std::int64_t(rows) * (rows + 1) <= kLikenessPairLimit;
        QCOMPARE(lined->partners[0][1], likeness ? 3 : 2);
        QCOMPARE(lined->partners[0][size_t(rows)], likeness ? rows + 2 : rows + 1);
    }
}

QTEST_GUILESS_MAIN(TestRowAlignment)
// A row of each sheet, written as cells: whether the two rows are one row to the lining up.
void TestRowAlignment::rowIdentitiesFollowTheCells_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("options");
    QTest::addColumn<bool>("same");
    QTest::newRow("the same units cut into other cells") << u"ab,c"_s << u"a,bc"_s << QString() << false;
    // Under a tolerance every number has one stand-in: the texts decide.
    QTest::newRow("numbers within the tolerance") << u"10,a"_s << u"12,a"_s << u"numeric=5"_s << true;
    QTest::newRow("numbers past the tolerance") << u"10,a"_s << u"30,a"_s << u"numeric=5"_s << false;
}

void TestRowAlignment::rowIdentitiesFollowTheCells()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, options);
    QFETCH(bool, same);
    SheetData a;
    SheetData b;
    fillSheet(a, first);
    fillSheet(b, second);
    const std::array<std::vector<std::uint32_t>, 2> rows = rowIdentities(a, b, compareOptionsFromText(options));
    QCOMPARE(rows[0][0] == rows[1][0], same);
}

#include "tst_rowalignment.moc"
