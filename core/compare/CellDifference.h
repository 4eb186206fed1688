#pragma once

#include "CharDiff.h"
#include "TextFolding.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// Why two cells differ, down to the character, as the cell difference window shows it: both texts
// with the differing characters marked and the invisible ones made visible, and the differences
// named in words. A plain value: the logic builds it, the window only draws it.

// A stretch of a shown text that differs from the other text.
struct ShownHighlight
{
    qsizetype start = 0;
    qsizetype length = 0;
    SpanKind kind = SpanKind::Changed;

    friend bool operator==(const ShownHighlight &, const ShownHighlight &) = default;
};

// A stretch of a shown text that stands in for something not in the cell as written: an
// invisible character made visible, or the 「…」 where a long text is cut.
struct ShownMark
{
    qsizetype start = 0;
    qsizetype length = 0;
    bool boxed = false; // the full-width space, drawn as 「□」 in a dotted box

    friend bool operator==(const ShownMark &, const ShownMark &) = default;
};

struct ShownCellText
{
    bool present = false; // the sheet has the cell
    // The text as shown: U+3000 as 「□」, TAB as 「→」, U+00A0 as 「⍽」, blanks at the end as 「·」,
    // a line break as 「↵」 followed by the break, any other control or format character as its
    // code (「U+200B」); a text longer than kShownTextLimit is cut around its first differences
    // with 「…」 at each cut.
    QString shown;
    QList<ShownHighlight> highlights; // in `shown`, ascending
    QList<ShownMark> marks; // in `shown`, ascending

    friend bool operator==(const ShownCellText &, const ShownCellText &) = default;
};

struct CellDifferenceView
{
    // The cell shown: a data cell of the active sheet, or row and column 0 when it has none.
    int sheet = 0;
    int row = 0;
    int col = 0;
    std::array<ShownCellText, 2> texts; // ファイル１, ファイル２
    QStringList notes; // the named differences, one line each

    friend bool operator==(const CellDifferenceView &, const CellDifferenceView &) = default;
};

// Characters of a cell text shown at most; a longer text is shown around its first differences.
inline constexpr qsizetype kShownTextLimit = 4096;

// The view of two cell texts; nothing for a cell the sheet lacks. Row and column stay 0.
[[nodiscard]] CellDifferenceView describeCellDifference(const std::optional<QString> &first,
                                                        const std::optional<QString> &second);

// The named differences of two texts whose character difference is `diff`: which single folding
// rule would make them equal, blanks one of them has at an end, an empty cell, and each differing
// stretch by its place and, for a single character, its code and name. 「同じです」 for equal texts.
[[nodiscard]] QStringList nameDifferences(QStringView first, QStringView second, const CharDiff &diff);

// One text as shown, with the spans of `diff` on side `side` (0: the first text, 1: the second).
[[nodiscard]] ShownCellText showCellText(QStringView text, const CharDiff &diff, int side,
                                         qsizetype limit = kShownTextLimit);

// The note for `rule` making the two texts equal: the pair a Shift_JIS conversion split, the date
// both write, or the rule's own note.
[[nodiscard]] QString ruleNote(TextFolding::Rule rule, QStringView first, QStringView second);

// The note for a cell only one sheet has: 「ファイル２にはこのセルがありません」 when `missingSide` is 1.
[[nodiscard]] QString missingCellNote(int missingSide);
