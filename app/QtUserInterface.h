#pragma once

#include "UserInterface.h"

#include <QPointer>

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
    void yieldToEventLoop() override;
    void beep() override;
    QString askSaveFileName(const SaveDialogRequest &request) override;
    QString clipboardText() override;
    void setClipboardText(const QString &text) override;
    void showProgressDialog() override;
    void showProgressPercent(int percent) override;
    void closeProgressDialog() override;
    void showDelimiterDialog(AppState &state) override;
    void showVersionDialog(bool gridControlFound) override;
    bool openUrl(const QString &url) override;
    bool startProgram(const QString &commandLine) override;

private:
    QWidget *m_mainWindow;
    bool &m_compareCancelled;
    QPointer<frmHikaku> m_progress;
};
