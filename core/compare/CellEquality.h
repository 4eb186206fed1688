#pragma once

#include "CompareOptions.h"
#include "Decimal.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstring>
#include <vector>

// Whether two cells are the same: the one rule every comparison applies (the full comparison,
// block re-comparison, the re-colouring of pasted cells, lining up rows and the command-line
// companion), so that comparison options change it here and nowhere else.
//
// Texts identical character for character. Inline and without the general string comparison's
// set-up: a comparison asks it for every cell of both sheets, and most cells are short.
[[nodiscard]] inline bool cellsEqual(QStringView a, QStringView b)
{
    return a.size() == b.size()
        && (a.isEmpty() || std::memcmp(a.data(), b.data(), size_t(a.size()) * sizeof(QChar)) == 0);
}

// How two cells at one position compare.
enum class CellMatch {
    Equal, // identical texts, or a column the options leave out
    Equivalent, // the texts differ, but the comparison options make them the same
    Differs,
};

// The equality a comparison runs under, built from its options. Identical texts never reach a
// folding rule, and while no rule is on nothing but cellsEqual() runs, so the exact comparison
// costs what it always has. Folding goes into buffers this object keeps: once they have grown to
// the longest text, comparing allocates nothing. Not shared between threads.
class CellEquality
{
public:
    CellEquality() = default;
    explicit CellEquality(const CompareOptions &options);

    // The cells `a` and `b` at data column `col` of both sheets.
    [[nodiscard]] CellMatch match(QStringView a, QStringView b, int col)
    {
        if (m_skipsColumns && skipsColumn(col))
            return CellMatch::Equal;
        return matchRules(a, b, col);
    }
    // The same under the rules of column `col`, whether or not the options leave it out: how
    // key columns compare.
    [[nodiscard]] CellMatch matchRules(QStringView a, QStringView b, int col)
    {
        if (cellsEqual(a, b))
            return CellMatch::Equal;
        CellEquality &rules = forColumn(col);
        if (!rules.m_foldsText)
            return CellMatch::Differs;
        return rules.matchFolded(a, b);
    }
    [[nodiscard]] bool equal(QStringView a, QStringView b, int col)
    {
        return match(a, b, col) != CellMatch::Differs;
    }

    [[nodiscard]] bool skipsColumn(int col) const
    {
        return col >= 0 && size_t(col) < m_skipped.size() && m_skipped[size_t(col)];
    }

    // A stand-in for `text` that is the same for any two texts the options make equal (in a column
    // they compare), for hashing rows: the folded text, a number's value in its one form, or under
    // a tolerance one mark for every text that reads as a number. Valid until the next call.
    // Options limited to some columns count in data column `col` only.
    [[nodiscard]] QStringView hashKey(QStringView text, int col)
    {
        return forColumn(col).hashKey(text);
    }
    [[nodiscard]] QStringView hashKey(QStringView text);
    // `text` under every text rule that is on (the numeric reading aside), as compared: what
    // sorting by a column orders (a date as yyyy-mm-dd). Valid until the next call.
    [[nodiscard]] QStringView foldedText(QStringView text, int col)
    {
        return forColumn(col).foldedText(text);
    }
    [[nodiscard]] QStringView foldedText(QStringView text)
    {
        if (!m_foldsText)
            return text;
        const QStringView folded = fold(text, m_first, true);
        return m_wholeText ? wholeTextForm(folded, m_whole[0]) : folded;
    }

private:
    // The rules of data column `col`: this object's own (the options that apply to every column),
    // or those of the columns an option is limited to.
    [[nodiscard]] CellEquality &forColumn(int col)
    {
        if (m_columnRules.empty() || col < 0 || size_t(col) >= m_rulesOfColumn.size()
            || m_rulesOfColumn[size_t(col)] < 0)
            return *this;
        return m_columnRules[size_t(m_rulesOfColumn[size_t(col)])];
    }

    // The text under every text rule that is on, into one of `buffers`; its blanks at either end
    // stay unless `trimEnds` (a middle of a text has no ends of its own).
    QStringView fold(QStringView text, std::array<QString, 2> &buffers, bool trimEnds);
    CellMatch matchFolded(QStringView a, QStringView b);
    QStringView wholeTextForm(QStringView folded, QString &buffer);

    CompareOptions m_options;
    std::vector<char> m_skipped; // by data column: true where the options leave the column out
    bool m_skipsColumns = false;
    bool m_foldsText = false;
    std::vector<CellEquality> m_columnRules; // one per set of rules some columns have
    std::vector<int> m_rulesOfColumn; // by data column: its index in m_columnRules, -1 for this one's
    bool m_wholeText = false; // a rule that reads the whole text is on (dates, digit separators)
    std::array<QString, 2> m_whole;
    std::array<QString, 2> m_first;
    std::array<QString, 2> m_second;
    Decimal m_tolerance; // the options' tolerance as the exact decimal it stands for
    std::array<Decimal, 2> m_numbers; // the two cells' values, reused
};
