#include "AppState.h"
#include "CommandTable.h"
#include "DropPanelWidget.h"
#include "EditBox.h"
#include "EditBoxWidget.h"
#include "Form1.h"
#include "Form1Fixture.h"
#include "RecordingUserInterface.h"
#include "SheetModel.h"
#include "SheetView.h"
#include "TestFiles.h"
#include "WindowSheetFixtures.h"
#include "frmHikaku.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyCommandHasItsControl();
    void startsWithEveryControl();
    void helpMenuFollowsTheHelpFile_data();
    void helpMenuFollowsTheHelpFile();
    void modeButtonCycles();
    void panelsLieBehindTheSheets();
    void settingsRoundTripThroughTheWindow();
    void unreachablePlacementOpensOnScreen();
    void hugeRememberedSizeFitsTheScreen();
    void closeIsRefusedWhileComparing();
    void closeBoxAsksAboutUnsavedChanges();
    void commandLineLoadsIntoSheet1();
    void commandLineOfAMissingFileReportsIt();
    void droppedFilesLoadInOrder();
    void dragsWithoutLocalFilesAreRefused_data();
    void dragsWithoutLocalFilesAreRefused();
    void newSheetsAndClearing();
    void saveButtons();
    void comparesTwoDroppedFiles();
    void cancelButtonStopsARealComparison();
    void busyWindowIgnoresItsCommands_data();
    void busyWindowIgnoresItsCommands();
    void windowIsCurrentWhenAMessageShows_data();
    void windowIsCurrentWhenAMessageShows();
    void dropsReachThePanelUnderTheMouseInEveryMode();
    void editBoxMirrorsItsState();
    void mouseUpPicksTheSheetAndOrdersTheBlock();
    void blockCommandsThroughTheRealClipboard();
    void rightClickOnARowHeaderOffersRows();
    void rightClickByZone_data();
    void rightClickByZone();
    void editBoxMenuKeepsTheEdit();
    void keysStillReachTheSheetAfterACommand();
    void stepsToDifferencesAndLinesUpRows();
    void editsACellInPlace_data();
    void editsACellInPlace();
    void columnWidthsStayInStep_data();
    void columnWidthsStayInStep();
    void saveDialogAddsALowerCaseSuffix_data();
    void saveDialogAddsALowerCaseSuffix();
    void editorNeverCutsALongText_data();
    void editorNeverCutsALongText();
    void dropOnASheetBeingEditedDiscardsTheEdit();
    void clickOnTheOtherSheetWhileEditingLandsThere_data();
    void clickOnTheOtherSheetWhileEditingLandsThere();
    void rightReleaseOffTheCells_data();
    void rightReleaseOffTheCells();

private:
    using HelpFile = Form1Fixture::HelpFile;
    using Screen = Form1Fixture::Screen;
    Form1 &makeForm(const QString &commandLine = {}, HelpFile helpFile = HelpFile::Present,
                    Screen screen = Screen::Recorder);
    QString writeFile(const QString &name, const QByteArray &bytes);
    void dropFile(int panel, const QString &name, const QByteArray &bytes);
    // Clicks cell (row, col) of sheet `index`, then types `text` there, which opens its edit box.
    void typeInto(int index, int row, int col, const QString &text);
    static bool sendDrop(QWidget *panel, QMimeData *mime);
    static QColor shownBackground(SheetView *view, int row, int col);
    static QImage onScreen(QWidget *widget);

    Form1Fixture m_fixture;
};

void TestForm1::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestForm1::init()
{
    m_fixture.reset();
}

void TestForm1::cleanup()
{
    m_fixture.reset();
}

Form1 &TestForm1::makeForm(const QString &commandLine, HelpFile helpFile, Screen screen)
{
    Form1Setup setup;
    setup.commandLine = commandLine;
    setup.helpFile = helpFile;
    setup.screen = screen;
    return m_fixture.make(setup);
}

QString TestForm1::writeFile(const QString &name, const QByteArray &bytes)
{
    return writeTestFile(m_fixture.dir(), name, bytes);
}

void TestForm1::dropFile(int panel, const QString &name, const QByteArray &bytes)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(writeFile(name, bytes))});
    if (!sendDrop(m_fixture.form().PicFile[panel], &mime))
        qFatal("the drop was refused");
}

void TestForm1::typeInto(int index, int row, int col, const QString &text)
{
    SheetView *view = m_fixture.form().grdData[index];
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row - 1, col - 1)).center());
    QTRY_VERIFY(view->hasFocus());
    QCoreApplication::processEvents(); // the sheet's got-focus, which would end a later edit
    QTest::keyClicks(view, text);
    QTRY_VERIFY(m_fixture.form().txtEdit[index]->hasFocus());
}

bool TestForm1::sendDrop(QWidget *panel, QMimeData *mime)
{
    const QPoint centre = panel->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(centre), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &drop);
    return true;
}

QColor TestForm1::shownBackground(SheetView *view, int row, int col)
{
    const QAbstractItemModel *model = view->model();
    return model->data(model->index(row - 1, col - 1), Qt::BackgroundRole).value<QColor>();
}

QImage TestForm1::onScreen(QWidget *widget)
{
    // What the window's backing store holds for the widget: what the person sees, not a fresh
    // rendering of the widget.
    QWidget *window = widget->window();
    const QRect rect(widget->mapTo(window, QPoint(0, 0)), widget->size());
    return window->screen()->grabWindow(window->winId(), rect.x(), rect.y(), rect.width(), rect.height()).toImage();
}

void TestForm1::everyCommandHasItsControl()
{
    // Each row of the command table is one control per sheet it serves, in the menu, bar or frame
    // the row names, with the row's caption and key; a key of the window is one shortcut.
    Form1 &form = makeForm();
    for (const CommandEntry &entry : commandTable()) {
        const QByteArray row(entry.handler);
        if (entry.keyScope == KeyScope::Window || entry.keyScope == KeyScope::Application) {
            const auto shortcuts = form.findChildren<QShortcut *>(QString::fromLatin1(entry.shortcutName));
            QVERIFY2(shortcuts.size() == 1, row);
            QCOMPARE(shortcuts[0]->key(), QKeySequence(entry.key));
            QCOMPARE(shortcuts[0]->context() == Qt::ApplicationShortcut, entry.keyScope == KeyScope::Application);
        }
        for (int k = 0; k < (entry.perSheet ? 2 : 1); ++k) {
            const QString name = commandControlName(entry, k);
            const QString caption = entry.shownCaption ? entry.shownCaption(form.state()) : commandCaption(entry, k);
            if (entry.place == CommandPlace::Button || entry.place == CommandPlace::ToolFrame) {
                const auto buttons = form.findChildren<QPushButton *>(name);
                QVERIFY2(buttons.size() == 1, row);
                QCOMPARE(buttons[0]->text(), caption);
                QCOMPARE(buttons[0]->parentWidget(),
                         entry.place == CommandPlace::ToolFrame ? static_cast<QWidget *>(form.fraTool[k])
                                                                : form.centralWidget());
            } else if (entry.place != CommandPlace::KeyOnly) {
                const auto items = form.findChildren<QAction *>(name);
                QVERIFY2(items.size() == 1, row);
                QCOMPARE(items[0]->text(), caption);
                const QWidget *owner = entry.place == CommandPlace::MenuBar
                    ? static_cast<QWidget *>(form.menuBar())
                    : form.findChild<QMenu *>(QString::fromLatin1(commandMenu(entry.place).name));
                // An item of a submenu: the submenu of that caption is an item of the menu.
                if (owner && entry.submenu) {
                    const QMenu *submenu = nullptr;
                    for (const QAction *action : owner->actions()) {
                        if (action->menu() && action->text() == QString::fromUtf16(entry.submenu))
                            submenu = action->menu();
                    }
                    owner = submenu;
                }
                QVERIFY2(owner && owner->actions().contains(items[0]), row);
                QCOMPARE(items[0]->shortcut(),
                         entry.keyScope == KeyScope::Item ? QKeySequence(commandKey(entry, k)) : QKeySequence());
            }
        }
    }
}

void TestForm1::startsWithEveryControl()
{
    Form1 &form = makeForm();
    QCOMPARE(form.windowTitle(), u"Rowlark"_s);
    int previousLeft = -1;
    for (const QPushButton *button : {form.cmdDiff, form.cmdClr, form.cmdGmn, form.cmdEnd}) {
        QVERIFY(button->isVisible());
        QVERIFY2(button->x() > previousLeft, "the buttons run left to right along the bottom");
        QVERIFY(button->geometry().bottom() < form.centralWidget()->height());
        QVERIFY(button->y() > form.centralWidget()->height() / 2);
        previousLeft = button->x();
    }
    for (int i = 0; i < 2; ++i) {
        QVERIFY(!form.grdData[i]->isVisible());
        QVERIFY(!form.fraTool[i]->isVisible());
        QVERIFY(form.PicFile[i]->isVisible());
        const QList<PanelText> hints{{100, 200, u"比較するファイル  %1"_s.arg(i + 1)},
                                     {100, 600, u"ドラッグ＆ドロップで指定する"_s}};
        QCOMPARE(form.state().PicFile[i].texts, hints);
    }
    QVERIFY2(form.PicFile[0]->x() < form.PicFile[1]->x(), "panel 1 on the left, panel 2 on the right");
    QVERIFY(form.txtClip && !form.txtClip->isVisible());
    QVERIFY(form.txtEdit[0] && !form.txtEdit[0]->isVisible());
    QVERIFY(!form.tmrMain->isActive());

    QVERIFY(form.mnuUndo->isChecked());
    QVERIFY(!form.mnuDoble->isChecked());
    QVERIFY(form.mnuNew->isEnabled());
    QVERIFY2(!form.mnuMain->menuAction()->isVisible(), "the pop-up menu is hidden from the menu bar");
}

