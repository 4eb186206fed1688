#include "Form1.h"

#include "ActiveSheet.h"
#include "CatchUpUserInterface.h"
#include "CellEditor.h"
#include "ClipboardCommands.h"
#include "CommandTable.h"
#include "CompareEngine.h"
#include "CompareOptionsMenu.h"
#include "ContextMenu.h"
#include "DelimiterMenu.h"
#include "Differences.h"
#include "DropPanelWidget.h"
#include "EditBoxWidget.h"
#include "FileIntake.h"
#include "HelpCommand.h"
#include "KeyCommands.h"
#include "Layout.h"
#include "NavigationControls.h"
#include "NewSheets.h"
#include "QtUserInterface.h"
#include "Recompare.h"
#include "ReportCommand.h"
#include "RowsAndColumns.h"
#include "SaveCommands.h"
#include "SearchCommand.h"
#include "SendToOther.h"
#include "Settings.h"
#include "SheetFont.h"
#include "SheetKeys.h"
#include "SheetSync.h"
#include "SheetView.h"
#include "UndoSnapshots.h"
#include "UnsavedChanges.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
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
const QString kSaveToolTip = u"上書き保存（Ctrl+S）"_s;

// Inner layout of a tool frame, in twips.
constexpr TwipsRect kCmdNameRect{0, 0, 1800, ToolFrame::kHeight};
constexpr TwipsRect kCmdSaveRect{1815, 0, 1800, ToolFrame::kHeight};

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
    m_navigation = std::make_unique<NavigationControls>(*this, m_state, *m_ui, m_twips,
                                                        [this](const std::function<void()> &handler) { run(handler); });
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

