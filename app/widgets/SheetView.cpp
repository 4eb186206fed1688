#include "SheetView.h"

#include "GridError.h"
#include "KeyCodes.h"
#include "MarkedScrollBar.h"
#include "Sheet.h"
#include "SheetFont.h"
#include "SheetModel.h"
#include "ShownText.h"
#include "Twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolTip>

#include <cmath>
#include <utility>

namespace
{
// The key code a grid reports for a key stroke that an input method takes for its text.
constexpr char32_t kDeleteCharacter = 0x7F;
// How often a selection drag held outside the cells scrolls on.
constexpr int kDragScrollIntervalMs = 50;

int wholeTwips(const Twips &twips, int pixels)
{
    return int(std::lround(twips.toTwips(pixels)));
}

int gridButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return kLeftButton;
    case Qt::RightButton:
        return kRightButton;
    case Qt::MiddleButton:
        return kMiddleButton;
    default:
        return 0;
    }
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
        onModelShapeChanged();
        applyScrollPosition();
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (isVisible() && !m_applyingColWidth)
            m_sheet.reportColWidth(section + 1, wholeTwips(Twips::forScreen(screen()), size));
    });
    connect(&sheet, &Sheet::colWidthRequested, this, [this](int col) {
        const QScopedValueRollback applying(m_applyingColWidth, true);
        setColumnWidth(col - 1, Twips::forScreen(screen()).toPixels(m_sheet.colWidth(col)));
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
    const QModelIndex current = m_model->index(m_sheet.row() - 1, m_sheet.col() - 1);
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
    layout.colWidths.reserve(m_model->columnCount() + 1);
    layout.colWidths.append(wholeTwips(twips, headerWidth));
    for (int c = 0; c < m_model->columnCount(); ++c)
        layout.colWidths.append(wholeTwips(twips, columnWidth(c)));
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
    verticalScrollBar()->setValue(std::max(0, m_sheet.topRow() - 1));
    horizontalScrollBar()->setValue(std::max(0, m_sheet.leftCol() - 1));
    m_applyingScroll = false;
    // Where the view could not go, the sheet learns where it is.
    reportScrollPosition();
}

void SheetView::reportScrollPosition()
{
    if (m_applyingScroll || !isVisible())
        return;
    m_sheet.scrolledByView(verticalScrollBar()->value() + 1, horizontalScrollBar()->value() + 1);
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

void SheetView::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    m_sheet.raiseMouseDown(gridButton(event->button()), gridShiftState(event->modifiers()), pos.x(), pos.y());
    setFocus(Qt::MouseFocusReason);
    const QModelIndex index = indexAt(pos);
    m_pressedButtons |= gridButton(event->button());
    if (!index.isValid()) {
        m_sheet.setMouseCell(kNoCell, kNoCell);
        return;
    }
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    m_sheet.setMouseCell(row, col);
    if (event->button() != Qt::LeftButton)
        return;
    ignoreGridErrors([&] {
        if (event->modifiers() & Qt::ShiftModifier) {
            m_sheet.setRowSel(row);
            m_sheet.setColSel(col);
        } else {
            m_sheet.setCurrentCell(row, col);
        }
    });
    m_dragging = true;
}

void SheetView::extendSelectionTo(const QPoint &viewportPos)
{
    const int modelRow = std::clamp(rowAt(viewportPos.y()) < 0 && viewportPos.y() > 0 ? m_model->rowCount() - 1
                                                                                      : rowAt(viewportPos.y()),
                                    0, std::max(0, m_model->rowCount() - 1));
    const int modelCol = std::clamp(columnAt(viewportPos.x()) < 0 && viewportPos.x() > 0 ? m_model->columnCount() - 1
                                                                                         : columnAt(viewportPos.x()),
                                    0, std::max(0, m_model->columnCount() - 1));
    ignoreGridErrors([&] {
        m_sheet.setRowSel(modelRow + 1);
        m_sheet.setColSel(modelCol + 1);
    });
    scrollTo(m_model->index(modelRow, modelCol));
}

void SheetView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    m_lastDragPos = event->position().toPoint();
    extendSelectionTo(m_lastDragPos);
    // Held below, above or beside the cells, the drag keeps scrolling and selecting.
    if (viewport()->rect().contains(m_lastDragPos))
        m_dragScrollTimer->stop();
    else if (!m_dragScrollTimer->isActive())
        m_dragScrollTimer->start();
}

