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
const QString kRecentMissingText = u"ファイルが見つかりません\r\n%1\r\n最近使ったファイルの一覧から外しました"_s;
const QString kRecentTitle = u"最近使ったファイル"_s;

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

// The file goes to sheet `index` as a drop on its panel would, and the sheet is brought on screen.
void openInto(AppState &state, UserInterface &ui, int index, const QString &path)
{
    PicFile_OLEDragDrop(state, ui, index, {path});
    if (state.grdData(index).isVisible() && !isOnScreen(state.displayMode, index))
        SetDisplayMode(state, DisplayMode::Both);
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
    openInto(state, ui, index, path);
}

void mnuRecent_Click(AppState &state, UserInterface &ui, int index, int item)
{
    if (!commandMayRun(state, Command::Recent) || (index != 0 && index != 1))
        return;
    const QStringList &files = state.recentFiles.files(index);
    if (item < 0 || item >= files.size())
        return;
    const QString path = files.at(item);
    if (!QFileInfo::exists(path)) {
        state.recentFiles.remove(index, path);
        ui.showMessage(kRecentMissingText.arg(QDir::toNativeSeparators(path)), kRecentTitle, MessageIcon::Exclamation);
        return;
    }
    openInto(state, ui, index, path);
}
