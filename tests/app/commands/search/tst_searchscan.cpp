#include "AppState.h"
#include "RecordingUserInterface.h"
#include "SearchScan.h"
#include "UndoSnapshots.h"
#include "WindowSheetFixtures.h"

#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SearchDirection)

class TestSearchScan : public QObject
{
    Q_OBJECT

private slots:
    void scanOrder_data();
    void scanOrder();
    void matching_data();
    void matching();
    void replacing_data();
    void replacing();
    void foundCellIsMarkedAndShown_data();
    void foundCellIsMarkedAndShown();
    void nothingFoundLeavesTheSheet();
    void replaceChangesOneCellWithOneSnapshot();
    void replaceWithoutChangeTakesNoSnapshot();
    void replaceShowsTheMatchFirst_data();
    void replaceShowsTheMatchFirst();
    void replaceAll_data();
    void replaceAll();
};

namespace
{
// Four data columns of three rows; "x" marks the cells a search for "x" finds.
const QString kGrid = u"x,a,a,x|a,x,a,a|x,a,x,a"_s;
} // namespace

void TestSearchScan::scanOrder_data()
{
    QTest::addColumn<QString>("cells");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<SearchDirection>("direction");
    QTest::addColumn<bool>("continueSearch");
    QTest::addColumn<QString>("found"); // "row,col", "row,col wrapped" past the sheet's end, or empty

    const auto down = SearchDirection::DownRight;
    const auto up = SearchDirection::UpLeft;
    QTest::newRow("new search tests the current cell") << kGrid << 1 << 1 << down << false << u"1,1"_s;
    QTest::newRow("continued search starts below it") << kGrid << 1 << 1 << down << true << u"3,1"_s;
    QTest::newRow("column before row") << kGrid << 3 << 1 << down << true << u"2,2"_s;
    QTest::newRow("last row of column 3 goes on at row 1 of column 4") << kGrid << 3 << 3 << down << true << u"1,4"_s;
    QTest::newRow("past the last cell the scan goes on at the first")
        << kGrid << 1 << 4 << down << true << u"1,1 wrapped"_s;
    QTest::newRow("after the last data cell comes the first")
        << u"x,b|c,a"_s << 2 << 2 << down << true << u"1,1 wrapped"_s;
    QTest::newRow("a lone match is found again past the end")
        << u"a,x|a,a"_s << 1 << 2 << down << true << u"1,2 wrapped"_s;
    QTest::newRow("up from row 1 of column 4 goes on at the bottom of column 3")
        << kGrid << 1 << 4 << up << true << u"3,3"_s;
    QTest::newRow("up-left before the first data cell comes the last")
        << kGrid << 1 << 1 << up << true << u"1,4 wrapped"_s;
    QTest::newRow("up-left past the first cell goes on at the last")
        << u"a,x|a,a"_s << 2 << 1 << up << true << u"1,2 wrapped"_s;
    QTest::newRow("up-left new search tests the current cell") << kGrid << 3 << 3 << up << false << u"3,3"_s;
    QTest::newRow("up-left scans up the column first") << kGrid << 3 << 4 << up << true << u"1,4"_s;
    QTest::newRow("headers never match") << u"a,a|a,a"_s << 1 << 1 << down << false << QString();
}

void TestSearchScan::scanOrder()
{
    QFETCH(QString, cells);
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(SearchDirection, direction);
    QFETCH(bool, continueSearch);
    QFETCH(QString, found);

    Sheet sheet;
    fillSheet(sheet, cells, u"x"_s); // the headers hold an "x" as well
    sheet.setCurrentCell(row, col);
    const std::optional<SearchMatch> match
        = findMatch(sheet, scanStart(sheet, direction, continueSearch), direction, SearchPattern(u"x"_s, false));
    QCOMPARE(match ? u"%1,%2%3"_s.arg(match->cell.row).arg(match->cell.col).arg(match->wrapped ? u" wrapped"_s : u""_s)
                   : QString(),
             found);
}