void SheetView::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    m_dragScrollTimer->stop();
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (index.isValid())
        m_sheet.setMouseCell(index.row() + 1, index.column() + 1);
    else
        m_sheet.setMouseCell(kNoCell, kNoCell);
    const int button = gridButton(event->button());
    m_pressedButtons &= ~button;
    // The view that took the press keeps the mouse until the release, but a release over another
    // sheet belongs to that sheet: it is the one the person let go on.
    if (!viewport()->rect().contains(pos)) {
        const QPoint global = event->globalPosition().toPoint();
        QWidget *under = QApplication::widgetAt(global);
        while (under && !qobject_cast<SheetView *>(under))
            under = under->parentWidget();
        if (auto *other = qobject_cast<SheetView *>(under); other && other != this) {
            m_releaseEndsDoubleClick = false;
            const QPoint otherPos = other->viewport()->mapFromGlobal(global);
            if (const QModelIndex otherIndex = other->indexAt(otherPos); otherIndex.isValid())
                other->m_sheet.setMouseCell(otherIndex.row() + 1, otherIndex.column() + 1);
            else
                other->m_sheet.setMouseCell(kNoCell, kNoCell);
            other->m_sheet.raiseMouseUp(button, gridShiftState(event->modifiers()), otherPos.x(), otherPos.y());
            return;
        }
    }
    m_sheet.raiseMouseUp(button, gridShiftState(event->modifiers()), pos.x(), pos.y());
    // A double click is one click followed by the double click: its last release clicks no more.
    if (event->button() == Qt::LeftButton && !std::exchange(m_releaseEndsDoubleClick, false))
        m_sheet.raiseClick();
}

void SheetView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_releaseEndsDoubleClick = true;
    if (indexAt(event->position().toPoint()).isValid())
        m_sheet.raiseDblClick();
}

void SheetView::handleHeaderMouse(QEvent *event, Qt::Orientation orientation, int section)
{
    auto *mouse = static_cast<QMouseEvent *>(event);
    const int index = section + 1; // a sheet row (vertical) or column (horizontal); 0 = corner
    const int mouseRow = orientation == Qt::Vertical ? index : 0;
    const int mouseCol = orientation == Qt::Horizontal ? index : 0;
    if (event->type() == QEvent::MouseButtonPress) {
        const QPoint pos = mapFromGlobal(mouse->globalPosition().toPoint());
        m_sheet.raiseMouseDown(gridButton(mouse->button()), gridShiftState(mouse->modifiers()), pos.x(), pos.y());
        setFocus(Qt::MouseFocusReason);
        m_sheet.setMouseCell(mouseRow, mouseCol);
        if (mouse->button() != Qt::LeftButton || section < 0)
            return;
        // A header click selects the whole row or column, the corner the whole sheet.
        ignoreGridErrors([&] {
            const bool extend = mouse->modifiers() & Qt::ShiftModifier;
            if (orientation == Qt::Vertical) {
                if (!extend)
                    m_sheet.setCurrentCell(index, 1);
                m_sheet.setRowSel(index);
                m_sheet.setColSel(m_sheet.cols() - 1);
            } else {
                if (!extend)
                    m_sheet.setCurrentCell(1, index);
                m_sheet.setRowSel(m_sheet.rows() - 1);
                m_sheet.setColSel(index);
            }
        });
    } else if (event->type() == QEvent::MouseButtonRelease) {
        raiseRelease(mouse, mouseRow, mouseCol);
    }
}

void SheetView::raiseRelease(const QMouseEvent *mouse, int mouseRow, int mouseCol)
{
    m_sheet.setMouseCell(mouseRow, mouseCol);
    const QPoint pos = mapFromGlobal(mouse->globalPosition().toPoint());
    m_sheet.raiseMouseUp(gridButton(mouse->button()), gridShiftState(mouse->modifiers()), pos.x(), pos.y());
    if (mouse->button() == Qt::LeftButton && !std::exchange(m_releaseEndsDoubleClick, false))
        m_sheet.raiseClick();
}

