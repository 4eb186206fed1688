#pragma once

#include "CompareOptions.h"
#include "DifferenceList.h"
#include "EditBox.h"
#include "FileIdentity.h"
#include "History.h"
#include "KeyAlignment.h"
#include "RecentFiles.h"
#include "Sheet.h"
#include "Twips.h"

#include <QList>
#include <QObject>
#include <QString>

#include "SheetFileFormat.h"

#include <array>
#include <memory>
#include <optional>

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
    // Where the strip's file name is drawn, in twips from the panel's top-left corner.
    static constexpr int kFileNameX = 100;
    static constexpr int kFileNameY = 100;

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
    // Clears the panel and names a file on it.
    void showFileName(const QString &text)
    {
        clear();
        drawText(kFileNameX, kFileNameY, text);
    }
};

// The strip above a sheet with its two save buttons.
struct ToolFrame
{
    static constexpr int kWidth = 3615; // twips
    static constexpr int kHeight = 345;

    bool visible = false; // the side holds a sheet; on screen only while its drop panel is
    bool cmdNameEnabled = true; // "名前を付けて保存": the side is shown
    // A sheet whose overwrite-save is withdrawn (partly read, text that cannot be written back,
    // a new sheet) keeps "上書き保存" disabled through every layout change until a save-as works.
    bool overwriteWithdrawn = false;
    TwipsRect rect{0, 0, kWidth, kHeight};

    // "上書き保存" is offered on a shown side whose sheet has a file it may overwrite.
    [[nodiscard]] bool cmdSaveEnabled() const
    {
        return cmdNameEnabled && !overwriteWithdrawn;
    }
};

// The display mode, shown by the mode button: both sheets side by side, or one alone.
enum class DisplayMode { Both, Sheet1Alone, Sheet2Alone };

enum class WindowShowState { Normal, Minimized, Maximized };

// The main window's state that the logic reads and writes: the controls (the four sheets, the
// two edit boxes and the states of the other controls), the shared flags and the settings. The
// main window owns one and shows it; tests build one without any window.
class AppState : public QObject
{
    Q_OBJECT

public:
    explicit AppState(QObject *parent = nullptr);
    ~AppState() override;

    // ---- Controls -------------------------------------------------------------------------

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
    // The in-cell edit boxes, one per sheet.
    [[nodiscard]] EditBox &txtEdit(int index)
    {
        return *m_txtEdit.at(index);
    }
    [[nodiscard]] const EditBox &txtEdit(int index) const
    {
        return *m_txtEdit.at(index);
    }

    std::array<DropPanel, 2> PicFile;
    std::array<ToolFrame, 2> fraTool;
    // Whether tool frame i is on screen: the side holds a sheet and its panel is shown.
    [[nodiscard]] bool toolFrameShown(int index) const
    {
        return fraTool.at(index).visible && PicFile.at(index).visible;
    }
    DisplayMode displayMode = DisplayMode::Both; // the mode button's tag
    // The four bottom buttons; the layout sets their places and widths, the height is fixed.
    static constexpr int kButtonHeight = 495;
    TwipsRect cmdDiffRect{0, 0, 0, kButtonHeight};
    TwipsRect cmdClrRect{0, 0, 0, kButtonHeight};
    TwipsRect cmdGmnRect{0, 0, 0, kButtonHeight};
    TwipsRect cmdEndRect{0, 0, 0, kButtonHeight};
    // The hidden text box that holds the clipboard text while a copy assembles it and after a
    // paste has read it.
    QString txtClip;
    // The sheets' context menu mnuMain: what the last right-click left of its changing items.
    struct ContextMenuItems
    {
        bool rowColumnItemsVisible = true; // mnuNull1, mnuGAdd, mnuGDel
        QString mnuGAddCaption = QStringLiteral("追加");
        QString mnuGDelCaption = QStringLiteral("削除");
        bool mnuZEnabled = true;
        bool mnuRedoEnabled = false;
        bool mnuSendEnabled = true;
    };
    ContextMenuItems mnuMain;
    bool mnuNewEnabled = true;
    bool mnuHelpEnabled = true;

    // Main window placement, in twips; the client area is what the layout divides.
    double windowTop = 1200;
    double windowLeft = 1500;
    double windowHeight = 9000;
    double windowWidth = 14400;
    WindowShowState windowShowState = WindowShowState::Normal;
    int clientWidth = 0;
    int clientHeight = 0;

    // ---- Shared flags ---------------------------------------------------------------------

