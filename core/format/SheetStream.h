#pragma once

#include "Cp932.h"

#include "FieldSplitter.h"
#include "FileIdentity.h"
#include "LineReader.h"
#include "MMS_GRID_CSV_READ.h"
#include "SheetData.h"
#include "Utf16ToUtf8.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

// How the fields of a raw line are cut: at every delimiter byte, in the comma mode without the
// blanks a field starts with, and there, on a line that holds a double quote, by
// FieldSplitter::commaFieldAt as the reader cuts them (RawFieldCursor).
struct RawFields
{
    char delimiter = ',';
    bool skipLeadingBlanks = true;

    // The field `text` holds, on a line without a double quote.
    [[nodiscard]] std::string_view field(std::string_view text) const
    {
        if (skipLeadingBlanks) {
            const size_t start = text.find_first_not_of(' ');
            return start == std::string_view::npos ? std::string_view() : text.substr(start);
        }
        return text;
    }
};

// A raw line's fields from the start on; past its last field every field is empty. A field taken
// from a line with quotes may be put together in the cursor's own buffer, and holds until the next
// take().
class RawFieldCursor
{
public:
    RawFieldCursor() = default;
    // `quoted`: the comma mode's line holds a double quote (SheetStream::rawLineQuoted()).
    RawFieldCursor(std::string_view line, RawFields fields, bool quoted)
        : m_rest(line)
        , m_fields(fields)
        , m_quoted(quoted && fields.skipLeadingBlanks)
    {
    }

    [[nodiscard]] bool ended() const
    {
        return m_ended;
    }
    [[nodiscard]] bool quoted() const
    {
        return m_quoted;
    }
    [[nodiscard]] char delimiter() const
    {
        return m_fields.delimiter;
    }
    // The line from the next field on.
    [[nodiscard]] std::string_view rest() const
    {
        return m_rest;
    }
    // Passes over the next bytes, which must end just after a delimiter that ends a field.
    void skip(size_t bytes)
    {
        m_rest.remove_prefix(bytes);
    }
    void end()
    {
        m_rest = {};
        m_ended = true;
    }

    std::string_view take()
    {
        if (m_ended)
            return {};
        if (!m_quoted) {
            const size_t end = m_rest.find(m_fields.delimiter);
            const std::string_view field = m_fields.field(m_rest.substr(0, end));
            if (end == std::string_view::npos)
                this->end();
            else
                m_rest.remove_prefix(end + 1);
            return field;
        }
        const qsizetype size = qsizetype(m_rest.size());
        const FieldSplitter::CommaField found = FieldSplitter::commaFieldAt(m_rest.data(), 0, size, ',');
        std::string_view field;
        if (found.unclosed) {
            field = m_rest.substr(size_t(found.start)); // not a raw line's: the rest is the field
        } else if (found.isSlice()) {
            field = m_rest.substr(size_t(found.start), size_t(found.sliceLength()));
        } else {
            m_text.clear();
            FieldSplitter::appendFieldText(m_rest.data(), found,
                                           [this](const char *bytes, qsizetype n) { m_text.append(bytes, size_t(n)); });
            field = m_text;
        }
        if (found.end >= size)
            end();
        else
            m_rest.remove_prefix(size_t(found.end) + 1);
        return field;
    }

private:
    std::string_view m_rest;
    RawFields m_fields;
    bool m_quoted = false;
    bool m_ended = false;
    std::string m_text;
};

