#include "Sheet.h"
#include "ShownLines.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Which rows and columns the grid shows, and how the sheet's scroll position and cell places count
// only the shown ones.
class TestShownLines : public QObject
{
    Q_OBJECT

private slots:
    void followsTheSheetsLines_data();
    void followsTheSheetsLines();
    void placesCountOnlyShownRows_data();
    void placesCountOnlyShownRows();
    void hiddenCurrentCellMovesToTheNearestShown();
};

namespace
{
std::vector<int> numbers(const QString &text)
{
    std::vector<int> values;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts))
        values.push_back(part.toInt());
    return values;
}

QString shownText(const ShownLines &lines)
{
    QStringList parts;
    for (int p = 0; p < lines.count(); ++p)
        parts << QString::number(lines.line(p));
    return parts.join(u',');
}
} // namespace

void TestShownLines::followsTheSheetsLines_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("shown"); // "all", or the lines given to showOnly
    QTest::addColumn<QString>("change"); // "", "insert AT N", "remove AT N", "resize N"
    QTest::addColumn<QString>("lines"); // the line at each position afterwards
    QTest::addColumn<QPoint>("block"); // first and last line of a block
    QTest::addColumn<bool>("hides"); // whether the block holds a hidden line

    QTest::newRow("unfiltered shows every line") << 5 << u"all"_s << u""_s << u"0,1,2,3,4"_s << QPoint(1, 4) << false;
    QTest::newRow("only the chosen lines, the header first")
        << 10 << u"2,5,7"_s << u""_s << u"0,2,5,7"_s << QPoint(5, 7) << true;
    QTest::newRow("neighbours shown hide nothing between them")
        << 10 << u"2,3,4"_s << u""_s << u"0,2,3,4"_s << QPoint(4, 2) << false;
    QTest::newRow("lines outside the sheet and repeats are left out")
        << 6 << u"0,3,3,9"_s << u""_s << u"0,3"_s << QPoint(3, 3) << false;
    QTest::newRow("inserted lines are shown and push the rest down")
        << 10 << u"2,5,7"_s << u"insert 5 2"_s << u"0,2,5,6,7,9"_s << QPoint(5, 7) << false;
    QTest::newRow("removed lines go and the rest move up")
        << 10 << u"2,5,7"_s << u"remove 4 2"_s << u"0,2,5"_s << QPoint(2, 5) << true;
    QTest::newRow("a sheet that grows shows its new lines")
        << 10 << u"2,5"_s << u"resize 12"_s << u"0,2,5,10,11"_s << QPoint(10, 11) << false;
    QTest::newRow("a sheet that shrinks loses the lines past its end")
        << 10 << u"2,5,7"_s << u"resize 6"_s << u"0,2,5"_s << QPoint(5, 9) << false;
}

void TestShownLines::followsTheSheetsLines()
{
    QFETCH(int, total);
    QFETCH(QString, shown);
    QFETCH(QString, change);
    QFETCH(QString, lines);
    QFETCH(QPoint, block);
    QFETCH(bool, hides);

    ShownLines shownLines(total);
    if (shown != u"all"_s)
        shownLines.showOnly(numbers(shown));
    const QStringList words = change.split(u' ');
    if (words.first() == u"insert"_s)
        shownLines.inserted(words.at(1).toInt(), words.at(2).toInt());
    else if (words.first() == u"remove"_s)
        shownLines.removed(words.at(1).toInt(), words.at(2).toInt());
    else if (words.first() == u"resize"_s)
        shownLines.resized(words.at(1).toInt());
    QCOMPARE(shownText(shownLines), lines);
    QCOMPARE(shownLines.hidesBetween(block.x(), block.y()), hides);
    // Positions and lines answer each other.
    for (int p = 0; p < shownLines.count(); ++p) {
        QVERIFY(shownLines.isShown(shownLines.line(p)));
        QCOMPARE(shownLines.positionAtOrAfter(shownLines.line(p)), p);
        QCOMPARE(shownLines.positionAtOrBefore(shownLines.line(p)), p);
    }
}

