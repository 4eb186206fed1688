#pragma once

#include <QtGlobal>

// The code page 932 (Windows-31J) tables, generated from Python's cp932 codec by
// make_cp932_tables.py into Cp932Tables.cpp. Cp932 decodes and encodes with them.
namespace Cp932Tables
{

// Second bytes of a two-byte code run from 0x40 to 0xFC (0x7F is never one).
inline constexpr int kTrailFirst = 0x40;
inline constexpr int kTrailCount = 0xFC - kTrailFirst + 1;

// The character of each byte on its own; U+FFFD for a lead byte, which is no character alone.
extern const char16_t kSingleByte[256];
// For a lead byte, its row in kDoubleByte; -1 for the other bytes and for lead bytes without any
// character (0x85, 0x86, 0xEB, 0xEC, 0xEF).
extern const qint8 kLeadRow[256];
extern const int kDoubleByteRows;
// The character of lead byte, second byte; 0 where the pair is no character.
extern const char16_t kDoubleByte[][kTrailCount];
// Two-byte codes (lead << 8 | second) whose character is written with another code, sorted.
extern const int kNotPreferredCount;
extern const quint16 kNotPreferred[];

} // namespace Cp932Tables
