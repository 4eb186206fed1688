#pragma once

#include <QPoint>
#include <QString>

#include <optional>

class AppState;
class UserInterface;

// "検索" (the context menu, later Ctrl+F): asks the search dialog to re-target itself on the
// active sheet (SearchDialogPending) and shows it, loading it first when it is not loaded.
// Nothing while a comparison runs.
void mnuGrep_Click(AppState &state, UserInterface &ui);

// What the dialog's activation takes when a search command asked for it: the sheet searched, and
// the text of its current cell for the search box (empty when it is longer than a text box
// holds).
struct SearchTarget
{
    int sheet = 0;
    QString searchText;
};

// The dialog's activation: the target while SearchDialogPending is set, which it clears; nothing
// for an activation that only switched windows.
[[nodiscard]] std::optional<SearchTarget> TakeSearchDialogPending(AppState &state);

// Where the dialog's top-left corner goes, in twips on the screen: just below the bottom-left
// corner of the active sheet, from the main window's outer top-left corner `mainWindowTopLeft`
// (twips) and the sheet's place in the window.
[[nodiscard]] QPoint searchDialogPlace(const AppState &state, QPoint mainWindowTopLeft);
