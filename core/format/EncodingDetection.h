#pragma once

#include "Cp932.h"
#include "SheetFileFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// How a sheet file's encoding is told from its bytes, for every reader (the window's, the
// command-line companion's stored and streamed reads, the dump), in this order:
//   1. the UTF-8 byte order mark; the UTF-16 LE and BE marks;
//   2. UTF-16 without a mark, when most even or most odd bytes of the first 64 KiB are NUL and
//      those bytes read as UTF-16 (no surrogate half alone);
//   3. valid UTF-8;
//   4. EUC-JP when its reading is valid and Shift-JIS's is not, or when both are valid and
//      EUC-JP's reading has less than half as many unlikely characters (half-width katakana,
//      codes without a character, the user-defined area) as Shift-JIS's. Japanese text in
//      EUC-JP reads in Shift-JIS as runs of half-width katakana, and Shift-JIS hiragana and most
//      kanji (lead bytes 0x81-0x9F) are no EUC-JP at all, so the rule settles even short files;
//      a file of half-width katakana alone whose bytes pair up stays ambiguous and reads as
//      EUC-JP (the 文字コード menu reads it again);
//   5. else Shift-JIS (code page 932).
namespace EncodingDetection
{

inline constexpr qsizetype kHeadBytes = qsizetype(64) << 10;
inline constexpr qsizetype kNulBytes = qsizetype(8) << 10;

// What a file that is no text starts with. The load refuses such a file before any cell changes.
enum class BinaryKind { None, Zip, Pdf, Ole, Nul };

// The first bytes of a file (up to kHeadBytes) tell a workbook, an archive or a PDF, or NUL bytes
// in the first kNulBytes of a file that is no UTF-16.
[[nodiscard]] BinaryKind sniffBinaryKind(QByteArrayView head);

// Steps 1 and 2, from the first bytes: the encoding, or nothing when the whole file must be looked
// at.
[[nodiscard]] std::optional<TextEncoding> encodingFromHead(QByteArrayView head);

// Step 4 and 5, for a file that is not UTF-8.
[[nodiscard]] TextEncoding narrowEncoding(const Cp932::Tally &shiftJis, const Cp932::Tally &eucJp);

// Steps 4 and 5 over a file's bytes, given in pieces cut anywhere; and whether the file is UTF-8
// but for a few bytes (more than four whole UTF-8 characters for each byte that is none).
class NarrowTally
{
public:
    void add(QByteArrayView bytes);
    void finish();
    [[nodiscard]] TextEncoding encoding() const
    {
        return narrowEncoding(m_shiftJis, m_eucJp);
    }
    [[nodiscard]] bool mostlyUtf8() const
    {
        return m_utf8Invalid > 0 && m_utf8MultiByte > 4 * m_utf8Invalid;
    }

private:
    void addWhole(QByteArrayView bytes);

    QByteArray m_carry; // bytes after the last one that ends every character
    Cp932::Tally m_shiftJis;
    Cp932::Tally m_eucJp;
    qint64 m_utf8MultiByte = 0;
    qint64 m_utf8Invalid = 0;
};

// The length of a byte order mark the encoding writes and reads.
[[nodiscard]] qsizetype byteOrderMarkSize(TextEncoding encoding);

// The note for a file that is UTF-8 but for some bytes, read in another encoding: the line of
// the first such byte, and the encoding it was read in.
[[nodiscard]] QString notUtf8Note(qsizetype line, TextEncoding readAs);

// The refusal of a file that is no text: 「テキストファイルではありません（name）」.
[[nodiscard]] QString notTextMessage(const QString &fileName);

} // namespace EncodingDetection
