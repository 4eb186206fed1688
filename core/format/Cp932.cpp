#include "Cp932.h"

#include "Cp932Tables.h"
#include "TableEncoder.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>

namespace
{
using namespace Cp932Tables;

constexpr quint16 kNoCode = 0xFFFF; // no two-byte code ends in 0xFF
constexpr int kMaxRows = 60; // lead bytes 0x81-0x9F and 0xE0-0xFC
constexpr char16_t kReplacement = 0xFFFD;

// Characters Japanese input methods on Linux type that the code page holds only as a look-alike.
constexpr std::array<std::pair<char16_t, char16_t>, 7> kLookAlikes{{
    {u'\u301C', u'\uFF5E'}, // WAVE DASH → FULLWIDTH TILDE
    {u'\u2212', u'\uFF0D'}, // MINUS SIGN → FULLWIDTH HYPHEN-MINUS
    {u'\u2014', u'\u2015'}, // EM DASH → HORIZONTAL BAR
    {u'\u2016', u'\u2225'}, // DOUBLE VERTICAL LINE → PARALLEL TO
    {u'\u00A2', u'\uFFE0'}, // CENT SIGN → FULLWIDTH CENT SIGN
    {u'\u00A3', u'\uFFE1'}, // POUND SIGN → FULLWIDTH POUND SIGN
    {u'\u00AC', u'\uFFE2'}, // NOT SIGN → FULLWIDTH NOT SIGN
}};

// What the generated tables give at run time: the code each character is written with, and
// which two-byte codes are not that code for their character.
struct Derived
{
    std::array<quint16, 0x10000> code;
    std::bitset<kMaxRows * kTrailCount> notPreferred;
    std::bitset<0x10000> duplicated; // characters with more than one two-byte code

    Derived()
    {
        code.fill(kNoCode);
        for (int i = 0; i < kNotPreferredCount; ++i) {
            const int row = kLeadRow[kNotPreferred[i] >> 8];
            notPreferred.set(size_t(row * kTrailCount + (kNotPreferred[i] & 0xFF) - kTrailFirst));
        }
        for (int byte = 0; byte < 256; ++byte) {
            if (kSingleByte[byte] != kReplacement)
                code[kSingleByte[byte]] = quint16(byte);
        }
        for (int lead = 0; lead < 256; ++lead) {
            const int row = kLeadRow[lead];
            if (row < 0)
                continue;
            for (int trail = 0; trail < kTrailCount; ++trail) {
                const char16_t ch = kDoubleByte[row][trail];
                if (ch == 0)
                    continue;
                if (!notPreferred.test(size_t(row * kTrailCount + trail)))
                    code[ch] = quint16(lead << 8 | (trail + kTrailFirst));
                else
                    duplicated.set(ch);
            }
        }
        for (const auto &[typed, lookAlike] : kLookAlikes)
            code[typed] = code[lookAlike];
    }
};

const Derived &derived()
{
    static const Derived tables;
    return tables;
}

constexpr quint64 kHighBits = 0x8080808080808080ULL;

template<bool kTrackForms>
char16_t *decodeBytes(QByteArrayView bytes, char16_t *out, bool &exact, Cp932::CodeForms *forms)
{
    const Derived &tables = derived();
    const auto *at = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = at + bytes.size();
    while (at < end) {
        // Most text of a delimited file is ASCII: eight bytes at a time while it lasts.
        while (end - at >= 8) {
            quint64 eight;
            std::memcpy(&eight, at, 8);
            if (eight & kHighBits)
                break;
            for (int i = 0; i < 8; ++i)
                out[i] = at[i];
            at += 8;
            out += 8;
        }
        if (at == end)
            break;
        const uchar byte = *at;
        if (byte < 0x80) {
            *out++ = byte;
            ++at;
            continue;
        }
        const int row = kLeadRow[byte];
        if (row >= 0 && end - at >= 2) {
            const unsigned trail = unsigned(at[1]) - kTrailFirst;
            if (trail < unsigned(kTrailCount)) {
                const char16_t ch = kDoubleByte[row][trail];
                if (ch != 0) {
                    if constexpr (kTrackForms) {
                        if (tables.duplicated.test(ch)) {
                            const auto code = quint16(byte << 8 | (trail + kTrailFirst));
                            const auto [it, added] = forms->codeOf.try_emplace(ch, code);
                            if (!added && it->second != code)
                                forms->mixed = true;
                        }
                    } else if (tables.notPreferred.test(size_t(row * kTrailCount) + trail)) {
                        exact = false;
                    }
                    *out++ = ch;
                    at += 2;
                    continue;
                }
            }
        }
        const char16_t ch = kSingleByte[byte];
        if (ch == kReplacement)
            exact = false;
        *out++ = ch;
        ++at;
    }
    return out;
}
} // namespace

namespace Cp932
{

char16_t *decode(QByteArrayView bytes, char16_t *out, bool &exact)
{
    return decodeBytes<false>(bytes, out, exact, nullptr);
}

char16_t *decode(QByteArrayView bytes, char16_t *out, bool &exact, CodeForms &forms)
{
    char16_t *end = decodeBytes<true>(bytes, out, exact, &forms);
    if (forms.mixed)
        exact = false;
    return end;
}

std::vector<quint16> alternateCodes(const CodeForms &forms)
{
    std::vector<quint16> codes;
    for (const auto &[ch, code] : forms.codeOf) {
        if (code != derived().code[ch])
            codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

Overrides overridesFor(const std::vector<quint16> &alternateCodes)
{
    Overrides overrides;
    for (const quint16 code : alternateCodes) {
        if (const char16_t ch = characterOf(code))
            overrides.emplace(ch, code);
    }
    return overrides;
}

char16_t characterOf(quint16 code)
{
    const int row = kLeadRow[code >> 8];
    const int trail = (code & 0xFF) - kTrailFirst;
    if (row < 0 || trail < 0 || trail >= kTrailCount)
        return 0;
    return kDoubleByte[row][trail];
}

quint16 codeOf(char16_t ch)
{
    return derived().code[ch];
}

qsizetype encode(QStringView text, QByteArray &out, const Overrides *overrides)
{
    const Derived &tables = derived();
    const bool overridden = overrides && !overrides->empty();
    return encodeByTable(text, out, kNoCode, [&](char16_t ch) {
        if (overridden) {
            if (const auto it = overrides->find(ch); it != overrides->end())
                return it->second;
        }
        return tables.code[ch]; // surrogates have none: nothing outside the BMP
    });
}

void tally(QByteArrayView bytes, Tally &into)
{
    const auto *at = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = at + bytes.size();
    while (at < end) {
        const uchar byte = *at;
        if (byte < 0x80) {
            ++at;
            continue;
        }
        const int row = kLeadRow[byte];
        if (row >= 0 && end - at >= 2) {
            const unsigned trail = unsigned(at[1]) - kTrailFirst;
            if (trail < unsigned(kTrailCount) && kDoubleByte[row][trail] != 0) {
                const char16_t ch = kDoubleByte[row][trail];
                if (ch >= 0xE000 && ch < 0xF900)
                    ++into.unlikely;
                at += 2;
                continue;
            }
        }
        const char16_t ch = kSingleByte[byte];
        if (ch == kReplacement || (ch >= 0xE000 && ch < 0xF900) || ch < 0xA0)
            ++into.invalid;
        else if (ch >= 0xFF61 && ch <= 0xFF9F)
            ++into.unlikely;
        ++at;
    }
}

} // namespace Cp932
