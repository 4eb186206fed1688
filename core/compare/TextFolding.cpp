#include "TextFolding.h"

#include <array>
#include <string_view>
#include <utility>

namespace TextFolding
{
namespace
{
// Half-width katakana U+FF61–U+FF9F and their full-width forms, in code order.
constexpr char16_t kHalfWidthKana[] = u"。「」、・ヲァィゥェォャュョッー"
                                      u"アイウエオカキクケコサシスセソタチツテトナニヌネノ"
                                      u"ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
static_assert(std::size(kHalfWidthKana) - 1 == 0xFF9F - 0xFF61 + 1);

// U+FFE0–U+FFE6 and the narrow signs they are wide forms of.
constexpr char16_t kFullWidthSigns[] = u"\u00A2\u00A3\u00AC\u00AF\u00A6\u00A5\u20A9";

constexpr char16_t kHalfVoicedMark = 0xFF9E;
constexpr char16_t kHalfSemiVoicedMark = 0xFF9F;

// Katakana whose voiced form follows at the next code, and those whose semi-voiced form follows
// at the one after.
constexpr std::u16string_view kVoicedBeforeNext = u"カキクケコサシスセソタチツテトハヒフヘホ";
constexpr std::u16string_view kSemiVoicedBeforeNext = u"ハヒフヘホ";

// The full-width katakana with the voiced mark, or 0 when the kana has none.
char16_t voicedKatakana(char16_t kana)
{
    if (kVoicedBeforeNext.find(kana) != std::u16string_view::npos)
        return char16_t(kana + 1);
    switch (kana) {
    case u'ウ':
        return u'ヴ';
    case u'ワ':
        return u'ヷ';
    case u'ヲ':
        return u'ヺ';
    default:
        return 0;
    }
}

char16_t semiVoicedKatakana(char16_t kana)
{
    return kSemiVoicedBeforeNext.find(kana) != std::u16string_view::npos ? char16_t(kana + 2) : char16_t(0);
}

// Empties `out` without giving up its capacity (Qt 6 never shrinks on resize).
void startBuffer(QString &out, qsizetype expected)
{
    out.resize(0);
    // Only when the block is too small: asked for the capacity it already has, QString may still
    // move to a new block (seen with the address sanitizer's allocator).
    if (out.capacity() < expected)
        out.reserve(expected);
}

bool isHyphenLookAlike(char16_t c)
{
    switch (c) {
    case 0x002D: // - HYPHEN-MINUS
    case 0x2010: // ‐ HYPHEN
    case 0x2011: // ‑ NON-BREAKING HYPHEN
    case 0x2013: // – EN DASH
    case 0x2014: // — EM DASH
    case 0x2015: // ― HORIZONTAL BAR
    case 0x2212: // − MINUS SIGN
    case 0xFF70: // ｰ HALFWIDTH KATAKANA-HIRAGANA PROLONGED SOUND MARK
    case 0x30FC: // ー KATAKANA-HIRAGANA PROLONGED SOUND MARK
    case 0xFF0D: // － FULLWIDTH HYPHEN-MINUS
        return true;
    default:
        return false;
    }
}

// A digit 0–9 or ０–９ as its value, or -1.
int digitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= 0xFF10 && c <= 0xFF19)
        return c - 0xFF10;
    return -1;
}

bool isCurrencySign(char16_t c)
{
    return c == u'¥' || c == 0xFFE5;
}

bool isThousandsSeparator(char16_t c)
{
    return c == u',' || c == 0xFF0C;
}

bool isDecimalPoint(char16_t c)
{
    return c == u'.' || c == 0xFF0E;
}

// +1 for a plus sign, -1 for a minus sign, 0 for anything else.
int signOf(char16_t c)
{
    switch (c) {
    case u'+':
    case 0xFF0B: // ＋
        return 1;
    case u'-':
    case 0xFF0D: // －
    case 0x2212: // −
    case 0x25B3: // △
    case 0x25B2: // ▲
        return -1;
    default:
        return 0;
    }
}

