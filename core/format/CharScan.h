#pragma once

#include <QtGlobal>

// Scans over UTF-16 text for the few characters the reader cares about (a delimiter, a line end),
// eight characters at a time where the processor allows. A file's text is scanned two or three
// times on every load, so these loops are most of a load's own work.
namespace CharScan
{

// Position of the first `a` or `b` in chars[from, size); size when there is neither.
[[nodiscard]] qsizetype findEither(const char16_t *chars, qsizetype from, qsizetype size, char16_t a, char16_t b);

// What one pass over a text found about its lines.
struct LineCounts
{
    qint64 mostMarks = 0; // the most `mark` characters on one line
    qsizetype lines = 0;
    qsizetype crLfEnds = 0; // lines ending in CR LF, when CR ends lines
    qsizetype crEnds = 0; // lines ending in a lone CR, when CR ends lines
};

// Counts the lines of chars[0, size) ending at `lineEnd` (a CR also takes the LF after it when
// lineEnd is CR) and the `mark` characters on each; a last line without a line end counts when it
// holds a character.
[[nodiscard]] LineCounts countLines(const char16_t *chars, qsizetype size, char16_t lineEnd, char16_t mark);

} // namespace CharScan
