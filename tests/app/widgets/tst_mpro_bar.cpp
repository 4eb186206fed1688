#include "MPRO_BAR.h"

#include <QFont>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kNavy = qRgb(0, 0, 128);
constexpr int kWidth = 385; // the dialog's bar at 96 dpi
constexpr int kHeight = 25;

QImage freshArea(int width = kWidth, int height = kHeight)
{
    QImage area(width, height, QImage::Format_RGB32);
    area.fill(qRgb(200, 30, 30)); // whatever was there before must not show through
    return area;
}

QFont barFont()
{
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(16);
    return font;
}

// Pixels of `colour` in the columns [left, right).
int countIn(const QImage &image, int left, int right, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x < right; ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                ++count;
        }
    }
    return count;
}

// Horizontal centre of the pixels of `colour` in the columns [left, right), or -1 if none.
double centreOf(const QImage &image, int left, int right, QRgb colour)
{
    int first = -1;
    int last = -1;
    for (int x = left; x < right; ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
    }
    return first < 0 ? -1 : (first + last) / 2.0;
}
} // namespace

class TestMPRO_BAR : public QObject
{
    Q_OBJECT

private slots:
    void percent_data();
    void percent();
    void fractionAboveOneIsClampedForTheCaller();
    void fractionBelowZeroIsLeftAlone();
    void barEdgeRoundsHalfToEven_data();
    void barEdgeRoundsHalfToEven();
};

void TestMPRO_BAR::percent_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("barEdge"); // X: percent of 385 pixels, rounded

    QTest::newRow("0 %: white with navy text") << 0 << 0;
    QTest::newRow("52 %: bar ends just right of the centre") << 52 << 200;
    QTest::newRow("100 %: navy with white text") << 100 << kWidth;
}

void TestMPRO_BAR::percent()
{
    QFETCH(int, percent);
    QFETCH(int, barEdge);

    QImage area = freshArea();
    ShowProgressPercent(area, percent, barFont());

    // Only the two colours, nothing of the old contents.
    const int pixels = kWidth * kHeight;
    QCOMPARE(countIn(area, 0, kWidth, kWhite) + countIn(area, 0, kWidth, kNavy), pixels);

    // The bar: navy up to X, white after it, away from the text in the middle.
    for (int y : {0, kHeight / 2, kHeight - 1}) {
        if (barEdge > 0) {
            QCOMPARE(area.pixel(0, y) & 0xFFFFFF, kNavy & 0xFFFFFF);
            QCOMPARE(area.pixel(barEdge - 1, 0) & 0xFFFFFF, kNavy & 0xFFFFFF);
        }
        if (barEdge < kWidth) {
            QCOMPARE(area.pixel(kWidth - 1, y) & 0xFFFFFF, kWhite & 0xFFFFFF);
            QCOMPARE(area.pixel(barEdge, 0) & 0xFFFFFF, kWhite & 0xFFFFFF);
        }
    }

    // The text: white where the bar covers it, navy elsewhere; centred on the area.
    const int whiteOnBar = countIn(area, 0, barEdge, kWhite);
    const int navyOnWhite = countIn(area, barEdge, kWidth, kNavy);
    if (percent == 0) {
        QCOMPARE(whiteOnBar, 0);
        QVERIFY(navyOnWhite > 20);
        QVERIFY(qAbs(centreOf(area, 0, kWidth, kNavy) - kWidth / 2.0) <= 2.0);
    } else if (percent == 100) {
        QCOMPARE(navyOnWhite, 0);
        QVERIFY(whiteOnBar > 20);
        QVERIFY(qAbs(centreOf(area, 0, kWidth, kWhite) - kWidth / 2.0) <= 2.0);
    } else {
        // "52%" straddles the bar's edge: its left part white on navy, its right part navy on white.
        QVERIFY(whiteOnBar > 5);
        QVERIFY(navyOnWhite > 5);
        QVERIFY(centreOf(area, 0, barEdge, kWhite) > kWidth / 2.0 - 30);
        QVERIFY(centreOf(area, barEdge, kWidth, kNavy) < kWidth / 2.0 + 30);
    }
}

void TestMPRO_BAR::fractionAboveOneIsClampedForTheCaller()
{
    QImage area = freshArea();
    float fraction = 1.5f;
    PaintProgressBar(area, fraction, u"150%"_s, kWhite, kNavy, barFont());
    QCOMPARE(fraction, 1.0f);
    QCOMPARE(countIn(area, 0, kWidth, kWhite) + countIn(area, 0, kWidth, kNavy), kWidth * kHeight);
    QCOMPARE(area.pixel(kWidth - 1, 0) & 0xFFFFFF, kNavy & 0xFFFFFF);
    QCOMPARE(countIn(area, 0, kWidth, kWhite) > 0, true); // the text, inverted
}

void TestMPRO_BAR::fractionBelowZeroIsLeftAlone()
{
    QImage area = freshArea();
    float fraction = -0.25f;
    PaintProgressBar(area, fraction, QString(), kWhite, kNavy, barFont());
    QCOMPARE(fraction, -0.25f);
    QCOMPARE(countIn(area, 0, kWidth, kWhite), kWidth * kHeight);
}

void TestMPRO_BAR::barEdgeRoundsHalfToEven_data()
{
    QTest::addColumn<float>("fraction");
    QTest::addColumn<int>("barEdge");

    // 20 pixels wide: 0.125 gives 2.5, 0.375 gives 7.5.
    QTest::newRow("2.5 goes down to 2") << 0.125f << 2;
    QTest::newRow("7.5 goes up to 8") << 0.375f << 8;
    QTest::newRow("2.4 goes down to 2") << 0.12f << 2;
}

void TestMPRO_BAR::barEdgeRoundsHalfToEven()
{
    QFETCH(float, fraction);
    QFETCH(int, barEdge);

    QImage area = freshArea(20, 4);
    PaintProgressBar(area, fraction, QString(), kWhite, kNavy, barFont());
    QCOMPARE(area.pixel(barEdge - 1, 1) & 0xFFFFFF, kNavy & 0xFFFFFF);
    QCOMPARE(area.pixel(barEdge, 1) & 0xFFFFFF, kWhite & 0xFFFFFF);
}

QTEST_MAIN(TestMPRO_BAR)
#include "tst_mpro_bar.moc"
