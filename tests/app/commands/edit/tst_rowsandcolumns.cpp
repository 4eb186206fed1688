#include "AppState.h"
#include "NewSheets.h"
#include "RecordingUserInterface.h"
#include "RowsAndColumns.h"
#include "UndoSnapshots.h"
#include "WindowSheetFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
bool headersNumbered(const Sheet &sheet)
{
    for (int r = 1; r < sheet.rows(); ++r)
        if (sheet.textMatrix(r, 0) != QString::number(r) + u"行"_s)
            return false;
    for (int c = 1; c < sheet.cols(); ++c)
        if (sheet.textMatrix(0, c) != QString::number(c) + u"列"_s)
            return false;
    return true;
}

const QString kFourRows = u"a,b,c|d,e,f|g,h,i|j,k,l"_s;
} // namespace

class TestRowsAndColumns : public QObject
{
    Q_OBJECT

private slots:
    void changesRowsOrColumns_data();
    void changesRowsOrColumns();
    void insertionStopsAtTheLimit_data();
    void insertionStopsAtTheLimit();
    void insertionPastTheCellCapacityIsRefused_data();
    void insertionPastTheCellCapacityIsRefused();
};

void TestRowsAndColumns::changesRowsOrColumns_data()
{
    QTest::addColumn<QString>("sheet"); // sheet 1's cells; sheet 2 holds kFourRows
    QTest::addColumn<bool>("add");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<Selection>("block");
    QTest::addColumn<bool>("bothShown");
    QTest::addColumn<QString>("texts");
    QTest::addColumn<QString>("colours"); // sheet 1's; (4, 2) is marked before
    QTest::addColumn<bool>("renumbered");

    QTest::newRow("row 3 added: rows below move down, the pair is compared again")
        << kFourRows << true << u"行追加"_s << Selection{3, 1, 3, 3} << true << u"a,b,c|d,e,f|,,|g,h,i|j,k,l"_s
        << u"...|...|RRR|RRR|MMM"_s << true;
    QTest::newRow("rows 2 to 3 deleted: colours go with their rows")
        << kFourRows << false << u"行削除"_s << Selection{2, 1, 3, 3} << false << u"a,b,c|j,k,l"_s << u"...|.R."_s
        << true;
    QTest::newRow("columns 1 to 2 added: texts move, colours stay")
        << kFourRows << true << u"列追加"_s << Selection{1, 1, 4, 2} << false << u",,a,b,c|,,d,e,f|,,g,h,i|,,j,k,l"_s
        << u".....|.....|.....|.R..."_s << true;
    QTest::newRow("column 2 deleted, compared again") << kFourRows << false << u"列削除"_s << Selection{1, 2, 4, 2}
                                                      << true << u"a,c|d,f|g,i|j,l"_s << u".R|.R|.R|.R"_s << true;
    QTest::newRow("the one data row is never deleted")
        << u"a,b"_s << false << u"行削除"_s << Selection{1, 1, 1, 2} << false << u"a,b"_s << u".."_s << true;
    QTest::newRow("deleting every row keeps the last, renumbered")
        << kFourRows << false << u"行削除"_s << Selection{1, 1, 4, 3} << false << u"j,k,l"_s << u".R."_s << true;
    QTest::newRow("deleting every column keeps the last, renumbered")
        << kFourRows << false << u"列削除"_s << Selection{1, 1, 4, 3} << false << u"c|f|i|l"_s << u".|.|.|."_s << true;
    QTest::newRow("a caption naming neither changes nothing") << kFourRows << true << u"追加"_s << Selection{2, 1, 2, 3}
                                                              << false << kFourRows << u"...|...|...|.R."_s << true;
    QTest::newRow("the shortcut text after a TAB is no part of the caption")
        << kFourRows << false << u"列削除\tDel"_s << Selection{1, 3, 4, 3} << false << u"a,b|d,e|g,h|j,k"_s
        << u"..|..|..|.R"_s << true;
}

