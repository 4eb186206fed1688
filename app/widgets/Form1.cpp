#include "Form1.h"

#include "ActiveSheet.h"
#include "CatchUpUserInterface.h"
#include "CellEditor.h"
#include "CommandHandlers.h"
#include "CommandTable.h"
#include "ContextMenu.h"
#include "DropPanelWidget.h"
#include "EditBoxWidget.h"
#include "FileIntake.h"
#include "HelpCommand.h"
#include "Layout.h"
#include "NavigationControls.h"
#include "NewSheets.h"
#include "QtUserInterface.h"
#include "Recompare.h"
#include "Settings.h"
#include "SheetFont.h"
#include "SheetKeys.h"
#include "SheetModel.h"
#include "SheetSync.h"
#include "SheetView.h"
#include "UnsavedChanges.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
// Inner layout of a tool frame, in twips: its buttons in the command table's order.
constexpr std::array<TwipsRect, 2> kToolFrameButtonRects{
    {{0, 0, 1800, ToolFrame::kHeight}, {1815, 0, 1800, ToolFrame::kHeight}}};

// How long the window waits for its frame after it is first shown: 100 looks, 20 ms apart.
constexpr int kFramePollInterval = 20;
constexpr int kFramePolls = 100;
} // namespace

Form1::Form1(Form1Options options, QWidget *parent)
    : QMainWindow(parent)
    , m_twips(Twips::forScreen(nullptr))
    , m_programFolder(options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : options.programFolder)
    , m_commandLine(options.commandLine)
    , m_settingsPath(options.settingsPath.isEmpty() ? settingsFilePath() : options.settingsPath)
{
    if (!options.ui) {
        m_ownUi = std::make_unique<QtUserInterface>(this, m_state.CompareCancelled);
        options.ui = m_ownUi.get();
    }
    m_ui = std::make_unique<CatchUpUserInterface>(*options.ui, [this] { syncWidgets(); });
    if (m_ownUi)
        m_ownUi->setDialogHandlers(*m_ui, [this](const std::function<void()> &handler) { run(handler); });
    setWindowTitle(windowCaption(m_state));
    setFont(sheetFont());
    createMenus();
    createControls();
    m_navigation = std::make_unique<NavigationControls>(*this, m_state, m_twips);
    Form_Load();
    applyWindowPlacement();
    syncWidgets();
}

Form1::~Form1()
{
    // The views read the sheets of m_state, which is destroyed before QWidget's destructor would
    // delete the views: delete them first.
    delete takeCentralWidget();
}

QString Form1::helpPath() const
{
    return helpFilePath(m_programFolder);
}

UserInterface &Form1::ui() const
{
    return *m_ui;
}

template<typename Handler>
void Form1::run(Handler &&handler, ErrorStyle style)
{
    ++m_handlerDepth;
    runHandler(style, *m_ui, std::forward<Handler>(handler));
    if (--m_handlerDepth == 0) {
        syncWidgets();
        // An open cell difference window follows the current cell and its texts.
        runHandler(ErrorStyle::EndSilently, *m_ui, [this] { m_cellDiff.follow(m_state, *m_ui); });
    }
}

template<typename Signal, typename Handler>
void Form1::onSheet(int i, Signal signal, Handler handler, ErrorStyle style, Qt::ConnectionType type)
{
    connect(
        &m_state.grdData(i), signal, this,
        [this, handler, style](auto... arguments) { run([&] { handler(arguments...); }, style); }, type);
}

QMenu *Form1::menuFor(CommandPlace place)
{
    QMenu *&menu = m_menus[std::size_t(place)];
    if (!menu) {
        // Created as the table first names them, so the menu bar shows them in the table's order.
        const CommandMenu shown = commandMenu(place);
        menu = menuBar()->addMenu(QString::fromUtf16(shown.title));
        menu->setObjectName(QString::fromLatin1(shown.name));
    }
    return menu;
}

