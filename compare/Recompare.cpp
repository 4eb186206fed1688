#include "Recompare.h"

#include "AppState.h"
#include "GridError.h"
#include "ShownText.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kToolTipSeparator = u" : "_s;

// Only 0 and 1 name a sheet; any other index is an error that ends the procedure, as a grid
// that does not exist would.
bool isSheetIndex(int index)
{
    return index == 0 || index == 1;
}
} // namespace

bool PartnerHasCurrentCell(const AppState &state, int sheet)
{
    const Sheet &grd0 = state.grdData(0);
    const Sheet &grd1 = state.grdData(1);
    if (!grd1.isVisible() || !grd0.isVisible())
        return false;
    if (sheet == 1)
        return !(grd0.rows() <= grd1.row() || grd0.cols() <= grd1.col());
    if (sheet == 0)
        return !(grd1.rows() <= grd0.row() || grd1.cols() <= grd0.col());
    return true;
}

void RecompareSelection(AppState &state, int sheet)
{
    Sheet &grd0 = state.grdData(0);
    Sheet &grd1 = state.grdData(1);
    // Any grid error ends the pass; drawing comes back on in every case.
    ignoreGridErrors([&] {
        if (!PartnerHasCurrentCell(state, sheet))
            return;
        grd0.setRedraw(false);
        grd1.setRedraw(false);
        if (!isSheetIndex(sheet))
            return;
        const Sheet &source = state.grdData(sheet);
        const int r1 = source.row();
        const int c1 = source.col();
        const int r2 = source.rowSel();
        const int c2 = source.colSel();
        for (int r = r1; r <= r2; ++r) {
            for (int c = c1; c <= c2; ++c) {
                grd0.setRow(r);
                grd0.setCol(c);
                grd1.setRow(r);
                grd1.setCol(c);
                const bool differ = !sameText(grd0.textView(r, c), grd1.textView(r, c));
                grd0.setCellBackColor(differ ? differingBackColor(grd0.data(), r) : kWindowBackColor);
                grd1.setCellBackColor(differ ? differingBackColor(grd1.data(), r) : kWindowBackColor);
            }
        }
    });
    grd0.setRedraw(true);
    grd1.setRedraw(true);
}

void grdData_RowColChange(AppState &state, int index)
{
    if (!isSheetIndex(index) || state.CompareRunning || !state.grdData(index).isEnabled())
        return;
    Sheet &grd0 = state.grdData(0);
    Sheet &grd1 = state.grdData(1);
    ignoreGridErrors([&] {
        if (PartnerHasCurrentCell(state, index)) {
            const Sheet &source = state.grdData(index);
            const int r = source.row();
            const int c = source.col();
            // A tip shows the beginning of a long text, never a copy of the whole cell.
            grd0.setToolTipText(shownText(grd0.textView(r, c)) + kToolTipSeparator + shownText(grd1.textView(r, c)));
            grd1.setToolTipText(grd0.toolTipText());
        } else {
            grd0.setToolTipText(QString());
            grd1.setToolTipText(QString());
        }
    });
}
