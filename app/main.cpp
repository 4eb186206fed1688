#include "AModule1.h"
#include "MDllChk.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Without a display Qt would abort with a long platform-plugin message; say it in one line.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("rowlark: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)\n", stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rowlark"));
    QApplication::setApplicationDisplayName(QStringLiteral("Rowlark"));
    return Main(QApplication::arguments(), kGridComponentFile);
}
