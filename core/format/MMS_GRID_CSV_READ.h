#pragma once

#include "DelimitedFormat.h"
#include "LineReader.h"
#include "SheetData.h"

#include <QString>
#include <QStringView>

// Turns a delimited text into the cells of a sheet.
//
// Two field modes: the comma mode (mode 0) reads one row per record and understands double-quoted
// fields as spreadsheet programs write them (CommaFieldReader); the delimiter mode (any other mode)
// cuts each line at every occurrence of the user's delimiter and takes the pieces literally,
// blanks and quotes included. Row 0 holds the labels "1列", "2列", …, column 0 the labels "1行",
// "2行", …; cell (0, 0) is empty.
namespace MMS_GRID_CSV_READ
{

// How a read ended. Anything but Complete is a partial read: the cells read so far stay.
enum class ReadResult {
    Complete,
    Overflow, // a row or column past 32767, as the grid's Rows or Cols would refuse it
    OutOfMemory, // past what the sheet can hold: its cells, or the text they point into
    PastEnd, // a quoted field is never closed: the read ends at the row it opens in (comma mode)
};

// Text a read may add to the pool beyond the file's own: the header labels and the fields that are
// not one slice of the file (a quoted field with text after its closing quote, or one that runs
// over line ends). A quote left open at the top of a large file would otherwise copy the whole
// file with its padding commas into one cell; past this the read ends as one past the sheet's
// capacity.
inline constexpr qsizetype kMaxExtraChars = qsizetype(64) * 1024 * 1024;

// What the column pass found.
struct ColumnPass
{
    bool ok = false; // false: a record holds 32767 or more delimiters
    int columns = 0; // C: the most fields in a record
    qsizetype lines = 0; // records of the text: its lines, but for line ends inside quoted fields
    LineEnd lineEnd = LineEnd::CrLf; // the most common line end, CR LF on a tie
};

// The column pass: counts the delimiters of every record (in the comma mode the commas outside
// quoted fields, otherwise every occurrence of delimiter on a line, overlapping ones included).
[[nodiscard]] ColumnPass CountColumns(QStringView text, LineRule rule, const DelimitedFormat &format);

// How a read may use the processor.
struct ReadOptions
{
    // Threads a large text's rows may be read on at once (1 or 2). The command-line companion
    // reads its two files at once and keeps to one each; the window reads one file and has the
    // second core free.
    int threads = 1;
    // Below twice this many characters a text is read on one thread.
    qsizetype minCharsPerThread = qsizetype(1) << 20;
};

struct ReadOutcome
{
    SheetData data;
    ReadResult result = ReadResult::Complete;
    // The first data row not read whole (the row limit's 32767, or the row a full sheet or the
    // end of the data cut short), 1 when nothing was read; 0 after a complete read.
    int firstRowNotRead = 0;
};

// Reads text into new sheet data with C = pass.columns data columns. The text becomes the data's
// text pool, cells are slices of it. On a partial read the data holds the rows read so far (the
// last one possibly incomplete); a column count past 32766 leaves one row and one column. Runs on any thread.
[[nodiscard]] ReadOutcome ReadDelimitedText(QString text, LineRule rule, const ColumnPass &pass,
                                            const DelimitedFormat &format, const ReadOptions &options = {});

// Reading a text a piece at a time, for a program that looks at each row once and keeps none: the
// rows come out of the same row readers as ReadDelimitedText's, so both reads always agree.
//
// A piece starts at a row's start, which is always a line start. A piece that is not the text's last part is read until
// a row would start at or after `stopAt`, the start of its last line: its rows are certain when the read stopped there
// without meeting the text's end (a quoted field that runs past the piece meets it). Otherwise the
// piece must be read again with more text after it.
struct PieceLimits
{
    qsizetype maxDataRows = kMaxRowCol - 1; // a row past it ends the read, as in ReadDelimitedText
    int maxColumns = kMaxRowCol - 1; // C past it: nothing is read
};

// The limits ReadDelimitedText applies to a text of C = columns.
[[nodiscard]] PieceLimits sheetLimits(int columns);
// The sheet's limits, or without them the most any read holds: rows up to the largest number and
// a sheet's cells in columns.
[[nodiscard]] PieceLimits readLimits(int columns, bool sheetLimits);

struct PieceOutcome
{
    SheetData data; // row k (k >= 1) holds data row firstRow + k - 1; row 0 holds nothing
    int rowsRead = 0; // rows in data besides row 0, a last one cut short included
    bool needsMore = false; // the piece ended inside a row: nothing of it counts
    // How the whole read ended, when it did: always for the last piece; for another one only when a
    // limit ended it (final is then true).
    ReadResult result = ReadResult::Complete;
    bool final = false;
    bool lastRowWhole = true;
    qsizetype extraChars = 0; // text the pieces read so far added (labels, joined fields)
    // Where the next row starts in the text, when the piece is not the last: stopAt.
    qsizetype nextLine = 0;
};

// Reads one piece (see above). extraCharsBefore is the previous outcome's extraChars, or for the
// first piece columnLabelChars(C). The text becomes the data's pool, also when the piece needs
// more.
[[nodiscard]] PieceOutcome ReadDelimitedPiece(QString text, qsizetype stopAt, bool last, LineRule rule, int columns,
                                              const DelimitedFormat &format, int firstRow, const PieceLimits &limits,
                                              qsizetype extraCharsBefore);

// The characters the header row's labels take in a sheet of C = columns.
[[nodiscard]] qsizetype columnLabelChars(int columns);

} // namespace MMS_GRID_CSV_READ
