#include "SheetView.h"

#include "GridError.h"
#include "Sheet.h"
#include "SheetModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>

#include <utility>

// The mouse over the cells and over the header strips: presses, drags, releases and double clicks
// turned into the sheet's selection and its mouse events.

namespace
{
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
    const int row = m_model->sheetRow(index.row());
    const int col = m_model->sheetCol(index.column());
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
        m_sheet.setRowSel(m_model->sheetRow(modelRow));
        m_sheet.setColSel(m_model->sheetCol(modelCol));
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
        m_sheet.setMouseCell(m_model->sheetRow(index.row()), m_model->sheetCol(index.column()));
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
                other->m_sheet.setMouseCell(other->m_model->sheetRow(otherIndex.row()),
                                            other->m_model->sheetCol(otherIndex.column()));
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
    // A sheet row (vertical) or column (horizontal); 0 = corner.
    const int index = section < 0     ? 0
        : orientation == Qt::Vertical ? m_model->sheetRow(section)
                                      : m_model->sheetCol(section);
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
            // The first and last rows and columns shown.
            const int firstRow = m_model->sheetRow(0);
            const int firstCol = m_model->sheetCol(0);
            const int lastRow = m_model->sheetRow(m_model->rowCount() - 1);
            const int lastCol = m_model->sheetCol(m_model->columnCount() - 1);
            if (orientation == Qt::Vertical) {
                if (!extend)
                    m_sheet.setCurrentCell(index, firstCol);
                m_sheet.setRowSel(index);
                m_sheet.setColSel(lastCol);
            } else {
                if (!extend)
                    m_sheet.setCurrentCell(firstRow, index);
                m_sheet.setRowSel(lastRow);
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
            m_sheet.setRowSel(m_model->sheetRow(section));
        else
            m_sheet.setColSel(m_model->sheetCol(section));
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
                section = orientation == Qt::Vertical ? m_model->modelRow(m_sheet.rowSel())
                                                      : m_model->modelCol(m_sheet.colSel());
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
