#include "TextCodec.h"

#include <QBuffer>

#include <cstring>
#include <limits>

namespace
{
constexpr char kShiftJisName[] = "Shift_JIS";
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

QStringDecoder decoderFor(TextEncoding encoding)
{
    // Stateless: an incomplete sequence at the end is an error, not silently held back. A second
    // byte order mark after the first one is cell text.
    const auto flags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    if (encoding == TextEncoding::ShiftJis)
        return QStringDecoder(kShiftJisName, flags);
    return QStringDecoder(QStringConverter::Utf8, flags);
}

QStringEncoder encoderFor(TextEncoding encoding)
{
    const auto flags = QStringConverter::Flag::Stateless;
    if (encoding == TextEncoding::ShiftJis)
        return QStringEncoder(kShiftJisName, flags);
    return QStringEncoder(QStringConverter::Utf8, flags);
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
        // Room for one character per byte: untouched room costs no memory, and what is left over
        // is given back at the end without moving the text.
        text.reserve(qsizetype(std::max<qint64>(sizeHint, 0)) + pieceBytes + 64);
    };
    const auto appendDecoded = [&text](QStringDecoder &decoder, QByteArrayView piece) {
        const qsizetype old = text.size();
        text.resize(old + decoder.requiredSpace(piece.size()));
        const QChar *end = decoder.appendToBuffer(text.data() + old, piece);
        text.resize(end - text.constData());
    };

    // First as UTF-8, which also tells whether the file is UTF-8 at all.
    reserve();
    bool first = true;
    bool marked = false;
    QStringDecoder utf8 = decoderFor(TextEncoding::Utf8);
    const bool read = readPieces(
        in, maxBytes, pieceBytes, utf8PieceEnd,
        [&](QByteArrayView piece) {
            if (first) {
                first = false;
                marked = piece.startsWith(kUtf8Bom);
                if (marked)
                    piece = piece.sliced(kUtf8Bom.size());
            }
            appendDecoded(utf8, piece);
            // Without the mark, the first invalid byte settles it: the file is Shift-JIS.
            return marked || !utf8.hasError();
        },
        decoded.byteCount);
    if (!read)
        return std::nullopt;
    if (marked || !utf8.hasError()) {
        decoded.encoding = marked ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
        // The UTF-8 decoder is strict (no overlong forms, no encoded surrogates, nothing past
        // U+10FFFF), so text it read without an error encodes to the same bytes; only replaced
        // bytes break the round trip.
        decoded.writesBackUnchanged = !utf8.hasError();
        text.squeeze();
        return decoded;
    }

    text = QString();
    reserve();
    decoded.encoding = TextEncoding::ShiftJis;
    QStringDecoder shiftJis = decoderFor(TextEncoding::ShiftJis);
    bool unchanged = shiftJis.isValid();
    const bool reread = readPieces(
        in, maxBytes, pieceBytes, shiftJisPieceEnd,
        [&](QByteArrayView piece) {
            const qsizetype old = text.size();
            appendDecoded(shiftJis, piece);
            // Invalid bytes are replaced without an error being reported, and the duplicate codes of
            // the NEC and IBM extensions read as one character: only writing the text again tells.
            if (unchanged)
                unchanged = encodesTo(QStringView(text).sliced(old), TextEncoding::ShiftJis, piece);
            return true;
        },
        decoded.byteCount);
    if (!reread)
        return std::nullopt;
    decoded.writesBackUnchanged = unchanged && !shiftJis.hasError();
    text.squeeze();
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
    QStringEncoder encoder = encoderFor(encoding);
    if (!encoder.isValid())
        return false;
    QByteArray buffer;
    qsizetype done = 0;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype length = std::min(kCheckChunk, text.size() - from);
        // Keep a surrogate pair in one piece.
        if (from + length < text.size() && text[from + length - 1].isHighSurrogate())
            ++length;
        const QStringView piece = text.sliced(from, length);
        buffer.resize(encoder.requiredSpace(piece.size()));
        char *end = encoder.appendToBuffer(buffer.data(), piece);
        if (encoder.hasError())
            return false;
        const qsizetype written = end - buffer.constData();
        if (written > bytes.size() - done || std::memcmp(buffer.constData(), bytes.data() + done, written) != 0)
            return false;
        done += written;
        from += length;
    }
    return done == bytes.size();
}

Encoder::Encoder(TextEncoding encoding)
    : m_encoding(encoding)
    , m_encoder(encoderFor(encoding))
    , m_decoder(decoderFor(encoding))
{
}

bool Encoder::append(QByteArray &out, QStringView text)
{
    if (text.isEmpty())
        return true;
    if (!m_encoder.isValid())
        return false;
    if (m_encoding != TextEncoding::ShiftJis) {
        // UTF-8 holds every character; only a lone surrogate has no form in it.
        if (!text.isValidUtf16())
            return false;
    }
    const qsizetype oldSize = out.size();
    out.resize(oldSize + m_encoder.requiredSpace(text.size()));
    char *end = m_encoder.appendToBuffer(out.data() + oldSize, text);
    out.resize(end - out.constData());
    bool exact = !m_encoder.hasError();
    if (exact && m_encoding == TextEncoding::ShiftJis) {
        // The Shift-JIS encoder writes a substitute for what it cannot hold, without an error:
        // read the bytes back and compare.
        m_check = m_decoder(QByteArrayView(out).sliced(oldSize));
        exact = !m_decoder.hasError() && m_check == text;
    }
    if (!exact)
        out.truncate(oldSize);
    return exact;
}

} // namespace TextCodec
