#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

QTranslator *installQtTranslation(QCoreApplication &application, const QLocale &locale)
{
    auto *translator = new QTranslator(&application);
    // The locale's languages in order of preference: "ja_JP" finds qtbase_ja.qm.
    if (!translator->load(locale, u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
