#include "CellEquality.h"

#include "TextFolding.h"

using namespace Qt::StringLiterals;

namespace
{
// What hashKey() gives every text that reads as a number: values with a tolerance have no one
// canonical form, so such cells only hash alike and the comparison of the rows decides.
constexpr QStringView kNumberKey = u"\u0001#";
} // namespace

CellEquality::CellEquality(const CompareOptions &options)
    : m_options(options)
    , m_skipsColumns(!options.skipColumns.empty())
    , m_foldsText(options.foldsText())
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
QStringView CellEquality::fold(QStringView text, std::array<QString, 2> &buffers)
{
    using TextFolding::Rule;
    QStringView current = text;
    size_t next = 0;
    const auto apply = [&](Rule rule) {
        TextFolding::fold(rule, current, buffers[next]);
        current = buffers[next];
        next ^= 1;
    };
    if (m_options.nfc)
        apply(Rule::Nfc);
    if (m_options.foldWidth)
        apply(Rule::Width);
    if (m_options.foldKana)
        apply(Rule::Kana);
    if (m_options.ignoreCase)
        apply(Rule::Case);
    if (m_options.foldHyphen)
        apply(Rule::Hyphen);
    if (m_options.ignoreSpace)
        apply(Rule::RemoveBlanks);
    else if (m_options.trim)
        current = TextFolding::trimBlanks(current);
    return current;
}

CellMatch CellEquality::matchFolded(QStringView a, QStringView b)
{
    const QStringView foldedA = fold(a, m_first);
    const QStringView foldedB = fold(b, m_second);
    if (cellsEqual(foldedA, foldedB))
        return CellMatch::Equivalent;
    // Cells that both read as numbers are equal by value; any other pair was decided as text.
    if (m_options.numeric && TextFolding::numericallyEqual(foldedA, foldedB, m_options.tolerance))
        return CellMatch::Equivalent;
    return CellMatch::Differs;
}

QStringView CellEquality::hashKey(QStringView text)
{
    if (!m_foldsText)
        return text;
    const QStringView folded = fold(text, m_first);
    if (m_options.numeric && TextFolding::readNumber(folded))
        return kNumberKey;
    return folded;
}
