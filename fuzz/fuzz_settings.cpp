// The settings reader on any file: nothing is thrown, and the settings it takes in are the ones
// it writes: read, written, read again and written again gives the same file.

#include "FuzzSupport.h"

#include "AppState.h"
#include "Settings.h"

#include <QFile>

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace
{
QByteArray readBack(const QString &path)
{
    QFile file(path);
    fuzz::check(file.open(QIODevice::ReadOnly), "written settings open", path);
    return file.readAll();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString input = fuzz::scratchPath(u"input.ini"_s);
    static const QString first = fuzz::scratchPath(u"first.ini"_s);
    static const QString second = fuzz::scratchPath(u"second.ini"_s);
    fuzz::writeFile(input, QByteArrayView(data, qsizetype(size)));

    AppState read;
    LoadSettings(read, input);
    fuzz::check(SaveSettings(read, first), "settings are written");
    const QByteArray written = readBack(first);

    AppState reread;
    LoadSettings(reread, first);
    fuzz::check(SaveSettings(reread, second), "settings are written again");
    const QByteArray rewritten = readBack(second);
    fuzz::check(written == rewritten, "written settings read back as the same settings",
                QString::fromUtf8(written) + u"\n----\n"_s + QString::fromUtf8(rewritten));
    return 0;
}
