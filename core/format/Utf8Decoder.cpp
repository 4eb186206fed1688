#include "Utf8Decoder.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
using Byte = unsigned char;

bool isContinuation(Byte b)
{
    return (b & 0xC0) == 0x80;
}

bool isSurrogate(unsigned code)
{
    return (code & 0xF800) == 0xD800;
}

// Decodes the character at s, which is before end; false when there is no valid whole one there.
inline bool decodeOne(const Byte *&s, const Byte *end, char16_t *&d)
{
    const unsigned b0 = s[0];
    if (b0 < 0x80) {
        *d++ = char16_t(b0);
        ++s;
        return true;
    }
    const std::ptrdiff_t left = end - s;
    if (b0 < 0xC2) // a continuation byte alone, or the lead of an overlong two-byte form
        return false;
    if (b0 < 0xE0) {
        if (left < 2 || !isContinuation(s[1]))
            return false;
        *d++ = char16_t(((b0 & 0x1F) << 6) | (s[1] & 0x3Fu));
        s += 2;
        return true;
    }
    if (b0 < 0xF0) {
        if (left < 3 || !isContinuation(s[1]) || !isContinuation(s[2]))
            return false;
        const unsigned code = ((b0 & 0x0F) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
        if (code < 0x800 || isSurrogate(code))
            return false;
        *d++ = char16_t(code);
        s += 3;
        return true;
    }
    if (b0 < 0xF5) { // F5 and above would be past U+10FFFF
        if (left < 4 || !isContinuation(s[1]) || !isContinuation(s[2]) || !isContinuation(s[3]))
            return false;
        const unsigned code = ((b0 & 0x07) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
        if (code < 0x10000 || code > 0x10FFFF)
            return false;
        d[0] = char16_t(0xD800 + ((code - 0x10000) >> 10));
        d[1] = char16_t(0xDC00 + (code & 0x3FF));
        d += 2;
        s += 4;
        return true;
    }
    return false;
}

// Decodes from s until end or the first invalid character; s and d are left after the last
// character decoded.
void decodeScalar(const Byte *&from, const Byte *end, char16_t *&to)
{
    // In locals, which the compiler need not reload after each store through d.
    const Byte *s = from;
    char16_t *d = to;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    while (s < end) {
        if (end - s >= 8) {
            std::uint64_t word;
            std::memcpy(&word, s, sizeof word);
            if ((word & kHighBits) == 0) {
                for (int i = 0; i < 8; ++i)
                    d[i] = char16_t(s[i]);
                s += 8;
                d += 8;
                continue;
            }
        }
        // Japanese text is ASCII and characters of three bytes, mixed at random: which of the two
        // comes next is not branched on.
        while (end - s >= 3) {
            const unsigned b0 = s[0];
            const unsigned b1 = s[1];
            const unsigned b2 = s[2];
            const unsigned code = ((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
            const bool ascii = b0 < 0x80;
            const bool three = ((b0 & 0xF0) == 0xE0) & ((b1 & 0xC0) == 0x80) & ((b2 & 0xC0) == 0x80) & (code >= 0x800)
                & !isSurrogate(code);
            if (!(ascii | three))
                break;
            *d++ = char16_t(three ? code : b0);
            // From the first byte alone, which keeps the next load close.
            s += 1 + ((b0 >> 6) & 2);
        }
        if (s < end && !decodeOne(s, end, d))
            break;
    }
    from = s;
    to = d;
}

#if defined(__SSE2__)
// Sixteen bytes at a time. A block of ASCII is widened as it is. A block of ASCII and two- and
// three-byte characters only (a character may run two bytes past the block) is checked and
// decoded at every byte position at once; the values at the positions where characters start are
// then packed. Anything else (four-byte characters, invalid bytes) goes to the scalar decoder for
// the next sixteen bytes.
void decodeVector(const Byte *&from, const Byte *end, char16_t *&to)
{
    const Byte *s = from;
    char16_t *d = to;
    const __m128i zero = _mm_setzero_si128();
    // Bytes compared as signed: 0x80..0xBF are -128..-65.
    const __m128i belowC0 = _mm_set1_epi8(char(0xC0));
    const __m128i aboveC1 = _mm_set1_epi8(char(0xC1));
    const __m128i belowE0 = _mm_set1_epi8(char(0xE0));
    const __m128i belowA0 = _mm_set1_epi8(char(0xA0));
    const __m128i highNibble = _mm_set1_epi8(char(0xF0));
    const __m128i leadE0 = _mm_set1_epi8(char(0xE0));
    const __m128i leadED = _mm_set1_epi8(char(0xED));
    const __m128i low4 = _mm_set1_epi16(0x0F);
    const __m128i low5 = _mm_set1_epi16(0x1F);
    const __m128i low6 = _mm_set1_epi16(0x3F);

    // Three loads reach two bytes past the block, where its last character may end.
    while (end - s >= 18) {
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s));
        const unsigned nonAscii = unsigned(_mm_movemask_epi8(b0));
        if (nonAscii == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d), _mm_unpacklo_epi8(b0, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + 8), _mm_unpackhi_epi8(b0, zero));
            s += 16;
            d += 16;
            continue;
        }
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 1));
        const __m128i b2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 2));

        const __m128i lead2 = _mm_and_si128(_mm_cmpgt_epi8(b0, aboveC1), _mm_cmplt_epi8(b0, belowE0));
        const __m128i lead3 = _mm_cmpeq_epi8(_mm_and_si128(b0, highNibble), leadE0);
        const unsigned continuation0 = unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(b0, belowC0)));
        const unsigned continuation2 = unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(b2, belowC0)));
        const unsigned starts2 = unsigned(_mm_movemask_epi8(lead2));
        const unsigned starts3 = unsigned(_mm_movemask_epi8(lead3));
        // Continuation bytes of positions 0..17, and where the characters need them.
        const unsigned continuation = continuation0 | ((continuation2 & 0xC000u) << 2);
        const unsigned needed = (starts2 << 1) | (starts3 << 1) | (starts3 << 2);
        const unsigned starts = (~nonAscii & 0xFFFFu) | starts2 | starts3;
        // After E0 a continuation byte below A0 makes an overlong form; after ED one from A0 on
        // makes a surrogate.
        const __m128i low = _mm_cmplt_epi8(b1, belowA0);
        const __m128i overlongOrSurrogate = _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(b0, leadE0), low),
                                                         _mm_andnot_si128(low, _mm_cmpeq_epi8(b0, leadED)));
        const bool simple = (starts | continuation0) == 0xFFFFu && (needed & ~continuation) == 0
            && (continuation0 & ~needed) == 0 && _mm_movemask_epi8(overlongOrSurrogate) == 0;
        if (!simple) {
            const Byte *const blockEnd = s + 16;
            while (s < blockEnd) {
                if (!decodeOne(s, end, d)) {
                    from = s;
                    to = d;
                    return;
                }
            }
            continue;
        }

        alignas(16) std::uint16_t values[16];
        for (int half = 0; half < 2; ++half) {
            const auto widen = [&](__m128i bytes) {
                return half == 0 ? _mm_unpacklo_epi8(bytes, zero) : _mm_unpackhi_epi8(bytes, zero);
            };
            const auto laneMask = [&](__m128i mask) {
                return half == 0 ? _mm_unpacklo_epi8(mask, mask) : _mm_unpackhi_epi8(mask, mask);
            };
            const __m128i w0 = widen(b0);
            const __m128i w1 = _mm_and_si128(widen(b1), low6);
            const __m128i w2 = _mm_and_si128(widen(b2), low6);
            const __m128i two = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(w0, low5), 6), w1);
            const __m128i three
                = _mm_or_si128(_mm_or_si128(_mm_slli_epi16(_mm_and_si128(w0, low4), 12), _mm_slli_epi16(w1, 6)), w2);
            const __m128i is2 = laneMask(lead2);
            const __m128i is3 = laneMask(lead3);
            const __m128i value = _mm_or_si128(_mm_andnot_si128(_mm_or_si128(is2, is3), w0),
                                               _mm_or_si128(_mm_and_si128(is2, two), _mm_and_si128(is3, three)));
            _mm_store_si128(reinterpret_cast<__m128i *>(values + 8 * half), value);
        }
        // Every value is written and only those at character starts are kept: no branch to
        // mispredict. Writing at most sixteen units from d stays within the room, which has a unit
        // for each of the at least eighteen bytes left.
        std::size_t kept = 0;
#pragma GCC unroll 16
        for (int at = 0; at < 16; ++at) {
            d[kept] = char16_t(values[at]);
            kept += (starts >> at) & 1u;
        }
        d += kept;
        s += 16 + ((needed >> 16) & 1u) + ((needed >> 17) & 1u);
    }
    decodeScalar(s, end, d);
    from = s;
    to = d;
}
#endif
} // namespace

namespace Utf8Decoder
{

Decoded decode(const char *in, std::size_t size, char16_t *out)
{
#if defined(__SSE2__)
    const Byte *s = reinterpret_cast<const Byte *>(in);
    char16_t *d = out;
    decodeVector(s, s + size, d);
    return {std::size_t(s - reinterpret_cast<const Byte *>(in)), std::size_t(d - out)};
#else
    return decodePortable(in, size, out);
#endif
}

Decoded decodePortable(const char *in, std::size_t size, char16_t *out)
{
    const Byte *s = reinterpret_cast<const Byte *>(in);
    char16_t *d = out;
    decodeScalar(s, s + size, d);
    return {std::size_t(s - reinterpret_cast<const Byte *>(in)), std::size_t(d - out)};
}

} // namespace Utf8Decoder
