#include "UnsavedChanges.h"

#include "CellEditor.h"
#include "CommandTable.h"
#include "NewSheets.h"
#include "SaveCommands.h"
#include "SheetLabels.h"
#include "SheetLock.h"
#include "UserInterface.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace
{
const QString kCaption = u"Rowlark"_s;
const QString kChangedMark = u"＊ "_s; // starts the caption and the file-name strip
// "ファイル１（name）の変更を保存しますか？"; a sheet without a file has no name to give.
const QString kSaveChangesText = u"ファイル%1（%2）の変更を保存しますか？"_s;
const QString kSaveChangesNoNameText = u"ファイル%1の変更を保存しますか？"_s;
const QString kSaveChangesTitle = u"確認"_s;
const QString kSaveCaption = u"保存"_s;
const QString kDontSaveCaption = u"保存しない"_s;
const QString kCancelCaption = u"キャンセル"_s;

bool isSheetIndex(int index)
{
    return index == 0 || index == 1;
}

Question saveChangesQuestion(const AppState &state, int index)
{
    const QString name = QFileInfo(state.SheetFileName.at(index)).fileName();
    Question question;
    question.text = name.isEmpty() ? kSaveChangesNoNameText.arg(kSheetNumerals[index])
                                   : kSaveChangesText.arg(kSheetNumerals[index], name);
    question.title = kSaveChangesTitle;
    question.icon = MessageIcon::Exclamation;
    question.buttons
        = {{Answer::Save, kSaveCaption}, {Answer::DontSave, kDontSaveCaption}, {Answer::Cancel, kCancelCaption}};
    return question;
}
} // namespace

QString windowCaption(const AppState &state)
{
    const bool changed = (state.grdData(0).isVisible() && state.SheetChanged[0])
        || (state.grdData(1).isVisible() && state.SheetChanged[1]);
    return changed ? kChangedMark + kCaption : kCaption;
}

QList<PanelText> shownPanelTexts(const AppState &state, int index)
{
    QList<PanelText> texts = state.PicFile.at(index).texts;
    if (!state.SheetChanged.at(index) || !state.grdData(index).isVisible())
        return texts;
    for (PanelText &text : texts) {
        if (text.x == DropPanel::kFileNameX && text.y == DropPanel::kFileNameY) {
            text.text.prepend(kChangedMark);
            return texts;
        }
    }
    texts.append(
        {DropPanel::kFileNameX, DropPanel::kFileNameY, kChangedMark}); // a new sheet, which has no file name yet
    return texts;
}

bool ConfirmDiscardChanges(AppState &state, UserInterface &ui, std::initializer_list<int> sides)
{
    if (state.CompareRunning)
        return false;
    // Typing not yet committed is a change like any other.
    for (const int index : sides)
        if (isSheetIndex(index))
            EndCellEdit(state, index);
    for (const int index : sides) {
        if (!isSheetIndex(index) || !state.SheetChanged[index] || !state.grdData(index).isVisible())
            continue;
        switch (ui.askQuestion(saveChangesQuestion(state, index))) {
        case Answer::Save:
            if (!SaveAsOffered(state, ui, index))
                return false;
            break;
        case Answer::DontSave:
            break;
        case Answer::SaveAsUtf8Bom:
        case Answer::Cancel:
        case Answer::Yes:
        case Answer::No:
            return false;
        }
    }
    return true;
}

bool SaveAsOffered(AppState &state, UserInterface &ui, int index)
{
    if (!isSheetIndex(index))
        return false;
    if (state.fraTool[index].overwriteWithdrawn || state.SheetFileName[index].isEmpty())
        cmdName_Click(state, ui, index);
    else
        cmdSave_Click(state, ui, index);
    // Only a save that worked clears the mark; the sheet may have had none to begin with.
    return !state.SheetChanged[index];
}

void SaveActiveSheet(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::SaveActive))
        return;
    const int index = activeSheetIndex(state);
    if (index < 0 || !state.grdData(index).isVisible())
        return;
    EndCellEdit(state, index);
    (void)SaveAsOffered(state, ui, index);
}

void SaveActiveSheetAs(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::SaveAsActive))
        return;
    const int index = activeSheetIndex(state);
    if (index < 0 || !state.grdData(index).isVisible())
        return;
    EndCellEdit(state, index);
    cmdName_Click(state, ui, index);
}

void cmdClr_Click(AppState &state, UserInterface &ui)
{
    if (ConfirmDiscardChanges(state, ui, {0, 1}))
        cmdClr_Click(state);
}