void TestForm1::helpMenuFollowsTheHelpFile_data()
{
    QTest::addColumn<int>("helpFile");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("help page beside the program") << int(HelpFile::Present) << true;
    QTest::newRow("no help page") << int(HelpFile::Missing) << false;
    QTest::newRow("a folder of that name is no help page") << int(HelpFile::Folder) << false;
}

void TestForm1::helpMenuFollowsTheHelpFile()
{
    QFETCH(int, helpFile);
    QFETCH(bool, enabled);
    Form1 &form = makeForm({}, HelpFile(helpFile));
    QCOMPARE(form.mnuHelp->isEnabled(), enabled);
}

void TestForm1::modeButtonCycles()
{
    Form1 &form = makeForm();
    const int halfWidth = form.state().grdData(0).geometry().width;
    QVERIFY(halfWidth > 0);
    QStringList captions;
    for (int press = 0; press < 3; ++press) {
        QTest::mouseClick(form.cmdGmn, Qt::LeftButton);
        captions << form.cmdGmn->text();
        if (press == 0) {
            QCOMPARE(form.state().grdData(1).geometry(), (TwipsRect{-500, -500, 0, 0}));
            QVERIFY(!form.PicFile[1]->isVisible());
            QVERIFY(form.state().grdData(0).geometry().width > halfWidth);
        }
    }
    QCOMPARE(captions, (QStringList{u"画面１"_s, u"画面２"_s, u"画面１＋２"_s}));
    QCOMPARE(form.state().grdData(0).geometry().width, halfWidth);
    QCOMPARE(form.state().grdData(1).geometry().left, halfWidth);
}

void TestForm1::panelsLieBehindTheSheets()
{
    // Sheet 2 alone, then the window is resized, then both sheets again: every sheet is on top
    // of the panels, and each panel still shows in the strip above its sheet.
    Form1 &form = makeForm();
    form.mnuNew->trigger();
    form.mnuNew->trigger();
    QTest::mouseClick(form.cmdGmn, Qt::LeftButton);
    QTest::mouseClick(form.cmdGmn, Qt::LeftButton);
    form.resize(form.width() + 30, form.height() + 30);
    QTRY_COMPARE(form.PicFile[1]->x(), 0);
    QTest::mouseClick(form.cmdGmn, Qt::LeftButton);
    QCOMPARE(form.cmdGmn->text(), u"画面１＋２"_s);
    QVERIFY(form.PicFile[1]->isVisible());

    QWidget *client = form.centralWidget();
    for (int i = 0; i < 2; ++i) {
        QWidget *shown = client->childAt(form.grdData[i]->geometry().center());
        QVERIFY2(shown && (shown == form.grdData[i] || form.grdData[i]->isAncestorOf(shown)),
                 qPrintable(u"sheet %1 is covered"_s.arg(i + 1)));
    }
    // Above the sheets the panel still shows.
    QCOMPARE(client->childAt(form.PicFile[1]->geometry().topLeft() + QPoint(5, 5)), form.PicFile[1]);
}

void TestForm1::settingsRoundTripThroughTheWindow()
{
    // The window opens where the file says and, closed unmoved, writes the same file back.
    const QByteArray sample = [] {
        QFile file(QFINDTESTDATA("../../data/settings-default-sample.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(sample.startsWith("[TOP   ]1200"));
    const QString settings = writeFile(u"Rowlark.ini"_s, sample);
    Form1 &form = makeForm();
    QCOMPARE(form.state().SavedTop, 1200);
    QVERIFY(form.close());
    QFile file(settings);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), sample);
}

void TestForm1::unreachablePlacementOpensOnScreen()
{
    // Remembered on a second screen that is gone.
    writeFile(u"Rowlark.ini"_s, "[TOP   ]150000\r\n[LEFT  ]-150000\r\n[HEIGHT]6000\r\n[WIDTH ]9000\r\n");
    Form1 &form = makeForm();
    QCOMPARE(form.state().SavedTop, 150000);
    const QRect screen = form.screen()->availableGeometry();
    QVERIFY2(screen.contains(form.pos()), "the window opens on the screen");
    // The remembered size stays; the status bar adds its height below it.
    QCOMPARE(form.size(), QSize(600, 400 + form.statusBar()->sizeHint().height()));
}

void TestForm1::hugeRememberedSizeFitsTheScreen()
{
    // A settings file edited by hand; the size must not come back at the next start either.
    const QString settings
        = writeFile(u"Rowlark.ini"_s, "[TOP   ]1200\r\n[LEFT  ]1500\r\n[HEIGHT]100000000\r\n[WIDTH ]100000000\r\n");
    Form1 &form = makeForm();
    const QRect screen = form.screen()->availableGeometry();
    QVERIFY2(screen.contains(form.frameGeometry()),
             qPrintable(u"%1x%2 window"_s.arg(form.frameGeometry().width()).arg(form.frameGeometry().height())));
    QVERIFY(form.cmdEnd->isVisible());
    QVERIFY(form.centralWidget()->rect().contains(form.cmdEnd->geometry()));
    QVERIFY(form.close());

    QFile file(settings);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY(lines.size() > 4);
    const Twips twips = Twips::forScreen(form.screen());
    QVERIFY(lines.at(2).startsWith("[HEIGHT]"));
    QVERIFY(lines.at(3).startsWith("[WIDTH ]"));
    QVERIFY(lines.at(2).mid(8).trimmed().toDouble() <= twips.toTwips(screen.height()));
    QVERIFY(lines.at(3).mid(8).trimmed().toDouble() <= twips.toTwips(screen.width()));
}

void TestForm1::closeIsRefusedWhileComparing()
{
    Form1 &form = makeForm();
    const QString settings = m_fixture.dir().filePath(u"Rowlark.ini"_s);
    form.state().CompareRunning = true;
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QVERIFY2(!QFile::exists(settings), "a refused close writes nothing");
    form.state().CompareRunning = false;
    QTest::mouseClick(form.cmdEnd, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QFile file(settings);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("[TOP   ]"));
}

// A typed change shows in the caption; the close box asks about it, and キャンセル keeps the
// window; Ctrl+S saves it; 保存しない lets a later change go with the window.
void TestForm1::closeBoxAsksAboutUnsavedChanges()
{
    Form1 &form = makeForm();
    const QByteArray bytes = "a,b\r\n";
    const QString path = writeFile(u"left.csv"_s, bytes);
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(path)});
    QVERIFY(sendDrop(form.PicFile[0], mime));
    delete mime;
    SheetView *view = form.grdData[0];
    const QPoint cell = view->visualRect(view->model()->index(0, 0)).center();
    const auto type = [&](const QString &text) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
        QTRY_VERIFY(view->hasFocus());
        QTest::keyClicks(view, text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(form.state().grdData(0).textMatrix(1, 1), text);
    };
    QCOMPARE(form.windowTitle(), u"Rowlark"_s);
    type(u"z"_s);
    QCOMPARE(form.windowTitle(), u"＊ Rowlark"_s);

    m_fixture.ui().scriptedAnswers = {Answer::Cancel};
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(m_fixture.ui().questions.size(), 1);
    QCOMPARE(readTestFile(path), bytes);
    QVERIFY(!QFile::exists(m_fixture.dir().filePath(u"Rowlark.ini"_s)));

    QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(readTestFile(path), QByteArray("z,b\r\n"));
    QCOMPARE(form.windowTitle(), u"Rowlark"_s);

    type(u"y"_s);
    m_fixture.ui().scriptedAnswers = {Answer::DontSave};
    QTest::mouseClick(form.cmdEnd, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(m_fixture.ui().questions.size(), 2);
    QCOMPARE(readTestFile(path), QByteArray("z,b\r\n"));
}

void TestForm1::commandLineLoadsIntoSheet1()
{
    const QString path = writeFile(u"from command line.csv"_s, "a,b\r\nc,d\r\n");
    // The load waits for the start-up timer, which may already have fired while the window was
    // being shown on a busy machine.
    Form1 &form = makeForm(path);
    QTRY_VERIFY(form.grdData[0]->isVisible());
    QCOMPARE(form.state().grdData(0).textMatrix(2, 2), u"d"_s);
    QCOMPARE(form.state().SheetFileName[0], path);
    QCOMPARE(form.cmdGmn->text(), u"画面１"_s);
    QVERIFY(form.cmdSave[0]->isEnabled());
    QVERIFY(m_fixture.ui().messages.isEmpty());
    QVERIFY(!form.tmrMain->isActive());
}

void TestForm1::commandLineOfAMissingFileReportsIt()
{
    Form1 &form = makeForm(m_fixture.dir().filePath(u"a.csv b.csv"_s));
    QTRY_COMPARE(m_fixture.ui().messages.size(), 1);
    QCOMPARE(m_fixture.ui().messages.first().text, u"読み込めません\r\nファイルが見つかりません"_s);
    QCOMPARE(m_fixture.ui().messages.first().icon, MessageIcon::Critical);
    QCOMPARE(form.cmdGmn->text(), u"画面１"_s);
    QVERIFY(!form.grdData[0]->isVisible());
}

