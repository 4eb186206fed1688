#include "Utf16ToUtf8.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

namespace
{
#if defined(__SSE2__)
// For four characters of one, two or three UTF-8 bytes each (two bits each, the length less one,
// the first character lowest): the shuffle that packs their bytes from four four-byte lanes, and
// how many bytes that makes.
struct Packing
{
    std::array<std::array<qint8, 16>, 256> shuffle{};
    std::array<quint8, 256> size{};
};

constexpr Packing makePacking()
{
    Packing packing;
    for (int index = 0; index < 256; ++index) {
        int at = 0;
        for (int unit = 0; unit < 4; ++unit) {
            const int length = (index >> (2 * unit) & 3) + 1;
            for (int byte = 0; byte < length && byte < 3; ++byte)
                packing.shuffle[size_t(index)][size_t(at++)] = qint8(4 * unit + byte);
        }
        packing.size[size_t(index)] = quint8(at);
        for (int rest = at; rest < 16; ++rest)
            packing.shuffle[size_t(index)][size_t(rest)] = qint8(-128);
    }
    return packing;
}

constexpr Packing kPacking = makePacking();

// Bit i of a four-bit mask at bit 2i.
constexpr std::array<quint8, 16> kSpread{0x00, 0x01, 0x04, 0x05, 0x10, 0x11, 0x14, 0x15,
                                         0x40, 0x41, 0x44, 0x45, 0x50, 0x51, 0x54, 0x55};

// Four characters of the BMP, no surrogate among them, in 32-bit lanes, as UTF-8 at out; the end.
__attribute__((target("ssse3"))) char *packFour(__m128i units, char *out)
{
    const __m128i below80 = _mm_cmplt_epi32(units, _mm_set1_epi32(0x80));
    const __m128i below800 = _mm_cmplt_epi32(units, _mm_set1_epi32(0x800));
    const __m128i low6 = _mm_set1_epi32(0x3F);
    const __m128i last = _mm_or_si128(_mm_and_si128(units, low6), _mm_set1_epi32(0x80));
    const __m128i middle = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(units, 6), low6), _mm_set1_epi32(0x80));
    // Two bytes: 110xxxxx 10xxxxxx; three: 1110xxxx 10xxxxxx 10xxxxxx, first byte lowest.
    const __m128i two
        = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(units, 6), _mm_set1_epi32(0xC0)), _mm_slli_epi32(last, 8));
    const __m128i three = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(units, 12), _mm_set1_epi32(0xE0)),
                                       _mm_or_si128(_mm_slli_epi32(middle, 8), _mm_slli_epi32(last, 16)));
    const __m128i lanes = _mm_or_si128(
        _mm_and_si128(below80, units),
        _mm_andnot_si128(below80, _mm_or_si128(_mm_and_si128(below800, two), _mm_andnot_si128(below800, three))));
    const int longer1 = ~_mm_movemask_ps(_mm_castsi128_ps(below80)) & 0xF;
    const int longer2 = ~_mm_movemask_ps(_mm_castsi128_ps(below800)) & 0xF;
    const int index = kSpread[size_t(longer1)] + kSpread[size_t(longer2)];
    const __m128i shuffle = _mm_loadu_si128(reinterpret_cast<const __m128i *>(kPacking.shuffle[size_t(index)].data()));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_shuffle_epi8(lanes, shuffle));
    return out + kPacking.size[size_t(index)];
}

// Blocks of eight units that hold no surrogate, from at on; stops before the first that does.
__attribute__((target("ssse3"))) char *convertBlocks(const uchar *&at, const uchar *end, bool little, bool narrow,
                                                     char *out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i surrogateMask = _mm_set1_epi16(qint16(0xF800));
    const __m128i surrogate = _mm_set1_epi16(qint16(0xD800));
    while (end - at >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        if (!little)
            block = _mm_or_si128(_mm_slli_epi16(block, 8), _mm_srli_epi16(block, 8));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(block, surrogateMask), surrogate)) != 0)
            break;
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(block, _mm_set1_epi16(qint16(0xFF80))), zero);
        if (narrow || _mm_movemask_epi8(ascii) == 0xFFFF) {
            // Most text of a sheet is ASCII: eight units become eight bytes.
            const __m128i bytes
                = _mm_or_si128(_mm_and_si128(ascii, block), _mm_andnot_si128(ascii, _mm_set1_epi16(0x80)));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(bytes, bytes));
            out += 8;
        } else {
            out = packFour(_mm_unpacklo_epi16(block, zero), out);
            out = packFour(_mm_unpackhi_epi16(block, zero), out);
        }
        at += 16;
    }
    return out;
}

bool hasSsse3()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return has;
}
#endif

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

char *Utf16ToUtf8::convert(const char *bytes, qsizetype size, char *out, Form form)
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
        if (!m_high && hasSsse3()) {
            out = convertBlocks(at, end, m_little, form == Form::Narrow, out);
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
