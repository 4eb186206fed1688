#pragma once

#include <QString>
#include <QStringView>

// The lines of clipboard text: every line, the last one included, ends with CR LF, and a CR or
// LF on its own is an ordinary character. Text after the last CR LF is not a line.
namespace MTXT_LINE
{

enum class TextLineStatus {
    Found, // the line exists and ends with CR LF
    NoLineEnd, // no CR LF follows the start of the line: the end of the usable text
    NoSuchLine, // fewer than n - 1 CR LF pairs: the line starts nowhere
    Failed,
};

// Line n (1-based) of `text` into `line`, without its CR LF. `line` is emptied unless the status
// is Found.
[[nodiscard]] TextLineStatus GetTextLine(QStringView text, qsizetype n, QString &line);

// Walks the lines of a text in one pass, with GetTextLine's rule: line after line while each
// ends with CR LF. Text without any CR at all (as most programs here put it on the clipboard) is
// cut at LF instead, with the same rule that text after the last line end is ignored.
class LineCursor
{
public:
    explicit LineCursor(QStringView text);
    // The next line, or false at the end of the usable text.
    [[nodiscard]] bool next(QStringView &line);

private:
    QStringView m_text;
    QStringView m_lineEnd;
    qsizetype m_position = 0;
};

} // namespace MTXT_LINE
