// The title bars of the dialogs: what the window system is asked to draw on each.

#include "AppState.h"
#include "Form2.h"
#include "Form3.h"
#include "RecordingUserInterface.h"
#include "frmHikaku.h"
#include "frmVersion.h"

#include <QDialog>
#include <QMainWindow>
#include <QTest>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;

class TestDialogFrames : public QObject
{
    Q_OBJECT

private slots:
    void titleBar_data();
    void titleBar();
};

void TestDialogFrames::titleBar_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("type"); // Qt::WindowType
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<bool>("captioned"); // false: no caption shows

    QTest::newRow("version dialog") << u"frmVersion"_s << int(Qt::Dialog) << false << true;
    QTest::newRow("version dialog, grid component missing")
        << u"frmVersion missing"_s << int(Qt::Dialog) << false << true;
    QTest::newRow("progress dialog") << u"frmHikaku"_s << int(Qt::Dialog) << false << false;
    QTest::newRow("delimiter dialog closes like cancel") << u"Form3"_s << int(Qt::Dialog) << true << true;
    QTest::newRow("search dialog is a tool window") << u"Form2"_s << int(Qt::Tool) << true << true;
}

void TestDialogFrames::titleBar()
{
    QFETCH(QString, dialog);
    QFETCH(int, type);
    QFETCH(bool, closeBox);
    QFETCH(bool, captioned);

    AppState state;
    RecordingUserInterface ui;
    bool cancelled = false;
    QMainWindow mainWindow;
    mainWindow.resize(800, 600);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

    std::unique_ptr<QDialog> window;
    if (dialog == u"frmVersion"_s)
        window = std::make_unique<frmVersion>(ui, true, &mainWindow);
    else if (dialog == u"frmVersion missing"_s)
        window = std::make_unique<frmVersion>(ui, false, &mainWindow);
    else if (dialog == u"frmHikaku"_s)
        window = std::make_unique<frmHikaku>(cancelled, &mainWindow);
    else if (dialog == u"Form3"_s)
        window = std::make_unique<Form3>(state, ui, &mainWindow);
    else
        window = std::make_unique<Form2>(
            state, ui, [](const std::function<void()> &handler) { handler(); }, &mainWindow);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    // What reaches the window system, not only what the widget holds.
    const Qt::WindowFlags flags = window->windowHandle()->flags();
    QCOMPARE(int(flags & Qt::WindowType_Mask), type);
    // Only the buttons asked for: without the customise hint the desktop adds its own set.
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QCOMPARE(flags.testFlag(Qt::WindowCloseButtonHint), closeBox);
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    // A window that cannot change its size is offered no maximise by the window manager.
    QVERIFY(!window->size().isEmpty());
    QCOMPARE(window->windowHandle()->minimumSize(), window->size());
    QCOMPARE(window->windowHandle()->maximumSize(), window->size());

    // The dialog's own caption reaches the window system; an empty title would be replaced by the
    // program's name, so a dialog without a caption shows a blank one.
    const QString title = window->windowHandle()->title();
    QCOMPARE(title, window->windowTitle());
    QVERIFY(!title.isEmpty());
    QCOMPARE(!title.trimmed().isEmpty(), captioned);
}

QTEST_MAIN(TestDialogFrames)
#include "tst_dialogframes.moc"
