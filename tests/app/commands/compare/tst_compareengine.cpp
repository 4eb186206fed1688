#include "AppState.h"
#include "CompareEngine.h"
#include "RecordingUserInterface.h"
#include "RowAlignment.h"
#include "SheetPairFixture.h"

#include <QTest>

#include <functional>
#include <memory>

class TestCompareEngine : public QObject, private SheetPairFixture
{
    Q_OBJECT

private slots:
    void init();

    void colours_data();
    void colours();
    void staleMarks_data();
    void staleMarks();
    void reportedDifferences_data();
    void reportedDifferences();
    void findDifferencesAgreesOnShapes_data();
    void findDifferencesAgreesOnShapes();
    void positionOrder_data();
    void positionOrder();
    void stateDuringAndAfterRun_data();
    void stateDuringAndAfterRun();
    void orderOfStartAndEnding_data();
    void orderOfStartAndEnding();
    void selectionsRestored_data();
    void selectionsRestored();
    void cancel_data();
    void cancel();
    void progress_data();
    void progress();
    void yieldsOnlyForExtraRowsAndColumnsWhenSilent();
    void countHasNoSeparators();
    void cmdDiff_data();
    void cmdDiff();
    void linedUpRowsReachTheViewAsOneShapeChange_data();
    void linedUpRowsReachTheViewAsOneShapeChange();
};

namespace
{
const QString kSizesLine = u"\r\nサイズに差異があります"_s;
} // namespace

void TestCompareEngine::init()
{
    startPair();
}

void TestCompareEngine::colours_data()
{
    QTest::addColumn<QString>("sheet0");
    QTest::addColumn<QString>("sheet1");
    QTest::addColumn<bool>("showProgress");
    QTest::addColumn<QString>("map0");
    QTest::addColumn<QString>("map1");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("sizesDiffer");
    QTest::addColumn<QString>("message"); // empty: no message expected

    QTest::newRow("identical sheets") << u"a,b|c,d"_s << u"a,b|c,d"_s << true << u"..|.."_s << u"..|.."_s << 0 << false
                                      << u"差はありません"_s;
    QTest::newRow("one differing cell") << u"a,b|c,d"_s << u"a,b|c,x"_s << true << u"..|.R"_s << u"..|.R"_s << 1
                                        << false << u"差が　1　個あります"_s;
    QTest::newRow("letter case, trailing space and full width differ")
        << u"abc,x ,ａ,１|same,,z,2"_s << u"ABC,x,a,1|same,,z,2"_s << true << u"RRRR|...."_s << u"RRRR|...."_s << 4
        << false << u"差が　4　個あります"_s;
    QTest::newRow("empty and non-empty differ")
        << u"a,|,b"_s << u"a, |b,b"_s << true << u".R|R."_s << u".R|R."_s << 2 << false << u"差が　2　個あります"_s;
    QTest::newRow("sheet 0 three rows taller")
        << u"a,b|c,d|e,f|g,h|i,j"_s << u"a,b|c,x"_s << true << u"..|.R|MM|MM|MM"_s << u"..|.R"_s << 1 << true
        << u"差が　1　個あります"_s + kSizesLine;
    QTest::newRow("sheet 1 taller") << u"a,b"_s << u"a,x|c,d"_s << true << u".R"_s << u".R|MM"_s << 1 << true
                                    << u"差が　1　個あります"_s + kSizesLine;
    QTest::newRow("sheet 1 wider") << u"a|b"_s << u"a,x|c,y"_s << true << u".|R"_s << u".M|RM"_s << 1 << true
                                   << u"差が　1　個あります"_s + kSizesLine;
    QTest::newRow("sheet 0 wider") << u"a,b,c"_s << u"a,b"_s << true << u"..M"_s << u".."_s << 0 << true
                                   << u"差はありません"_s + kSizesLine;
    QTest::newRow("sheet 0 larger in both directions, corner included")
        << u"a,b,c|d,e,f|g,h,i"_s << u"a,b|d,x"_s << true << u"..M|.RM|MMM"_s << u"..|.R"_s << 1 << true
        << u"差が　1　個あります"_s + kSizesLine;
    QTest::newRow("sheet 1 larger in both directions") << u"a"_s << u"q,b,c|d,e,f"_s << true << u"R"_s << u"RMM|MMM"_s
                                                       << 1 << true << u"差が　1　個あります"_s + kSizesLine;
    QTest::newRow("each sheet larger in one direction")
        << u"a|b|c"_s << u"a,b,c"_s << true << u".|M|M"_s << u".MM"_s << 0 << true << u"差はありません"_s + kSizesLine;
    QTest::newRow("all twelve differ") << u"a,b,c,d|e,f,g,h|i,j,k,l"_s << u"1,2,3,4|5,6,7,8|9,0,x,y"_s << true
                                       << u"RRRR|RRRR|RRRR"_s << u"RRRR|RRRR|RRRR"_s << 12 << false
                                       << u"差が　12　個あります"_s;
    QTest::newRow("silent: one differing cell, no message")
        << u"a,b|c,d"_s << u"a,b|c,x"_s << false << u"..|.R"_s << u"..|.R"_s << 1 << false << QString();
    QTest::newRow("silent: larger in both directions")
        << u"a,b,c|d,e,f|g,h,i"_s << u"a,b|d,x"_s << false << u"..M|.RM|MMM"_s << u"..|.R"_s << 1 << true << QString();
}

