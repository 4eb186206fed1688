#pragma once

#include "Cp932.h"
#include "EncodingDetection.h"
#include "SheetFileFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QStringConverter>
#include <QStringView>

#include <optional>

// A sheet file's bytes turned into text, with what is needed to write them back the same way.
struct DecodedText
{
    QString text; // without the byte order mark
    TextEncoding encoding = TextEncoding::Utf8;
    // Whether encoding text again gives back the file's bytes exactly. Not so for bytes invalid in
    // the encoding (they were replaced) and for the duplicate codes of Shift-JIS (NEC and IBM
    // extensions read as one character and written back as the other).
    bool writesBackUnchanged = true;
    qint64 byteCount = 0; // bytes read, the byte order mark included
    // A file that is no text: nothing was decoded.
    EncodingDetection::BinaryKind binary = EncodingDetection::BinaryKind::None;
    // Shift-JIS: the duplicate codes the file used (SheetFileFormat::alternateCodes).
    std::vector<quint16> alternateCodes;
    // A file found not to be UTF-8: the line of its first byte that is none, and whether the rest
    // is UTF-8 but for a few bytes (the person is then told it was read in another encoding).
    qsizetype firstInvalidLine = 0;
    bool mostlyUtf8 = false;
};

namespace TextCodec
{

inline constexpr qsizetype kDefaultPieceBytes = qsizetype(1) << 20;

// Whether a file that is no text is refused (a sheet's file) or decoded all the same (text taken
// out of another file's bytes).
enum class BinaryFiles { Refused, Decoded };

// The encoding is the chosen one, or else the one EncodingDetection tells; a file that is no text
// is not decoded (DecodedText::binary). Every byte reaches the text: bytes invalid in the encoding, an incomplete
// character at the end included, are read as U+FFFD, and the text then does not write back unchanged.
//
// Reads the device from its start in pieces of about pieceBytes, so that a large file is never
// held as bytes and text at once (the text is the sheet's text pool: its memory is the file's).
// sizeHint is the expected size in bytes. The text keeps its unused room, for a reader to add to
// it in place. Nothing when reading fails or passes maxBytes.
[[nodiscard]] std::optional<DecodedText> decodeDevice(QIODevice &in, qint64 sizeHint, qint64 maxBytes,
                                                      qsizetype pieceBytes = kDefaultPieceBytes,
                                                      std::optional<TextEncoding> chosen = std::nullopt,
                                                      BinaryFiles binaryFiles = BinaryFiles::Refused);
// The same for bytes in memory, which are decoded even when they are no text.
[[nodiscard]] DecodedText decode(QByteArrayView bytes);
// Whether text written in encoding (without the byte order mark) is exactly bytes.
[[nodiscard]] bool encodesTo(QStringView text, TextEncoding encoding, QByteArrayView bytes);
// Where in text the first character is that encoding cannot hold; -1 when it holds them all.
[[nodiscard]] qsizetype unencodableAt(QStringView text, TextEncoding encoding);
[[nodiscard]] QByteArray byteOrderMark(TextEncoding encoding);

// Writes texts in one encoding, refusing characters the encoding cannot hold: they would be
// written as some other character and the file would no longer say what the sheet shows. Shift-JIS
// is code page 932, which writes the seven characters of Linux input methods it has only as
// look-alikes (〜 − — ‖ ¢ £ ¬) as those (see Cp932::encode).
class Encoder
{
public:
    // alternateCodes: the Shift-JIS codes to write instead of the usual ones (SheetFileFormat).
    explicit Encoder(TextEncoding encoding, const std::vector<quint16> &alternateCodes = {});
    // Appends text to out; false, with out unchanged, when some character cannot be written.
    [[nodiscard]] bool append(QByteArray &out, QStringView text);

private:
    TextEncoding m_encoding;
    QStringEncoder m_utf8;
    Cp932::Overrides m_overrides;
};

} // namespace TextCodec
