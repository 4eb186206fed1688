#include "CellDifference.h"

#include "CharacterNames.h"
#include "CompareOptionTable.h"
#include "SheetLabels.h"
#include "TextFolding.h"

#include <QTextBoundaryFinder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString kSameNote = u"同じです"_s;
const QString kSjisPairNote = u"Shift_JIS の変換の違い（U+%1 と U+%2）"_s;
const QString kSameDateNote = u"日付として同じ（%1）"_s;
const QString kNoCellNote = u"セルがありません"_s;
const QString kMissingCellNote = u"%1にはこのセルがありません"_s;
const QString kEmptyCellNote = u"%1のセルは空です"_s;
const QString kBlankAtEndNote = u"%1に%2があります（%3）"_s;
const QString kBlanksAtEndDifferNote = u"%1の空白が違います"_s;
const QString kHead = u"先頭"_s;
const QString kTail = u"末尾"_s;
const QString kCoarseNote = u"違いが多いため、最初の違いから最後の違いまでをまとめて示しています"_s;
const QString kMoreSpansNote = u"ほかに %1 箇所の違いがあります"_s;
const QString kPlaceNote = u"%1 文字目"_s;
const QString kPlaceBothNote = u"%1 文字目（ファイル２では %2 文字目）"_s;
const QString kChangedNote = u"%1: %2 ↔ %3"_s;
const QString kOnlyInNote = u"%1: %2だけに %3 があります"_s;
const QString kConjunction = u"と"_s;

constexpr int kMaxSpanNotes = 10;
constexpr qsizetype kExcerptClusters = 20;
// Where a long text's shown window starts: this far before its first difference.
constexpr qsizetype kContextBefore = kShownTextLimit / 4;

// Code units looked at beyond each end of the shown window to find its cluster boundaries.
constexpr qsizetype kBoundaryContext = 256;

const QString kEllipsis = u"…"_s;

QString blankName(char16_t c)
{
    switch (c) {
    case 0x3000:
        return u"全角スペース"_s;
    case u'\t':
        return u"タブ"_s;
    case 0x00A0:
        return u"ノーブレークスペース"_s;
    default:
        return u"半角スペース"_s;
    }
}

// Appends the visible form of one grapheme cluster to `out`, recording a mark where it stands in
// for something invisible. `trailing`: the cluster is a blank of the text's trailing blanks.
void appendShownCluster(QStringView cluster, bool trailing, QString &out, QList<ShownMark> *marks)
{
    auto mark = [&](const QString &standIn, bool boxed = false) {
        if (marks)
            marks->append({out.size(), standIn.size(), boxed});
        out.append(standIn);
    };
    if (cluster == u"\r\n" || cluster == u"\n" || cluster == u"\r") {
        mark(u"↵"_s);
        out.append(u'\n');
        return;
    }
    const char32_t first = cluster.toUcs4().value(0);
    const bool single = cluster.size() == (QChar::requiresSurrogates(first) ? 2 : 1);
    if (single) {
        switch (first) {
        case 0x3000:
            mark(u"□"_s, true);
            return;
        case u'\t':
            mark(u"→"_s);
            return;
        case 0x00A0:
            mark(u"⍽"_s);
            return;
        case u' ':
            if (trailing) {
                mark(u"·"_s);
                return;
            }
            break;
        default: {
            const QChar::Category category = QChar::category(first);
            if (category == QChar::Other_Control || category == QChar::Other_Format) {
                mark(codePointText(first));
                return;
            }
        }
        }
    }
    out.append(cluster);
}

qsizetype trailingBlankStart(QStringView text)
{
    qsizetype start = text.size();
    while (start > 0 && TextFolding::isBlank(text[start - 1].unicode()))
        --start;
    return start;
}

// The cluster number (from 1) of the cluster that starts at `position`.
qsizetype clusterNumber(const QList<qsizetype> &boundaries, qsizetype position)
{
    return qsizetype(std::lower_bound(boundaries.begin(), boundaries.end(), position) - boundaries.begin()) + 1;
}

// "− (U+2212 MINUS SIGN)" for one cluster; 「abc」 for a longer stretch, cut after a few clusters.
QString describeStretch(QStringView text, qsizetype start, qsizetype end, const QList<qsizetype> &boundaries)
{
    const auto from = std::lower_bound(boundaries.begin(), boundaries.end(), start);
    const auto to = std::lower_bound(boundaries.begin(), boundaries.end(), end);
    const qsizetype clusters = qsizetype(to - from);
    const qsizetype trailing = trailingBlankStart(text);
    QString shown;
    if (clusters == 1) {
        const QStringView cluster = text.sliced(start, end - start);
        appendShownCluster(cluster, start >= trailing, shown, nullptr);
        shown.replace(u'\n', QString());
        QStringList names;
        for (const char32_t codePoint : cluster.toUcs4())
            names.append(characterName(codePoint));
        return shown + u" ("_s + names.join(u" + "_s) + u')';
    }
    const qsizetype shownClusters = std::min(clusters, kExcerptClusters);
    for (qsizetype i = 0; i < shownClusters; ++i) {
        const qsizetype a = *(from + i);
        const qsizetype b = *(from + i + 1);
        appendShownCluster(text.sliced(a, b - a), a >= trailing, shown, nullptr);
    }
    shown.replace(u'\n', QString());
    if (shownClusters < clusters)
        shown += kEllipsis;
    return u"「"_s + shown + u"」"_s;
}

