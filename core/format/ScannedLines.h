#pragma once

#include "ByteCounts.h"
#include "LineReader.h"
#include "OpenedText.h"
#include "Utf8Validator.h"

#include <QByteArray>

#include <limits>
#include <optional>
#include <string_view>

// The lines of a file's text from a line start on, read once, each piece scanned as it is read
// for what the column pass finds (the delimiters and line ends, whether the bytes are UTF-8,
// whether a quote is among them), so that the lines can be used before the whole file was looked
// at. What the scan finds decides at the end whether the lines were cut as a read of the whole
// file cuts them (holds()); a piece found not to hold ends the lines early.
//
// Each line is given without its line end, and holds until the next call. Only UTF-8 text is
// read: the caller leaves a file whose head says otherwise to the column pass.
class ScannedLines
{
public:
    // From byte `from` of the file, a line start under `rule`, up to byte `until` (a line start
    // too) or the text's end. `quote`: the byte whose presence does not hold (0 for none).
    // `scans`: whether the pieces are scanned; a caller that knows most of the bytes to be another
    // text's, scanned there, looks at the others itself.
    ScannedLines(const OpenedText &file, qint64 from, qint64 until, LineRule rule, qsizetype pieceBytes, char quote,
                 bool scans = true);

    // The next line; false after the last, or once a piece did not hold.
    [[nodiscard]] bool next(std::string_view &line);
    // next(), where the line is likely `other` (a line of a text under the same rule): `same` says
    // whether it is, found without looking for the line's end.
    [[nodiscard]] bool nextLike(std::string_view other, std::string_view &line, bool &same);
    // Where the next line starts in the file (its end, after the last).
    [[nodiscard]] qint64 nextLineStart();

    // Whether what was read so far holds: at the end of the text, the whole text from `from` on.
    [[nodiscard]] bool holds() const
    {
        return m_holds;
    }
    // Whether the text was read to its end.
    [[nodiscard]] bool atEnd() const
    {
        return m_eof;
    }
    // The bytes read end at `until`, which ends a line: the scan of them ends there.
    void endAtUntil();
    // Reads on past `until`, to the text's end.
    void readPastUntil()
    {
        m_until = std::numeric_limits<qint64>::max();
        m_pastUntil = false;
    }
    // What the scan counted in the bytes read.
    [[nodiscard]] const ByteCounts &counts() const
    {
        return m_counts;
    }
    [[nodiscard]] char lineEnd() const
    {
        return m_lineEnd;
    }

private:
    // Reads and scans the next piece after the bytes held, keeping those from m_pos on; false at
    // the text's end or where a piece did not hold.
    bool fill();
    // Passes over the LF of a CR LF line end.
    void settle();

    const OpenedText &m_file;
    qint64 m_offset; // where the next piece is read from
    qint64 m_until;
    bool m_pastUntil = false; // a line was wanted past `until`: next() gave none
    bool m_scans;
    qsizetype m_pieceBytes;
    char m_quote;
    LineRule m_rule;
    char m_lineEnd;
    QByteArray m_bytes;
    qsizetype m_filled = 0;
    qsizetype m_pos = 0;
    bool m_afterCr = false; // an LF that comes next belongs to the line end before
    bool m_eof = false;
    bool m_holds = true;
    ByteCounts m_counts;
    Utf8Validator m_utf8;
};

// The line rule a text is taken to have: any CR among its first bytes settles CR, and without one
// LF is likely; the scan of the whole text tells whether that held (holds()).
[[nodiscard]] std::optional<LineRule> guessedLineRule(const OpenedText &file);

// The most marks on one line of a text scanned in two stretches that meet at a line start.
[[nodiscard]] qint64 mostMarksOf(const ByteCounts &earlier, const ByteCounts &later);

// The start of a line that starts at or after byte `at` of the text (whose lines end under `rule`),
// the first mostly, looked for within `within` bytes; nothing when there is none there.
[[nodiscard]] std::optional<qint64> lineStartFrom(const OpenedText &file, qint64 at, LineRule rule, qsizetype within);