void TestCompareEngine::colours()
{
    QFETCH(QString, sheet0);
    QFETCH(QString, sheet1);
    QFETCH(bool, showProgress);
    QFETCH(QString, map0);
    QFETCH(QString, map1);
    QFETCH(int, count);
    QFETCH(bool, sizesDiffer);
    QFETCH(QString, message);

    // Different header texts on the two sheets: headers are never compared or coloured.
    fillPair(sheet0, sheet1, u"別"_s);

    const CompareResult result = CompareSheets(*m_state, *m_ui, showProgress);

    QCOMPARE(colourMap(m_state->grdData(0)), map0);
    QCOMPARE(colourMap(m_state->grdData(1)), map1);
    QVERIFY(headersUncoloured(m_state->grdData(0)));
    QVERIFY(headersUncoloured(m_state->grdData(1)));
    QCOMPARE(result.count(), count);
    QCOMPARE(result.sizesDiffer, sizesDiffer);
    QVERIFY(!result.cancelled);
    if (message.isEmpty()) {
        QVERIFY(m_ui->messages.isEmpty());
        QCOMPARE(m_ui->progressShowCount, 0);
    } else {
        QCOMPARE(m_ui->messages.size(), 1);
        QCOMPARE(m_ui->messages.first().text, message);
        QCOMPARE(m_ui->messages.first().title, u"比較結果"_s);
        QCOMPARE(m_ui->messages.first().icon, MessageIcon::None);
        QCOMPARE(m_ui->progressShowCount, 1);
        QCOMPARE(m_ui->progressCloseCount, 1);
        QVERIFY(!m_ui->progressShown);
    }
}

void TestCompareEngine::staleMarks_data()
{
    QTest::addColumn<bool>("showProgress");
    QTest::addColumn<QString>("map");

    // Before the run: (1,1) light red and (2,2) magenta although equal; (1,2) really differs.
    QTest::newRow("interactive keeps stale marks") << true << u"RR|.M"_s;
    QTest::newRow("silent clears stale marks") << false << u".R|.."_s;
}

void TestCompareEngine::staleMarks()
{
    QFETCH(bool, showProgress);
    QFETCH(QString, map);

    for (int i = 0; i < 2; ++i) {
        fillSheet(m_state->grdData(i), i == 0 ? u"a,b|c,d"_s : u"a,x|c,d"_s);
        paintMap(m_state->grdData(i), u"R.|.M"_s);
    }

    const CompareResult result = CompareSheets(*m_state, *m_ui, showProgress);

    QCOMPARE(result.count(), 1);
    QCOMPARE(colourMap(m_state->grdData(0)), map);
    QCOMPARE(colourMap(m_state->grdData(1)), map);
}