// A character that folds together with the one before it: the second half of a surrogate pair,
// a combining mark, a half-width voiced mark, a joiner, a Hangul jamo.
bool joinsThePrevious(QChar c)
{
    const char16_t u = c.unicode();
    if (c.isLowSurrogate() || u == kHalfVoicedMark || u == kHalfSemiVoicedMark || u == 0x200D)
        return true;
    if ((u >= 0x1100 && u <= 0x11FF) || (u >= 0xA960 && u <= 0xA97F) || (u >= 0xD7B0 && u <= 0xD7FF))
        return true;
    const QChar::Category category = c.category();
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
        || category == QChar::Mark_Enclosing;
}

// The two texts without what they share at the start and the end, cut so that no character is
// parted from one that folds together with it. The character rules fold each character (with
// the marks that join it) on its own, so the texts are equal under such a rule exactly when
// these middles are: a long cell with one difference is folded a few characters wide.
std::pair<QStringView, QStringView> differingMiddles(QStringView a, QStringView b)
{
    const qsizetype shorter = std::min(a.size(), b.size());
    qsizetype prefix = 0;
    while (prefix < shorter && a[prefix] == b[prefix])
        ++prefix;
    while (
        prefix > 0
        && ((prefix < a.size() && joinsThePrevious(a[prefix])) || (prefix < b.size() && joinsThePrevious(b[prefix]))))
        --prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    while (suffix > 0 && joinsThePrevious(a[a.size() - suffix]))
        --suffix;
    return {a.sliced(prefix, a.size() - prefix - suffix), b.sliced(prefix, b.size() - prefix - suffix)};
}

// Numbers longer than this are read as text: no cell of real data holds one.
constexpr qsizetype kMaxNumberLength = 300;
} // namespace

std::pair<QStringView, QStringView> characterRuleMiddles(QStringView a, QStringView b)
{
    return differingMiddles(a, b);
}

void foldCase(QStringView text, QString &out)
{
    startBuffer(out, text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
            if (QChar::requiresSurrogates(folded)) {
                out.append(QChar(QChar::highSurrogate(folded)));
                out.append(QChar(QChar::lowSurrogate(folded)));
            } else {
                out.append(QChar(char16_t(folded)));
            }
        } else {
            out.append(c.toCaseFolded());
        }
    }
}

void foldWidth(QStringView text, QString &out)
{
    startBuffer(out, text.size());
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c >= 0xFF01 && c <= 0xFF5E) {
            out.append(QChar(char16_t(c - 0xFF01 + 0x21)));
        } else if (c == 0x3000) {
            out.append(u' ');
        } else if (c >= 0xFFE0 && c <= 0xFFE6) {
            out.append(QChar(kFullWidthSigns[c - 0xFFE0]));
        } else if ((c == kHalfVoicedMark || c == kHalfSemiVoicedMark) && !out.isEmpty()) {
            // The mark joins the kana before it when that kana has the marked form.
            const char16_t previous = out.back().unicode();
            const char16_t joined = c == kHalfVoicedMark ? voicedKatakana(previous) : semiVoicedKatakana(previous);
            if (joined)
                out.back() = QChar(joined);
            else
                out.append(QChar(kHalfWidthKana[c - 0xFF61]));
        } else if (c >= 0xFF61 && c <= 0xFF9F) {
            out.append(QChar(kHalfWidthKana[c - 0xFF61]));
        } else {
            out.append(qc);
        }
    }
}

void foldKana(QStringView text, QString &out)
{
    startBuffer(out, text.size());
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        // ァ (U+30A1) to ヶ (U+30F6) and the iteration marks ヽ ヾ lie 0x60 above their hiragana.
        if ((c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE)
            out.append(QChar(char16_t(c - 0x60)));
        else
            out.append(qc);
    }
}

