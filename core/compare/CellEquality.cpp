#include "CellEquality.h"

#include "TextFolding.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
// What hashKey() gives every text that reads as a number under a tolerance, and the start of a
// number's key without one: values with a tolerance have no one canonical form, so such cells only
// hash alike and the comparison of the rows decides.
constexpr QStringView kNumberKey = u"\u0001#";
} // namespace

CellEquality::CellEquality(const CompareOptions &options)
    : m_options(options)
    , m_skipsColumns(!options.skipColumns.empty())
    , m_foldsText(options.foldsText())
    , m_tolerance(decimalOf(options.tolerance))
{
    for (const ColumnRange &range : m_options.skipColumns) {
        if (m_skipped.size() <= size_t(range.last))
            m_skipped.resize(size_t(range.last) + 1, 0);
        for (int c = range.first; c <= range.last; ++c)
            m_skipped[size_t(c)] = 1;
    }
}

// The rules apply in one fixed order, each to what the one before left: composition first (so
// that カ + U+3099 is ガ before width and kana look at it), width before kana (ｶﾞ becomes ガ, then
// が), case, the hyphen look-alikes, and the blanks last, so that a full-width space has become an
// ordinary one by then.
QStringView CellEquality::fold(QStringView text, std::array<QString, 2> &buffers, bool trimEnds)
{
    using TextFolding::Rule;
    QStringView current = text;
    size_t next = 0;
    const auto apply = [&](Rule rule) {
        TextFolding::fold(rule, current, buffers[next]);
        current = buffers[next];
        next ^= 1;
    };
    // Composition, width, kana and the hyphen look-alikes leave ASCII as it is.
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (m_options.nfc && !ascii)
        apply(Rule::Nfc);
    if (m_options.foldWidth && !ascii)
        apply(Rule::Width);
    if (m_options.foldKana && !ascii)
        apply(Rule::Kana);
    if (m_options.ignoreCase)
        apply(Rule::Case);
    if (m_options.foldHyphen && !ascii)
        apply(Rule::Hyphen);
    if (m_options.ignoreSpace)
        apply(Rule::RemoveBlanks);
    else if (m_options.trim && trimEnds)
        current = TextFolding::trimBlanks(current);
    return current;
}

// The character rules fold each character on its own, so only the stretch in which the texts
// differ needs folding: a differing cell costs a few characters, not its whole length twice for
// every rule. Trimming goes first (no rule turns a blank into anything but a blank, or the other
// way round), and the numeric reading needs the whole folded texts.
CellMatch CellEquality::matchFolded(QStringView a, QStringView b)
{
    if (m_options.trim) {
        a = TextFolding::trimBlanks(a);
        b = TextFolding::trimBlanks(b);
    }
    const auto [middleA, middleB] = TextFolding::characterRuleMiddles(a, b);
    if (cellsEqual(fold(middleA, m_first, false), fold(middleB, m_second, false)))
        return CellMatch::Equivalent;
    // Cells that both read as numbers are equal by value; any other pair was decided as text.
    if (m_options.numeric && TextFolding::readDecimal(fold(a, m_first, false), m_numbers[0])
        && TextFolding::readDecimal(fold(b, m_second, false), m_numbers[1])
        && withinTolerance(m_numbers[0], m_numbers[1], m_tolerance))
        return CellMatch::Equivalent;
    return CellMatch::Differs;
}

QStringView CellEquality::hashKey(QStringView text)
{
    if (!m_foldsText)
        return text;
    const QStringView folded = fold(text, m_first, true);
    if (!m_options.numeric || !TextFolding::readDecimal(folded, m_numbers[0]))
        return folded;
    if (!m_tolerance.isZero())
        return kNumberKey;
    // Without a tolerance a value has one form, whatever the text wrote: the key is that form, so
    // that rows of different numbers land in different buckets.
    const Decimal &value = m_numbers[0];
    QString &key = m_second[0];
    key = kNumberKey.toString();
    key += value.negative ? u'-' : u'+';
    key += QString::number(value.exponent);
    key += u'e';
    key += QLatin1StringView(value.digits.data(), qsizetype(value.digits.size()));
    return key;
}
