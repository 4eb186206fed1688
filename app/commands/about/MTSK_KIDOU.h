#pragma once

#include <QString>

class UserInterface;

namespace MTSK_KIDOU
{
inline constexpr int kLaunchOk = 0;
inline constexpr int kLaunchFailed = 2;

// Opens a document with the desktop's default application, or starts a program.
//
// A path whose upper-cased text holds ".EXE " is a program followed by its arguments: the part
// up to ".EXE" must exist, and the whole text is started as a command line, the program part
// in double quotes. Any other path is a
// document: a path starting with "../" is taken relative to the program folder, a bare file name
// lies in the program folder, anything else is taken as it stands.
//
// Returns kLaunchOk, or kLaunchFailed when the file does not exist or could not be opened or
// started.
[[nodiscard]] int LaunchDocument(UserInterface &ui, const QString &programFolder, const QString &path);
} // namespace MTSK_KIDOU
