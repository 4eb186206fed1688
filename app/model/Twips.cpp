#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>

Twips Twips::forScreen(const QScreen *screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return Twips(screen ? screen->logicalDotsPerInch() : 96.0);
}
