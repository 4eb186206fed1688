#include "CatchUpUserInterface.h"

namespace
{
// Often enough that a click on the progress dialog's cancel button or a repaint waits no longer
// than a person can notice.
constexpr qint64 kYieldIntervalMs = 5;
} // namespace

CatchUpUserInterface::CatchUpUserInterface(UserInterface &screen, std::function<void()> catchUp)
    : m_screen(screen)
    , m_catchUp(std::move(catchUp))
{
}

void CatchUpUserInterface::showMessage(const QString &text, const QString &title, MessageIcon icon)
{
    m_catchUp();
    m_screen.showMessage(text, title, icon);
}

Answer CatchUpUserInterface::askQuestion(const Question &question)
{
    m_catchUp();
    return m_screen.askQuestion(question);
}

void CatchUpUserInterface::yieldToEventLoop()
{
    if (m_sinceYield.isValid() && m_sinceYield.elapsed() < kYieldIntervalMs)
        return;
    m_catchUp();
    m_screen.yieldToEventLoop();
    m_sinceYield.start();
}

void CatchUpUserInterface::beep()
{
    m_screen.beep();
}

QString CatchUpUserInterface::askSaveFileName(const SaveDialogRequest &request)
{
    m_catchUp();
    return m_screen.askSaveFileName(request);
}

SaveDialogAnswer CatchUpUserInterface::askSaveFileNameAndFilter(const SaveDialogRequest &request)
{
    m_catchUp();
    return m_screen.askSaveFileNameAndFilter(request);
}

std::optional<int> CatchUpUserInterface::askWorkbookSheet(const QString &bookName, const QStringList &names,
                                                          int defaultIndex)
{
    m_catchUp();
    return m_screen.askWorkbookSheet(bookName, names, defaultIndex);
}

QString CatchUpUserInterface::askOpenFileName(const OpenDialogRequest &request)
{
    m_catchUp();
    return m_screen.askOpenFileName(request);
}

QString CatchUpUserInterface::clipboardText()
{
    return m_screen.clipboardText();
}

void CatchUpUserInterface::setClipboardText(const QString &text)
{
    m_screen.setClipboardText(text);
}

void CatchUpUserInterface::showProgressDialog()
{
    m_catchUp();
    m_screen.showProgressDialog();
}

void CatchUpUserInterface::showProgressPercent(int percent)
{
    m_screen.showProgressPercent(percent);
}

void CatchUpUserInterface::closeProgressDialog()
{
    m_screen.closeProgressDialog();
}

void CatchUpUserInterface::showDelimiterDialog(AppState &state)
{
    m_catchUp();
    m_screen.showDelimiterDialog(state);
}

void CatchUpUserInterface::showCompareOptionsDialog(AppState &state)
{
    m_catchUp();
    m_screen.showCompareOptionsDialog(state);
}

bool CatchUpUserInterface::showKeyColumnsDialog(AppState &state, KeyColumnsPurpose purpose)
{
    m_catchUp();
    return m_screen.showKeyColumnsDialog(state, purpose);
}

void CatchUpUserInterface::showVersionDialog(bool gridControlFound)
{
    m_catchUp();
    m_screen.showVersionDialog(gridControlFound);
}

void CatchUpUserInterface::showSearchDialog(AppState &state)
{
    m_catchUp();
    m_screen.showSearchDialog(state);
}

void CatchUpUserInterface::closeSearchDialog()
{
    m_screen.closeSearchDialog();
}

bool CatchUpUserInterface::openUrl(const QString &url)
{
    return m_screen.openUrl(url);
}

bool CatchUpUserInterface::startProgram(const QString &commandLine)
{
    return m_screen.startProgram(commandLine);
}

void CatchUpUserInterface::showCellDifference(const CellDifferenceView &view)
{
    m_catchUp();
    m_screen.showCellDifference(view);
}

bool CatchUpUserInterface::cellDifferenceShown()
{
    return m_screen.cellDifferenceShown();
}

// Called once the window has caught up, after a handler: nothing to catch up here.
void CatchUpUserInterface::updateCellDifference(const CellDifferenceView &view)
{
    m_screen.updateCellDifference(view);
}