namespace
{
// Characters that are in form C whatever stands around them, as long as no character outside
// this set does: none has a canonical decomposition that form C keeps apart (quick check Yes),
// none is a combining mark or a Hangul jamo that could join the character before it. Only the
// blocks a Japanese table is made of are listed; every other character goes through Qt's
// normaliser. Surrogates are left to it too.
bool isStableInNfc(char16_t c)
{
    return c < 0x0300 // Latin and before: combining diacritics start at U+0300
        || (c >= 0x2010 && c <= 0x2027) // dashes, quotes, dots
        || (c >= 0x2030 && c <= 0x205E) // per mille, primes and other punctuation
        || (c >= 0x2190 && c <= 0x2328) // arrows, mathematical operators (U+2329 is a singleton)
        || (c >= 0x2460 && c <= 0x27BF) // enclosed numbers, box drawing, shapes (△ ▲), dingbats
        || (c >= 0x3000 && c <= 0x3029) // CJK symbols and punctuation before the tone marks
        || (c >= 0x3030 && c <= 0x3096) // more punctuation, hiragana
        || (c >= 0x309B && c <= 0x30FF) // spacing voiced marks, katakana
        || (c >= 0x3200 && c <= 0x33FF) // enclosed CJK letters, CJK compatibility
        || (c >= 0x4E00 && c <= 0x9FFF) // CJK unified ideographs
        || (c >= 0xAC00 && c <= 0xD7A3) // Hangul syllables (a jamo after one is not in this set)
        || (c >= 0xFF01 && c <= 0xFFEE); // half- and full-width forms
}
} // namespace

void foldNfc(QStringView text, QString &out)
{
    for (const QChar c : text) {
        if (!isStableInNfc(c.unicode())) {
            // Qt normalises into a new string; the buffer keeps its own block all the same.
            const QString normalized = text.toString().normalized(QString::NormalizationForm_C);
            startBuffer(out, normalized.size());
            out.append(normalized);
            return;
        }
    }
    startBuffer(out, text.size());
    out.append(text);
}

void foldHyphens(QStringView text, QString &out)
{
    startBuffer(out, text.size());
    for (const QChar c : text)
        out.append(isHyphenLookAlike(c.unicode()) ? QChar(u'-') : c);
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == 0x3000 || c == 0x00A0;
}

