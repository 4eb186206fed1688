#include "RecordingUserInterface.h"

void RecordingUserInterface::showMessage(const QString &text, const QString &title, MessageIcon icon)
{
    const Message message{text, title, icon};
    messages.append(message);
    if (onMessage)
        onMessage(message);
}

Answer RecordingUserInterface::askQuestion(const Question &question)
{
    questions.append(question);
    return scriptedAnswers.isEmpty() ? Answer::Cancel : scriptedAnswers.takeFirst();
}

void RecordingUserInterface::yieldToEventLoop()
{
    ++yields;
    if (onYield)
        onYield();
}

void RecordingUserInterface::beep()
{
    ++beeps;
}

QString RecordingUserInterface::askSaveFileName(const SaveDialogRequest &request)
{
    saveRequests.append(request);
    return scriptedSavePaths.isEmpty() ? QString() : scriptedSavePaths.takeFirst();
}

SaveDialogAnswer RecordingUserInterface::askSaveFileNameAndFilter(const SaveDialogRequest &request)
{
    const QString path = askSaveFileName(request);
    return {path, scriptedSaveFilters.isEmpty() ? 0 : scriptedSaveFilters.takeFirst()};
}

std::optional<int> RecordingUserInterface::askWorkbookSheet(const QString &bookName, const QStringList &names,
                                                            int defaultIndex)
{
    sheetQuestions.append({bookName, names, defaultIndex});
    const int answer = scriptedSheets.isEmpty() ? defaultIndex : scriptedSheets.takeFirst();
    return answer < 0 ? std::nullopt : std::optional<int>(answer);
}

QString RecordingUserInterface::askOpenFileName(const OpenDialogRequest &request)
{
    openRequests.append(request);
    return scriptedOpenPaths.isEmpty() ? QString() : scriptedOpenPaths.takeFirst();
}

QString RecordingUserInterface::clipboardText()
{
    return clipboard;
}

void RecordingUserInterface::setClipboardText(const QString &text)
{
    clipboard = text;
}

void RecordingUserInterface::showProgressDialog()
{
    progressShown = true;
    ++progressShowCount;
}

void RecordingUserInterface::showProgressPercent(int percent)
{
    progressPercents.append(percent);
}

void RecordingUserInterface::closeProgressDialog()
{
    progressShown = false;
    ++progressCloseCount;
}

void RecordingUserInterface::showDelimiterDialog(AppState &state)
{
    ++delimiterDialogs;
    if (onDelimiterDialog)
        onDelimiterDialog(state);
}

void RecordingUserInterface::showCompareOptionsDialog(AppState &state)
{
    ++compareOptionsDialogs;
    if (onCompareOptionsDialog)
        onCompareOptionsDialog(state);
}

bool RecordingUserInterface::showKeyColumnsDialog(AppState &state, KeyColumnsPurpose purpose)
{
    keyColumnsDialogs.append(purpose);
    return onKeyColumnsDialog && onKeyColumnsDialog(state);
}

void RecordingUserInterface::showVersionDialog(bool gridControlFound)
{
    versionDialogs.append(gridControlFound);
}

void RecordingUserInterface::showSearchDialog(AppState &)
{
    ++searchDialogShows;
}

void RecordingUserInterface::closeSearchDialog()
{
    ++searchDialogCloses;
}

bool RecordingUserInterface::openUrl(const QString &url)
{
    openedUrls.append(url);
    return openUrlResult;
}

bool RecordingUserInterface::startProgram(const QString &commandLine)
{
    startedPrograms.append(commandLine);
    return startProgramResult;
}

void RecordingUserInterface::showCellDifference(const CellDifferenceView &view)
{
    cellDifferenceOpen = true;
    ++cellDifferenceShows;
    cellDifferenceViews.append(view);
}

bool RecordingUserInterface::cellDifferenceShown()
{
    return cellDifferenceOpen;
}

void RecordingUserInterface::updateCellDifference(const CellDifferenceView &view)
{
    if (cellDifferenceOpen)
        cellDifferenceViews.append(view);
}
