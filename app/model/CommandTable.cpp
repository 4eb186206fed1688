#include "CommandTable.h"

#include "AppState.h"
#include "Layout.h"

#include <QKeySequence>

namespace
{
bool bothSheetsShown(const AppState &state, int)
{
    return state.grdData(0).isVisible() && state.grdData(1).isVisible();
}
bool newSheetPossible(const AppState &state, int)
{
    return state.mnuNewEnabled;
}
bool comparedPairShown(const AppState &state, int sheet)
{
    return state.ComparisonDone && bothSheetsShown(state, sheet);
}
bool helpFileFound(const AppState &state, int)
{
    return state.mnuHelpEnabled;
}
bool undoHeld(const AppState &state, int)
{
    return state.mnuMain.mnuZEnabled;
}
bool redoHeld(const AppState &state, int)
{
    return state.mnuMain.mnuRedoEnabled;
}
// The step the item would take, as in 「元に戻す（貼り付け）」.
QString historyCaption(const QString &caption, const QString &step, QKeyCombination key)
{
    const QString shown = step.isEmpty() ? caption : caption + u'（' + step + u'）';
    return shown + u'\t' + QKeySequence(key).toString(QKeySequence::PortableText);
}
int historySheet(const AppState &state)
{
    return state.ActiveSheet == 1 ? 1 : 0;
}
QString zCaption(const AppState &state)
{
    return historyCaption(QStringLiteral("元に戻す"), state.history.undoName(historySheet(state)),
                          Qt::CTRL | Qt::Key_Z);
}
QString redoCaption(const AppState &state)
{
    return historyCaption(QStringLiteral("やり直し"), state.history.redoName(historySheet(state)),
                          Qt::CTRL | Qt::Key_Y);
}
bool otherSheetOffered(const AppState &state, int)
{
    return state.mnuMain.mnuSendEnabled;
}
bool sideShown(const AppState &state, int sheet)
{
    return state.fraTool[sheet].cmdNameEnabled;
}
bool activeSheetShown(const AppState &state, int)
{
    return state.grdData(state.ActiveSheet == 1 ? 1 : 0).isVisible();
}
bool recentFilesHeld(const AppState &state, int sheet)
{
    return sheet >= 0 && !state.recentFiles.files(sheet).isEmpty();
}
bool overwriteOffered(const AppState &state, int sheet)
{
    return state.fraTool[sheet].cmdSaveEnabled();
}
bool undoChecked(const AppState &state)
{
    return state.mnuUndoChecked;
}
bool headingCaptionsChecked(const AppState &state)
{
    return state.mnuHeadingCaptionsChecked;
}

bool diffRowsOnlyChecked(const AppState &state)
{
    return state.mnuDiffRowsOnlyChecked;
}
bool diffColsOnlyChecked(const AppState &state)
{
    return state.mnuDiffColsOnlyChecked;
}
bool dobleChecked(const AppState &state)
{
    return state.mnuDobleChecked;
}
template<int kEncoding>
bool mojiChecked(const AppState &state)
{
    return kEncoding < 0 ? !state.ChosenEncoding : state.ChosenEncoding == TextEncoding(kEncoding);
}
constexpr const char16_t *kMojiMenu = u"文字コード";
// The row and column items say what a right-click on a header offers.
bool rowColumnItemsShown(const AppState &state)
{
    return state.mnuMain.rowColumnItemsVisible;
}
QString gAddCaption(const AppState &state)
{
    return state.mnuMain.mnuGAddCaption;
}
QString gDelCaption(const AppState &state)
{
    return state.mnuMain.mnuGDelCaption;
}
QString gmnCaption(const AppState &state)
{
    return cmdGmnCaption(state.displayMode);
}

using enum CommandPlace;
using enum KeyScope;

// clang-format off
const std::array<CommandEntry, kCommandCount> kCommandTable{{
    {.command = Command::Open, .handler = "mnuOpen_Click", .place = FileMenu, .control = "mnuOpen",
     .caption = u"ファイル１を開く…", .secondCaption = u"ファイル２を開く…",
     .key = Qt::CTRL | Qt::Key_O, .secondKey = Qt::CTRL | Qt::SHIFT | Qt::Key_O, .keyScope = Item, .perSheet = true},
    // A submenu each, filled with the side's recent files as it opens.
    {.command = Command::Recent, .handler = "mnuRecent_Click", .place = FileMenu, .control = "mnuRecent",
     .caption = u"最近使ったファイル１", .secondCaption = u"最近使ったファイル２", .perSheet = true,
     .enabled = recentFilesHeld},
    // Saves the active sheet wherever the focus is in the window; the sheets' own keys leave
    // Ctrl+S alone.
    {.command = Command::SaveActive, .handler = "SaveActiveSheet", .place = FileMenu, .control = "mnuSave",
     .caption = u"上書き保存", .key = Qt::CTRL | Qt::Key_S, .keyScope = Window, .shortcutName = "saveShortcut",
     .separatorBefore = "", .enabled = activeSheetShown},
    {.command = Command::SaveAsActive, .handler = "SaveActiveSheetAs", .place = FileMenu, .control = "mnuSaveAs",
     .caption = u"名前を付けて保存…", .enabled = activeSheetShown},
    {.command = Command::New, .handler = "mnuNew_Click", .place = FileMenu, .control = "mnuNew",
     .caption = u"新規作成", .separatorBefore = "", .enabled = newSheetPossible},
    {.command = Command::Report, .handler = "mnuReport_Click", .place = FileMenu, .control = "mnuReport",
     .caption = u"差分レポートを保存…", .enabled = comparedPairShown, .refusedWhenDisabled = true},
    {.command = Command::Exit, .handler = "mnuExit_Click", .place = FileMenu, .control = "mnuExit",
     .caption = u"終了", .separatorBefore = ""},
    {.command = Command::UndoSetting, .handler = "mnuUndo_Click", .place = SetteiMenu, .control = "mnuUndo",
     .caption = u"元に戻す(Undo)機能を使用する", .checked = undoChecked},
    {.command = Command::Doble, .handler = "mnuDoble_Click", .place = SetteiMenu, .control = "mnuDoble",
     .caption = u"保存時にダブルクォーテーションを付ける", .checked = dobleChecked},
    {.command = Command::HeadingCaptions, .handler = "mnuHeadingCaptions_Click", .place = SetteiMenu,
     .control = "mnuHeadingCaptions", .caption = u"1行目を列見出しに表示", .checked = headingCaptionsChecked},
    {.command = Command::Kukan, .handler = "mnuKukan_Click", .place = SetteiMenu, .control = "mnuKukan",
     .caption = u"区切り文字を設定"},
    {.command = Command::MojiAuto, .handler = "mnuMoji_Click", .place = SetteiMenu, .control = "mnuMojiAuto",
     .caption = u"自動判定", .submenu = kMojiMenu, .checked = mojiChecked<-1>},
    {.command = Command::MojiUtf8, .handler = "mnuMoji_Click", .place = SetteiMenu, .control = "mnuMojiUtf8",
     .caption = u"UTF-8", .submenu = kMojiMenu, .separatorBefore = "", .checked = mojiChecked<int(TextEncoding::Utf8)>},
    {.command = Command::MojiShiftJis, .handler = "mnuMoji_Click", .place = SetteiMenu, .control = "mnuMojiShiftJis",
     .caption = u"Shift_JIS", .submenu = kMojiMenu, .checked = mojiChecked<int(TextEncoding::ShiftJis)>},
    {.command = Command::MojiEucJp, .handler = "mnuMoji_Click", .place = SetteiMenu, .control = "mnuMojiEucJp",
     .caption = u"EUC-JP", .submenu = kMojiMenu, .checked = mojiChecked<int(TextEncoding::EucJp)>},
    {.command = Command::MojiUtf16Le, .handler = "mnuMoji_Click", .place = SetteiMenu, .control = "mnuMojiUtf16Le",
     .caption = u"UTF-16 LE", .submenu = kMojiMenu, .checked = mojiChecked<int(TextEncoding::Utf16Le)>},
    {.command = Command::MojiUtf16Be, .handler = "mnuMoji_Click", .place = SetteiMenu, .control = "mnuMojiUtf16Be",
     .caption = u"UTF-16 BE", .submenu = kMojiMenu, .checked = mojiChecked<int(TextEncoding::Utf16Be)>},
    {.command = Command::HikakuOption, .handler = "mnuHikakuOption_Click", .place = SetteiMenu,
     .control = "mnuHikakuOption", .caption = u"比較オプション…"},
    // F8 and its kin work anywhere in the program; the items show them.
    {.command = Command::NextDiff, .handler = "GoToDifference", .place = SabunMenu, .control = "mnuNextDiff",
     .caption = u"次の差分へ", .key = Qt::Key_F8, .keyScope = Application, .shortcutName = "nextDiffShortcut"},
    {.command = Command::PrevDiff, .handler = "GoToDifference", .place = SabunMenu, .control = "mnuPrevDiff",
     .caption = u"前の差分へ", .key = Qt::SHIFT | Qt::Key_F8, .keyScope = Application,
     .shortcutName = "prevDiffShortcut"},
    {.command = Command::FirstDiff, .handler = "GoToDifference", .place = SabunMenu, .control = "mnuFirstDiff",
     .caption = u"最初の差分へ", .key = Qt::ALT | Qt::Key_Home, .keyScope = Application,
     .shortcutName = "firstDiffShortcut"},
    {.command = Command::LastDiff, .handler = "GoToDifference", .place = SabunMenu, .control = "mnuLastDiff",
     .caption = u"最後の差分へ", .key = Qt::ALT | Qt::Key_End, .keyScope = Application,
     .shortcutName = "lastDiffShortcut"},
    {.command = Command::Align, .handler = "mnuAlign_Click", .place = SabunMenu, .control = "mnuAlign",
     .caption = u"行を揃える", .separatorBefore = "", .enabled = bothSheetsShown, .refusedWhenDisabled = true,
     .takesUndoSnapshot = true, .changesBothSheets = true, .recompares = true},
    {.command = Command::KeyAlign, .handler = "mnuKeyAlign_Click", .place = SabunMenu, .control = "mnuKeyAlign",
     .caption = u"キー列で行を揃える…", .enabled = bothSheetsShown, .refusedWhenDisabled = true,
     .takesUndoSnapshot = true, .changesBothSheets = true, .recompares = true},
    {.command = Command::KeySort, .handler = "mnuKeySort_Click", .place = SabunMenu, .control = "mnuKeySort",
     .caption = u"キー列で並べ替え…", .enabled = bothSheetsShown, .refusedWhenDisabled = true,
     .takesUndoSnapshot = true, .changesBothSheets = true, .recompares = true},
    {.command = Command::AlignCols, .handler = "mnuAlignCols_Click", .place = SabunMenu, .control = "mnuAlignCols",
     .caption = u"列を揃える", .enabled = bothSheetsShown, .refusedWhenDisabled = true, .takesUndoSnapshot = true,
     .changesBothSheets = true, .recompares = true},
    {.command = Command::DiffRowsOnly, .handler = "mnuDiffRowsOnly_Click", .place = SabunMenu,
     .control = "mnuDiffRowsOnly", .caption = u"差分のある行だけ表示", .separatorBefore = "",
     .checked = diffRowsOnlyChecked},
    {.command = Command::DiffColsOnly, .handler = "mnuDiffColsOnly_Click", .place = SabunMenu,
     .control = "mnuDiffColsOnly", .caption = u"差分のある列だけ表示", .checked = diffColsOnlyChecked},
    {.command = Command::CellDiff, .handler = "mnuCellDiff_Click", .place = SabunMenu, .control = "mnuCellDiff",
     .caption = u"セルの差分を表示", .key = Qt::Key_F7, .keyScope = Item, .separatorBefore = ""},
    {.command = Command::Help, .handler = "mnuHelp_Click", .place = MenuBar, .control = "mnuHelp",
     .caption = u"ヘルプ", .enabled = helpFileFound},
    {.command = Command::Ver, .handler = "mnuVer_Click", .place = MenuBar, .control = "mnuVer",
     .caption = u"バージョン"},
    // The sheets' commands, on the active sheet. Their keys belong to the sheets' key table.
    {.command = Command::Z, .handler = "mnuZ_Click", .place = ContextMenu, .control = "mnuZ",
     .caption = u"元に戻す", .key = Qt::CTRL | Qt::Key_Z, .keyScope = Shown, .shownCaption = zCaption,
     .enabled = undoHeld, .recompares = true},
    {.command = Command::Redo, .handler = "mnuRedo_Click", .place = ContextMenu, .control = "mnuRedo",
     .caption = u"やり直し", .key = Qt::CTRL | Qt::Key_Y, .keyScope = Shown, .shownCaption = redoCaption,
     .enabled = redoHeld, .recompares = true},
    {.command = Command::Cut, .handler = "mnuCut_Click", .place = ContextMenu, .control = "mnuCut",
     .caption = u"切り取り", .key = Qt::CTRL | Qt::Key_X, .keyScope = Shown, .separatorBefore = "mnuNull0",
     .takesUndoSnapshot = true, .recompares = true},
    {.command = Command::Copy, .handler = "mnuCopy_Click", .place = ContextMenu, .control = "mnuCopy",
     .caption = u"コピー", .key = Qt::CTRL | Qt::Key_C, .keyScope = Shown},
    {.command = Command::Peast, .handler = "mnuPeast_Click", .place = ContextMenu, .control = "mnuPeast",
     .caption = u"貼り付け", .key = Qt::CTRL | Qt::Key_V, .keyScope = Shown, .takesUndoSnapshot = true,
     .recompares = true},
    {.command = Command::Del, .handler = "mnuDel_Click", .place = ContextMenu, .control = "mnuDel",
     .caption = u"削除", .key = Qt::Key_Delete, .keyScope = Shown, .takesUndoSnapshot = true, .recompares = true},
    {.command = Command::Grep, .handler = "mnuGrep_Click", .place = ContextMenu, .control = "mnuGrep",
     .caption = u"検索", .key = Qt::CTRL | Qt::Key_F, .keyScope = Shown, .separatorBefore = "mnuNull3"},
    {.command = Command::Send, .handler = "mnuSend_Click", .place = ContextMenu, .control = "mnuSend",
     .caption = u"相手へコピー", .key = Qt::CTRL | Qt::Key_M, .keyScope = Shown, .separatorBefore = "mnuNull2",
     .enabled = otherSheetOffered, .takesUndoSnapshot = true, .recompares = true},
    {.command = Command::GAdd, .handler = "mnuGAdd_Click", .place = ContextMenu, .control = "mnuGAdd",
     .separatorBefore = "mnuNull1", .shownCaption = gAddCaption, .visible = rowColumnItemsShown,
     .takesUndoSnapshot = true, .recompares = true},
    {.command = Command::GDel, .handler = "mnuGDel_Click", .place = ContextMenu, .control = "mnuGDel",
     .shownCaption = gDelCaption, .visible = rowColumnItemsShown, .takesUndoSnapshot = true, .recompares = true},
    {.command = Command::Diff, .handler = "cmdDiff_Click", .place = Button, .control = "cmdDiff",
     .caption = u"比較開始", .toolTip = u"２個のファイルを比較します", .recompares = true},
    {.command = Command::Clr, .handler = "cmdClr_Click", .place = Button, .control = "cmdClr",
     .caption = u"新規読込", .toolTip = u"表示内容をクリアします"},
    {.command = Command::Gmn, .handler = "cmdGmn_Click", .place = Button, .control = "cmdGmn",
     .toolTip = u"表示する方式を切り替えます", .shownCaption = gmnCaption},
    {.command = Command::End, .handler = "cmdEnd_Click", .place = Button, .control = "cmdEnd",
     .caption = u"終了", .toolTip = u"終了します"},
    {.command = Command::Name, .handler = "cmdName_Click", .place = ToolFrame, .control = "cmdName",
     .caption = u"名前を付けて保存", .perSheet = true, .enabled = sideShown},
    {.command = Command::Save, .handler = "cmdSave_Click", .place = ToolFrame, .control = "cmdSave",
     .caption = u"上書き保存", .toolTip = u"上書き保存（Ctrl+S）", .perSheet = true, .enabled = overwriteOffered},
}};
// clang-format on

QString fromTable(const char16_t *text)
{
    return text ? QString::fromUtf16(text) : QString();
}
} // namespace

