#pragma once

class QCoreApplication;
class QLocale;
class QTranslator;

// Installs Qt's own translation for `locale` (the texts of the file dialog and of the standard
// buttons), from the translations folder of the Qt the program runs on. Returns the installed
// translator, owned by `application`, or nullptr when Qt has no translation for the locale's
// languages; the program's own texts need none, so a missing one only leaves Qt's texts in English.
QTranslator *installQtTranslation(QCoreApplication &application, const QLocale &locale);