// A sheet file read a row at a time, for a program that looks at every row once and keeps none of
// them: memory holds one piece of the file (about pieceBytes, more when one row needs more), never
// the whole file. The rows are those SheetFileReader would put into a sheet: the column pass, the
// decoding and the row readers are the same, and a file this class cannot read exactly so is left
// to SheetFileReader (open() or next() say so).
//
//     SheetStream stream({DelimiterMode, UserDelimiter});
//     if (stream.open(path) != SheetStream::Status::Ready) …   // SheetFileReader's turn, or no rows
//     while (stream.next()) {
//         if (stream.isRawRow()) … stream.rawLine() …          // or stream.decodeRow(), then
//         … stream.cell(col) …
//     }
//
// Two passes over the file's bytes. The first counts delimiters and line ends in the bytes (only
// for a delimiter that no encoding the file may be in can hide inside a character) and checks
// whether they are UTF-8. The second hands out the rows. A UTF-16 file is read as the UTF-8 its
// units make, converted as the bytes are read, and is then a UTF-8 file to both passes (a
// surrogate half alone becomes U+FFFD, as SheetFileReader reads it). In a UTF-8 file a row that is one line
// (every row in the delimiter mode, a record of the comma mode that ends at its line's end) comes
// as its raw bytes, which a caller compares without decoding them; every other row comes decoded,
// from the reader's row readers. The fields of a raw line are RawFieldCursor's.
class SheetStream
{
public:
    enum class Status {
        Ready, // open, or rows to come
        End, // every row was delivered; result() says how the read ended
        NotStreamable, // leave the file to SheetFileReader (refused, or a case only it reads exactly)
        // The file is no longer the one the first pass read (its size, modification time or inode
        // changed): what the passes found does not belong together, and nothing of it holds.
        Changed,
    };

    // sheetLimits: the sheet's row and column limits and SheetFileReader's largest file apply;
    // without them a file of any size is read whole.
    explicit SheetStream(DelimitedFormat format, bool sheetLimits = true);
    ~SheetStream();
    SheetStream(const SheetStream &) = delete;
    SheetStream &operator=(const SheetStream &) = delete;

    // The buffer's size: about pieceBytes, more while a row needs more.
    [[nodiscard]] qsizetype bufferBytes() const
    {
        return m_bytes.size();
    }
    // Bytes read and decoded at a time; tests make it small to cut files in many pieces.
    void setPieceBytes(qsizetype bytes)
    {
        m_pieceBytes = std::max<qsizetype>(bytes, 16);
    }

    // Opens the file and runs the column pass over its bytes.
    [[nodiscard]] Status open(const QString &path);
    // Back to the first row; Changed when the file changed since open().
    [[nodiscard]] Status rewind();
    // Moves to the next row; false at the end of the rows or when status() is no longer Ready.
    [[nodiscard]] bool next();
    // next(), where the row is likely the same line as `other`'s raw row: when its bytes are that
    // line's, both read under one line rule, the line end is not searched for and
    // isSameLine() says so.
    [[nodiscard]] bool nextLike(const SheetStream &other);
    // Whether the current row is a raw line of the same bytes as the raw row nextLike() was given.
    [[nodiscard]] bool isSameLine() const
    {
        return m_sameLine;
    }
    [[nodiscard]] Status status() const
    {
        return m_status;
    }

    // The current row's data number (1 for the file's first row).
    [[nodiscard]] int row() const
    {
        return m_row;
    }
    // Whether the current row is a raw line; its bytes, without the line end.
    [[nodiscard]] bool isRawRow() const
    {
        return m_rawRow;
    }
    [[nodiscard]] QByteArrayView rawLine() const
    {
        return QByteArrayView(m_bytes.constData() + m_lineStart, m_lineSize);
    }
    // Whether the raw row holds a double quote (the comma mode only): its fields are then cut
    // quote by quote.
    [[nodiscard]] bool rawLineQuoted() const
    {
        return m_rawQuoted;
    }
    // The current raw row's fields.
    [[nodiscard]] RawFieldCursor rawFieldCursor() const
    {
        const QByteArrayView line = rawLine();
        return RawFieldCursor({line.data(), size_t(line.size())}, rawFields(), m_rawQuoted);
    }
    // Reads a raw row's cells as the reader would, for cell(); nothing to do for another row.
    void decodeRow();
    // The current row's cell texts, col 1..C; a raw row's after decodeRow() only.
    [[nodiscard]] QStringView cell(int col) const
    {
        return m_rawRow ? m_rawCells.data.text(1, col) : m_piece.data.text(m_rowInPiece, col);
    }