void Form1::createMenus()
{
    for (const CommandEntry &entry : commandTable()) {
        if (entry.place == CommandPlace::Button || entry.place == CommandPlace::ToolFrame
            || entry.place == CommandPlace::KeyOnly)
            continue;
        QWidget *owner
            = entry.place == CommandPlace::MenuBar ? static_cast<QWidget *>(menuBar()) : menuFor(entry.place);
        if (entry.submenu) {
            QMenu *&submenu = m_submenus[QString::fromUtf16(entry.submenu)];
            if (!submenu)
                submenu = static_cast<QMenu *>(owner)->addMenu(QString::fromUtf16(entry.submenu));
            owner = submenu;
        }
        const std::size_t c = std::size_t(entry.command);
        if (entry.separatorBefore) {
            auto *separator = new QAction(owner);
            separator->setSeparator(true);
            separator->setObjectName(QString::fromLatin1(entry.separatorBefore));
            owner->addAction(separator);
            m_separators[c] = separator;
        }
        for (int k = 0; k < (entry.perSheet ? 2 : 1); ++k) {
            const int sheet = entry.perSheet ? k : -1;
            if (entry.command == Command::Recent) {
                auto *submenu = new QMenu(commandCaption(entry, k), owner);
                submenu->setObjectName(commandControlName(entry, k));
                submenu->menuAction()->setObjectName(commandControlName(entry, k));
                static_cast<QMenu *>(owner)->addMenu(submenu);
                connect(submenu, &QMenu::aboutToShow, this, [this, k] { fillRecentMenu(k); });
                mnuRecent[std::size_t(k)] = submenu;
                m_items[c][std::size_t(k)] = submenu->menuAction();
                continue;
            }
            auto *action
                = new QAction(entry.shownCaption ? entry.shownCaption(m_state) : commandCaption(entry, k), owner);
            action->setObjectName(commandControlName(entry, k));
            action->setCheckable(entry.checked != nullptr);
            if (entry.keyScope == KeyScope::Item)
                action->setShortcut(commandKey(entry, k));
            owner->addAction(action);
            connect(action, &QAction::triggered, this, [this, entry, sheet] { runCommand(entry.command, sheet); });
            m_items[c][std::size_t(k)] = action;
        }
    }
    mnuFile = m_menus[std::size_t(CommandPlace::FileMenu)];
    mnuSettei = m_menus[std::size_t(CommandPlace::SetteiMenu)];
    mnuSabun = m_menus[std::size_t(CommandPlace::SabunMenu)];
    mnuMain = m_menus[std::size_t(CommandPlace::ContextMenu)];
    const auto item = [this](Command command, int sheet = 0) { return m_items[std::size_t(command)][sheet]; };
    mnuOpen = {item(Command::Open, 0), item(Command::Open, 1)};
    mnuNew = item(Command::New);
    mnuReport = item(Command::Report);
    mnuSave = item(Command::SaveActive);
    mnuSaveAs = item(Command::SaveAsActive);
    mnuExit = item(Command::Exit);
    mnuUndo = item(Command::UndoSetting);
    mnuDoble = item(Command::Doble);
    mnuHeadingCaptions = item(Command::HeadingCaptions);
    mnuKukan = item(Command::Kukan);
    mnuHikakuOption = item(Command::HikakuOption);
    mnuNextDiff = item(Command::NextDiff);
    mnuPrevDiff = item(Command::PrevDiff);
    mnuFirstDiff = item(Command::FirstDiff);
    mnuLastDiff = item(Command::LastDiff);
    mnuAlign = item(Command::Align);
    mnuKeyAlign = item(Command::KeyAlign);
    mnuKeySort = item(Command::KeySort);
    mnuAlignCols = item(Command::AlignCols);
    mnuDiffRowsOnly = item(Command::DiffRowsOnly);
    mnuDiffColsOnly = item(Command::DiffColsOnly);
    mnuCellDiff = item(Command::CellDiff);
    mnuHelp = item(Command::Help);
    mnuVer = item(Command::Ver);
    mnuZ = item(Command::Z);
    mnuCut = item(Command::Cut);
    mnuCopy = item(Command::Copy);
    mnuPeast = item(Command::Peast);
    mnuDel = item(Command::Del);
    mnuGrep = item(Command::Grep);
    mnuSend = item(Command::Send);
    mnuGAdd = item(Command::GAdd);
    mnuGDel = item(Command::GDel);
    mnuNull0 = m_separators[std::size_t(Command::Cut)];
    mnuNull3 = m_separators[std::size_t(Command::Grep)];
    mnuNull2 = m_separators[std::size_t(Command::Send)];
    mnuNull1 = m_separators[std::size_t(Command::GAdd)];
}

