#pragma once

#include "UserInterface.h"

#include <QElapsedTimer>

#include <functional>

// The main window's user interface: brings the window up to date with the state before anything
// reaches the person — a message box, a dialog, the progress dialog, or a yield that lets the
// window paint — and then hands the call to the screen (or a test's recorder). So a message
// about a load or a save is shown over a window that already shows the sheet, its tool frame and
// its file name.
//
// A comparison yields after every row, some ten thousand times a second. Yields that come within
// a few milliseconds of the last one that reached the screen are passed over: the window is still
// brought up to date and serves its events (the progress bar, the cancel button) every few
// milliseconds, and the comparison no longer spends most of its time doing so.
class CatchUpUserInterface final : public UserInterface
{
public:
    CatchUpUserInterface(UserInterface &screen, std::function<void()> catchUp);

    void showMessage(const QString &text, const QString &title, MessageIcon icon) override;
    Answer askQuestion(const Question &question) override;
    void yieldToEventLoop() override;
    void beep() override;
    QString askSaveFileName(const SaveDialogRequest &request) override;
    SaveDialogAnswer askSaveFileNameAndFilter(const SaveDialogRequest &request) override;
    std::optional<int> askWorkbookSheet(const QString &bookName, const QStringList &names, int defaultIndex) override;
    QString askOpenFileName(const OpenDialogRequest &request) override;
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

private:
    UserInterface &m_screen;
    std::function<void()> m_catchUp;
    QElapsedTimer m_sinceYield; // since the last yield that reached the screen
};
