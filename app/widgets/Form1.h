#pragma once

#include "AppState.h"
#include "CellDiffCommand.h"
#include "CommandTable.h"
#include "HandlerGuard.h"
#include "Twips.h"

#include <QHash>
#include <QMainWindow>
#include <QMargins>

#include <array>
#include <memory>

class CatchUpUserInterface;
class DropPanelWidget;
class EditBoxWidget;
class NavigationControls;
class QAction;
class QFrame;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QtUserInterface;
class SheetView;
class UserInterface;

struct Form1Options
{
    // Where messages and dialogs go; null means on screen. Tests pass a recorder.
    UserInterface *ui = nullptr;
    // The folder of the program and its help page; empty means the executable's folder.
    QString programFolder;
    // The whole command line after the program's name: one path, loaded into sheet 1.
    QString commandLine;
    // The settings file; empty means the user's own.
    QString settingsPath;
};

// The main window. Its handlers keep the system's names and hand the work to the logic, which
// changes the AppState.
//
// Its menus, buttons and shortcut keys are the rows of the command table: each control's caption,
// key, enabled state and handler come from its row, and every command runs through runCommand().
//
// One path leads from the state to the screen: every handler — those of buttons, menus, panels
// and the timer, and those connected to the sheets' signals — runs through run(), which applies
// the handler's error style (no exception ever unwinds through Qt) and, when the outermost
// handler returns, shows the state with syncWidgets(). Before a message box, a dialog or a yield
// reaches the person, the user interface catches the window up the same way.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(Form1Options options = {}, QWidget *parent = nullptr);
    ~Form1() override;

    [[nodiscard]] AppState &state()
    {
        return m_state;
    }
    // The user interface the logic is given: the screen (or the test's recorder), with the
    // window caught up before anything reaches the person.
    [[nodiscard]] UserInterface &ui() const;
    [[nodiscard]] QString helpPath() const;

    // Shows the state: places, visibility, enabled states, captions and panel drawings.
    void syncWidgets();

    // Controls, named as the system names them.
    std::array<SheetView *, 2> grdData{};
    std::array<DropPanelWidget *, 2> PicFile{};
    std::array<QFrame *, 2> fraTool{};
    std::array<QPushButton *, 2> cmdName{};
    std::array<QPushButton *, 2> cmdSave{};
    std::array<EditBoxWidget *, 2> txtEdit{};
    QPlainTextEdit *txtClip = nullptr;
    QTimer *tmrMain = nullptr;
    QPushButton *cmdDiff = nullptr;
    QPushButton *cmdClr = nullptr;
    QPushButton *cmdGmn = nullptr;
    QPushButton *cmdEnd = nullptr;
    QMenu *mnuFile = nullptr;
    std::array<QAction *, 2> mnuOpen{}; // "ファイル１を開く…", "ファイル２を開く…"
    QAction *mnuNew = nullptr;
    QAction *mnuReport = nullptr; // "差分レポートを保存…"
    std::array<QMenu *, 2> mnuRecent{}; // "最近使ったファイル１", "最近使ったファイル２"
    QAction *mnuSave = nullptr; // "上書き保存" of the active sheet
    QAction *mnuSaveAs = nullptr; // "名前を付けて保存…" of the active sheet
    QAction *mnuExit = nullptr; // "終了"
    QMenu *mnuSettei = nullptr;
    QAction *mnuUndo = nullptr;
    QAction *mnuDoble = nullptr;
    QAction *mnuHeadingCaptions = nullptr; // 1行目を列見出しに表示
    QAction *mnuKukan = nullptr;
    QAction *mnuHikakuOption = nullptr; // "比較オプション…"
    QMenu *mnuSabun = nullptr; // the differences menu
    QAction *mnuNextDiff = nullptr;
    QAction *mnuPrevDiff = nullptr;
    QAction *mnuFirstDiff = nullptr;
    QAction *mnuLastDiff = nullptr;
    QAction *mnuAlign = nullptr;
    QAction *mnuKeyAlign = nullptr; // キー列で行を揃える…
    QAction *mnuKeySort = nullptr; // キー列で並べ替え…
    QAction *mnuAlignCols = nullptr; // 列を揃える
    QAction *mnuDiffRowsOnly = nullptr; // 差分のある行だけ表示, also a button on the status bar
    QAction *mnuDiffColsOnly = nullptr; // 差分のある列だけ表示, likewise
    QAction *mnuCellDiff = nullptr;
    QAction *mnuHelp = nullptr;
    QAction *mnuVer = nullptr;
    QMenu *mnuMain = nullptr;
    QAction *mnuZ = nullptr;
    QAction *mnuNull0 = nullptr;
    QAction *mnuCut = nullptr;
    QAction *mnuCopy = nullptr;
    QAction *mnuPeast = nullptr;
    QAction *mnuDel = nullptr;
    QAction *mnuNull3 = nullptr;
    QAction *mnuGrep = nullptr;
    QAction *mnuNull2 = nullptr;
    QAction *mnuSend = nullptr;
    QAction *mnuNull1 = nullptr;
    QAction *mnuGAdd = nullptr;
    QAction *mnuGDel = nullptr;
    // The status bar, the scroll-bar marks and the panels' tool tips.
    std::unique_ptr<NavigationControls> m_navigation;

