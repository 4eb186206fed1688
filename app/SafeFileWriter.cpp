#include "SafeFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace
{
// Extended attributes (user attributes, access control lists, …) of `from` onto the open file.
// What the file system or the writer's rights do not allow is left out.
void copyExtendedAttributes(const QByteArray &from, int to)
{
    ssize_t size = listxattr(from.constData(), nullptr, 0);
    if (size <= 0)
        return;
    QByteArray names(size, '\0');
    size = listxattr(from.constData(), names.data(), size_t(names.size()));
    if (size <= 0)
        return;
    names.truncate(size);
    QByteArray value;
    for (qsizetype at = 0; at < names.size();) {
        const char *name = names.constData() + at;
        at += qsizetype(qstrlen(name)) + 1;
        const ssize_t length = getxattr(from.constData(), name, nullptr, 0);
        if (length < 0)
            continue;
        value.resize(length);
        const ssize_t read = getxattr(from.constData(), name, value.data(), size_t(value.size()));
        if (read >= 0)
            (void)fsetxattr(to, name, value.constData(), size_t(read), 0);
    }
}
} // namespace

SafeFileWriter::Outcome SafeFileWriter::replace(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return Outcome::Failed;
    // QSaveFile replaces a symbolic link by a plain file; write through to its target instead.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : path;
    if (target.isEmpty())
        return Outcome::Failed;

    // The rename at the end would put a plain file in place of whatever has the name.
    const QByteArray nativeTarget = QFile::encodeName(target);
    struct stat old = {};
    std::optional<gid_t> oldGroup;
    if (stat(nativeTarget.constData(), &old) == 0) {
        if (!S_ISREG(old.st_mode))
            return Outcome::NotRegularFile;
        oldGroup = old.st_gid;
    } else if (errno != ENOENT) {
        return Outcome::Failed;
    }

    QSaveFile file(target);
    // Unbuffered, so that each write() reports what reached the file rather than a buffer.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // A file that could be written in place, in a folder that takes no temporary file.
        const bool writable = oldGroup && access(nativeTarget.constData(), W_OK) == 0;
        return writable ? Outcome::NoTemporaryFile : Outcome::Failed;
    }
    if (oldGroup) {
        // The group comes back where the system allows it (the owner belongs to it, or root
        // writes); otherwise the new file keeps the writer's group.
        [[maybe_unused]] const int regrouped = fchown(file.handle(), uid_t(-1), *oldGroup);
        copyExtendedAttributes(nativeTarget, file.handle());
    }
    // QSaveFile::write() may report fewer bytes without an error when the disk fills, and
    // commit() would then rename the cut file over the original: check every count.
    constexpr qint64 kChunk = qint64(1) << 20;
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 chunk = std::min(kChunk, qint64(bytes.size()) - done);
        const qint64 written = file.write(bytes.constData() + done, chunk);
        if (written != chunk) {
            file.cancelWriting();
            return Outcome::Failed;
        }
        done += written;
    }
    return file.commit() ? Outcome::Written : Outcome::Failed;
}

void SafeFileWriter::ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
