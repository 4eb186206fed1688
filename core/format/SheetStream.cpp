#include "SheetStream.h"

#include "ByteCounts.h"
#include "Cp932.h"
#include "EncodingDetection.h"
#include "EucJp.h"
#include "FieldParser.h"
#include "FileIntro.h"
#include "OpenedText.h"
#include "Utf8Decoder.h"
#include "Utf8Validator.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// UTF-16 units of valid UTF-8 bytes: one for each character, two for one outside the BMP.
qsizetype utf16Units(const char *bytes, qsizetype size)
{
    qsizetype units = 0;
    for (qsizetype at = 0; at < size; ++at) {
        const auto byte = quint8(bytes[at]);
        units += (byte & 0xC0) != 0x80 ? 1 : 0;
        units += byte >= 0xF0 ? 1 : 0;
    }
    return units;
}

// The characters the reader adds to the pool for the comma mode's fields of one line (UTF-8, without
// its line end): the fields that are no stretch of the line. Nothing when a quoted field runs over
// the line's end, so that the record goes on on the next line. Only quoted fields add text.
std::optional<qsizetype> joinedFieldChars(const char *line, qsizetype size)
{
    qsizetype chars = 0;
    for (qsizetype from = 0; from < size;) {
        const qsizetype quote = FieldSplitter::nextOpeningQuote(line, from, size);
        if (quote >= size)
            break;
        const FieldSplitter::CommaField field = FieldSplitter::commaFieldAt(line, quote, size, ',');
        if (field.unclosed)
            return std::nullopt;
        if (!field.isSlice())
            FieldSplitter::appendFieldText(line, field,
                                           [&chars](const char *bytes, qsizetype n) { chars += utf16Units(bytes, n); });
        from = field.end + 1;
    }
    return chars;
}

constexpr qsizetype kColumnPassBytes = qsizetype(128) * 1024;

qsizetype lastIndexOf(const char *bytes, qsizetype size, char ch)
{
    const void *at = size > 0 ? memrchr(bytes, ch, size_t(size)) : nullptr;
    return at ? static_cast<const char *>(at) - bytes : -1;
}

} // namespace

SheetStream::SheetStream(DelimitedFormat format, bool sheetLimits)
    : m_delimited(std::move(format))
    , m_sheetLimits(sheetLimits)
{
}

SheetStream::~SheetStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

