#include "QtUserInterface.h"

#include "CellDifferenceWindow.h"
#include "CompareOptionsDialog.h"
#include "Form2.h"
#include "Form3.h"
#include "HandlerGuard.h"
#include "KeyColumnsDialog.h"
#include "frmHikaku.h"
#include "frmVersion.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
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
const QString kWorkbookSheetTitle = QStringLiteral("ワークシートの選択");
const QString kWorkbookSheetLabel = QStringLiteral("%1 のどのワークシートを開きますか");

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        break;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole buttonRole(Answer answer)
{
    switch (answer) {
    case Answer::Cancel:
        return QMessageBox::RejectRole;
    case Answer::DontSave:
        return QMessageBox::DestructiveRole;
    case Answer::Yes:
        return QMessageBox::YesRole;
    case Answer::No:
        return QMessageBox::NoRole;
    case Answer::Save:
    case Answer::SaveAsUtf8Bom:
        break;
    }
    return QMessageBox::AcceptRole;
}
} // namespace

void QtUserInterface::showMessage(const QString &text, const QString &title, MessageIcon icon)
{
    QMessageBox box(m_mainWindow);
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(boxIcon(icon));
    box.exec();
}

Answer QtUserInterface::askQuestion(const Question &question)
{
    QMessageBox box(m_mainWindow);
    box.setWindowTitle(question.title);
    box.setText(question.text);
    box.setIcon(boxIcon(question.icon));
    QList<std::pair<const QAbstractButton *, Answer>> answers;
    for (const Question::Button &button : question.buttons) {
        QPushButton *pushButton
            = box.addButton(captionWithMnemonic(button.answer, button.caption), buttonRole(button.answer));
        if (answers.size() == question.defaultButton)
            box.setDefaultButton(pushButton);
        if (button.answer == Answer::Cancel || button.answer == Answer::No)
            box.setEscapeButton(pushButton);
        answers.append({pushButton, button.answer});
    }
    box.exec();
    for (const auto &[pushButton, answer] : answers) {
        if (pushButton == box.clickedButton())
            return answer;
    }
    // Closed without a button: the box's escape answer.
    for (const Question::Button &button : question.buttons) {
        if (button.answer == Answer::No)
            return Answer::No;
    }
    return Answer::Cancel;
}

void QtUserInterface::yieldToEventLoop()
{
    QCoreApplication::processEvents();
}

void QtUserInterface::beep()
{
    QApplication::beep();
}

namespace
{
// Where the save dialog starts: the folder, with the offered name selected in it.
QString saveDialogStart(const SaveDialogRequest &request)
{
    return request.fileName.isEmpty() ? request.initialFolder : QDir(request.initialFolder).filePath(request.fileName);
}

// The offered name is chosen after the filter, which would otherwise give it the filter's suffix
// (売上.csv offered as 売上.CSV: another file on this system).
void offerFileName(QFileDialog &dialog, const SaveDialogRequest &request)
{
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
}
} // namespace

QString QtUserInterface::askSaveFileName(const SaveDialogRequest &request)
{
    QFileDialog dialog(m_mainWindow, request.title, saveDialogStart(request));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.first());
    offerFileName(dialog, request);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

SaveDialogAnswer QtUserInterface::askSaveFileNameAndFilter(const SaveDialogRequest &request)
{
    QFileDialog dialog(m_mainWindow, request.title, saveDialogStart(request));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    // A name typed without a suffix gets the chosen filter's, before the dialog asks about
    // replacing a file of that name.
    // A filter naming both spellings of the request's suffix gets the request's.
    const auto followFilter = [&dialog, &request](const QString &filter) {
        static const QRegularExpression suffix(QStringLiteral("\\(\\*\\.([^ )]+)"));
        const QRegularExpressionMatch match = suffix.match(filter);
        QString chosen = match.hasMatch() ? match.captured(1) : QString();
        if (chosen.compare(request.defaultSuffix, Qt::CaseInsensitive) == 0)
            chosen = request.defaultSuffix;
        dialog.setDefaultSuffix(chosen);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    if (!request.filters.isEmpty()) {
        dialog.selectNameFilter(request.filters.first());
        followFilter(request.filters.first());
    }
    offerFileName(dialog, request);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(),
            std::max<qsizetype>(0, request.filters.indexOf(dialog.selectedNameFilter()))};
}

std::optional<int> QtUserInterface::askWorkbookSheet(const QString &bookName, const QStringList &names,
                                                     int defaultIndex)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(m_mainWindow, kWorkbookSheetTitle, kWorkbookSheetLabel.arg(bookName),
                                                 names, defaultIndex, false, &ok);
    if (!ok)
        return std::nullopt;
    const qsizetype place = names.indexOf(chosen);
    return place < 0 ? std::nullopt : std::optional<int>(int(place));
}

QString QtUserInterface::askOpenFileName(const OpenDialogRequest &request)
{
    QFileDialog dialog(m_mainWindow, request.title, request.initialFolder);
    dialog.setObjectName(QStringLiteral("openDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.first());
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

void QtUserInterface::showCompareOptionsDialog(AppState &state)
{
    CompareOptionsDialog dialog(state, *this, m_mainWindow);
    dialog.exec();
}

bool QtUserInterface::showKeyColumnsDialog(AppState &state, KeyColumnsPurpose purpose)
{
    KeyColumnsDialog dialog(state, *this, purpose, m_mainWindow);
    return dialog.exec() == QDialog::Accepted;
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
