#pragma once

#include <QtGlobal>

// UTF-16 LE or BE bytes to UTF-8, for reading a UTF-16 file as the UTF-8 it holds, given in pieces
// cut anywhere (between the bytes of a unit, between the halves of a surrogate pair). Reads as
// TextCodec decodes such a file: a surrogate half alone and an odd last byte each become U+FFFD,
// and the text then does not write back unchanged.
class Utf16ToUtf8
{
public:
    explicit Utf16ToUtf8(bool littleEndian = true)
        : m_little(littleEndian)
    {
    }

    // The most bytes convert() and finish() write for `size` bytes given.
    [[nodiscard]] static constexpr qsizetype maxOutput(qsizetype size)
    {
        return (size + 1) / 2 * 3 + 24; // a block's store writes 16 bytes
    }

    // Back to the start of a file.
    void reset();
    // Utf8: the text. Narrow: ASCII as it is, any other character as one or more bytes of 0x80
    // and above; enough to find line ends, delimiters and quotes, and faster.
    enum class Form { Utf8, Narrow };

    // Converts bytes to UTF-8 at out; returns the end of what was written. An odd byte and a high
    // surrogate at the end are held for the next call.
    char *convert(const char *bytes, qsizetype size, char *out, Form form = Form::Utf8);
    // The end of the file: what is held becomes U+FFFD.
    char *finish(char *out);
    // Whether every unit so far was a character (no replacement was made).
    [[nodiscard]] bool exact() const
    {
        return m_exact;
    }

private:
    char *put(char16_t unit, char *out);

    bool m_little;
    bool m_exact = true;
    bool m_oddHeld = false;
    quint8 m_odd = 0;
    char16_t m_high = 0; // a high surrogate waiting for its low half, or 0
};
