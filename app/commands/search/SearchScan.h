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

enum class SearchMode { Find, Replace };

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
    [[nodiscard]] QString replaceIn(QStringView text, const QString &replacement) const;

private:
    [[nodiscard]] bool upperContains(QStringView text) const;

    QString m_text;
    QString m_upper;
    bool m_matchCase = false;
};

// The first cell a search tests on `sheet`. A new search (continueSearch false) tests the
// current cell itself; a continued one the cell after it in the direction, down the column and
// on at the top of the next column (or up and on at the bottom of the previous one). From the
// last data cell (first, going up-left) there is no cell after it: that cell is tested again.
[[nodiscard]] SearchCell scanStart(const Sheet &sheet, SearchDirection direction, bool continueSearch);

// The first data cell, from `start` on in the direction, whose text matches: all rows of a column
// before the next column, never the header row or column, no wrap-around at the sheet's end.
[[nodiscard]] std::optional<SearchCell> findMatch(const Sheet &sheet, SearchCell start, SearchDirection direction,
                                                  const SearchPattern &pattern);

struct SearchRequest
{
    int sheet = 0;
    SearchMode mode = SearchMode::Find;
    SearchDirection direction = SearchDirection::DownRight;
    bool continueSearch = false;
    QString searchText;
    QString replaceText;
    bool matchCase = false;
};

// One press of "検索" or "置換": scans sheet `request.sheet` for the next matching cell. A found
// cell becomes the current cell, its text turns blue, the sheet asks for the focus and scrolls the
// cell into view where it is not; a replace first changes its text, after one undo snapshot when
// the text really changes, and a changed cell is re-compared with the other sheet as an edit is
// (which moves the other sheet's current cell there when it has that cell). When
// nothing matches, the message "その方向には、検索データはありません" shows and the sheet stays as it
// was. While a comparison runs nothing happens at all.
SearchResult RunSearch(AppState &state, UserInterface &ui, const SearchRequest &request);
