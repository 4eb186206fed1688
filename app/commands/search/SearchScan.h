#pragma once

#include <QString>
#include <QStringView>

#include <optional>

class AppState;
class Sheet;
class UserInterface;

// The search dialog's rules: which cell a search tests first, the column-major scan, the match
// and the replace, and what a search does to the sheet. The dialog only collects its controls'
// values into a SearchRequest and hands them here.

enum class SearchDirection {
    DownRight, // "下右": down a column, then the next column to the right
    UpLeft, // "上左": up a column, then the next column to the left
};

enum class SearchMode {
    Find, // "検索": the next match becomes the current cell
    Replace, // "置換": the match shown replaced, then the next one shown; else as Find
    ReplaceAll, // "すべて置換": every match of the sheet replaced, as one step
};

enum class SearchResult {
    Found,
    NotFound,
    Busy, // a comparison runs: the dialog stays usable, but the sheets are not to be touched
};

struct SearchCell
{
    int row = 1;
    int col = 1;

    friend bool operator==(const SearchCell &, const SearchCell &) = default;
};

// What a cell must contain. The text is upper-cased the platform's way (QString::toUpper, which
// folds full-width Latin letters as well) on both sides; with match case the cell must also hold
// the search text exactly. An empty search text is contained in every text.
class SearchPattern
{
public:
    SearchPattern(const QString &searchText, bool matchCase);

    [[nodiscard]] bool matches(QStringView text) const;

    // Every occurrence replaced in one pass from left to right that goes on after each inserted
    // replacement, so that it always ends: a replacement that holds the search text ("a" by "aa")
    // is not searched again. An empty search text replaces nothing. Without match case an
    // occurrence is found in the upper-cased text and the characters it came from are replaced.
    // `count`, when given, is told how many occurrences were replaced.
    [[nodiscard]] QString replaceIn(QStringView text, const QString &replacement, qsizetype *count = nullptr) const;

private:
    [[nodiscard]] bool upperContains(QStringView text) const;

    QString m_text;
    QString m_upper;
    bool m_matchCase = false;
};

// Where a scan begins: the cell it tests first, and whether it has gone past the sheet's end (its
// first data cell, going up-left) to get there.
struct SearchStart
{
    SearchCell cell;
    bool wrapped = false;

    friend bool operator==(const SearchStart &, const SearchStart &) = default;
};

// The first cell a search tests on `sheet`. A new search (continueSearch false) tests the
// current cell itself; a continued one the cell after it in the direction, down the column and
// on at the top of the next column (or up and on at the bottom of the previous one). After the
// last data cell (the first, going up-left) comes the first (the last) again.
[[nodiscard]] SearchStart scanStart(const Sheet &sheet, SearchDirection direction, bool continueSearch);

// A matching cell, and whether the scan went past the sheet's end to reach it.
struct SearchMatch
{
    SearchCell cell;
    bool wrapped = false;
};

// The first data cell, from `start` on in the direction, whose text matches: all rows of a column
// before the next column, never the header row or column. Past the sheet's last data cell the
// scan goes on at its first (up-left: past the first at the last) and ends just before `start`,
// so that every data cell is tested once.
[[nodiscard]] std::optional<SearchMatch> findMatch(const Sheet &sheet, SearchStart start, SearchDirection direction,
                                                   const SearchPattern &pattern);

// Every data cell of `sheet` with the pattern's occurrences replaced, as one step of the history
// under "すべて置換", the sheet drawn once at the end. Answers how many occurrences were replaced,
// and how many cells matched at all (a match may replace nothing: an empty search text).
struct ReplaceAllCount
{
    qsizetype cells = 0;
    qsizetype occurrences = 0;
};
ReplaceAllCount replaceAll(AppState &state, int sheet, const SearchPattern &pattern, const QString &replacement);

struct SearchRequest
{
    int sheet = 0;
    SearchMode mode = SearchMode::Find;
    SearchDirection direction = SearchDirection::DownRight;
    bool continueSearch = false;
    QString searchText;
    QString replaceText;
    bool matchCase = false;
    // The match the dialog's last press showed: "置換" replaces in it while it is still the
    // current cell and still matches.
    std::optional<SearchCell> shownMatch{};
};

// What a press did, for the dialog's label and its next press.
struct SearchOutcome
{
    SearchResult result = SearchResult::NotFound;
    // The match now current and marked.
    std::optional<SearchCell> shown;
    // The scan went past the sheet's end to find it.
    bool wrapped = false;
    // Occurrences replaced by this press.
    qsizetype replaced = 0;
};

// One press of "検索", "置換" or "すべて置換" on sheet `request.sheet`.
//
// 検索 finds the next matching cell, going on at the sheet's other end when it reaches one. The
// found cell becomes the current cell, its text turns blue, the sheet asks for the focus and
// scrolls the cell into view where it is not.
//
// 置換 first shows the match it will replace, as 検索 does; only when the current cell is the
// match the last press showed, and still matches, are its occurrences replaced (one step of the
// history when the text really changes, the cell re-compared with the other sheet as an edit is),
// and the next match is shown.
//
// すべて置換 replaces in every matching cell of the sheet as one step, and re-compares the sheets
// when both are shown; the current cell stays.
//
// When no cell of the sheet matches, the message "その方向には、検索データはありません" shows and
// the sheet stays as it was (a replace already made stays). While a comparison runs nothing
// happens at all.
SearchOutcome RunSearch(AppState &state, UserInterface &ui, const SearchRequest &request);

// What the dialog's own label says after a press: 「先頭から検索しました」 (「末尾から検索しました」
// going up-left) when the scan went past the sheet's end, 「n 個置換しました」 after すべて置換;
// empty otherwise.
[[nodiscard]] QString searchNote(const SearchOutcome &outcome, const SearchRequest &request);
