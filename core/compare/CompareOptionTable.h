#pragma once

#include "CompareOptions.h"
#include "TextFolding.h"

#include <QStringView>

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>

// Every comparison option, once: the name that rowlark-diff's flag (--fold-width) and the settings
// file's item share, the switch it sets, its folding rule, and each text that names it. The
// command line, the settings file, the dialog, the explanation of a cell's difference and the
// summaries of the status bar and the reports all read this table, in its order (the dialog's).

// What follows an option's name.
enum class CompareOptionValue {
    None, // a switch: fold-width
    Tolerance, // optional: numeric or numeric=0.5
    ColumnList, // required: skip-columns=3,5-7 (on the command line also as the next argument)
};

struct CompareOptionRow
{
    QStringView name;
    bool CompareOptions::*flag = nullptr; // nullptr: set by its value alone
    std::optional<TextFolding::Rule> rule; // the folding rule the option turns on
    CompareOptionValue value = CompareOptionValue::None;
    QStringView valueSyntax; // what --help writes after the flag: "[=TOLERANCE]", " LIST"
    QStringView help; // the rest of its --help line
    QStringView dialogCaption; // its check box, or the label of its text box when it has none
    QStringView valueCaption; // the label of the box for its value beside its check box
    QStringView label; // its short word in the status line and the reports
    QStringView ruleNote; // the cell difference window's note when its rule alone makes two texts equal
};

inline constexpr std::array<CompareOptionRow, 12> kCompareOptionTable{{
    {u"ignore-case",
     &CompareOptions::ignoreCase,
     TextFolding::Rule::Case,
     CompareOptionValue::None,
     {},
     u"大文字と小文字を区別しません",
     u"大文字と小文字を区別しない",
     {},
     u"大小文字",
     u"大文字と小文字の違いだけです"},
    {u"fold-width",
     &CompareOptions::foldWidth,
     TextFolding::Rule::Width,
     CompareOptionValue::None,
     {},
     u"全角と半角を区別しません (ｶﾞ とガも同じ)",
     u"全角と半角を区別しない（ｶﾞ とガも同じ）",
     {},
     u"全半角",
     u"全角と半角の違いだけです"},
    {u"fold-kana",
     &CompareOptions::foldKana,
     TextFolding::Rule::Kana,
     CompareOptionValue::None,
     {},
     u"ひらがなとカタカナを区別しません",
     u"ひらがなとカタカナを区別しない",
     {},
     u"かなカナ",
     u"ひらがなとカタカナの違いだけです"},
    {u"nfc",
     &CompareOptions::nfc,
     TextFolding::Rule::Nfc,
     CompareOptionValue::None,
     {},
     u"合成文字の違いを無視します",
     u"合成文字の違いを無視する",
     {},
     u"合成文字",
     u"合成文字の違いだけです（NFC で同じ）"},
    {u"fold-hyphen",
     &CompareOptions::foldHyphen,
     TextFolding::Rule::Hyphen,
     CompareOptionValue::None,
     {},
     u"ハイフン・長音の違いを無視します",
     u"ハイフン・長音の違いを無視する（- ‐ − ー など）",
     {},
     u"ハイフン",
     u"ハイフン・長音の違いだけです"},
    {u"trim",
     &CompareOptions::trim,
     TextFolding::Rule::Trim,
     CompareOptionValue::None,
     {},
     u"前後の空白を無視します",
     u"前後の空白を無視する",
     {},
     u"前後の空白",
     u"前後の空白の違いだけです"},
    {u"ignore-space",
     &CompareOptions::ignoreSpace,
     TextFolding::Rule::RemoveBlanks,
     CompareOptionValue::None,
     {},
     u"すべての空白を無視します",
     u"すべての空白を無視する",
     {},
     u"空白",
     u"空白の違いだけです"},
    {u"numeric", &CompareOptions::numeric, TextFolding::Rule::Numeric, CompareOptionValue::Tolerance, u"[=TOLERANCE]",
     u"両方が数値なら値で比較します (TOLERANCE は許容誤差)", u"数値として比較する（1,000 = 1000 = １０００ = ¥1,000）",
     u"許容誤差", u"数値", u"数値としては同じです"},
    {u"fold-sjis-pairs",
     &CompareOptions::foldSjisPairs,
     TextFolding::Rule::SjisPairs,
     CompareOptionValue::None,
     {},
     u"Shift_JIS の変換で分かれる文字 (〜 と ～ など) を区別しません",
     u"Shift_JIS の変換の違いを無視",
     {},
     u"Shift_JIS",
     u"Shift_JIS の変換の違いだけです"},
    {u"ignore-digit-separators",
     &CompareOptions::ignoreDigitSeparators,
     TextFolding::Rule::DigitSeparators,
     CompareOptionValue::None,
     {},
     u"数字の間のハイフンと空白を無視します (123-4567 = 1234567)",
     u"数字の間の区切りを無視",
     {},
     u"数字の区切り",
     u"数字の間の区切りの違いだけです"},
    {u"dates",
     &CompareOptions::dates,
     TextFolding::Rule::Dates,
     CompareOptionValue::None,
     {},
     u"両方が日付なら日付で比較します (2024/4/1 = 令和6年4月1日)",
     u"日付の書き方の違いを無視",
     {},
     u"日付",
     u"日付として同じです"},
    {u"skip-columns",
     nullptr,
     std::nullopt,
     CompareOptionValue::ColumnList,
     u" LIST",
     u"LIST の列 (例 3,5-7) は比較しません",
     u"比較しない列（例：3, 5-7）",
     {},
     u"比較しない列",
     {}},
}};

// The options with a switch, which are the dialog's check boxes: the table's first rows.
inline constexpr size_t kCompareOptionChecks = [] {
    size_t count = 0;
    while (count < kCompareOptionTable.size() && kCompareOptionTable[count].flag)
        ++count;
    return count;
}();
static_assert(kCompareOptionChecks == kCompareOptionSwitches, "CompareOptions::onlyColumns has a list per switch");
static_assert(std::none_of(kCompareOptionTable.begin() + kCompareOptionChecks, kCompareOptionTable.end(),
                           [](const CompareOptionRow &row) { return row.flag != nullptr; }),
              "the options with a switch come first");
static_assert(std::all_of(std::begin(TextFolding::kAllRules), std::end(TextFolding::kAllRules),
                          [](TextFolding::Rule rule) {
                              return std::count_if(kCompareOptionTable.begin(), kCompareOptionTable.end(),
                                                   [rule](const CompareOptionRow &row) { return row.rule == rule; })
                                  == 1;
                          }),
              "every folding rule is turned on by exactly one option");

// The row of the option that turns `rule` on.
[[nodiscard]] const CompareOptionRow &compareOptionOf(TextFolding::Rule rule);

// The row of the option named `name`; nothing for a name no option has.
[[nodiscard]] const CompareOptionRow *compareOptionNamed(QStringView name);
