#include "SearchScan.h"

#include "AppState.h"
#include "Colors.h"
#include "CompareEngine.h"
#include "GridError.h"
#include "Recompare.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

#include <QList>
#include <QScopeGuard>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString kNothingFoundText = u"その方向には、検索データはありません"_s;
const QString kNothingFoundTitle = u"検索結果"_s;
const QString kWrappedDownNote = u"先頭から検索しました"_s;
const QString kWrappedUpNote = u"末尾から検索しました"_s;
const QString kReplacedAllNote = u"%1 個置換しました"_s;

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

// Where `upper` first lies inside the upper-cased `text` from `from` on, for a text that
// upper-cases like ASCII (each unit into one, so positions are the text's own), without
// upper-casing a copy: a scan of a whole sheet tests millions of cells. -1 for nowhere.
qsizetype asciiUpperIndexOf(QStringView text, QStringView upper, qsizetype from = 0)
{
    const qsizetype m = upper.size();
    for (qsizetype i = from; i + m <= text.size(); ++i) {
        qsizetype k = 0;
        while (k < m && asciiUpper(text[i + k].unicode()) == upper[k].unicode())
            ++k;
        if (k == m)
            return i;
    }
    return -1;
}

bool asciiUpperContains(QStringView text, QStringView upper)
{
    return asciiUpperIndexOf(text, upper) >= 0;
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

QString SearchPattern::replaceIn(QStringView text, const QString &replacement, qsizetype *count) const
{
    if (count)
        *count = 0;
    if (m_text.isEmpty())
        return text.toString();
    QString result;
    qsizetype done = 0; // the source up to here is in the result
    qsizetype replaced = 0;
    if (m_matchCase) {
        for (qsizetype at = text.indexOf(m_text); at >= 0; at = text.indexOf(m_text, done)) {
            result += text.mid(done, at - done);
            result += replacement;
            done = at + m_text.size();
            ++replaced;
        }
    } else if (upperCasesLikeAscii(text)) {
        for (qsizetype at = asciiUpperIndexOf(text, m_upper); at >= 0; at = asciiUpperIndexOf(text, m_upper, done)) {
            result += text.mid(done, at - done);
            result += replacement;
            done = at + m_upper.size();
            ++replaced;
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
            ++replaced;
            // Go on after the characters just replaced, also when the occurrence ended inside
            // what one character upper-cased to.
            from = at + m_upper.size();
            while (from < upper.text.size() && upper.from.at(from) < end)
                ++from;
        }
    }
    result += text.mid(done);
    if (count)
        *count = replaced;
    return result;
}

SearchStart scanStart(const Sheet &sheet, SearchDirection direction, bool continueSearch)
{
    const int row = sheet.row();
    const int col = sheet.col();
    if (!continueSearch)
        return {{row, col}};
    const int lastRow = sheet.rows() - 1;
    const int lastCol = sheet.cols() - 1;
    if (direction == SearchDirection::DownRight) {
        if (row < lastRow)
            return {{row + 1, col}};
        if (col < lastCol)
            return {{1, col + 1}};
        return {{1, 1}, true};
    }
    if (row > 1)
        return {{row - 1, col}};
    if (col > 1)
        return {{lastRow, col - 1}};
    return {{lastRow, lastCol}, true};
}

namespace
{
// The first matching cell from `from` to `to`, both included, in the direction's order. Hidden
// rows and columns are not searched.
std::optional<SearchCell> scanRange(const Sheet &sheet, SearchCell from, SearchCell to, SearchDirection direction,
                                    const SearchPattern &pattern)
{
    const SheetData &data = sheet.data();
    const ShownLines &shownRows = sheet.shownRows();
    const ShownLines &shownCols = sheet.shownCols();
    const int lastRow = data.rows() - 1;
    if (direction == SearchDirection::DownRight) {
        for (int c = from.col; c <= to.col; ++c) {
            if (!shownCols.isShown(c))
                continue;
            const int last = c == to.col ? to.row : lastRow;
            for (int r = c == from.col ? from.row : 1; r <= last; ++r) {
                if (pattern.matches(data.text(r, c)) && shownRows.isShown(r))
                    return SearchCell{r, c};
            }
        }
    } else {
        for (int c = from.col; c >= to.col; --c) {
            if (!shownCols.isShown(c))
                continue;
            const int last = c == to.col ? to.row : 1;
            for (int r = c == from.col ? from.row : lastRow; r >= last; --r) {
                if (pattern.matches(data.text(r, c)) && shownRows.isShown(r))
                    return SearchCell{r, c};
            }
        }
    }
    return std::nullopt;
}
} // namespace

std::optional<SearchMatch> findMatch(const Sheet &sheet, SearchStart start, SearchDirection direction,
                                     const SearchPattern &pattern)
{
    const SheetData &data = sheet.data();
    const int lastRow = data.rows() - 1;
    const int lastCol = data.cols() - 1;
    if (lastRow < 1 || lastCol < 1)
        return std::nullopt;
    const bool down = direction == SearchDirection::DownRight;
    const SearchCell first = down ? SearchCell{1, 1} : SearchCell{lastRow, lastCol};
    const SearchCell last = down ? SearchCell{lastRow, lastCol} : SearchCell{1, 1};
    // A start on a header cell begins at the nearest data cell.
    const SearchCell at{std::clamp(start.cell.row, 1, lastRow), std::clamp(start.cell.col, 1, lastCol)};
    if (const std::optional<SearchCell> found = scanRange(sheet, at, last, direction, pattern))
        return SearchMatch{*found, start.wrapped};
    if (start.wrapped || at == first)
        return std::nullopt;
    // On from the other end up to the cell just before the start.
    SearchCell before = at;
    if (down)
        before = at.row > 1 ? SearchCell{at.row - 1, at.col} : SearchCell{lastRow, at.col - 1};
    else
        before = at.row < lastRow ? SearchCell{at.row + 1, at.col} : SearchCell{1, at.col + 1};
    if (const std::optional<SearchCell> found = scanRange(sheet, first, before, direction, pattern))
        return SearchMatch{*found, true};
    return std::nullopt;
}

ReplaceAllCount replaceAll(AppState &state, int index, const SearchPattern &pattern, const QString &replacement)
{
    Sheet &sheet = state.grdData(index);
    ReplaceAllCount count;
    // The new texts first, so that a sheet where nothing changes takes no step.
    struct Change
    {
        int row;
        int col;
        QString text;
    };
    std::vector<Change> changes;
    const SheetData &data = sheet.data();
    // What is hidden (only the rows or columns that differ are shown) is left as it is.
    for (int c = 1; c < data.cols(); ++c) {
        if (!sheet.shownCols().isShown(c))
            continue;
        for (int r = 1; r < data.rows(); ++r) {
            if (!sheet.shownRows().isShown(r))
                continue;
            const QStringView text = data.text(r, c);
            if (!pattern.matches(text))
                continue;
            ++count.cells;
            qsizetype occurrences = 0;
            QString after = pattern.replaceIn(text, replacement, &occurrences);
            count.occurrences += occurrences;
            if (after != text)
                changes.push_back({r, c, std::move(after)});
        }
    }
    if (changes.empty())
        return count;
    RunAsHistoryStep(state, kReplaceAllStepName, [&] {
        const bool redraw = sheet.redraw();
        sheet.setRedraw(false);
        const auto drawAgain = qScopeGuard([&] { sheet.setRedraw(redraw); });
        // All or nothing: a sheet that cannot hold every new text (its text store is full) gets
        // its texts back, and the error is reported as the handler's.
        const SheetData before = sheet.data();
        try {
            for (const Change &change : changes)
                sheet.setTextMatrix(change.row, change.col, change.text);
        } catch (...) {
            sheet.restoreSnapshot(before);
            throw;
        }
    });
    return count;
}

SearchOutcome RunSearch(AppState &state, UserInterface &ui, const SearchRequest &request)
{
    SearchOutcome outcome;
    if (state.CompareRunning) {
        outcome.result = SearchResult::Busy;
        return outcome;
    }
    Sheet &sheet = state.grdData(request.sheet);
    const SearchPattern pattern(request.searchText, request.matchCase);
    if (request.mode == SearchMode::ReplaceAll) {
        const ReplaceAllCount count = replaceAll(state, request.sheet, pattern, request.replaceText);
        if (count.cells == 0) {
            ui.showMessage(kNothingFoundText, kNothingFoundTitle, MessageIcon::None);
            return outcome;
        }
        outcome.result = SearchResult::Found;
        outcome.replaced = count.occurrences;
        if (count.occurrences > 0 && state.grdData(0).isVisible() && state.grdData(1).isVisible())
            CompareSheets(state, ui, false);
        return outcome;
    }

    bool continueSearch = request.continueSearch;
    if (request.mode == SearchMode::Replace && request.shownMatch
        && SearchCell{sheet.row(), sheet.col()} == *request.shownMatch) {
        const int r = request.shownMatch->row;
        const int c = request.shownMatch->col;
        bool matches = false;
        ignoreGridErrors([&] { matches = pattern.matches(sheet.textView(r, c)); });
        if (matches) {
            const QString before = sheet.textMatrix(r, c);
            const QString after = pattern.replaceIn(before, request.replaceText, &outcome.replaced);
            // A replacement that changes nothing keeps the undo snapshot of the last real change.
            if (after != before) {
                SaveUndoSnapshot(state, request.sheet, kReplaceStepName);
                sheet.setTextMatrix(r, c, after);
                // Only this cell is compared again, whatever block was drawn from it since.
                sheet.setCol(c);
                sheet.setRow(r);
                RecompareSelection(state, request.sheet);
            }
            // The next match is the one after the cell just replaced.
            continueSearch = true;
        }
    }

    const std::optional<SearchMatch> found
        = findMatch(sheet, scanStart(sheet, request.direction, continueSearch), request.direction, pattern);
    if (!found) {
        ui.showMessage(kNothingFoundText, kNothingFoundTitle, MessageIcon::None);
        return outcome;
    }
    const auto [r, c] = found->cell;
    sheet.setCol(c);
    sheet.setRow(r);
    sheet.setCellForeColor(kMarkForeColor);
    sheet.setFocus();
    if (!sheet.rowIsVisible(r))
        sheet.setTopRow(r);
    if (!sheet.colIsVisible(c))
        sheet.setLeftCol(c);
    outcome.result = SearchResult::Found;
    outcome.shown = found->cell;
    outcome.wrapped = found->wrapped;
    return outcome;
}

QString searchNote(const SearchOutcome &outcome, const SearchRequest &request)
{
    if (outcome.result != SearchResult::Found)
        return {};
    if (request.mode == SearchMode::ReplaceAll)
        return kReplacedAllNote.arg(outcome.replaced);
    if (outcome.wrapped)
        return request.direction == SearchDirection::DownRight ? kWrappedDownNote : kWrappedUpNote;
    return {};
}
