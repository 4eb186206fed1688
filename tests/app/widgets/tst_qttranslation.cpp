// Qt's own texts (standard buttons, the file dialog) follow the desktop's language.

#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>
#include <QTranslator>

using namespace Qt::StringLiterals;

class TestQtTranslation : public QObject
{
    Q_OBJECT

private slots:
    void standardTexts_data();
    void standardTexts();
};

void TestQtTranslation::standardTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("shown"); // empty: Qt's English text stays

    QTest::newRow("Japanese cancel button") << u"ja_JP"_s << "QPlatformTheme"_ba
                                            << "Cancel"_ba << u"キャンセル"_s;
    QTest::newRow("Japanese save button") << u"ja_JP"_s << "QPlatformTheme"_ba
                                          << "Save"_ba << u"保存"_s;
    QTest::newRow("Japanese file dialog") << u"ja_JP"_s << "QFileDialog"_ba
                                          << "Look in:"_ba << u"アドレス:"_s;
    QTest::newRow("Japanese without a territory") << u"ja"_s << "QPlatformTheme"_ba
                                                  << "Cancel"_ba << u"キャンセル"_s;
    QTest::newRow("a language Qt has no translation for") << u"sw_KE"_s << "QPlatformTheme"_ba
                                                          << "Cancel"_ba << QString();
}

void TestQtTranslation::standardTexts()
{
    QFETCH(QString, locale);
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QFETCH(QString, shown);

    QTranslator *translator = installQtTranslation(*QCoreApplication::instance(), QLocale(locale));
    const QString text = QCoreApplication::translate(context.constData(), source.constData());
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QCOMPARE(translator != nullptr, !shown.isEmpty());
    QCOMPARE(text, shown.isEmpty() ? QString::fromLatin1(source) : shown);
}

QTEST_GUILESS_MAIN(TestQtTranslation)
#include "tst_qttranslation.moc"
