#pragma once

#include "Cp932.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// EUC-JP as Unix systems write Japanese text: ASCII, JIS X 0208 in two bytes of 0xA1-0xFE, half-
// width katakana after 0x8E. Its characters are those of code page 932's JIS rows (the NEC row 13
// and the NEC-selected IBM rows 89-92 included, as Windows' EUC-JP has them); the six JIS symbols
// code page 932 maps to full-width forms are read as JIS has them (0xA1C1 〜, 0xA1DD −, 0xA1C2 ‖,
// 0xA1F1 ¢, 0xA1F2 £, 0xA2CC ¬). JIS X 0212 (after 0x8F) has no table here: each of its
// characters is read as U+FFFD and cannot be written.
namespace EucJp
{

// Decodes bytes into out, which has room for bytes.size() characters. Bytes that start no
// character are each U+FFFD, and so is a code without a character; `exact` then becomes false,
// and also when a character was read whose usual code is another (written back, it would change).
char16_t *decode(QByteArrayView bytes, char16_t *out, bool &exact);

// Appends text to out; -1, or the position of the first character EUC-JP cannot hold.
qsizetype encode(QStringView text, QByteArray &out);

// Adds the tally of bytes read as EUC-JP (see Cp932::Tally): invalid sequences, and half-width
// katakana, JIS X 0212 and codes without a character as unlikely ones.
void tally(QByteArrayView bytes, Cp932::Tally &into);

} // namespace EucJp
