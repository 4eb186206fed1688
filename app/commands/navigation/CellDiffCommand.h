#pragma once

#include "CellDifference.h"

#include <QString>

#include <optional>

class AppState;
class UserInterface;

// "セルの差分を表示" (F7): the cell difference window for the current cell of the active sheet.

// The view of the active sheet's current cell against the same cell of the other sheet. A sheet
// that is not shown, or is too small to have the cell, lacks it; a current cell in the header row
// or column is no cell at all.
[[nodiscard]] CellDifferenceView currentCellDifference(const AppState &state);

// Keeps an open cell difference window on the current cell of the active sheet: the main window
// calls follow() once its handlers have run. The view is built again only when the cell or one of
// its two texts changed, so following costs nothing while the person works elsewhere.
class CellDiffFollower
{
public:
    // Opens the window on the current cell, or brings the open one to the front with it.
    void open(const AppState &state, UserInterface &ui);
    void follow(const AppState &state, UserInterface &ui);

private:
    struct Shown
    {
        int sheet = -1;
        int row = -1;
        int col = -1;
        std::array<std::optional<QString>, 2> texts;

        friend bool operator==(const Shown &, const Shown &) = default;
    };
    std::optional<Shown> m_shown;
};

// "セルの差分を表示" (F7): opens the window on the current cell. Nothing while a comparison runs.
void mnuCellDiff_Click(AppState &state, UserInterface &ui, CellDiffFollower &follower);
