#include "TextCodec.h"

#include "Cp932.h"
#include "EncodingDetection.h"
#include "EucJp.h"
#include "FileIntro.h"
#include "Utf8Decoder.h"

#include <QBuffer>

#include <cstring>
#include <limits>

namespace
{
constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF", 3);
// Texts are checked in pieces so that the check never holds a second copy of a large file.
constexpr qsizetype kCheckChunk = qsizetype(1) << 20;

// Where a UTF-8 piece may end: before the lead byte of a character that may be incomplete.
qsizetype utf8PieceEnd(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    if (size == 0 || quint8(bytes[size - 1]) < 0x80)
        return size;
    for (qsizetype at = size - 1; at >= 0 && at >= size - 4; --at) {
        if ((quint8(bytes[at]) & 0xC0) != 0x80)
            return at;
    }
    return size; // not UTF-8 anyway
}

// Where a Shift-JIS piece may end: after a byte below 0x40, which is a character of its own and
// never the second byte of one. 0 when the piece holds none.
qsizetype shiftJisPieceEnd(QByteArrayView bytes)
{
    for (qsizetype at = bytes.size() - 1; at >= 0; --at) {
        if (quint8(bytes[at]) < 0x40)
            return at + 1;
    }
    return 0;
}

// Reads the device from its start in pieces that end where pieceEnd allows and hands each to
// take, which returns false to stop early. False when reading fails or passes maxBytes.
template<typename PieceEnd, typename Take>
bool readPieces(QIODevice &in, qint64 maxBytes, qsizetype pieceBytes, PieceEnd pieceEnd, Take take, qint64 &byteCount)
{
    byteCount = 0;
    if (!in.seek(0))
        return false;
    QByteArray buffer;
    qsizetype held = 0; // bytes of an unfinished character carried over to the next piece
    while (true) {
        buffer.resize(held + pieceBytes);
        const qint64 got = in.read(buffer.data() + held, pieceBytes);
        if (got < 0)
            return false;
        byteCount += got;
        if (byteCount > maxBytes)
            return false;
        const qsizetype filled = held + qsizetype(got);
        const bool last = got == 0;
        const qsizetype end = last ? filled : pieceEnd(QByteArrayView(buffer.constData(), filled));
        if (end > 0 || last) {
            if (!take(QByteArrayView(buffer.constData(), end)))
                return true;
            std::memmove(buffer.data(), buffer.constData() + end, size_t(filled - end));
        }
        held = filled - end;
        if (last)
            return true;
    }
}

constexpr char16_t kReplacementChar = 0xFFFD;

bool isUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16LeBom
        || encoding == TextEncoding::Utf16Be || encoding == TextEncoding::Utf16BeBom;
}

// Where a UTF-16 piece may end: after a whole unit that is no high surrogate.
auto utf16PieceEnd(bool little)
{
    return [little](QByteArrayView bytes) -> qsizetype {
        qsizetype end = bytes.size() & ~qsizetype(1);
        if (end >= 2) {
            const auto high = quint8(bytes[end - (little ? 1 : 2)]);
            if (high >= 0xD8 && high < 0xDC)
                end -= 2;
        }
        return end;
    };
}

// Decodes UTF-16 units; a surrogate half alone and an odd last byte are each U+FFFD.
char16_t *decodeUtf16(QByteArrayView bytes, char16_t *out, bool little, bool &pendingHigh, bool &exact)
{
    const auto *at = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype units = bytes.size() / 2;
    for (qsizetype i = 0; i < units; ++i, at += 2) {
        const char16_t unit = little ? char16_t(at[1] << 8 | at[0]) : char16_t(at[0] << 8 | at[1]);
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const bool low = unit >= 0xDC00 && unit < 0xE000;
        if (pendingHigh && !low) {
            out[-1] = kReplacementChar;
            exact = false;
        }
        if (low && !pendingHigh) {
            *out++ = kReplacementChar;
            exact = false;
        } else {
            *out++ = unit;
        }
        pendingHigh = high;
    }
    if (bytes.size() & 1) {
        // Only the last piece ends on an odd byte: a high half before it is alone too.
        if (pendingHigh)
            out[-1] = kReplacementChar;
        pendingHigh = false;
        *out++ = kReplacementChar;
        exact = false;
    }
    return out;
}

