#pragma once

#include "Sheet.h"
#include "Twips.h"

#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <memory>

// A text drawn on a drop panel, at a pen position in twips from its top-left corner.
struct PanelText
{
    int x = 0;
    int y = 0;
    QString text;

    friend bool operator==(const PanelText &, const PanelText &) = default;
};

// A drop panel keeps what is drawn on it until it is cleared, like a persistent image.
struct DropPanel
{
    QList<PanelText> texts;
    TwipsRect rect;
    bool visible = true;

    void clear()
    {
        texts.clear();
    }
    void drawText(int x, int y, const QString &text)
    {
        texts.append({x, y, text});
    }
};

// The strip above a sheet with its two save buttons.
struct ToolFrame
{
    static constexpr int kWidth = 3615; // twips
    static constexpr int kHeight = 345;

    bool visible = false;
    bool cmdNameEnabled = true; // "名前を付けて保存"
    bool cmdSaveEnabled = true; // "上書き保存"
    TwipsRect rect{0, 0, kWidth, kHeight};
};

enum class WindowShowState { Normal, Minimized, Maximized };

// The main window's state that the logic reads and writes: the four sheets, the states of the
// other controls, the shared flags and the settings. The main window owns one and shows it;
// tests build one without any window.
class AppState : public QObject
{
    Q_OBJECT

public:
    explicit AppState(QObject *parent = nullptr);

    [[nodiscard]] Sheet &grdData(int index)
    {
        return *m_grdData.at(index);
    }
    [[nodiscard]] const Sheet &grdData(int index) const
    {
        return *m_grdData.at(index);
    }
    // The hidden undo copies of the two sheets.
    [[nodiscard]] Sheet &grdBak1(int index)
    {
        return *m_grdBak1.at(index);
    }

    // Controls
    std::array<DropPanel, 2> PicFile;
    std::array<ToolFrame, 2> fraTool;
    // A sheet whose overwrite-save is withdrawn (partly read, text that cannot be written back,
    // a new sheet) keeps "上書き保存" disabled through every layout change until a save-as works.
    std::array<bool, 2> overwriteWithdrawn{false, false};
    QString cmdGmnTag = QStringLiteral("0"); // display mode "0", "1" or "2"
    // The four bottom buttons; the layout sets their places and widths, the height is fixed.
    static constexpr int kButtonHeight = 495;
    TwipsRect cmdDiffRect{0, 0, 0, kButtonHeight};
    TwipsRect cmdClrRect{0, 0, 0, kButtonHeight};
    TwipsRect cmdGmnRect{0, 0, 0, kButtonHeight};
    TwipsRect cmdEndRect{0, 0, 0, kButtonHeight};
    bool mnuNewEnabled = true;
    bool mnuHelpEnabled = true;
    bool mnuUndoChecked = true; // "元に戻す(Undo)機能を使用する"
    bool mnuDobleChecked = false; // "保存時にダブルクォーテーションを付ける"

    // Main window placement, in twips; the client area is what the layout divides.
    double windowTop = 1200;
    double windowLeft = 1500;
    double windowHeight = 9000;
    double windowWidth = 14400;
    WindowShowState windowShowState = WindowShowState::Normal;
    int clientWidth = 0;
    int clientHeight = 0;
    // The placement read from the settings file, written back when the window closes minimised
    // or maximised.
    int SavedTop = 0;
    int SavedLeft = 0;
    int SavedHeight = 0;
    int SavedWidth = 0;

    // Shared flags
    bool GridControlFound = true;
    bool CompareRunning = false;
    bool CompareCancelled = false;
    int ActiveSheet = 0;
    std::array<bool, 2> UndoAvailable{false, false};
    std::array<QString, 3> SheetFileName;

    // Settings
    std::array<QString, 5> SearchHistory;
    std::array<QString, 5> ReplaceHistory;
    int MatchCaseSetting = 0;
    int DelimiterMode = 0; // 0: comma mode, otherwise the user's delimiter
    QString UserDelimiter = QStringLiteral("|");

private:
    std::array<std::unique_ptr<Sheet>, 2> m_grdData;
    std::array<std::unique_ptr<Sheet>, 2> m_grdBak1;
};
