#include "RawLineCompare.h"

#include "Utf8Decoder.h"

#include <QtGlobal>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
__attribute__((target_clones("default", "popcnt"))) SharedStretch stretchOf(const char *a, const char *b, size_t n,
                                                                            char delimiter, int limit)
{
    SharedStretch stretch;
    size_t at = 0;
#if defined(__SSE2__)
    const __m128i mark = _mm_set1_epi8(delimiter);
    // Sixty-four bytes at a time, the last block ending at n: where it overlaps the block before
    // it, the bytes already looked at are shifted out. A block settles everything inside it (where
    // the strings part, the delimiter that reaches the limit) from its two bit masks.
    while (at < n && n >= 64) {
        const size_t load = std::min(at, n - 64);
        const unsigned skipped = unsigned(at - load);
        quint64 same = 0;
        quint64 marks = 0;
        for (int part = 0; part < 4; ++part) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + load + 16 * part));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + load + 16 * part));
            same |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)))) << (16 * part);
            marks |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, mark)))) << (16 * part);
        }
        // Shifted out, the bytes already looked at leave room at the top, which counts as differing:
        // a block shared to n ends the stretch there.
        same >>= skipped;
        marks >>= skipped;
        const quint64 differ = ~same;
        if (differ != 0)
            marks &= (differ & (~differ + 1)) - 1; // the delimiters before the first differing byte
        const int count = __builtin_popcountll(marks);
        if (count >= limit - stretch.delimiters) {
            for (int skip = limit - stretch.delimiters - 1; skip > 0; --skip)
                marks &= marks - 1;
            stretch.delimiters = limit;
            stretch.afterLastDelimiter = at + size_t(__builtin_ctzll(marks)) + 1;
            stretch.size = stretch.afterLastDelimiter;
            stretch.reachedLimit = true;
            return stretch;
        }
        if (marks) {
            stretch.delimiters += count;
            stretch.afterLastDelimiter = at + size_t(64 - __builtin_clzll(marks));
        }
        if (differ != 0) {
            stretch.size = at + size_t(__builtin_ctzll(differ));
            return stretch;
        }
        at += 64 - skipped;
    }
    // Sixteen bytes at a time, the last block ending at n: where it overlaps the block before it,
    // the bytes already looked at are shifted out.
    while (at < n && n >= 16) {
        const size_t load = std::min(at, n - 16);
        const unsigned skipped = unsigned(at - load);
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + load));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + load));
        // Bytes past n count as shared: the block then ends the stretch at n.
        const unsigned same
            = ((unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) >> skipped) | (0xFFFFu << (16 - skipped))) & 0xFFFFu;
        unsigned marks = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, mark))) >> skipped;
        if (same != 0xFFFF)
            marks &= (1u << __builtin_ctz(~same)) - 1;
        if (marks) {
            const int count = __builtin_popcount(marks);
            if (count >= limit - stretch.delimiters) {
                for (int skip = limit - stretch.delimiters - 1; skip > 0; --skip)
                    marks &= marks - 1;
                stretch.delimiters = limit;
                stretch.afterLastDelimiter = at + size_t(__builtin_ctz(marks)) + 1;
                stretch.size = stretch.afterLastDelimiter;
                stretch.reachedLimit = true;
                return stretch;
            }
            stretch.delimiters += count;
            stretch.afterLastDelimiter = at + size_t(32 - __builtin_clz(marks));
        }
        if (same != 0xFFFF) {
            stretch.size = at + size_t(__builtin_ctz(~same));
            return stretch;
        }
        at += 16 - skipped;
    }
#endif
    for (; at < n && a[at] == b[at]; ++at) {
        if (a[at] == delimiter) {
            ++stretch.delimiters;
            stretch.afterLastDelimiter = at + 1;
            if (stretch.delimiters == limit) {
                stretch.size = at + 1;
                stretch.reachedLimit = true;
                return stretch;
            }
        }
    }
    stretch.size = at;
    return stretch;
}
} // namespace

// The processor variants are chosen inside this file: a multiversioned function is declared with
// its variants everywhere under clang, and never so under GCC.
SharedStretch sharedStretch(const char *a, const char *b, size_t n, char delimiter, int limit)
{
    return stretchOf(a, b, n, delimiter, limit);
}

QStringView decodedField(std::string_view bytes, QString &buffer)
{
    buffer.resize(qsizetype(bytes.size()));
    const Utf8Decoder::Decoded decoded
        = Utf8Decoder::decode(bytes.data(), bytes.size(), reinterpret_cast<char16_t *>(buffer.data()));
    return QStringView(buffer).first(qsizetype(decoded.unitsWritten));
}