void TestSearchScan::matching_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("matches");

    QTest::newRow("case folds without match case") << u"xabcx"_s << u"ABC"_s << false << true;
    QTest::newRow("match case wants the exact case") << u"xabcx"_s << u"ABC"_s << true << false;
    QTest::newRow("match case, exact text") << u"xABCx"_s << u"ABC"_s << true << true;
    QTest::newRow("full-width letters fold") << u"ｘａｂｃ"_s << u"ＡＢＣ"_s << false << true;
    QTest::newRow("full-width letters with match case") << u"ｘａｂｃ"_s << u"ＡＢＣ"_s << true << false;
    QTest::newRow("half-width never matches full-width") << u"ａｂｃ"_s << u"abc"_s << false << false;
    QTest::newRow("Japanese text around Latin letters") << u"データabcです"_s << u"ABC"_s << false << true;
    QTest::newRow("kanji around a lower-case search text") << u"品番ABC123"_s << u"abc"_s << false << true;
    QTest::newRow("Greek letters fold") << u"αβγ"_s << u"ΑΒΓ"_s << false << true;
    QTest::newRow("a combining mark that upper-cases") << u"x\u0345"_s << u"X\u0399"_s << false << true;
    QTest::newRow("upper-casing that lengthens") << u"Straße"_s << u"STRASSE"_s << false << true;
    QTest::newRow("empty search text matches an empty cell") << u""_s << u""_s << true << true;
    QTest::newRow("absent text") << u"abc"_s << u"abd"_s << false << false;
    QTest::newRow("search text longer than the cell") << u"ab"_s << u"abc"_s << false << false;
}

void TestSearchScan::matching()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(bool, matchCase);
    QFETCH(bool, matches);
    QCOMPARE(SearchPattern(search, matchCase).matches(text), matches);
}

void TestSearchScan::replacing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("expected");

    QTest::newRow("banana") << u"banana"_s << u"a"_s << u"b"_s << false << u"bbnbnb"_s;
    QTest::newRow("replacement holding the search text ends")
        << u"banana"_s << u"a"_s << u"aa"_s << false << u"baanaanaa"_s;
    QTest::newRow("same text in another case ends") << u"xabcx"_s << u"abc"_s << u"ABC"_s << false << u"xABCx"_s;
    QTest::newRow("empty search text replaces nothing") << u"banana"_s << u""_s << u"x"_s << false << u"banana"_s;
    QTest::newRow("every case without match case") << u"aAa"_s << u"a"_s << u"-"_s << false << u"---"_s;
    QTest::newRow("only the exact case with match case") << u"aAa"_s << u"a"_s << u"-"_s << true << u"-A-"_s;
    QTest::newRow("occurrences do not overlap") << u"aaa"_s << u"aa"_s << u"b"_s << false << u"ba"_s;
    QTest::newRow("empty replacement deletes") << u"a-b-c"_s << u"-"_s << u""_s << false << u"abc"_s;
    QTest::newRow("full-width letters") << u"ａｂｃ"_s << u"ＡＢ"_s << u"x"_s << false << u"xｃ"_s;
    QTest::newRow("a lengthening character is replaced whole") << u"Maße"_s << u"SS"_s << u"x"_s << false << u"Maxe"_s;
    QTest::newRow("Japanese text kept around the replacement")
        << u"東京abc大阪"_s << u"B"_s << u"ビ"_s << false << u"東京aビc大阪"_s;
}

void TestSearchScan::replacing()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(bool, matchCase);
    QFETCH(QString, expected);
    QCOMPARE(SearchPattern(search, matchCase).replaceIn(text, replacement), expected);
}

void TestSearchScan::foundCellIsMarkedAndShown_data()
{
    QTest::addColumn<QPoint>("found"); // row, col of the only match
    QTest::addColumn<QPoint>("scrolled"); // top row, left column afterwards

    QTest::newRow("below the rows in view: it becomes the top row") << QPoint(150, 2) << QPoint(150, 1);
    QTest::newRow("right of the columns in view: it becomes the left column") << QPoint(3, 25) << QPoint(1, 25);
    QTest::newRow("below and right: both") << QPoint(120, 30) << QPoint(120, 30);
    QTest::newRow("in view: no scrolling") << QPoint(10, 2) << QPoint(1, 1);
}

void TestSearchScan::foundCellIsMarkedAndShown()
{
    QFETCH(QPoint, found);
    QFETCH(QPoint, scrolled);
    AppState state;
    RecordingUserInterface ui;
    Sheet &sheet = state.grdData(1);
    sheet.setRows(201);
    sheet.setCols(41);
    sheet.setVisible(true);
    sheet.setTextMatrix(found.x(), found.y(), u"needle"_s);
    // Room for the headers and ten rows, two columns.
    sheet.reportLayout({QList<int>(41, 960), 240, 2880, 240 * 11});
    sheet.setRowSel(5); // a block, collapsed by the find
    QVERIFY(!sheet.colIsVisible(3));
    QSignalSpy focus(&sheet, &Sheet::focusRequested);

    const SearchOutcome outcome
        = RunSearch(state, ui, {1, SearchMode::Find, SearchDirection::DownRight, false, u"NEED"_s, QString(), false});
    QCOMPARE(outcome.result, SearchResult::Found);
    QCOMPARE(selectionOf(sheet), (Selection{found.x(), found.y(), found.x(), found.y()}));
    QCOMPARE(sheet.foreColorAt(found.x(), found.y()), kMarkForeColor);
    QCOMPARE(focus.size(), 1);
    QCOMPARE(QPoint(sheet.topRow(), sheet.leftCol()), scrolled);
    QVERIFY(sheet.rowIsVisible(found.x()) && sheet.colIsVisible(found.y()));
    QVERIFY(ui.messages.isEmpty());
    QVERIFY(!state.UndoAvailable[1]);
}

