#include "MPRO_BAR.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace
{
// Nearest integer, halves to the even neighbour.
int roundHalfEven(float value)
{
    return int(std::nearbyint(value));
}

// Fills the columns between x1 and x2 (in either order) over the height h.
void fillBetween(QPainter &painter, int x1, int x2, int h, QRgb colour)
{
    const int left = std::min(x1, x2);
    const int right = std::max(x1, x2);
    painter.fillRect(QRect(left, 0, right - left, h), QColor::fromRgb(colour));
}
} // namespace

void ShowProgressPercent(QImage &area, int percent, const QFont &font)
{
    float fraction = float(double(percent) / 100.0);
    const QString text = QString::number(percent) + QLatin1Char('%');
    PaintProgressBar(area, fraction, text, MPRO_BAR::kProgressBackColour, MPRO_BAR::kProgressBarColour, font);
}

void PaintProgressBar(QImage &area, float &fraction, const QString &text, QRgb backColour, QRgb barColour,
                      const QFont &font)
{
    if (fraction > 1.0f)
        fraction = 1.0f;
    if (area.isNull())
        return;

    const int w = roundHalfEven(float(area.width()));
    const int h = roundHalfEven(float(area.height()));
    const int x = roundHalfEven(fraction * float(area.width()));

    QPainter painter(&area);
    if (!painter.isActive())
        return;

    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(0, 0, w, h), QColor::fromRgb(backColour));

    // The text is drawn plainly; only the two fills below invert what they cover. Without
    // antialiasing every text pixel is exactly the bar colour, so the inversion gives clean
    // colours instead of a fringe of mixed ones.
    QFont textFont(font);
    textFont.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(textFont);
    const QFontMetricsF metrics(textFont, &area);
    const double textX = (w - metrics.horizontalAdvance(text)) / 2.0;
    const double textY = (h - metrics.height()) / 2.0;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QColor::fromRgb(barColour));
    painter.drawText(QPointF(textX, textY + metrics.ascent()), text);

    // Each result pixel is the complement of colour XOR destination: the bar colour turns the
    // white background into the bar colour and the bar-coloured text into white, and the
    // background colour leaves everything as it is.
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    fillBetween(painter, 0, x, h, barColour);
    fillBetween(painter, x, w, area.height(), backColour);
}