QPushButton *Form1::createButton(const CommandEntry &entry, int k, QWidget *parent)
{
    auto *button = new QPushButton(entry.shownCaption ? entry.shownCaption(m_state) : commandCaption(entry, k), parent);
    button->setObjectName(commandControlName(entry, k));
    if (entry.toolTip)
        button->setToolTip(QString::fromUtf16(entry.toolTip));
    const int sheet = entry.perSheet ? k : -1;
    connect(button, &QPushButton::clicked, this, [this, entry, sheet] { runCommand(entry.command, sheet); });
    m_buttons[std::size_t(entry.command)][std::size_t(k)] = button;
    return button;
}

void Form1::createShortcuts()
{
    for (const CommandEntry &entry : commandTable()) {
        if (entry.keyScope != KeyScope::Window && entry.keyScope != KeyScope::Application)
            continue;
        auto *shortcut = new QShortcut(QKeySequence(entry.key), this);
        shortcut->setObjectName(QString::fromLatin1(entry.shortcutName));
        // A modal dialog still holds an application shortcut off.
        if (entry.keyScope == KeyScope::Application)
            shortcut->setContext(Qt::ApplicationShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, entry] { runCommand(entry.command); });
    }
}

void Form1::fillRecentMenu(int side)
{
    QMenu *menu = mnuRecent[std::size_t(side)];
    menu->clear();
    const QStringList &files = m_state.recentFiles.files(side);
    for (int i = 0; i < files.size(); ++i) {
        // The number is the item's mnemonic; an ampersand of the path is the path's own.
        const QString shown = QDir::toNativeSeparators(files.at(i)).replace(u'&', u"&&"_s);
        QAction *action = menu->addAction(u"&%1 %2"_s.arg(i + 1).arg(shown));
        connect(action, &QAction::triggered, this, [this, side, i] { runCommand(Command::Recent, side, i); });
    }
}

void Form1::runCommand(Command command, int sheet, int item)
{
    CommandCall call{m_state, *m_ui, sheet, m_programFolder, m_cellDiff, false, false, item};
    run([&] { runCommandHandler(command, call); });
    if (call.closeWindow)
        close();
    if (call.focusWindow) {
        activateWindow();
        setFocus(Qt::OtherFocusReason);
    }
}