bool SheetView::isOnSectionEdge(const QHeaderView *header, const QPoint &pos) const
{
    // The same test the header makes before it starts resizing a section.
    const int position = header->orientation() == Qt::Horizontal ? pos.x() : pos.y();
    const int visual = header->visualIndexAt(position);
    if (visual < 0)
        return false;
    const int logical = header->logicalIndex(visual);
    const int start = header->sectionViewportPosition(logical);
    const int grip = header->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, header);
    int handle = -1;
    if (position < start + grip)
        handle = visual > 0 ? header->logicalIndex(visual - 1) : -1;
    else if (position > start + header->sectionSize(logical) - grip)
        handle = logical;
    return handle >= 0 && header->sectionResizeMode(handle) == QHeaderView::Interactive;
}

void SheetView::extendHeaderSelectionTo(const QPoint &headerPos)
{
    const bool vertical = m_headerDrag->orientation() == Qt::Vertical;
    const int position = vertical ? headerPos.y() : headerPos.x();
    const int count = vertical ? m_model->rowCount() : m_model->columnCount();
    int section = m_headerDrag->logicalIndexAt(position);
    if (section < 0)
        section = position < 0 ? m_headerDrag->logicalIndexAt(0) : count - 1;
    if (section < 0)
        return;
    ignoreGridErrors([&] {
        if (vertical)
            m_sheet.setRowSel(section + 1);
        else
            m_sheet.setColSel(section + 1);
    });
    if (vertical)
        scrollTo(m_model->index(section, std::max(0, columnAt(0))));
    else
        scrollTo(m_model->index(std::max(0, rowAt(0)), section));
}

bool SheetView::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool mouseEvent = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
        || type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove;
    if (!mouseEvent || !isEnabled())
        return QTableView::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    QHeaderView *header = nullptr;
    if (watched == verticalHeader()->viewport())
        header = verticalHeader();
    else if (watched == horizontalHeader()->viewport())
        header = horizontalHeader();
    if (header) {
        const QPoint pos = mouse->position().toPoint();
        // A press starts a new gesture, even when the release of the last one never came.
        if (type == QEvent::MouseButtonPress) {
            m_headerResizing = false;
            m_headerDrag = nullptr;
        }
        // On a section edge the header itself works: a drag resizes the column, a double click
        // fits it to its texts. The release that ends it belongs to the header too.
        if (!m_headerDrag && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
            && mouse->button() == Qt::LeftButton && isOnSectionEdge(header, pos)) {
            m_headerResizing = true;
            return QTableView::eventFilter(watched, event);
        }
        if (m_headerResizing) {
            if (type == QEvent::MouseButtonRelease)
                m_headerResizing = false;
            return QTableView::eventFilter(watched, event);
        }
        if (type == QEvent::MouseMove) {
            // Dragging along the headers selects a run of whole rows or columns.
            if (m_headerDrag != header || !(mouse->buttons() & Qt::LeftButton))
                return QTableView::eventFilter(watched, event);
            extendHeaderSelectionTo(pos);
            return true;
        }
        if (type == QEvent::MouseButtonDblClick) {
            if (mouse->button() == Qt::LeftButton)
                m_releaseEndsDoubleClick = true;
            return true;
        }
        const Qt::Orientation orientation = header->orientation();
        int section = header->logicalIndexAt(orientation == Qt::Vertical ? pos.y() : pos.x());
        if (type == QEvent::MouseButtonPress) {
            if (section >= 0) {
                handleHeaderMouse(event, orientation, section);
                if (mouse->button() == Qt::LeftButton)
                    m_headerDrag = header;
            }
            return true;
        }
        // A release ends a drag even off the sections: it is reported on the section reached.
        if (m_headerDrag == header && mouse->button() == Qt::LeftButton) {
            m_headerDrag = nullptr;
            if (section < 0)
                section = orientation == Qt::Vertical ? m_sheet.rowSel() - 1 : m_sheet.colSel() - 1;
        }
        // A release on the blank part of a header strip is a release over the sheet too, over
        // no cell.
        if (section >= 0)
            handleHeaderMouse(event, orientation, section);
        else
            raiseRelease(mouse, kNoCell, kNoCell);
        return true;
    }
    if (type == QEvent::MouseMove)
        return QTableView::eventFilter(watched, event);
    if (type == QEvent::MouseButtonDblClick)
        return true;
    if (qobject_cast<QAbstractButton *>(watched)) {
        handleHeaderMouse(event, Qt::Vertical, -1);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

int SheetView::pageRows() const
{
    return std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()) - 1);
}

