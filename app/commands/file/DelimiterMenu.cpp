#include "DelimiterMenu.h"

#include "AppState.h"
#include "CommandTable.h"
#include "NewSheets.h"
#include "UnsavedChanges.h"
#include "UserInterface.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace
{
const QString kBlankDelimiterText = u"区間文字を指定して下さい\r\n未入力、ブランクは不可です"_s;
const QString kBlankDelimiterTitle = u"設定エラー"_s;
} // namespace

void mnuKukan_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Kukan))
        return;
    const int oldMode = state.DelimiterMode;
    const QString oldDelimiter = state.UserDelimiter;
    ui.showDelimiterDialog(state);
    if (state.UserDelimiter == oldDelimiter && state.DelimiterMode == oldMode)
        return;
    // The sheets were split with the old setting, and a sheet saved now is written with it.
    const int newMode = std::exchange(state.DelimiterMode, oldMode);
    QString newDelimiter = std::exchange(state.UserDelimiter, oldDelimiter);
    if (!ConfirmDiscardChanges(state, ui, {0, 1}))
        return;
    state.DelimiterMode = newMode;
    state.UserDelimiter = std::move(newDelimiter);
    cmdClr_Click(state);
}

bool SaveDelimiterChoice(AppState &state, UserInterface &ui, DelimiterOption option, const QString &text)
{
    if (option == DelimiterOption::Delimiter && isBlankDelimiter(text)) {
        ui.showMessage(kBlankDelimiterText, kBlankDelimiterTitle, MessageIcon::Exclamation);
        return false;
    }
    state.DelimiterMode = int(option);
    state.UserDelimiter = text;
    return true;
}
