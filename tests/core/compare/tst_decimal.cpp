#include "Decimal.h"
#include "TextFolding.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace
{
// A value of thousandths written as a cell would: "-12.345", "0.5", "7".
QString thousandths(qint64 value)
{
    const qint64 whole = qAbs(value) / 1000;
    const qint64 part = qAbs(value) % 1000;
    QString text = (value < 0 ? u"-"_s : QString()) + QString::number(whole);
    if (part != 0)
        text += u'.' + QString::number(part).rightJustified(3, u'0');
    return text;
}

Decimal read(const QString &text)
{
    const std::optional<Decimal> number = TextFolding::readDecimal(text);
    if (!number)
        qFatal("not a number: %s", qPrintable(text));
    return *number;
}
} // namespace

class TestDecimal : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithIntegerArithmetic_data();
    void agreesWithIntegerArithmetic();
};

void TestDecimal::agreesWithIntegerArithmetic_data()
{
    QTest::addColumn<int>("range"); // values lie within ± range thousandths
    QTest::addColumn<int>("toleranceRange");
    QTest::newRow("small values, tolerances of their size") << 3000 << 3000;
    QTest::newRow("large values, small tolerances") << 2'000'000'000 << 2000;
    QTest::newRow("values around zero, tolerances across it") << 600 << 1200;
}

// Against exact integer arithmetic on thousandths: the order, the tolerance check, and the grid
// that groups keys, whose two cells for a value must hold every value within the tolerance.
void TestDecimal::agreesWithIntegerArithmetic()
{
    QFETCH(int, range);
    QFETCH(int, toleranceRange);
    QRandomGenerator random(41);
    constexpr qint64 kHalves[] = {5, 50, 500, 5000}; // half a grid's width: the edge cases
    for (int round = 0; round < 40000; ++round) {
        const qint64 t
            = round % 8 < 4 ? kHalves[round % 4] % (toleranceRange + 1) + 1 : random.bounded(1, toleranceRange + 1);
        // The 64-bit form: the span of the 32-bit one would overflow an int for the widest range.
        qint64 a = random.bounded(-qint64(range), qint64(range) + 1);
        qint64 b = random.bounded(-qint64(range), qint64(range) + 1);
        // Mostly near each other and often exactly the tolerance apart, some of them from a value
        // in the middle of a grid cell, so that every edge is met.
        switch (round % 4) {
        case 1:
            b = a + random.bounded(-t - 2, t + 3);
            break;
        case 2:
            b = a + (round % 8 < 4 ? t : -t);
            break;
        case 3:
            a = (2 * random.bounded(-range / (2 * t + 1), range / (2 * t + 1) + 1) + 1) * t;
            b = a + (round % 16 < 8 ? t : -t);
            break;
        default:
            break;
        }
        const Decimal x = read(thousandths(a));
        const Decimal y = read(thousandths(b));
        const Decimal tolerance = read(thousandths(t));
        const QByteArray what = (thousandths(a) + u" "_s + thousandths(b) + u" ±"_s + thousandths(t)).toUtf8();
        QVERIFY2(compareDecimals(x, y) == (a < b ? -1 : a > b ? 1 : 0), what.constData());
        QVERIFY2(withinTolerance(x, y, tolerance) == (qAbs(a - b) <= t), what.constData());
        if (qAbs(a - b) <= t) {
            const int power = toleranceGridPower(tolerance);
            const ToleranceCells cellsX = toleranceCells(x, power);
            const std::string ownY = toleranceCells(y, power).own;
            QVERIFY2(ownY == cellsX.own || ownY == cellsX.neighbour, what.constData());
        }
    }
}

QTEST_GUILESS_MAIN(TestDecimal)
#include "tst_decimal.moc"
