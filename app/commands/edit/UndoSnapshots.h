#pragma once

#include "CommandTable.h"

#include <QString>

#include <array>
#include <functional>

class AppState;
class UserInterface;

// The undo history of the sheets. With "元に戻す(Undo)機能を使用する" checked every change of a
// sheet's texts, counts or headers is a step of the history (AppState::history), which keeps the
// sheet's texts and colours as they were before it, sharing their storage with the sheet until one
// of them is written. A step of a command that changed both sheets is undone and redone on both.
// Nothing is kept with the option off; switching it off keeps the steps already held.

// Runs `body`, the handler of `command`, as one step: the sheets are kept as they are, and after the
// handler the step is recorded for each sheet whose texts it changed, under the command's caption.
// A handler that changes nothing (a cancelled dialog, a refusal) leaves no step. A step inside a
// step is part of it.
void RunAsHistoryStep(AppState &state, Command command, const std::function<void()> &body);
// The same under a name of its own, for changes that are no command of the table: a re-read of a
// sheet's file in another encoding is one step this way.
// With `bothSheets` the step lies on both sheets whichever of them it changed.
void RunAsHistoryStep(AppState &state, const QString &name, const std::function<void()> &body, bool bothSheets = false);

// The names of the steps that are no command of the table.
inline const QString kCellEditStepName = QStringLiteral("入力");
inline const QString kReplaceStepName = QStringLiteral("置換");
inline const QString kReplaceAllStepName = QStringLiteral("すべて置換");

// Marks sheet `index` (0 or 1) as about to change, just before a change that is not made inside a
// step (an edit of a cell, a replacement of the search dialog): with the option on, the sheet's
// state is kept as a step of its own named `name`. Inside a step it only marks the change. Never
// fails: the step shares the sheet's storage until one of them is written.
void SaveUndoSnapshot(AppState &state, int index, const QString &name = QString());

// Takes back (or does again) the last step of sheet `index`, on both sheets for a step of both.
// Cells, counts, headers and colours come back as they were, and the comparison's marks with them;
// where a sheet's colours were made against texts the other sheet no longer has, the pair is
// compared again in silence. The blue click marks go. Answers whether anything moved.
bool RestoreUndoSnapshot(AppState &state, UserInterface &ui, int index);
bool RedoHistoryStep(AppState &state, UserInterface &ui, int index);

// "元に戻す" (Ctrl+Z) and "やり直し" (Ctrl+Y, Ctrl+Shift+Z) on the active sheet, with both sheets
// disabled; its current cell and selection stay as far as they fit. Nothing while a comparison runs.
void mnuZ_Click(AppState &state, UserInterface &ui);
void mnuRedo_Click(AppState &state, UserInterface &ui);