void TestSearchScan::nothingFoundLeavesTheSheet()
{
    AppState state;
    RecordingUserInterface ui;
    Sheet &sheet = state.grdData(0);
    fillSheet(sheet, u"a,b|c,d"_s);
    select(sheet, {1, 1, 2, 2});
    // Nowhere in the sheet, past its end included.
    const SearchOutcome outcome
        = RunSearch(state, ui, {0, SearchMode::Replace, SearchDirection::UpLeft, true, u"z"_s, u"x"_s, false});
    QCOMPARE(outcome.result, SearchResult::NotFound);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().text, u"その方向には、検索データはありません"_s);
    QCOMPARE(ui.messages.first().title, u"検索結果"_s);
    QCOMPARE(ui.messages.first().icon, MessageIcon::None);
    QCOMPARE(selectionOf(sheet), (Selection{1, 1, 2, 2}));
    QCOMPARE(sheet.textMatrix(1, 2), u"b"_s);
    QVERIFY(!state.UndoAvailable[0]);

    // The modeless dialog stays usable during a comparison, which must find its sheets untouched.
    state.CompareRunning = true;
    for (const SearchMode mode : {SearchMode::Replace, SearchMode::ReplaceAll})
        QCOMPARE(RunSearch(state, ui, {0, mode, SearchDirection::DownRight, false, u"a"_s, u"x"_s}).result,
                 SearchResult::Busy);
    QCOMPARE(sheet.textMatrix(1, 1), u"a"_s);
    QCOMPARE(selectionOf(sheet), (Selection{1, 1, 2, 2}));
    QCOMPARE(ui.messages.size(), 1);
}

void TestSearchScan::replaceChangesOneCellWithOneSnapshot()
{
    AppState state;
    RecordingUserInterface ui;
    Sheet &sheet = state.grdData(0);
    fillSheet(sheet, u"x,banana|banana,a"_s);
    sheet.setCurrentCell(2, 1);
    const SearchRequest request{0,     SearchMode::Replace, SearchDirection::DownRight, true, u"A"_s, u"b"_s,
                                false, SearchCell{2, 1}};
    QCOMPARE(RunSearch(state, ui, request).result, SearchResult::Found);
    QCOMPARE(sheet.textMatrix(2, 1), u"bbnbnb"_s);
    QCOMPARE(sheet.textMatrix(1, 2), u"banana"_s);
    QCOMPARE(sheet.textMatrix(2, 2), u"a"_s);
    // The next match is shown, not replaced.
    QCOMPARE(selectionOf(sheet), (Selection{1, 2, 1, 2}));
    QVERIFY(state.UndoAvailable[0]);

    RestoreUndoSnapshot(state, ui, 0);
    QCOMPARE(sheet.textMatrix(2, 1), u"banana"_s);
}

void TestSearchScan::replaceWithoutChangeTakesNoSnapshot()
{
    // An empty search text finds the first cell tested but changes nothing; the undo snapshot of
    // the last real change stays.
    AppState state;
    RecordingUserInterface ui;
    Sheet &sheet = state.grdData(0);
    fillSheet(sheet, u"old,b"_s);
    SaveUndoSnapshot(state, 0);
    sheet.setTextMatrix(1, 1, u"new"_s);
    sheet.setCurrentCell(1, 2);
    QCOMPARE(RunSearch(state, ui,
                       {0, SearchMode::Replace, SearchDirection::DownRight, false, QString(), u"x"_s, false,
                        SearchCell{1, 2}})
                 .result,
             SearchResult::Found);
    QCOMPARE(sheet.textMatrix(1, 2), u"b"_s);
    RestoreUndoSnapshot(state, ui, 0);
    QCOMPARE(sheet.textMatrix(1, 1), u"old"_s);
}

