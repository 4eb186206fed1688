#include "CompareOptionsMenu.h"

#include "AppState.h"
#include "CompareEngine.h"
#include "UserInterface.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kSettingsErrorTitle = u"設定エラー"_s;
const QString kBadToleranceText = u"許容誤差は 0 以上の数値で指定して下さい\r\n（例：0.5）"_s;
const QString kBadColumnsText = u"比較しない列は列番号をカンマで区切って指定して下さい\r\n（例：3, 5-7）"_s;
const QString kBadOptionColumnsText = u"「%1」の列は列番号をカンマで区切って指定して下さい\r\n（例：3, 5-7）"_s;
} // namespace

CompareOptionsEntry entryFromOptions(const CompareOptions &options)
{
    CompareOptionsEntry entry;
    for (size_t i = 0; i < kCompareOptionChecks; ++i) {
        entry.checks[i] = options.*kCompareOptionTable[i].flag;
        entry.columns[i] = columnListText(options.onlyColumns[i]);
    }
    if (options.tolerance > 0)
        entry.tolerance = toleranceText(options.tolerance);
    entry.skipColumns = columnListText(options.skipColumns);
    return entry;
}

bool SaveCompareOptionsChoice(AppState &state, UserInterface &ui, const CompareOptionsEntry &entry)
{
    CompareOptions options;
    for (size_t i = 0; i < kCompareOptionChecks; ++i) {
        options.*kCompareOptionTable[i].flag = entry.checks[i];
        if (!entry.checks[i])
            continue;
        std::optional<std::vector<ColumnRange>> only = parseColumnList(entry.columns[i]);
        if (!only) {
            ui.showMessage(kBadOptionColumnsText.arg(kCompareOptionTable[i].dialogCaption), kSettingsErrorTitle,
                           MessageIcon::Exclamation);
            return false;
        }
        options.onlyColumns[i] = std::move(*only);
    }
    if (options.numeric) {
        const std::optional<double> tolerance = parseTolerance(entry.tolerance);
        if (!tolerance) {
            ui.showMessage(kBadToleranceText, kSettingsErrorTitle, MessageIcon::Exclamation);
            return false;
        }
        options.tolerance = *tolerance;
    }
    std::optional<std::vector<ColumnRange>> columns = parseColumnList(entry.skipColumns);
    if (!columns) {
        ui.showMessage(kBadColumnsText, kSettingsErrorTitle, MessageIcon::Exclamation);
        return false;
    }
    options.skipColumns = std::move(*columns);
    state.compareOptions = std::move(options);
    return true;
}

void mnuHikakuOption_Click(AppState &state, UserInterface &ui)
{
    if (state.CompareRunning)
        return;
    const CompareOptions old = state.compareOptions;
    ui.showCompareOptionsDialog(state);
    if (state.compareOptions == old || !state.ComparisonDone)
        return;
    if (state.grdData(0).isVisible() && state.grdData(1).isVisible())
        (void)CompareSheets(state, ui, false);
}