    bool GridControlFound = true;
    bool CompareRunning = false;
    bool CompareCancelled = false;
    // The compare button's last run finished and neither sheet has been replaced since: the
    // difference report describes it.
    bool ComparisonDone = false;
    int ActiveSheet = 0;
    // Set by every key down on a sheet, cleared by one that ran a shortcut command: the character
    // a shortcut's key stroke produces (Ctrl+C gives 3) must never open the in-cell editor.
    bool KeyEditArmed = false;
    // Whether Ctrl+Z has a step of each sheet to take back; follows `history`.
    std::array<bool, 2> UndoAvailable{false, false};
    // Whether each sheet holds changes its file does not: set by every command that changes the
    // sheet's cells, rows or columns, cleared by a save, a load and a new sheet, and by an undo or
    // redo that brings the sheet back to the state it was loaded or saved in.
    std::array<bool, 2> SheetChanged{false, false};
    // The steps of both sheets that undo and redo go through.
    History history;
    // How many history steps are open around the command running now: a change inside one
    // belongs to that command's step.
    int openHistorySteps = 0;
    // Sheet `index` was loaded, made anew or cleared: it is at its file (or at nothing to save).
    // A load forgets the sheet's steps, so that no undo brings another file's cells under this name.
    void sheetReplaced(int index, bool forgetSteps);
    // Sheet `index` was saved: it is at its file.
    void sheetSaved(int index);
    // SheetChanged and UndoAvailable again from the history.
    void followHistory();
    // The positions the comparisons marked, as the colours show them: stepping with F8, the status
    // bar and the scroll-bar marks read it; the comparisons and re-comparisons keep it.
    DifferenceList Differences;
    // A remark for the status bar about where the person stands ("最後の差分です"), shown while
    // the current cell of sheet `sheet` is still (row, col), where it was made.
    struct Note
    {
        QString text;
        int sheet = -1;
        int row = 0;
        int col = 0;
    };
    Note StatusNote;
    // A sheet changed since the last comparison the person started: the marks still follow every
    // change, but the result message no longer describes the sheets.
    bool ChangedSinceComparison = false;
    // Whether the edit in progress on each sheet was opened by an input method's composition.
    std::array<bool, 2> EditOpenedByComposition{false, false};
    // The background the cell being edited had when its edit began: an edit ended without a
    // commit puts it back.
    std::array<OleColor, 2> EditCellBackColor{kWindowBackColor, kWindowBackColor};
    // Set by the search command just before it shows the search dialog; the dialog's activation
    // then re-targets it on the active sheet and clears it. Other activations change nothing.
    bool SearchDialogPending = false;
    std::array<QString, 3> SheetFileName;
    // The folder of the last file loaded into either sheet, where the open dialog starts.
    QString LastOpenFolder;
    // The files each side last loaded or saved, for the file menu; kept in the settings file.
    RecentFiles recentFiles;
    // The identity SheetFileName(i) had when it was loaded or last saved; nothing for a sheet
    // that has no file of its own.
    std::array<std::optional<FileIdentity>, 2> SheetFileIdentity;
    // Per sheet, the first data row of its file that the last read could not hold whole, or 0
    // when the sheet holds its whole file: such a sheet's strip and comparisons say so.
    std::array<int, 2> PartialReadFrom{0, 0};
    // The worksheet sheet `index` was read from when its file is a workbook, which is never
    // written over; empty for a text file.
    std::array<QString, 2> SheetWorkbookSheet;
    // Per sheet, what its load said once of how the file was read (a file mostly UTF-8 read in
    // another encoding, a number format shown as General), shown in the status bar until the
    // sheet holds another file.
    std::array<QString, 2> ReadNote;
    // The strip above sheet `index`: the name of its file, marked when the sheet holds only part
    // of it.
    [[nodiscard]] QString sheetStripText(int index) const;

    // ---- Settings (the settings file and the settings menu) -------------------------------

    bool mnuUndoChecked = true; // "元に戻す(Undo)機能を使用する"
    bool mnuDobleChecked = false; // "保存時にダブルクォーテーションを付ける"
    bool mnuHeadingCaptionsChecked = false; // "1行目を列見出しに表示"
    // 「差分のある行だけ表示」 and 「差分のある列だけ表示」: the sheets show only the rows (columns) that
    // hold a marked position, as the last comparison left them (ShownDifferences.h).
    bool mnuDiffRowsOnlyChecked = false;
    bool mnuDiffColsOnlyChecked = false;
    std::array<QString, 5> SearchHistory;
    std::array<QString, 5> ReplaceHistory;
    int MatchCaseSetting = 0;
    // 「文字コード」: the encoding the next loads read files in; nothing (自動判定) tells it from
    // each file's bytes.
    std::optional<TextEncoding> ChosenEncoding;
    int DelimiterMode = 0; // 0: comma mode, otherwise the user's delimiter
    QString UserDelimiter = QStringLiteral("|");
    // What counts as the same in every comparison of the two sheets ("比較オプション…").
    CompareOptions compareOptions;
    // The key columns of 「キー列で行を揃える…」 and 「キー列で並べ替え…」, as last chosen.
    KeyColumns keyColumns;
    // The placement read from the settings file, written back when the window closes minimised
    // or maximised.
    int SavedTop = 0;
    int SavedLeft = 0;
    int SavedHeight = 0;
    int SavedWidth = 0;

private:
    std::array<std::unique_ptr<Sheet>, 2> m_grdData;
    std::array<std::unique_ptr<Sheet>, 2> m_grdBak1;
    std::array<std::unique_ptr<EditBox>, 2> m_txtEdit;
};