void Form1::createMenus()
{
    mnuFile = menuBar()->addMenu(u"ファイル"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuNew = mnuFile->addAction(u"新規作成"_s);
    mnuNew->setObjectName(u"mnuNew"_s);
    mnuReport = mnuFile->addAction(u"差分レポートを保存…"_s);
    mnuReport->setObjectName(u"mnuReport"_s);

    mnuSettei = menuBar()->addMenu(u"　設定　"_s);
    mnuSettei->setObjectName(u"mnuSettei"_s);
    mnuUndo = mnuSettei->addAction(u"元に戻す(Undo)機能を使用する"_s);
    mnuUndo->setObjectName(u"mnuUndo"_s);
    mnuUndo->setCheckable(true);
    mnuDoble = mnuSettei->addAction(u"保存時にダブルクォーテーションを付ける"_s);
    mnuDoble->setObjectName(u"mnuDoble"_s);
    mnuDoble->setCheckable(true);
    mnuKukan = mnuSettei->addAction(u"区切り文字を設定"_s);
    mnuKukan->setObjectName(u"mnuKukan"_s);
    mnuHikakuOption = mnuSettei->addAction(u"比較オプション…"_s);
    mnuHikakuOption->setObjectName(u"mnuHikakuOption"_s);

    // Stepping through the differences and lining up rows. F8 and Shift+F8 are the sheets' keys;
    // the items only show them. F7 belongs to its item and works anywhere in the window.
    mnuSabun = menuBar()->addMenu(u"差分"_s);
    mnuSabun->setObjectName(u"mnuSabun"_s);
    mnuNextDiff = mnuSabun->addAction(u"次の差分へ\tF8"_s);
    mnuNextDiff->setObjectName(u"mnuNextDiff"_s);
    mnuPrevDiff = mnuSabun->addAction(u"前の差分へ\tShift+F8"_s);
    mnuPrevDiff->setObjectName(u"mnuPrevDiff"_s);
    mnuAlign = mnuSabun->addAction(u"行を揃える"_s);
    mnuAlign->setObjectName(u"mnuAlign"_s);
    mnuKeyAlign = mnuSabun->addAction(u"キー列で行を揃える…"_s);
    mnuKeyAlign->setObjectName(u"mnuKeyAlign"_s);
    mnuKeySort = mnuSabun->addAction(u"キー列で並べ替え…"_s);
    mnuKeySort->setObjectName(u"mnuKeySort"_s);
    mnuSabun->addSeparator();
    mnuCellDiff = mnuSabun->addAction(u"セルの差分を表示"_s);
    mnuCellDiff->setObjectName(u"mnuCellDiff"_s);
    mnuCellDiff->setShortcut(Qt::Key_F7);

    mnuHelp = menuBar()->addAction(u"ヘルプ"_s);
    mnuHelp->setObjectName(u"mnuHelp"_s);
    mnuVer = menuBar()->addAction(u"バージョン"_s);
    mnuVer->setObjectName(u"mnuVer"_s);

    // The sheets' pop-up menu lives in the menu bar as a hidden entry.
    mnuMain = menuBar()->addMenu(u"右クリック"_s);
    mnuMain->setObjectName(u"mnuMain"_s);
    auto item = [this](const char *name, const QString &caption, const QString &shortcutText = {}) {
        QAction *action = mnuMain->addAction(shortcutText.isEmpty() ? caption : caption + u'\t' + shortcutText);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    auto separator = [this](const char *name) {
        QAction *action = mnuMain->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuZ = item("mnuZ", u"元に戻す"_s, u"Ctrl+Z"_s);
    mnuNull0 = separator("mnuNull0");
    mnuCut = item("mnuCut", u"切り取り"_s, u"Ctrl+X"_s);
    mnuCopy = item("mnuCopy", u"コピー"_s, u"Ctrl+C"_s);
    mnuPeast = item("mnuPeast", u"貼り付け"_s, u"Ctrl+V"_s);
    mnuDel = item("mnuDel", u"削除"_s, u"Del"_s);
    mnuNull3 = separator("mnuNull3");
    mnuGrep = item("mnuGrep", u"検索"_s, u"Ctrl+F"_s);
    mnuNull2 = separator("mnuNull2");
    mnuSend = item("mnuSend", u"相手へコピー"_s, u"Ctrl+M"_s);
    mnuNull1 = separator("mnuNull1");
    mnuGAdd = item("mnuGAdd", u"追加"_s);
    mnuGDel = item("mnuGDel", u"削除"_s);

    connect(mnuNew, &QAction::triggered, this, [this] { run([this] { mnuNew_Click(m_state, *m_ui); }); });
    connect(mnuReport, &QAction::triggered, this, [this] { run([this] { mnuReport_Click(m_state, *m_ui); }); });
    connect(mnuUndo, &QAction::triggered, this, [this] { run([this] { mnuUndo_Click(m_state); }); });
    connect(mnuDoble, &QAction::triggered, this, [this] { run([this] { mnuDoble_Click(m_state); }); });
    connect(mnuKukan, &QAction::triggered, this, [this] { run([this] { ::mnuKukan_Click(m_state, *m_ui); }); });
    connect(mnuHikakuOption, &QAction::triggered, this,
            [this] { run([this] { ::mnuHikakuOption_Click(m_state, *m_ui); }); });
    connect(mnuHelp, &QAction::triggered, this,
            [this] { run([this] { mnuHelp_Click(m_state, *m_ui, m_programFolder); }); });
    connect(mnuVer, &QAction::triggered, this, [this] { run([this] { ::mnuVer_Click(m_state, *m_ui); }); });

    connect(mnuNextDiff, &QAction::triggered, this,
            [this] { run([this] { GoToDifference(m_state, *m_ui, StepDirection::Next); }); });
    connect(mnuPrevDiff, &QAction::triggered, this,
            [this] { run([this] { GoToDifference(m_state, *m_ui, StepDirection::Previous); }); });
    connect(mnuAlign, &QAction::triggered, this, [this] { run([this] { mnuAlign_Click(m_state, *m_ui); }); });
    connect(mnuKeyAlign, &QAction::triggered, this, [this] { run([this] { mnuKeyAlign_Click(m_state, *m_ui); }); });
    connect(mnuKeySort, &QAction::triggered, this, [this] { run([this] { mnuKeySort_Click(m_state, *m_ui); }); });
    connect(mnuCellDiff, &QAction::triggered, this,
            [this] { run([this] { mnuCellDiff_Click(m_state, *m_ui, m_cellDiff); }); });

    // The sheets' commands, on the active sheet.
    connect(mnuZ, &QAction::triggered, this, [this] { run([this] { ::mnuZ_Click(m_state, *m_ui); }); });
    connect(mnuCut, &QAction::triggered, this, [this] { run([this] { ::mnuCut_Click(m_state, *m_ui); }); });
    connect(mnuCopy, &QAction::triggered, this, [this] { run([this] { ::mnuCopy_Click(m_state, *m_ui); }); });
    connect(mnuPeast, &QAction::triggered, this, [this] { run([this] { ::mnuPeast_Click(m_state, *m_ui); }); });
    connect(mnuDel, &QAction::triggered, this, [this] { run([this] { ::mnuDel_Click(m_state, *m_ui); }); });
    connect(mnuSend, &QAction::triggered, this, [this] { run([this] { ::mnuSend_Click(m_state, *m_ui); }); });
    connect(mnuGAdd, &QAction::triggered, this,
            [this] { run([this] { ::mnuGAdd_Click(m_state, *m_ui, m_state.mnuMain.mnuGAddCaption); }); });
    connect(mnuGDel, &QAction::triggered, this,
            [this] { run([this] { ::mnuGDel_Click(m_state, *m_ui, m_state.mnuMain.mnuGDelCaption); }); });
    connect(mnuGrep, &QAction::triggered, this, [this] { run([this] { ::mnuGrep_Click(m_state, *m_ui); }); });
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
        cmdName[i] = new QPushButton(u"名前を付けて保存"_s, fraTool[i]);
        cmdName[i]->setObjectName(u"cmdName"_s + index);
        cmdSave[i] = new QPushButton(u"上書き保存"_s, fraTool[i]);
        cmdSave[i]->setObjectName(u"cmdSave"_s + index);
        cmdSave[i]->setToolTip(kSaveToolTip);
        placeInPixels(cmdName[i], kCmdNameRect);
        placeInPixels(cmdSave[i], kCmdSaveRect);
        connect(cmdName[i], &QPushButton::clicked, this, [this, i] { run([&] { cmdName_Click(m_state, *m_ui, i); }); });
        connect(cmdSave[i], &QPushButton::clicked, this, [this, i] { run([&] { cmdSave_Click(m_state, *m_ui, i); }); });

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

    auto button = [this](const char *name, const QString &caption, const QString &toolTip) {
        auto *pushButton = new QPushButton(caption, m_client);
        pushButton->setObjectName(QString::fromLatin1(name));
        pushButton->setToolTip(toolTip);
        return pushButton;
    };
    cmdDiff = button("cmdDiff", u"比較開始"_s, u"２個のファイルを比較します"_s);
    cmdClr = button("cmdClr", u"新規読込"_s, u"表示内容をクリアします"_s);
    cmdGmn = button("cmdGmn", cmdGmnCaption(m_state.displayMode), u"表示する方式を切り替えます"_s);
    cmdEnd = button("cmdEnd", u"終了"_s, u"終了します"_s);
    connect(cmdDiff, &QPushButton::clicked, this, &Form1::cmdDiff_Click);
    connect(cmdClr, &QPushButton::clicked, this, [this] { run([this] { cmdClr_Click(m_state, *m_ui); }); });
    connect(cmdGmn, &QPushButton::clicked, this, [this] { run([this] { cmdGmn_Click(m_state); }); });
    connect(cmdEnd, &QPushButton::clicked, this, &Form1::cmdEnd_Click);

    // Saves the active sheet wherever the focus is in the window, the sheets and edit boxes
    // included; the sheets' own keys leave Ctrl+S alone.
    auto *saveShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    saveShortcut->setObjectName(u"saveShortcut"_s);
    connect(saveShortcut, &QShortcut::activated, this, [this] { run([this] { SaveActiveSheet(m_state, *m_ui); }); });
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

void Form1::cmdDiff_Click()
{
    bool focus = false;
    run([&] { focus = ::cmdDiff_Click(m_state, *m_ui); });
    if (focus) {
        activateWindow();
        setFocus(Qt::OtherFocusReason);
    }
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

void Form1::cmdEnd_Click()
{
    if (!commandMayRun(m_state, Command::End))
        return;
    close();
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
        cmdName[i]->setEnabled(commandEnabled(m_state, Command::Name, i));
        cmdSave[i]->setEnabled(commandEnabled(m_state, Command::Save, i));
    }
    placeInPixels(cmdDiff, m_state.cmdDiffRect);
    placeInPixels(cmdClr, m_state.cmdClrRect);
    placeInPixels(cmdGmn, m_state.cmdGmnRect);
    placeInPixels(cmdEnd, m_state.cmdEndRect);
    cmdGmn->setText(cmdGmnCaption(m_state.displayMode));
    setWindowTitle(windowCaption(m_state));
    mnuNew->setEnabled(commandEnabled(m_state, Command::New));
    mnuHelp->setEnabled(commandEnabled(m_state, Command::Help));
    mnuAlign->setEnabled(commandEnabled(m_state, Command::Align));
    mnuKeyAlign->setEnabled(commandEnabled(m_state, Command::KeyAlign));
    mnuKeySort->setEnabled(commandEnabled(m_state, Command::KeySort));
    mnuReport->setEnabled(commandEnabled(m_state, Command::Report));
    mnuUndo->setChecked(m_state.mnuUndoChecked);
    mnuDoble->setChecked(m_state.mnuDobleChecked);
    const AppState::ContextMenuItems &menu = m_state.mnuMain;
    for (QAction *item : {mnuNull1, mnuGAdd, mnuGDel})
        item->setVisible(menu.rowColumnItemsVisible);
    mnuGAdd->setText(menu.mnuGAddCaption);
    mnuGDel->setText(menu.mnuGDelCaption);
    mnuZ->setEnabled(commandEnabled(m_state, Command::Z));
    mnuSend->setEnabled(commandEnabled(m_state, Command::Send));
    if (m_navigation)
        m_navigation->sync();
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
