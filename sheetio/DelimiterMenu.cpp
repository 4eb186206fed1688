#include "DelimiterMenu.h"

#include "AppState.h"
#include "NewSheets.h"
#include "UserInterface.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kBlankDelimiterText = u"区間文字を指定して下さい\r\n未入力、ブランクは不可です"_s;
const QString kBlankDelimiterTitle = u"設定エラー"_s;
} // namespace

void mnuKukan_Click(AppState &state, UserInterface &ui)
{
    if (state.CompareRunning)
        return;
    const int oldMode = state.DelimiterMode;
    const QString oldDelimiter = state.UserDelimiter;
    ui.showDelimiterDialog(state);
    if (state.UserDelimiter != oldDelimiter || state.DelimiterMode != oldMode)
        cmdClr_Click(state);
}

bool isBlankDelimiter(const QString &text)
{
    for (const QChar c : text)
        if (c != u' ')
            return false;
    return true;
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
