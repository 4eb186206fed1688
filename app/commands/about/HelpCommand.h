#pragma once

#include <QString>

class AppState;
class UserInterface;

// The help page: the program folder's Rowlark.html (a build tree), else the installed copy in
// ../share/rowlark beside the program folder. When neither exists, the program folder's path,
// so that the missing file is reported by that name.
[[nodiscard]] QString helpFilePath(const QString &programFolder);

// "ヘルプ": opens the help page in the person's browser, or says that it is missing or could not
// be opened (naming the page, so that it can be opened by hand). Nothing happens while a
// comparison runs.
void mnuHelp_Click(AppState &state, UserInterface &ui, const QString &programFolder);

// "バージョン": the version dialog, until the person presses its OK. Nothing happens while a
// comparison runs.
void mnuVer_Click(const AppState &state, UserInterface &ui);
