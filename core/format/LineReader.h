#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// How a sheet file's text is cut into lines. A line ends at CR LF or at a lone CR; a lone LF stays
// part of the line's text, except in a text without any CR, which is cut at LF (files written on
// this system). A line end at the very end of the text adds no further line, and an empty text has
// no lines.
enum class LineRule { CrOrCrLf, Lf };

// The character that ends a line under the rule (a CR may take the LF after it along).
[[nodiscard]] constexpr char16_t lineEndChar(LineRule rule)
{
    return rule == LineRule::Lf ? u'\n' : u'\r';
}

// The rule for one file's whole text.
[[nodiscard]] LineRule lineRuleFor(QStringView text);

// Reads lines of a text in order, without copying.
class LineReader
{
public:
    LineReader(QStringView text, LineRule rule)
        : m_text(text)
        , m_rule(rule)
    {
    }

    [[nodiscard]] bool atEnd() const
    {
        return m_pos >= m_text.size();
    }
    // Where the next line starts in the text.
    [[nodiscard]] qsizetype position() const
    {
        return m_pos;
    }
    // The next line without its line end, or nothing at the end of the text.
    std::optional<QStringView> next();

private:
    QStringView m_text;
    LineRule m_rule;
    qsizetype m_pos = 0;
};
