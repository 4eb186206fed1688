#include "DelimiterMenu.h"

#include "AppState.h"
#include "NewSheets.h"
#include "UnsavedChanges.h"
#include "UserInterface.h"

#include <algorithm>
#include <utility>

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

qsizetype delimiterLength(QStringView text)
{
    qsizetype length = 0;
    for (qsizetype at = 0; at < text.size(); ++at, ++length) {
        if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
            ++at;
    }
    return length;
}

void limitDelimiterText(QString &text, int &caret, qsizetype maxChars)
{
    qsizetype excess = delimiterLength(text) - std::max<qsizetype>(maxChars, 0);
    if (excess <= 0)
        return;
    const auto charBefore = [&text](qsizetype end) {
        return end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate() ? 2 : 1;
    };
    qsizetype end = std::clamp<qsizetype>(caret, 0, text.size());
    qsizetype start = end;
    for (; excess > 0 && start > 0; --excess)
        start -= charBefore(start);
    text.remove(start, end - start);
    caret = int(start);
    // More than was typed before the caret (a text set whole): cut from the end.
    end = text.size();
    start = end;
    for (; excess > 0 && start > 0; --excess)
        start -= charBefore(start);
    text.truncate(start);
    caret = std::min(caret, int(text.size()));
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
