#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's contents all at once: the bytes are written beside the file and renamed over
// it only when every byte reached the disk. A full disk, a file-size limit, a vanished or
// unwritable folder leave the old file exactly as it was. Symbolic links are followed and the
// file's permissions are kept.
class SafeFileWriter
{
public:
    [[nodiscard]] static bool write(const QString &path, const QByteArray &bytes);
};