namespace
{
// Each pair: the other converters' form, then code page 932's.
constexpr std::pair<char16_t, char16_t> kSjisPairs[] = {
    {0x301C, 0xFF5E}, // 〜 WAVE DASH, ～ FULLWIDTH TILDE
    {0x2016, 0x2225}, // ‖ DOUBLE VERTICAL LINE, ∥ PARALLEL TO
    {0x2212, 0xFF0D}, // − MINUS SIGN, － FULLWIDTH HYPHEN-MINUS
    {0x00A2, 0xFFE0}, // ¢ ￠
    {0x00A3, 0xFFE1}, // £ ￡
    {0x00AC, 0xFFE2}, // ¬ ￢
    {0x2014, 0x2015}, // — EM DASH, ― HORIZONTAL BAR
    {0x00A6, 0xFFE4}, // ¦ ￤ (the IBM extensions' broken bar)
};

char16_t sjisForm(char16_t c)
{
    // Most characters lie outside the three stretches the pairs are in.
    if (c < 0x00A2 || (c > 0x00A6 && c != 0x00AC && c < 0x2014) || (c > 0x2016 && c != 0x2212 && c != 0x301C))
        return c;
    for (const auto &[other, cp932] : kSjisPairs) {
        if (c == other)
            return cp932;
    }
    return c;
}

bool isDigitSeparator(char16_t c)
{
    return isHyphenLookAlike(c) || isBlank(c);
}

// A run of digits from `i` as a number, at most `maxDigits` of them; the digits read in `count`.
int readNumber(QStringView text, qsizetype &i, int maxDigits, int &count)
{
    int value = 0;
    count = 0;
    while (i < text.size() && count < maxDigits + 1) {
        const int digit = digitValue(text[i].unicode());
        if (digit < 0)
            break;
        value = value * 10 + digit;
        ++count;
        ++i;
    }
    return value;
}

void skipBlanks(QStringView text, qsizetype &i)
{
    while (i < text.size() && isBlank(text[i].unicode()))
        ++i;
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

struct Era
{
    char16_t letter; // M T S H R
    std::u16string_view name;
    int yearBefore; // the Gregorian year of the era's year 0
    int startYear, startMonth, startDay; // its first day
};

constexpr Era kEras[] = {
    {u'M', u"明治", 1867, 1868, 10, 23}, {u'T', u"大正", 1911, 1912, 7, 30}, {u'S', u"昭和", 1925, 1926, 12, 25},
    {u'H', u"平成", 1988, 1989, 1, 8},   {u'R', u"令和", 2018, 2019, 5, 1},
};

int dayNumber(int year, int month, int day)
{
    return (year * 12 + month) * 31 + day; // only ever compared
}

// An era's name or letter at `i`, moving past it.
const Era *readEra(QStringView text, qsizetype &i)
{
    for (const Era &era : kEras) {
        const QStringView name(era.name.data(), qsizetype(era.name.size()));
        if (text.sliced(i).startsWith(name)) {
            i += name.size();
            return &era;
        }
        const char16_t c = text[i].unicode();
        if (c == era.letter || c == era.letter + 0xFEE0) {
            ++i;
            return &era;
        }
    }
    return nullptr;
}

// A time of day from `i` to the end of the text: H:MM, H:MM:SS or H時M分[S秒].
std::optional<int> readTime(QStringView text, qsizetype i)
{
    int count = 0;
    const int hours = readNumber(text, i, 2, count);
    if (count == 0 || count > 2 || hours > 23 || i >= text.size())
        return std::nullopt;
    const bool kanji = text[i] == u'時';
    if (!kanji && text[i] != u':' && text[i] != u'：')
        return std::nullopt;
    ++i;
    const int minutes = readNumber(text, i, 2, count);
    if (count == 0 || count > 2 || (!kanji && count != 2) || minutes > 59)
        return std::nullopt;
    int seconds = 0;
    if (kanji) {
        if (i >= text.size() || text[i] != u'分')
            return std::nullopt;
        ++i;
        if (i < text.size()) {
            seconds = readNumber(text, i, 2, count);
            if (count == 0 || count > 2 || seconds > 59 || i + 1 != text.size() || text[i] != u'秒')
                return std::nullopt;
            ++i;
        }
    } else if (i < text.size()) {
        if (text[i] != u':' && text[i] != u'：')
            return std::nullopt;
        ++i;
        seconds = readNumber(text, i, 2, count);
        if (count != 2 || seconds > 59)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    return (hours * 60 + minutes) * 60 + seconds;
}
} // namespace

void foldSjisPairs(QStringView text, QString &out)
{
    startBuffer(out, text.size());
    for (const QChar c : text)
        out.append(QChar(sjisForm(c.unicode())));
}

std::optional<std::pair<char16_t, char16_t>> firstSjisPair(QStringView a, QStringView b)
{
    const qsizetype shorter = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < shorter; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x != y && sjisForm(x) == sjisForm(y))
            return std::pair{x, y};
    }
    return std::nullopt;
}

bool foldDigitSeparators(QStringView text, QString &out)
{
    startBuffer(out, text.size());
    qsizetype i = 0;
    if (i < text.size() && text[i] == u'〒') {
        ++i;
        skipBlanks(text, i);
    }
    bool digitBefore = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const int digit = digitValue(c);
        if (digit >= 0) {
            out.append(QChar(u'0' + digit));
            digitBefore = true;
            continue;
        }
        if (!digitBefore || !isDigitSeparator(c))
            break;
        while (i + 1 < text.size() && isDigitSeparator(text[i + 1].unicode()))
            ++i;
        if (i + 1 == text.size() || digitValue(text[i + 1].unicode()) < 0)
            break;
    }
    return i == text.size() && !out.isEmpty();
}

QString DateReading::text() const
{
    QString result = QStringLiteral("%1-%2-%3")
                         .arg(year, 4, 10, QChar(u'0'))
                         .arg(month, 2, 10, QChar(u'0'))
                         .arg(day, 2, 10, QChar(u'0'));
    if (seconds >= 0) {
        result += QStringLiteral(" %1:%2:%3")
                      .arg(seconds / 3600, 2, 10, QChar(u'0'))
                      .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
                      .arg(seconds % 60, 2, 10, QChar(u'0'));
    }
    return result;
}

