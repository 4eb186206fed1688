#include "SearchCommand.h"

#include "AppState.h"
#include "CommandTable.h"
#include "EditBox.h"
#include "GridError.h"
#include "UserInterface.h"

namespace
{
// Twips from the active sheet's bottom-left corner to the dialog's top-left corner, measured from
// the main window's outer corner: the title and menu bars lie within the 600.
constexpr int kBelowSheet = 600;
constexpr int kRightOfSheet = 70;

int activeSheet(const AppState &state)
{
    return state.ActiveSheet == 1 ? 1 : 0;
}
} // namespace

void mnuGrep_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Grep))
        return;
    state.SearchDialogPending = true;
    ui.showSearchDialog(state);
}

std::optional<SearchTarget> TakeSearchDialogPending(AppState &state)
{
    if (!state.SearchDialogPending)
        return std::nullopt;
    state.SearchDialogPending = false;
    SearchTarget target{activeSheet(state), {}};
    const Sheet &sheet = state.grdData(target.sheet);
    // A sheet without data cells has no current cell to take a text from. A text longer than a
    // text box holds would reach the search box cut, and the search would look for another text
    // than the cell's: the box then starts empty.
    ignoreGridErrors([&] {
        const QStringView text = sheet.textView(sheet.row(), sheet.col());
        if (text.size() <= kMaxEditLength)
            target.searchText = text.toString();
    });
    return target;
}

QPoint searchDialogPlace(const AppState &state, QPoint mainWindowTopLeft)
{
    const TwipsRect sheet = state.grdData(activeSheet(state)).geometry();
    return {mainWindowTopLeft.x() + sheet.left + kRightOfSheet,
            mainWindowTopLeft.y() + sheet.top + sheet.height + kBelowSheet};
}
