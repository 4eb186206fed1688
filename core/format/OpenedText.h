#pragma once

#include "DelimitedFormat.h"
#include "FileIdentity.h"
#include "FileIntro.h"

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/types.h>

// A delimited file opened to read its text as bytes: what every read that counts delimiters in the
// bytes checks first. Only a delimiter that is one byte in every encoding a file may be read in can
// be counted so, and a file the reader refuses (or one that is no text) is left to the reader,
// which says why.
class OpenedText
{
public:
    // Nothing when the file is the reader's to read or refuse. Without the sheet's limits a file
    // of any size is read.
    [[nodiscard]] static std::optional<OpenedText> open(const QString &path, const DelimitedFormat &format,
                                                        bool sheetLimits);
    ~OpenedText();
    OpenedText(OpenedText &&other) noexcept;
    OpenedText &operator=(OpenedText &&) = delete;
    OpenedText(const OpenedText &) = delete;
    OpenedText &operator=(const OpenedText &) = delete;

    [[nodiscard]] int descriptor() const
    {
        return m_fd;
    }
    // The descriptor, which the caller closes from now on.
    [[nodiscard]] int release();
    // The system's name of the file.
    [[nodiscard]] const QByteArray &name() const
    {
        return m_name;
    }
    [[nodiscard]] const FileIdentity &identity() const
    {
        return m_identity;
    }
    // What the file's head tells, as SheetFileReader tells it.
    [[nodiscard]] const FileIntro::Head &head() const
    {
        return m_head;
    }
    [[nodiscard]] char delimiter() const
    {
        return m_delimiter;
    }
    // Whether the open file, and the file its name now leads to, are still the one opened.
    [[nodiscard]] bool unchanged() const;
    // Up to `size` bytes from byte `offset` of the file, read again when a signal interrupts the
    // read: how many (0 at the end), or -1 on an error.
    [[nodiscard]] ssize_t readAt(qint64 offset, char *to, size_t size) const;

private:
    OpenedText() = default;

    int m_fd = -1;
    QByteArray m_name;
    FileIdentity m_identity;
    FileIntro::Head m_head;
    char m_delimiter = ',';
};

// Whether the open file `descriptor`, and the file `name` now leads to, are both `identity`.
[[nodiscard]] bool stillTheFile(int descriptor, const QByteArray &name, const FileIdentity &identity);
