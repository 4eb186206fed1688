#pragma once

#include "DelimitedFormat.h"
#include "FileIdentity.h"
#include "FileIntro.h"
#include "LineReader.h"
#include "MMS_GRID_CSV_READ.h"
#include "MessageIcon.h"
#include "SheetData.h"

#include <QByteArray>
#include <QString>

struct LoadMessage
{
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
};

// The message box text, title and icon for each refusal ("読み込めません" / "エラー", …); an
// unreadable file's reason, when known, is the text's second line. A file that is no text is
// named by fileName.
[[nodiscard]] LoadMessage loadRefusalMessage(LoadRefusal refusal, UnreadableReason reason = UnreadableReason::Unknown,
                                             const QString &fileName = {});
// A read that stopped early: the cells read so far are shown, overwrite-save is withdrawn. The
// last line says which rows were read whole (those before firstRowNotRead) and the limits that
// applied to a file of `columns` data columns.
[[nodiscard]] LoadMessage partialReadMessage(int firstRowNotRead, int columns);
// The file holds bytes that would not come back unchanged if the sheet were written over it.
[[nodiscard]] LoadMessage notWritableBackMessage();

// What one read produced: the cells, and the format a save writes them back in.
struct SheetReadResult
{
    SheetData data;
    MMS_GRID_CSV_READ::ReadResult result = MMS_GRID_CSV_READ::ReadResult::Complete;
    SheetFileFormat format;
};

// The load pipeline shared by the window and the command-line companion, so that a file is
// checked and split in one place:
//
//     SheetFileReader reader({DelimiterMode, UserDelimiter});
//     if (reader.open(path) != LoadRefusal::None) …          // length 0, blank delimiter, unreadable
//     if (reader.countColumns() != LoadRefusal::None) …      // the column pass
//     SheetReadResult read = reader.readData();              // Complete, or why it stopped early
//
// The decoded text becomes the cells' text pool, so the reader hands it over: readData() may be
// called once per open().
class SheetFileReader
{
public:
    explicit SheetFileReader(DelimitedFormat format);

    // How the rows may be read; one thread unless set.
    void setReadOptions(const MMS_GRID_CSV_READ::ReadOptions &options)
    {
        m_readOptions = options;
    }

    // The encoding the next open() reads in; nothing to tell it from the bytes.
    void setEncoding(std::optional<TextEncoding> encoding)
    {
        m_chosenEncoding = encoding;
    }

    // Length 0 → Empty; a delimiter that is empty or half-width blanks only → NoDelimiter; a
    // missing file, a folder, a file that cannot be read (or is too large to hold) → Unreadable.
    // A workbook, archive, PDF or a file with NUL bytes that is no UTF-16 → NotText. Otherwise the
    // file is read whole and decoded in the chosen encoding or the one EncodingDetection tells.
    [[nodiscard]] LoadRefusal open(const QString &path);
    // The column pass: Unreadable when a line holds 32767 or more delimiters.
    [[nodiscard]] LoadRefusal countColumns();
    // After open() or countColumns() gave Unreadable, why.
    [[nodiscard]] UnreadableReason unreadableReason() const
    {
        return m_unreadableReason;
    }
    // The message of a read that stopped early, after readData().
    [[nodiscard]] LoadMessage partialReadMessage() const
    {
        return ::partialReadMessage(m_firstRowNotRead, m_pass.columns);
    }
    // After a readData() that stopped early, the first data row it did not read whole; 0
    // otherwise.
    [[nodiscard]] int firstRowNotRead() const
    {
        return m_firstRowNotRead;
    }
    // Reads the decoded text into new cells; runs on any thread. Anything but Complete is a
    // partial read whose data holds the rows read so far.
    [[nodiscard]] SheetReadResult readData();

    // Whether writing the decoded text in the file's encoding gives back the file's bytes exactly.
    // When it does not, saving over the file would change characters the sheet never showed.
    [[nodiscard]] bool writesBackUnchanged() const
    {
        return m_writesBackUnchanged;
    }
    // After open(), what the person should know of how the file was decoded: that a file mostly
    // UTF-8 was read in another encoding. Empty when there is nothing to say.
    [[nodiscard]] QString decodingNote() const
    {
        return m_decodingNote;
    }
    // The column count C of the column pass (data columns, header column not included).
    [[nodiscard]] int columnCount() const
    {
        return m_pass.columns;
    }
    // Lines the column pass found.
    [[nodiscard]] qsizetype lineCount() const
    {
        return m_pass.lines;
    }
    [[nodiscard]] SheetFileFormat format() const
    {
        return m_format;
    }
    // Size of the file as read, in bytes.
    [[nodiscard]] qint64 fileSize() const
    {
        return m_fileSize;
    }
    // The file's identity when open() opened it: what an overwrite later checks for changes made
    // by other programs.
    [[nodiscard]] std::optional<FileIdentity> fileIdentity() const
    {
        return m_identity;
    }

private:
    DelimitedFormat m_delimited;
    QString m_text;
    LineRule m_rule = LineRule::CrOrCrLf;
    MMS_GRID_CSV_READ::ColumnPass m_pass;
    MMS_GRID_CSV_READ::ReadOptions m_readOptions;
    SheetFileFormat m_format;
    qint64 m_fileSize = 0;
    std::optional<FileIdentity> m_identity;
    int m_firstRowNotRead = 0;
    UnreadableReason m_unreadableReason = UnreadableReason::Unknown;
    bool m_opened = false;
    bool m_writesBackUnchanged = true;
    std::optional<TextEncoding> m_chosenEncoding;
    QString m_decodingNote;
};
