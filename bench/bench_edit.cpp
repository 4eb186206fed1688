// Times the editing commands on a pair of 32766 x 100 sheets that differ in 1 % of their cells,
// both shown, with undo switched on:
//
//     bench_edit [--runs N]
//
// one-cell delete (its undo snapshot included), the commit of a one-cell edit, a 1000 x 10 paste
// re-coloured against the other sheet, copy to the other sheet of a 1000 x 10 block, inserting
// and deleting 100 rows or 10 columns with the silent re-comparison, an undo snapshot alone, and
// undo with its silent re-comparison; for scale, a delete of the whole sheet. The sheets are full
// (32767 rows with the header), so the row insertion is timed on the pair 100 rows were just
// deleted from. Prints the median and the slowest
// of N runs (default 7) of each. The slowest is mostly the first run: the first write after a
// snapshot copies the 26 MB cell table into memory the process has not touched yet.

#include "AppState.h"
#include "BenchRuns.h"
#include "CellDiffCommand.h"
#include "CellEditor.h"
#include "ClipboardCommands.h"
#include "CommandHandlers.h"
#include "CompareEngine.h"
#include "RowsAndColumns.h"
#include "SendToOther.h"
#include "SilentUserInterface.h"
#include "UndoSnapshots.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr int kRows = 32766;
constexpr int kCols = 100;

class ClipboardOnly : public SilentUserInterface
{
public:
    QString clipboardText() override
    {
        return clipboard;
    }
    void setClipboardText(const QString &text) override
    {
        clipboard = text;
    }
    QString clipboard;
};

// A sheet as a read leaves it: one text pool, every cell a slice of it, numbered headers.
SheetData makeSheet(std::mt19937 &random, bool changed)
{
    SheetData data(kRows + 1, kCols + 1);
    QString pool;
    pool.reserve(qsizetype(kRows) * kCols * 7);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int r = 0; r <= kRows; ++r) {
        for (int c = 0; c <= kCols; ++c) {
            QString text;
            if (r == 0 && c > 0)
                text = QString::number(c) + u"列"_s;
            else if (c == 0 && r > 0)
                text = QString::number(r) + u"行"_s;
            else if (r > 0)
                text = u"v%1_%2"_s.arg(r).arg(c) + (changed && percent(random) == 0 ? u"x"_s : QString());
            data.setCellRef(r, c, {quint32(pool.size()), quint32(text.size())});
            pool += text;
        }
    }
    data.setPool(std::move(pool));
    return data;
}

std::vector<double> timeRuns(int runs, const std::function<void()> &prepare, const std::function<void()> &command)
{
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        command();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}
} // namespace

