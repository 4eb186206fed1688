#pragma once

#include "AppState.h"

#include <QList>
#include <QString>

#include <initializer_list>

class UserInterface;

// Unsaved changes: a sheet holds them from the first command that changes it until it is saved,
// loaded anew or made anew (AppState::SheetChanged). They are shown in the window's caption and
// in the sheet's file-name strip, and no command throws them away without asking.

// The main window's caption: "＊ Rowlark" while either sheet holds unsaved changes.
[[nodiscard]] QString windowCaption(const AppState &state);

// What drop panel `index` shows: its drawing, with the file-name strip starting with "＊" while
// the sheet on that side holds unsaved changes.
[[nodiscard]] QList<PanelText> shownPanelTexts(const AppState &state, int index);

// Before a command replaces or empties the sheets in `sides`: an edit still open on them is
// committed, then each of them with unsaved changes, in order, asks "ファイル１（name）の変更を
// 保存しますか？". "保存" saves it as SaveAsOffered does, "保存しない" lets it go. False, and
// nothing more asked, when the person cancels or a save fails or is cancelled: the command must
// then change nothing. False while a comparison runs.
[[nodiscard]] bool ConfirmDiscardChanges(AppState &state, UserInterface &ui, std::initializer_list<int> sides);

// Saves sheet `index` as "上書き保存" does, or as "名前を付けて保存" does where overwriting is not
// offered (a new sheet, a partly read one). True when the sheet holds no unsaved changes
// afterwards.
bool SaveAsOffered(AppState &state, UserInterface &ui, int index);

// Ctrl+S: commits an edit open on the active sheet and saves it as SaveAsOffered does. Nothing
// while a comparison runs or when no sheet is shown.
void SaveActiveSheet(AppState &state, UserInterface &ui);

// "名前を付けて保存…" of the file menu: commits an edit open on the active sheet and saves it as its
// own "名前を付けて保存" button does. Nothing while a comparison runs or when no sheet is shown.
void SaveActiveSheetAs(AppState &state, UserInterface &ui);

// "新規読込" as the button runs it: asks about both sheets' unsaved changes, then clears.
void cmdClr_Click(AppState &state, UserInterface &ui);
