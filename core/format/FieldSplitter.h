#pragma once

#include "CharScan.h"

#include <QtGlobal>

#include <cstring>

// Where the fields of delimited text lie, in UTF-16 text (the stored read) and in UTF-8 bytes (the
// streamed read, the raw-line comparison and the row hashing) alike, so that every reader cuts the
// same fields.
//
// The comma mode: blanks before a field are skipped (older files pad their columns with them). A
// field that then starts with a double quote runs to the matching closing quote: commas and line
// ends inside it belong to it, and a doubled quote inside it is one quote. Text between the closing
// quote and the next comma or line end is kept after the quoted text. Any other field runs to the
// next comma or line end, quotes and trailing blanks included.
//
// The delimiter mode takes each piece between two delimiters literally, blanks and quotes included.
namespace FieldSplitter
{

// The first `a` or `b` in chars[from, size); size when there is neither.
template<typename Char>
[[nodiscard]] inline qsizetype findEither(const Char *chars, qsizetype from, qsizetype size, Char a, Char b)
{
    if constexpr (sizeof(Char) == 2) {
        return CharScan::findEither(chars, from, size, a, b);
    } else {
        if (a == b) {
            const void *at = from < size ? std::memchr(chars + from, a, size_t(size - from)) : nullptr;
            return at ? static_cast<const Char *>(at) - chars : size;
        }
        for (; from < size; ++from) {
            if (chars[from] == a || chars[from] == b)
                return from;
        }
        return size;
    }
}

// The end of the delimiter mode's field that starts at `at`, for a delimiter of one character:
// the next delimiter or lineEnd, or size. The piece between is the field, blanks and quotes
// included. (A longer delimiter is searched for as a string, each search one character after the
// previous match's start.)
template<typename Char>
[[nodiscard]] inline qsizetype delimitedFieldEnd(const Char *chars, qsizetype at, qsizetype size, Char lineEnd,
                                                 Char delimiter)
{
    return findEither(chars, at, size, lineEnd, delimiter);
}

// One field of the comma mode.
struct CommaField
{
    qsizetype start = 0; // the field's first character; a quoted field's first one after its quote
    qsizetype close = -1; // a quoted field's closing quote; -1 for an unquoted field
    qsizetype end = 0; // the comma or line end after the field, or the text's size
    bool doubled = false; // a quoted field holds doubled quotes
    bool unclosed = false; // a quoted field runs to the end of the text: nothing else holds

    [[nodiscard]] bool quoted() const
    {
        return close >= 0 || unclosed;
    }
    // Whether the field's text is one stretch of the text: [start, start + sliceLength()).
    [[nodiscard]] bool isSlice() const
    {
        return close < 0 || (!doubled && end == close + 1);
    }
    [[nodiscard]] qsizetype sliceLength() const
    {
        return (close < 0 ? end : close) - start;
    }
};

// The comma mode's field that starts at `at` in chars[0, size); a field ends at a comma or at
// lineEnd (for a line without its line end, pass the comma).
template<typename Char>
[[nodiscard]] inline CommaField commaFieldAt(const Char *chars, qsizetype at, qsizetype size, Char lineEnd)
{
    CommaField field;
    while (at < size && chars[at] == Char(' '))
        ++at;
    if (at < size && chars[at] == Char('"')) {
        field.start = at + 1;
        qsizetype from = field.start;
        while (true) {
            const qsizetype quote = findEither(chars, from, size, Char('"'), Char('"'));
            if (quote >= size) {
                field.unclosed = true;
                field.end = size;
                return field;
            }
            if (quote + 1 < size && chars[quote + 1] == Char('"')) {
                field.doubled = true;
                from = quote + 2;
                continue;
            }
            field.close = quote;
            break;
        }
        field.end = findEither(chars, field.close + 1, size, lineEnd, Char(','));
        return field;
    }
    field.start = at;
    field.end = findEither(chars, at, size, lineEnd, Char(','));
    return field;
}

// Where the first quoted field at or after `from` opens in chars[0, size): the index of its
// opening quote, or size when there is none. `from` must lie outside quoted fields. A quote opens
// a field where only blanks stand between it and the text's start or a comma outside quotes; any
// other quote is text, so a line is passed over from quote to quote.
template<typename Char>
[[nodiscard]] inline qsizetype nextOpeningQuote(const Char *chars, qsizetype from, qsizetype size)
{
    while (true) {
        const qsizetype quote = findEither(chars, from, size, Char('"'), Char('"'));
        if (quote >= size)
            return size;
        qsizetype before = quote;
        while (before > 0 && chars[before - 1] == Char(' '))
            --before;
        if (before == 0 || chars[before - 1] == Char(','))
            return quote;
        from = quote + 1;
    }
}

// The start of the field a quote opens (see nextOpeningQuote()): the place after the comma before
// it, or 0.
template<typename Char>
[[nodiscard]] inline qsizetype fieldStartBefore(const Char *chars, qsizetype quote)
{
    while (quote > 0 && chars[quote - 1] == Char(' '))
        --quote;
    return quote;
}

// Hands a field's text to append(const Char *, qsizetype) in stretches: a quoted field's text
// with one quote for each doubled one, then the text after its closing quote.
template<typename Char, typename Append>
inline void appendFieldText(const Char *chars, const CommaField &field, Append &&append)
{
    if (field.close < 0) {
        append(chars + field.start, field.end - field.start);
        return;
    }
    qsizetype from = field.start;
    while (true) {
        const qsizetype quote = findEither(chars, from, field.close, Char('"'), Char('"'));
        if (quote >= field.close)
            break;
        append(chars + from, quote + 1 - from); // the first quote of a pair
        from = quote + 2;
    }
    append(chars + from, field.close - from);
    if (field.end > field.close + 1)
        append(chars + field.close + 1, field.end - field.close - 1);
}

} // namespace FieldSplitter
