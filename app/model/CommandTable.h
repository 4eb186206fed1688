#pragma once

#include <QKeyCombination>
#include <QString>

#include <array>
#include <cstddef>

class AppState;

// Every command the person gives through a menu item, a button or a shortcut key. A key and the
// menu item it stands for are one command. The order is the order of the controls in their menus.
enum class Command {
    Open, // mnuOpen_Click (Ctrl+O, Ctrl+Shift+O)
    Recent, // mnuRecent_Click, a submenu of the side's recent files, per sheet
    SaveActive, // SaveActiveSheet (Ctrl+S)
    SaveAsActive, // SaveActiveSheetAs
    New, // mnuNew_Click
    Report, // mnuReport_Click
    Exit, // mnuExit_Click, as the button 終了
    UndoSetting, // mnuUndo_Click
    Doble, // mnuDoble_Click
    HeadingCaptions, // mnuHeadingCaptions_Click
    Kukan, // mnuKukan_Click
    MojiAuto, // mnuMoji_Click, 文字コード → 自動判定
    MojiUtf8, // mnuMoji_Click, UTF-8
    MojiShiftJis, // mnuMoji_Click, Shift_JIS
    MojiEucJp, // mnuMoji_Click, EUC-JP
    MojiUtf16Le, // mnuMoji_Click, UTF-16 LE
    MojiUtf16Be, // mnuMoji_Click, UTF-16 BE
    HikakuOption, // mnuHikakuOption_Click
    NextDiff, // GoToDifference, next (F8)
    PrevDiff, // GoToDifference, previous (Shift+F8)
    FirstDiff, // GoToDifference, first (Alt+Home)
    LastDiff, // GoToDifference, last (Alt+End)
    Align, // mnuAlign_Click
    KeyAlign, // mnuKeyAlign_Click
    KeySort, // mnuKeySort_Click
    AlignCols, // mnuAlignCols_Click
    DiffRowsOnly, // mnuDiffRowsOnly_Click
    DiffColsOnly, // mnuDiffColsOnly_Click
    CellDiff, // mnuCellDiff_Click (F7)
    Help, // mnuHelp_Click
    Ver, // mnuVer_Click
    Z, // mnuZ_Click (Ctrl+Z)
    Redo, // mnuRedo_Click (Ctrl+Y, Ctrl+Shift+Z)
    Cut, // mnuCut_Click (Ctrl+X)
    Copy, // mnuCopy_Click (Ctrl+C)
    Peast, // mnuPeast_Click (Ctrl+V)
    Del, // mnuDel_Click (Delete)
    Grep, // mnuGrep_Click (Ctrl+F)
    Send, // mnuSend_Click (Ctrl+M)
    GAdd, // mnuGAdd_Click
    GDel, // mnuGDel_Click
    Diff, // cmdDiff_Click
    Clr, // cmdClr_Click
    Gmn, // cmdGmn_Click
    End, // cmdEnd_Click
    Name, // cmdName_Click, per sheet
    Save, // cmdSave_Click, per sheet
};

inline constexpr std::size_t kCommandCount = std::size_t(Command::Save) + 1;

// Where the control that gives a command lies. The menus come in this order in the menu bar.
enum class CommandPlace {
    FileMenu, // mnuFile
    SetteiMenu, // mnuSettei
    SabunMenu, // mnuSabun, the differences menu
    MenuBar, // an item of the menu bar itself
    ContextMenu, // mnuMain, the sheets' pop-up menu, hidden from the menu bar
    Button, // a button along the bottom of the window
    ToolFrame, // a button of each sheet's tool frame
    KeyOnly, // no control: a key alone gives it
};

// How a command's key reaches it.
enum class KeyScope {
    None,
    // The caption shows the key; the sheets' key table gives the command.
    Shown,
    // The item's own shortcut, while the window is active.
    Item,
    // Anywhere in the window, the sheets and edit boxes included; a menu item's caption shows it.
    Window,
    // Anywhere in the program, the modeless search dialog included; the caption shows the key.
    Application,
};

// One row of the command table. Captions are the system's own words.
struct CommandEntry
{
    Command command;
    // The handler that carries it out.
    const char *handler;
    CommandPlace place = CommandPlace::KeyOnly;
    // The control's object name; each control of a per-sheet command adds "(i)".
    const char *control = nullptr;
    // The control's caption, and sheet 2's where a per-sheet caption differs; null where the
    // state gives the caption (shownCaption).
    const char16_t *caption = nullptr;
    const char16_t *secondCaption = nullptr;
    const char16_t *toolTip = nullptr;
    // The key that gives it, and sheet 2's for a per-sheet command.
    QKeyCombination key = Qt::Key_unknown;
    QKeyCombination secondKey = Qt::Key_unknown;
    KeyScope keyScope = KeyScope::None;
    // The object name of a Window or Application shortcut.
    const char *shortcutName = nullptr;
    // The submenu of its menu the item is in, by caption; null for the menu itself.
    const char16_t *submenu = nullptr;
    // A separator above the item: null for none, "" for one without a name.
    const char *separatorBefore = nullptr;
    // One control for each sheet; the handler is told the sheet.
    bool perSheet = false;
    // The caption as the state sets it, for the controls whose caption changes.
    QString (*shownCaption)(const AppState &state) = nullptr;
    // Whether the item is shown, and with it the separator above it; null for always.
    bool (*visible)(const AppState &state) = nullptr;
    // The check mark of a checkable item; null for an item without one.
    bool (*checked)(const AppState &state) = nullptr;
    // When its menu item or button is enabled; null for always. `sheet` is the sheet of a per-sheet
    // button, -1 otherwise.
    bool (*enabled)(const AppState &state, int sheet) = nullptr;
    // The handler refuses to run while its control would be disabled, not only the control.
    bool refusedWhenDisabled = false;
    // It is one step of the undo history on each sheet it changes, under its caption.
    bool takesUndoSnapshot = false;
    // It changes the two sheets together (a line-up): its step lies on both sheets, whichever it
    // changed, so that an undo on either takes it back.
    bool changesBothSheets = false;
    // It compares again: the cells it changed, or both sheets.
    bool recompares = false;
};

// The command table, in the order of Command.
[[nodiscard]] const std::array<CommandEntry, kCommandCount> &commandTable();
[[nodiscard]] const CommandEntry &commandEntry(Command command);

// A menu of the menu bar: its object name and title.
struct CommandMenu
{
    const char *name;
    const char16_t *title;
};
// The menu a place stands for; null name for the places that are no menu.
[[nodiscard]] CommandMenu commandMenu(CommandPlace place);

// The caption of a command's control for sheet `sheet` (0 for a command of the window), as the
// person reads it: a key shown in the caption follows a tab.
[[nodiscard]] QString commandCaption(const CommandEntry &entry, int sheet = 0);
// The key of a command's control for sheet `sheet`.
[[nodiscard]] QKeyCombination commandKey(const CommandEntry &entry, int sheet = 0);
// The object name of a command's control for sheet `sheet`: "cmdSave(1)" for a per-sheet one.
[[nodiscard]] QString commandControlName(const CommandEntry &entry, int sheet = 0);

// Whether the control that gives `command` is enabled.
[[nodiscard]] bool commandEnabled(const AppState &state, Command command, int sheet = -1);

// Whether `command` may run now. No command runs while a comparison does: the comparison yields
// to the event loop once per row, and a command then would change the sheets under it. Every
// command handler asks this first, whoever calls it (a menu item, a button, a key, another
// handler); events of the sheets, drops and the timer keep their own guard.
[[nodiscard]] bool commandMayRun(const AppState &state, Command command);
