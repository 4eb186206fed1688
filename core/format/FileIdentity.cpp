#include "FileIdentity.h"

#include "NativePath.h"

#include <sys/stat.h>

namespace
{
FileIdentity identityOf(const struct stat &info)
{
    return {quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size), qint64(info.st_mtim.tv_sec),
            qint64(info.st_mtim.tv_nsec)};
}
} // namespace

std::optional<FileIdentity> fileIdentityOf(int descriptor)
{
    struct stat info = {};
    if (fstat(descriptor, &info) != 0)
        return std::nullopt;
    return identityOf(info);
}

std::optional<FileIdentity> fileIdentityOf(const QString &path)
{
    struct stat info = {};
    if (path.isEmpty() || stat(nativePath(path).constData(), &info) != 0)
        return std::nullopt;
    return identityOf(info);
}