void Form1::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"client"_s);
    setCentralWidget(m_client);
    m_client->installEventFilter(this);
    m_client->setMinimumSize(m_twips.toPixels(kMinClientWidth), m_twips.toPixels(kMinClientHeight));

    for (int i = 0; i < 2; ++i) {
        const QString index = u"(%1)"_s.arg(i);
        PicFile[i] = new DropPanelWidget(m_twips, m_client);
        PicFile[i]->setObjectName(u"PicFile"_s + index);
        PicFile[i]->setToolTip(u"ドラッグ＆ドロップしてね"_s);
        PicFile[i]->dragOverHook = [this](bool hasLocalFiles, DropEffect offered) {
            DropEffect effect = DropEffect::None;
            run([&] { effect = PicFile_OLEDragOver(m_state, hasLocalFiles, offered); });
            return effect;
        };
        // An empty panel says "drop here"; a click on it asks for the file instead.
        PicFile[i]->clickHook = [this, i] {
            if (!m_state.grdData(i).isVisible())
                runCommand(Command::Open, i);
        };
        PicFile[i]->dropHook
            = [this, i](const QStringList &files) { run([&] { PicFile_OLEDragDrop(m_state, *m_ui, i, files); }); };

        Sheet &sheet = m_state.grdData(i);
        grdData[i] = new SheetView(sheet, m_client);
        grdData[i]->setObjectName(u"grdData"_s + index);
        onSheet(i, &Sheet::rowColChange, [this, i] { grdData_RowColChange(m_state, i); });
        onSheet(i, &Sheet::scroll, [this, i] { grdData_Scroll(m_state, i); });
        onSheet(i, &Sheet::colResized, [this, i](int col) { grdData_ColResize(m_state, i, col); });
        onSheet(i, &Sheet::mouseDown, [this, i](int, int, int, int) { ::grdData_MouseDown(m_state, i); });
        onSheet(i, &Sheet::mouseUp, [this, i](int button, int, int, int) { grdData_MouseUp(i, button); });
        onSheet(i, &Sheet::keyDown,
                [this, i](int *keyCode, int shift) { ::grdData_KeyDown(m_state, *m_ui, i, *keyCode, shift); });
        // Focus moves at once, but its notifications follow the handler that moved it, as a
        // text box's handlers expect: Enter in an edit box first finishes its own key handler,
        // then the sheet's got-focus commits the edit.
        onSheet(
            i, &Sheet::gotFocus, [this, i] { ::grdData_GotFocus(m_state, i); }, ErrorStyle::Report,
            Qt::QueuedConnection);
        onSheet(i, &Sheet::dblClick, [this, i] { ::grdData_DblClick(m_state, *m_ui, i); });
        onSheet(i, &Sheet::keyPress, [this, i](int *keyAscii) { ::grdData_KeyPress(m_state, *m_ui, i, *keyAscii); });
        onSheet(i, &Sheet::compositionStarted, [this, i] { ::grdData_CompositionStart(m_state, i); });
        onSheet(i, &Sheet::leaveCell, [this, i] { ::grdData_LeaveCell(m_state, i); });
        onSheet(
            i, &Sheet::click, [this, i] { ::grdData_Click(m_state, i); }, ErrorStyle::EndSilently);
        // A sheet shown, moved or resized by code outside any handler still reaches the screen.
        onSheet(i, &Sheet::appearanceChanged, [] {});

        fraTool[i] = new QFrame(m_client);
        fraTool[i]->setObjectName(u"fraTool"_s + index);
        std::size_t place = 0;
        for (const CommandEntry &entry : commandTable()) {
            if (entry.place == CommandPlace::ToolFrame)
                placeInPixels(createButton(entry, i, fraTool[i]), kToolFrameButtonRects.at(place++));
        }
        cmdName[i] = m_buttons[std::size_t(Command::Name)][i];
        cmdSave[i] = m_buttons[std::size_t(Command::Save)][i];

        // The edit box lies over its sheet, in the window's coordinates like the sheet.
        txtEdit[i] = new EditBoxWidget(m_state.txtEdit(i), m_twips, m_client);
        txtEdit[i]->setObjectName(u"txtEdit"_s + index);
        EditBox &box = m_state.txtEdit(i);
        connect(&box, &EditBox::keyDown, this,
                [this, i](int *keyCode, int shift) { run([&] { ::txtEdit_KeyDown(m_state, i, *keyCode, shift); }); });
        connect(&box, &EditBox::keyPress, this,
                [this, i](int *keyAscii) { run([&] { ::txtEdit_KeyPress(m_state, i, *keyAscii); }); });
        connect(&box, &EditBox::compositionCancelled, this,
                [this, i] { run([&] { ::txtEdit_CompositionCancel(m_state, i); }); });
        connect(
            &box, &EditBox::lostFocus, this, [this, i] { run([&] { ::txtEdit_LostFocus(m_state, i); }); },
            Qt::QueuedConnection);
    }
    // The drop panels lie behind the sheets: a panel left wide by an earlier layout must never
    // cover the other side's sheet.
    for (DropPanelWidget *panel : PicFile)
        panel->lower();

    txtClip = new QPlainTextEdit(m_client);
    txtClip->setObjectName(u"txtClip"_s);
    txtClip->hide();

    tmrMain = new QTimer(this);
    tmrMain->setObjectName(u"tmrMain"_s);
    tmrMain->setInterval(5);
    tmrMain->setSingleShot(true);
    connect(tmrMain, &QTimer::timeout, this, &Form1::tmrMain_Timer);

    for (const CommandEntry &entry : commandTable()) {
        if (entry.place == CommandPlace::Button)
            createButton(entry, 0, m_client);
    }
    cmdDiff = m_buttons[std::size_t(Command::Diff)][0];
    cmdClr = m_buttons[std::size_t(Command::Clr)][0];
    cmdGmn = m_buttons[std::size_t(Command::Gmn)][0];
    cmdEnd = m_buttons[std::size_t(Command::End)][0];
    createShortcuts();
}

