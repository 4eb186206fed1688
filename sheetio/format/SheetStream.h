#pragma once

#include "LineReader.h"
#include "MMS_GRID_CSV_READ.h"
#include "SheetData.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// A sheet file read a row at a time, for a program that looks at every row once and keeps none of
// them: memory holds one piece of the file (about pieceBytes, more when one row needs more), never
// the whole file. The rows are those SheetFileReader would put into a sheet: the column pass, the
// decoding and the row readers are the same, and a file this class cannot read exactly so is left
// to SheetFileReader (open() or next() say so).
//
//     SheetStream stream(DelimiterMode, UserDelimiter);
//     if (stream.open(path) != SheetStream::Status::Ready) …   // SheetFileReader's turn
//     while (stream.next()) … stream.cell(col) …
//     if (stream.status() == SheetStream::Status::Restart) …   // the file turned out Shift-JIS:
//                                                             // rewind() and read again
//
// Two passes over the file's bytes: the column pass counts delimiters and line ends in the bytes
// (only for a delimiter that no encoding the file may be in can hide inside a character), the
// second decodes a piece at a time into a reused buffer.
class SheetStream
{
public:
    enum class Status {
        Ready, // open, or rows to come
        End, // every row was delivered; result() says how the read ended
        Restart, // the file is not UTF-8 after all: rewind() and read it again as Shift-JIS
        NotStreamable, // leave the file to SheetFileReader (refused, or a case only it reads exactly)
    };

    // sheetLimits: the sheet's row and column limits and SheetFileReader's largest file apply;
    // without them a file of any size is read whole.
    SheetStream(int delimiterMode, QString userDelimiter, bool sheetLimits = true);
    ~SheetStream();
    SheetStream(const SheetStream &) = delete;
    SheetStream &operator=(const SheetStream &) = delete;

    // Bytes read and decoded at a time; tests make it small to cut files in many pieces.
    void setPieceBytes(qsizetype bytes)
    {
        m_pieceBytes = std::max<qsizetype>(bytes, 16);
    }

    // Opens the file and runs the column pass over its bytes.
    [[nodiscard]] Status open(const QString &path);
    // Back to the first row (after Restart, the file is then read as Shift-JIS).
    [[nodiscard]] Status rewind();
    // Moves to the next row; false at the end of the rows or when status() is no longer Ready.
    [[nodiscard]] bool next();
    [[nodiscard]] Status status() const
    {
        return m_status;
    }

    // The current row's data number (1 for the file's first row) and its cell texts, col 1..C.
    [[nodiscard]] int row() const
    {
        return m_firstRow + m_rowInPiece - 1;
    }
    [[nodiscard]] QStringView cell(int col) const
    {
        return m_piece.data.text(m_rowInPiece, col);
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
    [[nodiscard]] TextEncoding encoding() const
    {
        return m_encoding;
    }
    // Whether writing the decoded text gives back the file's bytes, at End.
    [[nodiscard]] bool writesBackUnchanged() const
    {
        return m_writesBack;
    }

private:
    bool fill(qsizetype want);
    bool loadPiece();
    bool decodeInto(QByteArrayView bytes, QString &text);
    void finish(MMS_GRID_CSV_READ::ReadResult result);

    int m_mode;
    QString m_delimiter;
    bool m_sheetLimits;
    int m_fd = -1;
    qsizetype m_pieceBytes = qsizetype(1) << 20;
    Status m_status = Status::NotStreamable;

    // From the column pass.
    int m_columns = 0;
    int m_cols = 1;
    LineRule m_rule = LineRule::CrOrCrLf;
    bool m_marked = false; // starts with the UTF-8 byte order mark
    bool m_markSafeInShiftJis = true; // the delimiter cannot be the second byte of a Shift-JIS character

    // The second pass.
    TextEncoding m_encoding = TextEncoding::Utf8;
    QByteArray m_bytes; // bytes read and not yet given to rows, from a line start on
    qsizetype m_filled = 0;
    bool m_eof = false;
    QString m_text; // the reused decoding buffer
    MMS_GRID_CSV_READ::PieceOutcome m_piece;
    MMS_GRID_CSV_READ::PieceLimits m_pieceLimits;
    int m_firstRow = 1;
    int m_rowInPiece = 0;
    int m_rowsUsed = 1;
    bool m_lastPiece = false;
    qsizetype m_extraChars = 0;
    MMS_GRID_CSV_READ::ReadResult m_result = MMS_GRID_CSV_READ::ReadResult::Complete;
    bool m_writesBack = true;
};
