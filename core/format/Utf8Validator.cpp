#include "Utf8Validator.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ROWLARK_UTF8_AVX2 1
#endif

namespace
{
#if ROWLARK_UTF8_AVX2
// The table look-up check: each byte is judged with the one before it by three 16-entry tables
// (the high and low half of the byte before, the high half of this one), whose entries are sets
// of the errors such a pair may make; a pair is wrong when all three hold a common error. Bytes
// that must continue a three- or four-byte character are told by the bytes two and three back.
enum : unsigned char {
    kTooShort = 1 << 0, // a lead byte not followed by a continuation
    kTooLong = 1 << 1, // a continuation after an ASCII byte
    kOverlong3 = 1 << 2,
    kTooLarge = 1 << 3, // past U+10FFFF
    kSurrogate = 1 << 4,
    kOverlong2 = 1 << 5,
    kTooLarge1000 = 1 << 6, // the same bit as kOverlong4: both need the byte after to be 80..8F
    kOverlong4 = 1 << 6,
    kTwoContinuations = 1 << 7,
    kCarry = kTooShort | kTooLong | kTwoContinuations,
};

__attribute__((target("avx2"))) inline __m256i table(char a0, char a1, char a2, char a3, char a4, char a5, char a6,
                                                     char a7, char a8, char a9, char a10, char a11, char a12, char a13,
                                                     char a14, char a15)
{
    return _mm256_setr_epi8(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a0, a1, a2, a3, a4,
                            a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15);
}

// The input shifted by n bytes towards its end, with the last n bytes of previous in front.
template<int n>
__attribute__((target("avx2"))) inline __m256i before(__m256i input, __m256i previous)
{
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - n);
}

// Nonzero bytes where the block, continuing previous, is not well-formed.
__attribute__((target("avx2"))) __m256i blockErrors(__m256i input, __m256i previous)
{
    constexpr char k1 = char(kTooLong);
    constexpr char k2 = char(kTwoContinuations);
    const __m256i byte1HighTable
        = table(k1, k1, k1, k1, k1, k1, k1, k1, k2, k2, k2, k2, char(kTooShort | kOverlong2), char(kTooShort),
                char(kTooShort | kOverlong3 | kSurrogate), char(kTooShort | kTooLarge | kTooLarge1000 | kOverlong4));
    constexpr char c = char(kCarry);
    constexpr char large = char(kCarry | kTooLarge | kTooLarge1000);
    const __m256i byte1LowTable = table(char(kCarry | kOverlong3 | kOverlong2 | kOverlong4), char(kCarry | kOverlong2),
                                        c, c, char(kCarry | kTooLarge), large, large, large, large, large, large, large,
                                        large, char(kCarry | kTooLarge | kTooLarge1000 | kSurrogate), large, large);
    constexpr char s = char(kTooShort);
    constexpr char cont = char(kTooLong | kOverlong2 | kTwoContinuations);
    const __m256i byte2HighTable = table(s, s, s, s, s, s, s, s, char(cont | kOverlong3 | kTooLarge1000 | kOverlong4),
                                         char(cont | kOverlong3 | kTooLarge), char(cont | kSurrogate | kTooLarge),
                                         char(cont | kSurrogate | kTooLarge), s, s, s, s);
    const __m256i lowNibble = _mm256_set1_epi8(0x0F);
    const __m256i previous1 = before<1>(input, previous);
    const __m256i byte1High
        = _mm256_shuffle_epi8(byte1HighTable, _mm256_and_si256(_mm256_srli_epi16(previous1, 4), lowNibble));
    const __m256i byte1Low = _mm256_shuffle_epi8(byte1LowTable, _mm256_and_si256(previous1, lowNibble));
    const __m256i byte2High
        = _mm256_shuffle_epi8(byte2HighTable, _mm256_and_si256(_mm256_srli_epi16(input, 4), lowNibble));
    const __m256i special = _mm256_and_si256(_mm256_and_si256(byte1High, byte1Low), byte2High);
    // Third and fourth bytes: two back a lead of three or more bytes, or three back one of four.
    const __m256i third = _mm256_subs_epu8(before<2>(input, previous), _mm256_set1_epi8(char(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(before<3>(input, previous), _mm256_set1_epi8(char(0xF0 - 0x80)));
    const __m256i mustContinue = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(0x80)));
    return _mm256_xor_si256(mustContinue, special);
}

// Many blocks in one call, the errors gathered and looked at once.
__attribute__((target("avx2"))) bool blocksValid(const unsigned char *bytes, std::size_t blocks,
                                                 unsigned char *previous)
{
    __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(previous));
    auto highBits = unsigned(_mm256_movemask_epi8(before));
    __m256i errors = _mm256_setzero_si256();
    for (std::size_t b = 0; b < blocks; ++b) {
        const __m256i input = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + 32 * b));
        // ASCII after three ASCII bytes can hold no error: no character before it is left open.
        const auto inputHighBits = unsigned(_mm256_movemask_epi8(input));
        if ((inputHighBits | (highBits >> 29)) != 0)
            errors = _mm256_or_si256(errors, blockErrors(input, before));
        before = input;
        highBits = inputHighBits;
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(previous), before);
    return _mm256_testz_si256(errors, errors);
}
#endif
} // namespace

Utf8Validator::Utf8Validator(Method method)
    : m_vector(method == Method::Fastest && vectorised())
{
}

bool Utf8Validator::vectorised()
{
#if ROWLARK_UTF8_AVX2
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

void Utf8Validator::add(const char *data, std::size_t size)
{
    if (m_error || size == 0)
        return;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    if (!m_vector) {
        addPortable(bytes, size);
        return;
    }
    if (m_pendingSize > 0) {
        const std::size_t take = std::min(size, sizeof m_pending - m_pendingSize);
        std::memcpy(m_pending + m_pendingSize, bytes, take);
        m_pendingSize += take;
        bytes += take;
        size -= take;
        if (m_pendingSize < sizeof m_pending)
            return;
        addBlock(m_pending);
        m_pendingSize = 0;
    }
    const std::size_t blocks = size / 32;
#if ROWLARK_UTF8_AVX2
    if (blocks > 0 && !blocksValid(bytes, blocks, m_previous))
        m_error = true;
#endif
    bytes += blocks * 32;
    size -= blocks * 32;
    std::memcpy(m_pending, bytes, size);
    m_pendingSize = size;
}

void Utf8Validator::addBlock(const unsigned char *block)
{
#if ROWLARK_UTF8_AVX2
    if (!blocksValid(block, 1, m_previous))
        m_error = true;
#else
    (void)block;
#endif
}

void Utf8Validator::finish()
{
    if (m_error)
        return;
    if (!m_vector) {
        m_error = m_due != 0;
        return;
    }
    // Zeros after the last bytes: a character cut short fails on the first of them.
    std::memset(m_pending + m_pendingSize, 0, sizeof m_pending - m_pendingSize);
    addBlock(m_pending);
    m_pendingSize = 0;
}

void Utf8Validator::addPortable(const unsigned char *bytes, std::size_t size)
{
    int due = m_due;
    unsigned char low = m_low;
    unsigned char high = m_high;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char b = bytes[i];
        if (due > 0) {
            if (b < low || b > high) {
                m_error = true;
                return;
            }
            --due;
            low = 0x80;
            high = 0xBF;
        } else if (b >= 0x80) {
            if (b < 0xC2 || b > 0xF4) {
                m_error = true;
                return;
            }
            due = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
            // The second byte's narrower ranges rule out overlong forms, surrogates and code
            // points past U+10FFFF.
            low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
        }
    }
    m_due = due;
    m_low = low;
    m_high = high;
}