void TestCompareEngine::reportedDifferences_data()
{
    QTest::addColumn<QString>("sheet0");
    QTest::addColumn<QString>("sheet1");
    QTest::addColumn<bool>("showProgress");
    QTest::addColumn<QString>("stale"); // marks on both sheets before the run
    QTest::addColumn<QString>("differences");
    QTest::addColumn<QList<int>>("shape"); // Rows of sheet 0 and 1, then Cols of sheet 0 and 1

    QTest::newRow("equal sizes, reading order") << u"a,b,c|d,e,f|g,h,i"_s << u"a,b,C|D,e,f|g,H,i"_s << true << QString()
                                                << u"1,3 2,1 3,2"_s << QList<int>{4, 4, 4, 4};
    QTest::newRow("equal sizes, nothing differs")
        << u"a,b|c,d"_s << u"a,b|c,d"_s << true << QString() << QString() << QList<int>{3, 3, 3, 3};
    QTest::newRow("sheet 0 has extra rows")
        << u"a,b|c,d|e,f|g,h"_s << u"x,b|c,y"_s << true << QString() << u"1,1 2,2"_s << QList<int>{5, 3, 3, 3};
    QTest::newRow("sheet 1 has extra columns")
        << u"a,b|c,d"_s << u"a,B,p,q|c,d,r,s"_s << true << QString() << u"1,2"_s << QList<int>{3, 3, 3, 5};
    QTest::newRow("sheet 0 larger in both directions")
        << u"a,b,c|d,e,f|g,h,i"_s << u"a,x|y,e"_s << true << QString() << u"1,2 2,1"_s << QList<int>{4, 3, 4, 3};
    QTest::newRow("each sheet larger in one direction")
        << u"a|b|c"_s << u"z,b,c"_s << true << QString() << u"1,1"_s << QList<int>{4, 2, 2, 4};
    QTest::newRow("silent run resets stale marks")
        << u"a,b,c|d,e,f"_s << u"a,x,c|d,e,y"_s << false << u"R.M|MRR"_s << u"1,2 2,3"_s << QList<int>{3, 3, 4, 4};
    QTest::newRow("silent run, sizes differ, stale marks")
        << u"a,b|c,d|e,f"_s << u"a,b,c|x,d,e"_s << false << u"RR|RR"_s << u"2,1"_s << QList<int>{4, 3, 3, 4};
}

// The engine's list of differing positions is exactly what the person sees light red on each
// sheet, and its shapes describe exactly the magenta cells.
void TestCompareEngine::reportedDifferences()
{
    QFETCH(QString, sheet0);
    QFETCH(QString, sheet1);
    QFETCH(bool, showProgress);
    QFETCH(QString, stale);
    QFETCH(QString, differences);
    QFETCH(QList<int>, shape);

    fillPair(sheet0, sheet1);
    for (int i = 0; i < 2; ++i)
        paintMap(m_state->grdData(i), stale);

    // The companion's comparison without colours reports the same.
    const CompareResult found = FindDifferences(m_state->grdData(0).data(), m_state->grdData(1).data());
    const CompareResult result = CompareSheets(*m_state, *m_ui, showProgress);

    QCOMPARE(positionsText(found.differences), differences);
    QCOMPARE(found.rows, result.rows);
    QCOMPARE(found.cols, result.cols);
    QCOMPARE(found.sizesDiffer, result.sizesDiffer);
    QCOMPARE(positionsText(result.differences), differences);
    QCOMPARE(result.count(), qint32(result.differences.size()));
    QCOMPARE((QList<int>{result.rows[0], result.rows[1], result.cols[0], result.cols[1]}), shape);
    bool anyOutside = false;
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = m_state->grdData(i);
        QCOMPARE(cellsColoured(sheet, kDiffBackColor), differences);
        QStringList outside;
        for (int r = 0; r < sheet.rows(); ++r) {
            for (int c = 0; c < sheet.cols(); ++c) {
                if (result.isOutsideCommonArea(i, r, c))
                    outside.append(QString::number(r) + u',' + QString::number(c));
            }
        }
        QCOMPARE(cellsColoured(sheet, kExtraBackColor), outside.join(u' '));
        anyOutside = anyOutside || !outside.isEmpty();
    }
    QCOMPARE(result.sizesDiffer, anyOutside);
}

void TestCompareEngine::findDifferencesAgreesOnShapes_data()
{
    QTest::addColumn<QList<int>>("shape"); // Rows of sheet 0 and 1, then Cols of sheet 0 and 1

    QTest::newRow("header cell only against data") << QList<int>{1, 3, 1, 3};
    QTest::newRow("taller, but no data column") << QList<int>{4, 2, 1, 1};
    QTest::newRow("wider, but no data row") << QList<int>{1, 1, 4, 2};
    QTest::newRow("taller without data column, other wider") << QList<int>{4, 2, 1, 3};
    QTest::newRow("same shape") << QList<int>{3, 3, 3, 3};
    QTest::newRow("one data cell each, one taller") << QList<int>{2, 3, 2, 2};
}

