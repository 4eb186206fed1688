#include "EncodingMenu.h"

#include "AppState.h"
#include "CommandTable.h"
#include "FileIntake.h"
#include "UnsavedChanges.h"

void mnuMoji_Click(AppState &state, UserInterface &ui, std::optional<TextEncoding> encoding)
{
    if (!commandMayRun(state, Command::MojiAuto) || state.ChosenEncoding == encoding)
        return;
    // A sheet made anew has no file to read again; only the sheets read from a file are asked
    // about.
    const auto holdsFile
        = [&state](int i) { return state.grdData(i).isVisible() && !state.SheetFileName[size_t(i)].isEmpty(); };
    const bool first = holdsFile(0);
    const bool second = holdsFile(1);
    bool confirmed = true;
    if (first && second)
        confirmed = ConfirmDiscardChanges(state, ui, {0, 1});
    else if (first)
        confirmed = ConfirmDiscardChanges(state, ui, {0});
    else if (second)
        confirmed = ConfirmDiscardChanges(state, ui, {1});
    if (!confirmed)
        return;
    state.ChosenEncoding = encoding;
    for (int i = 0; i < 2; ++i) {
        if (i == 0 ? first : second)
            LoadSheetFile(state, ui, i, QString(state.SheetFileName[size_t(i)]));
    }
}
