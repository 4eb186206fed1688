#include "TextCodec.h"

#include "Cp932.h"
#include "LargeMemory.h"
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
qsizetype appendEncoded(QStringEncoder &utf8, QByteArray &out, QStringView text, TextEncoding encoding)
{
    if (encoding == TextEncoding::ShiftJis)
        return Cp932::encode(text, out);
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
    return encoding == TextEncoding::Utf8Bom ? kUtf8Bom.toByteArray() : QByteArray();
}

std::optional<DecodedText> decodeDevice(QIODevice &in, qint64 sizeHint, qint64 maxBytes, qsizetype pieceBytes)
{
    DecodedText decoded;
    QString &text = decoded.text;
    const auto reserve = [&] {
        // Room for one character per byte: untouched room costs no memory. The text keeps what is
        // left over, so that a reader can add to it without moving it.
        text.reserve(qsizetype(std::max<qint64>(sizeHint, 0)) + pieceBytes + 64);
        LargeMemory::adviseHugePages(text.constData(), text.capacity() * qsizetype(sizeof(QChar)));
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

    // First as UTF-8, which also tells whether the file is UTF-8 at all.
    reserve();
    bool first = true;
    bool marked = false;
    bool invalid = false;
    QStringDecoder utf8 = utf8Decoder();
    const bool read = readPieces(
        in, maxBytes, pieceBytes, utf8PieceEnd,
        [&](QByteArrayView piece) {
            if (first) {
                first = false;
                marked = piece.startsWith(kUtf8Bom);
                if (marked)
                    piece = piece.sliced(kUtf8Bom.size());
            }
            const qsizetype valid = appendValidUtf8(piece);
            if (valid == piece.size())
                return true;
            invalid = true;
            // Without the mark, the first invalid byte settles it: the file is Shift-JIS.
            if (!marked)
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
    if (marked || !invalid) {
        decoded.encoding = marked ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
        // Valid UTF-8 (no overlong forms, no encoded surrogates, nothing past U+10FFFF) encodes to
        // the same bytes; only replaced bytes break the round trip.
        decoded.writesBackUnchanged = !invalid;
        return decoded;
    }

    text = QString();
    reserve();
    decoded.encoding = TextEncoding::ShiftJis;
    bool exact = true;
    const bool reread = readPieces(
        in, maxBytes, pieceBytes, shiftJisPieceEnd,
        [&](QByteArrayView piece) {
            // The code page never needs more characters than bytes.
            const qsizetype old = text.size();
            text.resize(old + piece.size());
            const char16_t *end = Cp932::decode(piece, reinterpret_cast<char16_t *>(text.data()) + old, exact);
            text.resize(reinterpret_cast<const QChar *>(end) - text.constData());
            return true;
        },
        decoded.byteCount);
    if (!reread)
        return std::nullopt;
    decoded.writesBackUnchanged = exact;
    return decoded;
}

DecodedText decode(QByteArrayView bytes)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return decodeDevice(buffer, bytes.size(), std::numeric_limits<qint64>::max()).value_or(DecodedText());
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

Encoder::Encoder(TextEncoding encoding)
    : m_encoding(encoding)
    , m_utf8(utf8Encoder())
{
}

bool Encoder::append(QByteArray &out, QStringView text)
{
    const qsizetype oldSize = out.size();
    if (appendEncoded(m_utf8, out, text, m_encoding) < 0)
        return true;
    out.truncate(oldSize);
    return false;
}

} // namespace TextCodec
