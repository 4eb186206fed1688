#include "NavigationControls.h"

#include "AppState.h"
#include "DropPanelWidget.h"
#include "ElidedLabel.h"
#include "Form1.h"
#include "Layout.h"
#include "SheetView.h"
#include "StatusBarText.h"

#include <QAction>
#include <QEvent>
#include <QStatusBar>
#include <QToolButton>

#include <tuple>

using namespace Qt::StringLiterals;

namespace
{
const QString kDropToolTip = u"ドラッグ＆ドロップしてね"_s;
const QString kRowsOnlyCaption = u"差分行"_s;
const QString kColsOnlyCaption = u"差分列"_s;
// Room the strip's text leaves free before the tool frame, in twips.
constexpr int kStripGap = 90;
// Room between two texts of the status bar, in twips.
constexpr int kStatusGap = 180;
} // namespace

NavigationControls::NavigationControls(Form1 &window, AppState &state, const Twips &twips)
    : QObject(&window)
    , m_window(window)
    , m_state(state)
    , m_twips(twips)
{
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
    // Short captions keep the status bar's texts readable in a narrow window; the tool tip and
    // the menu item give the whole name, and the check mark is the item's own.
    for (auto [button, action, caption, name] :
         {std::tuple{&cmdDiffRowsOnly, window.mnuDiffRowsOnly, kRowsOnlyCaption, u"cmdDiffRowsOnly"_s},
          std::tuple{&cmdDiffColsOnly, window.mnuDiffColsOnly, kColsOnlyCaption, u"cmdDiffColsOnly"_s}}) {
        *button = new QToolButton(bar);
        (*button)->setObjectName(name);
        (*button)->setText(caption);
        (*button)->setToolTip(action->text());
        (*button)->setCheckable(true);
        (*button)->setAutoRaise(true);
        QObject::connect(*button, &QToolButton::clicked, action, &QAction::trigger);
        QObject::connect(action, &QAction::changed, *button, [shown = *button, item = action] {
            shown->setChecked(item->isChecked());
            shown->setEnabled(item->isEnabled());
        });
        bar->addPermanentWidget(*button);
    }
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
    // The marks count the shown rows and columns too.
    std::array<int, 8> shapes{};
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = m_state.grdData(i);
        shapes[std::size_t(4 * i)] = sheet.rows();
        shapes[std::size_t(4 * i + 1)] = sheet.cols();
        shapes[std::size_t(4 * i + 2)] = sheet.shownRows().isFiltered() ? sheet.shownRows().count() : -1;
        shapes[std::size_t(4 * i + 3)] = sheet.shownCols().isFiltered() ? sheet.shownCols().count() : -1;
    }
    if (list.generation() == m_marksGeneration && shapes == m_markedShapes)
        return;
    m_marksGeneration = list.generation();
    m_markedShapes = shapes;
    for (int i = 0; i < 2; ++i)
        m_window.grdData[i]->setDifferenceMarks(list.markedRows(i), list.markedCols(i));
}
