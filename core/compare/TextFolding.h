#pragma once

#include "Decimal.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

// The rules by which two cell texts can count as "the same" although their characters differ,
// each a pure function of one text. A rule folds a text into a canonical form; two texts are
// equal under the rule when their folded forms are equal (the numeric reading compares values
// instead). Folding is only ever for comparing: no cell, file or tool tip shows a folded text.
//
// The folding functions write into a buffer the caller keeps and reuses: once the buffer has
// grown to the longest text it sees, folding allocates nothing (NFC of a text with combining
// marks or rarer characters is the exception, see foldNfc; the buffer keeps its block even then). A buffer that shares
// its data with another string is detached first.
namespace TextFolding
{

// The options that turn each rule on are in CompareOptionTable.h.
enum class Rule {
    Nfc,
    Width,
    Kana,
    Case,
    Hyphen,
    Trim,
    RemoveBlanks,
    Numeric,
    SjisPairs,
    DigitSeparators,
    Dates,
};

// Every rule, in the order ruleThatMakesEqual() tries them: the narrowest first, so that the
// rule named is the one that tells the person most.
inline constexpr Rule kAllRules[]
    = {Rule::Nfc,  Rule::Width,        Rule::SjisPairs,       Rule::Kana,    Rule::Case, Rule::Hyphen,
       Rule::Trim, Rule::RemoveBlanks, Rule::DigitSeparators, Rule::Numeric, Rule::Dates};

// Whether `rule` folds each character on its own (see characterRuleMiddles); the others read the
// whole text.
[[nodiscard]] constexpr bool foldsCharacters(Rule rule)
{
    return rule != Rule::Trim && rule != Rule::Numeric && rule != Rule::DigitSeparators && rule != Rule::Dates;
}

// Letter case of every script, by Unicode simple case folding code point by code point (Ａ and ａ,
// Σ and σ, Ж and ж; ß stays ß, as it has no one-character folding).
void foldCase(QStringView text, QString &out);

// Character width, to one form: full-width ASCII letters, digits and symbols (U+FF01–U+FF5E) and
// the full-width space become their ASCII forms, ￠￡￢￣￤￥￦ become ¢£¬¯¦¥₩; half-width
// katakana and its punctuation become full-width, a half-width voiced or semi-voiced mark
// (ﾞ ﾟ) joining the kana before it when that kana has such a form (ｶﾞ = ガ, ﾊﾟ = パ, ｳﾞ = ヴ)
// and otherwise becoming ゛ or ゜.
void foldWidth(QStringView text, QString &out);

// Katakana to hiragana (ア → あ, ヴ → ゔ, ヽ → ゝ). Katakana without a hiragana form (ヷ–ヺ), the
// long vowel mark ー and half-width katakana stay as they are: width is its own rule.
void foldKana(QStringView text, QString &out);

// Unicode normalisation form C (カ + U+3099 = ガ). A text made only of characters that form C
// never changes (Latin before U+0300, kana, kanji, full- and half-width forms, common punctuation
// and symbols, Hangul syllables) is copied; any other goes through Qt's normaliser, which
// allocates a string of its own on the way.
void foldNfc(QStringView text, QString &out);

// The hyphen and long-vowel look-alikes - ‐ ‑ – — ― − ｰ ー － all become '-'.
void foldHyphens(QStringView text, QString &out);

// The characters that Shift_JIS converters decode differently, each pair to one of them: 〜 and
// ～ (WAVE DASH, FULLWIDTH TILDE), ‖ and ∥, − and －, ¢ and ￠, £ and ￡, ¬ and ￢, — and ―, and
// the IBM extensions' ¦ and ￤. The form kept is the one code page 932 decodes to.
void foldSjisPairs(QStringView text, QString &out);

// The first place where the two texts hold the two characters of such a pair, as (the first
// text's, the second's); nothing when there is none.
[[nodiscard]] std::optional<std::pair<char16_t, char16_t>> firstSjisPair(QStringView a, QStringView b);

// A text of digits (0–9, ０–９) with separators between them, a postal, phone or account number:
// into `out` as its ASCII digits, and true. Separators are runs of hyphen look-alikes (see
// foldHyphens) and blanks, each between two digits; 〒 may lead, with blanks after it. False for
// any other text (`out` unspecified), which the rule leaves as it is.
bool foldDigitSeparators(QStringView text, QString &out);

// A calendar date, with a time of day when the text gave one.
struct DateReading
{
    int year = 0;
    int month = 0;
    int day = 0;
    int seconds = -1; // since midnight; -1 when no time was written