SheetStream::Status SheetStream::open(const QString &path)
{
    m_status = Status::NotStreamable;
    std::optional<OpenedText> opened = OpenedText::open(path, m_delimited, m_sheetLimits);
    if (!opened)
        return m_status;
    const char markByte = opened->delimiter();
    m_markByte = markByte;
    m_markSafeInShiftJis = quint8(markByte) < 0x40;
    m_name = opened->name();
    m_identity = opened->identity();
    // A UTF-16 file is read as the UTF-8 it holds, so that its line ends, delimiters and quotes are
    // single bytes like any other file's.
    const FileIntro::Head found = opened->head();
    m_fd = opened->release();
    m_marked = found.encoding == TextEncoding::Utf8Bom;
    m_wide.reset();
    if (found.encoding && !m_marked) {
        m_encoding = *found.encoding;
        m_wide.emplace(m_encoding == TextEncoding::Utf16Le || m_encoding == TextEncoding::Utf16LeBom);
    }
    m_textStart = found.markBytes;
    if (!seekToText())
        return m_status;
    // Until the rows are read, only the ASCII of a UTF-16 file matters.
    m_wideForm = Utf16ToUtf8::Form::Narrow;

    // The column pass over the bytes, and whether they are UTF-8.
    Utf8Validator utf8;
    ByteCounts counts;
    counts.mark = markByte;
    bool quoted = false; // the comma mode met a double quote
    m_quotedLinesAlone = false;
    // A file that holds a quote in its first piece has its records counted in the same pass, under
    // the line rule that piece tells (a CR in it settles the rule; without one an LF file is
    // likely). A quote met later, or a rule that turns out otherwise, takes a pass of its own.
    std::optional<MMS_GRID_CSV_READ::CommaRecordCounter<char>> records;
    LineRule recordsRule = LineRule::CrOrCrLf;
    bool firstPiece = true;
    m_checkpoints.clear();
    bool linesCounted = true;
    qint64 offset = 0;
    // The column pass's pieces stay in the core's own cache between its looks at them.
    m_bytes.resize(std::min(m_pieceBytes, kColumnPassBytes));
    const bool read = readPieces([&](const char *bytes, qsizetype size) {
        // Once the records are counted under the rule a CR settles, the line counts are not needed.
        const char quote = !quoted && m_delimited.commaMode() ? '"' : 0;
        bool pieceQuoted = false;
        const bool counting = !records || recordsRule != LineRule::CrOrCrLf;
        if (counting) {
            m_checkpoints.push_back({offset, counts.crs, counts.lfs});
            pieceQuoted = counts.add(bytes, size, quote);
        } else {
            linesCounted = false;
        }
        offset += size;
        // What a UTF-16 file turns into is UTF-8 by its making.
        if (!m_wide)
            utf8.add(bytes, size_t(size));
        if (quote) {
            quoted = counting ? pieceQuoted : std::memchr(bytes, quote, size_t(size)) != nullptr;
            if (quoted && firstPiece) {
                recordsRule = counts.anyCr ? LineRule::CrOrCrLf : LineRule::Lf;
                records.emplace(recordsRule);
            }
        }
        if (records)
            records->add(bytes, size);
        firstPiece = false;
    });
    if (!read)
        return m_status;
    if (linesCounted)
        m_checkpoints.push_back({offset, counts.crs, counts.lfs});
    else
        m_checkpoints.clear();
    m_anyQuote = quoted;
    utf8.finish();
    // The stored read decodes the whole file before any row: its verdict is the whole file's.
    m_wideExact = !m_wide || m_wide->exact();
    qint64 most = counts.mostMarks();
    m_rule = counts.anyCr ? LineRule::CrOrCrLf : LineRule::Lf;
    if (quoted) {
        // Quoted fields may hold commas and line ends: the records are counted as the reader reads
        // them, under the file's line rule. The quote and the comma are never part of a Shift-JIS
        // character.
        if (!records || recordsRule != m_rule) {
            if (!seekToText())
                return m_status;
            records.emplace(m_rule);
            if (!readPieces([&](const char *bytes, qsizetype size) { records->add(bytes, size); }))
                return m_status;
        }
        records->finish();
        most = records->mostCommas();
        m_quotedLinesAlone = !records->quotedFieldsCrossLines();
    }
    // A line of 32767 delimiters fails the column pass; the reader's message is SheetFileReader's.
    const std::optional<int> columns = FileIntro::columnCount(most, m_sheetLimits);
    if (!columns)
        return m_status;
    m_columns = *columns;
    m_pieceLimits = MMS_GRID_CSV_READ::readLimits(m_columns, m_sheetLimits);
    if (m_wide) {
        // m_encoding is the UTF-16 of the head.
    } else if (utf8.valid()) {
        m_encoding = m_marked ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
    } else {
        // With the mark, invalid bytes are replaced by Qt's decoder, which is SheetFileReader's
        // business; without it the file is Shift-JIS, which splits into the same fields only when
        // the delimiter never hides inside a character.
        if (m_marked || !m_markSafeInShiftJis)
            return m_status;
        std::optional<TextEncoding> narrow = narrowEncoding();
        // A file UTF-8 but for a few bytes is the reader's, which says so.
        if (!narrow)
            return m_status;
        m_encoding = *narrow;
    }
    m_rawRows = m_wide || m_encoding == TextEncoding::Utf8 || m_encoding == TextEncoding::Utf8Bom;
    return rewind();
}

