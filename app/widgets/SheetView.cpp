#include "SheetView.h"

#include "MarkedScrollBar.h"
#include "Sheet.h"
#include "SheetFont.h"
#include "SheetModel.h"
#include "ShownText.h"
#include "Twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

#include <cmath>
#include <utility>

namespace
{
// How often a selection drag held outside the cells scrolls on.
constexpr int kDragScrollIntervalMs = 50;

int wholeTwips(const Twips &twips, int pixels)
{
    return int(std::lround(twips.toTwips(pixels)));
}
} // namespace

SheetView::SheetView(Sheet &sheet, QWidget *parent)
    : QTableView(parent)
    , m_sheet(sheet)
    , m_model(new SheetModel(sheet, this))
    , m_dragScrollTimer(new QTimer(this))
{
    setFont(sheetFont());
    applyFontMetrics();
    setModel(m_model);
    m_model->setPalette(palette());
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setAutoScroll(false); // the sheet's current cell moves by code too; only key moves scroll

    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionsClickable(true);
    verticalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultSectionSize(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10 + 8);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    verticalHeader()->viewport()->installEventFilter(this);
    horizontalHeader()->viewport()->installEventFilter(this);
    if (auto *corner = findChild<QAbstractButton *>())
        corner->installEventFilter(this);

    m_dragScrollTimer->setInterval(kDragScrollIntervalMs);
    connect(m_dragScrollTimer, &QTimer::timeout, this, [this] {
        if (!m_dragging || !isEnabled() || !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
            m_dragScrollTimer->stop();
            return;
        }
        extendSelectionTo(m_lastDragPos);
    });

    // The grooves show where the differences are.
    setVerticalScrollBar(new MarkedScrollBar(Qt::Vertical, this));
    setHorizontalScrollBar(new MarkedScrollBar(Qt::Horizontal, this));
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &SheetView::reportScrollPosition);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &SheetView::reportScrollPosition);
    connect(&sheet, &Sheet::scrollRequested, this, &SheetView::applyScrollPosition);
    connect(&sheet, &Sheet::appearanceChanged, this, &SheetView::syncAppearance);
    connect(&sheet, &Sheet::focusRequested, this, [this] { setFocus(Qt::OtherFocusReason); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &SheetView::onModelShapeChanged);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &SheetView::onModelShapeChanged);
    connect(m_model, &QAbstractItemModel::columnsInserted, this, &SheetView::onModelShapeChanged);
    connect(m_model, &QAbstractItemModel::columnsRemoved, this, &SheetView::onModelShapeChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_model->resetKeepsColumnWidths())
            restoreColumnWidths();
        onModelShapeChanged();
        applyScrollPosition();
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (isVisible() && !m_applyingColWidth)
            m_sheet.reportColWidth(m_model->sheetCol(section), wholeTwips(Twips::forScreen(screen()), size));
    });
    connect(&sheet, &Sheet::colWidthRequested, this, [this](int col) {
        if (!m_sheet.shownCols().isShown(col))
            return;
        const QScopedValueRollback applying(m_applyingColWidth, true);
        setColumnWidth(m_model->modelCol(col), Twips::forScreen(screen()).toPixels(m_sheet.colWidth(col)));
    });
    connect(&sheet, &Sheet::selectionChanged, this, &SheetView::showCurrentCell);
    connect(&sheet, &Sheet::refreshed, this, [this] {
        applyScrollPosition();
        showCurrentCell();
    });
    syncAppearance();
}

void SheetView::showCurrentCell()
{
    // The view's current index only draws the focus frame; the sheet keeps the real one.
    const QModelIndex current = m_model->index(m_model->modelRow(m_sheet.row()), m_model->modelCol(m_sheet.col()));
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

void SheetView::syncAppearance()
{
    // A command disables the sheet while it changes it. The keyboard focus stays with the sheet
    // meanwhile: a disabled widget would hand it on to the next one, a button or the other sheet,
    // which would then be the active sheet and take the person's next keys.
    const bool enable = m_sheet.isEnabled();
    if (!enable && isEnabled() && hasFocus()) {
        m_refocusWhenEnabled = true;
        clearFocus();
    }
    setEnabled(enable);
    if (enable && m_refocusWhenEnabled) {
        m_refocusWhenEnabled = false;
        if (!window()->focusWidget()) // nothing else took it meanwhile
            setFocus(Qt::OtherFocusReason);
    }
    setToolTip(m_sheet.toolTipText());
}

void SheetView::onModelShapeChanged()
{
    updateHeaderWidth();
    reportLayout();
    showCurrentCell();
}

void SheetView::reportLayout()
{
    if (!isVisible())
        return;
    const Twips twips = Twips::forScreen(screen());
    // The vertical header is the grid's header column, the horizontal header its header row.
    const int headerWidth = verticalHeader()->width();
    SheetLayout layout;
    layout.colWidths.reserve(m_sheet.cols());
    layout.colWidths.append(wholeTwips(twips, headerWidth));
    // Hidden columns keep the widths the sheet knows.
    for (int c = 1; c < m_sheet.cols(); ++c)
        layout.colWidths.append(m_sheet.colWidth(c));
    for (int c = 0; c < m_model->columnCount(); ++c)
        layout.colWidths[m_model->sheetCol(c)] = wholeTwips(twips, columnWidth(c));
    layout.rowHeight = wholeTwips(twips, verticalHeader()->defaultSectionSize());
    layout.width = wholeTwips(twips, headerWidth + viewport()->width());
    layout.height = wholeTwips(twips, horizontalHeader()->height() + viewport()->height());
    m_sheet.reportLayout(layout);
}

void SheetView::applyFontMetrics()
{
    // Every row is as high as the header row; the font decides both.
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setMinimumSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight);
    updateHeaderWidth();
}

