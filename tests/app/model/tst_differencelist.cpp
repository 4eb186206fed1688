#include "AppState.h"
#include "CellEditor.h"
#include "ClipboardCommands.h"
#include "CompareEngine.h"
#include "Differences.h"
#include "RecordingUserInterface.h"
#include "RowsAndColumns.h"
#include "SearchScan.h"
#include "SendToOther.h"
#include "UndoSnapshots.h"
#include "WindowSheetFixtures.h"

#include <QRandomGenerator>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The list of marked positions that F8, the status bar and the scroll-bar marks read, held up
// against what a comparison made afresh finds and against the colours, after every command of
// random sequences.
class TestDifferenceList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void followsEveryCommand_data();
    void followsEveryCommand();
    void cancelledRunKeepsTheMarksItDidNotReach();

private:
    AppState &s()
    {
        return *m_state;
    }
    // "row,col:D" (differs) or "row,col:M" (only one sheet has it), in reading order.
    [[nodiscard]] QStringList fromList() const;
    [[nodiscard]] QStringList fromFreshComparison() const;
    [[nodiscard]] QStringList fromColours() const;
    void runRandomCommand(QRandomGenerator &random, QString &name);

    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

void TestDifferenceList::init()
{
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
}

void TestDifferenceList::cleanup()
{
    m_ui.reset();
    m_state.reset();
}

QStringList TestDifferenceList::fromList() const
{
    QStringList out;
    for (const Difference &d : m_state->Differences.all())
        out << u"%1,%2:%3"_s.arg(d.position.row())
                   .arg(d.position.col())
                   .arg(d.kind == DifferenceKind::Differs ? u"D"_s : u"M"_s);
    return out;
}

// Cell by cell over the union of both sheets, without the engine.
QStringList TestDifferenceList::fromFreshComparison() const
{
    const Sheet &a = m_state->grdData(0);
    const Sheet &b = m_state->grdData(1);
    QStringList out;
    for (int r = 1; r < std::max(a.rows(), b.rows()); ++r) {
        for (int c = 1; c < std::max(a.cols(), b.cols()); ++c) {
            const bool inA = r < a.rows() && c < a.cols();
            const bool inB = r < b.rows() && c < b.cols();
            if (inA && inB && a.textMatrix(r, c) != b.textMatrix(r, c))
                out << u"%1,%2:D"_s.arg(r).arg(c);
            else if (inA != inB)
                out << u"%1,%2:M"_s.arg(r).arg(c);
        }
    }
    return out;
}

QStringList TestDifferenceList::fromColours() const
{
    const Sheet &a = m_state->grdData(0);
    const Sheet &b = m_state->grdData(1);
    QStringList out;
    for (int r = 1; r < std::max(a.rows(), b.rows()); ++r) {
        for (int c = 1; c < std::max(a.cols(), b.cols()); ++c) {
            QString kinds;
            for (const Sheet *sheet : {&a, &b}) {
                if (r >= sheet->rows() || c >= sheet->cols())
                    continue;
                const OleColor colour = sheet->backColorAt(r, c);
                if (colour == kDiffBackColor || colour == kFillerBackColor)
                    kinds += u'D';
                else if (colour == kExtraBackColor)
                    kinds += u'M';
            }
            // A differing pair is marked in both sheets, a cell one sheet lacks in the other.
            if (kinds == u"DD"_s || kinds == u"M"_s)
                out << u"%1,%2:%3"_s.arg(r).arg(c).arg(kinds.left(1));
            else if (!kinds.isEmpty())
                out << u"%1,%2:half-marked %3"_s.arg(r).arg(c).arg(kinds);
        }
    }
    return out;
}

