#pragma once

#include <QString>
#include <QStringView>

namespace MCHAR_GET
{

// Field n (n >= 1) of a line cut at every occurrence of delimiter, compared exactly. Field 1 is the
// text before the first delimiter (the whole line when there is none); field n is found by
// searching the delimiter n - 1 times, each search starting one character after the previous
// match's start (a character outside the BMP is one, never half a surrogate pair), and runs to
// the next delimiter at or after that point. For a one-character delimiter that is the plain n-th
// field; with a longer delimiter the rest of a delimiter becomes part of the next field. A field
// past the last delimiter is empty, as is every field of an empty delimiter but the first (the
// whole line).
[[nodiscard]] QString GetField(QStringView line, QStringView delimiter, int n);
// The same field as a slice of line, without a copy.
[[nodiscard]] QStringView GetFieldView(QStringView line, QStringView delimiter, int n);
// UTF-16 units of the delimiter's first character: 2 for a surrogate pair, otherwise 1.
[[nodiscard]] qsizetype firstCharSize(QStringView delimiter);

} // namespace MCHAR_GET
