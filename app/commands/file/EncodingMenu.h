#pragma once

#include "SheetFileFormat.h"

#include <optional>

class AppState;
class UserInterface;

// 「文字コード」 of the settings menu: the encoding loads read files in from now on (nothing:
// 自動判定, told from each file's bytes), kept in the settings file. A sheet that holds a file is
// read again from it in the new encoding, after asking about its unsaved changes; a cancel keeps
// the old choice and the sheets. Choosing the encoding in force changes nothing. Does nothing
// while a comparison runs.
void mnuMoji_Click(AppState &state, UserInterface &ui, std::optional<TextEncoding> encoding);