// Sheets with no data row or column (a read that stopped at once leaves the header cell alone):
// FindDifferences says the sizes differ exactly when a comparison run marks a cell magenta.
void TestCompareEngine::findDifferencesAgreesOnShapes()
{
    QFETCH(QList<int>, shape);

    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = m_state->grdData(i);
        sheet.setRows(shape[i]);
        sheet.setCols(shape[2 + i]);
        for (int r = 1; r < sheet.rows(); ++r) {
            for (int c = 1; c < sheet.cols(); ++c)
                sheet.setTextMatrix(r, c, (r + c) % 2 ? u"x"_s : QString::number(i));
        }
        sheet.setVisible(true);
    }

    const CompareResult found = FindDifferences(m_state->grdData(0).data(), m_state->grdData(1).data());
    const CompareResult result = CompareSheets(*m_state, *m_ui, false);

    QCOMPARE(positionsText(found.differences), positionsText(result.differences));
    QCOMPARE(found.sizesDiffer, result.sizesDiffer);
    bool anyMagenta = false;
    for (int i = 0; i < 2; ++i)
        anyMagenta = anyMagenta || !cellsColoured(m_state->grdData(i), kExtraBackColor).isEmpty();
    QCOMPARE(found.sizesDiffer, anyMagenta);
}

void TestCompareEngine::positionOrder_data()
{
    QTest::addColumn<QPoint>("first"); // (row, col)
    QTest::addColumn<QPoint>("second");
    QTest::addColumn<int>("order"); // -1: first comes before second, 0: same, 1: after

    QTest::newRow("a later row comes after the widest column") << QPoint(1, 32767) << QPoint(2, 1) << -1;
    QTest::newRow("same row, columns left to right") << QPoint(7, 3) << QPoint(7, 4) << -1;
    QTest::newRow("header row and column") << QPoint(1, 0) << QPoint(0, 32767) << 1;
    QTest::newRow("highest row and column") << QPoint(32767, 32767) << QPoint(32767, 32767) << 0;
    QTest::newRow("the highest row after every earlier one") << QPoint(32767, 1) << QPoint(32766, 32767) << 1;
}

void TestCompareEngine::positionOrder()
{
    QFETCH(QPoint, first);
    QFETCH(QPoint, second);
    QFETCH(int, order);

    const CellPosition a(first.x(), first.y());
    const CellPosition b(second.x(), second.y());
    QCOMPARE(QPoint(a.row(), a.col()), first);
    QCOMPARE(QPoint(b.row(), b.col()), second);
    QCOMPARE(a < b, order < 0);
    QCOMPARE(a == b, order == 0);
    QCOMPARE(a > b, order > 0);
}

void TestCompareEngine::stateDuringAndAfterRun_data()
{
    QTest::addColumn<bool>("showProgress");
    QTest::newRow("interactive") << true;
    QTest::newRow("silent") << false;
}

void TestCompareEngine::stateDuringAndAfterRun()
{
    QFETCH(bool, showProgress);

    // Sheet 0 is taller, so that the silent run yields as well.
    fillPair(u"a,b|c,d|e,f"_s, u"a,b|c,x"_s);
    Sheet &grd0 = m_state->grdData(0);
    Sheet &grd1 = m_state->grdData(1);
    grd0.setForeColorAt(1, 1, kMarkForeColor); // the current cell's blue click mark
    grd1.setForeColorAt(1, 1, kMarkForeColor);
    grd0.setForeColorAt(2, 2, kMarkForeColor); // not the current cell: keeps its colour
    m_state->CompareCancelled = true; // left over from an earlier run

    int yieldsSeen = 0;
    m_ui->onYield = [&] {
        ++yieldsSeen;
        QVERIFY(m_state->CompareRunning);
        QVERIFY(!m_state->CompareCancelled);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(!m_state->grdData(i).isEnabled());
            QVERIFY(!m_state->grdData(i).redraw());
        }
    };
    bool runningAtMessage = false;
    m_ui->onMessage = [&](const RecordingUserInterface::Message &) {
        runningAtMessage = m_state->CompareRunning;
        QVERIFY(m_state->grdData(0).isEnabled());
        QVERIFY(m_state->grdData(1).redraw());
    };

    const CompareResult result = CompareSheets(*m_state, *m_ui, showProgress);

    QVERIFY(!result.cancelled);
    QVERIFY(yieldsSeen > 0);
    QVERIFY(!m_state->CompareRunning);
    QCOMPARE(runningAtMessage, showProgress); // cleared only once the result message is closed
    QCOMPARE(m_ui->messages.size(), showProgress ? 1 : 0);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(m_state->grdData(i).isEnabled());
        QVERIFY(m_state->grdData(i).redraw());
        QCOMPARE(m_state->grdData(i).foreColorAt(1, 1), kWindowTextColor);
    }
    QCOMPARE(grd0.foreColorAt(2, 2), kMarkForeColor);
}

