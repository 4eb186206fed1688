#include "UndoSnapshots.h"

#include "AppState.h"
#include "CommandTable.h"
#include "CompareEngine.h"
#include "GridError.h"
#include "SheetLock.h"
#include "ShownDifferences.h"

namespace
{
bool isSheetIndex(int index)
{
    return index == 0 || index == 1;
}

History::Pair currentPair(const AppState &state)
{
    return {{state.grdData(0).data(), state.grdData(1).data()}, state.Differences};
}

// Whether a save would write `a` and `b` alike: the same texts, row by row, once the rows that
// only line the sheets up are left out. Only worth asking where either has such rows.
bool sameForSave(const SheetData &a, const SheetData &b)
{
    if (a.cols() != b.cols())
        return false;
    int ra = 0;
    int rb = 0;
    for (;;) {
        while (ra < a.rows() && a.isFillerRow(ra))
            ++ra;
        while (rb < b.rows() && b.isFillerRow(rb))
            ++rb;
        if (ra == a.rows() || rb == b.rows())
            return ra == a.rows() && rb == b.rows();
        // The header row is the grid's own, not the file's.
        if (ra > 0 && rb > 0) {
            for (int c = 1; c < a.cols(); ++c) {
                if (a.text(ra, c) != b.text(rb, c))
                    return false;
            }
        }
        ++ra;
        ++rb;
    }
}

// Whether the sheet still holds what it held: a command that wrote the same texts back changed
// nothing.
bool sameTexts(const SheetData &now, const SheetData &then)
{
    if (now.isUnwrittenCopyOf(then))
        return true;
    if (now.rows() != then.rows() || now.cols() != then.cols())
        return false;
    for (int r = 0; r < now.rows(); ++r) {
        if (now.isFillerRow(r) != then.isFillerRow(r) || now.lineEnd(r) != then.lineEnd(r))
            return false;
        for (int c = 0; c < now.cols(); ++c) {
            if (now.text(r, c) != then.text(r, c))
                return false;
        }
    }
    return true;
}

bool hasFillerRows(const SheetData &data)
{
    for (int r = 0; r < data.rows(); ++r) {
        if (data.isFillerRow(r))
            return true;
    }
    return false;
}

QString stepName(const AppState &state, Command command)
{
    const CommandEntry &entry = commandEntry(command);
    const QString caption = entry.shownCaption ? entry.shownCaption(state) : commandCaption(entry);
    return caption.section(u'\t', 0, 0).remove(u'…');
}

// The change of the sheets marked, as a step or, with the option off, as a change no undo takes back.
// `made` says that the sheets are already changed; otherwise the change is still to come.
void recordChange(AppState &state, const QString &name, const History::Pair &before, std::array<bool, 2> changed,
                  bool made = true)
{
    if (!changed[0] && !changed[1])
        return;
    std::array<bool, 2> same{false, false};
    for (std::size_t i = 0; i < 2; ++i) {
        const SheetData &now = state.grdData(int(i)).data();
        if (made && changed[i] && now.isUnwrittenCopyOf(before.sheets[i]))
            same[i] = true; // the other half of a step of both sheets
        else if (made && changed[i] && (hasFillerRows(before.sheets[i]) || hasFillerRows(now)))
            same[i] = sameForSave(before.sheets[i], now);
    }
    if (!state.mnuUndoChecked) {
        for (std::size_t i = 0; i < 2; ++i) {
            if (changed[i])
                state.history.touch(int(i), same[i]);
        }
        state.followHistory();
        return;
    }
    state.history.record(name, before, changed, same);
    state.followHistory();
}

// Puts the sheets the move replaced into the window, each keeping its current cell, selection and
// scroll position as far as they fit.
void applyMove(AppState &state, UserInterface &ui, const History::Move &move, History::Pair &pair)
{
    for (int i = 0; i < 2; ++i) {
        if (!move.changed[std::size_t(i)])
            continue;
        Sheet &sheet = state.grdData(i);
        const int col = sheet.col();
        const int row = sheet.row();
        const int colSel = sheet.colSel();
        const int rowSel = sheet.rowSel();
        const int topRow = sheet.topRow();
        const int leftCol = sheet.leftCol();
        ignoreGridErrors([&] {
            sheet.setRedraw(false);
            sheet.setData(pair.sheets[std::size_t(i)]);
        });
        ignoreGridErrors([&] { sheet.setCol(col); });
        ignoreGridErrors([&] { sheet.setRow(row); });
        ignoreGridErrors([&] { sheet.setColSel(colSel); });
        ignoreGridErrors([&] { sheet.setRowSel(rowSel); });
        ignoreGridErrors([&] { sheet.setTopRow(topRow); });
        ignoreGridErrors([&] { sheet.setLeftCol(leftCol); });
        // A sheet is never left undrawn, not even by a restore that failed.
        sheet.setRedraw(true);
    }
    // The blue click marks belonged to the cells as they were.
    ignoreGridErrors([&] { clearClickMarks(state); });
    state.ChangedSinceComparison = true;
    state.followHistory();
    if (!move.needsComparison) {
        state.Differences = std::move(pair.differences);
        refreshShownDifferences(state);
        return;
    }
    if (state.grdData(0).isVisible() && state.grdData(1).isVisible())
        CompareSheets(state, ui, false);
}

bool moveHistory(AppState &state, UserInterface &ui, int index, bool forward)
{
    if (!isSheetIndex(index))
        return false;
    History::Pair pair = currentPair(state);
    const History::Move move = forward ? state.history.redo(index, pair) : state.history.undo(index, pair);
    if (!move.any())
        return false;
    applyMove(state, ui, move, pair);
    return true;
}

void onActiveSheet(AppState &state, UserInterface &ui, Command command, bool forward)
{
    if (!commandMayRun(state, command))
        return;
    const int index = activeSheetIndex(state);
    for (int i = 0; i < 2; ++i)
        state.grdData(i).setEnabled(false);
    if (index >= 0)
        moveHistory(state, ui, index, forward);
    for (int i = 0; i < 2; ++i)
        state.grdData(i).setEnabled(true);
}
} // namespace

