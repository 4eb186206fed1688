#include "Sheet.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Which rows and columns the grid shows, and how the sheet's scroll position and cell places count
// only the shown ones.
class TestShownLines : public QObject
{
    Q_OBJECT

private slots:
    void placesCountOnlyShownRows_data();
    void placesCountOnlyShownRows();
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

} // namespace

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

QTEST_GUILESS_MAIN(TestShownLines)
#include "tst_shownlines.moc"
