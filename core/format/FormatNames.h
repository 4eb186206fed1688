#pragma once

#include "SheetFileFormat.h"

#include <QString>
#include <QStringView>

// How the window's status bar and the difference reports name a file's format: one spelling for
// each encoding, line end and delimiter.

// "UTF-8", "UTF-8（BOM付き）", "Shift_JIS".
[[nodiscard]] QString encodingDisplayName(TextEncoding encoding);

// "CR LF", "LF", "CR".
[[nodiscard]] QString lineEndDisplayName(LineEnd lineEnd);

// The delimiter the sheets are read with: "カンマ（,）" in comma mode (delimiterMode 0); in
// delimiter mode "タブ" for a TAB, "空白" for a blank, any other delimiter as typed between 「」
// ("「|」"), so that a blank within it still shows.
[[nodiscard]] QString delimiterDisplayName(int delimiterMode, QStringView delimiter);
