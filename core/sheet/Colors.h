#pragma once

#include <QtGlobal>

// Colours as the sheets store them: 0x00BBGGRR, or 0x800000nn for a system colour (nn = the
// platform's colour index). Only the view turns them into QColor.
using OleColor = quint32;

inline constexpr OleColor kDiffBackColor = 0x8080FF; // light red: the two sheets differ here
inline constexpr OleColor kExtraBackColor = 0xFF00FF; // magenta: only the larger sheet has this cell
inline constexpr OleColor kEquivalentBackColor = 0xB0F2FF; // light yellow: equal only under the comparison options
inline constexpr OleColor kFillerBackColor = 0xE0E0E0; // light grey: an empty row put in to line up rows
inline constexpr OleColor kWindowBackColor = 0x80000005; // system window colour: equal or untouched
inline constexpr OleColor kMarkForeColor = 0xFF0000; // blue: the clicked cell and its partner
inline constexpr OleColor kWindowTextColor = 0x80000008; // system window text colour

inline constexpr OleColor kLinkColor = 0xFF0000; // home page link, normal and clicked
inline constexpr OleColor kLinkHoverColor = 0xFFFF00; // home page link under the mouse

inline constexpr bool isSystemColor(OleColor color)
{
    return (color & 0x80000000u) != 0;
}

// Plain RGB components of a non-system colour.
inline constexpr int oleRed(OleColor color)
{
    return int(color & 0xFF);
}
inline constexpr int oleGreen(OleColor color)
{
    return int((color >> 8) & 0xFF);
}
inline constexpr int oleBlue(OleColor color)
{
    return int((color >> 16) & 0xFF);
}
