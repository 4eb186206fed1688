#include "CellEquality.h"

#include "CompareOptionTable.h"
#include "TextFolding.h"

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace
{
bool hasDigit(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９'); });
}

// What hashKey() gives every text that reads as a number under a tolerance, and the start of a
// number's key without one: values with a tolerance have no one canonical form, so such cells only
// hash alike and the comparison of the rows decides.
constexpr QStringView kNumberKey = u"\u0001#";
} // namespace

CellEquality::CellEquality(const CompareOptions &options)
    : m_options(options)
    , m_skipsColumns(!options.skipColumns.empty())
    , m_foldsText(options.foldsText())
    , m_wholeText(options.dates || options.ignoreDigitSeparators)
    , m_tolerance(decimalOf(options.tolerance))
{
    for (const ColumnRange &range : m_options.skipColumns) {
        if (m_skipped.size() <= size_t(range.last))
            m_skipped.resize(size_t(range.last) + 1, 0);
        for (int c = range.first; c <= range.last; ++c)
            m_skipped[size_t(c)] = 1;
    }
    if (!options.limitsAnOption())
        return;
    // The options limited to some columns are off in this object's own rules, which every other
    // column follows; each distinct set of rules the listed columns have gets an object of its own.
    CompareOptions everywhere = options;
    everywhere.skipColumns.clear();
    int lastListed = 0;
    for (size_t i = 0; i < kCompareOptionSwitches; ++i) {
        std::vector<ColumnRange> &only = everywhere.onlyColumns[i];
        if (!(options.*kCompareOptionTable[i].flag) || only.empty())
            continue;
        lastListed = std::max(lastListed, only.back().last);
        everywhere.*kCompareOptionTable[i].flag = false;
    }
    for (std::vector<ColumnRange> &only : everywhere.onlyColumns)
        only.clear();
    m_foldsText = everywhere.foldsText();
    m_wholeText = everywhere.dates || everywhere.ignoreDigitSeparators;
    m_options = everywhere;
    m_options.skipColumns = options.skipColumns;

    std::vector<CompareOptions> sets;
    m_rulesOfColumn.assign(size_t(lastListed) + 1, -1);
    for (int c = 1; c <= lastListed; ++c) {
        CompareOptions here = everywhere;
        bool listed = false;
        for (size_t i = 0; i < kCompareOptionSwitches; ++i) {
            const std::vector<ColumnRange> &only = options.onlyColumns[i];
            if (!(options.*kCompareOptionTable[i].flag) || only.empty())
                continue;
            if (std::any_of(only.begin(), only.end(),
                            [c](const ColumnRange &r) { return c >= r.first && c <= r.last; })) {
                here.*kCompareOptionTable[i].flag = true;
                listed = true;
            }
        }
        if (!listed)
            continue;
        const auto known = std::find(sets.begin(), sets.end(), here);
        m_rulesOfColumn[size_t(c)] = int(known - sets.begin());
        if (known == sets.end())
            sets.push_back(here);
    }
    m_columnRules.reserve(sets.size());
    for (const CompareOptions &set : sets)
        m_columnRules.emplace_back(set);
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
    if (m_options.foldSjisPairs && !ascii)
        apply(Rule::SjisPairs);
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

// The rules that read the whole text, after the character rules: a text that reads as a date
// stands for its date, any other under the digit separators rule for its digits when it is a
// digit string. A date is therefore only ever the same as another writing of that date.
QStringView CellEquality::wholeTextForm(QStringView folded, QString &buffer)
{
    if (m_options.dates) {
        if (const std::optional<TextFolding::DateReading> date = TextFolding::readDate(folded)) {
            buffer = date->text();
            return buffer;
        }
    }
    if (!m_options.ignoreDigitSeparators)
        return folded;
    // A text of ASCII digits is its own digit string, and the commonest number cell.
    if (std::all_of(folded.begin(), folded.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return folded;
    if (TextFolding::foldDigitSeparators(folded, buffer))
        return buffer;
    return folded;
}

// The character rules fold each character on its own, so only the stretch in which the texts
// differ needs folding: a differing cell costs a few characters, not its whole length twice for
// every rule. Trimming goes first (no rule turns a blank into anything but a blank, or the other
// way round); the whole-text rules and the numeric reading need the whole folded texts.
CellMatch CellEquality::matchFolded(QStringView a, QStringView b)
{
    if (m_options.trim) {
        a = TextFolding::trimBlanks(a);
        b = TextFolding::trimBlanks(b);
    }
    const auto [middleA, middleB] = TextFolding::characterRuleMiddles(a, b);
    if (cellsEqual(fold(middleA, m_first, false), fold(middleB, m_second, false)))
        return CellMatch::Equivalent;
    if (!m_wholeText && !m_options.numeric)
        return CellMatch::Differs;
    // A number, a date and a digit string all hold a digit, and no rule makes a digit of anything
    // else: a pair of which one has none was decided as text, without folding either whole.
    if (!hasDigit(a) || !hasDigit(b))
        return CellMatch::Differs;
    QStringView formA = fold(a, m_first, false);
    QStringView formB = fold(b, m_second, false);
    if (m_wholeText) {
        formA = wholeTextForm(formA, m_whole[0]);
        formB = wholeTextForm(formB, m_whole[1]);
        if (cellsEqual(formA, formB))
            return CellMatch::Equivalent;
    }
    // Cells that both read as numbers are equal by value; any other pair was decided as text.
    if (m_options.numeric && TextFolding::readDecimal(formA, m_numbers[0])
        && TextFolding::readDecimal(formB, m_numbers[1]) && withinTolerance(m_numbers[0], m_numbers[1], m_tolerance))
        return CellMatch::Equivalent;
    return CellMatch::Differs;
}

QStringView CellEquality::hashKey(QStringView text)
{
    if (!m_foldsText)
        return text;
    const QStringView folded
        = m_wholeText ? wholeTextForm(fold(text, m_first, true), m_whole[0]) : fold(text, m_first, true);
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
