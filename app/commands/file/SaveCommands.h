#pragma once

#include <QString>

class AppState;
struct SaveDialogRequest;
class UserInterface;

// Writes sheet `index` to `path` as delimited text (the current mode's delimiter, every field in
// double quotes when "保存時にダブルクォーテーションを付ける" is checked) and reports the outcome.
// The file is replaced all at once: a failed save leaves the old file as it was, and the sheet's
// file name and drop panel unchanged. On success the sheet's file becomes `path` and the sheet
// holds no unsaved changes. A Shift_JIS sheet with a character Shift_JIS lacks is offered a save
// in UTF-8 with a byte order mark instead, which, when it works, makes the sheet's file UTF-8.
bool SaveSheet(AppState &state, UserInterface &ui, int index, const QString &path);

// "上書き保存": writes the sheet back to its file. Nothing while a comparison runs or while the
// sheet's overwrite-save is withdrawn.
void cmdSave_Click(AppState &state, UserInterface &ui, int index);

// "名前を付けて保存": asks for a path, then saves there. A successful save-as gives the sheet its
// overwrite-save back. A cancelled dialog saves and shows nothing. Nothing while a comparison runs.
void cmdName_Click(AppState &state, UserInterface &ui, int index);

// The save dialog's settings for sheet `index`: opened in the folder of the sheet's file, or in
// the home folder when the sheet has none.
[[nodiscard]] SaveDialogRequest saveDialogRequest(const AppState &state, int index);