void RunAsHistoryStep(AppState &state, Command command, const std::function<void()> &body)
{
    if (state.openHistorySteps > 0)
        return body();
    RunAsHistoryStep(state, stepName(state, command), body, commandEntry(command).changesBothSheets);
}

void RunAsHistoryStep(AppState &state, const QString &name, const std::function<void()> &body, bool bothSheets)
{
    if (state.openHistorySteps > 0)
        return body();
    const History::Pair before = currentPair(state);
    struct Close
    {
        AppState &state;
        const QString &name;
        const History::Pair &before;
        bool changedSinceComparison;
        bool bothSheets;
        ~Close()
        {
            --state.openHistorySteps;
            // Also after a handler that ended by an error: what it changed is a step like any.
            std::array<bool, 2> changed{};
            for (int i = 0; i < 2; ++i)
                changed[std::size_t(i)] = !sameTexts(state.grdData(i).data(), before.sheets[std::size_t(i)]);
            if (!changed[0] && !changed[1])
                state.ChangedSinceComparison = changedSinceComparison;
            else if (bothSheets)
                changed = {true, true};
            recordChange(state, name, before, changed);
        }
    };
    ++state.openHistorySteps;
    // A comparison the command runs after its change clears the mark again.
    const Close close{state, name, before, state.ChangedSinceComparison, bothSheets};
    state.ChangedSinceComparison = true;
    body();
}

void SaveUndoSnapshot(AppState &state, int index, const QString &name)
{
    if (!isSheetIndex(index))
        return;
    state.ChangedSinceComparison = true;
    // Inside a step the step sees the change when it closes.
    if (state.openHistorySteps > 0)
        return;
    std::array<bool, 2> changed{};
    changed[std::size_t(index)] = true;
    recordChange(state, name, currentPair(state), changed, false);
}

bool RestoreUndoSnapshot(AppState &state, UserInterface &ui, int index)
{
    return moveHistory(state, ui, index, false);
}

bool RedoHistoryStep(AppState &state, UserInterface &ui, int index)
{
    return moveHistory(state, ui, index, true);
}

void mnuZ_Click(AppState &state, UserInterface &ui)
{
    onActiveSheet(state, ui, Command::Z, false);
}

void mnuRedo_Click(AppState &state, UserInterface &ui)
{
    onActiveSheet(state, ui, Command::Redo, true);
}
