#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's contents all at once: the bytes are written beside the file and renamed over
// it only when every byte reached the disk. A full disk, a file-size limit, a vanished or
// unwritable folder leave the old file exactly as it was. Symbolic links are followed, and only a
// regular file (or a name not taken yet) is replaced: a device or a pipe behind the name is left
// alone. The new file keeps the old one's mode bits exactly, its owner and group where the system
// lets the writer set them, and its extended attributes. A file with more than one name (hard
// links) keeps its identity: the content, once complete beside it, is copied into it in place, so
// that every name sees it. Names go to the system as nativePath() gives them.
//
// A rename needs only the folder's permission, so the file's own is asked first: a file this
// process may not open for writing (a read-only file, another user's file) is refused before
// anything is written, as writing into it in place would be. The file beside it has a short name
// of its own (".rowlark-…"), so that every name the system allows can be replaced.
class SafeFileWriter
{
public:
    enum class Outcome {
        Written,
        NotRegularFile, // the name leads to a device, a pipe, a folder or another non-file
        NotWritable, // the file exists, but this process may not open it for writing
        NoTemporaryFile, // the file is writable, but its folder takes no new file beside it
        Failed, // anything else: no such folder, a write or the final rename failed
        // a file with several names: the new content is complete in the temporary file, which is
        // kept (named in keptFile), but copying it into the file failed part way
        CopyFailed,
    };

    // `reason`, when given, receives why a refused file was refused (NotRegularFile, NotWritable),
    // as the second line of a failure message; it stays empty otherwise.
    [[nodiscard]] static Outcome replace(const QString &path, const QByteArray &bytes, QString *keptFile = nullptr,
                                         QString *reason = nullptr);
    [[nodiscard]] static bool write(const QString &path, const QByteArray &bytes, QString *reason = nullptr)
    {
        return replace(path, bytes, nullptr, reason) == Outcome::Written;
    }

    // For the programs' main(): a write past the process's file-size limit (RLIMIT_FSIZE) then
    // fails like one onto a full disk, instead of ending the process with SIGXFSZ.
    static void ignoreFileSizeSignal();
};
