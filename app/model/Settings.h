#pragma once

#include <QString>

class AppState;

// The settings file Rowlark.ini: window placement, the two option check marks of the settings
// menu, the search dialog's history lists and match-case choice, the delimiter settings and the
// comparison options.
//
// One entry per line, CR LF after each, written as UTF-8: an 8-character tag ("[TOP   ]") and
// the value right after it. Read once while the main window is created, written once when it
// closes. Both directions stop silently at their first error; nothing is ever reported.

// The file in the user's configuration folder (~/.config/Rowlark/Rowlark.ini); empty when the
// platform has no such folder.
[[nodiscard]] QString settingsFilePath();

// Reads the file at `path` into `state`. A missing or unreadable file leaves every value as it
// was, except the delimiter settings, which return to comma mode and "|" first, and the comparison
// options, which are all off unless the file turns some on.
void LoadSettings(AppState &state, const QString &path);

// Replaces the file at `path` (its folder is created when missing) with the current settings.
// False when it could not be written; an existing file is then left exactly as it was.
[[nodiscard]] bool SaveSettings(const AppState &state, const QString &path);

// The settings menu's two check marks; nothing happens while a comparison runs.
void mnuUndo_Click(AppState &state);
void mnuDoble_Click(AppState &state);
// "1行目を列見出しに表示": the column headers show row 1's text beside the number; row 1 stays a
// data row. Kept in the settings file.
void mnuHeadingCaptions_Click(AppState &state);

namespace SettingsFormat
{
// The lenient number reader of the settings file: leading blanks and TABs skipped, the longest
// leading decimal number taken (sign, fraction and exponent allowed), anything after it ignored,
// no number at all read as 0. May return an infinity for a number too large for a double.
[[nodiscard]] double readNumber(QStringView text);

// The shortest decimal form of a number that reads back as the same value: "1200", "1234.5",
// "-120", never an exponent and no leading blank.
[[nodiscard]] QString writeNumber(double value);
} // namespace SettingsFormat
