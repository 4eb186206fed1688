#include "FileIntake.h"

#include "AppState.h"
#include "CellEditor.h"
#include "CompareEngine.h"
#include "Layout.h"
#include "MDROP_GET.h"
#include "NewSheets.h"
#include "SheetFileReader.h"
#include "UnsavedChanges.h"
#include "UserInterface.h"
#include "WorkbookIntake.h"
#include "WorkbookReader.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <thread>

using namespace Qt::StringLiterals;

namespace
{
const QString kLoadingText = u"読み込み中"_s;

constexpr int kLoadingPanelMinHeight = 1000; // "読み込み中" only on a panel higher than this
constexpr int kLoadingOffsetX = 700;
constexpr int kLoadingOffsetY = 200;

template<typename Message>
void show(UserInterface &ui, const Message &message)
{
    ui.showMessage(message.text, message.title, message.icon);
}

void withdrawOverwrite(AppState &state, int index)
{
    state.fraTool[index].overwriteWithdrawn = true;
}

void loadSheetFile(AppState &state, UserInterface &ui, int index, const QString &path)
{
    // A workbook is told by its first bytes, whatever its name: a .xlsx is a zip, a .xls an OLE
    // container, and neither is text.
    if (workbookKind(path) != WorkbookKind::None)
        return LoadWorkbookFile(state, ui, index, path);
    SheetFileReader reader({state.DelimiterMode, state.UserDelimiter});
    // The window reads one file at a time: a second core, where there is one, reads half of it.
    MMS_GRID_CSV_READ::ReadOptions options;
    options.threads = std::thread::hardware_concurrency() > 1 ? 2 : 1;
    reader.setReadOptions(options);
    reader.setEncoding(state.ChosenEncoding);
    if (const LoadRefusal refusal = reader.open(path); refusal != LoadRefusal::None) {
        show(ui, loadRefusalMessage(refusal, reader.unreadableReason(), QFileInfo(path).fileName()));
        return;
    }

    DropPanel &panel = state.PicFile[index];
    panel.showFileName(path);
    std::optional<PanelText> loading;
    if (panel.rect.height > kLoadingPanelMinHeight) {
        loading
            = PanelText{panel.rect.width / 2 - kLoadingOffsetX, panel.rect.height / 2 - kLoadingOffsetY, kLoadingText};
        panel.drawText(loading->x, loading->y, loading->text);
    }

    if (const LoadRefusal refusal = reader.countColumns(); refusal != LoadRefusal::None) {
        // The panel keeps naming the file that was tried, but no longer claims it is loading.
        if (loading)
            panel.texts.removeOne(*loading);
        show(ui, loadRefusalMessage(refusal, reader.unreadableReason()));
        return;
    }
    ui.yieldToEventLoop();

    Sheet &sheet = state.grdData(index);
    // What was being typed into the sheet belongs to the file being replaced. Committed while the
    // read empties the sheet, it would land in a header cell.
    CancelCellEdit(state, index);
    const MMS_GRID_CSV_READ::ReadResult result = ReadIntoSheet(reader, sheet);
    ClearComparisonColours(state);

    // The strip above the sheet names the file the sheet now holds, whatever a drop handled
    // during the yield drew there.
    state.SheetFileName[index] = path;
    state.SheetWorkbookSheet[index].clear();
    state.LastOpenFolder = QFileInfo(path).absolutePath();
    state.recentFiles.add(index, path);
    state.SheetFileIdentity[index] = reader.fileIdentity();
    state.PartialReadFrom[index] = reader.firstRowNotRead();
    state.ReadNote[index] = reader.decodingNote();
    panel.showFileName(state.sheetStripText(index));
    state.fraTool[index].overwriteWithdrawn = false;
    // A snapshot taken of the previous file would bring that file's cells back under this
    // file's name, for an overwrite-save to write over it.
    state.sheetReplaced(index, true);
    sheet.setVisible(true);
    state.fraTool[index].visible = true;

    // Withdrawn before the message, which shows the window as the load left it.
    if (result != MMS_GRID_CSV_READ::ReadResult::Complete) {
        withdrawOverwrite(state, index);
        show(ui, reader.partialReadMessage());
    } else if (!reader.writesBackUnchanged()) {
        withdrawOverwrite(state, index);
        // A file mostly UTF-8 read in another encoding is told why first: the person may choose
        // UTF-8 from the menu.
        LoadMessage message = notWritableBackMessage();
        if (const QString note = reader.decodingNote(); !note.isEmpty())
            message.text = note + u"\r\n"_s + message.text;
        show(ui, message);
    } else if (const QString note = reader.decodingNote(); !note.isEmpty()) {
        show(ui, LoadMessage{note, notWritableBackMessage().title, MessageIcon::Exclamation});
    }
}
} // namespace

MMS_GRID_CSV_READ::ReadResult ReadIntoSheet(SheetFileReader &reader, Sheet &sheet)
{
    const bool redraw = sheet.redraw();
    sheet.setRedraw(false);
    const auto restoreRedraw = qScopeGuard([&sheet, redraw] { sheet.setRedraw(redraw); });
    SheetReadResult read = reader.readData();
    // The grid goes down to its header cell before it takes the new contents, so the current
    // cell, the selection and the scroll position of the previous file do not carry over. Only
    // once the read has its data: a read that throws leaves the previous file's cells in place.
    sheet.setCols(1);
    sheet.setRows(1);
    sheet.setData(std::move(read.data));
    // The header row and column are fixed, which puts the current cell on the first data cell, a
    // read that stopped early included: typing or pasting must never land in a header cell.
    if (sheet.rows() > 1 && sheet.cols() > 1)
        sheet.setCurrentCell(1, 1);
    sheet.setFileFormat(read.format);
    return read.result;
}

void LoadSheetFile(AppState &state, UserInterface &ui, int index, const QString &path)
{
    if (index < 0 || index > 1)
        return;
    // Nothing may escape into the event handler that called; whatever the reader did not turn
    // into a result ends the load as an unreadable file.
    try {
        loadSheetFile(state, ui, index, path);
    } catch (const std::bad_alloc &) {
        show(ui, loadRefusalMessage(LoadRefusal::Unreadable, UnreadableReason::OutOfMemory));
    } catch (const std::exception &) {
        show(ui, loadRefusalMessage(LoadRefusal::Unreadable));
    }
}

DropEffect PicFile_OLEDragOver(const AppState &state, bool hasLocalFiles, DropEffect offered)
{
    if (state.CompareRunning)
        return offered;
    return hasLocalFiles && offered == DropEffect::Copy ? DropEffect::Copy : DropEffect::None;
}

void PicFile_OLEDragDrop(AppState &state, UserInterface &ui, int index, const QStringList &localFiles)
{
    if (state.CompareRunning)
        return;
    if (localFiles.isEmpty())
        return;
    // What is being typed belongs to the file the drop replaces: it goes as Esc would take it,
    // before the question about the changes the sheet already holds.
    CancelCellEdit(state, index);
    if (!ConfirmDiscardChanges(state, ui, {index}))
        return;
    for (const QString &entry : localFiles) {
        const auto resolved = MDROP_GET::ResolveDroppedFile(entry);
        if (resolved.loads())
            LoadSheetFile(state, ui, index, resolved.name);
    }
    UpdateNewMenuState(state);
}

void tmrMain_Timer(AppState &state, UserInterface &ui, const QString &commandLine)
{
    LoadSheetFile(state, ui, 0, commandLine);
    SetDisplayMode(state, DisplayMode::Sheet1Alone);
}