void TestCompareEngine::orderOfStartAndEnding_data()
{
    QTest::addColumn<bool>("showProgress");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QStringList>("events");

    // Each event with the sheets' Enabled and Redraw flags (sheet 0, sheet 1) and CompareRunning
    // at that moment. "fore" is the text colour reset on a sheet's current cell, which is still
    // drawn at once.
    const QStringList start{
        u"fore0 E=11 R=11 running=0"_s,
        u"fore1 E=11 R=11 running=0"_s,
        u"Enabled0 E=01 R=00 running=0"_s,
        u"Enabled1 E=00 R=00 running=0"_s,
    };
    const QStringList end{
        u"Enabled0 E=10 R=00 running=1"_s,
        u"Enabled1 E=11 R=00 running=1"_s,
        u"Redraw0 E=11 R=10 running=1"_s,
        u"Redraw1 E=11 R=11 running=1"_s,
    };
    const QString shown = u"show E=00 R=00 running=1"_s; // and only then the first paint and yield

    QTest::newRow("interactive, normal ending") << true << false
                                                << start + QStringList{shown} + end
            + QStringList{u"close E=11 R=11 running=1"_s, u"message E=11 R=11 running=1"_s};
    QTest::newRow("silent, normal ending") << false << false << start + end;
    QTest::newRow("interactive, cancelled") << true << true
                                            << start + QStringList{shown} + end
            + QStringList{u"close E=11 R=11 running=0"_s, u"message E=11 R=11 running=0"_s};
}

// The flags change in a fixed order at both ends of a run, whatever the mode and the ending.
void TestCompareEngine::orderOfStartAndEnding()
{
    QFETCH(bool, showProgress);
    QFETCH(bool, cancel);
    QFETCH(QStringList, events);

    // Notes when the progress dialog opens and closes, among the sheets' own events.
    struct NotingUserInterface : RecordingUserInterface
    {
        std::function<void(const QString &)> note;
        void showProgressDialog() override
        {
            RecordingUserInterface::showProgressDialog();
            note(u"show"_s);
        }
        void closeProgressDialog() override
        {
            RecordingUserInterface::closeProgressDialog();
            note(u"close"_s);
        }
    } ui;

    fillPair(u"a,b|c,d"_s, u"a,x|c,d"_s);

    QStringList log;
    ui.note = [&](const QString &event) {
        const Sheet &grd0 = m_state->grdData(0);
        const Sheet &grd1 = m_state->grdData(1);
        log.append(u"%1 E=%2%3 R=%4%5 running=%6"_s.arg(event)
                       .arg(int(grd0.isEnabled()))
                       .arg(int(grd1.isEnabled()))
                       .arg(int(grd0.redraw()))
                       .arg(int(grd1.redraw()))
                       .arg(int(m_state->CompareRunning)));
    };
    for (int i = 0; i < 2; ++i) {
        const Sheet *sheet = &m_state->grdData(i);
        const QString index = QString::number(i);
        connect(sheet, &Sheet::cellsChanged, this, [&ui, index] { ui.note(u"fore"_s + index); });
        connect(sheet, &Sheet::appearanceChanged, this, [&ui, index] { ui.note(u"Enabled"_s + index); });
        connect(sheet, &Sheet::refreshed, this, [&ui, index] { ui.note(u"Redraw"_s + index); });
    }
    ui.onYield = [&] {
        if (cancel && ui.yields == 2) // after the first data row
            m_state->CompareCancelled = true;
    };
    ui.onMessage = [&](const RecordingUserInterface::Message &) { ui.note(u"message"_s); };

    const CompareResult result = CompareSheets(*m_state, ui, showProgress);

    for (int i = 0; i < 2; ++i)
        disconnect(&m_state->grdData(i), nullptr, this, nullptr);
    QCOMPARE(result.cancelled, cancel);
    QCOMPARE(log, events);
    QCOMPARE(colourMap(m_state->grdData(1)), u".R|.."_s);
}

