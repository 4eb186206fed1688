#pragma once

class EditBox;
class Sheet;

// The in-cell editor's two moves on a sheet and its edit box.
namespace MGridEdit
{

// The key value a double click passes: start from the cell's text.
inline constexpr int kStartFromCellText = 9999;
// The key value an input method's composition passes: start from an empty box, which the
// composed text then fills.
inline constexpr int kStartEmpty = 9998;

// Whether the editor can start on the current cell with `key`: not when it would start from a
// text longer than an edit box holds (kMaxEditLength). Typing a character over such a cell still
// replaces its text.
[[nodiscard]] bool CanBeginCellEdit(const Sheet &grid, int key);

// Lays the box over the current cell (40 twips in from its left edge, 10 from its top, up to its
// right and bottom edges, in the main window's coordinates), fills it and gives it the focus. A
// printable character code (or a negative one, a double-byte character) replaces the cell's text
// with that character, the caret after it; kStartFromCellText or a control character (Enter,
// Backspace) starts from the cell's text with the caret at its end; kStartEmpty from nothing.
// Nothing happens where CanBeginCellEdit is false.
void BeginCellEdit(Sheet &grid, EditBox &box, int key);

// Hides the box and gives the sheet the focus, committing nothing: the cell keeps its text.
void CancelCellEdit(Sheet &grid, EditBox &box);

// A key down in the box. Esc hides the box before returning to the sheet, so nothing is
// committed; Enter returns to the sheet; Down and Up return and move a row (not past the last
// row or above the first data row); Right with the caret at the end and Left with the caret at
// the start return and move a column likewise. Returning to the sheet gives it the focus, which
// commits the edit. Other keys are the box's own.
void HandleEditKey(Sheet &grid, EditBox &box, int keyCode, int shift);

} // namespace MGridEdit