// Runs a command as the window runs it.
void runCommandHandlerFor(AppState &state, UserInterface &ui, Command command)
{
    CellDiffFollower follower;
    CommandCall call{state, ui, -1, QString(), follower};
    runCommandHandler(command, call);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = runsFromArguments(app.arguments());

    std::mt19937 random(7);
    AppState state;
    ClipboardOnly ui;
    const SheetData left = makeSheet(random, false);
    const SheetData right = makeSheet(random, true);
    const auto reset = [&] {
        state.grdData(0).setData(left);
        state.grdData(1).setData(right);
        for (int i = 0; i < 2; ++i)
            state.grdData(i).setVisible(true);
        state.ActiveSheet = 0;
        state.mnuUndoChecked = true;
        // Each run starts from the files, with no steps of the runs before.
        for (int i = 0; i < 2; ++i)
            state.sheetReplaced(i, true);
    };
    const auto selectBlock = [&](int row, int col, int rows, int cols) {
        Sheet &sheet = state.grdData(0);
        sheet.setCurrentCell(row, col);
        sheet.setRowSel(row + rows - 1);
        sheet.setColSel(col + cols - 1);
    };

    QString block;
    for (int r = 0; r < 1000; ++r) {
        for (int c = 0; c < 10; ++c)
            block += (c ? u"\t"_s : QString()) + u"p%1_%2"_s.arg(r).arg(c);
        block += u"\r\n"_s;
    }

    std::printf("32766 x 100 pair, %d runs each\n", runs);
    reportRuns("one-cell delete, snapshot included",
               timeRuns(
                   runs,
                   [&] {
                       reset();
                       selectBlock(16000, 50, 1, 1);
                   },
                   [&] { RunAsHistoryStep(state, Command::Del, [&] { mnuDel_Click(state, ui); }); }),
               30);
    reportRuns("commit of a one-cell edit, re-coloured",
               timeRuns(
                   runs,
                   [&] {
                       reset();
                       selectBlock(16000, 50, 1, 1);
                       EditBox &box = state.txtEdit(0);
                       box.setText(u"edited"_s);
                       box.setVisible(true);
                   },
                   [&] { EndCellEdit(state, 0); }),
               30);
    // Rows or columns of a block at (15000, 40) inserted or deleted by the item of `caption`. The
    // sheets are full, so a row insertion first deletes as many rows as it will insert.
    const auto rowsAndColumns = [&](const char *name, int rows, int cols, const QString &caption) {
        const bool insertion = caption.endsWith(u"追加"_s);
        const bool rowInsertion = caption == u"行追加"_s;
        reportRuns(name,
                   timeRuns(
                       runs,
                       [&] {
                           reset();
                           selectBlock(15000, 40, rows, cols);
                           if (rowInsertion)
                               mnuGDel_Click(state, ui, u"行削除"_s);
                       },
                       [&] {
                           RunAsHistoryStep(state, Command::GAdd, [&] {
                               if (insertion)
                                   mnuGAdd_Click(state, ui, caption);
                               else
                                   mnuGDel_Click(state, ui, caption);
                           });
                       }),
                   800);
        const Sheet &sheet = state.grdData(0);
        if (insertion && (sheet.rows() != kRows + 1 || sheet.cols() != kCols + 1 + (rowInsertion ? 0 : cols)))
            std::printf("  (the insertion did not give the expected shape: %d x %d)\n", sheet.rows(), sheet.cols());
    };
    rowsAndColumns("insert 100 rows, re-compared", 100, 1, u"行追加"_s);
    rowsAndColumns("insert 10 columns, re-compared", 1, 10, u"列追加"_s);
    rowsAndColumns("delete 100 rows, re-compared", 100, 1, u"行削除"_s);
    rowsAndColumns("delete 10 columns, re-compared", 1, 10, u"列削除"_s);
    reportRuns("1000 x 10 paste, re-coloured",
               timeRuns(
                   runs,
                   [&] {
                       reset();
                       selectBlock(15000, 40, 1, 1);
                       ui.clipboard = block;
                   },
                   [&] { RunAsHistoryStep(state, Command::Peast, [&] { mnuPeast_Click(state, ui); }); }),
               100);
    reportRuns("1000 x 10 paste, storage already unshared",
               timeRuns(
                   runs,
                   [&] {
                       reset();
                       selectBlock(15000, 40, 1, 1);
                       ui.clipboard = block;
                       SaveUndoSnapshot(state, 0);
                       state.grdData(0).setTextMatrix(1, 1, u"w"_s);
                       state.grdData(1).setBackColorAt(1, 1, kDiffBackColor);
                       state.grdData(0).setBackColorAt(1, 1, kDiffBackColor);
                       state.mnuUndoChecked = false;
                   },
                   [&] { RunAsHistoryStep(state, Command::Peast, [&] { mnuPeast_Click(state, ui); }); }),
               100);
    reportRuns("copy to the other sheet, 1000 x 10",
               timeRuns(
                   runs,
                   [&] {
                       reset();
                       selectBlock(15000, 40, 1000, 10);
                   },
                   [&] { RunAsHistoryStep(state, Command::Send, [&] { mnuSend_Click(state, ui); }); }),
               100);
    reportRuns("delete of the whole sheet, re-coloured",
               timeRuns(
                   std::min(runs, 3),
                   [&] {
                       reset();
                       selectBlock(1, 1, kRows, kCols);
                   },
                   [&] { RunAsHistoryStep(state, Command::Del, [&] { mnuDel_Click(state, ui); }); }),
               0);
    reportRuns("undo snapshot alone", timeRuns(runs, reset, [&] { SaveUndoSnapshot(state, 0); }), 30);
    reportRuns("undo with its silent re-comparison",
               timeRuns(
                   runs,
                   [&] {
                       reset();
                       selectBlock(16000, 50, 1, 1);
                       RunAsHistoryStep(state, Command::Del, [&] { mnuDel_Click(state, ui); });
                   },
                   [&] { mnuZ_Click(state, ui); }),
               50);

    // Undo and redo of each command over a compared pair: the colours and marks come back with the
    // step, nothing is compared again.
    const auto undoAndRedo = [&](const char *name, const std::function<void()> &prepare, Command command) {
        const auto done = [&] {
            reset();
            (void)CompareSheets(state, ui, false);
            prepare();
            const std::size_t first = state.history.undoCount(0);
            const std::size_t second = state.history.undoCount(1);
            runCommandHandlerFor(state, ui, command);
            if (state.history.undoCount(0) == first && state.history.undoCount(1) == second)
                std::printf("  (%s left no step)\n", name);
            // Undone and redone on the sheet it changed.
            state.ActiveSheet = state.history.undoCount(0) > first ? 0 : 1;
        };
        reportRuns((std::string("undo of ") + name).c_str(),
                   timeRuns(runs, done,
                            [&] {
                                const std::size_t steps = state.history.undoCount(0) + state.history.undoCount(1);
                                mnuZ_Click(state, ui);
                                if (state.history.undoCount(0) + state.history.undoCount(1) == steps)
                                    std::printf("  (the undo took no step back)\n");
                            }),
                   50);
        reportRuns((std::string("redo of ") + name).c_str(),
                   timeRuns(
                       runs,
                       [&] {
                           done();
                           mnuZ_Click(state, ui);
                       },
                       [&] { mnuRedo_Click(state, ui); }),
                   50);
    };
    undoAndRedo(
        "a one-cell delete", [&] { selectBlock(16000, 50, 1, 1); }, Command::Del);
    undoAndRedo(
        "a 1000 x 10 paste",
        [&] {
            selectBlock(15000, 40, 1, 1);
            ui.clipboard = block;
        },
        Command::Peast);
    undoAndRedo(
        "copy to the other sheet, 1000 x 10", [&] { selectBlock(15000, 40, 1000, 10); }, Command::Send);
    undoAndRedo(
        "insert 100 rows",
        [&] {
            selectBlock(15000, 40, 100, 1);
            state.mnuMain.mnuGAddCaption = u"行追加"_s;
            RunAsHistoryStep(state, Command::GDel, [&] { mnuGDel_Click(state, ui, u"行削除"_s); });
        },
        Command::GAdd);
    // Each sheet lacks 100 rows of the other: the line-up puts 100 filler rows into each.
    undoAndRedo(
        "the line-up of both sheets",
        [&] {
            state.grdData(1).setData(left);
            Sheet &second = state.grdData(1);
            second.setCurrentCell(15000, 1);
            second.setRowSel(15099);
            second.setColSel(kCols);
            state.ActiveSheet = 1;
            RunAsHistoryStep(state, Command::GDel, [&] { mnuGDel_Click(state, ui, u"行削除"_s); });
            state.grdData(0).setData(right);
            selectBlock(5000, 1, 100, kCols);
            state.ActiveSheet = 0;
            RunAsHistoryStep(state, Command::GDel, [&] { mnuGDel_Click(state, ui, u"行削除"_s); });
            (void)CompareSheets(state, ui, false);
            state.ActiveSheet = 0;
        },
        Command::Align);
    return 0;
}