SheetStream::Status SheetStream::rewind()
{
    if (m_fd < 0 || m_columns == 0)
        return Status::NotStreamable;
    // Each pass after the first relies on what the ones before found in the same bytes.
    if (!unchanged()) {
        m_status = Status::Changed;
        return m_status;
    }
    m_wideForm = Utf16ToUtf8::Form::Utf8;
    if (!seekToText()) {
        m_status = Status::NotStreamable;
        return m_status;
    }
    m_filled = 0;
    m_eof = false;
    m_quotedPieceBytes = 0;
    m_piece = {};
    m_firstRow = 1;
    m_rowInPiece = 0;
    m_row = 0;
    m_rawRow = false;
    m_pos = 0;
    m_rowsUsed = 1;
    m_lastRowWhole = true;
    m_extraChars = MMS_GRID_CSV_READ::columnLabelChars(m_columns);
    // Every character the reader adds is one of the file's own (the text of a quoted field) or a
    // row's label, of at most 7 characters under the row limit.
    m_quotedLinesFit = m_quotedLinesAlone
        && (!m_sheetLimits
            || (m_identity
                && m_identity->size + m_extraChars + qsizetype(kMaxRowCol) * 8 < MMS_GRID_CSV_READ::kMaxExtraChars));
    m_writesBack = m_wideExact;
    m_codeForms = {};
    m_result = MMS_GRID_CSV_READ::ReadResult::Complete;
    m_status = Status::Ready;
    m_cols = m_columns + 1;
    if (m_columns > m_pieceLimits.maxColumns) {
        // As the reader does: one row and one column, and nothing read.
        m_cols = 1;
        m_status = Status::End;
        m_result = MMS_GRID_CSV_READ::ReadResult::Overflow;
    }
    return m_status;
}

bool SheetStream::next()
{
    return nextRow(nullptr);
}

bool SheetStream::nextLike(const SheetStream &other)
{
    // A line of the other stream holds no line end of its rule: under the same rule, the row is
    // that line exactly when its bytes are followed by a line end.
    return nextRow(other.m_rawRow && other.m_rule == m_rule ? &other : nullptr);
}

bool SheetStream::nextRow(const SheetStream *like)
{
    if (m_status != Status::Ready)
        return false;
    m_rawRow = false;
    m_sameLine = false;
    ++m_rowInPiece;
    while (m_rowInPiece > m_piece.rowsRead) {
        if (m_piece.final) {
            finish(m_piece.result);
            return false;
        }
        m_firstRow += m_piece.rowsRead;
        m_piece.rowsRead = 0;
        m_rowInPiece = 0;
        if (m_rawRows)
            return nextRawRow(like);
        if (!loadPiece(m_pieceBytes))
            return false;
        m_rowInPiece = 1;
    }
    m_row = m_firstRow + m_rowInPiece - 1;
    return true;
}

