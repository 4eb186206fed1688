#include "AModule1.h"

#include "AppIcon.h"
#include "Form1.h"
#include "MDllChk.h"
#include "QtUserInterface.h"

#include <QApplication>
#include <QStringList>

QString commandLineText(const QStringList &arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

int Main(const QStringList &arguments, const QString &gridComponentFile)
{
    // The installed desktop entry's name, so that a desktop finds the window's launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.rowlark"));
    QApplication::setWindowIcon(applicationIcon());
    const bool GridControlFound = MDllChk::IsFileOnSearchPath(gridComponentFile);
    if (!GridControlFound) {
        QApplication::beep();
        bool unused = false;
        QtUserInterface ui(nullptr, unused);
        ui.showVersionDialog(GridControlFound);
        return 1;
    }
    Form1Options options;
    options.commandLine = commandLineText(arguments);
    Form1 window(options);
    window.show();
    return QApplication::exec();
}