void TestDifferenceList::runRandomCommand(QRandomGenerator &random, QString &name)
{
    static const QStringList kTexts{u""_s, u"a"_s, u"b"_s, u"ab"_s};
    const int index = random.bounded(2);
    s().ActiveSheet = index;
    Sheet &sheet = s().grdData(index);
    const int r1 = 1 + random.bounded(sheet.rows() - 1);
    const int c1 = 1 + random.bounded(sheet.cols() - 1);
    const int r2 = std::min(sheet.rows() - 1, r1 + random.bounded(3));
    const int c2 = std::min(sheet.cols() - 1, c1 + random.bounded(3));
    sheet.setCurrentCell(r1, c1);
    sheet.setRowSel(r2);
    sheet.setColSel(c2);
    const QString place = u" in %1 at %2,%3-%4,%5"_s.arg(index).arg(r1).arg(c1).arg(r2).arg(c2);
    switch (random.bounded(10)) {
    case 0:
        name = u"edit"_s + place;
        sheet.setCurrentCell(r1, c1);
        s().KeyEditArmed = true;
        grdData_KeyPress(s(), *m_ui, index, 'a' + random.bounded(2));
        EndCellEdit(s(), index);
        break;
    case 1:
        name = u"delete"_s + place;
        RunAsHistoryStep(s(), Command::Del, [&] { mnuDel_Click(s(), *m_ui); });
        break;
    case 2: {
        QStringList lines;
        for (int k = 0, n = 1 + random.bounded(3); k < n; ++k)
            lines << kTexts.at(random.bounded(4)) + u'\t' + kTexts.at(random.bounded(4));
        m_ui->clipboard = lines.join(u"\r\n"_s);
        name = u"paste "_s + m_ui->clipboard + place;
        RunAsHistoryStep(s(), Command::Peast, [&] { mnuPeast_Click(s(), *m_ui); });
        break;
    }
    case 3:
        name = u"copy to the other sheet"_s + place;
        RunAsHistoryStep(s(), Command::Send, [&] { mnuSend_Click(s(), *m_ui); });
        break;
    case 4: {
        SearchRequest request;
        request.sheet = index;
        request.mode = SearchMode::Replace;
        request.searchText = kTexts.at(1 + random.bounded(2));
        request.replaceText = kTexts.at(random.bounded(4));
        name = u"replace %1 by %2"_s.arg(request.searchText, request.replaceText) + place;
        // The first press shows the match, the second replaces it.
        request.shownMatch = RunSearch(s(), *m_ui, request).shown;
        request.continueSearch = true;
        (void)RunSearch(s(), *m_ui, request);
        break;
    }
    case 5: {
        static const QStringList kItems{u"行追加"_s, u"列追加"_s, u"行削除"_s, u"列削除"_s};
        const QString item = kItems.at(random.bounded(4));
        name = item + place;
        if (item.endsWith(u"追加"_s))
            RunAsHistoryStep(s(), Command::GAdd, [&] { mnuGAdd_Click(s(), *m_ui, item); });
        else
            RunAsHistoryStep(s(), Command::GDel, [&] { mnuGDel_Click(s(), *m_ui, item); });
        break;
    }
    case 6:
        name = u"undo"_s + place;
        mnuZ_Click(s(), *m_ui);
        break;
    case 7:
        name = u"line up rows"_s;
        RunAsHistoryStep(s(), Command::Align, [&] { mnuAlign_Click(s(), *m_ui); });
        break;
    case 8:
        name = u"compare"_s;
        (void)CompareSheets(s(), *m_ui, true);
        break;
    default:
        name = u"silent comparison"_s;
        (void)CompareSheets(s(), *m_ui, false);
        break;
    }
}

void TestDifferenceList::followsEveryCommand_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 12; ++seed)
        QTest::newRow(qPrintable(u"random commands, seed %1"_s.arg(seed))) << seed;
}

void TestDifferenceList::followsEveryCommand()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    fillSheet(s().grdData(0), u"a,b,,a|b,b,a,|ab,,a,b|a,a,b,b|,b,ab,a"_s);
    fillSheet(s().grdData(1), u"a,b,a|b,,a|ab,,a|a,a,b|,b,ab|b,a,a"_s);
    s().mnuUndoChecked = true;
    (void)CompareSheets(s(), *m_ui, true);
    QCOMPARE(fromList(), fromFreshComparison());

    for (int step = 0; step < 60; ++step) {
        QString command;
        runRandomCommand(random, command);
        const QStringList listed = fromList();
        if (listed != fromFreshComparison() || listed != fromColours()) {
            qWarning("after step %d, %s", step, qPrintable(command));
            QCOMPARE(listed, fromFreshComparison());
            QCOMPARE(listed, fromColours());
        }
        // Every place the status bar gives is the place F8 reaches it at.
        const std::vector<Difference> all = s().Differences.all();
        QCOMPARE(s().Differences.count(), qsizetype(all.size()));
        for (size_t k = 0; k < all.size(); ++k)
            QCOMPARE(s().Differences.ordinal(all[k].position), std::optional<qsizetype>(qsizetype(k) + 1));
    }
}

void TestDifferenceList::cancelledRunKeepsTheMarksItDidNotReach()
{
    fillSheet(s().grdData(0), u"a,b|c,d|e,f|g,h"_s);
    fillSheet(s().grdData(1), u"a,X|c,d|e,Y|g,h|i,j"_s);
    (void)CompareSheets(s(), *m_ui, true);
    const QStringList before = fromList();
    QCOMPARE(before, (QStringList{u"1,2:D"_s, u"3,2:D"_s, u"5,1:M"_s, u"5,2:M"_s}));

    // Stopped after the first yield: the extra row is marked again, no row of the common area
    // is reached, and the marks of the run before stay with their colours.
    m_ui->onYield = [this] { s().CompareCancelled = true; };
    (void)CompareSheets(s(), *m_ui, true);
    QCOMPARE(fromList(), fromColours());
    QCOMPARE(fromList(), before);
}

QTEST_GUILESS_MAIN(TestDifferenceList)
#include "tst_differencelist.moc"
