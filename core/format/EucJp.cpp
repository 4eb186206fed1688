#include "EucJp.h"

#include "TableEncoder.h"

#include <array>

namespace
{
constexpr char16_t kReplacement = 0xFFFD;
constexpr int kFirst = 0xA1;
constexpr int kLast = 0xFE;

// Where JIS and code page 932 disagree on a symbol's character: code page 932's, then JIS's.
constexpr std::array<std::pair<char16_t, char16_t>, 6> kJisSymbols{{
    {u'\uFF5E', u'\u301C'},
    {u'\uFF0D', u'\u2212'},
    {u'\u2225', u'\u2016'},
    {u'\uFFE0', u'\u00A2'},
    {u'\uFFE1', u'\u00A3'},
    {u'\uFFE2', u'\u00AC'},
}};

// The code page 932 code of JIS row and cell (1-94 each).
quint16 shiftJisOf(int row, int cell)
{
    const int lead = ((row - 1) >> 1) + (row <= 62 ? 0x81 : 0xC1);
    const int trail = (row & 1) ? cell + 0x3F + (cell >= 64 ? 1 : 0) : cell + 0x9E;
    return quint16(lead << 8 | trail);
}

struct Tables
{
    std::array<char16_t, 94 * 94> character{};
    std::array<quint16, 0x10000> code{}; // 0: none

    Tables()
    {
        for (int row = 1; row <= 94; ++row) {
            for (int cell = 1; cell <= 94; ++cell) {
                char16_t ch = Cp932::characterOf(shiftJisOf(row, cell));
                for (const auto &[windows, jis] : kJisSymbols) {
                    if (ch == windows)
                        ch = jis;
                }
                character[size_t((row - 1) * 94 + cell - 1)] = ch;
                // The first code of a character is its code; later rows hold the NEC duplicates.
                if (ch != 0 && code[ch] == 0)
                    code[ch] = quint16((row + 0xA0) << 8 | (cell + 0xA0));
            }
        }
        for (const auto &[windows, jis] : kJisSymbols)
            code[windows] = code[jis];
        code[u'\u2014'] = code[u'\u2015']; // EM DASH, as code page 932 writes it
        for (char16_t ch = 0xFF61; ch <= 0xFF9F; ++ch)
            code[ch] = quint16(0x8E00 | (ch - 0xFF61 + 0xA1));
    }
};

const Tables &tables()
{
    static const Tables built;
    return built;
}

bool inRange(uchar byte)
{
    return byte >= kFirst && byte <= kLast;
}
} // namespace

namespace EucJp
{

char16_t *decode(QByteArrayView bytes, char16_t *out, bool &exact)
{
    const Tables &t = tables();
    const auto *at = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = at + bytes.size();
    while (at < end) {
        const uchar byte = *at;
        if (byte < 0x80) {
            *out++ = byte;
            ++at;
            continue;
        }
        const qsizetype left = end - at;
        if (byte == 0x8E && left >= 2 && at[1] >= 0xA1 && at[1] <= 0xDF) {
            *out++ = char16_t(0xFF61 + at[1] - 0xA1);
            at += 2;
            continue;
        }
        if (byte == 0x8F && left >= 3 && inRange(at[1]) && inRange(at[2])) {
            *out++ = kReplacement;
            exact = false;
            at += 3;
            continue;
        }
        if (inRange(byte) && left >= 2 && inRange(at[1])) {
            const char16_t ch = t.character[size_t((byte - kFirst) * 94 + at[1] - kFirst)];
            if (ch == 0 || t.code[ch] != quint16(byte << 8 | at[1]))
                exact = false;
            *out++ = ch == 0 ? kReplacement : ch;
            at += 2;
            continue;
        }
        *out++ = kReplacement;
        exact = false;
        ++at;
    }
    return out;
}

qsizetype encode(QStringView text, QByteArray &out)
{
    const Tables &t = tables();
    // Every EUC-JP code past ASCII is two bytes (0x8E and a half-width katakana included).
    return encodeByTable(text, out, 0, [&t](char16_t ch) { return t.code[ch]; });
}

void tally(QByteArrayView bytes, Cp932::Tally &into)
{
    const Tables &t = tables();
    const auto *at = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = at + bytes.size();
    while (at < end) {
        const uchar byte = *at;
        if (byte < 0x80) {
            ++at;
            continue;
        }
        const qsizetype left = end - at;
        if (byte == 0x8E && left >= 2 && at[1] >= 0xA1 && at[1] <= 0xDF) {
            ++into.unlikely;
            at += 2;
        } else if (byte == 0x8F && left >= 3 && inRange(at[1]) && inRange(at[2])) {
            ++into.unlikely;
            at += 3;
        } else if (inRange(byte) && left >= 2 && inRange(at[1])) {
            if (t.character[size_t((byte - kFirst) * 94 + at[1] - kFirst)] == 0)
                ++into.unlikely;
            at += 2;
        } else {
            ++into.invalid;
            ++at;
        }
    }
}

} // namespace EucJp
