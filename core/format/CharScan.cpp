#include "CharScan.h"

#include <algorithm>
#include <array>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#define ROWLARK_CHARSCAN_SSE2 1
#endif

namespace CharScan
{
namespace
{
#ifdef ROWLARK_CHARSCAN_SSE2
constexpr qsizetype kBlock = 8; // characters in one 16-byte register

__m128i loadBlock(const char16_t *at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
}

// Two bits per character of the block, set where it equals `wanted`.
unsigned matchBits(__m128i block, __m128i wanted)
{
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(block, wanted)));
}

// How many characters of the block equal `wanted`. The processors the program is built for need
// not have a population count instruction, so one bit per character is looked up in a table.
int matchCount(__m128i block, __m128i wanted)
{
    static constexpr auto kBitsSet = [] {
        std::array<quint8, 256> table{};
        for (unsigned i = 0; i < table.size(); ++i)
            table[i] = quint8(std::popcount(i));
        return table;
    }();
    const __m128i matches = _mm_cmpeq_epi16(block, wanted);
    return kBitsSet[unsigned(_mm_movemask_epi8(_mm_packs_epi16(matches, _mm_setzero_si128())))];
}
#endif
} // namespace

qsizetype findEither(const char16_t *chars, qsizetype from, qsizetype size, char16_t a, char16_t b)
{
    qsizetype at = from;
#ifdef ROWLARK_CHARSCAN_SSE2
    const __m128i wantA = _mm_set1_epi16(short(a));
    const __m128i wantB = _mm_set1_epi16(short(b));
    for (; at + kBlock <= size; at += kBlock) {
        const __m128i block = loadBlock(chars + at);
        if (const unsigned bits = matchBits(block, wantA) | matchBits(block, wantB))
            return at + std::countr_zero(bits) / 2;
    }
#endif
    for (; at < size; ++at) {
        if (chars[at] == a || chars[at] == b)
            return at;
    }
    return size;
}

LineCounts countLines(const char16_t *chars, qsizetype size, char16_t lineEnd, char16_t mark)
{
    LineCounts counts;
    const bool crTakesLf = lineEnd == u'\r';
    qint64 marks = 0; // on the current line
    qsizetype lineStart = 0;
    const auto endLine = [&](qsizetype at) {
        counts.mostMarks = std::max(counts.mostMarks, marks);
        marks = 0;
        ++counts.lines;
        qsizetype next = at + 1;
        if (crTakesLf) {
            if (next < size && chars[next] == u'\n') {
                ++next;
                ++counts.crLfEnds;
            } else {
                ++counts.crEnds;
            }
        }
        return next;
    };

    qsizetype at = 0;
    while (at < size) {
#ifdef ROWLARK_CHARSCAN_SSE2
        // Whole blocks without a line end only add to the line's marks.
        const __m128i wantEnd = _mm_set1_epi16(short(lineEnd));
        const __m128i wantMark = _mm_set1_epi16(short(mark));
        while (at + kBlock <= size) {
            const __m128i block = loadBlock(chars + at);
            if (matchBits(block, wantEnd) != 0)
                break;
            marks += matchCount(block, wantMark);
            at += kBlock;
        }
#endif
        // One character at a time up to and including the next line end.
        for (; at < size; ++at) {
            const char16_t ch = chars[at];
            if (ch == lineEnd) {
                at = endLine(at);
                lineStart = at;
                break;
            }
            if (ch == mark)
                ++marks;
        }
    }
    if (lineStart < size) {
        counts.mostMarks = std::max(counts.mostMarks, marks);
        ++counts.lines;
    }
    return counts;
}

} // namespace CharScan
