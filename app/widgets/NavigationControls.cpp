#include "NavigationControls.h"

#include "AppState.h"
#include "Differences.h"
#include "DropPanelWidget.h"
#include "ElidedLabel.h"
#include "Form1.h"
#include "Layout.h"
#include "OpenCommand.h"
#include "SheetView.h"
#include "StatusBarText.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>

using namespace Qt::StringLiterals;

namespace
{
const std::array<QString, 2> kOpenCaptions{u"ファイル１を開く…"_s, u"ファイル２を開く…"_s};
const QString kFirstDiffCaption = u"最初の差分へ\tAlt+Home"_s;
const QString kLastDiffCaption = u"最後の差分へ\tAlt+End"_s;
const QString kDropToolTip = u"ドラッグ＆ドロップしてね"_s;
// Room the strip's text leaves free before the tool frame, in twips.
constexpr int kStripGap = 90;
// Room between two texts of the status bar, in twips.
constexpr int kStatusGap = 180;
} // namespace

NavigationControls::NavigationControls(Form1 &window, AppState &state, UserInterface &ui, const Twips &twips,
                                       Runner run)
    : QObject(&window)
    , m_window(window)
    , m_state(state)
    , m_ui(ui)
    , m_twips(twips)
    , m_run(std::move(run))
{
    const std::array<QKeySequence, 2> openKeys{QKeySequence(Qt::CTRL | Qt::Key_O),
                                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)};
    for (int i = 0; i < 2; ++i) {
        mnuOpen[i] = new QAction(kOpenCaptions[i], &window);
        mnuOpen[i]->setObjectName(u"mnuOpen(%1)"_s.arg(i));
        mnuOpen[i]->setShortcut(openKeys[i]);
        window.mnuFile->insertAction(window.mnuNew, mnuOpen[i]);
        connect(mnuOpen[i], &QAction::triggered, this, [this, i] { m_run([&] { mnuOpen_Click(m_state, m_ui, i); }); });
        // An empty panel says "drop here"; a click on it asks for the file instead.
        window.PicFile[i]->clickHook = [this, i] {
            if (!m_state.grdData(i).isVisible())
                m_run([&] { mnuOpen_Click(m_state, m_ui, i); });
        };
    }
    window.mnuFile->insertSeparator(window.mnuNew);

    mnuFirstDiff = new QAction(kFirstDiffCaption, &window);
    mnuFirstDiff->setObjectName(u"mnuFirstDiff"_s);
    mnuLastDiff = new QAction(kLastDiffCaption, &window);
    mnuLastDiff->setObjectName(u"mnuLastDiff"_s);
    window.mnuSabun->insertAction(window.mnuAlign, mnuFirstDiff);
    window.mnuSabun->insertAction(window.mnuAlign, mnuLastDiff);
    window.mnuSabun->insertSeparator(window.mnuAlign);
    const auto step = [this](StepDirection direction) {
        return [this, direction] { m_run([&] { GoToDifference(m_state, m_ui, direction); }); };
    };
    connect(mnuFirstDiff, &QAction::triggered, this, step(StepDirection::First));
    connect(mnuLastDiff, &QAction::triggered, this, step(StepDirection::Last));
    // Window-wide, the search dialog included; a modal dialog holds them off.
    addShortcut(QKeySequence(Qt::Key_F8), "nextDiffShortcut", step(StepDirection::Next));
    addShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), "prevDiffShortcut", step(StepDirection::Previous));
    addShortcut(QKeySequence(Qt::ALT | Qt::Key_Home), "firstDiffShortcut", step(StepDirection::First));
    addShortcut(QKeySequence(Qt::ALT | Qt::Key_End), "lastDiffShortcut", step(StepDirection::Last));

    QStatusBar *bar = window.statusBar();
    bar->setObjectName(u"statusBar"_s);
    bar->setSizeGripEnabled(false);
    // The texts share one part of the bar that places them itself: a narrow window shortens the
    // sheets' texts before the place among the differences, and none runs past the edge.
    m_statusParts = new QWidget(bar);
    m_statusParts->setObjectName(u"statusParts"_s);
    for (int i = 0; i < 2; ++i) {
        lblSheetStatus[i] = new ElidedLabel(m_statusParts);
        lblSheetStatus[i]->setObjectName(u"lblSheetStatus(%1)"_s.arg(i));
    }
    lblDiffStatus = new ElidedLabel(m_statusParts);
    lblDiffStatus->setObjectName(u"lblDiffStatus"_s);
    m_statusParts->setMinimumHeight(lblDiffStatus->sizeHint().height());
    m_statusParts->installEventFilter(this);
    bar->addWidget(m_statusParts, 1);
}

bool NavigationControls::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_statusParts && event->type() == QEvent::Resize)
        layOutStatusParts();
    return QObject::eventFilter(watched, event);
}

void NavigationControls::layOutStatusParts()
{
    const std::array<ElidedLabel *, 3> parts{lblSheetStatus[0], lblSheetStatus[1], lblDiffStatus};
    std::array<int, 3> wanted{};
    for (size_t k = 0; k < parts.size(); ++k)
        wanted[k] = parts[k]->text().isEmpty() ? 0 : parts[k]->sizeHint().width();
    const int available = m_statusParts->width();
    const int gap = m_twips.toPixels(kStatusGap);
    const std::array<int, 3> widths = statusBarPartWidths(available, wanted, gap);
    const int height = m_statusParts->height();
    parts[0]->setGeometry(0, 0, widths[0], height);
    parts[1]->setGeometry(widths[0] + gap, 0, widths[1], height);
    parts[2]->setGeometry(available - widths[2], 0, widths[2], height);
    // A shortened text is there whole in its tool tip.
    for (ElidedLabel *part : parts)
        part->setToolTip(part->shownText() != part->text() ? part->text() : QString());
}

void NavigationControls::addShortcut(const QKeySequence &keys, const char *name, const std::function<void()> &handler)
{
    auto *shortcut = new QShortcut(keys, &m_window);
    shortcut->setObjectName(QString::fromLatin1(name));
    shortcut->setContext(Qt::ApplicationShortcut);
    connect(shortcut, &QShortcut::activated, this, handler);
}

int NavigationControls::statusBarHeight() const
{
    return m_window.statusBar()->sizeHint().height();
}

void NavigationControls::sync()
{
    for (int i = 0; i < 2; ++i) {
        const QString &name = m_state.SheetFileName.at(i);
        m_window.PicFile[i]->setToolTip(m_state.grdData(i).isVisible() && !name.isEmpty() ? name : kDropToolTip);
        m_window.PicFile[i]->setStripReserve(m_state.toolFrameShown(i) ? m_twips.toPixels(ToolFrame::kWidth + kStripGap)
                                                                       : 0);
    }
    if (m_state.CompareRunning)
        return;
    for (int i = 0; i < 2; ++i)
        lblSheetStatus[i]->setText(statusSheetText(m_state, i));
    lblDiffStatus->setText(statusDifferenceText(m_state));
    layOutStatusParts();

    const DifferenceList &list = m_state.Differences;
    const std::array<int, 4> shapes{m_state.grdData(0).rows(), m_state.grdData(0).cols(), m_state.grdData(1).rows(),
                                    m_state.grdData(1).cols()};
    if (list.generation() == m_marksGeneration && shapes == m_markedShapes)
        return;
    m_marksGeneration = list.generation();
    m_markedShapes = shapes;
    for (int i = 0; i < 2; ++i)
        m_window.grdData[i]->setDifferenceMarks(list.markedRows(i), list.markedCols(i));
}