void TestCompareEngine::selectionsRestored_data()
{
    QTest::addColumn<bool>("showProgress");
    QTest::addColumn<Selection>("selection0");
    QTest::addColumn<Selection>("selection1");

    QTest::newRow("interactive, selections in both directions")
        << true << Selection{3, 3, 1, 1} << Selection{1, 2, 2, 3};
    QTest::newRow("silent, selections in both directions") << false << Selection{3, 3, 1, 1} << Selection{1, 2, 2, 3};
    QTest::newRow("interactive, single cells") << true << Selection{2, 1, 2, 1} << Selection{3, 3, 3, 3};
}

void TestCompareEngine::selectionsRestored()
{
    QFETCH(bool, showProgress);
    QFETCH(Selection, selection0);
    QFETCH(Selection, selection1);

    fillPair(u"a,b,c|d,e,f|g,h,i|j,k,l"_s, u"a,x,c|d,e,y|z,h,i"_s);
    select(m_state->grdData(0), selection0);
    select(m_state->grdData(1), selection1);

    const CompareResult result = CompareSheets(*m_state, *m_ui, showProgress);

    QCOMPARE(result.count(), 3);
    QCOMPARE(selectionOf(m_state->grdData(0)), selection0);
    QCOMPARE(selectionOf(m_state->grdData(1)), selection1);
}

void TestCompareEngine::cancel_data()
{
    QTest::addColumn<QString>("sheet0");
    QTest::addColumn<QString>("sheet1");
    QTest::addColumn<bool>("showProgress");
    QTest::addColumn<int>("cancelAtYield");
    QTest::addColumn<QString>("map0");
    QTest::addColumn<QString>("map1");
    // The current cell the sheet is left on, or (0, 0) when the run coloured nothing on it and its
    // selection stays as it was.
    QTest::addColumn<QPoint>("current0");
    QTest::addColumn<QPoint>("current1");
    QTest::addColumn<QString>("differences"); // found before the run stopped

    // Yield 1 follows the 0 % paint of an interactive run.
    QTest::newRow("interactive, during the common rows")
        << u"a,b|c,d|e,f"_s << u"a,x|c,d|y,f"_s << true << 2 << u".R|..|.."_s << u".R|..|.."_s << QPoint(1, 2)
        << QPoint(1, 2) << u"1,2"_s;
    QTest::newRow("interactive, during the extra rows")
        << u"a,b|c,d|e,f|g,h"_s << u"a,x"_s << true << 2 << u"..|MM|..|.."_s << u".."_s << QPoint(2, 2) << QPoint()
        << QString();
    QTest::newRow("interactive, after the extra rows, before any difference")
        << u"a,b|c,d|e,f"_s << u"a,b|c,d"_s << true << 3 << u"..|..|MM"_s << u"..|.."_s << QPoint(3, 2) << QPoint()
        << QString();
    QTest::newRow("interactive, during the extra columns of a sheet larger in both directions")
        << u"a,b,c,d|e,f,g,h|i,j,k,l"_s << u"a,b|e,x"_s << true << 3 << u"..M.|..M.|MMMM"_s << u"..|.."_s
        << QPoint(3, 3) << QPoint() << QString();
    QTest::newRow("silent, during the extra columns")
        << u"a,b|c,d"_s << u"a,b,c,d|c,d,e,f"_s << false << 1 << u"..|.."_s << u"..M.|..M."_s << QPoint()
        << QPoint(2, 3) << QString();
}

