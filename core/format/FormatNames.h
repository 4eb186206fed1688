#pragma once

#include "SheetFileFormat.h"

#include <QString>
#include <QStringView>

#include <optional>

// How the window's status bar and the difference reports name a file's format: one spelling for
// each encoding, line end and delimiter.

// "UTF-8", "UTF-8（BOM付き）", "Shift_JIS", "EUC-JP", "UTF-16LE", "UTF-16BE（BOM付き）", ….
[[nodiscard]] QString encodingDisplayName(TextEncoding encoding);

// The encoding a command line or the settings file names: "auto" (nothing: told from the file),
// "utf-8", "utf-8-bom", "shift_jis" (also "sjis", "cp932"), "euc-jp", "utf-16le", "utf-16be", in
// any case, into encoding. False, with encoding unchanged, for a name that is none of these.
[[nodiscard]] bool encodingFromName(QStringView name, std::optional<TextEncoding> &encoding);
// The name encodingFromName() reads back: "auto" for nothing.
[[nodiscard]] QString encodingKeyName(std::optional<TextEncoding> encoding);

// "CR LF", "LF", "CR".
[[nodiscard]] QString lineEndDisplayName(LineEnd lineEnd);

// The delimiter the sheets are read with: "カンマ（,）" in comma mode (delimiterMode 0); in
// delimiter mode "タブ" for a TAB, "空白" for a blank, any other delimiter as typed between 「」
// ("「|」"), so that a blank within it still shows.
[[nodiscard]] QString delimiterDisplayName(int delimiterMode, QStringView delimiter);
