#include "HelpCommand.h"

#include "AppState.h"
#include "MTSK_KIDOU.h"
#include "UserInterface.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace
{
const QString kHelpFileName = u"Rowlark.html"_s;
const QString kInstalledHelpFolder = u"../share/rowlark"_s; // relative to the program folder

const QString kNoHelpText = u"ヘルプファイルがありません"_s;
const QString kNoHelpTitle = u"ヘルプ無し"_s;
} // namespace

QString helpFilePath(const QString &programFolder)
{
    const QDir folder(programFolder);
    const QString beside = QDir::cleanPath(folder.filePath(kHelpFileName));
    const QString installed = QDir::cleanPath(folder.filePath(kInstalledHelpFolder + u'/' + kHelpFileName));
    for (const QString &candidate : {beside, installed}) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return beside;
}

void mnuHelp_Click(AppState &state, UserInterface &ui, const QString &programFolder)
{
    if (state.CompareRunning)
        return;
    const QString path = helpFilePath(programFolder);
    if (!QFileInfo(path).isFile()) {
        ui.showMessage(kNoHelpText, kNoHelpTitle, MessageIcon::None);
        return;
    }
    // A browser that does not start has its own way of saying so; the command stays quiet.
    static_cast<void>(MTSK_KIDOU::LaunchDocument(ui, programFolder, path));
}

void mnuVer_Click(const AppState &state, UserInterface &ui)
{
    if (state.CompareRunning)
        return;
    ui.showVersionDialog(state.GridControlFound);
}
