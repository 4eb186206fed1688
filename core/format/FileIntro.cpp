#include "FileIntro.h"

#include "NativePath.h"
#include "SheetData.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace
{
constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF", 3);

bool isUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16LeBom
        || encoding == TextEncoding::Utf16Be || encoding == TextEncoding::Utf16BeBom;
}

// A chosen encoding, with the byte order mark the file has for it.
TextEncoding withMarkOf(TextEncoding chosen, QByteArrayView head)
{
    switch (chosen) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return head.startsWith(kUtf8Mark) ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16LeBom:
        return head.startsWith("\xFF\xFE") ? TextEncoding::Utf16LeBom : TextEncoding::Utf16Le;
    case TextEncoding::Utf16Be:
    case TextEncoding::Utf16BeBom:
        return head.startsWith("\xFE\xFF") ? TextEncoding::Utf16BeBom : TextEncoding::Utf16Be;
    case TextEncoding::ShiftJis:
    case TextEncoding::EucJp:
        break;
    }
    return chosen;
}
} // namespace

namespace FileIntro
{

UnreadableReason reasonForError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return UnreadableReason::NotFound;
    case EACCES:
    case EPERM:
        return UnreadableReason::NoPermission;
    case ENOMEM:
        return UnreadableReason::OutOfMemory;
    default:
        return UnreadableReason::ReadFailed;
    }
}

Look lookAt(const QString &path, const DelimitedFormat &format, bool sizeLimit)
{
    Look look;
    const auto unreadable = [&look](UnreadableReason reason) {
        look.refusal = LoadRefusal::Unreadable;
        look.reason = reason;
        return look;
    };
    if (path.isEmpty())
        return unreadable(UnreadableReason::NotFound);
    // The name goes to the system as the bytes it came as.
    look.name = nativePath(path);
    struct stat info = {};
    if (stat(look.name.constData(), &info) != 0) {
        const int error = errno;
        // A name that often means a program's standard input, when no file has it.
        if (path == u"-"_s && error == ENOENT)
            return unreadable(UnreadableReason::StandardInput);
        return unreadable(reasonForError(error));
    }
    if (!S_ISREG(info.st_mode))
        return unreadable(UnreadableReason::NotRegularFile);
    look.size = qint64(info.st_size);
    if (look.size == 0) {
        look.refusal = LoadRefusal::Empty;
        return look;
    }
    if (isBlankDelimiter(format.delimiter)) {
        look.refusal = LoadRefusal::NoDelimiter;
        return look;
    }
    if (sizeLimit && look.size > kMaxFileBytes)
        return unreadable(UnreadableReason::TooLarge);
    return look;
}

bool isBlankDelimiter(QStringView delimiter)
{
    return std::all_of(delimiter.cbegin(), delimiter.cend(), [](QChar ch) { return ch == u' '; });
}

Head headOf(QByteArrayView head, std::optional<TextEncoding> chosen)
{
    Head found;
    found.binary = EncodingDetection::sniffBinaryKind(head);
    const bool wideChosen = chosen && isUtf16(*chosen);
    if (chosen && !wideChosen && found.binary == EncodingDetection::BinaryKind::None
        && head.first(std::min(head.size(), EncodingDetection::kNulBytes)).contains('\0'))
        found.binary = EncodingDetection::BinaryKind::Nul;
    if (wideChosen && found.binary == EncodingDetection::BinaryKind::Nul)
        found.binary = EncodingDetection::BinaryKind::None;
    found.encoding = chosen ? std::optional(withMarkOf(*chosen, head)) : EncodingDetection::encodingFromHead(head);
    found.markBytes = found.encoding ? EncodingDetection::byteOrderMarkSize(*found.encoding) : 0;
    return found;
}

std::optional<int> columnCount(qint64 delimiters, bool sheetLimits)
{
    // C + 1 columns must stay a 16-bit number: 32767 delimiters on a line cannot be held.
    if (sheetLimits && delimiters >= kMaxRowCol)
        return std::nullopt;
    if (delimiters >= kMaxCells - 1)
        return std::nullopt;
    return int(delimiters) + 1;
}

} // namespace FileIntro