std::optional<DateReading> readDate(QStringView text)
{
    text = trimBlanks(text);
    if (text.size() < 5 || text.size() > 40)
        return std::nullopt;
    qsizetype i = 0;
    DateReading date;
    int count = 0;
    const Era *era = digitValue(text[0].unicode()) < 0 ? readEra(text, i) : nullptr;
    if (era) {
        skipBlanks(text, i);
        if (i < text.size() && text[i] == u'元') {
            date.year = 1;
            ++i;
        } else {
            date.year = readNumber(text, i, 2, count);
            if (count == 0 || count > 2 || date.year == 0)
                return std::nullopt;
        }
    } else {
        date.year = readNumber(text, i, 4, count);
        if (count != 4 || date.year == 0)
            return std::nullopt;
    }
    if (i >= text.size())
        return std::nullopt;
    // The separator after the year sets the form: 年月日, or one of / - . throughout.
    const char16_t separator = text[i].unicode();
    const bool kanji = separator == u'年';
    const bool separated = QStringView(u"/-.／－．").contains(QChar(separator));
    if (!kanji && !separated)
        return std::nullopt;
    ++i;
    if (kanji)
        skipBlanks(text, i);
    date.month = readNumber(text, i, 2, count);
    if (count == 0 || count > 2 || i >= text.size() || text[i] != QChar(kanji ? u'月' : separator))
        return std::nullopt;
    ++i;
    if (kanji)
        skipBlanks(text, i);
    date.day = readNumber(text, i, 2, count);
    if (count == 0 || count > 2)
        return std::nullopt;
    if (kanji) {
        if (i >= text.size() || text[i] != u'日')
            return std::nullopt;
        ++i;
    }
    if (i < text.size()) {
        const qsizetype before = i;
        skipBlanks(text, i);
        if (i == before && text[i] != u'T')
            return std::nullopt;
        if (i == before)
            ++i;
        const std::optional<int> seconds = readTime(text, i);
        if (!seconds)
            return std::nullopt;
        date.seconds = *seconds;
    }
    if (era)
        date.year += era->yearBefore;
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > daysInMonth(date.year, date.month))
        return std::nullopt;
    if (era) {
        const int day = dayNumber(date.year, date.month, date.day);
        if (day < dayNumber(era->startYear, era->startMonth, era->startDay))
            return std::nullopt;
        if (era + 1 != std::end(kEras) && day >= dayNumber(era[1].startYear, era[1].startMonth, era[1].startDay))
            return std::nullopt;
    }
    return date;
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin].unicode()))
        ++begin;
    while (end > begin && isBlank(text[end - 1].unicode()))
        --end;
    return text.sliced(begin, end - begin);
}

void removeBlanks(QStringView text, QString &out)
{
    startBuffer(out, text.size());
    for (const QChar c : text) {
        if (!isBlank(c.unicode()))
            out.append(c);
    }
}

void fold(Rule rule, QStringView text, QString &out)
{
    switch (rule) {
    case Rule::Case:
        foldCase(text, out);
        return;
    case Rule::Width:
        foldWidth(text, out);
        return;
    case Rule::Kana:
        foldKana(text, out);
        return;
    case Rule::Nfc:
        foldNfc(text, out);
        return;
    case Rule::Hyphen:
        foldHyphens(text, out);
        return;
    case Rule::Trim: {
        const QStringView trimmed = trimBlanks(text);
        startBuffer(out, trimmed.size());
        out.append(trimmed);
        return;
    }
    case Rule::RemoveBlanks:
        removeBlanks(text, out);
        return;
    case Rule::Numeric:
        startBuffer(out, text.size());
        out.append(text);
        return;
    case Rule::SjisPairs:
        foldSjisPairs(text, out);
        return;
    case Rule::DigitSeparators:
        if (!foldDigitSeparators(text, out)) {
            startBuffer(out, text.size());
            out.append(text);
        }
        return;
    case Rule::Dates:
        if (const std::optional<DateReading> date = readDate(text)) {
            out = date->text();
        } else {
            startBuffer(out, text.size());
            out.append(text);
        }
        return;
    }
}

