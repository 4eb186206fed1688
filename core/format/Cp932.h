#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// Code page 932 (Windows-31J), the Shift-JIS of files written on Japanese Windows, as Windows
// reads and writes it: control bytes are themselves, and the NEC and IBM extensions and the
// user-defined area have their characters. The tables are generated (make_cp932_tables.py).
namespace Cp932
{

// Decodes bytes into out, which has room for bytes.size() characters (never more are written),
// and returns the end of what was written. A byte that starts no character of the code page, a
// lead byte whose second byte does not complete one, and a lead byte at the end are each U+FFFD;
// the byte after such a lead byte is read again on its own, so every byte reaches the text.
// `exact` becomes false when encoding the text would not give back these bytes: a byte was
// replaced, or a code was read whose character is written with another code (duplicates of the
// NEC and IBM extensions).
char16_t *decode(QByteArrayView bytes, char16_t *out, bool &exact);

// Appends text in the code page to out. Besides its own characters, seven characters Japanese
// input methods on Linux type, which the code page holds only as full-width look-alikes, are
// written as those: 〜 U+301C as ～, − U+2212 as －, — U+2014 as ―, ‖ U+2016 as ∥, ¢ U+00A2 as ￠,
// £ U+00A3 as ￡, ¬ U+00AC as ￢. Returns -1, or the position in text of the first character it
// cannot hold (out then holds what came before it).
qsizetype encode(QStringView text, QByteArray &out);

} // namespace Cp932