void TestCompareEngine::cancel()
{
    QFETCH(QString, sheet0);
    QFETCH(QString, sheet1);
    QFETCH(bool, showProgress);
    QFETCH(int, cancelAtYield);
    QFETCH(QString, map0);
    QFETCH(QString, map1);
    QFETCH(QPoint, current0);
    QFETCH(QPoint, current1);
    QFETCH(QString, differences);

    fillPair(sheet0, sheet1);
    const Selection before{1, 1, 1, 2};
    select(m_state->grdData(0), before);
    select(m_state->grdData(1), before);

    m_ui->onYield = [&] {
        if (m_ui->yields == cancelAtYield) {
            // Pressing "中止" twice before the poll is the same as once.
            m_state->CompareCancelled = true;
            m_state->CompareCancelled = true;
        }
    };
    bool runningAtMessage = true;
    m_ui->onMessage = [&](const RecordingUserInterface::Message &) { runningAtMessage = m_state->CompareRunning; };

    const CompareResult result = CompareSheets(*m_state, *m_ui, showProgress);

    QVERIFY(result.cancelled);
    QCOMPARE(m_ui->yields, cancelAtYield);
    QCOMPARE(positionsText(result.differences), differences);
    QCOMPARE(colourMap(m_state->grdData(0)), map0);
    QCOMPARE(colourMap(m_state->grdData(1)), map1);
    const QPoint expected[2] = {current0, current1};
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = m_state->grdData(i);
        if (expected[i].isNull()) {
            QCOMPARE(selectionOf(sheet), before);
        } else {
            const Selection collapsed{expected[i].x(), expected[i].y(), expected[i].x(), expected[i].y()};
            QCOMPARE(selectionOf(sheet), collapsed);
        }
        QVERIFY(sheet.isEnabled());
        QVERIFY(sheet.redraw());
    }
    QVERIFY(!m_state->CompareRunning);
    QVERIFY(!runningAtMessage);
    QVERIFY(!m_ui->progressShown);
    QCOMPARE(m_ui->progressCloseCount, m_ui->progressShowCount);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text, u"中止しました"_s);
    QCOMPARE(m_ui->messages.first().title, u"比較中止"_s);
    QCOMPARE(m_ui->messages.first().icon, MessageIcon::None);
}

void TestCompareEngine::progress_data()
{
    QTest::addColumn<int>("commonRows");
    QTest::addColumn<QList<int>>("percents");

    QTest::newRow("header only") << 1 << QList<int>{0};
    QTest::newRow("one data row: 52 is 52.5 rounded to even") << 2 << QList<int>{0, 52};
    QTest::newRow("two data rows") << 3 << QList<int>{0, 37, 68};
    // Step 4.75: the halves 14.5, 33.5, 52.5, 71.5 and 90.5 go to the even neighbour.
    QTest::newRow("nineteen data rows") << 20 << QList<int>{0,  10, 14, 19, 24, 29, 34, 38, 43, 48,
                                                            52, 57, 62, 67, 72, 76, 81, 86, 90, 95};
}

void TestCompareEngine::progress()
{
    QFETCH(int, commonRows);
    QFETCH(QList<int>, percents);

    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = m_state->grdData(i);
        sheet.setRows(commonRows);
        sheet.setCols(3);
        sheet.setVisible(true);
    }

    const CompareResult result = CompareSheets(*m_state, *m_ui, true);

    QCOMPARE(result.count(), 0);
    QCOMPARE(m_ui->progressPercents, percents);
    QCOMPARE(m_ui->yields, commonRows); // once after the 0 %, then once per data row
    QCOMPARE(m_ui->progressShowCount, 1);
    QCOMPARE(m_ui->progressCloseCount, 1);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text, u"差はありません"_s);
}

void TestCompareEngine::yieldsOnlyForExtraRowsAndColumnsWhenSilent()
{
    fillPair(u"a,b|c,d"_s, u"a,b|c,d"_s);
    CompareSheets(*m_state, *m_ui, false);
    QCOMPARE(m_ui->yields, 0);

    // Three extra rows and two extra columns: one yield each.
    fillSheet(m_state->grdData(1), u"a,b,c,d|c,d,e,f|1,2,3,4|5,6,7,8|9,0,1,2"_s);
    const CompareResult result = CompareSheets(*m_state, *m_ui, false);
    QCOMPARE(m_ui->yields, 5);
    QVERIFY(result.sizesDiffer);
    QCOMPARE(result.count(), 0);
    QVERIFY(m_ui->progressPercents.isEmpty());
    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(colourMap(m_state->grdData(1)), u"..MM|..MM|MMMM|MMMM|MMMM"_s);
}

void TestCompareEngine::countHasNoSeparators()
{
    // 50 x 25 cells, every one different: 1250 differences.
    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = m_state->grdData(i);
        sheet.setRows(51);
        sheet.setCols(26);
        for (int r = 1; r <= 50; ++r) {
            for (int c = 1; c <= 25; ++c)
                sheet.setTextMatrix(r, c, QString::number(i));
        }
        sheet.setVisible(true);
    }
    const CompareResult result = CompareSheets(*m_state, *m_ui, true);
    QCOMPARE(result.count(), 1250);
    QCOMPARE(m_ui->messages.first().text, u"差が　1250　個あります"_s);
}