void TestForm1::droppedFilesLoadInOrder()
{
    Form1 &form = makeForm();
    QList<QUrl> urls;
    for (const char *text : {"one", "two", "three"})
        urls << QUrl::fromLocalFile(writeFile(QString::fromLatin1(text) + u".csv"_s, QByteArray(text) + ",x\r\n"));
    auto *mime = new QMimeData;
    mime->setUrls(urls);
    QVERIFY(sendDrop(form.PicFile[0], mime));
    delete mime;
    QVERIFY(form.grdData[0]->isVisible());
    QVERIFY(!form.grdData[1]->isVisible());
    QCOMPARE(form.state().grdData(0).textMatrix(1, 1), u"three"_s);
    QCOMPARE(form.state().SheetFileName[0], urls.last().toLocalFile());
    QVERIFY(form.fraTool[0]->isVisible());
    QVERIFY(m_fixture.ui().messages.isEmpty());
}

void TestForm1::dragsWithoutLocalFilesAreRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("selected text") << 0;
    QTest::newRow("a web address") << 1;
}

void TestForm1::dragsWithoutLocalFilesAreRefused()
{
    QFETCH(int, kind);
    Form1 &form = makeForm();
    QMimeData mime;
    if (kind == 0)
        mime.setText(u"a,b"_s);
    else
        mime.setUrls({QUrl(u"https://example.org/a.csv"_s)});
    QVERIFY(!sendDrop(form.PicFile[1], &mime));
    // Even a drop delivered without a welcome drag changes nothing.
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.PicFile[1], &drop);
    QVERIFY(!form.grdData[1]->isVisible());
    QVERIFY(m_fixture.ui().messages.isEmpty());
}

void TestForm1::newSheetsAndClearing()
{
    Form1 &form = makeForm();
    form.mnuNew->trigger();
    QVERIFY(form.grdData[0]->isVisible());
    QCOMPARE(form.state().grdData(0).rows(), 11);
    QCOMPARE(form.grdData[0]->model()->headerData(9, Qt::Vertical).toString(), u"10行"_s);
    QVERIFY(!form.cmdSave[0]->isEnabled());
    QVERIFY(form.cmdName[0]->isEnabled());
    QVERIFY(form.mnuNew->isEnabled());
    form.mnuNew->trigger();
    QVERIFY(form.grdData[1]->isVisible());
    QVERIFY(!form.mnuNew->isEnabled());
    // A layout change must not make the new sheet's overwrite-save usable.
    QTest::mouseClick(form.cmdGmn, Qt::LeftButton);
    QVERIFY(!form.cmdSave[0]->isEnabled());

    QTest::mouseClick(form.cmdClr, Qt::LeftButton);
    QVERIFY(!form.grdData[0]->isVisible());
    QVERIFY(!form.grdData[1]->isVisible());
    QVERIFY(!form.fraTool[0]->isVisible());
    QVERIFY(form.mnuNew->isEnabled());
    QCOMPARE(form.state().PicFile[0].texts.size(), 2);
    QVERIFY(m_fixture.ui().messages.isEmpty());
}

void TestForm1::saveButtons()
{
    const QString path = writeFile(u"data.csv"_s, "a,b\r\nc,d\r\n");
    Form1 &form = makeForm();
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(path)});
    QVERIFY(sendDrop(form.PicFile[0], mime));
    delete mime;
    form.state().grdData(0).setTextMatrix(1, 2, u"変更"_s);

    QTest::mouseClick(form.cmdSave[0], Qt::LeftButton);
    QCOMPARE(m_fixture.ui().messages.size(), 1);
    QCOMPARE(m_fixture.ui().messages.last().text, u"保存しました\r\n"_s + path);
    QCOMPARE(m_fixture.ui().messages.last().title, u"報告"_s);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), u"a,変更\r\nc,d\r\n"_s.toUtf8());

    const QString other = m_fixture.dir().filePath(u"other.csv"_s);
    m_fixture.ui().scriptedSavePaths << other;
    QTest::mouseClick(form.cmdName[0], Qt::LeftButton);
    QCOMPARE(m_fixture.ui().saveRequests.size(), 1);
    QCOMPARE(m_fixture.ui().saveRequests.first().title, u"保存ﾌｧｲﾙを指定してください。"_s);
    QCOMPARE(QDir(m_fixture.ui().saveRequests.first().initialFolder), QDir(m_fixture.dir().path()));
    QCOMPARE(m_fixture.ui().messages.last().text, u"保存しました\r\n"_s + other);
    QCOMPARE(form.state().SheetFileName[0], other);
    QVERIFY(QFile::exists(other));

    // The file menu: 上書き保存 saves the active sheet, a recent file goes back to its side.
    form.state().grdData(0).setTextMatrix(1, 1, u"x"_s);
    form.mnuSave->trigger();
    QCOMPARE(readTestFile(other), u"x,変更\r\nc,d\r\n"_s.toUtf8());
    Q_EMIT form.mnuRecent[0]->aboutToShow();
    QCOMPARE(form.mnuRecent[0]->actions().last()->text(), u"&2 "_s + QDir::toNativeSeparators(path));
    form.mnuRecent[0]->actions().last()->trigger();
    QCOMPARE(form.state().SheetFileName[0], path);
}

void TestForm1::comparesTwoDroppedFiles()
{
    Form1 &form = makeForm();
    const QString left = writeFile(u"left.csv"_s, "a,b\r\nc,d\r\ne,f\r\n");
    const QString right = writeFile(u"right.csv"_s, "a,B\r\nc,d\r\n");
    for (int i = 0; i < 2; ++i) {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(i == 0 ? left : right)});
        QVERIFY(sendDrop(form.PicFile[i], mime));
        delete mime;
    }
    QTest::mouseClick(form.cmdDiff, Qt::LeftButton);
    QCOMPARE(m_fixture.ui().messages.size(), 1);
    QCOMPARE(m_fixture.ui().messages.first().text, u"差が　1　個あります\r\nサイズに差異があります"_s);
    QCOMPARE(m_fixture.ui().messages.first().title, u"比較結果"_s);
    const QColor lightRed(255, 128, 128);
    const QColor magenta(255, 0, 255);
    QCOMPARE(shownBackground(form.grdData[0], 1, 2), lightRed);
    QCOMPARE(shownBackground(form.grdData[1], 1, 2), lightRed);
    QCOMPARE(shownBackground(form.grdData[0], 3, 1), magenta);
    QCOMPARE(shownBackground(form.grdData[0], 3, 2), magenta);
    QCOMPARE(shownBackground(form.grdData[0], 2, 1), form.grdData[0]->palette().color(QPalette::Base));
    QVERIFY(form.grdData[0]->isEnabled());
    QVERIFY(!form.state().CompareRunning);

    QTest::mouseClick(form.cmdClr, Qt::LeftButton);
    QTest::mouseClick(form.cmdDiff, Qt::LeftButton);
    QCOMPARE(m_fixture.ui().messages.last().text, u"ファイルを２個指定して下さい"_s);
    QCOMPARE(m_fixture.ui().messages.last().title, u"エラー"_s);
}

void TestForm1::cancelButtonStopsARealComparison()
{
    // The window's own dialogs this time, driven through the event loop the comparison serves.
    QByteArray left, right;
    for (int r = 0; r < 3000; ++r) {
        left += "a,b,c\r\n";
        right += r % 7 ? "a,b,c\r\n" : "a,x,c\r\n";
    }
    const QString leftPath = writeFile(u"left.csv"_s, left);
    const QString rightPath = writeFile(u"right.csv"_s, right);
    Form1Options options;
    options.programFolder = m_fixture.dir().path();
    options.settingsPath = m_fixture.dir().filePath(u"Rowlark.ini"_s);
    Form1 form(options);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (int i = 0; i < 2; ++i) {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(i == 0 ? leftPath : rightPath)});
        QVERIFY(sendDrop(form.PicFile[i], mime));
        delete mime;
    }

    bool runningWhenCancelled = false;
    bool cancelClicked = false;
    QStringList messages;
    QTimer person;
    connect(&person, &QTimer::timeout, this, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *progress = qobject_cast<frmHikaku *>(widget);
            if (progress && progress->isVisible() && !cancelClicked) {
                runningWhenCancelled = form.state().CompareRunning && !form.grdData[0]->isEnabled();
                cancelClicked = true;
                QTest::mouseClick(progress->cmdCancel, Qt::LeftButton);
            }
        }
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            messages << box->windowTitle() + u'/' + box->text();
            box->accept();
        }
    });
    person.start(0);
    QTest::mouseClick(form.cmdDiff, Qt::LeftButton);
    person.stop();

    QVERIFY(runningWhenCancelled);
    QCOMPARE(messages, QStringList{u"比較中止/中止しました"_s});
    QVERIFY(!form.state().CompareRunning);
    QVERIFY(form.grdData[0]->isEnabled());
    QVERIFY(form.grdData[1]->isEnabled());
    // Stopped early: the first differing row was marked, the last one (file line 2997) never.
    QCOMPARE(form.state().grdData(0).backColorAt(1, 2), kDiffBackColor);
    QCOMPARE(form.state().grdData(0).backColorAt(2997, 2), kWindowBackColor);
    QCOMPARE(form.state().grdData(1).textMatrix(2997, 2), u"x"_s);
}