// Notes on the blanks at one end of the texts, where only one text has them or they differ.
void nameEndBlanks(QStringView first, QStringView second, bool atEnd, QStringList &notes)
{
    const std::array<QStringView, 2> texts{first, second};
    std::array<QStringView, 2> runs;
    for (size_t i = 0; i < 2; ++i) {
        const QStringView trimmed = TextFolding::trimBlanks(texts[i]);
        if (trimmed.isEmpty())
            return; // a text of blanks only has no inside to set its ends against
        runs[i] = atEnd ? texts[i].sliced(trimmed.data() - texts[i].data() + trimmed.size())
                        : texts[i].first(trimmed.data() - texts[i].data());
    }
    if (runs[0] == runs[1])
        return;
    const QString where = atEnd ? kTail : kHead;
    if (!runs[0].isEmpty() && !runs[1].isEmpty()) {
        notes.append(kBlanksAtEndDifferNote.arg(where));
        return;
    }
    const size_t side = runs[0].isEmpty() ? 1 : 0;
    QStringList kinds;
    for (const QChar c : runs[side]) {
        const QString name = blankName(c.unicode());
        if (!kinds.contains(name))
            kinds.append(name);
    }
    notes.append(kBlankAtEndNote.arg(where, kinds.join(kConjunction), kSheetLabels[side]));
}
} // namespace

QString ruleNote(TextFolding::Rule rule, QStringView first, QStringView second)
{
    using TextFolding::Rule;
    const auto code = [](char16_t c) { return QString::number(c, 16).toUpper().rightJustified(4, u'0'); };
    if (rule == Rule::SjisPairs) {
        if (const auto pair = TextFolding::firstSjisPair(first, second))
            return kSjisPairNote.arg(code(pair->first), code(pair->second));
    }
    if (rule == Rule::Dates) {
        if (const auto date = TextFolding::readDate(first))
            return kSameDateNote.arg(date->text());
    }
    return compareOptionOf(rule).ruleNote.toString();
}

QString missingCellNote(int missingSide)
{
    return kMissingCellNote.arg(kSheetLabels[missingSide == 1 ? 1 : 0]);
}

QStringList nameDifferences(QStringView first, QStringView second, const CharDiff &diff)
{
    if (first == second)
        return {kSameNote};
    QStringList notes;
    TextFolding::FoldBuffers buffers;
    if (const auto rule = TextFolding::ruleThatMakesEqual(first, second, buffers))
        notes.append(ruleNote(*rule, first, second));
    if (first.isEmpty() || second.isEmpty()) {
        notes.append(kEmptyCellNote.arg(kSheetLabels[first.isEmpty() ? 0 : 1]));
        return notes;
    }
    nameEndBlanks(first, second, false, notes);
    nameEndBlanks(first, second, true, notes);
    if (diff.coarse)
        notes.append(kCoarseNote);

    // Only the clusters up to the last stretch named are counted; span ends are cluster
    // boundaries, so cutting the texts there changes none before them.
    const qsizetype named = std::min<qsizetype>(diff.spans.size(), kMaxSpanNotes);
    qsizetype counted1 = 0;
    qsizetype counted2 = 0;
    for (qsizetype i = 0; i < named; ++i) {
        counted1 = diff.spans[i].start1 + diff.spans[i].length1;
        counted2 = diff.spans[i].start2 + diff.spans[i].length2;
    }
    const QList<qsizetype> boundaries1 = graphemeBoundaries(first.first(counted1));
    const QList<qsizetype> boundaries2 = graphemeBoundaries(second.first(counted2));
    for (qsizetype i = 0; i < named; ++i) {
        const CharSpan &span = diff.spans[i];
        const qsizetype place1 = clusterNumber(boundaries1, span.start1);
        const qsizetype place2 = clusterNumber(boundaries2, span.start2);
        switch (span.kind) {
        case SpanKind::Changed: {
            const QString place = place1 == place2 ? kPlaceNote.arg(place1) : kPlaceBothNote.arg(place1).arg(place2);
            notes.append(
                kChangedNote.arg(place, describeStretch(first, span.start1, span.start1 + span.length1, boundaries1),
                                 describeStretch(second, span.start2, span.start2 + span.length2, boundaries2)));
            break;
        }
        case SpanKind::Deleted:
            notes.append(kOnlyInNote.arg(kPlaceNote.arg(place1), kSheetLabels[0],
                                         describeStretch(first, span.start1, span.start1 + span.length1, boundaries1)));
            break;
        case SpanKind::Inserted:
            notes.append(
                kOnlyInNote.arg(kPlaceNote.arg(place2), kSheetLabels[1],
                                describeStretch(second, span.start2, span.start2 + span.length2, boundaries2)));
            break;
        }
    }
    if (diff.spans.size() > named)
        notes.append(kMoreSpansNote.arg(diff.spans.size() - named));
    return notes;
}

