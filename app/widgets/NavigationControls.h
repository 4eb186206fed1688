#pragma once

#include <QObject>

#include <array>

class AppState;
class ElidedLabel;
class Form1;
class Twips;

// The main window's controls for finding one's way among the files and the differences: the
// status bar, the scroll-bar marks and the tool tips and shortening of the file-name strips. The
// window builds it once its own controls exist and has it show the state whenever it shows its own.
class QToolButton;

class NavigationControls : public QObject
{
    Q_OBJECT

public:
    NavigationControls(Form1 &window, AppState &state, const Twips &twips);

    // Shows the state. While a comparison runs the status bar and the marks keep what they show:
    // the run's yields cost nothing per cell here.
    void sync();
    // The height the status bar adds below the window's client area.
    [[nodiscard]] int statusBarHeight() const;

    std::array<ElidedLabel *, 2> lblSheetStatus{};
    ElidedLabel *lblDiffStatus = nullptr;
    // 「差分のある行だけ表示」 and 「差分のある列だけ表示」 on the status bar: the menu items' own actions.
    QToolButton *cmdDiffRowsOnly = nullptr;
    QToolButton *cmdDiffColsOnly = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Gives the status bar's parts their widths for the texts they hold (statusBarPartWidths).
    void layOutStatusParts();

    Form1 &m_window;
    AppState &m_state;
    const Twips &m_twips;
    QWidget *m_statusParts = nullptr; // holds the status bar's texts and places them
    quint64 m_marksGeneration = ~quint64(0);
    std::array<int, 8> m_markedShapes{};
};