void TestForm1::busyWindowIgnoresItsCommands_data()
{
    QTest::addColumn<QString>("command");
    for (const char *command :
         {"cmdDiff", "cmdClr",   "cmdGmn",   "cmdEnd",   "close box", "cmdName", "cmdSave",   "mnuNew",
          "mnuUndo", "mnuDoble", "mnuKukan", "mnuHelp",  "mnuVer",    "drop",    "drag over", "cell change",
          "mnuZ",    "mnuCut",   "mnuCopy",  "mnuPeast", "mnuDel",    "mnuSend"})
        QTest::newRow(command) << QString::fromLatin1(command);
}

void TestForm1::busyWindowIgnoresItsCommands()
{
    QFETCH(QString, command);
    Form1 &form = makeForm();
    const QString path = writeFile(u"loaded.csv"_s, "a,b\r\n");
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(path)});
    QVERIFY(sendDrop(form.PicFile[0], mime));
    form.state().grdData(0).setTextMatrix(1, 1, u"edited"_s);
    m_fixture.ui().scriptedSavePaths << m_fixture.dir().filePath(u"saved-as.csv"_s);

    // Any modal dialog that a handler opens is closed again and noted.
    bool dialogOpened = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            dialogOpened = true;
            dialog->done(QDialog::Accepted);
        }
    });
    closer.start(20);

    AppState &state = form.state();
    m_fixture.ui().clipboard = u"pasted\r\n"_s;
    state.CompareRunning = true;
    const bool undoBefore = state.mnuUndoChecked;
    const bool dobleBefore = state.mnuDobleChecked;
    const int messagesBefore = m_fixture.ui().messages.size();

    if (command == u"cmdDiff")
        QTest::mouseClick(form.cmdDiff, Qt::LeftButton);
    else if (command == u"cmdClr")
        QTest::mouseClick(form.cmdClr, Qt::LeftButton);
    else if (command == u"cmdGmn")
        QTest::mouseClick(form.cmdGmn, Qt::LeftButton);
    else if (command == u"cmdEnd")
        QTest::mouseClick(form.cmdEnd, Qt::LeftButton);
    else if (command == u"close box")
        form.close();
    else if (command == u"cmdName")
        QTest::mouseClick(form.cmdName[0], Qt::LeftButton);
    else if (command == u"cmdSave")
        QTest::mouseClick(form.cmdSave[0], Qt::LeftButton);
    else if (command == u"mnuNew")
        form.mnuNew->trigger();
    else if (command == u"mnuUndo")
        form.mnuUndo->trigger();
    else if (command == u"mnuDoble")
        form.mnuDoble->trigger();
    else if (command == u"mnuKukan")
        form.mnuKukan->trigger();
    else if (command == u"mnuHelp")
        form.mnuHelp->trigger();
    else if (command == u"mnuVer")
        form.mnuVer->trigger();
    else if (command.startsWith(u"mnu")) { // the context menu's commands
        QAction *action = form.mnuMain->findChild<QAction *>(command);
        QVERIFY(action);
        action->trigger();
    } else if (command == u"drop")
        QVERIFY(!sendDrop(form.PicFile[1], mime) || !form.grdData[1]->isVisible());
    else if (command == u"cell change") {
        // Outside a comparison this would empty the tool tips: the other sheet is hidden.
        state.grdData(0).setToolTipText(u"before"_s);
        SheetView *view = form.grdData[0];
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 1)).center());
        QCOMPARE(state.grdData(0).col(), 2);
        QCOMPARE(state.grdData(0).toolTipText(), u"before"_s);
    } else if (command == u"drag over") {
        // The feedback is left as offered, even for data that is no file list.
        QMimeData text;
        text.setText(u"a,b"_s);
        QDragEnterEvent enter(form.PicFile[1]->rect().center(), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.PicFile[1], &enter);
        QVERIFY(enter.isAccepted());
    }
    QTest::qWait(50);
    delete mime;

    QVERIFY(!dialogOpened);
    QCOMPARE(m_fixture.ui().delimiterDialogs, 0);
    QVERIFY(m_fixture.ui().versionDialogs.isEmpty());
    QCOMPARE(m_fixture.ui().messages.size(), messagesBefore);
    QVERIFY(m_fixture.ui().saveRequests.isEmpty());
    QVERIFY(m_fixture.ui().openedUrls.isEmpty());
    QCOMPARE(m_fixture.ui().clipboard, u"pasted\r\n"_s);
    QVERIFY(form.isVisible());
    QVERIFY(state.grdData(0).isVisible());
    QVERIFY(!state.grdData(1).isVisible());
    QCOMPARE(state.displayMode, DisplayMode::Both);
    QCOMPARE(state.mnuUndoChecked, undoBefore);
    QCOMPARE(state.mnuDobleChecked, dobleBefore);
    QCOMPARE(state.grdData(0).backColorAt(1, 1), kWindowBackColor);
    QCOMPARE(state.grdData(0).textMatrix(1, 1), u"edited"_s);
    QVERIFY(!state.UndoAvailable[0] && !state.UndoAvailable[1]);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("a,b\r\n"));
    QVERIFY(!QFile::exists(m_fixture.dir().filePath(u"saved-as.csv"_s)));
    QVERIFY(!QFile::exists(m_fixture.dir().filePath(u"Rowlark.ini"_s)));
    state.CompareRunning = false;
}

void TestForm1::windowIsCurrentWhenAMessageShows_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("a load that cannot be written back") << u"load"_s;
    QTest::newRow("save as names the new file") << u"save as"_s;
}

void TestForm1::windowIsCurrentWhenAMessageShows()
{
    // A message box is shown over the window as it is after the command, not as it was before:
    // the loaded sheet, its tool frame and the file name in the strip above it.
    QFETCH(QString, action);
    Form1 &form = makeForm();
    const QString path = writeFile(u"odd bytes.csv"_s, "x,\x85\x40y\r\nz,w\r\n");
    const QString other = m_fixture.dir().filePath(u"renamed.csv"_s);
    if (action == u"save as") {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(writeFile(u"plain.csv"_s, "a,b\r\n"))});
        QVERIFY(sendDrop(form.PicFile[0], mime));
        delete mime;
        // The person sees the loaded window before pressing the button.
        QTest::qWait(20);
        m_fixture.ui().scriptedSavePaths << other;
    }

    bool sheetShown = false;
    bool frameShown = false;
    bool overwriteOffered = false;
    QImage stripDuring;
    m_fixture.ui().onMessage = [&](const RecordingUserInterface::Message &) {
        // A real message box runs the event loop, which paints what is pending.
        QCoreApplication::processEvents();
        sheetShown = form.grdData[0]->isVisible();
        frameShown = form.fraTool[0]->isVisible();
        overwriteOffered = form.cmdSave[0]->isEnabled();
        stripDuring = onScreen(form.PicFile[0]);
    };
    if (action == u"load") {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(path)});
        QVERIFY(sendDrop(form.PicFile[0], mime));
        delete mime;
    } else {
        QTest::mouseClick(form.cmdName[0], Qt::LeftButton);
    }
    QCOMPARE(m_fixture.ui().messages.size(), 1);
    QVERIFY(sheetShown);
    QVERIFY(frameShown);
    QCOMPARE(overwriteOffered, action == u"save as");

    // What the strip showed during the message is what a full repaint now shows: the new name.
    m_fixture.ui().onMessage = nullptr;
    form.PicFile[0]->repaint();
    QCOMPARE(form.state().PicFile[0].texts.first().text, action == u"load" ? path : other);
    QCOMPARE(stripDuring, onScreen(form.PicFile[0]));
}

void TestForm1::dropsReachThePanelUnderTheMouseInEveryMode()
{
    // Through every display mode and back, the panel under the right half of the window is
    // panel 2 and the one under the left half panel 1 (as far as they are shown); a hidden
    // side's tool frame is hidden with its panel.
    Form1 &form = makeForm();
    form.mnuNew->trigger(); // side 1 holds a sheet, so its tool frame is in play
    QWidget *client = form.centralWidget();
    const int y = form.PicFile[0]->y() + 3; // the strip above the sheets
    for (int press = 0; press < 3; ++press) {
        QTest::mouseClick(form.cmdGmn, Qt::LeftButton);
        const bool both = form.state().displayMode == DisplayMode::Both;
        const int shownSide = form.state().displayMode == DisplayMode::Sheet2Alone ? 1 : 0;
        // Just inside each half's left edge, clear of the tool frames at the panels' right.
        QWidget *left = client->childAt(5, y);
        QWidget *right = client->childAt(client->width() / 2 + 5, y);
        QVERIFY(left);
        QVERIFY(right);
        const auto isPanel = [&](QWidget *widget, int side) {
            return widget == form.PicFile[side] || form.PicFile[side]->isAncestorOf(widget);
        };
        QVERIFY2(isPanel(left, both ? 0 : shownSide), qPrintable(form.cmdGmn->text()));
        QVERIFY2(isPanel(right, both ? 1 : shownSide), qPrintable(form.cmdGmn->text()));
        QCOMPARE(form.fraTool[0]->isVisible(), form.PicFile[0]->isVisible());
    }
}

