#include "SearchScan.h"

#include "AppState.h"
#include "Colors.h"
#include "Recompare.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

#include <QList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString kNothingFoundText = u"その方向には、検索データはありません"_s;
const QString kNothingFoundTitle = u"検索結果"_s;

char16_t asciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// Whether upper-casing `text` changes nothing but its ASCII letters: every other character is one
// that upper-casing leaves alone (kana, kanji, digits, punctuation). Lowercase and titlecase
// letters beyond ASCII may change, some into two characters ("ß" into "SS"), so they are left to
// the platform's upper-casing.
bool upperCasesLikeAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        if (c.unicode() < 0x80)
            return true;
        const QChar::Category category = c.category();
        return !c.isSurrogate() && category != QChar::Letter_Lowercase && category != QChar::Letter_Titlecase
            && c.toUpper() == c;
    });
}

// `upper` inside the upper-cased `text`, for a text that upper-cases like ASCII, without
// upper-casing a copy: a scan of a whole sheet tests millions of cells.
bool asciiUpperContains(QStringView text, QStringView upper)
{
    const qsizetype m = upper.size();
    for (qsizetype i = 0; i + m <= text.size(); ++i) {
        qsizetype k = 0;
        while (k < m && asciiUpper(text[i + k].unicode()) == upper[k].unicode())
            ++k;
        if (k == m)
            return true;
    }
    return false;
}

// A text upper-cased code point by code point, with the source range each upper-cased unit came
// from: upper-casing may lengthen a text ("ß" becomes "SS"), so positions found in the upper-cased
// text are taken back to the characters that produced them.
struct UpperCased
{
    QString text;
    QList<qsizetype> from; // per unit: where its code point starts in the source
    QList<qsizetype> to; // per unit: where its code point ends in the source
};

UpperCased upperCaseWithSources(QStringView source)
{
    UpperCased result;
    qsizetype i = 0;
    while (i < source.size()) {
        const qsizetype length
            = source[i].isHighSurrogate() && i + 1 < source.size() && source[i + 1].isLowSurrogate() ? 2 : 1;
        const QString upper = source.mid(i, length).toString().toUpper();
        for (qsizetype k = 0; k < upper.size(); ++k) {
            result.from.append(i);
            result.to.append(i + length);
        }
        result.text += upper;
        i += length;
    }
    return result;
}
} // namespace

SearchPattern::SearchPattern(const QString &searchText, bool matchCase)
    : m_text(searchText)
    , m_upper(searchText.toUpper())
    , m_matchCase(matchCase)
{
}

bool SearchPattern::upperContains(QStringView text) const
{
    if (m_upper.isEmpty())
        return true;
    if (upperCasesLikeAscii(text))
        return asciiUpperContains(text, m_upper);
    return text.toString().toUpper().contains(m_upper);
}

bool SearchPattern::matches(QStringView text) const
{
    // The exact test is the cheaper one and rarely passes: it goes first.
    if (m_matchCase && !text.contains(m_text))
        return false;
    return upperContains(text);
}

QString SearchPattern::replaceIn(QStringView text, const QString &replacement) const
{
    if (m_text.isEmpty())
        return text.toString();
    QString result;
    qsizetype done = 0; // the source up to here is in the result
    if (m_matchCase) {
        for (qsizetype at = text.indexOf(m_text); at >= 0; at = text.indexOf(m_text, done)) {
            result += text.mid(done, at - done);
            result += replacement;
            done = at + m_text.size();
        }
    } else {
        const UpperCased upper = upperCaseWithSources(text);
        qsizetype from = 0;
        for (qsizetype at = upper.text.indexOf(m_upper); at >= 0; at = upper.text.indexOf(m_upper, from)) {
            const qsizetype begin = upper.from.at(at);
            const qsizetype end = upper.to.at(at + m_upper.size() - 1);
            result += text.mid(done, begin - done);
            result += replacement;
            done = end;
            // Go on after the characters just replaced, also when the occurrence ended inside
            // what one character upper-cased to.
            from = at + m_upper.size();
            while (from < upper.text.size() && upper.from.at(from) < end)
                ++from;
        }
    }
    result += text.mid(done);
    return result;
}

