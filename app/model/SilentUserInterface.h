#pragma once

#include "UserInterface.h"

// A user interface with nobody in front of it: messages go nowhere, there is no event loop to
// serve, dialogs are cancelled and the clipboard is empty. Programs without a window derive from
// it and override what they want to see.
class SilentUserInterface : public UserInterface
{
public:
    void showMessage(const QString &, const QString &, MessageIcon) override
    {
    }
    Answer askQuestion(const Question &) override
    {
        return Answer::Cancel;
    }
    void yieldToEventLoop() override
    {
    }
    void beep() override
    {
    }
    QString askSaveFileName(const SaveDialogRequest &) override
    {
        return {};
    }
    QString askOpenFileName(const OpenDialogRequest &) override
    {
        return {};
    }
    QString clipboardText() override
    {
        return {};
    }
    void setClipboardText(const QString &) override
    {
    }
    void showProgressDialog() override
    {
    }
    void showProgressPercent(int) override
    {
    }
    void closeProgressDialog() override
    {
    }
    void showDelimiterDialog(AppState &) override
    {
    }
    void showCompareOptionsDialog(AppState &) override
    {
    }
    bool showKeyColumnsDialog(AppState &, KeyColumnsPurpose) override
    {
        return false;
    }
    void showVersionDialog(bool) override
    {
    }
    void showSearchDialog(AppState &) override
    {
    }
    void closeSearchDialog() override
    {
    }
    bool openUrl(const QString &) override
    {
        return false;
    }
    bool startProgram(const QString &) override
    {
        return false;
    }
    void showCellDifference(const CellDifferenceView &) override
    {
    }
    bool cellDifferenceShown() override
    {
        return false;
    }
    void updateCellDifference(const CellDifferenceView &) override
    {
    }
};
