#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

// What counts as "the same" in a comparison, beyond identical texts: a plain value, every rule off
// by default. The one equality built from it is CellEquality; everything that compares cells (the
// compare button, block re-comparison, pasting, lining up rows, rowlark-diff) takes it from here.
//
// Folding is for comparing only: no cell, file or tool tip ever shows a folded text.

// Columns `first` to `last` (data columns, from 1), both included.
struct ColumnRange
{
    int first = 0;
    int last = 0;

    friend bool operator==(const ColumnRange &, const ColumnRange &) = default;
};

// The options with a switch, the first rows of the option table (CompareOptionTable.h).
inline constexpr size_t kCompareOptionSwitches = 11;

// Each option's name, captions and folding rule are in CompareOptionTable.h.
struct CompareOptions
{
    bool ignoreCase = false;
    bool foldWidth = false;
    bool foldKana = false;
    bool nfc = false;
    bool foldHyphen = false;
    bool trim = false;
    bool ignoreSpace = false;
    bool numeric = false;
    bool foldSjisPairs = false;
    bool ignoreDigitSeparators = false;
    bool dates = false;
    double tolerance = 0.0; // of the numeric reading, absolute, never negative
    // The columns never compared: ascending, neither overlapping nor touching.
    std::vector<ColumnRange> skipColumns;
    // Per option with a switch, by its row of the option table: the only columns it applies to,
    // as skipColumns is kept; empty for every column. Only looked at while the switch is on.
    std::array<std::vector<ColumnRange>, kCompareOptionSwitches> onlyColumns{};

    // Whether an option that is on applies to some columns only.
    [[nodiscard]] bool limitsAnOption() const;

    // Whether any rule can make two differing texts equal.
    [[nodiscard]] bool foldsText() const;
    // Whether the comparison is today's exact one.
    [[nodiscard]] bool isExact() const
    {
        return !foldsText() && skipColumns.empty();
    }
    [[nodiscard]] bool skipsColumn(int col) const;

    friend bool operator==(const CompareOptions &, const CompareOptions &) = default;
};

// A column list as a person writes it: "3, 5-7". Items are separated by commas (, ， 、) and may
// be column numbers or ranges (- － ~ 〜), half- or full-width digits, blanks anywhere between.
// Columns are data columns from 1 to 32766. Empty or blank text is the empty list. Nothing when
// the text is not such a list (a zero, a range running backwards, a stray character).
[[nodiscard]] std::optional<std::vector<ColumnRange>> parseColumnList(QStringView text);

// The list as parseColumnList reads it back, written the short way: "3, 5-7".
[[nodiscard]] QString columnListText(const std::vector<ColumnRange> &ranges);

// A tolerance as a person writes it: a decimal number of at least 0 ("0.5", "１", ".01"); blank
// text is 0. Nothing for anything else.
[[nodiscard]] std::optional<double> parseTolerance(QStringView text);

// A tolerance written the shortest way that reads back as the same value: "0.5", "1000".
[[nodiscard]] QString toleranceText(double tolerance);

// Sets one option by the name rowlark-diff and the settings file give it (the table's names:
// fold-width, numeric[=TOLERANCE], skip-columns=LIST, …). An option with a switch may be limited
// to some columns by a list after a colon: fold-width:3,5-7, numeric:4-6=0.5.
enum class OptionName { Set, Unknown, BadValue };
[[nodiscard]] OptionName setCompareOption(CompareOptions &options, QStringView name, std::optional<QStringView> value);

// The options as one line of the settings file, "ignore-case;numeric:4=0.5;skip-columns=3, 5-7", and
// back. Reading is lenient: names it does not know and values it cannot read are left out, so
// that a file written by a later version still opens.
[[nodiscard]] QString compareOptionsText(const CompareOptions &options);
[[nodiscard]] CompareOptions compareOptionsFromText(QStringView text);

// The options in force in the status line's short words, in the dialog's order: "大小文字",
// "数値(±0.5)", "比較しない列 3, 5-7", an option limited to some columns with them: "日付(列 2, 4)";
// empty while the comparison is exact.
[[nodiscard]] QStringList compareOptionLabels(const CompareOptions &options);

// The short summary of the options in force for the window's status line, e.g.
// "比較オプション: 大小文字・全半角・数値(±0.5)・比較しない列 3, 5-7"; empty while the comparison is exact.
[[nodiscard]] QString compareOptionsSummary(const CompareOptions &options);
