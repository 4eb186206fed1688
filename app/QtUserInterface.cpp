#include "QtUserInterface.h"

#include "CellDifferenceWindow.h"
#include "Form2.h"
#include "Form3.h"
#include "HandlerGuard.h"
#include "frmHikaku.h"
#include "frmVersion.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

QtUserInterface::QtUserInterface(QWidget *mainWindow, bool &compareCancelled)
    : m_mainWindow(mainWindow)
    , m_compareCancelled(compareCancelled)
{
}

QtUserInterface::~QtUserInterface()
{
    delete m_progress;
    delete m_search;
    delete m_cellDifference;
}

void QtUserInterface::setDialogHandlers(UserInterface &ui, HandlerRunner run)
{
    m_dialogUi = &ui;
    m_dialogRun = std::move(run);
}

namespace
{
void setIcon(QMessageBox &box, MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
}
} // namespace

void QtUserInterface::showMessage(const QString &text, const QString &title, MessageIcon icon)
{
    QMessageBox box(m_mainWindow);
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    setIcon(box, icon);
    box.exec();
}

bool QtUserInterface::askYesNo(const QString &text, const QString &title, MessageIcon icon)
{
    QMessageBox box(m_mainWindow);
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    setIcon(box, icon);
    return box.exec() == QMessageBox::Yes;
}

void QtUserInterface::yieldToEventLoop()
{
    QCoreApplication::processEvents();
}

void QtUserInterface::beep()
{
    QApplication::beep();
}

QString QtUserInterface::askSaveFileName(const SaveDialogRequest &request)
{
    QFileDialog dialog(m_mainWindow, request.title, request.initialFolder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.first());
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtUserInterface::clipboardText()
{
    return QApplication::clipboard()->text();
}

void QtUserInterface::setClipboardText(const QString &text)
{
    QApplication::clipboard()->setText(text);
}

void QtUserInterface::showProgressDialog()
{
    delete m_progress;
    m_progress = new frmHikaku(m_compareCancelled, m_mainWindow);
    m_progress->setAttribute(Qt::WA_DeleteOnClose, false);
    m_progress->show();
}

void QtUserInterface::showProgressPercent(int percent)
{
    if (m_progress)
        m_progress->showProgressPercent(percent);
}

void QtUserInterface::closeProgressDialog()
{
    if (!m_progress)
        return;
    m_progress->hide();
    m_progress->deleteLater();
    m_progress = nullptr;
}

void QtUserInterface::showDelimiterDialog(AppState &state)
{
    Form3 dialog(state, *this, m_mainWindow);
    dialog.exec();
}

void QtUserInterface::showVersionDialog(bool gridControlFound)
{
    frmVersion dialog(*this, gridControlFound, m_mainWindow);
    dialog.exec();
}

void QtUserInterface::showSearchDialog(AppState &state)
{
    if (!m_search) {
        HandlerRunner run = m_dialogRun;
        if (!run)
            run = [this](const std::function<void()> &handler) { runHandler(ErrorStyle::Report, *this, handler); };
        m_search = new Form2(state, *m_dialogUi, std::move(run), m_mainWindow);
    }
    m_search->show();
    m_search->raise();
    m_search->activateWindow();
    // The window system may deliver the activation late, or not at all when the dialog was
    // already active: the re-targeting happens now, and the later activation finds nothing
    // pending.
    m_search->Form_Activate();
}

void QtUserInterface::closeSearchDialog()
{
    delete m_search;
}

bool QtUserInterface::openUrl(const QString &url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

bool QtUserInterface::startProgram(const QString &commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

void QtUserInterface::showCellDifference(const CellDifferenceView &view)
{
    if (!m_cellDifference)
        m_cellDifference = new CellDifferenceWindow(m_mainWindow);
    m_cellDifference->setView(view);
    m_cellDifference->show();
    m_cellDifference->raise();
}

bool QtUserInterface::cellDifferenceShown()
{
    return m_cellDifference && m_cellDifference->isVisible();
}

void QtUserInterface::updateCellDifference(const CellDifferenceView &view)
{
    if (cellDifferenceShown())
        m_cellDifference->setView(view);
}