void TestForm1::editBoxMirrorsItsState()
{
    Form1 &form = makeForm();
    form.mnuNew->trigger();
    EditBox &box = form.state().txtEdit(0);
    EditBoxWidget *line = form.txtEdit[0];
    QVERIFY(!line->isVisible());

    // The logic places, fills, shows and focuses the box; the line edit follows at once.
    box.setGeometry({600, 900, 1200, 300});
    box.setText(u"abc"_s);
    box.setSelStart(1);
    box.setVisible(true);
    box.setFocus();
    QVERIFY(line->isVisible());
    QCOMPARE(line->geometry(), Twips::forScreen(form.screen()).toPixels(TwipsRect{600, 900, 1200, 300}));
    QCOMPARE(line->text(), u"abc"_s);
    QCOMPARE(line->cursorPosition(), 1);
    QTRY_VERIFY(line->hasFocus());
    QVERIFY(box.hasFocus());
    QWidget *client = form.centralWidget();
    QCOMPARE(client->childAt(line->geometry().center()), line);

    // What the person types and where the caret goes reach the box; every key is a key down
    // first, and a key whose key down is swallowed types nothing.
    QList<int> keyDowns;
    QList<int> keyPresses;
    connect(&box, &EditBox::keyDown, this, [&](int *keyCode, int) {
        keyDowns << *keyCode;
        if (*keyCode == 'Q')
            *keyCode = 0;
    });
    connect(&box, &EditBox::keyPress, this, [&](int *keyAscii) { keyPresses << *keyAscii; });
    QTest::keyClicks(line, u"xq"_s);
    QTest::keyClick(line, Qt::Key_End);
    QCOMPARE(box.text(), u"axbc"_s);
    QCOMPARE(box.selStart(), 4);
    QCOMPARE(keyDowns, (QList<int>{'X', 'Q', 35}));
    QCOMPARE(keyPresses, (QList<int>{'x'}));

    // Leaving the box is its lost-focus event, which commits the edit into the current cell.
    int lostFocus = 0;
    connect(&box, &EditBox::lostFocus, this, [&] { ++lostFocus; });
    form.grdData[0]->setFocus();
    QTRY_COMPARE(lostFocus, 1);
    QVERIFY(!box.hasFocus());
    QTRY_VERIFY(!line->isVisible());
    QCOMPARE(form.state().grdData(0).text(), u"axbc"_s);
    QVERIFY(form.state().UndoAvailable[0]);
}

void TestForm1::mouseUpPicksTheSheetAndOrdersTheBlock()
{
    Form1 &form = makeForm();
    form.mnuNew->trigger();
    form.mnuNew->trigger();
    AppState &state = form.state();
    SheetView *left = form.grdData[0];
    SheetView *right = form.grdData[1];
    const auto cellCentre = [](SheetView *view, int row, int col) {
        return view->visualRect(view->model()->index(row - 1, col - 1)).center();
    };

    // Dragged from bottom-right to top-left, with either button released: the block is put in
    // order when the button comes up. The right button is clicked while the left one still holds
    // the drag.
    const Sheet &sheet = state.grdData(0);
    const auto block = [&] { return QList<int>{sheet.row(), sheet.col(), sheet.rowSel(), sheet.colSel()}; };
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        QTest::mousePress(left->viewport(), Qt::LeftButton, {}, cellCentre(left, 4, 3));
        QTest::mouseMove(left->viewport(), cellCentre(left, 2, 1));
        QCOMPARE(block(), (QList<int>{4, 3, 2, 1}));
        if (button == Qt::RightButton)
            QTest::mousePress(left->viewport(), button, {}, cellCentre(left, 2, 1));
        QTest::mouseRelease(left->viewport(), button, {}, cellCentre(left, 2, 1));
        QCOMPARE(state.ActiveSheet, 0);
        QCOMPARE(block(), (QList<int>{2, 1, 4, 3}));
        if (button == Qt::RightButton) {
            QTRY_VERIFY(form.mnuMain->isVisible()); // the context menu follows the ordering
            form.mnuMain->hide();
            QTest::mouseRelease(left->viewport(), Qt::LeftButton, {}, cellCentre(left, 2, 1));
        }
    }

    // Pressed on sheet 1, released over sheet 2: sheet 2 is the one let go on.
    QTest::mousePress(left->viewport(), Qt::LeftButton, {}, cellCentre(left, 1, 1));
    const QPoint overRight = left->viewport()->mapFromGlobal(right->viewport()->mapToGlobal(cellCentre(right, 2, 2)));
    QTest::mouseRelease(left->viewport(), Qt::LeftButton, {}, overRight);
    QCOMPARE(state.ActiveSheet, 1);

    // While a comparison runs a release changes nothing.
    state.CompareRunning = true;
    QTest::mouseClick(left->viewport(), Qt::RightButton, {}, cellCentre(left, 3, 3));
    QCOMPARE(state.ActiveSheet, 1);
    state.CompareRunning = false;
}

void TestForm1::blockCommandsThroughTheRealClipboard()
{
    Form1 &form = makeForm({}, HelpFile::Present, Screen::Real);
    const QString left = writeFile(u"left.csv"_s, "a,b,c\r\nd,e,f\r\ng,h,i\r\n");
    const QString right = writeFile(u"right.csv"_s, "a,x,c\r\nd,e,y\r\n");
    for (int i = 0; i < 2; ++i) {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(i == 0 ? left : right)});
        QVERIFY(sendDrop(form.PicFile[i], mime));
        delete mime;
    }
    AppState &state = form.state();
    Sheet &sheet0 = state.grdData(0);
    const auto selectBlock = [&](int row, int col, int rowSel, int colSel) {
        sheet0.setCurrentCell(row, col);
        sheet0.setRowSel(rowSel);
        sheet0.setColSel(colSel);
        state.ActiveSheet = 0;
    };
    QClipboard *clipboard = QGuiApplication::clipboard();

    // Ctrl+C on the sheet, with the block extended upward: the same text as the menu's copy.
    selectBlock(2, 3, 1, 2);
    state.ActiveSheet = 1;
    form.grdData[0]->setFocus();
    QTRY_COMPARE(state.ActiveSheet, 0);
    QTest::keyClick(form.grdData[0], Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), u"b\tc\r\ne\tf\r\n"_s);
    clipboard->clear();
    form.mnuCopy->trigger();
    QCOMPARE(clipboard->text(), u"b\tc\r\ne\tf\r\n"_s);
    QVERIFY(!state.KeyEditArmed);

    // Another program's text, cut at LF, pasted at (2, 2) and re-coloured where sheet 2 has cells.
    clipboard->setText(u"g\tx\nq\n"_s);
    selectBlock(2, 2, 2, 2);
    form.mnuPeast->trigger();
    QCOMPARE(sheet0.textMatrix(2, 2), u"g"_s);
    QCOMPARE(sheet0.textMatrix(2, 3), u"x"_s);
    QCOMPARE(sheet0.textMatrix(3, 2), u"q"_s);
    QCOMPARE(shownBackground(form.grdData[0], 2, 2), QColor(0xFF, 0x80, 0x80)); // g against e
    QCOMPARE(shownBackground(form.grdData[0], 3, 2), QColor(0xFF, 0x00, 0xFF)); // sheet 2 has no row 3
    QVERIFY(state.UndoAvailable[0]);

    // Data that is no text pastes nothing, and the sheet keeps its size.
    auto *image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_RGB32));
    clipboard->setMimeData(image);
    selectBlock(1, 1, 1, 1);
    form.mnuPeast->trigger();
    QCOMPARE(sheet0.textMatrix(1, 1), u"a"_s);
    QCOMPARE(sheet0.rows(), 4);

    // The block to the other sheet: its texts there, and both show it as equal.
    selectBlock(1, 1, 2, 3);
    form.mnuSend->trigger();
    for (int c = 1; c <= 3; ++c) {
        QCOMPARE(state.grdData(1).textMatrix(1, c), sheet0.textMatrix(1, c));
        QCOMPARE(shownBackground(form.grdData[1], 2, c), form.grdData[1]->palette().color(QPalette::Base));
    }
    QVERIFY(state.UndoAvailable[1]);
    QVERIFY(form.grdData[0]->isEnabled() && form.grdData[1]->isEnabled());
}

void TestForm1::rightClickOnARowHeaderOffersRows()
{
    Form1 &form = makeForm();
    form.mnuNew->trigger(); // a 10 x 10 sheet 1 alone
    AppState &state = form.state();
    SheetView *view = form.grdData[0];
    QHeaderView *rows = view->verticalHeader();
    const QPoint row4(rows->width() / 2, rows->sectionViewportPosition(3) + rows->sectionSize(3) / 2);

    QTest::mouseClick(rows->viewport(), Qt::RightButton, {}, row4);

    QTRY_VERIFY(form.mnuMain->isVisible());
    QVERIFY(!form.mnuZ->isEnabled()); // no snapshot yet
    QVERIFY(!form.mnuSend->isEnabled()); // one sheet shown
    const Sheet &sheet = state.grdData(0);
    QCOMPARE(selectionOf(sheet), (Selection{4, 1, 4, 10}));

    state.grdData(0).setTextMatrix(4, 1, u"moved"_s);
    form.mnuGAdd->trigger();
    form.mnuMain->close();
    QCOMPARE(sheet.rows(), 12);
    QCOMPARE(sheet.textMatrix(5, 1), u"moved"_s);
    QCOMPARE(sheet.textMatrix(11, 0), u"11行"_s);

    // The next menu offers the undo of that change.
    QTest::mouseClick(rows->viewport(), Qt::RightButton, {}, row4);
    QTRY_VERIFY(form.mnuMain->isVisible());
    QVERIFY(form.mnuZ->isEnabled());
    form.mnuMain->close();
}

