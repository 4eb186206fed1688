#include "CharacterNames.h"

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace
{
struct NamedCharacter
{
    char32_t code;
    const char *name;
};

// Sorted by code.
constexpr NamedCharacter kNames[] = {
    {0x0009, "CHARACTER TABULATION"},
    {0x000A, "LINE FEED"},
    {0x000D, "CARRIAGE RETURN"},
    {0x0020, "SPACE"},
    {0x0021, "EXCLAMATION MARK"},
    {0x0022, "QUOTATION MARK"},
    {0x0023, "NUMBER SIGN"},
    {0x0024, "DOLLAR SIGN"},
    {0x0025, "PERCENT SIGN"},
    {0x0026, "AMPERSAND"},
    {0x0027, "APOSTROPHE"},
    {0x0028, "LEFT PARENTHESIS"},
    {0x0029, "RIGHT PARENTHESIS"},
    {0x002A, "ASTERISK"},
    {0x002B, "PLUS SIGN"},
    {0x002C, "COMMA"},
    {0x002D, "HYPHEN-MINUS"},
    {0x002E, "FULL STOP"},
    {0x002F, "SOLIDUS"},
    {0x003A, "COLON"},
    {0x003B, "SEMICOLON"},
    {0x003C, "LESS-THAN SIGN"},
    {0x003D, "EQUALS SIGN"},
    {0x003E, "GREATER-THAN SIGN"},
    {0x003F, "QUESTION MARK"},
    {0x0040, "COMMERCIAL AT"},
    {0x005B, "LEFT SQUARE BRACKET"},
    {0x005C, "REVERSE SOLIDUS"},
    {0x005D, "RIGHT SQUARE BRACKET"},
    {0x005E, "CIRCUMFLEX ACCENT"},
    {0x005F, "LOW LINE"},
    {0x0060, "GRAVE ACCENT"},
    {0x007B, "LEFT CURLY BRACKET"},
    {0x007C, "VERTICAL LINE"},
    {0x007D, "RIGHT CURLY BRACKET"},
    {0x007E, "TILDE"},
    {0x00A0, "NO-BREAK SPACE"},
    {0x00A5, "YEN SIGN"},
    {0x00AD, "SOFT HYPHEN"},
    {0x00B7, "MIDDLE DOT"},
    {0x2002, "EN SPACE"},
    {0x2003, "EM SPACE"},
    {0x2009, "THIN SPACE"},
    {0x200B, "ZERO WIDTH SPACE"},
    {0x200C, "ZERO WIDTH NON-JOINER"},
    {0x200D, "ZERO WIDTH JOINER"},
    {0x2010, "HYPHEN"},
    {0x2011, "NON-BREAKING HYPHEN"},
    {0x2012, "FIGURE DASH"},
    {0x2013, "EN DASH"},
    {0x2014, "EM DASH"},
    {0x2015, "HORIZONTAL BAR"},
    {0x2016, "DOUBLE VERTICAL LINE"},
    {0x2018, "LEFT SINGLE QUOTATION MARK"},
    {0x2019, "RIGHT SINGLE QUOTATION MARK"},
    {0x201C, "LEFT DOUBLE QUOTATION MARK"},
    {0x201D, "RIGHT DOUBLE QUOTATION MARK"},
    {0x2025, "TWO DOT LEADER"},
    {0x2026, "HORIZONTAL ELLIPSIS"},
    {0x2028, "LINE SEPARATOR"},
    {0x2029, "PARAGRAPH SEPARATOR"},
    {0x202F, "NARROW NO-BREAK SPACE"},
    {0x2060, "WORD JOINER"},
    {0x2212, "MINUS SIGN"},
    {0x2225, "PARALLEL TO"},
    {0x25B2, "BLACK UP-POINTING TRIANGLE"},
    {0x25B3, "WHITE UP-POINTING TRIANGLE"},
    {0x3000, "IDEOGRAPHIC SPACE"},
    {0x3001, "IDEOGRAPHIC COMMA"},
    {0x3002, "IDEOGRAPHIC FULL STOP"},
    {0x301C, "WAVE DASH"},
    {0x3099, "COMBINING KATAKANA-HIRAGANA VOICED SOUND MARK"},
    {0x309A, "COMBINING KATAKANA-HIRAGANA SEMI-VOICED SOUND MARK"},
    {0x309B, "KATAKANA-HIRAGANA VOICED SOUND MARK"},
    {0x309C, "KATAKANA-HIRAGANA SEMI-VOICED SOUND MARK"},
    {0x30FB, "KATAKANA MIDDLE DOT"},
    {0x30FC, "KATAKANA-HIRAGANA PROLONGED SOUND MARK"},
    {0xFEFF, "ZERO WIDTH NO-BREAK SPACE"},
    {0xFF61, "HALFWIDTH IDEOGRAPHIC FULL STOP"},
    {0xFF64, "HALFWIDTH IDEOGRAPHIC COMMA"},
    {0xFF65, "HALFWIDTH KATAKANA MIDDLE DOT"},
    {0xFF70, "HALFWIDTH KATAKANA-HIRAGANA PROLONGED SOUND MARK"},
    {0xFF9E, "HALFWIDTH KATAKANA VOICED SOUND MARK"},
    {0xFF9F, "HALFWIDTH KATAKANA SEMI-VOICED SOUND MARK"},
    {0xFFE5, "FULLWIDTH YEN SIGN"},
};
static_assert(std::is_sorted(std::begin(kNames), std::end(kNames),
                             [](const NamedCharacter &a, const NamedCharacter &b) { return a.code < b.code; }));

constexpr char32_t kFullWidthOffset = 0xFF01 - 0x21;

// The name of a printable ASCII character or one of the controls named above; empty otherwise.
QString asciiName(char32_t code)
{
    if (code >= u'0' && code <= u'9') {
        static const char *const digits[]
            = {"ZERO", "ONE", "TWO", "THREE", "FOUR", "FIVE", "SIX", "SEVEN", "EIGHT", "NINE"};
        return u"DIGIT "_s + QLatin1StringView(digits[code - u'0']);
    }
    if (code >= u'A' && code <= u'Z')
        return u"LATIN CAPITAL LETTER "_s + QChar(char16_t(code));
    if (code >= u'a' && code <= u'z')
        return u"LATIN SMALL LETTER "_s + QChar(char16_t(code - u'a' + u'A'));
    const auto found = std::lower_bound(std::begin(kNames), std::end(kNames), code,
                                        [](const NamedCharacter &named, char32_t c) { return named.code < c; });
    if (found != std::end(kNames) && found->code == code)
        return QLatin1StringView(found->name);
    return {};
}
} // namespace

QString codePointText(char32_t codePoint)
{
    return u"U+"_s + QString::number(uint(codePoint), 16).toUpper().rightJustified(4, u'0');
}

QString characterName(char32_t codePoint)
{
    QString name;
    if (codePoint >= 0xFF01 && codePoint <= 0xFF5E) {
        const QString ascii = asciiName(codePoint - kFullWidthOffset);
        if (!ascii.isEmpty())
            name = u"FULLWIDTH "_s + ascii;
    } else {
        name = asciiName(codePoint);
    }
    const QString code = codePointText(codePoint);
    return name.isEmpty() ? code : code + u' ' + name;
}
