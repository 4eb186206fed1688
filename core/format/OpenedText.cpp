#include "OpenedText.h"

#include "EncodingDetection.h"
#include "NativePath.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

std::optional<OpenedText> OpenedText::open(const QString &path, const DelimitedFormat &format, bool sheetLimits)
{
    // Refusals and their messages are SheetFileReader's: a file it would refuse is left to it.
    const FileIntro::Look look = FileIntro::lookAt(path, format, sheetLimits);
    if (look.refusal != LoadRefusal::None)
        return std::nullopt;
    // A Shift-JIS character's second byte is never below 0x40, nor a control character.
    const QStringView mark = format.fieldDelimiter();
    if (mark.size() != 1 || mark[0].unicode() >= 0x80 || mark[0] == u'\r' || mark[0] == u'\n')
        return std::nullopt;
    OpenedText opened;
    opened.m_delimiter = char(mark[0].unicode());
    opened.m_fd = ::open(look.name.constData(), O_RDONLY | O_CLOEXEC);
    if (opened.m_fd < 0)
        return std::nullopt;
    opened.m_name = look.name;
    const std::optional<FileIdentity> identity = fileIdentityOf(opened.m_fd);
    if (!identity)
        return std::nullopt;
    opened.m_identity = *identity;

    QByteArray head(EncodingDetection::kHeadBytes, Qt::Uninitialized);
    qsizetype headSize = 0;
    while (headSize < head.size()) {
        const ssize_t got = opened.readAt(headSize, head.data() + headSize, size_t(head.size() - headSize));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        headSize += got;
    }
    head.truncate(headSize);
    opened.m_head = FileIntro::headOf(head);
    if (opened.m_head.binary != EncodingDetection::BinaryKind::None)
        return std::nullopt;
    return opened;
}

OpenedText::OpenedText(OpenedText &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_name(std::move(other.m_name))
    , m_identity(other.m_identity)
    , m_head(other.m_head)
    , m_delimiter(other.m_delimiter)
{
}

OpenedText::~OpenedText()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int OpenedText::release()
{
    return std::exchange(m_fd, -1);
}

ssize_t OpenedText::readAt(qint64 offset, char *to, size_t size) const
{
    ssize_t got = 0;
    do
        got = ::pread(m_fd, to, size, offset);
    while (got < 0 && errno == EINTR);
    return got;
}

bool OpenedText::unchanged() const
{
    return stillTheFile(m_fd, m_name, m_identity);
}

bool stillTheFile(int descriptor, const QByteArray &name, const FileIdentity &identity)
{
    return fileIdentityOf(descriptor) == identity && fileIdentityOf(pathFromNative(name)) == identity;
}
