#pragma once

#include <QRect>

#include <cmath>

class QScreen;

// Every length of the window's layout is kept in twips (1440 per inch), as the layout rules are
// written; this is the one place where twips meet device-independent pixels.
inline constexpr double kTwipsPerInch = 1440.0;

struct TwipsRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const TwipsRect &, const TwipsRect &) = default;
};

class Twips
{
public:
    // `dpi` is the screen's logical dots per inch (96 on an ordinary desktop and offscreen).
    explicit Twips(double dpi = 96.0)
        : m_dpi(dpi > 0 ? dpi : 96.0)
    {
    }

    [[nodiscard]] int toPixels(double twips) const
    {
        return int(std::lround(twips * m_dpi / kTwipsPerInch));
    }
    [[nodiscard]] double toTwips(double pixels) const
    {
        return pixels * kTwipsPerInch / m_dpi;
    }
    [[nodiscard]] QRect toPixels(const TwipsRect &rect) const
    {
        return QRect(toPixels(rect.left), toPixels(rect.top), toPixels(rect.width), toPixels(rect.height));
    }
    [[nodiscard]] double dpi() const
    {
        return m_dpi;
    }

    // For a screen (null: the primary screen); 96 dpi when there is none. Defined with the window's
    // core (Twips.cpp there), which links Qt Gui; the sheet storage never asks a screen.
    [[nodiscard]] static Twips forScreen(const QScreen *screen);

private:
    double m_dpi;
};