void TestForm1::rightClickByZone_data()
{
    QTest::addColumn<QPoint>("at"); // row, col released on; 0 is the header row or column
    QTest::addColumn<Selection>("before");
    QTest::addColumn<Selection>("after");
    QTest::addColumn<QString>("rowColumnItems"); // the add and delete captions; empty: hidden

    const Selection block{3, 2, 7, 4};
    QTest::newRow("corner selects every data cell") << QPoint(0, 0) << block << Selection{1, 1, 10, 10} << QString();
    QTest::newRow("row header outside the block selects that row")
        << QPoint(9, 0) << block << Selection{9, 1, 9, 10} << u"行追加 行削除"_s;
    // The view's own press would select the clicked row or cell: the block must survive it.
    QTest::newRow("row header of whole selected rows keeps them")
        << QPoint(5, 0) << Selection{3, 1, 7, 10} << Selection{3, 1, 7, 10} << u"行追加 行削除"_s;
    QTest::newRow("column header selects that column")
        << QPoint(0, 3) << block << Selection{1, 3, 10, 3} << u"列追加 列削除"_s;
    QTest::newRow("body cell inside the block keeps it") << QPoint(5, 3) << block << block << QString();
    QTest::newRow("body cell outside the block selects it alone")
        << QPoint(9, 8) << block << Selection{9, 8, 9, 8} << QString();
}

void TestForm1::rightClickByZone()
{
    QFETCH(QPoint, at);
    QFETCH(Selection, before);
    QFETCH(Selection, after);
    QFETCH(QString, rowColumnItems);

    Form1 &form = makeForm();
    form.mnuNew->trigger(); // a 10 x 10 sheet 1 alone
    SheetView *view = form.grdData[0];
    Sheet &sheet = form.state().grdData(0);
    // Captions left by an earlier menu must not show where the items are hidden.
    form.state().mnuMain.rowColumnItemsVisible = true;
    select(sheet, before);

    const int row = at.x();
    const int col = at.y();
    QWidget *target = nullptr;
    QPoint pos;
    if (row == 0 && col == 0) {
        target = view->findChild<QAbstractButton *>();
        QVERIFY(target);
        pos = target->rect().center();
    } else if (col == 0) {
        QHeaderView *rows = view->verticalHeader();
        target = rows->viewport();
        pos = QPoint(rows->width() / 2, rows->sectionViewportPosition(row - 1) + rows->sectionSize(row - 1) / 2);
    } else if (row == 0) {
        QHeaderView *cols = view->horizontalHeader();
        target = cols->viewport();
        pos = QPoint(cols->sectionViewportPosition(col - 1) + cols->sectionSize(col - 1) / 2, cols->height() / 2);
    } else {
        target = view->viewport();
        pos = view->visualRect(view->model()->index(row - 1, col - 1)).center();
    }
    QTest::mouseClick(target, Qt::RightButton, {}, pos);

    QTRY_VERIFY(form.mnuMain->isVisible());
    QCOMPARE(selectionOf(sheet), after);
    QCOMPARE(form.mnuNull1->isVisible(), !rowColumnItems.isEmpty());
    QCOMPARE(form.mnuGAdd->isVisible(), !rowColumnItems.isEmpty());
    QCOMPARE(form.mnuGDel->isVisible(), !rowColumnItems.isEmpty());
    if (!rowColumnItems.isEmpty())
        QCOMPARE(form.mnuGAdd->text() + u' ' + form.mnuGDel->text(), rowColumnItems);
    form.mnuMain->close();
}

void TestForm1::editBoxMenuKeepsTheEdit()
{
    // The edit box's own menu (cut, copy, paste, select all) works on the edit in progress: the
    // edit goes on while it is open, and the keys typed after it closes go on into the box.
    Form1 &form = makeForm();
    form.mnuNew->trigger();
    SheetView *view = form.grdData[0];
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 1)).center());
    QTRY_VERIFY(view->hasFocus());
    QCoreApplication::processEvents(); // the sheet's got-focus, which would end a later edit
    QTest::keyClicks(view, u"Q"_s);
    EditBoxWidget *line = form.txtEdit[0];
    QTRY_VERIFY(line->hasFocus());

    const QPoint inside = line->rect().center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, inside, line->mapToGlobal(inside));
    QCoreApplication::sendEvent(line, &menuEvent);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QAction *selectAll = nullptr;
    const QString selectAllKey = QKeySequence(QKeySequence::SelectAll).toString(QKeySequence::NativeText);
    for (QAction *action : menu->actions())
        if (action->text().endsWith(u'\t' + selectAllKey))
            selectAll = action;
    QVERIFY(selectAll);
    QCoreApplication::processEvents();
    QVERIFY2(line->isVisible(), "the edit goes on while the menu is open");
    QCOMPARE(form.state().grdData(0).textMatrix(2, 2), QString());
    selectAll->trigger();
    menu->close();

    QTRY_COMPARE(QApplication::focusWidget(), line);
    QTest::keyClicks(QApplication::focusWidget(), u"Z"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(form.state().grdData(0).textMatrix(2, 2), u"Z"_s);
}

void TestForm1::keysStillReachTheSheetAfterACommand()
{
    // A command disables the sheet while it works; the keyboard focus must come back to it, not
    // stay on a button or move to the other sheet (which would make that one active).
    Form1 &form = makeForm();
    for (int i = 0; i < 2; ++i) {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(writeFile(u"side%1.csv"_s.arg(i), "a,b\r\nc,d\r\ne,f\r\n"))});
        QVERIFY(sendDrop(form.PicFile[i], mime));
        delete mime;
    }
    AppState &state = form.state();
    SheetView *view = form.grdData[0];
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
    QTRY_COMPARE(QApplication::focusWidget(), view);
    QHeaderView *rows = view->verticalHeader();
    QTest::mouseClick(rows->viewport(), Qt::RightButton, {},
                      QPoint(rows->width() / 2, rows->sectionViewportPosition(1) + rows->sectionSize(1) / 2));
    QTRY_VERIFY(form.mnuMain->isVisible());
    form.mnuGDel->trigger();
    form.mnuMain->close();
    QCOMPARE(state.grdData(0).rows(), 3);

    QTRY_COMPARE(QApplication::focusWidget(), view);
    QCOMPARE(state.ActiveSheet, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(state.grdData(0).rows(), 4);
    QCOMPARE(state.grdData(0).textMatrix(2, 1), u"c"_s);
}

void TestForm1::stepsToDifferencesAndLinesUpRows()
{
    Form1 &form = makeForm();
    const QByteArray files[] = {"a,b\r\nc,d\r\ne,f\r\n", "a,b\r\nX,Y\r\nc,d\r\ne,f\r\n"};
    for (int i = 0; i < 2; ++i) {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(writeFile(u"side%1.csv"_s.arg(i), files[i]))});
        QVERIFY(sendDrop(form.PicFile[i], mime));
        delete mime;
    }
    QVERIFY(form.mnuAlign->isEnabled());
    QTest::mouseClick(form.cmdDiff, Qt::LeftButton);
    AppState &state = form.state();
    SheetView *view = form.grdData[0];
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 1)).center());
    QTRY_COMPARE(QApplication::focusWidget(), view);

    const Sheet &sheet = state.grdData(0);
    QTest::keyClick(view, Qt::Key_F8);
    QCOMPARE(QPoint(sheet.row(), sheet.col()), QPoint(2, 1));
    QCOMPARE(state.grdData(1).row(), 2); // the other sheet follows, as after a click
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(QPoint(sheet.row(), sheet.col()), QPoint(2, 1));
    QCOMPARE(m_fixture.ui().beeps, 1);
    QVERIFY(!form.txtEdit[0]->isVisible());

    form.mnuAlign->trigger();
    QCOMPARE(cellTexts(sheet), u"a,b|,|c,d|e,f"_s);
    QCOMPARE(colourMap(sheet), u"..|GG|..|.."_s);
    QCOMPARE(colourMap(state.grdData(1)), u"..|RR|..|.."_s);
    QCOMPARE(m_fixture.ui().messages.last().text, u"ファイル１に 1 行、ファイル２に 0 行の空行を入れて揃えました。"_s);
}

