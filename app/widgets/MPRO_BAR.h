#pragma once

#include <QColor>
#include <QString>

class QFont;
class QImage;

// The progress bar of the comparison, painted into any image.
namespace MPRO_BAR
{
inline constexpr QRgb kProgressBackColour = qRgb(255, 255, 255); // white
inline constexpr QRgb kProgressBarColour = qRgb(0, 0, 128); // navy
} // namespace MPRO_BAR

// Paints `percent` (0 to 100) as a navy bar on white with the text "<percent>%" centred on it,
// in `font`.
void ShowProgressPercent(QImage &area, int percent, const QFont &font);

// Paints a bar over `fraction` of the area's width with `text` centred on the area. The part of
// the text the bar covers shows inverted: with a white background and a navy bar the covered text
// is white and the rest navy. A fraction above 1 is painted as a full bar and the caller's
// variable becomes 1; a fraction below 0 is left as it is. `area` should be an opaque RGB image.
void PaintProgressBar(QImage &area, float &fraction, const QString &text, QRgb backColour, QRgb barColour,
                      const QFont &font);
