#pragma once

#include "AppState.h"
#include "Twips.h"

#include <QMainWindow>

#include <array>
#include <memory>

class DropPanelWidget;
class QAction;
class QFrame;
class QLineEdit;
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
// changes the AppState; syncWidgets() then shows that state.
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
    [[nodiscard]] UserInterface &ui() const
    {
        return *m_ui;
    }
    [[nodiscard]] QString helpPath() const;

    // Shows the state: places, visibility, enabled states, captions and panel drawings.
    void syncWidgets();

    // Controls, named as the system names them.
    std::array<SheetView *, 2> grdData{};
    std::array<DropPanelWidget *, 2> PicFile{};
    std::array<QFrame *, 2> fraTool{};
    std::array<QPushButton *, 2> cmdName{};
    std::array<QPushButton *, 2> cmdSave{};
    std::array<QLineEdit *, 2> txtEdit{};
    QPlainTextEdit *txtClip = nullptr;
    QTimer *tmrMain = nullptr;
    QPushButton *cmdDiff = nullptr;
    QPushButton *cmdClr = nullptr;
    QPushButton *cmdGmn = nullptr;
    QPushButton *cmdEnd = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuNew = nullptr;
    QMenu *mnuSettei = nullptr;
    QAction *mnuUndo = nullptr;
    QAction *mnuDoble = nullptr;
    QAction *mnuKukan = nullptr;
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

protected:
    void closeEvent(QCloseEvent *event) override; // Form_Unload
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void createControls();
    void Form_Load();
    void Form_Resize();
    void tmrMain_Timer();
    void cmdDiff_Click();
    void cmdEnd_Click();
    void mnuKukan_Click();
    void mnuVer_Click();
    void placeInPixels(QWidget *widget, const TwipsRect &rect);
    void applyWindowPlacement();
    void readWindowPlacement();
    // Runs a handler's logic, then shows the state it left.
    template<typename Handler>
    void run(Handler &&handler);

    AppState m_state;
    Twips m_twips;
    std::unique_ptr<QtUserInterface> m_ownUi;
    UserInterface *m_ui = nullptr;
    QString m_programFolder;
    QString m_commandLine;
    QString m_settingsPath;
    QWidget *m_client = nullptr;
};