void TestForm1::editsACellInPlace_data()
{
    QTest::addColumn<QString>("keys"); // typed on the sheet at (2, 2), then in the box; see below
    QTest::addColumn<QString>("cell22");
    QTest::addColumn<QPoint>("current"); // col, row afterwards
    QTest::addColumn<bool>("editing");

    // Letters are typed, '{' is Enter, '<' Left, '>' Right, 'v' Down, '^' Esc, '!' a double
    // click on the current cell, '~' "漢字" composed with an input method and committed, '-' a
    // composition the input method drops without committing anything, '@' a click on cell (3, 3).
    QTest::newRow("a letter replaces the text, Enter stores it") << u"Q{"_s << u"Q"_s << QPoint(2, 2) << false;
    QTest::newRow("Enter starts from the text, caret at its end") << u"{Z{"_s << u"eZ"_s << QPoint(2, 2) << false;
    QTest::newRow("double click starts from the text") << u"!Y{"_s << u"eY"_s << QPoint(2, 2) << false;
    QTest::newRow("Esc discards the edit") << u"Q^"_s << u"e"_s << QPoint(2, 2) << false;
    QTest::newRow("Esc on the sheet opens nothing") << u"^"_s << u"e"_s << QPoint(2, 2) << false;
    QTest::newRow("half-width katakana opens the editor") << u"ﾊ{"_s << u"ﾊ"_s << QPoint(2, 2) << false;
    QTest::newRow("a double-byte character opens the editor") << u"表{"_s << u"表"_s << QPoint(2, 2) << false;
    QTest::newRow("input method composition opens the editor") << u"~{"_s << u"漢字"_s << QPoint(2, 2) << false;
    QTest::newRow("Esc discards a composed edit") << u"~^"_s << u"e"_s << QPoint(2, 2) << false;
    QTest::newRow("composition inside the editor adds to its text") << u"Q~{"_s << u"Q漢字"_s << QPoint(2, 2) << false;
    QTest::newRow("a dropped composition closes the editor") << u"-"_s << u"e"_s << QPoint(2, 2) << false;
    QTest::newRow("a click after a dropped composition keeps the text") << u"-@"_s << u"e"_s << QPoint(3, 3) << false;
    QTest::newRow("a dropped composition keeps a typed edit") << u"Q-{"_s << u"Q"_s << QPoint(2, 2) << false;
    QTest::newRow("a dropped composition keeps a composed edit") << u"~-{"_s << u"漢字"_s << QPoint(2, 2) << false;
    QTest::newRow("Down commits and moves down") << u"Qv"_s << u"Q"_s << QPoint(2, 3) << false;
    QTest::newRow("Right at the end commits and moves right") << u"Q>"_s << u"Q"_s << QPoint(3, 2) << false;
    QTest::newRow("Left inside the text only moves the caret") << u"Q<"_s << u"e"_s << QPoint(2, 2) << true;
}

void TestForm1::editsACellInPlace()
{
    QFETCH(QString, keys);
    QFETCH(QString, cell22);
    QFETCH(QPoint, current);
    QFETCH(bool, editing);

    Form1 &form = makeForm();
    const QString left = writeFile(u"left.csv"_s, "a,b,c\r\nd,e,f\r\ng,h,i\r\n");
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(left)});
    QVERIFY(sendDrop(form.PicFile[0], mime));
    delete mime;
    AppState &state = form.state();
    Sheet &sheet = state.grdData(0);
    SheetView *view = form.grdData[0];
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 1)).center());
    QTRY_VERIFY(view->hasFocus());
    QCOMPARE(sheet.row(), 2);

    for (const QChar key : keys) {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target);
        if (key == u'{')
            QTest::keyClick(target, Qt::Key_Return);
        else if (key == u'<')
            QTest::keyClick(target, Qt::Key_Left);
        else if (key == u'>')
            QTest::keyClick(target, Qt::Key_Right);
        else if (key == u'v')
            QTest::keyClick(target, Qt::Key_Down);
        else if (key == u'^')
            QTest::keyClick(target, Qt::Key_Escape);
        else if (key == u'!')
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                               view->visualRect(view->model()->index(1, 1)).center());
        else if (key == u'~') {
            // The input method sends its events to whatever has the focus at the time.
            QInputMethodEvent composing(u"かんじ"_s, {});
            QCoreApplication::sendEvent(target, &composing);
            QVERIFY2(form.txtEdit[0]->isVisible() && form.txtEdit[0]->hasFocus(),
                     "the composition goes on in the edit box");
            QInputMethodEvent commit;
            commit.setCommitString(u"漢字"_s);
            QCoreApplication::sendEvent(QApplication::focusWidget(), &commit);
        } else if (key == u'-') {
            QInputMethodEvent composing(u"かんじ"_s, {});
            QCoreApplication::sendEvent(target, &composing);
            QInputMethodEvent dropped;
            QCoreApplication::sendEvent(QApplication::focusWidget(), &dropped);
        } else if (key == u'@') {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(view->model()->index(2, 2)).center());
        } else if (key.unicode() < 0x80)
            QTest::keyClicks(target, QString(key));
        else {
            // A character no key of its own types, as a Japanese keyboard delivers it.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(key));
            QCoreApplication::sendEvent(target, &press);
        }
    }

    QTRY_COMPARE(sheet.textMatrix(2, 2), cell22);
    QCOMPARE(QPoint(sheet.col(), sheet.row()), current);
    QCOMPARE(form.txtEdit[0]->isVisible(), editing);
    QCOMPARE(state.UndoAvailable[0], cell22 != u"e"_s);
}

void TestForm1::columnWidthsStayInStep_data()
{
    QTest::addColumn<int>("sheet"); // whose column the person drags wider
    QTest::addColumn<int>("col");
    QTest::addColumn<bool>("otherFollows");

    QTest::newRow("left sheet's column") << 0 << 2 << true;
    QTest::newRow("right sheet's first column") << 1 << 1 << true;
    QTest::newRow("a column only the left sheet has") << 0 << 3 << false;
}

void TestForm1::columnWidthsStayInStep()
{
    QFETCH(int, sheet);
    QFETCH(int, col);
    QFETCH(bool, otherFollows);

    Form1 &form = makeForm();
    const QString left = writeFile(u"left.csv"_s, "a,b,c\r\nd,e,f\r\n");
    const QString right = writeFile(u"right.csv"_s, "a,b\r\nc,d\r\n");
    for (int i = 0; i < 2; ++i) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(i == 0 ? left : right)});
        QVERIFY(sendDrop(form.PicFile[i], &mime));
    }
    QTRY_VERIFY(form.grdData[0]->isVisible() && form.grdData[1]->isVisible());
    SheetView *dragged = form.grdData[sheet];
    SheetView *other = form.grdData[1 - sheet];
    const QList<int> otherBefore = {other->columnWidth(0), other->columnWidth(1)};

    // The person drags the right edge of the column's header 40 pixels to the right.
    QHeaderView *header = dragged->horizontalHeader();
    const int section = col - 1;
    const int before = header->sectionSize(section);
    const QPoint edge(header->sectionViewportPosition(section) + before - 1, header->height() / 2);
    const QPoint target = edge + QPoint(40, 0);
    QMouseEvent press(QEvent::MouseButtonPress, edge, header->viewport()->mapToGlobal(edge), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, target, header->viewport()->mapToGlobal(target), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, target, header->viewport()->mapToGlobal(target), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header->viewport(), &press);
    QCoreApplication::sendEvent(header->viewport(), &move);
    QCoreApplication::sendEvent(header->viewport(), &release);
    QCOMPARE(header->sectionSize(section), before + 40);

    if (otherFollows) {
        QCOMPARE(other->columnWidth(section), before + 40);
        QCOMPARE(form.state().grdData(1 - sheet).colWidth(col), form.state().grdData(sheet).colWidth(col));
    }
    // No other column of the other sheet moves.
    for (int c = 0; c < 2; ++c) {
        if (!(otherFollows && c == section))
            QCOMPARE(other->columnWidth(c), otherBefore.at(c));
    }
}

void TestForm1::saveDialogAddsALowerCaseSuffix_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");

    QTest::newRow("no suffix") << u"saveas1"_s << u"saveas1.csv"_s;
    QTest::newRow("upper-case suffix kept") << u"saveas2.CSV"_s << u"saveas2.CSV"_s;
    QTest::newRow("other suffix kept") << u"saveas3.txt"_s << u"saveas3.txt"_s;
}

void TestForm1::saveDialogAddsALowerCaseSuffix()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);

    const QString path = writeFile(u"data.csv"_s, "a,b\r\n");
    Form1 &form = makeForm({}, HelpFile::Present, Screen::Real);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QVERIFY(sendDrop(form.PicFile[0], &mime));

    // The person types the name into the real save dialog and accepts it, then closes the report.
    QStringList seen;
    int ticksSinceRead = 0;
    QTimer person;
    connect(&person, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
            if (!name) {
                seen << u"dialog without a name box"_s;
                static_cast<QDialog *>(dialog)->reject();
                return;
            }
            // The dialog reads its folder on a thread of its own and then selects the file it was
            // opened with again: the name is typed once that is done, or the selection would
            // replace it.
            const auto *folder = dialog->findChild<QFileSystemModel *>();
            if (!folder || folder->rowCount(folder->index(dialog->directory().absolutePath())) == 0
                || ++ticksSinceRead < 2)
                return;
            seen << u"dialog"_s;
            name->clear();
            QTest::keyClicks(name, typed);
            QTest::keyClick(name, Qt::Key_Return);
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            seen << box->text();
            box->accept();
        }
    });
    person.start(50);
    QTest::mouseClick(form.cmdName[0], Qt::LeftButton);
    person.stop();

    const QString expected = QDir(m_fixture.dir().path()).filePath(written);
    QCOMPARE(seen, QStringList({u"dialog"_s, u"保存しました\r\n"_s + expected}));
    QCOMPARE(QDir(m_fixture.dir().path()).entryList({u"saveas*"_s}, QDir::Files), QStringList{written});
}

