#pragma once

#include "Colors.h"

#include <QColor>
#include <QPalette>

// The one place where the sheets' colour values become screen colours: system colours follow the
// palette (window colour = base, window text = text), the rest are 0x00BBGGRR.
inline QColor toQColor(OleColor color, const QPalette &palette)
{
    if (isSystemColor(color)) {
        switch (color & 0xFF) {
        case 5:
            return palette.color(QPalette::Base);
        case 8:
            return palette.color(QPalette::Text);
        case 13:
            return palette.color(QPalette::Highlight);
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 15:
            return palette.color(QPalette::Button);
        case 18:
            return palette.color(QPalette::ButtonText);
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(oleRed(color), oleGreen(color), oleBlue(color));
}
