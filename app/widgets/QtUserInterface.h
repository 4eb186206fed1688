#pragma once

#include "UserInterface.h"

#include <QPointer>

#include <functional>

class CellDifferenceWindow;
class Form2;
class QWidget;
class frmHikaku;

// The program's side of UserInterface: message boxes, the save dialog, the clipboard and the
// progress dialog on screen, owned by the main window.
class QtUserInterface : public UserInterface
{
public:
    // `compareCancelled` is the flag the progress dialog's "中止" sets.
    QtUserInterface(QWidget *mainWindow, bool &compareCancelled);
    ~QtUserInterface() override;

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

    // How the modeless search dialog runs its handlers and reaches the person: the main window's
    // handler wrapper and its catching-up user interface. Until they are given, its handlers run
    // with this user interface and report their errors.
    using HandlerRunner = std::function<void(const std::function<void()> &)>;
    void setDialogHandlers(UserInterface &ui, HandlerRunner run);

private:
    QWidget *m_mainWindow;
    bool &m_compareCancelled;
    QPointer<frmHikaku> m_progress;
    QPointer<Form2> m_search;
    QPointer<CellDifferenceWindow> m_cellDifference;
    UserInterface *m_dialogUi = this;
    HandlerRunner m_dialogRun;
};