void SheetView::updateHeaderWidth()
{
    // A fixed width from the longest label keeps 32766 rows from being measured one by one.
    const int lastRow = m_sheet.rows() - 1;
    QString widest = QStringLiteral("00000行");
    if (lastRow >= 1) {
        const QString label = shownText(m_sheet.data().text(lastRow, 0));
        if (label.size() > widest.size())
            widest = label;
    }
    verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(widest) + 12);
}

void SheetView::applyScrollPosition()
{
    if (m_applyingScroll)
        return;
    m_applyingScroll = true;
    // The scroll bars learn the model's shape only at the next layout: a position in rows just
    // added would be cut to the old range.
    updateGeometries();
    verticalScrollBar()->setValue(std::max(0, m_model->modelRow(m_sheet.topRow())));
    horizontalScrollBar()->setValue(std::max(0, m_model->modelCol(m_sheet.leftCol())));
    m_applyingScroll = false;
    // Where the view could not go, the sheet learns where it is.
    reportScrollPosition();
}

void SheetView::reportScrollPosition()
{
    if (m_applyingScroll || !isVisible())
        return;
    m_sheet.scrolledByView(m_model->sheetRow(verticalScrollBar()->value()),
                           m_model->sheetCol(horizontalScrollBar()->value()));
}

void SheetView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        m_model->setPalette(palette());
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyFontMetrics();
        reportLayout();
    }
}

void SheetView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    keepLeadingSectionsWhole();
}

void SheetView::updateGeometries()
{
    QTableView::updateGeometries();
    keepLeadingSectionsWhole();
}

void SheetView::keepLeadingSectionsWhole()
{
    // At the end of its scroll range a table view lines its last row and column up with the far
    // edges, showing part of a row at the top and of a column at the left. The grid keeps its top
    // row and left column whole at the near edges wherever it is scrolled, so that the sheet's
    // scroll position and cell places hold at the end of the range too.
    bool moved = false;
    for (const auto &[header, bar] :
         {std::pair{horizontalHeader(), horizontalScrollBar()}, std::pair{verticalHeader(), verticalScrollBar()}}) {
        if (header->count() == 0)
            continue;
        const int position = header->sectionPosition(std::clamp(bar->value(), 0, header->count() - 1));
        if (header->offset() != position) {
            header->setOffset(position);
            moved = true;
        }
    }
    if (moved)
        viewport()->update();
}

void SheetView::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    reportLayout();
    applyScrollPosition();
}

bool SheetView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        const bool handled = QTableView::viewportEvent(event);
        reportLayout();
        return handled;
    }
    // The grid has one tool tip for the whole control, not one per cell.
    if (event->type() == QEvent::ToolTip) {
        if (m_sheet.toolTipText().isEmpty()) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
    }
    return QTableView::viewportEvent(event);
}

void SheetView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    m_sheet.raiseGotFocus();
}

void SheetView::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    m_sheet.raiseLostFocus();
}

void SheetView::setDifferenceMarks(std::vector<int> rows, std::vector<int> cols)
{
    // The grooves count the shown rows and columns; a mark on a hidden one is left out.
    const auto shownPlaces = [](std::vector<int> lines, const ShownLines &shown) {
        if (!shown.isFiltered())
            return lines;
        std::vector<int> places;
        places.reserve(lines.size());
        for (const int line : lines) {
            if (shown.isShown(line))
                places.push_back(shown.positionAtOrAfter(line));
        }
        return places;
    };
    static_cast<MarkedScrollBar *>(verticalScrollBar())
        ->setMarks(shownPlaces(std::move(rows), m_sheet.shownRows()), m_sheet.shownRows().count() - 1);
    static_cast<MarkedScrollBar *>(horizontalScrollBar())
        ->setMarks(shownPlaces(std::move(cols), m_sheet.shownCols()), m_sheet.shownCols().count() - 1);
}

void SheetView::restoreColumnWidths()
{
    const QScopedValueRollback applying(m_applyingColWidth, true);
    const Twips twips = Twips::forScreen(screen());
    for (int c = 0; c < m_model->columnCount(); ++c)
        setColumnWidth(c, twips.toPixels(m_sheet.colWidth(m_model->sheetCol(c))));
}
