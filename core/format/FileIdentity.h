#pragma once

#include <QString>

#include <optional>

// What tells one state of a file from another without reading it: the device and inode it lives
// on, its size and its modification time. Another program that replaces, empties, rewrites or
// deletes the file changes it.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;

    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

// The identity of the open file `descriptor`, or of the file `path` names (links followed);
// nothing when there is no such file.
[[nodiscard]] std::optional<FileIdentity> fileIdentityOf(int descriptor);
[[nodiscard]] std::optional<FileIdentity> fileIdentityOf(const QString &path);
