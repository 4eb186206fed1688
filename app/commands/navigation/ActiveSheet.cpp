#include "ActiveSheet.h"

#include "AppState.h"
#include "Recompare.h"

void NormaliseSelection(AppState &state, int index)
{
    if (index != 0 && index != 1)
        return;
    OrderBlock(state.grdData(index));
}

void grdData_MouseUp(AppState &state, int index)
{
    if (state.CompareRunning || (index != 0 && index != 1))
        return;
    state.ActiveSheet = index;
    NormaliseSelection(state, index);
}