    // The sheet's Rows and Cols, header included: Rows is known at the end only.
    [[nodiscard]] int rows() const
    {
        return m_rowsUsed;
    }
    [[nodiscard]] int cols() const
    {
        return m_cols;
    }
    // How the read ended, at End.
    [[nodiscard]] MMS_GRID_CSV_READ::ReadResult result() const
    {
        return m_result;
    }
    // At End after a read that stopped early, the first data row not read whole; 0 otherwise.
    [[nodiscard]] int firstRowNotRead() const
    {
        if (m_result == MMS_GRID_CSV_READ::ReadResult::Complete)
            return 0;
        return m_lastRowWhole ? m_rowsUsed : m_rowsUsed - 1;
    }
    // The column count C of the column pass.
    [[nodiscard]] int columnCount() const
    {
        return m_columns;
    }
    [[nodiscard]] TextEncoding encoding() const
    {
        return m_encoding;
    }
    // How a raw line's fields are cut.
    [[nodiscard]] RawFields rawFields() const
    {
        return {m_markByte, m_delimited.commaMode()};
    }
    // Whether writing the decoded text gives back the file's bytes, at End.
    [[nodiscard]] bool writesBackUnchanged() const
    {
        return m_writesBack;
    }

    // Reading on from a line within the file, for a second stream on another core. Only a UTF-8
    // file whose every row is one line given raw can be read so: its row n starts after its
    // (n - 1)th line end, which the column pass's counts find without reading the rows before.
    //
    // The row whose line starts about the middle of the file's text; 0 when the file cannot be
    // read on from within.
    [[nodiscard]] int middleRow() const;
    // The bytes of text the column pass read.
    [[nodiscard]] qint64 textBytes() const
    {
        return m_checkpoints.empty() ? 0 : m_checkpoints.back().offset;
    }
    // A stream of its own over the same file, right after open() or rewind(), that gives the rows
    // from `row` on as this one gives them after row - 1. Nothing when it cannot: no such row, a
    // file that cannot be read on from within, or one that changed since open().
    [[nodiscard]] std::unique_ptr<SheetStream> restFrom(int row) const;
    // Whether the open file, and the file its name now leads to, are still the one open() read.
    [[nodiscard]] bool fileUnchanged() const
    {
        return unchanged();
    }

private:
    bool fill(qsizetype want);
    // Reads the rows of a piece from the start of the buffer on, at first up to about `want` bytes.
    bool loadPiece(qsizetype want);
    // next(); `like`, when given, is a raw line of another stream under the same line rule that the
    // row may repeat.
    bool nextRow(const SheetStream *like);
    bool nextRawRow(const SheetStream *like);
    // Drops the buffer's bytes before m_pos.
    void compact();
    // The start of the line before the one that starts at lineStart in bytes.
    [[nodiscard]] qsizetype lineStartBefore(const char *bytes, qsizetype lineStart) const;
    bool decodeInto(QByteArrayView bytes, QString &text);
    // The file's text as read(2) gives bytes: a UTF-16 file's as UTF-8, converted as it is read.
    // Reads the text on from where it stands into m_bytes, a piece at a time, handing each to
    // use(const char *, qsizetype); false on a read error.
    template<typename Use>
    bool readPieces(Use &&use);
    ssize_t readText(char *to, size_t size);
    // Back to the start of the file's text, after its byte order mark.
    bool seekToText();
    // Shift-JIS or EUC-JP, for a file that is not UTF-8; nothing when it is UTF-8 but for a few bytes.
    std::optional<TextEncoding> narrowEncoding();
    void finish(MMS_GRID_CSV_READ::ReadResult result);
    // Whether the open file, and the file its name now leads to, are still the one open() read.
    [[nodiscard]] bool unchanged() const;
    [[nodiscard]] bool readsFromWithin() const;
    // Where the line after the first `lineEnds` line ends starts, from the text's start.
    [[nodiscard]] std::optional<qint64> lineStartAfter(qint64 lineEnds) const;

