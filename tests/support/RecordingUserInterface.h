#pragma once

#include "CellDifference.h"
#include "UserInterface.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Stands in for the screen in tests: records every message and dialog, answers the save dialog
// from a script, and lets a test act at each yield (for example press "中止").
class RecordingUserInterface : public UserInterface
{
public:
    struct Message
    {
        QString text;
        QString title;
        MessageIcon icon = MessageIcon::None;
    };

    void showMessage(const QString &text, const QString &title, MessageIcon icon) override;
    Answer askQuestion(const Question &question) override;
    void yieldToEventLoop() override;
    void beep() override;
    QString askSaveFileName(const SaveDialogRequest &request) override;
    SaveDialogAnswer askSaveFileNameAndFilter(const SaveDialogRequest &request) override;
    QString askOpenFileName(const OpenDialogRequest &request) override;
    std::optional<int> askWorkbookSheet(const QString &bookName, const QStringList &names, int defaultIndex) override;
    QString clipboardText() override;
    void setClipboardText(const QString &text) override;
    void showProgressDialog() override;
    void showProgressPercent(int percent) override;
    void closeProgressDialog() override;
    void showDelimiterDialog(AppState &state) override;
    void showCompareOptionsDialog(AppState &state) override;
    bool showKeyColumnsDialog(AppState &state, KeyColumnsPurpose purpose) override;
    void showVersionDialog(bool gridControlFound) override;
    void showSearchDialog(AppState &state) override;
    void closeSearchDialog() override;
    bool openUrl(const QString &url) override;
    bool startProgram(const QString &commandLine) override;
    void showCellDifference(const CellDifferenceView &view) override;
    bool cellDifferenceShown() override;
    void updateCellDifference(const CellDifferenceView &view) override;

    QList<Message> messages;
    int yields = 0;
    int beeps = 0;
    std::function<void()> onYield; // runs at every yield
    std::function<void(const Message &)> onMessage; // runs when a message box would show

    QList<Question> questions;
    QList<Answer> scriptedAnswers; // answers to the questions, in order; Cancel once they run out

    QStringList scriptedSavePaths; // answers of the save dialog, in order; empty answers cancel
    QList<SaveDialogRequest> saveRequests;
    // The filter chosen in the dialog that also tells it, in order; the first filter once they run out.
    QList<qsizetype> scriptedSaveFilters;

    QStringList scriptedOpenPaths; // answers of the open dialog, in order; empty answers cancel
    QList<OpenDialogRequest> openRequests;

    struct SheetQuestion
    {
        QString bookName;
        QStringList names;
        int defaultIndex = 0;
    };
    QList<SheetQuestion> sheetQuestions;
    // Answers of the worksheet question, in order: a place in the list, or -1 to cancel; the
    // default once they run out.
    QList<int> scriptedSheets;

    QString clipboard;

    bool progressShown = false; // the dialog is open now
    int progressShowCount = 0;
    int progressCloseCount = 0;
    QList<int> progressPercents;

    int delimiterDialogs = 0;
    std::function<void(AppState &)> onDelimiterDialog; // plays the person's part in the dialog
    int compareOptionsDialogs = 0;
    std::function<void(AppState &)> onCompareOptionsDialog; // likewise for "比較オプション"
    QList<KeyColumnsPurpose> keyColumnsDialogs;
    // Plays the person's part in the key column dialog; without it the dialog is cancelled.
    std::function<bool(AppState &)> onKeyColumnsDialog;
    QList<bool> versionDialogs; // gridControlFound of each version dialog shown
    int searchDialogShows = 0;
    int searchDialogCloses = 0;

    QStringList openedUrls;
    bool openUrlResult = true;
    QStringList startedPrograms;
    bool startProgramResult = true;

    // The cell difference window: open from its first show until a test closes it.
    bool cellDifferenceOpen = false;
    QList<CellDifferenceView> cellDifferenceViews; // every view shown or updated, in order
    int cellDifferenceShows = 0;
};
