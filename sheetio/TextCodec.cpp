#include "TextCodec.h"

#include <cstring>

namespace
{
constexpr char kShiftJisName[] = "Shift_JIS";
constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF", 3);
// Texts are checked in pieces so that the check never holds a second copy of a large file.
constexpr qsizetype kCheckChunk = qsizetype(1) << 20;

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

DecodedText decode(QByteArrayView bytes)
{
    DecodedText decoded;
    QByteArrayView body = bytes;
    if (bytes.startsWith(kUtf8Bom)) {
        decoded.encoding = TextEncoding::Utf8Bom;
        body = bytes.sliced(kUtf8Bom.size());
    } else {
        QStringDecoder utf8 = decoderFor(TextEncoding::Utf8);
        decoded.text = utf8(body);
        if (!utf8.hasError())
            decoded.encoding = TextEncoding::Utf8;
        else
            decoded.encoding = TextEncoding::ShiftJis;
    }
    if (decoded.encoding != TextEncoding::Utf8) {
        decoded.text.clear();
        QStringDecoder decoder = decoderFor(decoded.encoding);
        decoded.text = decoder(body);
    }
    decoded.writesBackUnchanged = encodesTo(decoded.text, decoded.encoding, body);
    return decoded;
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
