#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names as the system keeps them: bytes, usually but not always UTF-8. A name whose bytes
// are not valid UTF-8 still names a file the person may open and save; decoding it the usual way
// would turn the odd bytes into U+FFFD and lose the file. Each byte that is no part of a valid
// UTF-8 character becomes a lone low surrogate U+DC80..U+DCFF instead, which no decoded name can
// hold, and turns back into the same byte on the way to the system.

// The name for the system's bytes, odd bytes kept as described.
[[nodiscard]] QString pathFromNative(const QByteArray &bytes);
// The system's bytes for a name: UTF-8, with each kept odd byte restored.
[[nodiscard]] QByteArray nativePath(const QString &path);
// The program's arguments as the system gave them, the program's name first.
[[nodiscard]] QStringList argumentsFromArgv(int argc, const char *const *argv);
