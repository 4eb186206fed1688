#include "HelpCommand.h"

#include "AppState.h"
#include "CommandTable.h"
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
// The desktop may have no browser or no handler for the page; the person can still open the
// file by hand, so the message names it.
const QString kHelpNotOpenedText = u"ヘルプを開けませんでした\r\nブラウザで次のファイルを開いて下さい\r\n"_s;
const QString kHelpNotOpenedTitle = u"ヘルプ"_s;
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
    if (!commandMayRun(state, Command::Help))
        return;
    const QString path = helpFilePath(programFolder);
    if (!QFileInfo(path).isFile()) {
        ui.showMessage(kNoHelpText, kNoHelpTitle, MessageIcon::None);
        return;
    }
    if (MTSK_KIDOU::LaunchDocument(ui, programFolder, path) != MTSK_KIDOU::kLaunchOk)
        ui.showMessage(kHelpNotOpenedText + QDir::toNativeSeparators(path), kHelpNotOpenedTitle,
                       MessageIcon::Exclamation);
}

void mnuVer_Click(const AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Ver))
        return;
    ui.showVersionDialog(state.GridControlFound);
}