void TestSearchScan::replaceShowsTheMatchFirst_data()
{
    QTest::addColumn<QString>("between"); // what the person does between the two presses of 置換
    QTest::addColumn<QString>("cells"); // afterwards
    QTest::addColumn<QString>("shown"); // the current cell afterwards; "+" past the sheet's end

    QTest::newRow("the second press replaces and shows the next") << u""_s << u"ya,b|xb,xc"_s << u"2,1"_s;
    QTest::newRow("a match 検索 shows is replaced next") << u"find"_s << u"xa,b|yb,xc"_s << u"2,2"_s;
    QTest::newRow("another current cell is shown first") << u"move"_s << u"xa,b|xb,xc"_s << u"1,1+"_s;
}

void TestSearchScan::replaceShowsTheMatchFirst()
{
    QFETCH(QString, between);
    QFETCH(QString, cells);
    QFETCH(QString, shown);
    AppState state;
    RecordingUserInterface ui;
    Sheet &sheet = state.grdData(0);
    fillSheet(sheet, u"xa,b|xb,xc"_s);
    SearchRequest request{0, SearchMode::Replace, SearchDirection::DownRight, false, u"X"_s, u"y"_s, false};
    request.shownMatch = RunSearch(state, ui, request).shown;
    QCOMPARE(cellTexts(sheet), u"xa,b|xb,xc"_s);
    request.continueSearch = true;
    if (between == u"find"_s)
        request.shownMatch
            = RunSearch(state, ui, {0, SearchMode::Find, SearchDirection::DownRight, true, u"x"_s, {}, false}).shown;
    if (between == u"move"_s)
        sheet.setCurrentCell(2, 2);
    const SearchOutcome outcome = RunSearch(state, ui, request);
    QCOMPARE(cellTexts(sheet), cells);
    QCOMPARE(u"%1,%2"_s.arg(sheet.row()).arg(sheet.col()) + (outcome.wrapped ? u"+"_s : u""_s), shown);
    QCOMPARE(state.history.undoCount(0), std::size_t(outcome.replaced));
}

void TestSearchScan::replaceAll_data()
{
    QTest::addColumn<QString>("cells"); // then the search text, the replacement, what the cells become
    QTest::addColumn<QStringList>("replace");
    QTest::addColumn<QString>("note"); // the dialog's label; empty: the nothing-found message

    QTest::newRow("every occurrence") << u"bAnana,xa|a,b"_s << QStringList{u"a"_s, u"o"_s, u"bonono,xo|o,b"_s}
                                      << u"5 個置換しました"_s;
    QTest::newRow("overlapping matches, left to right")
        << u"aaa,aaaa"_s << QStringList{u"aa"_s, u"b"_s, u"ba,bb"_s} << u"3 個置換しました"_s;
    QTest::newRow("a match the replacement makes is left")
        << u"abb,a"_s << QStringList{u"ab"_s, u"a"_s, u"ab,a"_s} << u"1 個置換しました"_s;
    QTest::newRow("an empty search text, in the filler row too")
        << u"a,b"_s << QStringList{u""_s, u"x"_s, u"a,b"_s} << u"0 個置換しました"_s;
    QTest::newRow("no match at all") << u"a,b"_s << QStringList{u"z"_s, u"x"_s, u"a,b"_s} << QString();
}

// すべて置換: every data cell, as one step of the history, the pair compared again.
void TestSearchScan::replaceAll()
{
    QFETCH(QString, cells);
    QFETCH(QStringList, replace);
    QFETCH(QString, note);
    AppState state;
    RecordingUserInterface ui;
    fillSheet(state.grdData(0), cells);
    Sheet &sheet = state.grdData(1);
    // The headers hold the search text too, and a filler row holds nothing: neither changes.
    fillSheet(sheet, cells, replace[0]);
    sheet.setRows(sheet.rows() + 1);
    sheet.setFillerRow(sheet.rows() - 1, true);
    const QString filler = u'|' + QString(sheet.cols() - 2, u',');
    state.ActiveSheet = 1;
    const SearchRequest request{1, SearchMode::ReplaceAll, SearchDirection::UpLeft, true, replace[0], replace[1]};
    const SearchOutcome outcome = RunSearch(state, ui, request);

    QCOMPARE(cellTexts(sheet) + sheet.textMatrix(0, 1), replace[2] + filler + replace[0] + u"1列"_s);
    QVERIFY(sheet.isFillerRow(sheet.rows() - 1));
    QCOMPARE(searchNote(outcome, request), note);
    QCOMPARE(ui.messages.size(), note.isEmpty() ? 1 : 0);
    QCOMPARE(colourMap(sheet).contains(u'R'), replace[2] != cells);
    QCOMPARE(state.history.undoCount(1), std::size_t(replace[2] != cells));
    mnuZ_Click(state, ui);
    QCOMPARE(cellTexts(sheet), cells + filler);
}

QTEST_MAIN(TestSearchScan)
#include "tst_searchscan.moc"