ShownCellText showCellText(QStringView text, const CharDiff &diff, int side, qsizetype limit)
{
    ShownCellText result;
    result.present = true;
    auto spanStart = [side](const CharSpan &span) { return side == 0 ? span.start1 : span.start2; };
    auto spanLength = [side](const CharSpan &span) { return side == 0 ? span.length1 : span.length2; };

    // The window of the text shown, on cluster boundaries. Boundaries depend only on the few
    // characters around them, so a long text is only looked at a little beyond the window.
    qsizetype begin = 0;
    qsizetype end = text.size();
    if (text.size() > limit) {
        const qsizetype firstDifference = diff.spans.isEmpty() ? 0 : spanStart(diff.spans.first());
        begin = std::max<qsizetype>(0, std::min(firstDifference - kContextBefore, text.size() - limit));
        end = begin + limit;
    }
    qsizetype sliceStart = std::max<qsizetype>(0, begin - kBoundaryContext);
    if (sliceStart > 0 && text[sliceStart].isLowSurrogate())
        --sliceStart;
    const QStringView slice = text.sliced(sliceStart, std::min(text.size(), end + kBoundaryContext) - sliceStart);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, slice);
    auto setPosition = [&](qsizetype position) { finder.setPosition(position - sliceStart); };
    auto nextBoundary = [&] {
        const qsizetype next = finder.toNextBoundary();
        return next < 0 ? text.size() : next + sliceStart;
    };
    if (begin > 0) {
        setPosition(begin);
        if (!finder.isAtBoundary())
            begin = std::max<qsizetype>(0, finder.toPreviousBoundary() + sliceStart);
    }
    if (end < text.size()) {
        setPosition(end);
        if (!finder.isAtBoundary())
            end = nextBoundary();
    }

    QString &shown = result.shown;
    if (begin > 0)
        result.marks.append({0, kEllipsis.size(), false});
    if (begin > 0)
        shown += kEllipsis;
    // Where each cluster boundary of the window lands in the shown text.
    std::vector<qsizetype> shownAt(size_t(end - begin + 1), -1);
    const qsizetype trailing = trailingBlankStart(text);
    setPosition(begin);
    for (qsizetype position = begin; position < end;) {
        qsizetype next = nextBoundary();
        if (next > end)
            next = end;
        shownAt[size_t(position - begin)] = shown.size();
        appendShownCluster(text.sliced(position, next - position), position >= trailing, shown, &result.marks);
        position = next;
    }
    shownAt[size_t(end - begin)] = shown.size();
    if (end < text.size()) {
        result.marks.append({shown.size(), kEllipsis.size(), false});
        shown += kEllipsis;
    }

    // Span ends are cluster boundaries of the text; a span reaching out of the window is cut.
    auto shownPosition = [&](qsizetype position) {
        position = std::clamp(position, begin, end);
        for (qsizetype p = position; p >= begin; --p) {
            if (shownAt[size_t(p - begin)] >= 0)
                return shownAt[size_t(p - begin)];
        }
        return shownAt[0];
    };
    for (const CharSpan &span : diff.spans) {
        if (spanLength(span) == 0)
            continue;
        const qsizetype from = shownPosition(spanStart(span));
        const qsizetype to = shownPosition(spanStart(span) + spanLength(span));
        if (to > from)
            result.highlights.append({from, to - from, span.kind});
    }
    return result;
}

CellDifferenceView describeCellDifference(const std::optional<QString> &first, const std::optional<QString> &second)
{
    CellDifferenceView view;
    if (!first && !second) {
        view.notes.append(kNoCellNote);
        return view;
    }
    if (!first || !second) {
        const int present = first ? 0 : 1;
        const QString &text = first ? *first : *second;
        view.texts[size_t(present)] = showCellText(text, CharDiff{}, present);
        view.notes.append(missingCellNote(1 - present));
        return view;
    }
    const CharDiff diff = diffCharacters(*first, *second);
    view.texts[0] = showCellText(*first, diff, 0);
    view.texts[1] = showCellText(*second, diff, 1);
    view.notes = nameDifferences(*first, *second, diff);
    return view;
}
