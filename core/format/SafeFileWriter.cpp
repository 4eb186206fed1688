#include "SafeFileWriter.h"

#include "NativePath.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{
const QString kNotRegularFileText = u"通常のファイルではありません"_s;
const QString kNoWritePermissionText = u"書き込みの権限がありません"_s;
const QString kReadOnlyFileSystemText = u"読み取り専用のファイルシステムにあります"_s;
const QString kBusyText = u"ほかのプログラムが使用中です"_s;
const QString kNotOpenForWritingText = u"書き込み用に開けませんでした"_s;

QString notWritableReason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return kNoWritePermissionText;
    case EROFS:
        return kReadOnlyFileSystemText;
    case ETXTBSY:
    case EBUSY:
        return kBusyText;
    default:
        return kNotOpenForWritingText;
    }
}

// Whether this process may write into the file itself, as the system would decide for an open:
// the permission bits for its user and groups, access control lists, a read-only mount, an
// immutable file. The open itself answers what access() cannot know.
int writeRefusal(const QByteArray &target)
{
    if (access(target.constData(), W_OK) != 0)
        return errno;
    const int probe = open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (probe < 0)
        return errno;
    close(probe);
    return 0;
}

// The temporary file's name in the target's folder: short whatever the target's name, so that a
// name of the longest length the system allows still leaves room for it.
QByteArray temporaryName(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash >= 0 ? target.left(slash + 1) : QByteArray();
    return folder + ".rowlark-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

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

// Writes every byte, a chunk at a time; false at the first write that fails (a full disk, a
// file-size limit).
bool writeAll(int descriptor, const QByteArray &bytes)
{
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written
            = write(descriptor, bytes.constData() + done, size_t(std::min(kChunk, bytes.size() - done)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}
} // namespace

SafeFileWriter::Outcome SafeFileWriter::replace(const QString &path, const QByteArray &bytes, QString *keptFile,
                                                QString *reason)
{
    if (reason)
        reason->clear();
    if (path.isEmpty())
        return Outcome::Failed;
    // The name as the system's bytes, so that a name that is no UTF-8 is written where it was read.
    QByteArray target = nativePath(path);
    // A rename would replace a symbolic link by a plain file; write through to its target instead.
    struct stat link = {};
    if (lstat(target.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char *resolved = realpath(target.constData(), nullptr);
        if (resolved == nullptr)
            return Outcome::Failed;
        target = resolved;
        std::free(resolved);
    }

    // The rename at the end would put a plain file in place of whatever has the name.
    struct stat old = {};
    bool exists = false;
    if (stat(target.constData(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            if (reason)
                *reason = kNotRegularFileText;
            return Outcome::NotRegularFile;
        }
        if (const int error = writeRefusal(target); error != 0) {
            if (reason)
                *reason = notWritableReason(error);
            return Outcome::NotWritable;
        }
        exists = true;
    } else if (errno != ENOENT) {
        return Outcome::Failed;
    }

    QByteArray temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = temporaryName(target);
        descriptor = open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (descriptor < 0 && errno != EEXIST)
            break;
    }
    if (descriptor < 0) {
        // A file that could be written in place, in a folder that takes no temporary file.
        const bool writable = exists && access(target.constData(), W_OK) == 0;
        return writable ? Outcome::NoTemporaryFile : Outcome::Failed;
    }
    if (exists) {
        // Owner and group come back where the system allows it (root may give the file back to
        // its owner; others keep the group they belong to), then the mode exactly: a change of
        // owner may clear the set-id bits.
        if (fchown(descriptor, old.st_uid, old.st_gid) != 0) {
            [[maybe_unused]] const int regrouped = fchown(descriptor, uid_t(-1), old.st_gid);
        }
        copyExtendedAttributes(target, descriptor);
        [[maybe_unused]] const int moded = fchmod(descriptor, old.st_mode & 07777);
    }
    const bool written = writeAll(descriptor, bytes) && fsync(descriptor) == 0;
    if (close(descriptor) != 0 || !written) {
        unlink(temporary.constData());
        return Outcome::Failed;
    }

    if (exists && old.st_nlink > 1) {
        // A file with several names: a rename would give only this name the new content. The
        // complete content, safe beside it, now goes into the file itself, which every name sees.
        const int original = open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        const bool copied = original >= 0 && writeAll(original, bytes) && fsync(original) == 0;
        if ((original >= 0 && close(original) != 0) || !copied) {
            if (keptFile)
                *keptFile = pathFromNative(temporary);
            return Outcome::CopyFailed;
        }
        unlink(temporary.constData());
        return Outcome::Written;
    }
    if (rename(temporary.constData(), target.constData()) != 0) {
        unlink(temporary.constData());
        return Outcome::Failed;
    }
    return Outcome::Written;
}

void SafeFileWriter::ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
