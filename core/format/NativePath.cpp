#include "NativePath.h"

#include <QFile>

namespace
{
constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 character at `at` (shortest form, no surrogate, at most
// U+10FFFF), or 0 when the byte there starts none.
qsizetype validCharacterLength(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return uchar(bytes.at(i)); };
    const uchar lead = byte(at);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        if (!isContinuation(byte(at + i)))
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}
} // namespace

QString pathFromNative(const QByteArray &bytes)
{
    QString path;
    path.reserve(bytes.size());
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = validCharacterLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        path += QString::fromUtf8(bytes.sliced(runStart, at - runStart));
        path += QChar(char16_t(kEscapeBase + uchar(bytes.at(at))));
        runStart = ++at;
    }
    path += QString::fromUtf8(bytes.sliced(runStart));
    return path;
}

QByteArray nativePath(const QString &path)
{
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < path.size(); ++at) {
        const char16_t ch = path.at(at).unicode();
        if (QChar::isHighSurrogate(ch) && at + 1 < path.size() && path.at(at + 1).isLowSurrogate()) {
            ++at; // a whole character outside the BMP
            continue;
        }
        if (ch < kEscapeBase + 0x80 || ch > kEscapeBase + 0xFF)
            continue;
        bytes += QFile::encodeName(path.sliced(runStart, at - runStart));
        bytes += char(ch - kEscapeBase);
        runStart = at + 1;
    }
    if (runStart == 0)
        return QFile::encodeName(path);
    bytes += QFile::encodeName(path.sliced(runStart));
    return bytes;
}

QStringList argumentsFromArgv(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(pathFromNative(QByteArray(argv[i])));
    return arguments;
}
