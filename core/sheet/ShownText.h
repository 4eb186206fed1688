#pragma once

#include <QString>
#include <QStringView>

// The most characters of one cell that the grid and its tool tips show. A cell can hold a whole
// file (a one-line file of 1 GiB is one cell); laying out such a text for every paint would take
// seconds and gigabytes, so the screen gets its beginning instead. The cell itself keeps every
// character: this is only what is shown.
inline constexpr qsizetype kMaxShownLength = 4096;

// Marks a shown text as the beginning of a longer one.
inline constexpr char16_t kCutMark = u'\u2026'; // …

// A cell's text as the screen shows it: the whole text up to kMaxShownLength characters, else its
// first kMaxShownLength characters (one fewer where the cut would split a surrogate pair) followed
// by kCutMark. Copies only what it returns.
[[nodiscard]] QString shownText(QStringView text);