    // "2024-04-01", or "2024-04-01 09:30:00" with a time.
    [[nodiscard]] QString text() const;
    friend bool operator==(const DateReading &, const DateReading &) = default;
};

// The date a text writes, as a whole and nothing else (blanks at the ends aside):
// - yyyy/m/d, yyyy-m-d, yyyy.m.d (one separator throughout, half- or full-width) or yyyy年m月d日,
//   with four digits in the year; months and days with or without a leading zero;
// - an era, 明治 大正 昭和 平成 令和 or M T S H R, then its year (one or two digits, or 元) and the
//   month and day in either form: 令和6年4月1日, R6.4.1, R06/04/01, 平成元年1月8日;
// - digits half- or full-width, blanks allowed after the era and after 年 and 月;
// - then, after blanks (or T), a time H:MM, H:MM:SS or H時M分[S秒].
// The date must exist (2023-02-29 does not) and lie in its era: 明治 from 1868-10-23 (the day
// the era's name was given, read in the Gregorian calendar), 大正 from 1912-07-30, 昭和 from
// 1926-12-25, 平成 from 1989-01-08, 令和 from 2019-05-01, each until the day before the next.
// Two-digit years are not dates.
[[nodiscard]] std::optional<DateReading> readDate(QStringView text);

// The blanks of the two blank rules: ASCII space, TAB, the full-width space U+3000 and the
// no-break space U+00A0. Line breaks are not blanks.
[[nodiscard]] bool isBlank(char16_t c);

// The text without blanks at either end; allocates nothing.
[[nodiscard]] QStringView trimBlanks(QStringView text);

// The text without any blank.
void removeBlanks(QStringView text, QString &out);

// Folds `text` by `rule` into `out`. Rule::Numeric has no folded form: the text is copied; a
// text that reads as a date folds by Rule::Dates into its DateReading::text().
void fold(Rule rule, QStringView text, QString &out);

// The value of a text that reads as a number, as a whole and nothing else, exactly (see Decimal):
//   [¥ or ￥] [sign] [¥ or ￥] digits [decimal point and digits] [円 or % or ％]
// - at most one currency sign before the number and only when no 円 or % follows;
// - the sign is + ＋ for plus, - － − △ ▲ for minus, at most one;
// - digits are 0–9 or ０–９, in any mix;
// - thousands separators , or ， only between digits of the whole part, in groups of three:
//   the first group holds one to three digits, every later one exactly three (1,000 and
//   12,345,678 read; 12,34 and 1,0000 and ,100 do not); none after the decimal point;
// - one decimal point . or ．, with at least one digit after it; the whole part may be empty
//   (.5 reads as 0.5);
// - nothing else: no blanks (trim first where blanks should not count), no exponent (1e3), no
//   second sign (--1), no separator on its own; at most 300 characters.
// The marks ¥ 円 % only decorate the number: ¥1,000, 1000円 and 1000 read alike, and 50% reads
// as 50. -0 is 0. The first form reads into `out`, reusing its digits' block: once that has grown
// to the longest number, reading allocates nothing. False (and `out` unspecified) for a text that
// is no number.
[[nodiscard]] bool readDecimal(QStringView text, Decimal &out);
[[nodiscard]] std::optional<Decimal> readDecimal(QStringView text);

// Both texts read as numbers and their values lie at most `tolerance` apart, exactly. A
// tolerance kept as a double means its shortest decimal form (decimalOf).
[[nodiscard]] bool numericallyEqual(QStringView a, QStringView b, const Decimal &tolerance);
[[nodiscard]] bool numericallyEqual(QStringView a, QStringView b, double tolerance = 0.0);

// The two texts without what they share at the start and the end, cut so that no character is
// parted from a mark that joins it. Every rule of foldsCharacters() folds each character (with
// its marks) on its own, and so does any chain of them: two texts are equal under such rules
// exactly when these middles are.
[[nodiscard]] std::pair<QStringView, QStringView> characterRuleMiddles(QStringView a, QStringView b);

// Buffers for comparing two texts under a rule; keep one and reuse it.
struct FoldBuffers
{
    QString first;
    QString second;
};

// Whether `a` and `b` are equal under `rule` (numbers with the given absolute tolerance): under
// the two rules that read whole texts, both must read as a digit string or as a date.
[[nodiscard]] bool equalUnder(Rule rule, QStringView a, QStringView b, FoldBuffers &buffers, double tolerance = 0.0);

// The first rule of kAllRules under which the two texts, which differ, are equal; nothing when
// they are equal as they stand or when no single rule makes them equal.
[[nodiscard]] std::optional<Rule> ruleThatMakesEqual(QStringView a, QStringView b, FoldBuffers &buffers,
                                                     double tolerance = 0.0);

} // namespace TextFolding
