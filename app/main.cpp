#include "AModule1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rowlark"));
    QApplication::setApplicationDisplayName(QStringLiteral("Rowlark"));
    return Main(QApplication::arguments());
}
