#include "Recompare.h"

#include "AppState.h"
#include "CellEquality.h"
#include "GridError.h"
#include "MatchColor.h"
#include "ShownText.h"

#include <algorithm>

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
        Sheet &source = state.grdData(sheet);
        const Sheet &other = state.grdData(1 - sheet);
        const int r1 = source.row();
        const int c1 = source.col();
        const int r2 = source.rowSel();
        const int c2 = source.colSel();
        // Every cell of the block that both sheets have, row by row; a cell only this sheet has
        // keeps its colour.
        const int lastRow = std::min(r2, other.rows() - 1);
        const int lastCol = std::min(c2, other.cols() - 1);
        // The list of marked positions follows the cells re-coloured, those before a grid error
        // that ends the pass included.
        struct ListUpdate
        {
            DifferenceList &list;
            int row1 = 0;
            int col1 = 0;
            int col2 = 0;
            int row = 0; // the row being re-coloured
            int col = 0; // its last cell re-coloured
            std::vector<CellPosition> differing;
            ~ListUpdate()
            {
                list.replaceBlock(row1, col1, row - 1, col2, differing);
                list.replaceBlock(row, col1, row, col, differing);
            }
        } update{state.Differences, r1, c1, lastCol, r1, c1 - 1, {}};
        CellEquality equality(state.compareOptions);
        for (int r = r1; r <= lastRow; ++r) {
            update.row = r;
            update.col = c1 - 1;
            for (int c = c1; c <= lastCol; ++c) {
                grd0.setRow(r);
                grd0.setCol(c);
                grd1.setRow(r);
                grd1.setCol(c);
                const CellMatch match = equality.match(grd0.textView(r, c), grd1.textView(r, c), c);
                grd0.setCellBackColor(matchBackColor(match, grd0.data(), r, c));
                grd1.setCellBackColor(matchBackColor(match, grd1.data(), r, c));
                if (match == CellMatch::Differs)
                    update.differing.emplace_back(r, c);
                update.col = c;
            }
        }
        if (r2 >= r1 && c2 >= c1 && (lastRow < r2 || lastCol < c2))
            source.setCurrentCell(r2, c2);
    });
    grd0.setRedraw(true);
    grd1.setRedraw(true);
}

void OrderBlock(Sheet &sheet)
{
    const int row = sheet.row();
    const int rowSel = sheet.rowSel();
    const int col = sheet.col();
    const int colSel = sheet.colSel();
    if (rowSel >= row && colSel >= col)
        return;
    ignoreGridErrors([&] {
        sheet.setRow(std::min(row, rowSel));
        sheet.setCol(std::min(col, colSel));
        sheet.setRowSel(std::max(row, rowSel));
        sheet.setColSel(std::max(col, colSel));
    });
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