bool readDecimal(QStringView text, Decimal &out)
{
    if (text.isEmpty() || text.size() > kMaxNumberLength)
        return false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool currency = false;
    int sign = 0;
    // The currency sign may stand before or after the sign: ¥-500 and -¥500 both occur.
    for (int lead = 0; lead < 2 && i < n; ++lead) {
        const char16_t c = text[i].unicode();
        if (!currency && isCurrencySign(c)) {
            currency = true;
            ++i;
        } else if (sign == 0 && signOf(c) != 0) {
            sign = signOf(c);
            ++i;
        }
    }

    out.digits.clear();
    int wholeDigits = 0;
    int groupDigits = 0; // digits since the last separator, or since the start
    bool separated = false;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        const int digit = digitValue(c);
        if (digit >= 0) {
            out.digits.push_back(char('0' + digit));
            ++wholeDigits;
            ++groupDigits;
            if (separated && groupDigits > 3)
                return false;
        } else if (isThousandsSeparator(c)) {
            // The group before must be whole: 1–3 digits for the first, exactly 3 after that.
            if (groupDigits == 0 || groupDigits > 3 || (separated && groupDigits != 3))
                return false;
            separated = true;
            groupDigits = 0;
        } else {
            break;
        }
    }
    if (separated && groupDigits != 3)
        return false;
    // A whole number written with a leading zero (001234, 0120) is a code, not a number: a
    // spreadsheet that dropped the zero changed it.
    const bool code = wholeDigits > 1 && !separated && out.digits.front() == '0';

    int fractionDigits = 0;
    if (i < n && isDecimalPoint(text[i].unicode())) {
        for (++i; i < n; ++i) {
            const int digit = digitValue(text[i].unicode());
            if (digit < 0)
                break;
            out.digits.push_back(char('0' + digit));
            ++fractionDigits;
        }
        if (fractionDigits == 0)
            return false;
    }
    if (wholeDigits == 0 && fractionDigits == 0)
        return false;
    if (code && fractionDigits == 0)
        return false;

    if (i < n) {
        const char16_t c = text[i].unicode();
        const bool unit = c == u'円' || c == u'%' || c == 0xFF05;
        if (!unit || currency || i + 1 != n)
            return false;
    }

    out.exponent = -fractionDigits;
    normalizeDecimal(out);
    out.negative = sign < 0 && !out.isZero();
    return true;
}

std::optional<Decimal> readDecimal(QStringView text)
{
    Decimal number;
    if (!readDecimal(text, number))
        return std::nullopt;
    return number;
}

bool numericallyEqual(QStringView a, QStringView b, const Decimal &tolerance)
{
    Decimal first;
    Decimal second;
    return readDecimal(a, first) && readDecimal(b, second) && withinTolerance(first, second, tolerance);
}

bool numericallyEqual(QStringView a, QStringView b, double tolerance)
{
    return numericallyEqual(a, b, decimalOf(tolerance));
}

bool equalUnder(Rule rule, QStringView a, QStringView b, FoldBuffers &buffers, double tolerance)
{
    switch (rule) {
    case Rule::Numeric:
        return numericallyEqual(a, b, tolerance);
    case Rule::Trim:
        return trimBlanks(a) == trimBlanks(b);
    case Rule::DigitSeparators:
        return foldDigitSeparators(a, buffers.first) && foldDigitSeparators(b, buffers.second)
            && buffers.first == buffers.second;
    case Rule::Dates: {
        const std::optional<DateReading> first = readDate(a);
        return first && first == readDate(b);
    }
    default: {
        const auto [middleA, middleB] = differingMiddles(a, b);
        fold(rule, middleA, buffers.first);
        fold(rule, middleB, buffers.second);
        return buffers.first == buffers.second;
    }
    }
}

std::optional<Rule> ruleThatMakesEqual(QStringView a, QStringView b, FoldBuffers &buffers, double tolerance)
{
    if (a == b)
        return std::nullopt;
    for (const Rule rule : kAllRules) {
        if (equalUnder(rule, a, b, buffers, tolerance))
            return rule;
    }
    return std::nullopt;
}

} // namespace TextFolding
