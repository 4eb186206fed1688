#include "WorkbookIntake.h"

#include "AppState.h"
#include "CellEditor.h"
#include "CompareEngine.h"
#include "SheetFileReader.h"
#include "UserInterface.h"
#include "WorkbookReader.h"

#include <QFileInfo>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace
{
void show(UserInterface &ui, const LoadMessage &message)
{
    ui.showMessage(message.text, message.title, message.icon);
}

void refuse(UserInterface &ui, const QString &text)
{
    LoadMessage message = loadRefusalMessage(LoadRefusal::Unreadable);
    message.text = text;
    show(ui, message);
}

// Which worksheet to read: the only visible one, else the person's choice among the visible
// ones (all of them when every one is hidden).
std::optional<int> chooseSheet(const AppState &state, UserInterface &ui, int index, const WorkbookReader &book,
                               const QString &path)
{
    if (book.visibleSheetCount() == 1)
        return book.firstVisibleSheet();
    const QList<WorkbookSheetInfo> &sheets = book.sheets();
    const bool anyVisible = book.visibleSheetCount() > 0;
    QStringList names;
    QList<int> places;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        if (sheets[i].visible || !anyVisible) {
            names.append(sheets[i].name);
            places.append(int(i));
        }
    }
    if (names.size() == 1)
        return places.first();
    const QString &other = state.SheetWorkbookSheet[1 - index];
    const int preferred = other.isEmpty() ? 0 : std::max<int>(0, int(names.indexOf(other)));
    const std::optional<int> chosen = ui.askWorkbookSheet(QFileInfo(path).fileName(), names, preferred);
    if (!chosen || *chosen < 0 || *chosen >= names.size())
        return std::nullopt;
    return places[*chosen];
}

void putIntoSheet(Sheet &sheet, SheetData data)
{
    const bool redraw = sheet.redraw();
    sheet.setRedraw(false);
    const auto restoreRedraw = qScopeGuard([&sheet, redraw] { sheet.setRedraw(redraw); });
    sheet.setCols(1);
    sheet.setRows(1);
    sheet.setData(std::move(data));
    if (sheet.rows() > 1 && sheet.cols() > 1)
        sheet.setCurrentCell(1, 1);
    sheet.setFileFormat(workbookSaveFormat());
}

void loadWorkbookFile(AppState &state, UserInterface &ui, int index, const QString &path)
{
    WorkbookReader book;
    if (!book.open(path)) {
        refuse(ui, book.errorText());
        return;
    }
    const std::optional<int> chosen = chooseSheet(state, ui, index, book, path);
    if (!chosen)
        return;
    const QString sheetName = book.sheets().at(*chosen).name;
    DropPanel &panel = state.PicFile[index];
    panel.showFileName(workbookSheetLabel(path, sheetName));
    ui.yieldToEventLoop();

    std::optional<WorkbookSheetRead> read = book.readSheet(*chosen, true);
    if (!read) {
        panel.showFileName(state.sheetStripText(index));
        refuse(ui, book.errorText());
        return;
    }
    Sheet &sheet = state.grdData(index);
    CancelCellEdit(state, index);
    putIntoSheet(sheet, std::move(read->data));
    ClearComparisonColours(state);

    state.SheetFileName[index] = path;
    state.SheetWorkbookSheet[index] = sheetName;
    state.ReadNote[index] = read->formatNote;
    state.LastOpenFolder = QFileInfo(path).absolutePath();
    state.recentFiles.add(index, path);
    state.SheetFileIdentity[index] = std::nullopt;
    state.PartialReadFrom[index] = read->complete ? 0 : read->firstRowNotRead;
    panel.showFileName(state.sheetStripText(index));
    state.fraTool[index].overwriteWithdrawn = false;
    state.UndoAvailable[index] = false;
    state.SheetChanged[index] = false;
    sheet.setVisible(true);
    state.fraTool[index].visible = true;
    if (!read->complete) {
        state.fraTool[index].overwriteWithdrawn = true;
        show(ui, partialReadMessage(read->firstRowNotRead, read->columns));
    }
}
} // namespace

void LoadWorkbookFile(AppState &state, UserInterface &ui, int index, const QString &path)
{
    if (index < 0 || index > 1)
        return;
    try {
        loadWorkbookFile(state, ui, index, path);
    } catch (const std::bad_alloc &) {
        show(ui, loadRefusalMessage(LoadRefusal::Unreadable, UnreadableReason::OutOfMemory));
    } catch (const std::exception &) {
        show(ui, loadRefusalMessage(LoadRefusal::Unreadable));
    }
}

QString workbookCsvName(const QString &bookPath, const QString &sheetName)
{
    return QFileInfo(bookPath).completeBaseName() + u'_' + sheetName + u".csv"_s;
}
