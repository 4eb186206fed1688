#include "MTSK_KIDOU.h"

#include "UserInterface.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace
{
const QString kProgramMark = u".EXE "_s;
const QString kParentPrefix = u"../"_s;
} // namespace

namespace MTSK_KIDOU
{
int LaunchDocument(UserInterface &ui, const QString &programFolder, const QString &path)
{
    if (path.isEmpty())
        return kLaunchFailed;

    // The last mark counts, as the command line's own search for it reports the last one.
    const qsizetype mark = path.toUpper().lastIndexOf(kProgramMark);
    if (mark >= 0) {
        const QString program = path.left(mark + kProgramMark.size() - 1);
        if (!QFileInfo::exists(program))
            return kLaunchFailed;
        // The program part is quoted, so that a folder or file name with blanks is not taken
        // for the program and its first arguments.
        const QString commandLine = u'"' + program + u'"' + path.mid(program.size());
        return ui.startProgram(commandLine) ? kLaunchOk : kLaunchFailed;
    }

    QString file;
    if (path.startsWith(kParentPrefix))
        file = QDir::cleanPath(QDir(programFolder).filePath(path));
    else if (path.contains(u'/'))
        file = QFileInfo(path).absoluteFilePath();
    else
        file = QDir(programFolder).filePath(path);

    if (!QFileInfo::exists(file))
        return kLaunchFailed;
    return ui.openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString()) ? kLaunchOk : kLaunchFailed;
}
} // namespace MTSK_KIDOU