void TestShownLines::placesCountOnlyShownRows_data()
{
    // A sheet of 20 rows and 6 columns, four data rows high and three 1000-twip columns wide.
    QTest::addColumn<QString>("rows"); // shown rows, "all" for every one
    QTest::addColumn<QString>("cols");
    QTest::addColumn<QPoint>("scrollTo"); // top row, left column asked for
    QTest::addColumn<QPoint>("current"); // row, column
    QTest::addColumn<QPoint>("scrolled"); // top row, left column the sheet took
    QTest::addColumn<QPoint>("cellPlace"); // the current cell's left and top, in twips
    QTest::addColumn<QString>("visible"); // rows and columns the sheet calls visible, "r3 c2"

    QTest::newRow("every row") << u"all"_s << u"all"_s << QPoint(3, 1) << QPoint(5, 2) << QPoint(3, 1)
                               << QPoint(2000, 3 * 240) << u"r3 r4 r5 r6 c1 c2 c3"_s;
    QTest::newRow("a hidden top row stands for the next shown one")
        << u"3,6,9,12,15,18"_s << u"all"_s << QPoint(4, 1) << QPoint(12, 1) << QPoint(6, 1) << QPoint(1000, 3 * 240)
        << u"r6 r9 r12 r15 c1 c2 c3"_s;
    QTest::newRow("the last shown rows are the furthest it scrolls")
        << u"3,6,9,12,15,18"_s << u"all"_s << QPoint(18, 1) << QPoint(18, 1) << QPoint(9, 1) << QPoint(1000, 4 * 240)
        << u"r9 r12 r15 r18 c1 c2 c3"_s;
    QTest::newRow("hidden columns take no room") << u"all"_s << u"2,4,5"_s << QPoint(1, 2) << QPoint(1, 5)
                                                 << QPoint(1, 2) << QPoint(3000, 240) << u"r1 r2 r3 r4 c2 c4 c5"_s;
}

void TestShownLines::placesCountOnlyShownRows()
{
    QFETCH(QString, rows);
    QFETCH(QString, cols);
    QFETCH(QPoint, scrollTo);
    QFETCH(QPoint, current);
    QFETCH(QPoint, scrolled);
    QFETCH(QPoint, cellPlace);
    QFETCH(QString, visible);

    Sheet sheet;
    sheet.setRows(20);
    sheet.setCols(6);
    sheet.reportLayout({QList<int>(6, 1000), 240, 4000, 5 * 240});
    const auto chosen = [](const QString &text) {
        return text == u"all"_s ? std::nullopt : std::optional<std::vector<int>>(numbers(text));
    };
    sheet.setShownLines(chosen(rows), chosen(cols));
    sheet.setTopRow(scrollTo.x());
    sheet.setLeftCol(scrollTo.y());
    sheet.setCurrentCell(current.x(), current.y());
    QCOMPARE(QPoint(sheet.topRow(), sheet.leftCol()), scrolled);
    QCOMPARE(QPoint(sheet.cellLeft(), sheet.cellTop()), cellPlace);
    QStringList seen;
    for (int r = 1; r < sheet.rows(); ++r) {
        if (sheet.rowIsVisible(r))
            seen << u"r%1"_s.arg(r);
    }
    for (int c = 1; c < sheet.cols(); ++c) {
        if (sheet.colIsVisible(c))
            seen << u"c%1"_s.arg(c);
    }
    QCOMPARE(seen.join(u' '), visible);
}

void TestShownLines::hiddenCurrentCellMovesToTheNearestShown()
{
    Sheet sheet;
    sheet.setRows(10);
    sheet.setCols(5);
    sheet.setCurrentCell(7, 2);
    sheet.setShownLines(std::vector<int>{2, 4, 8}, std::vector<int>{3});
    QCOMPARE(QPoint(sheet.row(), sheet.col()), QPoint(8, 3));
    sheet.setShownLines(std::vector<int>{2, 4}, std::nullopt);
    QCOMPARE(QPoint(sheet.row(), sheet.col()), QPoint(4, 3));
    // Shown again, every row keeps its place.
    sheet.setShownLines(std::nullopt, std::nullopt);
    QCOMPARE(QPoint(sheet.row(), sheet.col()), QPoint(4, 3));
    QCOMPARE(sheet.shownRows().count(), 10);
}

QTEST_GUILESS_MAIN(TestShownLines)
#include "tst_shownlines.moc"
