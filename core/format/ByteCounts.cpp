#include "ByteCounts.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

// The marks of a block of 64 bytes before, between and after its line ends (the set bits of ends).
inline void ByteCounts::lineEnds(quint64 marksMask, quint64 ends, const char *block)
{
    quint64 done = 0;
    while (ends) {
        const int bit = __builtin_ctzll(ends);
        const quint64 below = (quint64(1) << bit) - 1;
        marks(__builtin_popcountll(marksMask & below & ~done));
        done = below | (quint64(1) << bit);
        lineEnd(block[bit]);
        ends &= ends - 1;
    }
    marks(__builtin_popcountll(marksMask & ~done));
}

#if defined(__x86_64__)
// Sixty-four bytes at a time in two registers; the bytes after the last whole block are left.
__attribute__((target("avx2,popcnt"))) qsizetype ByteCounts::addWide(const char *bytes, qsizetype size, char quote,
                                                                     bool &quoted)
{
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i mk = _mm256_set1_epi8(mark);
    const __m256i qt = _mm256_set1_epi8(quote);
    __m256i quotes = _mm256_setzero_si256();
    qsizetype at = 0;
    for (; at + 64 <= size; at += 64) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + at));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + at + 32));
        const quint64 marksMask = quint64(unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, mk))))
            | quint64(unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, mk)))) << 32;
        const quint64 ends = quint64(unsigned(_mm256_movemask_epi8(
                                 _mm256_or_si256(_mm256_cmpeq_epi8(low, cr), _mm256_cmpeq_epi8(low, lf)))))
            | quint64(unsigned(
                  _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(high, cr), _mm256_cmpeq_epi8(high, lf)))))
                << 32;
        quotes = _mm256_or_si256(quotes, _mm256_or_si256(_mm256_cmpeq_epi8(low, qt), _mm256_cmpeq_epi8(high, qt)));
        if (ends == 0)
            marks(__builtin_popcountll(marksMask));
        else
            lineEnds(marksMask, ends, bytes + at);
    }
    quoted = quote != 0 && !_mm256_testz_si256(quotes, quotes);
    return at;
}
#endif

// Sixteen bytes at a time where the processor allows: most blocks hold no line end, and their marks
// are counted at once, with the processor's bit count where it has one.
__attribute__((target_clones("default", "popcnt"))) void ByteCounts::addPortably(const char *bytes, qsizetype size)
{
    qsizetype at = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i mk = _mm_set1_epi8(mark);
    // Sixty-four bytes at a time first: a line is mostly longer, and a stretch without a line end
    // costs one bit count.
    for (; at + 64 <= size; at += 64) {
        quint64 marksMask = 0;
        quint64 ends = 0;
        for (int part = 0; part < 4; ++part) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + at + 16 * part));
            marksMask |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, mk)))) << (16 * part);
            ends |= quint64(
                        unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)))))
                << (16 * part);
        }
        lineEnds(marksMask, ends, bytes + at);
    }
    for (; at + 16 <= size; at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + at));
        const unsigned marksMask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, mk)));
        unsigned ends = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
        unsigned done = 0; // bits of the block whose marks are counted
        while (ends) {
            const int bit = __builtin_ctz(ends);
            const unsigned below = (1u << bit) - 1;
            marks(__builtin_popcount(marksMask & below & ~done));
            done = below | (1u << bit);
            lineEnd(bytes[at + bit]);
            ends &= ends - 1;
        }
        marks(__builtin_popcount(marksMask & ~done & 0xFFFFu));
    }
#endif
    for (; at < size; ++at) {
        const char byte = bytes[at];
        if (byte == '\r' || byte == '\n')
            lineEnd(byte);
        else if (byte == mark)
            marks(1);
    }
}

bool ByteCounts::add(const char *bytes, qsizetype size, char quote)
{
    bool quoted = false;
    qsizetype at = 0;
#if defined(__x86_64__)
    static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    if (wide)
        at = addWide(bytes, size, quote, quoted);
#endif
    quoted = quoted || (quote != 0 && std::memchr(bytes + at, quote, size_t(size - at)));
    addPortably(bytes + at, size - at);
    return quoted;
}
