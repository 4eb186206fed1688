#include "CellDiffCommand.h"

#include "AppState.h"
#include "CommandTable.h"
#include "UserInterface.h"

namespace
{
struct CellPlace
{
    int sheet = 0;
    int row = 0;
    int col = 0;
    std::array<std::optional<QString>, 2> texts;
};

CellPlace currentCell(const AppState &state)
{
    CellPlace place;
    place.sheet = state.ActiveSheet == 1 ? 1 : 0;
    const Sheet &active = state.grdData(place.sheet);
    const int row = active.row();
    const int col = active.col();
    if (!active.isVisible() || row < 1 || col < 1)
        return place;
    place.row = row;
    place.col = col;
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = state.grdData(i);
        if (sheet.isVisible() && row < sheet.rows() && col < sheet.cols())
            place.texts[size_t(i)] = sheet.textMatrix(row, col);
    }
    return place;
}

CellDifferenceView viewOf(const CellPlace &place)
{
    CellDifferenceView view = describeCellDifference(place.texts[0], place.texts[1]);
    view.sheet = place.sheet;
    view.row = place.row;
    view.col = place.col;
    return view;
}
} // namespace

CellDifferenceView currentCellDifference(const AppState &state)
{
    return viewOf(currentCell(state));
}

void CellDiffFollower::open(const AppState &state, UserInterface &ui)
{
    const CellPlace place = currentCell(state);
    m_shown = Shown{place.sheet, place.row, place.col, place.texts};
    ui.showCellDifference(viewOf(place));
}

void CellDiffFollower::follow(const AppState &state, UserInterface &ui)
{
    if (!ui.cellDifferenceShown()) {
        m_shown.reset();
        return;
    }
    const CellPlace place = currentCell(state);
    const Shown now{place.sheet, place.row, place.col, place.texts};
    if (m_shown == now)
        return;
    m_shown = now;
    ui.updateCellDifference(viewOf(place));
}

void mnuCellDiff_Click(AppState &state, UserInterface &ui, CellDiffFollower &follower)
{
    if (!commandMayRun(state, Command::CellDiff))
        return;
    follower.open(state, ui);
}
