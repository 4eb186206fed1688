#pragma once

#include "DelimitedFormat.h"
#include "EncodingDetection.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Why a file was not loaded at all; the sheet, its file name and its overwrite-save stay as they
// were.
enum class LoadRefusal { None, Unreadable, Empty, NoDelimiter, NotText };

// Why a file was Unreadable, for the second line of its message.
enum class UnreadableReason {
    Unknown, // nothing more is known (the load failed in a way the reader did not foresee)
    NotFound,
    StandardInput, // "-": a program's standard input, which the reader does not take
    NotRegularFile, // a folder, a pipe, a device
    NoPermission,
    TooLarge, // larger than the reader can hold
    TooManyFields, // a line with 32768 or more fields
    ReadFailed, // an error of the system while reading
    OutOfMemory,
};

// The rules every read of a sheet file applies before its rows: which files are refused before a
// byte is read, what the first bytes tell of the encoding, and the column count the column pass
// settles on. The stored read (SheetFileReader) and the streamed one (SheetStream) both start
// here, so that they refuse the same files and read them in the same encoding and columns.
namespace FileIntro
{

// Files are decoded whole into the text pool; past this size the text could not be held (cells
// point into it with 32-bit offsets), and a sheet could never show it anyway.
inline constexpr qint64 kMaxFileBytes = qint64(1) << 30;

struct Look
{
    LoadRefusal refusal = LoadRefusal::None;
    UnreadableReason reason = UnreadableReason::Unknown; // when Unreadable
    QByteArray name; // the system's name of the file
    qint64 size = 0;
};

// Before a byte is read, in this order: a length that cannot be measured (no such file, a folder,
// a device or pipe) is Unreadable; length 0 is Empty; a delimiter that is empty or half-width
// blanks only is NoDelimiter; a file larger than kMaxFileBytes is Unreadable (TooLarge) when
// sizeLimit holds.
[[nodiscard]] Look lookAt(const QString &path, const DelimitedFormat &format, bool sizeLimit = true);

// Why the system refused to look at or open a file, from its errno.
[[nodiscard]] UnreadableReason reasonForError(int error);

// Only half-width blanks count: a TAB is a valid delimiter.
[[nodiscard]] bool isBlankDelimiter(QStringView delimiter);

// What a file's first bytes (up to EncodingDetection::kHeadBytes) tell.
struct Head
{
    // A file that is no text, which a read refuses. NUL bytes laid out as in UTF-16 are text only
    // when the file is read as UTF-16: read in a narrow encoding the person chose, they refuse the
    // file as any other NUL bytes do, so that a file saved from such a sheet (whose NULs then lie
    // elsewhere) is not refused where it was not.
    EncodingDetection::BinaryKind binary = EncodingDetection::BinaryKind::None;
    // The chosen encoding with the byte order mark the file has for it; without a choice what
    // EncodingDetection tells from the head, or nothing when the whole file must be looked at.
    std::optional<TextEncoding> encoding;
    qsizetype markBytes = 0; // the byte order mark's length
};
[[nodiscard]] Head headOf(QByteArrayView head, std::optional<TextEncoding> chosen = std::nullopt);

// The column count C of a text whose records hold at most `delimiters` delimiters; nothing when
// the sheet could not hold them (32767 or more, or without the sheet's limits more than a sheet's
// cells).
[[nodiscard]] std::optional<int> columnCount(qint64 delimiters, bool sheetLimits = true);

} // namespace FileIntro
