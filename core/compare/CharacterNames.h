#pragma once

#include <QString>

// Unicode character names for the characters that tell look-alikes apart: blanks, hyphens and
// dashes, the kana marks, quotes, signs, ASCII and the full-width forms of ASCII. Qt carries no
// name database; a character outside this set is named by its code alone.

// "U+2212 MINUS SIGN", or "U+XXXX" alone for a character without a name here.
[[nodiscard]] QString characterName(char32_t codePoint);

// "U+2212": the code, with at least four hex digits in upper case.
[[nodiscard]] QString codePointText(char32_t codePoint);