// The line number of the end of text: lines end with LF, or with CR
// in files without LF.
qsizetype lineNumberAtEnd(QStringView text)
{
    const qsizetype lf = text.count(u'\n');
    return 1 + (lf > 0 ? lf : text.count(u'\r'));
}

QStringDecoder utf8Decoder()
{
    // Stateless: an incomplete sequence at the end is an error, not silently held back. A second
    // byte order mark after the first one is cell text.
    return QStringDecoder(QStringConverter::Utf8,
                          QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
}

QStringEncoder utf8Encoder()
{
    return QStringEncoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
}

// Appends text to out in encoding; -1, or the position of the first character it cannot hold
// (out then holds what came before it, in the code page, or anything, in UTF-8).
qsizetype appendEncoded(QStringEncoder &utf8, QByteArray &out, QStringView text, TextEncoding encoding,
                        const Cp932::Overrides *overrides = nullptr)
{
    if (encoding == TextEncoding::ShiftJis)
        return Cp932::encode(text, out, overrides);
    if (encoding == TextEncoding::EucJp)
        return EucJp::encode(text, out);
    // UTF-8 holds every character; only a lone surrogate has no form in it.
    if (!text.isValidUtf16()) {
        for (qsizetype at = 0; at < text.size(); ++at) {
            const QChar ch = text[at];
            if (ch.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
                ++at;
            else if (ch.isSurrogate())
                return at;
        }
    }
    const qsizetype oldSize = out.size();
    if (isUtf16(encoding)) {
        const bool little = encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16LeBom;
        out.resize(oldSize + 2 * text.size());
        char *to = out.data() + oldSize;
        for (const QChar ch : text) {
            const char16_t unit = ch.unicode();
            *to++ = char(little ? unit & 0xFF : unit >> 8);
            *to++ = char(little ? unit >> 8 : unit & 0xFF);
        }
        return -1;
    }
    out.resize(oldSize + utf8.requiredSpace(text.size()));
    char *end = utf8.appendToBuffer(out.data() + oldSize, text);
    out.resize(end - out.constData());
    return -1;
}
} // namespace

namespace TextCodec
{

QByteArray byteOrderMark(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return kUtf8Bom.toByteArray();
    case TextEncoding::Utf16LeBom:
        return QByteArray("\xFF\xFE", 2);
    case TextEncoding::Utf16BeBom:
        return QByteArray("\xFE\xFF", 2);
    default:
        return QByteArray();
    }
}

std::optional<DecodedText> decodeDevice(QIODevice &in, qint64 sizeHint, qint64 maxBytes, qsizetype pieceBytes,
                                        std::optional<TextEncoding> chosen, BinaryFiles binaryFiles)
{
    DecodedText decoded;
    QString &text = decoded.text;
    if (!in.seek(0))
        return std::nullopt;
    const QByteArray head = in.read(EncodingDetection::kHeadBytes);
    if (head.isEmpty() && !in.atEnd())
        return std::nullopt;
    const FileIntro::Head found = FileIntro::headOf(head, chosen);
    if (binaryFiles == BinaryFiles::Refused && found.binary != EncodingDetection::BinaryKind::None) {
        decoded.binary = found.binary;
        decoded.byteCount = head.size();
        return decoded;
    }
    std::optional<TextEncoding> encoding = found.encoding;

    const auto reserve = [&] {
        // Room for one character per byte: untouched room costs no memory. The text keeps what is
        // left over, so that a reader can add to it without moving it. No 2 MiB pages are asked
        // for: where the system's memory is fragmented, the kernel compacts it on the first touch
        // of such pages, and the window's first two loads after its start took five times as long.
        text.reserve(qsizetype(std::max<qint64>(sizeHint, 0)) + pieceBytes + 64);
    };
    const auto appendDecoded = [&text](QStringDecoder &decoder, QByteArrayView piece) {
        const qsizetype old = text.size();
        text.resize(old + decoder.requiredSpace(piece.size()));
        const QChar *end = decoder.appendToBuffer(text.data() + old, piece);
        text.resize(end - text.constData());
    };

    // Appends the valid UTF-8 at the start of piece; how many bytes that was.
    const auto appendValidUtf8 = [&text](QByteArrayView piece) {
        // Never more characters than bytes.
        const qsizetype old = text.size();
        text.resize(old + piece.size());
        const Utf8Decoder::Decoded valid
            = Utf8Decoder::decode(piece.data(), size_t(piece.size()), reinterpret_cast<char16_t *>(text.data()) + old);
        text.resize(old + qsizetype(valid.unitsWritten));
        return qsizetype(valid.bytesRead);
    };

    reserve();
    if (encoding && isUtf16(*encoding)) {
        const bool little = *encoding == TextEncoding::Utf16Le || *encoding == TextEncoding::Utf16LeBom;
        bool first = true;
        bool exact = true;
        bool pendingHigh = false;
        const bool read = readPieces(
            in, maxBytes, pieceBytes, utf16PieceEnd(little),
            [&](QByteArrayView piece) {
                if (first) {
                    first = false;
                    piece = piece.sliced(std::min(piece.size(), EncodingDetection::byteOrderMarkSize(*encoding)));
                }
                const qsizetype old = text.size();
                text.resize(old + piece.size() / 2 + 1);
                char16_t *out = reinterpret_cast<char16_t *>(text.data()) + old;
                char16_t *end = decodeUtf16(piece, out, little, pendingHigh, exact);
                text.resize(old + (end - out));
                return true;
            },
            decoded.byteCount);
        if (!read)
            return std::nullopt;
        // A high half at the very end is alone: it is replaced, never kept in the text.
        if (pendingHigh) {
            text[text.size() - 1] = QChar(kReplacementChar);
            exact = false;
        }
        decoded.encoding = *encoding;
        decoded.writesBackUnchanged = exact;
        return decoded;
    }

    if (!encoding || *encoding == TextEncoding::Utf8 || *encoding == TextEncoding::Utf8Bom) {
        // Replaced bytes are kept as U+FFFD when the file says or the person chose it is UTF-8;
        // otherwise the first invalid byte ends the try.
        const bool replace = encoding.has_value();
        const bool marked = encoding == TextEncoding::Utf8Bom;
        bool first = true;
        bool invalid = false;
        QStringDecoder utf8 = utf8Decoder();
        const bool read = readPieces(
            in, maxBytes, pieceBytes, utf8PieceEnd,
            [&](QByteArrayView piece) {
                if (first) {
                    first = false;
                    if (marked && piece.startsWith(kUtf8Bom))
                        piece = piece.sliced(kUtf8Bom.size());
                }
                const qsizetype valid = appendValidUtf8(piece);
                if (valid == piece.size())
                    return true;
                if (!invalid && !replace)
                    decoded.firstInvalidLine = lineNumberAtEnd(text);
                invalid = true;
                if (!replace)
                    return false;
                // Qt's decoder replaces the invalid bytes, by its rules for how many. The valid part
                // ends where a character ends and the decoder keeps nothing from one call to the next,
                // so the rest decodes as it would in one call with the valid part.
                appendDecoded(utf8, piece.sliced(valid));
                return true;
            },
            decoded.byteCount);
        if (!read)
            return std::nullopt;
        if (replace || !invalid) {
            decoded.encoding = marked ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
            // Valid UTF-8 (no overlong forms, no encoded surrogates, nothing past U+10FFFF) encodes to
            // the same bytes; only replaced bytes break the round trip.
            decoded.writesBackUnchanged = !invalid;
            return decoded;
        }

        // Not UTF-8: which of the two Japanese encodings reads more plausibly, and whether the
        // file is UTF-8 but for a few bytes.
        EncodingDetection::NarrowTally tally;
        qint64 unused = 0;
        if (!readPieces(
                in, maxBytes, pieceBytes, shiftJisPieceEnd,
                [&](QByteArrayView piece) {
                    tally.add(piece);
                    return true;
                },
                unused))
            return std::nullopt;
        tally.finish();
        encoding = tally.encoding();
        decoded.mostlyUtf8 = tally.mostlyUtf8();
        text = QString();
        reserve();
    }

    decoded.encoding = *encoding;
    bool exact = true;
    Cp932::CodeForms forms;
    const bool euc = *encoding == TextEncoding::EucJp;
    const bool reread = readPieces(
        in, maxBytes, pieceBytes, shiftJisPieceEnd,
        [&](QByteArrayView piece) {
            // Neither encoding needs more characters than bytes.
            const qsizetype old = text.size();
            text.resize(old + piece.size());
            auto *out = reinterpret_cast<char16_t *>(text.data()) + old;
            const char16_t *end = euc ? EucJp::decode(piece, out, exact) : Cp932::decode(piece, out, exact, forms);
            text.resize(old + (end - out));
            return true;
        },
        decoded.byteCount);
    if (!reread)
        return std::nullopt;
    decoded.writesBackUnchanged = exact;
    if (!euc)
        decoded.alternateCodes = Cp932::alternateCodes(forms);
    return decoded;
}

DecodedText decode(QByteArrayView bytes)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return decodeDevice(buffer, bytes.size(), std::numeric_limits<qint64>::max(), kDefaultPieceBytes, std::nullopt,
                        BinaryFiles::Decoded)
        .value_or(DecodedText());
}

