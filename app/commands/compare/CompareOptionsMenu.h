#pragma once

#include "CompareOptionTable.h"
#include "CompareOptions.h"

#include <QString>

#include <array>

class AppState;
class UserInterface;

// What the comparison options dialog shows and the person fills in: one check box per option with
// a switch, in the table's order, and the two text boxes as typed.
struct CompareOptionsEntry
{
    enum Check {
        IgnoreCase,
        FoldWidth,
        FoldKana,
        Nfc,
        FoldHyphen,
        Trim,
        IgnoreSpace,
        Numeric,
        FoldSjisPairs,
        IgnoreDigitSeparators,
        Dates,
        CheckCount
    };
    std::array<bool, CheckCount> checks{};
    std::array<QString, CheckCount> columns; // the columns each option is limited to, as typed; blank: every one
    QString tolerance; // the numeric reading's
    QString skipColumns; // the column list
};
static_assert(CompareOptionsEntry::CheckCount == kCompareOptionChecks);
static_assert(kCompareOptionTable[CompareOptionsEntry::FoldWidth].flag == &CompareOptions::foldWidth
                  && kCompareOptionTable[CompareOptionsEntry::Numeric].flag == &CompareOptions::numeric,
              "the check boxes are named in the table's order");

// The dialog's entry for the options in force (a tolerance of 0 shows as an empty box).
[[nodiscard]] CompareOptionsEntry entryFromOptions(const CompareOptions &options);

// "保存" of the dialog: reads the entry into state.compareOptions and answers true, so the dialog
// closes. A tolerance that is no number of at least 0 (only looked at while 数値として比較する is
// checked) or a column list that cannot be read (an option's own only while it is checked) is refused with a settings
// error message that says what to write: nothing changes and the dialog stays open (false).
[[nodiscard]] bool SaveCompareOptionsChoice(AppState &state, UserInterface &ui, const CompareOptionsEntry &entry);

// "比較オプション…" of the settings menu: shows the dialog modally. When the options changed and
// the sheets show a comparison, it is run again silently, so that no mark made under the old
// options stays. Does nothing while a comparison runs.
void mnuHikakuOption_Click(AppState &state, UserInterface &ui);