const std::array<CommandEntry, kCommandCount> &commandTable()
{
    return kCommandTable;
}

const CommandEntry &commandEntry(Command command)
{
    return kCommandTable[std::size_t(command)];
}

CommandMenu commandMenu(CommandPlace place)
{
    switch (place) {
    case CommandPlace::FileMenu:
        return {"mnuFile", u"ファイル"};
    case CommandPlace::SetteiMenu:
        return {"mnuSettei", u"　設定　"};
    case CommandPlace::SabunMenu:
        return {"mnuSabun", u"差分"};
    case CommandPlace::ContextMenu:
        return {"mnuMain", u"右クリック"};
    case CommandPlace::MenuBar:
    case CommandPlace::Button:
    case CommandPlace::ToolFrame:
    case CommandPlace::KeyOnly:
        break;
    }
    return {nullptr, nullptr};
}

QString commandCaption(const CommandEntry &entry, int sheet)
{
    const QString caption = fromTable(sheet == 1 && entry.secondCaption ? entry.secondCaption : entry.caption);
    const bool keyShown = entry.keyScope == KeyScope::Shown || entry.keyScope == KeyScope::Application
        || (entry.keyScope == KeyScope::Window && entry.control);
    if (!keyShown)
        return caption;
    return caption + u'\t' + QKeySequence(commandKey(entry, sheet)).toString(QKeySequence::PortableText);
}

QKeyCombination commandKey(const CommandEntry &entry, int sheet)
{
    return sheet == 1 && entry.perSheet ? entry.secondKey : entry.key;
}

QString commandControlName(const CommandEntry &entry, int sheet)
{
    const QString name = QString::fromLatin1(entry.control ? entry.control : entry.shortcutName);
    return entry.perSheet ? name + u'(' + QString::number(sheet) + u')' : name;
}

bool commandEnabled(const AppState &state, Command command, int sheet)
{
    const CommandEntry &entry = commandEntry(command);
    return !entry.enabled || entry.enabled(state, sheet);
}

bool commandMayRun(const AppState &state, Command command)
{
    if (state.CompareRunning)
        return false;
    return !commandEntry(command).refusedWhenDisabled || commandEnabled(state, command);
}
