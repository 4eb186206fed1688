#pragma once

#include <QList>
#include <QStringView>

// The character-level difference of two texts: which stretches of the first text were deleted,
// which stretches of the second were inserted, and which stretches of the first were changed into
// which stretches of the second.
//
// The unit compared is the grapheme cluster, the character a person sees: a base letter with its
// combining marks, a surrogate pair, CR LF, an emoji sequence. A span therefore never splits a
// cluster, let alone a surrogate pair. Positions and lengths are in UTF-16 code units of the
// texts (QString indexes).

enum class SpanKind {
    Deleted, // only in the first text (length2 is 0)
    Inserted, // only in the second text (length1 is 0)
    Changed, // a stretch of the first text stands where the second has another
};

struct CharSpan
{
    SpanKind kind = SpanKind::Changed;
    qsizetype start1 = 0;
    qsizetype length1 = 0;
    qsizetype start2 = 0;
    qsizetype length2 = 0;

    friend bool operator==(const CharSpan &, const CharSpan &) = default;
};

struct CharDiff
{
    // In ascending order in both texts; between two spans the texts are equal.
    QList<CharSpan> spans;
    // The exact difference would have cost too much (long texts that differ in many places): the
    // common beginning and end are matched and everything between them is one changed span.
    bool coarse = false;
};

// The difference of `first` and `second`: the common beginning and end are taken off, and the
// rest is matched cluster by cluster by the same O(ND) search that lines up rows (matchRows()).
// The work is bounded: the search gives up once it has spent about `effortLimit` steps or found
// more than a thousand clusters inserted and deleted, and the result is then coarse. With the default limit two 1 MB
// texts take well under 0.2 s whatever they hold.
[[nodiscard]] CharDiff diffCharacters(QStringView first, QStringView second, qint64 effortLimit = 20'000'000);

// Grapheme cluster boundaries of `text`, as QString indexes from 0 to text.size() inclusive.
[[nodiscard]] QList<qsizetype> graphemeBoundaries(QStringView text);