bool SheetStream::nextRawRow(const SheetStream *like)
{
    const char lineEnd = char(lineEndChar(m_rule));
    qsizetype end = -1;
    if (like) {
        const QByteArrayView line = like->rawLine();
        const qsizetype after = m_pos + line.size(); // where the line end would be
        // A CR's LF must be in the buffer too, to be passed over with it.
        const char *bytes = m_bytes.constData();
        if (after + (lineEnd == '\r' ? 1 : 0) < m_filled && bytes[after] == lineEnd
            && std::memcmp(bytes + m_pos, line.data(), size_t(line.size())) == 0) {
            end = after;
            m_sameLine = true;
        }
    }
    while (!m_sameLine) {
        const qsizetype left = m_filled - m_pos;
        if (left == 0 && m_eof) {
            finish(MMS_GRID_CSV_READ::ReadResult::Complete);
            return false;
        }
        const void *found = left > 0 ? std::memchr(m_bytes.constData() + m_pos, lineEnd, size_t(left)) : nullptr;
        if (found)
            end = static_cast<const char *>(found) - m_bytes.constData();
        // A CR's LF may still be to come.
        const bool whole = m_eof || (found && (lineEnd == '\n' || end + 1 < m_filled));
        if (whole)
            break;
        compact();
        if (!fill(std::max(m_pieceBytes, m_filled * 2))) {
            m_status = Status::NotStreamable;
            return false;
        }
    }
    if (end < 0)
        end = m_filled;
    const char *line = m_bytes.constData() + m_pos;
    const int row = m_firstRow;
    // The row's label is text the read adds, as the reader counts it.
    qsizetype labelChars = 1;
    for (int n = row; n >= 10; n /= 10)
        ++labelChars;
    ++labelChars;
    const bool quoted
        = m_anyQuote && (m_sameLine ? like->m_rawQuoted : std::memchr(line, '"', size_t(end - m_pos)) != nullptr);
    // The text the reader would add for the line's fields; nothing when a quoted field runs over
    // the line's end.
    // Where no quoted field runs over a line end and the file is too small for the added text to
    // reach the limit, a quoted line needs no walk over its fields here.
    std::optional<qsizetype> joinedChars = quoted && !m_quotedLinesFit ? joinedFieldChars(line, end - m_pos) : 0;
    const qsizetype addedBefore = m_sheetLimits ? m_extraChars : 0;
    if (joinedChars && *joinedChars > 0 && addedBefore + labelChars + *joinedChars > MMS_GRID_CSV_READ::kMaxExtraChars)
        joinedChars.reset(); // the reader says where the added text ends the read
    if (!joinedChars) {
        // A quoted field may run over line ends or hold a comma: a piece from this line on goes
        // to the reader, two lines at first, and more each time the line after a piece holds a
        // quote too, so that a file quoted throughout is read in pieces of pieceBytes.
        m_sameLine = false;
        end -= m_pos;
        compact();
        const char *bytes = m_bytes.constData();
        const void *nextEnd
            = end + 1 < m_filled ? std::memchr(bytes + end + 1, lineEnd, size_t(m_filled - end - 1)) : nullptr;
        const qsizetype twoLines = nextEnd ? static_cast<const char *>(nextEnd) - bytes + 3 : m_filled + 1;
        const qsizetype want = std::max(twoLines, m_quotedPieceBytes);
        m_quotedPieceBytes = std::min(std::max<qsizetype>(m_quotedPieceBytes * 2, 4096), m_pieceBytes);
        if (!loadPiece(want))
            return false;
        m_rowInPiece = 1;
        if (m_piece.rowsRead == 0) {
            finish(m_piece.result);
            return false;
        }
        m_row = m_firstRow;
        return true;
    }
    if (row > m_pieceLimits.maxDataRows) {
        // As the reader refuses a row past the sheet's limits.
        finish(row + 1 > kMaxRowCol ? MMS_GRID_CSV_READ::ReadResult::Overflow
                                    : MMS_GRID_CSV_READ::ReadResult::OutOfMemory);
        return false;
    }
    m_quotedPieceBytes = 0;
    m_lineStart = m_pos;
    m_lineSize = end - m_pos;
    m_pos = end < m_filled ? end + 1 : m_filled;
    if (lineEnd == '\r' && m_pos < m_filled && m_bytes.constData()[m_pos] == '\n')
        ++m_pos;
    m_row = row;
    m_rawRow = true;
    m_rawQuoted = quoted;
    ++m_firstRow;
    if (m_sheetLimits && m_delimited.commaMode()) {
        m_extraChars += labelChars + *joinedChars;
        if (m_extraChars > MMS_GRID_CSV_READ::kMaxExtraChars) {
            m_piece.final = true;
            m_piece.result = MMS_GRID_CSV_READ::ReadResult::OutOfMemory;
        }
    }
    return true;
}

qsizetype SheetStream::lineStartBefore(const char *bytes, qsizetype lineStart) const
{
    if (lineStart <= 0)
        return 0;
    qsizetype end = lineStart - 1; // the line end before lineStart, or its LF
    if (m_rule == LineRule::CrOrCrLf && bytes[end] == '\n' && end > 0 && bytes[end - 1] == '\r')
        --end;
    const char lineEnd = char(lineEndChar(m_rule));
    const qsizetype before = lastIndexOf(bytes, end, lineEnd);
    if (before < 0)
        return 0;
    return before + 1 + (m_rule == LineRule::CrOrCrLf && bytes[before + 1] == '\n' ? 1 : 0);
}

void SheetStream::compact()
{
    if (m_pos == 0)
        return;
    std::memmove(m_bytes.data(), m_bytes.constData() + m_pos, size_t(m_filled - m_pos));
    m_filled -= m_pos;
    m_lineStart -= std::min(m_lineStart, m_pos);
    m_pos = 0;
}

