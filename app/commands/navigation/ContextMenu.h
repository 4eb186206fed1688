#pragma once

class AppState;

// What a right-button release over sheet `index` does before the context menu pops up, after
// the release's first steps (active sheet, selection order). The click is classified by the
// cell under the mouse — the corner, a row header, a column header or a body cell — which
// decides whether the row or column items are offered and how they are captioned, and how the
// selection changes: the corner selects every data cell; a click outside the selected block moves
// the current cell there (a header click then selects the whole row or column) and gives the
// sheet the focus; a click inside keeps the block. "元に戻す" is enabled while the sheet holds a
// snapshot, "相手へコピー" while both sheets are shown; every other item is always offered.
// Returns whether the menu is to pop up: never while a comparison runs.
[[nodiscard]] bool PrepareContextMenu(AppState &state, int index);
