#pragma once

class AppState;
class UserInterface;

// "ファイル１を開く…" (Ctrl+O) and "ファイル２を開く…" (Ctrl+Shift+O) of the file menu, and a click on an
// empty drop panel: asks for a file in the open dialog, starting in the folder of the last file
// loaded, and hands the chosen file to sheet `index` exactly as a drop on its panel would (the
// same checks, messages and question about unsaved changes). When the sheet is not on screen in
// the present display mode, the mode changes to show both sheets. A cancelled dialog changes
// nothing; nothing at all while a comparison runs.
void mnuOpen_Click(AppState &state, UserInterface &ui, int index);

// An item of the file menu's "最近使ったファイル１" or "最近使ったファイル２": entry `item` of side
// `index`'s recent files, loaded into that side as a file chosen in the open dialog is. A file
// that no longer exists is said so, and taken off the list. Nothing while a comparison runs.
void mnuRecent_Click(AppState &state, UserInterface &ui, int index, int item);