void SheetStream::decodeRow()
{
    if (!m_rawRow)
        return;
    QString text = m_rawCells.data.pool();
    m_rawCells.data = SheetData(1, 1);
    text.resize(0);
    if (!decodeInto(rawLine(), text))
        return;
    // With its line end, so that an empty line is a row of empty cells to the reader too.
    text.append(QChar(lineEndChar(m_rule)));
    MMS_GRID_CSV_READ::PieceLimits limits;
    limits.maxDataRows = m_row;
    limits.maxColumns = m_pieceLimits.maxColumns;
    m_rawCells = MMS_GRID_CSV_READ::ReadDelimitedPiece(std::move(text), 0, true, m_rule, m_columns, m_delimited, m_row,
                                                       limits, 0);
}

void SheetStream::finish(MMS_GRID_CSV_READ::ReadResult result)
{
    m_status = unchanged() ? Status::End : Status::Changed;
    m_result = result;
    m_rowsUsed = m_firstRow + m_piece.rowsRead;
    // A piece without rows of its own cut none short.
    m_lastRowWhole = m_piece.rowsRead == 0 || m_piece.lastRowWhole;
    m_piece.data = SheetData(1, 1);
}

bool SheetStream::unchanged() const
{
    return m_identity && stillTheFile(m_fd, m_name, *m_identity);
}

bool SheetStream::readsFromWithin() const
{
    // A quoted field that holds a line end makes a row of more than one line; under the sheet's
    // limits the reader's added text, which only quoted fields add to beyond the rows' labels,
    // must be unable to reach its limit, as the rows before are not walked.
    const bool rowsAreLines = !m_anyQuote || (m_quotedLinesAlone && (m_quotedLinesFit || !m_sheetLimits));
    return m_status == Status::Ready && m_rawRows && !m_wide && rowsAreLines && !m_checkpoints.empty()
        && m_cols == m_columns + 1;
}

int SheetStream::middleRow() const
{
    if (!readsFromWithin())
        return 0;
    const qint64 half = m_checkpoints.back().offset / 2;
    const auto after = std::lower_bound(m_checkpoints.begin(), m_checkpoints.end(), half,
                                        [](const LineCheckpoint &point, qint64 at) { return point.offset < at; });
    // The row whose line the piece starts in.
    return int(std::min<qint64>(lineEndsBefore(*after) + 1, std::numeric_limits<int>::max()));
}