bool encodesTo(QStringView text, TextEncoding encoding, QByteArrayView bytes)
{
    QStringEncoder utf8 = utf8Encoder();
    QByteArray buffer;
    qsizetype done = 0;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype length = std::min(kCheckChunk, text.size() - from);
        // Keep a surrogate pair in one piece.
        if (from + length < text.size() && text[from + length - 1].isHighSurrogate())
            ++length;
        buffer.clear();
        if (appendEncoded(utf8, buffer, text.sliced(from, length), encoding) >= 0)
            return false;
        const qsizetype written = buffer.size();
        if (written > bytes.size() - done || std::memcmp(buffer.constData(), bytes.data() + done, written) != 0)
            return false;
        done += written;
        from += length;
    }
    return done == bytes.size();
}

qsizetype unencodableAt(QStringView text, TextEncoding encoding)
{
    QStringEncoder utf8 = utf8Encoder();
    QByteArray buffer;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype length = std::min(kCheckChunk, text.size() - from);
        if (from + length < text.size() && text[from + length - 1].isHighSurrogate())
            ++length;
        buffer.clear();
        const qsizetype at = appendEncoded(utf8, buffer, text.sliced(from, length), encoding);
        if (at >= 0)
            return from + at;
        from += length;
    }
    return -1;
}

Encoder::Encoder(TextEncoding encoding, const std::vector<quint16> &alternateCodes)
    : m_encoding(encoding)
    , m_utf8(utf8Encoder())
    , m_overrides(Cp932::overridesFor(alternateCodes))
{
}

bool Encoder::append(QByteArray &out, QStringView text)
{
    const qsizetype oldSize = out.size();
    if (appendEncoded(m_utf8, out, text, m_encoding, &m_overrides) < 0)
        return true;
    out.truncate(oldSize);
    return false;
}

} // namespace TextCodec
