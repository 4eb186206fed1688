#include "OpenCommand.h"

#include "AppState.h"
#include "CommandTable.h"
#include "FileIntake.h"
#include "Layout.h"
#include "UserInterface.h"

#include <QDir>
#include <QFileInfo>

#include <array>

using namespace Qt::StringLiterals;

namespace
{
const std::array<QString, 2> kOpenDialogTitles{u"ファイル１を開く"_s, u"ファイル２を開く"_s};
const QString kCsvFilter = u"CSV ファイル (*.csv *.CSV)"_s;
const QString kTextFilter = u"テキスト ファイル (*.txt *.tsv *.tab)"_s;
const QString kWorkbookFilter = u"Excel ブック (*.xlsx *.xls *.XLSX *.XLS)"_s;
const QString kAllFilesFilter = u"すべてのファイル (*)"_s;

QString initialFolder(const AppState &state, int index)
{
    if (!state.LastOpenFolder.isEmpty() && QFileInfo(state.LastOpenFolder).isDir())
        return state.LastOpenFolder;
    for (const QString &name : {state.SheetFileName.at(index), state.SheetFileName.at(1 - index)}) {
        if (!name.isEmpty())
            return QFileInfo(name).absolutePath();
    }
    return QDir::homePath();
}

bool isOnScreen(DisplayMode mode, int index)
{
    return mode == DisplayMode::Both || (mode == DisplayMode::Sheet1Alone) == (index == 0);
}
} // namespace

void mnuOpen_Click(AppState &state, UserInterface &ui, int index)
{
    if (!commandMayRun(state, Command::Open) || (index != 0 && index != 1))
        return;
    OpenDialogRequest request;
    request.title = kOpenDialogTitles.at(index);
    request.filters = {kCsvFilter, kTextFilter, kWorkbookFilter, kAllFilesFilter};
    request.initialFolder = initialFolder(state, index);
    const QString path = ui.askOpenFileName(request);
    if (path.isEmpty())
        return;
    PicFile_OLEDragDrop(state, ui, index, {path});
    if (state.grdData(index).isVisible() && !isOnScreen(state.displayMode, index))
        SetDisplayMode(state, DisplayMode::Both);
}
