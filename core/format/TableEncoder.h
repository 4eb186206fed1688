#pragma once

#include <QByteArray>
#include <QStringView>

// Writes `text` to the end of `out` in a code page of one- and two-byte codes: ASCII as itself,
// any other UTF-16 unit by `codeOf(unit)`, one byte when the code fits in one, else its lead byte
// and then its trail byte. Stops at the first unit whose code is `noCode` and returns its index
// (`out` then ends after the units before it), or -1 when the whole text was written.
template<typename CodeOf>
[[nodiscard]] qsizetype encodeByTable(QStringView text, QByteArray &out, quint16 noCode, CodeOf &&codeOf)
{
    const qsizetype oldSize = out.size();
    out.resize(oldSize + 2 * text.size());
    char *const start = out.data();
    char *to = start + oldSize;
    const char16_t *chars = text.utf16();
    qsizetype failedAt = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = chars[i];
        if (ch < 0x80) {
            *to++ = char(ch);
            continue;
        }
        const quint16 code = codeOf(ch);
        if (code == noCode) {
            failedAt = i;
            break;
        }
        if (code > 0xFF)
            *to++ = char(code >> 8);
        *to++ = char(code & 0xFF);
    }
    out.resize(to - start);
    return failedAt;
}
