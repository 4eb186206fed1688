#pragma once

#include <QObject>

#include <array>
#include <functional>

class AppState;
class ElidedLabel;
class Form1;
class QAction;
class QShortcut;
class Twips;
class UserInterface;

// The main window's controls for opening files and finding one's way among the differences: the
// open items of the file menu, a click on an empty drop panel, the first/last items of the
// differences menu, the window-wide F8 keys, the status bar, the scroll-bar marks and the tool
// tips and shortening of the file-name strips. The window builds it once its own controls exist
// and has it show the state whenever it shows its own.
class NavigationControls : public QObject
{
    Q_OBJECT

public:
    // Runs a handler as the window runs its own: in its error style, then shown.
    using Runner = std::function<void(const std::function<void()> &)>;

    NavigationControls(Form1 &window, AppState &state, UserInterface &ui, const Twips &twips, Runner run);

    // Shows the state. While a comparison runs the status bar and the marks keep what they show:
    // the run's yields cost nothing per cell here.
    void sync();
    // The height the status bar adds below the window's client area.
    [[nodiscard]] int statusBarHeight() const;

    std::array<QAction *, 2> mnuOpen{}; // "ファイル１を開く…", "ファイル２を開く…"
    QAction *mnuFirstDiff = nullptr;
    QAction *mnuLastDiff = nullptr;
    std::array<ElidedLabel *, 2> lblSheetStatus{};
    ElidedLabel *lblDiffStatus = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addShortcut(const QKeySequence &keys, const char *name, const std::function<void()> &handler);
    // Gives the status bar's parts their widths for the texts they hold (statusBarPartWidths).
    void layOutStatusParts();

    Form1 &m_window;
    AppState &m_state;
    UserInterface &m_ui;
    const Twips &m_twips;
    Runner m_run;
    QWidget *m_statusParts = nullptr; // holds the status bar's texts and places them
    quint64 m_marksGeneration = ~quint64(0);
    std::array<int, 4> m_markedShapes{};
};