void SheetView::moveByKey(int key, bool extend, bool toEdge)
{
    const int firstRow = std::min(1, m_sheet.rows() - 1);
    const int firstCol = std::min(1, m_sheet.cols() - 1);
    const int lastRow = m_sheet.rows() - 1;
    const int lastCol = m_sheet.cols() - 1;
    int row = extend ? m_sheet.rowSel() : m_sheet.row();
    int col = extend ? m_sheet.colSel() : m_sheet.col();
    switch (key) {
    case Qt::Key_Up:
        row = toEdge ? firstRow : row - 1;
        break;
    case Qt::Key_Down:
        row = toEdge ? lastRow : row + 1;
        break;
    case Qt::Key_Left:
        col = toEdge ? firstCol : col - 1;
        break;
    case Qt::Key_Right:
        col = toEdge ? lastCol : col + 1;
        break;
    case Qt::Key_PageUp:
        row -= pageRows();
        break;
    case Qt::Key_PageDown:
        row += pageRows();
        break;
    case Qt::Key_Home:
        col = firstCol;
        if (toEdge)
            row = firstRow;
        break;
    case Qt::Key_End:
        col = lastCol;
        if (toEdge)
            row = lastRow;
        break;
    default:
        return;
    }
    row = std::clamp(row, firstRow, std::max(firstRow, lastRow));
    col = std::clamp(col, firstCol, std::max(firstCol, lastCol));
    ignoreGridErrors([&] {
        if (extend) {
            m_sheet.setRowSel(row);
            m_sheet.setColSel(col);
        } else {
            m_sheet.setCurrentCell(row, col);
        }
    });
    if (row >= 1 && col >= 1)
        scrollTo(m_model->index(row - 1, col - 1));
}

void SheetView::keyPressEvent(QKeyEvent *event)
{
    int keyCode = gridKeyCode(event->key());
    const int shift = gridShiftState(event->modifiers());
    if (keyCode != 0) {
        m_sheet.raiseKeyDown(keyCode, shift);
        if (keyCode == 0) {
            event->accept();
            return;
        }
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        moveByKey(event->key(), event->modifiers() & Qt::ShiftModifier, event->modifiers() & Qt::ControlModifier);
        event->accept();
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const char32_t character = text.toUcs4().value(0);
        // Delete types no character on a grid, though some platforms attach DEL to the key.
        if (character != kDeleteCharacter)
            raiseKeyPressFor(character);
        event->accept();
        return;
    }
    if (event->modifiers() & Qt::ControlModifier && event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) {
        // Control characters, as a grid reports Ctrl+letter in its key press event.
        int keyAscii = event->key() - Qt::Key_A + 1;
        m_sheet.raiseKeyPress(keyAscii);
        event->accept();
        return;
    }
    event->ignore();
}

void SheetView::raiseKeyPressFor(char32_t character)
{
    int keyAscii = keyAsciiFromCharacter(character);
    m_sheet.raiseKeyPress(keyAscii);
}

void SheetView::inputMethodEvent(QInputMethodEvent *event)
{
    // An input method (Japanese text above all) hands its text over here, not as key presses.
    // The key strokes it took count as one key down, then each character as its key press. Once
    // a key press has moved the focus (the in-cell editor opened), the rest of the text goes to
    // the widget that has it, so that no character is lost.
    event->accept();
    if (!isEnabled())
        return;
    const QString text = event->commitString();
    if (text.isEmpty()) {
        if (!event->preeditString().isEmpty())
            startComposition(*event);
        return;
    }
    int keyCode = kKeyProcess;
    m_sheet.raiseKeyDown(keyCode, 0);
    if (keyCode == 0)
        return;
    const QWidget *focusBefore = QApplication::focusWidget();
    for (qsizetype i = 0; i < text.size();) {
        QWidget *focus = QApplication::focusWidget();
        if (i > 0 && focus && focus != focusBefore && focus != this) {
            QInputMethodEvent rest;
            rest.setCommitString(text.mid(i));
            QCoreApplication::sendEvent(focus, &rest);
            return;
        }
        char32_t character = text.at(i).unicode();
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            character = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            length = 2;
        }
        raiseKeyPressFor(character);
        i += length;
    }
}