SearchCell scanStart(const Sheet &sheet, SearchDirection direction, bool continueSearch)
{
    const int row = sheet.row();
    const int col = sheet.col();
    if (!continueSearch)
        return {row, col};
    const int lastRow = sheet.rows() - 1;
    const int lastCol = sheet.cols() - 1;
    if (direction == SearchDirection::DownRight) {
        if (row < lastRow)
            return {row + 1, col};
        if (col < lastCol)
            return {1, col + 1};
        return {row, col};
    }
    if (row != 1)
        return {row - 1, col};
    if (col != 1)
        return {lastRow, col - 1};
    return {row, col};
}

std::optional<SearchCell> findMatch(const Sheet &sheet, SearchCell start, SearchDirection direction,
                                    const SearchPattern &pattern)
{
    const SheetData &data = sheet.data();
    const int lastRow = data.rows() - 1;
    const int lastCol = data.cols() - 1;
    // The start row applies until the first cell that is not skipped, normally in the start
    // column; every later column is scanned whole. Hidden rows and columns are not searched.
    const ShownLines &shownRows = sheet.shownRows();
    const ShownLines &shownCols = sheet.shownCols();
    bool startRowApplies = true;
    if (direction == SearchDirection::DownRight) {
        for (int c = std::max(1, start.col); c <= lastCol; ++c) {
            if (!shownCols.isShown(c))
                continue;
            const int first = startRowApplies ? std::max(1, start.row) : 1;
            if (first <= lastRow)
                startRowApplies = false;
            for (int r = first; r <= lastRow; ++r) {
                if (pattern.matches(data.text(r, c)) && shownRows.isShown(r))
                    return SearchCell{r, c};
            }
        }
    } else {
        for (int c = std::min(lastCol, start.col); c >= 1; --c) {
            if (!shownCols.isShown(c))
                continue;
            const int first = startRowApplies ? std::min(lastRow, start.row) : lastRow;
            if (first >= 1)
                startRowApplies = false;
            for (int r = first; r >= 1; --r) {
                if (pattern.matches(data.text(r, c)) && shownRows.isShown(r))
                    return SearchCell{r, c};
            }
        }
    }
    return std::nullopt;
}

SearchResult RunSearch(AppState &state, UserInterface &ui, const SearchRequest &request)
{
    if (state.CompareRunning)
        return SearchResult::Busy;
    Sheet &sheet = state.grdData(request.sheet);
    const SearchPattern pattern(request.searchText, request.matchCase);
    const std::optional<SearchCell> found
        = findMatch(sheet, scanStart(sheet, request.direction, request.continueSearch), request.direction, pattern);
    if (!found) {
        ui.showMessage(kNothingFoundText, kNothingFoundTitle, MessageIcon::None);
        return SearchResult::NotFound;
    }
    const auto [r, c] = *found;
    bool replaced = false;
    if (request.mode == SearchMode::Replace) {
        const QString before = sheet.textMatrix(r, c);
        const QString after = pattern.replaceIn(before, request.replaceText);
        // A replacement that changes nothing keeps the undo snapshot of the last real change.
        if (after != before) {
            SaveUndoSnapshot(state, request.sheet, kReplaceStepName);
            sheet.setTextMatrix(r, c, after);
            replaced = true;
        }
    }
    sheet.setCol(c);
    sheet.setRow(r);
    if (replaced)
        RecompareSelection(state, request.sheet);
    sheet.setCellForeColor(kMarkForeColor);
    sheet.setFocus();
    if (!sheet.rowIsVisible(r))
        sheet.setTopRow(r);
    if (!sheet.colIsVisible(c))
        sheet.setLeftCol(c);
    return SearchResult::Found;
}
