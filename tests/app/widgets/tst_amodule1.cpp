#include "AModule1.h"
#include "Form1.h"
#include "frmVersion.h"

#include <QApplication>
#include <QImage>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestAModule1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLineIsOnePath_data();
    void commandLineIsOnePath();
    void missingComponentShowsOnlyTheVersionDialog();
    void presentComponentOpensTheMainWindow();
};

void TestAModule1::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestAModule1::commandLineIsOnePath_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no arguments") << QStringList{u"rowlark"_s} << QString();
    QTest::newRow("one path") << QStringList{u"rowlark"_s, u"/tmp/a.csv"_s} << u"/tmp/a.csv"_s;
    QTest::newRow("a path with blanks given unquoted")
        << QStringList{u"rowlark"_s, u"/tmp/my"_s, u"file.csv"_s} << u"/tmp/my file.csv"_s;
    QTest::newRow("two names stay one path") << QStringList{u"rowlark"_s, u"a.csv"_s, u"b.csv"_s} << u"a.csv b.csv"_s;
}

void TestAModule1::commandLineIsOnePath()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QCOMPARE(commandLineText(arguments), expected);
}

void TestAModule1::missingComponentShowsOnlyTheVersionDialog()
{
    QString caption;
    bool mainWindowSeen = false;
    QTimer::singleShot(0, this, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            mainWindowSeen |= qobject_cast<Form1 *>(widget) != nullptr;
        if (auto *dialog = qobject_cast<frmVersion *>(QApplication::activeModalWidget())) {
            caption = dialog->windowTitle();
            dialog->accept();
        }
    });
    const int status = Main({u"rowlark"_s}, u"no-such-component.so.0"_s);
    QCOMPARE(caption, u"Rowlark ランタイムエラー"_s);
    QVERIFY(!mainWindowSeen);
    QVERIFY(status != 0);
}

void TestAModule1::presentComponentOpensTheMainWindow()
{
    QString title;
    QImage icon;
    QTimer::singleShot(0, this, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *form = qobject_cast<Form1 *>(widget); form && form->isVisible()) {
                title = form->windowTitle();
                icon = form->windowIcon().pixmap(QSize(32, 32)).toImage();
                form->close();
            }
        }
    });
    // The grid view's library is the one this test is linked against, so it is found.
    QCOMPARE(Main({u"rowlark"_s}, u"libQt6Widgets.so.6"_s), 0);
    QCOMPARE(title, u"Rowlark"_s);
    // The window shows the program's own drawing: a marked cell in the difference colour.
    QCOMPARE(icon.size(), QSize(32, 32));
    bool markedCellDrawn = false;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x)
            markedCellDrawn |= icon.pixelColor(x, y) == QColor(0xFF, 0x80, 0x80);
    }
    QVERIFY(markedCellDrawn);
}

QTEST_MAIN(TestAModule1)
#include "tst_amodule1.moc"
