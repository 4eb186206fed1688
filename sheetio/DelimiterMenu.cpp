#include "DelimiterMenu.h"

#include "AppState.h"
#include "NewSheets.h"

void mnuKukan_Click(AppState &state, const std::function<void()> &showDialogModally)
{
    if (state.CompareRunning)
        return;
    const int oldMode = state.DelimiterMode;
    const QString oldDelimiter = state.UserDelimiter;
    if (showDialogModally)
        showDialogModally();
    if (state.UserDelimiter != oldDelimiter || state.DelimiterMode != oldMode)
        cmdClr_Click(state);
}
