#include "AModule1.h"
#include "MDllChk.h"
#include "NativePath.h"
#include "QtTranslation.h"
#include "SafeFileWriter.h"
#include "SideThread.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Saves and the settings file report a write past the file-size limit as a failed write.
    SafeFileWriter::ignoreFileSizeSignal();
    // Without a display Qt would abort with a long platform-plugin message; say it in one line.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("rowlark: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)\n", stderr);
        return 1;
    }
    QApplication application(argc, argv);
    // The thread that reads beside this one waits on a core of its own by the first load.
    SideJob::prepare();
    // No display name: the desktop would append it to every caption ("比較結果 — Rowlark"), and
    // the captions of the windows and message boxes are to be shown exactly as they are.
    QApplication::setApplicationName(QStringLiteral("Rowlark"));
    // The file dialog and the standard buttons speak the desktop's language, like the program.
    installQtTranslation(application, QLocale::system());
    // argv as QApplication left it (its own options taken out), read as the system's bytes so that
    // a file name that is no UTF-8 still opens.
    return Main(argumentsFromArgv(argc, argv), kGridComponentFile);
}
