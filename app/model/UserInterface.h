#pragma once

#include "MessageIcon.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class AppState;
struct CellDifferenceView;

// What the key column dialog is asked for: its title and its OK button say so.
enum class KeyColumnsPurpose { LineUp, Sort };

// The answers a question box can give.
enum class Answer { Save, DontSave, SaveAsUtf8Bom, Cancel, Yes, No };

// The caption a question's button shows, with the key that presses it: 「はい(Y)」, 「いいえ(N)」,
// 「保存(S)」, 「保存しない(N)」. Cancel has none: Esc answers it. `&` marks the key for Qt.
[[nodiscard]] inline QString captionWithMnemonic(Answer answer, const QString &caption)
{
    char key = 0;
    switch (answer) {
    case Answer::Yes:
        key = 'Y';
        break;
    case Answer::No:
    case Answer::DontSave:
        key = 'N';
        break;
    case Answer::Save:
    case Answer::SaveAsUtf8Bom:
        key = 'S';
        break;
    case Answer::Cancel:
        break;
    }
    if (key == 0 || caption.contains(u'&'))
        return caption;
    return caption + QStringLiteral("(&") + QLatin1Char(key) + QLatin1Char(')');
}

// A question with a button per answer. Button `defaultButton` is the default (Enter); Cancel or
// No, when offered, is also what Esc and the box's close button answer.
struct Question
{
    struct Button
    {
        Answer answer = Answer::Cancel;
        QString caption;
    };
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    QList<Button> buttons;
    qsizetype defaultButton = 0;

    // A question answered はい or いいえ, with いいえ the default: the cautious answer for a
    // question about overwriting something.
    [[nodiscard]] static Question yesNo(const QString &text, const QString &title, MessageIcon icon)
    {
        return {text, title, icon, {{Answer::Yes, QStringLiteral("はい")}, {Answer::No, QStringLiteral("いいえ")}}, 1};
    }
};

struct SaveDialogRequest
{
    QString title;
    QStringList filters; // "description (patterns)" entries, the first one selected
    QString defaultSuffix;
    QString initialFolder;
    QString fileName; // the name offered in that folder; empty: none
};

// The save dialog's answer where the filter chosen decides the file's format.
struct SaveDialogAnswer
{
    QString path; // empty when the person cancelled
    qsizetype filter = 0; // the index in SaveDialogRequest::filters of the filter chosen
};

struct OpenDialogRequest
{
    QString title;
    QStringList filters; // "description (patterns)" entries, the first one selected
    QString initialFolder;
};

// Everything the logic needs from the person's side of the screen. The program implements it
// with Qt widgets; tests implement it with a recorder, so that no modal box blocks a test.
class UserInterface
{
public:
    virtual ~UserInterface() = default;

    // A message box with an OK button only.
    virtual void showMessage(const QString &text, const QString &title, MessageIcon icon) = 0;
    // Asks a question and returns the answer of the button the person chose.
    [[nodiscard]] virtual Answer askQuestion(const Question &question) = 0;
    // Processes the pending window events once, then returns.
    virtual void yieldToEventLoop() = 0;
    virtual void beep() = 0;
    // The chosen path, or an empty string when the person cancels. Replacing an existing file
    // has been confirmed when a path comes back.
    virtual QString askSaveFileName(const SaveDialogRequest &request) = 0;
    // The same dialog, also telling which filter the person chose; the default suffix follows the
    // filter chosen (its first pattern's suffix). Without a screen that can say, the first filter.
    [[nodiscard]] virtual SaveDialogAnswer askSaveFileNameAndFilter(const SaveDialogRequest &request)
    {
        return {askSaveFileName(request), 0};
    }
    // Which worksheet of book `bookName` to read: the place in `names` the person chose, starting
    // on `defaultIndex`; nothing when the person cancels. Without a screen, the default.
    [[nodiscard]] virtual std::optional<int> askWorkbookSheet(const QString &bookName, const QStringList &names,
                                                              int defaultIndex)
    {
        Q_UNUSED(bookName);
        Q_UNUSED(names);
        return defaultIndex;
    }
    // The chosen existing file, or an empty string when the person cancels.
    virtual QString askOpenFileName(const OpenDialogRequest &request) = 0;

    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString &text) = 0;

    // The comparison's progress dialog: shown without blocking, painted, closed.
    virtual void showProgressDialog() = 0;
    virtual void showProgressPercent(int percent) = 0;
    virtual void closeProgressDialog() = 0;

    // The modal dialogs. Each returns when the person has closed it; what the dialog changed is
    // in the state.
    virtual void showDelimiterDialog(AppState &state) = 0; // "区切り文字設定"
    virtual void showCompareOptionsDialog(AppState &state) = 0; // "比較オプション"
    // The key column dialog: true when the person chose the key columns (state.keyColumns holds
    // them), false when the person cancelled.
    [[nodiscard]] virtual bool showKeyColumnsDialog(AppState &state, KeyColumnsPurpose purpose) = 0;
    virtual void showVersionDialog(bool gridControlFound) = 0;

    // The search dialog "検索", modeless: owned by the main window, it stays in front of it and
    // never blocks it. Loads it when it is not loaded, shows and activates it and returns at once;
    // its activation re-targets it on the active sheet while SearchDialogPending is set.
    virtual void showSearchDialog(AppState &state) = 0;
    // The main window is closing: the dialog goes without its unload step, so the texts used
    // since it was opened do not reach the histories.
    virtual void closeSearchDialog() = 0;

    // Opens a document or web address with the desktop's default application.
    [[nodiscard]] virtual bool openUrl(const QString &url) = 0;
    // Starts a program given as a command line; false when it could not be started.
    [[nodiscard]] virtual bool startProgram(const QString &commandLine) = 0;

    // The cell difference window "セルの差分", modeless like the search dialog: owned by the main
    // window, it stays in front of it and never blocks it. Shows `view` in it, opening it when it
    // is not open, and returns at once.
    virtual void showCellDifference(const CellDifferenceView &view) = 0;
    // Whether the window is open; only an open window follows the current cell.
    [[nodiscard]] virtual bool cellDifferenceShown() = 0;
    // Shows `view` in the open window; nothing when it is closed.
    virtual void updateCellDifference(const CellDifferenceView &view) = 0;
};