    DelimitedFormat m_delimited;
    bool m_sheetLimits;
    int m_fd = -1;
    QByteArray m_name; // the system's name of the file
    std::optional<FileIdentity> m_identity; // the file's identity when it was opened
    qsizetype m_pieceBytes = qsizetype(256) * 1024;
    Status m_status = Status::NotStreamable;

    // From the column pass.
    int m_columns = 0;
    int m_cols = 1;
    LineRule m_rule = LineRule::CrOrCrLf;
    bool m_marked = false; // starts with the UTF-8 byte order mark
    bool m_markSafeInShiftJis = true; // the delimiter cannot be the second byte of a Shift-JIS character
    char m_markByte = ',';
    qint64 m_textStart = 0; // the byte order mark's size
    std::optional<Utf16ToUtf8> m_wide; // a UTF-16 file
    bool m_wideExact = true; // its units are all characters
    Utf16ToUtf8::Form m_wideForm = Utf16ToUtf8::Form::Utf8;
    QByteArray m_wideBytes; // its bytes as read
    QByteArray m_converted; // and as UTF-8, handed out from m_convertedPos on
    qsizetype m_convertedPos = 0;
    qsizetype m_convertedEnd = 0;
    bool m_wideEnd = false;

    // The second pass.
    TextEncoding m_encoding = TextEncoding::Utf8;
    QByteArray m_bytes; // bytes read and not yet given to rows, from a line start on
    qsizetype m_filled = 0;
    bool m_eof = false;
    QString m_text; // the reused decoding buffer
    MMS_GRID_CSV_READ::PieceOutcome m_piece;
    MMS_GRID_CSV_READ::PieceLimits m_pieceLimits;
    int m_firstRow = 1; // the data number of the piece's first row, or of the next raw row
    int m_rowInPiece = 0;
    int m_row = 0;
    bool m_rawRows = false; // a UTF-8 file: one-line rows come raw
    bool m_rawRow = false;
    bool m_rawQuoted = false;
    bool m_sameLine = false; // the raw row is nextLike()'s line
    // The column pass's line ends before each of its pieces (the CRs and the LFs apart, as the
    // line rule is known at the end only), and last their totals; empty where the pass left them
    // uncounted.
    struct LineCheckpoint
    {
        qint64 offset = 0; // from the text's start
        qint64 crs = 0;
        qint64 lfs = 0;
    };
    std::vector<LineCheckpoint> m_checkpoints;
    // The line ends before a checkpoint under the file's line rule.
    [[nodiscard]] qint64 lineEndsBefore(const LineCheckpoint &point) const
    {
        return m_rule == LineRule::CrOrCrLf ? point.crs : point.lfs;
    }
    bool m_anyQuote = false; // the comma mode's column pass met a double quote
    // The column pass found every quoted field ending on its own line.
    bool m_quotedLinesAlone = false;
    // ...and the file is too small for the reader's added text to reach its limit, so that a
    // quoted line is taken raw without a walk over its fields.
    bool m_quotedLinesFit = false;
    qsizetype m_pos = 0; // where the next raw row starts in m_bytes
    qsizetype m_quotedPieceBytes = 0; // the least a piece read for a line with a quote takes
    qsizetype m_lineStart = 0;
    qsizetype m_lineSize = 0;
    MMS_GRID_CSV_READ::PieceOutcome m_rawCells; // the current raw row, decoded
    int m_rowsUsed = 1;
    bool m_lastRowWhole = true;
    qsizetype m_extraChars = 0;
    MMS_GRID_CSV_READ::ReadResult m_result = MMS_GRID_CSV_READ::ReadResult::Complete;
    bool m_writesBack = true;
    Cp932::CodeForms m_codeForms; // which of the duplicate Shift-JIS codes the file uses
};
