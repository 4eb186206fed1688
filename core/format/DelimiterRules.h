#pragma once

#include <QString>
#include <QStringView>

// What makes a delimiter: the rules the delimiter dialog applies as it is typed in and saved, and
// the command-line companion applies to --delimiter.

// The two options of the delimiter dialog; the index is the DelimiterMode they store.
enum class DelimiterOption { Comma = 0, Delimiter = 1 };

// Characters of a delimiter as the person counts them: a character outside the BMP (two UTF-16
// units) is one, as is a lone surrogate.
[[nodiscard]] qsizetype delimiterLength(QStringView text);

// The delimiter box's limit of maxChars characters, applied to text just changed with the caret at
// caret: characters beyond the limit are dropped from those just before the caret (the last ones
// typed or pasted), whole, so that a character outside the BMP is never cut in half.
void limitDelimiterText(QString &text, int &caret, qsizetype maxChars);

// Empty, or half-width blanks only. Other white space (a TAB, a full-width blank) is a delimiter.
[[nodiscard]] bool isBlankDelimiter(const QString &text);
