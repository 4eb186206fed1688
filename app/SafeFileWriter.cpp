#include "SafeFileWriter.h"

#include <QFileInfo>
#include <QSaveFile>

bool SafeFileWriter::write(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    // QSaveFile replaces a symbolic link by a plain file; write through to its target instead.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : path;
    if (target.isEmpty())
        return false;

    QSaveFile file(target);
    // Unbuffered, so that each write() reports what reached the file rather than a buffer.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    // QSaveFile::write() may report fewer bytes without an error when the disk fills, and
    // commit() would then rename the cut file over the original: check every count.
    constexpr qint64 kChunk = qint64(1) << 20;
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 chunk = std::min(kChunk, qint64(bytes.size()) - done);
        const qint64 written = file.write(bytes.constData() + done, chunk);
        if (written != chunk) {
            file.cancelWriting();
            return false;
        }
        done += written;
    }
    return file.commit();
}