void TestCompareEngine::cmdDiff_data()
{
    QTest::addColumn<bool>("visible0");
    QTest::addColumn<bool>("visible1");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("ran");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");

    QTest::newRow("both sheets shown") << true << true << false << true << u"差が　1　個あります"_s << u"比較結果"_s;
    QTest::newRow("only sheet 0 shown") << true << false << false << false << u"ファイルを２個指定して下さい"_s
                                        << u"エラー"_s;
    QTest::newRow("only sheet 1 shown") << false << true << false << false << u"ファイルを２個指定して下さい"_s
                                        << u"エラー"_s;
    QTest::newRow("a comparison is running") << true << true << true << false << QString() << QString();
}

void TestCompareEngine::cmdDiff()
{
    QFETCH(bool, visible0);
    QFETCH(bool, visible1);
    QFETCH(bool, running);
    QFETCH(bool, ran);
    QFETCH(QString, message);
    QFETCH(QString, title);

    fillPair(u"a,b"_s, u"a,c"_s);
    m_state->grdData(0).setVisible(visible0);
    m_state->grdData(1).setVisible(visible1);
    m_state->CompareRunning = running;

    QCOMPARE(cmdDiff_Click(*m_state, *m_ui), ran);

    QCOMPARE(colourMap(m_state->grdData(0)), ran ? u".R"_s : u".."_s);
    QCOMPARE(m_state->CompareRunning, running);
    if (message.isEmpty()) {
        QVERIFY(m_ui->messages.isEmpty());
        QCOMPARE(m_ui->yields, 0);
    } else {
        QCOMPARE(m_ui->messages.size(), 1);
        QCOMPARE(m_ui->messages.first().text, message);
        QCOMPARE(m_ui->messages.first().title, title);
        QCOMPARE(m_ui->messages.first().icon, MessageIcon::None);
    }
}

void TestCompareEngine::linedUpRowsReachTheViewAsOneShapeChange_data()
{
    QTest::addColumn<QString>("sheet0");
    QTest::addColumn<QString>("sheet1");
    QTest::addColumn<QString>("after0"); // a filler row as '-'
    QTest::addColumn<int>("shapeChanges");

    QTest::newRow("one row in the middle") << u"a|b|c"_s << u"a|X|b|c"_s << u"a|-|b|c"_s << 1;
    QTest::newRow("rows at three places") << u"b|d"_s << u"a|b|c|d|e"_s << u"-|b|-|d|-"_s << 1;
    QTest::newRow("rows the other sheet gets") << u"a|X|Y|b"_s << u"a|b"_s << u"a|X|Y|b"_s << 0;
}

// The window's sheet takes the rows as the engine puts them into sheet data, and the view hears of
// them as one new shape, so that a model over the sheet never reports counts the sheet lacks.
void TestCompareEngine::linedUpRowsReachTheViewAsOneShapeChange()
{
    QFETCH(QString, sheet0);
    QFETCH(QString, sheet1);
    QFETCH(QString, after0);
    QFETCH(int, shapeChanges);

    fillPair(sheet0, sheet1);
    Sheet &sheet = s().grdData(0);
    sheet.setCurrentCell(2, 1);
    const std::optional<RowAlignment> alignment = lineUpRows(sheet.data(), s().grdData(1).data());
    QVERIFY(alignment);
    QList<ShapeChange> announced;
    int changed = 0;
    connect(&sheet, &Sheet::shapeAboutToChange, this, [&](const ShapeChange &change) { announced << change; });
    connect(&sheet, &Sheet::shapeChanged, this, [&] { ++changed; });
    insertAlignedRows(sheet, *alignment, 0);

    QStringList rows;
    for (int r = 1; r < sheet.rows(); ++r)
        rows << (sheet.isFillerRow(r) ? u"-"_s : sheet.textMatrix(r, 1));
    QCOMPARE(rows.join(u'|'), after0);
    QCOMPARE(announced.size(), shapeChanges);
    QCOMPARE(changed, shapeChanges);
    if (shapeChanges > 0)
        QCOMPARE(announced.first().kind, ShapeChange::Kind::Replace);
    // Rows going in keep the current cell's number, as inserting rows does.
    QCOMPARE(sheet.row(), 2);
}

QTEST_GUILESS_MAIN(TestCompareEngine)
#include "tst_compareengine.moc"
