#pragma once

#include "LineReader.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace MCsvHenKan
{

// One line of the comma mode's padded copy.
struct PaddedLine
{
    QStringView text; // the source line, without its line end
    qsizetype start = 0; // where text starts in the source
    int padding = 0; // commas appended after text; the copy's line then ends with CR LF
    std::vector<qsizetype> commas; // positions of the line's own commas in text, ascending
};

// The comma mode's padded copy of a text: every line carries exactly C - 1 commas (a line with
// fewer gets the missing ones appended at its end) and ends with CR LF, so that reading C fields
// per row walks the copy in step with its lines as long as no field holds a comma.
//
// The copy is made in memory one line at a time as the field reader asks for it, instead of being
// written to a file first; each source character is looked at once.
class PadCommaLines
{
public:
    enum class Step { Line, End, TooManyCommas };

    // Starts at `from`, which must be a line start.
    PadCommaLines(int columns, QStringView source, LineRule rule, qsizetype from = 0);

    // Moves to the next line of the copy. TooManyCommas: the line holds more than C commas, the
    // copy cannot be made.
    Step next();
    [[nodiscard]] const PaddedLine &line() const
    {
        return m_line;
    }

    // The whole copy as text, for tools and checks; nothing when a line holds more than C commas.
    [[nodiscard]] static std::optional<QString> copy(int columns, QStringView source, LineRule rule);

private:
    int m_columns;
    QStringView m_source;
    char16_t m_lineEnd;
    bool m_crLf;
    qsizetype m_pos = 0;
    PaddedLine m_line;
};

} // namespace MCsvHenKan
