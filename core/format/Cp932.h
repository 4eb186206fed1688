#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <unordered_map>
#include <vector>

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

// Which code a file used for each character the code page holds under two or more codes, kept
// across the pieces of one file. A file that uses one code per character writes back unchanged
// when it is written with those codes; one that uses two codes for one character cannot.
struct CodeForms
{
    std::unordered_map<char16_t, quint16> codeOf;
    bool mixed = false; // some character came under two codes
};
// As decode() above, but a duplicate code no longer makes the text inexact: forms records it.
char16_t *decode(QByteArrayView bytes, char16_t *out, bool &exact, CodeForms &forms);
// The codes, sorted, forms holds for characters whose usual code is another one.
[[nodiscard]] std::vector<quint16> alternateCodes(const CodeForms &forms);

// The character to write with another code than its usual one, from a list of alternateCodes().
using Overrides = std::unordered_map<char16_t, quint16>;
[[nodiscard]] Overrides overridesFor(const std::vector<quint16> &alternateCodes);

// Appends text in the code page to out. Besides its own characters, seven characters Japanese
// input methods on Linux type, which the code page holds only as full-width look-alikes, are
// written as those: 〜 U+301C as ～, − U+2212 as －, — U+2014 as ―, ‖ U+2016 as ∥, ¢ U+00A2 as ￠,
// £ U+00A3 as ￡, ¬ U+00AC as ￢. Returns -1, or the position in text of the first character it
// cannot hold (out then holds what came before it).
qsizetype encode(QStringView text, QByteArray &out, const Overrides *overrides = nullptr);

// The character of a two-byte code; 0 when the code is none.
[[nodiscard]] char16_t characterOf(quint16 code);
// The code a character is written with; 0xFFFF when it has none.
[[nodiscard]] quint16 codeOf(char16_t ch);

// How plausible bytes are as text of the code page, for telling it from EUC-JP: bytes that start
// no character, and characters rare in office files (half-width katakana, the user-defined area).
struct Tally
{
    qint64 invalid = 0;
    qint64 unlikely = 0;
};
// Adds the tally of bytes, which end where no character is cut (before a byte below 0x40).
void tally(QByteArrayView bytes, Tally &into);

} // namespace Cp932