void SheetView::startComposition(const QInputMethodEvent &event)
{
    // Composition begins on the sheet: its key down, then the editor opens as for a typed
    // character, and the text being composed moves on into the box that took the focus, where
    // the input method's further events go.
    int keyCode = kKeyProcess;
    m_sheet.raiseKeyDown(keyCode, 0);
    if (keyCode == 0)
        return;
    const QWidget *focusBefore = QApplication::focusWidget();
    m_sheet.raiseCompositionStart();
    QWidget *focus = QApplication::focusWidget();
    if (focus && focus != focusBefore && focus != this) {
        QInputMethodEvent composing(event.preeditString(), event.attributes());
        QCoreApplication::sendEvent(focus, &composing);
    }
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

int SheetView::gridShiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= kShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= kCtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= kAltMask;
    return shift;
}

int SheetView::gridKeyCode(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey; // the same codes as ASCII upper-case letters and digits
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return kKeyF1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return kKeyBackspace;
    case Qt::Key_Tab:
        return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kKeyEnter;
    case Qt::Key_Shift:
        return kKeyShift;
    case Qt::Key_Control:
        return kKeyControl;
    case Qt::Key_Alt:
        return kKeyAlt;
    case Qt::Key_Escape:
        return kKeyEscape;
    case Qt::Key_Space:
        return kKeySpace;
    case Qt::Key_PageUp:
        return kKeyPageUp;
    case Qt::Key_PageDown:
        return kKeyPageDown;
    case Qt::Key_End:
        return kKeyEnd;
    case Qt::Key_Home:
        return kKeyHome;
    case Qt::Key_Left:
        return kKeyLeft;
    case Qt::Key_Up:
        return kKeyUp;
    case Qt::Key_Right:
        return kKeyRight;
    case Qt::Key_Down:
        return kKeyDown;
    case Qt::Key_Insert:
        return kKeyInsert;
    case Qt::Key_Delete:
        return kKeyDelete;
    case Qt::Key_Pause:
        return kKeyPause;
    case Qt::Key_CapsLock:
        return kKeyCapsLock;
    case Qt::Key_Henkan:
        return kKeyHenkan;
    case Qt::Key_Muhenkan:
        return kKeyMuhenkan;
    case Qt::Key_Print:
        return kKeyPrint;
    case Qt::Key_Meta:
        return kKeyMeta;
    case Qt::Key_Menu:
        return kKeyMenu;
    case Qt::Key_NumLock:
        return kKeyNumLock;
    case Qt::Key_ScrollLock:
        return kKeyScrollLock;
    case Qt::Key_Hiragana_Katakana:
        return kKeyHiraganaKatakana;
    case Qt::Key_Zenkaku_Hankaku:
        return kKeyZenkakuHankaku;
    // Symbol keys: the codes of their keys on a US keyboard. Never the codes of letters or of
    // Delete, which the sheets' shortcuts react to: "." is not Delete's 46.
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return kKeySemicolon;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return kKeyEqual;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return kKeyComma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return kKeyMinus;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return kKeyPeriod;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return kKeySlash;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return kKeyBackquote;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return kKeyBracketLeft;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
    case Qt::Key_yen:
        return kKeyBackslash;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return kKeyBracketRight;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return kKeyQuote;
    default:
        // Every key stroke is a key down on a grid; a key without a code of its own (a kana
        // key, an unknown one) reports the code of no particular key.
        return kKeyOther;
    }
}

void SheetView::setDifferenceMarks(std::vector<int> rows, std::vector<int> cols)
{
    static_cast<MarkedScrollBar *>(verticalScrollBar())->setMarks(std::move(rows), m_sheet.rows() - 1);
    static_cast<MarkedScrollBar *>(horizontalScrollBar())->setMarks(std::move(cols), m_sheet.cols() - 1);
}