void TestRowsAndColumns::changesRowsOrColumns()
{
    QFETCH(QString, sheet);
    QFETCH(bool, add);
    QFETCH(QString, caption);
    QFETCH(Selection, block);
    QFETCH(bool, bothShown);
    QFETCH(QString, texts);
    QFETCH(QString, colours);
    QFETCH(bool, renumbered);

    for (int active = 0; active < 2; ++active) {
        AppState state;
        RecordingUserInterface ui;
        Sheet &changed = state.grdData(active);
        Sheet &other = state.grdData(1 - active);
        fillSheet(changed, sheet);
        fillSheet(other, kFourRows);
        other.setVisible(bothShown);
        if (changed.rows() > 4)
            changed.setBackColorAt(4, 2, kDiffBackColor);
        select(changed, block);
        state.ActiveSheet = active;
        const QStringList before = wholeSheet(changed);
        const QStringList otherBefore = wholeSheet(other);

        RunAsHistoryStep(state, Command::GAdd,
                         [&] { add ? mnuGAdd_Click(state, ui, caption) : mnuGDel_Click(state, ui, caption); });

        QCOMPARE(cellTexts(changed), texts);
        QCOMPARE(colourMap(changed), colours);
        QCOMPARE(headersNumbered(changed), renumbered);
        QCOMPARE(wholeSheet(other), otherBefore);
        QVERIFY(changed.isEnabled() && changed.redraw());
        // A command that changed nothing leaves no step.
        QCOMPARE(state.UndoAvailable[active], texts != sheet);
        QVERIFY(ui.messages.isEmpty());

        mnuZ_Click(state, ui);
        QCOMPARE(wholeSheet(changed), before);
    }
}

void TestRowsAndColumns::insertionStopsAtTheLimit_data()
{
    QTest::addColumn<bool>("rows");
    QTest::newRow("rows") << true;
    QTest::newRow("columns") << false;
}

void TestRowsAndColumns::insertionStopsAtTheLimit()
{
    QFETCH(bool, rows);

    AppState state;
    RecordingUserInterface ui;
    state.grdData(1).setVisible(false);
    Sheet &sheet = state.grdData(0);
    // One short of the limit: of the three asked for, one fits.
    sheet.setRows(rows ? kMaxRowCol - 1 : 2);
    sheet.setCols(rows ? 2 : kMaxRowCol - 1);
    NumberRowHeaders(sheet);
    NumberColumnHeaders(sheet);
    sheet.setTextMatrix(rows ? 5 : 1, rows ? 1 : 5, u"x"_s);
    select(sheet, rows ? Selection{3, 1, 5, 1} : Selection{1, 3, 1, 5});
    state.ActiveSheet = 0;
    const QStringList before = wholeSheet(sheet);

    RunAsHistoryStep(state, Command::GAdd, [&] { mnuGAdd_Click(state, ui, rows ? u"行追加"_s : u"列追加"_s); });

    QCOMPARE(rows ? sheet.rows() : sheet.cols(), kMaxRowCol);
    QCOMPARE(rows ? sheet.textMatrix(6, 1) : sheet.textMatrix(1, 6), u"x"_s);
    QVERIFY(headersNumbered(sheet));
    QVERIFY(sheet.isEnabled() && sheet.redraw());

    mnuZ_Click(state, ui);
    QCOMPARE(wholeSheet(sheet), before);
}

void TestRowsAndColumns::insertionPastTheCellCapacityIsRefused_data()
{
    QTest::addColumn<bool>("rows");
    QTest::newRow("rows") << true;
    QTest::newRow("columns") << false;
}

// A sheet that holds all the cells it may: nothing is inserted, the person is told, and the undo
// still takes back the edit made before.
void TestRowsAndColumns::insertionPastTheCellCapacityIsRefused()
{
    QFETCH(bool, rows);

    AppState state;
    RecordingUserInterface ui;
    state.grdData(1).setVisible(false);
    state.mnuUndoChecked = true;
    Sheet &sheet = state.grdData(0);
    sheet.setRows(rows ? 2049 : 16376);
    sheet.setCols(rows ? 16376 : 2049);
    sheet.setVisible(true);
    state.ActiveSheet = 0;
    SaveUndoSnapshot(state, 0); // the edit's snapshot
    sheet.setTextMatrix(1, 1, u"edited"_s);
    select(sheet, Selection{1, 1, 1, 1});

    RunAsHistoryStep(state, Command::GAdd, [&] { mnuGAdd_Click(state, ui, rows ? u"行追加"_s : u"列追加"_s); });

    QCOMPARE(sheet.rows(), rows ? 2049 : 16376);
    QCOMPARE(sheet.cols(), rows ? 16376 : 2049);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().icon, MessageIcon::Exclamation);
    QVERIFY(sheet.isEnabled() && sheet.redraw());
    mnuZ_Click(state, ui);
    QCOMPARE(sheet.textMatrix(1, 1), QString());
}

QTEST_GUILESS_MAIN(TestRowsAndColumns)
#include "tst_rowsandcolumns.moc"