protected:
    void closeEvent(QCloseEvent *event) override; // Form_Unload
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The menus as the command table first names them.
    QMenu *menuFor(CommandPlace place);
    void createMenus();
    void createControls();
    QPushButton *createButton(const CommandEntry &entry, int k, QWidget *parent);
    void createShortcuts();
    // Runs a command's handler through run(), for sheet `sheet` of a per-sheet command, on entry
    // `item` of a command that lists entries.
    void runCommand(Command command, int sheet = -1, int item = -1);
    // Fills the submenu of side `side`'s recent files as it opens.
    void fillRecentMenu(int side);
    // Shows the state of every command's controls: enabled, checked, shown, captions.
    void syncCommands();
    void Form_Load();
    void Form_Resize();
    void tmrMain_Timer();
    void grdData_MouseUp(int index, int button);
    void placeInPixels(QWidget *widget, const TwipsRect &rect);
    void applyWindowPlacement();
    void placeWindow(const QMargins &frame);
    void placeAgainForTheFrame();
    [[nodiscard]] QMargins windowFrameMargins() const;
    void readWindowPlacement();
    // Runs a handler's logic in its error style, then shows the state it left (once, when the
    // outermost of nested handlers returns).
    template<typename Handler>
    void run(Handler &&handler, ErrorStyle style = ErrorStyle::Report);
    // Connects a signal of sheet i to a handler that runs through run().
    template<typename Signal, typename Handler>
    void onSheet(int i, Signal signal, Handler handler, ErrorStyle style = ErrorStyle::Report,
                 Qt::ConnectionType type = Qt::AutoConnection);

    AppState m_state;
    Twips m_twips;
    std::unique_ptr<QtUserInterface> m_ownUi;
    std::unique_ptr<CatchUpUserInterface> m_ui;
    int m_handlerDepth = 0;
    CellDiffFollower m_cellDiff;
    // Each command's controls, per sheet; the separator above its item.
    std::array<QMenu *, std::size_t(CommandPlace::KeyOnly)> m_menus{};
    QHash<QString, QMenu *> m_submenus; // submenus of the menus, by caption
    std::array<std::array<QAction *, 2>, kCommandCount> m_items{};
    std::array<std::array<QPushButton *, 2>, kCommandCount> m_buttons{};
    std::array<QAction *, kCommandCount> m_separators{};
    QString m_programFolder;
    QString m_commandLine;
    QString m_settingsPath;
    QWidget *m_client = nullptr;
    // Placing the window again once its frame is known (applyWindowPlacement).
    QTimer *m_placementTimer = nullptr;
    QMargins m_placedFrame;
    int m_framePolls = 0;
    bool m_placementShown = false;
};
