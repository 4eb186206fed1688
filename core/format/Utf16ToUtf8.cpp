#include "Utf16ToUtf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
char *putReplacement(char *out)
{
    *out++ = char(0xEF);
    *out++ = char(0xBF);
    *out++ = char(0xBD);
    return out;
}
} // namespace

void Utf16ToUtf8::reset()
{
    m_exact = true;
    m_oddHeld = false;
    m_odd = 0;
    m_high = 0;
}

char *Utf16ToUtf8::put(char16_t unit, char *out)
{
    const bool high = unit >= 0xD800 && unit < 0xDC00;
    const bool low = unit >= 0xDC00 && unit < 0xE000;
    if (m_high) {
        if (low) {
            const char32_t code = 0x10000 + ((char32_t(m_high) - 0xD800) << 10) + (unit - 0xDC00);
            m_high = 0;
            *out++ = char(0xF0 | code >> 18);
            *out++ = char(0x80 | (code >> 12 & 0x3F));
            *out++ = char(0x80 | (code >> 6 & 0x3F));
            *out++ = char(0x80 | (code & 0x3F));
            return out;
        }
        m_high = 0;
        m_exact = false;
        out = putReplacement(out);
    }
    if (high) {
        m_high = unit;
        return out;
    }
    if (low) {
        m_exact = false;
        return putReplacement(out);
    }
    if (unit < 0x80) {
        *out++ = char(unit);
    } else if (unit < 0x800) {
        *out++ = char(0xC0 | unit >> 6);
        *out++ = char(0x80 | (unit & 0x3F));
    } else {
        *out++ = char(0xE0 | unit >> 12);
        *out++ = char(0x80 | (unit >> 6 & 0x3F));
        *out++ = char(0x80 | (unit & 0x3F));
    }
    return out;
}

char *Utf16ToUtf8::convert(const char *bytes, qsizetype size, char *out)
{
    const auto *at = reinterpret_cast<const uchar *>(bytes);
    const uchar *end = at + size;
    if (m_oddHeld && at < end) {
        const uchar second = *at++;
        m_oddHeld = false;
        out = put(m_little ? char16_t(second << 8 | m_odd) : char16_t(m_odd << 8 | second), out);
    }
    while (end - at >= 2) {
#if defined(__SSE2__)
        // Most text of a sheet is ASCII: eight units at a time become eight bytes.
        if (!m_high) {
            const __m128i mask = _mm_set1_epi16(m_little ? qint16(0xFF80) : qint16(0x80FF));
            const __m128i zero = _mm_setzero_si128();
            while (end - at >= 16) {
                __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
                if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(block, mask), zero)) != 0xFFFF)
                    break;
                if (!m_little)
                    block = _mm_srli_epi16(block, 8);
                _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(block, block));
                out += 8;
                at += 16;
            }
            if (end - at < 2)
                break;
        }
#endif
        const char16_t unit = m_little ? char16_t(at[1] << 8 | at[0]) : char16_t(at[0] << 8 | at[1]);
        at += 2;
        out = put(unit, out);
    }
    if (at < end) {
        m_oddHeld = true;
        m_odd = *at;
    }
    return out;
}

char *Utf16ToUtf8::finish(char *out)
{
    if (m_high) {
        m_high = 0;
        m_exact = false;
        out = putReplacement(out);
    }
    if (m_oddHeld) {
        m_oddHeld = false;
        m_exact = false;
        out = putReplacement(out);
    }
    return out;
}