void TestForm1::editorNeverCutsALongText_data()
{
    QTest::addColumn<int>("length"); // of the text of cell (2, 2)
    QTest::addColumn<QString>("keys"); // '!' double click, '{' Enter, '#' Backspace, letters typed
    QTest::addColumn<int>("storedLength"); // -1: the typed letter Q alone
    QTest::addColumn<int>("refusals");

    // The edit box holds 32767 characters. Shown a longer text, it would show it cut, and the
    // Backspace would store the cut text: the editor must not open on it at all.
    QTest::newRow("the longest text the box holds opens whole") << 32767 << u"!#{"_s << 32766 << 0;
    QTest::newRow("double click on a longer text refuses") << 32768 << u"!#{"_s << 32768 << 3;
    QTest::newRow("Enter on a text of a million characters refuses") << 1000000 << u"{"_s << 1000000 << 1;
    QTest::newRow("a letter typed over a long text replaces it") << 1000000 << u"Q{"_s << -1 << 0;
}

void TestForm1::editorNeverCutsALongText()
{
    QFETCH(int, length);
    QFETCH(QString, keys);
    QFETCH(int, storedLength);
    QFETCH(int, refusals);

    Form1 &form = makeForm();
    const QByteArray longText = QByteArray("0123456789").repeated(length / 10 + 1).left(length);
    const QString left = writeFile(u"left.csv"_s, "a,b\r\nc," + longText + "\r\n");
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(left)});
    QVERIFY(sendDrop(form.PicFile[0], mime));
    delete mime;
    Sheet &sheet = form.state().grdData(0);
    QCOMPARE(sheet.textView(2, 2).size(), length);
    SheetView *view = form.grdData[0];
    const QPoint cell = view->visualRect(view->model()->index(1, 1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTRY_VERIFY(view->hasFocus());
    QCoreApplication::processEvents(); // the sheet's got-focus notification follows its handler

    for (const QChar key : keys) {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target);
        if (key == u'!')
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
        else if (key == u'{')
            QTest::keyClick(target, Qt::Key_Return);
        else if (key == u'#')
            QTest::keyClick(target, Qt::Key_Backspace);
        else
            QTest::keyClicks(target, QString(key));
        QCoreApplication::processEvents();
    }

    QTRY_VERIFY(!form.txtEdit[0]->isVisible());
    if (storedLength < 0)
        QCOMPARE(sheet.textMatrix(2, 2), u"Q"_s);
    else {
        QCOMPARE(sheet.textView(2, 2).size(), storedLength);
        QCOMPARE(sheet.textView(2, 2), QString::fromLatin1(longText.left(storedLength)));
    }
    QCOMPARE(m_fixture.ui().messages.size(), refusals);
    for (const auto &message : std::as_const(m_fixture.ui().messages)) {
        QCOMPARE(message.text, u"このセルは 32767 文字を超えるため、ここでは編集できません。"_s);
        QCOMPARE(message.icon, MessageIcon::Exclamation);
    }
    // A refused edit is no edit: nothing to undo.
    QCOMPARE(form.state().UndoAvailable[0], refusals == 0);
}

void TestForm1::dropOnASheetBeingEditedDiscardsTheEdit()
{
    Form1 &form = makeForm();
    dropFile(0, u"left.csv"_s, "a,b,c\r\nd,e,f\r\ng,h,i\r\n");
    dropFile(1, u"right.csv"_s, "a,b,c\r\nd,e,f\r\n");
    typeInto(0, 2, 2, u"Q"_s);

    dropFile(0, u"next.csv"_s, "1,2\r\n3,4\r\n");
    QCoreApplication::processEvents();

    QVERIFY2(m_fixture.ui().messages.isEmpty(), qPrintable(m_fixture.ui().messages.value(0).text));
    QVERIFY(!form.txtEdit[0]->isVisible());
    const AppState &state = form.state();
    QCOMPARE(cellTexts(state.grdData(0)), u"1,2|3,4"_s);
    QCOMPARE(state.grdData(0).textMatrix(0, 0), QString());
    QCOMPARE(cellTexts(state.grdData(1)), u"a,b,c|d,e,f"_s);
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = state.grdData(i);
        QVERIFY2(sheet.row() >= 1 && sheet.col() >= 1, "the current cell rests on a data cell");
    }
}

void TestForm1::clickOnTheOtherSheetWhileEditingLandsThere_data()
{
    QTest::addColumn<QPoint>("at"); // row, col of sheet 2 clicked; 0 is the header row or column
    QTest::addColumn<Selection>("selected"); // sheet 2's afterwards

    QTest::newRow("a cell") << QPoint(3, 3) << Selection{3, 3, 3, 3};
    QTest::newRow("a row header") << QPoint(3, 0) << Selection{3, 1, 3, 3};
    QTest::newRow("a column header") << QPoint(0, 3) << Selection{1, 3, 3, 3};
}

void TestForm1::clickOnTheOtherSheetWhileEditingLandsThere()
{
    QFETCH(QPoint, at);
    QFETCH(Selection, selected);

    Form1 &form = makeForm();
    dropFile(0, u"left.csv"_s, "a,b,c\r\nd,e,f\r\ng,h,i\r\n");
    dropFile(1, u"right.csv"_s, "a,b,c\r\nd,x,f\r\ng,h,y\r\n");
    QTest::mouseClick(form.cmdDiff, Qt::LeftButton);
    typeInto(0, 2, 2, u"Z"_s);

    SheetView *right = form.grdData[1];
    QWidget *target = right->viewport();
    QPoint pos;
    if (at.y() == 0) {
        QHeaderView *rows = right->verticalHeader();
        target = rows->viewport();
        pos = QPoint(rows->width() / 2, rows->sectionViewportPosition(at.x() - 1) + rows->sectionSize(at.x() - 1) / 2);
    } else if (at.x() == 0) {
        QHeaderView *cols = right->horizontalHeader();
        target = cols->viewport();
        pos = QPoint(cols->sectionViewportPosition(at.y() - 1) + cols->sectionSize(at.y() - 1) / 2, cols->height() / 2);
    } else {
        pos = right->visualRect(right->model()->index(at.x() - 1, at.y() - 1)).center();
    }
    // A person's press and release are apart: what the press left queued runs in between.
    QTest::mousePress(target, Qt::LeftButton, {}, pos);
    QCoreApplication::processEvents();
    QTest::mouseRelease(target, Qt::LeftButton, {}, pos);
    QCoreApplication::processEvents();

    const AppState &state = form.state();
    QCOMPARE(state.grdData(0).textMatrix(2, 2), u"Z"_s);
    QCOMPARE(selectionOf(state.grdData(1)), selected);
    QCOMPARE(state.ActiveSheet, 1);
    if (at.x() != 0 && at.y() != 0) {
        QCOMPARE(state.grdData(1).foreColorAt(3, 3), kMarkForeColor);
        QCOMPARE(state.grdData(1).foreColorAt(2, 2), kWindowTextColor);
    }
}

void TestForm1::rightReleaseOffTheCells_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("below the last row") << u"below"_s;
    QTest::newRow("right of the last column") << u"right"_s;
    QTest::newRow("blank part of the row headers") << u"row headers"_s;
    QTest::newRow("blank part of the column headers") << u"column headers"_s;
}

void TestForm1::rightReleaseOffTheCells()
{
    QFETCH(QString, where);

    Form1 &form = makeForm();
    form.mnuNew->trigger();
    form.mnuNew->trigger(); // two 10 x 10 sheets
    QTest::mouseClick(form.cmdGmn, Qt::LeftButton); // sheet 1 alone, the window wide
    AppState &state = form.state();
    Sheet &sheet = state.grdData(0);
    for (int c = 1; c < sheet.cols(); ++c)
        sheet.setColWidth(c, 300); // narrow columns leave room beside the last one
    SheetView *view = form.grdData[0];
    QHeaderView *rows = view->verticalHeader();
    QHeaderView *cols = view->horizontalHeader();
    // The last menu was opened on row 9's header.
    QTest::mouseClick(rows->viewport(), Qt::RightButton, {},
                      QPoint(rows->width() / 2, rows->sectionViewportPosition(8) + rows->sectionSize(8) / 2));
    QTRY_VERIFY(form.mnuMain->isVisible());
    form.mnuMain->close();
    sheet.setCurrentCell(2, 2);
    state.ActiveSheet = 1;

    const int belowRows = rows->sectionViewportPosition(9) + rows->sectionSize(9) + 4;
    const int besideCols = cols->sectionViewportPosition(9) + cols->sectionSize(9) + 4;
    QVERIFY2(belowRows < view->viewport()->height() && besideCols < view->viewport()->width(),
             "the sheet has room below its last row and beside its last column");
    QWidget *target = view->viewport();
    QPoint pos(besideCols, rows->sectionViewportPosition(1) + rows->sectionSize(1) / 2);
    if (where == u"below"_s)
        pos = QPoint(cols->sectionViewportPosition(1) + cols->sectionSize(1) / 2, belowRows);
    else if (where == u"row headers"_s) {
        target = rows->viewport();
        pos = QPoint(rows->width() / 2, belowRows);
    } else if (where == u"column headers"_s) {
        target = cols->viewport();
        pos = QPoint(besideCols, cols->height() / 2);
    }
    QTest::mouseClick(target, Qt::RightButton, {}, pos);

    QTRY_VERIFY(form.mnuMain->isVisible());
    QCOMPARE(state.ActiveSheet, 0);
    QCOMPARE(selectionOf(sheet), (Selection{2, 2, 2, 2}));
    QVERIFY(!form.mnuGDel->isVisible());
    form.mnuMain->close();
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