std::optional<qint64> SheetStream::lineStartAfter(qint64 lineEnds) const
{
    if (lineEnds < 1 || lineEnds > lineEndsBefore(m_checkpoints.back()))
        return std::nullopt;
    // The last piece that starts before that line end, and the line ends on from its start.
    auto point = std::partition_point(m_checkpoints.begin(), m_checkpoints.end(),
                                      [&](const LineCheckpoint &p) { return lineEndsBefore(p) < lineEnds; });
    --point;
    qint64 offset = point->offset;
    qint64 left = lineEnds - lineEndsBefore(*point);
    const char lineEnd = char(lineEndChar(m_rule));
    QByteArray bytes(qsizetype(64) * 1024, Qt::Uninitialized);
    while (true) {
        const ssize_t got = ::pread(m_fd, bytes.data(), size_t(bytes.size()), m_textStart + offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        for (const char *at = bytes.constData(), *end = at + got;;) {
            const void *found = std::memchr(at, lineEnd, size_t(end - at));
            if (!found)
                break;
            at = static_cast<const char *>(found) + 1;
            if (--left > 0)
                continue;
            qint64 start = offset + (at - bytes.constData());
            // A CR's LF belongs to its line end.
            char next = 0;
            if (lineEnd == '\r' && ::pread(m_fd, &next, 1, m_textStart + start) == 1 && next == '\n')
                ++start;
            return start;
        }
        offset += got;
    }
}

std::unique_ptr<SheetStream> SheetStream::restFrom(int row) const
{
    if (!readsFromWithin() || row < 2 || row > m_pieceLimits.maxDataRows)
        return nullptr;
    const std::optional<qint64> start = lineStartAfter(row - 1);
    if (!start)
        return nullptr;
    auto rest = std::make_unique<SheetStream>(m_delimited, m_sheetLimits);
    rest->m_fd = ::open(m_name.constData(), O_RDONLY | O_CLOEXEC);
    if (rest->m_fd < 0)
        return nullptr;
    rest->m_name = m_name;
    rest->m_identity = m_identity;
    rest->m_pieceBytes = m_pieceBytes;
    // What the column pass found, which rewind() leaves.
    rest->m_columns = m_columns;
    rest->m_rule = m_rule;
    rest->m_marked = m_marked;
    rest->m_markSafeInShiftJis = m_markSafeInShiftJis;
    rest->m_markByte = m_markByte;
    rest->m_textStart = m_textStart;
    rest->m_wideExact = m_wideExact;
    rest->m_encoding = m_encoding;
    rest->m_pieceLimits = m_pieceLimits;
    rest->m_rawRows = m_rawRows;
    rest->m_anyQuote = m_anyQuote;
    rest->m_quotedLinesAlone = m_quotedLinesAlone;
    if (rest->rewind() != Status::Ready || ::lseek(rest->m_fd, m_textStart + *start, SEEK_SET) < 0)
        return nullptr;
    rest->m_firstRow = row;
    // The labels of the rows before, as the reader would have added them.
    for (int digits = 1, from = 1; from < row; ++digits, from *= 10) {
        const qint64 to = std::min<qint64>(qint64(from) * 10, row); // rows from..to-1 have `digits` digits
        rest->m_extraChars += (to - from) * (digits + 1);
        if (to == row)
            break;
    }
    return rest;
}

bool SheetStream::fill(qsizetype want)
{
    if (m_bytes.size() < want)
        m_bytes.resize(want);
    while (!m_eof && m_filled < want) {
        const ssize_t got = readText(m_bytes.data() + m_filled, size_t(m_bytes.size() - m_filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            m_eof = true;
        m_filled += got;
    }
    return true;
}

bool SheetStream::seekToText()
{
    if (::lseek(m_fd, m_textStart, SEEK_SET) < 0)
        return false;
    if (m_wide) {
        m_wide->reset();
        m_convertedPos = 0;
        m_convertedEnd = 0;
        m_wideEnd = false;
    }
    return true;
}

template<typename Use>
bool SheetStream::readPieces(Use &&use)
{
    while (true) {
        const ssize_t got = readText(m_bytes.data(), size_t(m_bytes.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        use(m_bytes.constData(), qsizetype(got));
    }
}

ssize_t SheetStream::readText(char *to, size_t size)
{
    if (!m_wide)
        return ::read(m_fd, to, size);
    while (m_convertedPos == m_convertedEnd) {
        if (m_wideEnd)
            return 0;
        // As many bytes as surely fit go straight to the caller; the rest of a piece waits.
        const qsizetype fitting = (qsizetype(size) - Utf16ToUtf8::maxOutput(0)) / 3 * 2;
        const bool direct = fitting >= 16;
        m_wideBytes.resize(direct ? std::min(m_pieceBytes, fitting) : m_pieceBytes);
        const ssize_t got = ::read(m_fd, m_wideBytes.data(), size_t(m_wideBytes.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (!direct)
            m_converted.resize(Utf16ToUtf8::maxOutput(qsizetype(got)));
        char *out = direct ? to : m_converted.data();
        const char *end
            = got == 0 ? m_wide->finish(out) : m_wide->convert(m_wideBytes.constData(), got, out, m_wideForm);
        m_wideEnd = got == 0;
        if (direct) {
            if (end > out || m_wideEnd)
                return end - out;
            continue; // one odd byte, held
        }
        m_convertedPos = 0;
        m_convertedEnd = end - out;
    }
    const qsizetype given = std::min(qsizetype(size), m_convertedEnd - m_convertedPos);
    std::memcpy(to, m_converted.constData() + m_convertedPos, size_t(given));
    m_convertedPos += given;
    return given;
}

std::optional<TextEncoding> SheetStream::narrowEncoding()
{
    if (::lseek(m_fd, 0, SEEK_SET) < 0)
        return std::nullopt;
    EncodingDetection::NarrowTally tally;
    while (true) {
        const ssize_t got = ::read(m_fd, m_bytes.data(), size_t(m_bytes.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        tally.add(QByteArrayView(m_bytes.constData(), qsizetype(got)));
    }
    tally.finish();
    if (tally.mostlyUtf8())
        return std::nullopt;
    return tally.encoding();
}

bool SheetStream::decodeInto(QByteArrayView bytes, QString &text)
{
    const qsizetype old = text.size();
    // Never more characters than bytes, in either encoding.
    text.resize(old + bytes.size());
    auto *out = reinterpret_cast<char16_t *>(text.data()) + old;
    if (m_encoding == TextEncoding::ShiftJis) {
        bool exact = true;
        const char16_t *end = Cp932::decode(bytes, out, exact, m_codeForms);
        m_writesBack = m_writesBack && exact;
        text.resize(old + (end - out));
        return true;
    }
    if (m_encoding == TextEncoding::EucJp) {
        bool exact = true;
        const char16_t *end = EucJp::decode(bytes, out, exact);
        m_writesBack = m_writesBack && exact;
        text.resize(old + (end - out));
        return true;
    }
    // UTF-8, or a UTF-16 file's text as UTF-8.
    const Utf8Decoder::Decoded valid = Utf8Decoder::decode(bytes.data(), size_t(bytes.size()), out);
    text.resize(old + qsizetype(valid.unitsWritten));
    // The column pass found the file to be UTF-8; it changed since if not.
    if (valid.bytesRead == size_t(bytes.size()))
        return true;
    m_status = Status::NotStreamable;
    return false;
}

bool SheetStream::loadPiece(qsizetype want)
{
    // The buffer of the previous piece's text is used again once its rows are done with.
    m_text = m_piece.data.pool();
    m_piece.data = SheetData(1, 1);
    const char lineEnd = char(lineEndChar(m_rule));
    while (true) {
        if (!fill(want)) {
            m_status = Status::NotStreamable;
            return false;
        }
        const char *bytes = m_bytes.constData();
        // The piece's bytes: those wanted, when more were read already.
        const qsizetype available = std::min(m_filled, want);
        const bool last = m_eof && available == m_filled;
        qsizetype pieceEnd = available;
        qsizetype stopByte = 0;
        if (!last) {
            // The piece ends after its last whole line end; its rows are read up to its last line's
            // start, which must be a row's start for them to hold.
            qsizetype end = lastIndexOf(bytes, available, lineEnd);
            if (end == m_filled - 1 && lineEnd == '\r')
                end = lastIndexOf(bytes, end, lineEnd); // the LF that may follow is not read yet
            const qsizetype before = end > 0 ? lastIndexOf(bytes, end, lineEnd) : -1;
            if (before < 0) {
                want = std::max(want * 2, available * 2);
                continue;
            }
            pieceEnd = end + 1 + (lineEnd == '\r' && bytes[end + 1] == '\n' ? 1 : 0);
            stopByte = before + 1 + (lineEnd == '\r' && bytes[before + 1] == '\n' ? 1 : 0);
        }

        m_text.resize(0);
        qsizetype stopAt = 0;
        if (!decodeInto(QByteArrayView(bytes, stopByte), m_text))
            return false;
        stopAt = m_text.size();
        if (!decodeInto(QByteArrayView(bytes + stopByte, pieceEnd - stopByte), m_text))
            return false;
        // Without the sheet's limits only what one piece adds counts against the added text's limit.
        const qsizetype extraBefore = m_sheetLimits ? m_extraChars : 0;
        m_piece = MMS_GRID_CSV_READ::ReadDelimitedPiece(std::move(m_text), stopAt, last, m_rule, m_columns, m_delimited,
                                                        m_firstRow, m_pieceLimits, extraBefore);
        if (m_piece.needsMore) {
            m_text = m_piece.data.pool();
            m_piece = {};
            want = std::max(want * 2, available * 2);
            continue;
        }
        if (m_sheetLimits)
            m_extraChars = m_piece.extraChars;
        if (last) {
            m_filled = 0;
        } else {
            // The next piece starts where the next row does: the piece's last line, or after a limit
            // ended the read (and nothing more is read) a line before it.
            const QStringView text = m_piece.data.pool();
            qsizetype next = stopByte;
            const qsizetype nextLine = std::min(m_piece.nextLine, stopAt);
            for (qsizetype lines = text.sliced(nextLine, stopAt - nextLine).count(QChar(lineEnd)); lines > 0; --lines)
                next = lineStartBefore(bytes, next);
            std::memmove(m_bytes.data(), bytes + next, size_t(m_filled - next));
            m_filled -= next;
        }
        m_pos = 0;
        return true;
    }
}