void Form1::Form_Load()
{
    m_state.CompareRunning = false;
    m_state.CompareCancelled = false;
    ResetDropPanels(m_state);
    LoadSettings(m_state, m_settingsPath);
    mnuMain->menuAction()->setVisible(false);
    m_state.mnuHelpEnabled = QFileInfo(helpPath()).isFile();
    m_state.UndoAvailable = {false, false};
    if (!m_commandLine.isEmpty())
        tmrMain->start();
}

void Form1::tmrMain_Timer()
{
    tmrMain->stop();
    tmrMain->setInterval(0);
    run([this] { ::tmrMain_Timer(m_state, *m_ui, m_commandLine); });
}

void Form1::grdData_MouseUp(int index, int button)
{
    ::grdData_MouseUp(m_state, index);
    if (button != kRightButton || !PrepareContextMenu(m_state, index))
        return;
    // The menu pops up showing the items as the click left them.
    syncWidgets();
    mnuMain->popup(QCursor::pos());
}

void Form1::closeEvent(QCloseEvent *event)
{
    // A comparison yields to the event loop; the window must outlive it.
    if (m_state.CompareRunning) {
        event->ignore();
        return;
    }
    bool mayClose = false;
    run([&] { mayClose = ConfirmDiscardChanges(m_state, *m_ui, {0, 1}); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    run([this] {
        readWindowPlacement();
        (void)SaveSettings(m_state, m_settingsPath);
        // The program ends without unloading the search dialog: what was used in it since it
        // opened is not saved.
        m_ui->closeSearchDialog();
    });
    event->accept();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Form_Resize()
{
    m_state.clientWidth = int(m_twips.toTwips(m_client->width()));
    m_state.clientHeight = int(m_twips.toTwips(m_client->height()));
    run([this] { ::Form_Resize(m_state); });
}

void Form1::placeInPixels(QWidget *widget, const TwipsRect &rect)
{
    widget->setGeometry(m_twips.toPixels(rect));
}

void Form1::syncWidgets()
{
    for (int i = 0; i < 2; ++i) {
        const DropPanel &panel = m_state.PicFile[i];
        placeInPixels(PicFile[i], panel.rect);
        PicFile[i]->setVisible(panel.visible);
        PicFile[i]->refresh(shownPanelTexts(m_state, i));

        const Sheet &sheet = m_state.grdData(i);
        placeInPixels(grdData[i], sheet.geometry());
        grdData[i]->setVisible(sheet.isVisible());

        const ToolFrame &frame = m_state.fraTool[i];
        placeInPixels(fraTool[i], frame.rect);
        fraTool[i]->setVisible(m_state.toolFrameShown(i));
    }
    placeInPixels(cmdDiff, m_state.cmdDiffRect);
    placeInPixels(cmdClr, m_state.cmdClrRect);
    placeInPixels(cmdGmn, m_state.cmdGmnRect);
    placeInPixels(cmdEnd, m_state.cmdEndRect);
    setWindowTitle(windowCaption(m_state));
    syncCommands();
    if (m_navigation)
        m_navigation->sync();
}

void Form1::syncCommands()
{
    for (SheetView *view : grdData) {
        if (view)
            view->sheetModel()->setHeadingCaptions(m_state.mnuHeadingCaptionsChecked);
    }
    for (const CommandEntry &entry : commandTable()) {
        const std::size_t c = std::size_t(entry.command);
        for (int k = 0; k < (entry.perSheet ? 2 : 1); ++k) {
            QAction *item = m_items[c][std::size_t(k)];
            QPushButton *button = m_buttons[c][std::size_t(k)];
            if (entry.enabled) {
                const bool enabled = commandEnabled(m_state, entry.command, entry.perSheet ? k : -1);
                if (item)
                    item->setEnabled(enabled);
                if (button)
                    button->setEnabled(enabled);
            }
            if (entry.checked && item)
                item->setChecked(entry.checked(m_state));
            if (entry.visible && item) {
                item->setVisible(entry.visible(m_state));
                if (m_separators[c])
                    m_separators[c]->setVisible(entry.visible(m_state));
            }
            if (entry.shownCaption) {
                if (item)
                    item->setText(entry.shownCaption(m_state));
                if (button)
                    button->setText(entry.shownCaption(m_state));
            }
        }
    }
}

void Form1::applyWindowPlacement()
{
    // Where the platform knows the frame before the window is shown, it counts: the native
    // window is created for that.
    (void)winId();
    placeWindow(windowFrameMargins());
    // Under most X11 window managers the frame is only known once the window is up: until then
    // the window stands where the frame should, and would open a title bar higher at each start.
    // It is placed again, once, when the frame shows up.
    m_placementTimer = new QTimer(this);
    m_placementTimer->setObjectName(u"placementTimer"_s);
    m_placementTimer->setInterval(kFramePollInterval);
    connect(m_placementTimer, &QTimer::timeout, this, &Form1::placeAgainForTheFrame);
}

QMargins Form1::windowFrameMargins() const
{
    // The native window's own answer: the widget keeps the frame it saw at its last move, which
    // may be from before the window manager framed it.
    const QWindow *window = windowHandle();
    return window ? window->frameMargins() : QMargins();
}

void Form1::placeWindow(const QMargins &frame)
{
    // setGeometry() places and sizes the inside, and readWindowPlacement() reads back the
    // frame's place and the inside's size, so a window opens where and as large as it was
    // closed, as far as the screen it lands on holds it.
    // The status bar adds its height below the client area the remembered size describes.
    const int statusBar = m_navigation->statusBarHeight();
    const QRect remembered(m_twips.toPixels(m_state.windowLeft), m_twips.toPixels(m_state.windowTop),
                           m_twips.toPixels(m_state.windowWidth), m_twips.toPixels(m_state.windowHeight) + statusBar);
    const QSize defaultSize(m_twips.toPixels(AppState().windowWidth),
                            m_twips.toPixels(AppState().windowHeight) + statusBar);
    QList<QRect> screens;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        screens.append(primary->availableGeometry());
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens.append(screen->availableGeometry());
    }
    m_placedFrame = frame;
    setGeometry(FitWindowPlacement(remembered, defaultSize, screens, frame));
}

void Form1::placeAgainForTheFrame()
{
    const QMargins frame = windowFrameMargins();
    if (frame.isNull() && ++m_framePolls < kFramePolls)
        return;
    m_placementTimer->stop();
    if (frame != m_placedFrame && windowState() == Qt::WindowNoState)
        placeWindow(frame);
}

void Form1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_placementTimer && !m_placementShown) {
        m_placementShown = true;
        m_placementTimer->start();
    }
}

void Form1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // A window manager has framed the window by the time it activates it.
    if (event->type() == QEvent::ActivationChange && m_placementTimer && m_placementTimer->isActive())
        placeAgainForTheFrame();
}

void Form1::readWindowPlacement()
{
    if (isMinimized())
        m_state.windowShowState = WindowShowState::Minimized;
    else if (isMaximized() || isFullScreen())
        m_state.windowShowState = WindowShowState::Maximized;
    else
        m_state.windowShowState = WindowShowState::Normal;
    if (m_state.windowShowState != WindowShowState::Normal)
        return;
    // The frame's place, from the same margins placeWindow() puts it by.
    const QMargins frame = windowFrameMargins();
    const QPoint framePlace = geometry().topLeft() - QPoint(frame.left(), frame.top());
    m_state.windowLeft = std::round(m_twips.toTwips(framePlace.x()));
    m_state.windowTop = std::round(m_twips.toTwips(framePlace.y()));
    m_state.windowWidth = std::round(m_twips.toTwips(width()));
    m_state.windowHeight = std::round(m_twips.toTwips(height() - m_navigation->statusBarHeight()));
}
