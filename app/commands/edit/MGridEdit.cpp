#include "MGridEdit.h"

#include "EditBox.h"
#include "KeyCodes.h"
#include "Sheet.h"

namespace
{
constexpr int kBoxInsetLeft = 40; // twips
constexpr int kBoxInsetTop = 10;

bool startsFromCellText(int key)
{
    return key == MGridEdit::kStartFromCellText || (key >= 0 && key <= 31);
}
} // namespace

namespace MGridEdit
{

bool CanBeginCellEdit(const Sheet &grid, int key)
{
    return !startsFromCellText(key) || grid.textView(grid.row(), grid.col()).size() <= kMaxEditLength;
}

void BeginCellEdit(Sheet &grid, EditBox &box, int key)
{
    if (!CanBeginCellEdit(grid, key))
        return;
    const TwipsRect place = grid.geometry();
    box.setGeometry({place.left + grid.cellLeft() + kBoxInsetLeft, place.top + grid.cellTop() + kBoxInsetTop,
                     grid.cellWidth() - kBoxInsetLeft, grid.cellHeight() - kBoxInsetTop});
    if (key == kStartEmpty)
        box.setText({});
    else if (!startsFromCellText(key))
        box.setText(characterFromKeyAscii(key)); // the caret goes after it
    else
        box.setText(grid.text());
    box.setVisible(true);
    box.setFocus();
}

void CancelCellEdit(Sheet &grid, EditBox &box)
{
    box.setVisible(false);
    grid.setFocus();
}

void HandleEditKey(Sheet &grid, EditBox &box, int keyCode, int)
{
    switch (keyCode) {
    case kKeyEscape:
        CancelCellEdit(grid, box);
        break;
    case kKeyEnter:
        grid.setFocus();
        break;
    case kKeyDown:
        grid.setFocus();
        if (grid.row() < grid.rows() - 1)
            grid.setRow(grid.row() + 1);
        break;
    case kKeyUp:
        grid.setFocus();
        if (grid.row() > grid.fixedRows())
            grid.setRow(grid.row() - 1);
        break;
    case kKeyRight:
        if (box.selStart() != box.text().size())
            break;
        grid.setFocus();
        if (grid.col() < grid.cols() - 1)
            grid.setCol(grid.col() + 1);
        break;
    case kKeyLeft:
        if (box.selStart() != 0)
            break;
        grid.setFocus();
        if (grid.col() > grid.fixedCols())
            grid.setCol(grid.col() - 1);
        break;
    default:
        break;
    }
}

} // namespace MGridEdit
