#include "MarkedScrollBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace
{
// Darker than the light red of a differing cell, so that a mark shows on any groove.
const QColor kMarkColor(215, 45, 45, 210);
constexpr int kMarkThickness = 2; // pixels along the groove
constexpr int kMarkInset = 2; // pixels left free at either side across the groove
} // namespace

MarkedScrollBar::MarkedScrollBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{
}

void MarkedScrollBar::setMarks(std::vector<int> marks, int count)
{
    if (marks == m_marks && count == m_count)
        return;
    m_marks = std::move(marks);
    m_count = count;
    update();
}

void MarkedScrollBar::paintEvent(QPaintEvent *event)
{
    if (m_marks.empty() || m_count <= 0) {
        QScrollBar::paintEvent(event);
        return;
    }
    // The groove and the arrows, then the marks, then the thumb over them: a sheet with a
    // difference in every row must not hide where the view is.
    QStyleOptionSlider option;
    initStyleOption(&option);
    QPainter painter(this);
    const QStyle::SubControls all = option.subControls;
    option.subControls = all & ~QStyle::SubControls(QStyle::SC_ScrollBarSlider);
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);

    const QRect groove = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, this);
    if (!groove.isEmpty())
        paintMarks(painter, groove);

    option.subControls = QStyle::SC_ScrollBarSlider;
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
}

void MarkedScrollBar::paintMarks(QPainter &painter, const QRect &groove) const
{
    const bool vertical = orientation() == Qt::Vertical;
    const qint64 length = vertical ? groove.height() : groove.width();
    int last = -1;
    for (const int mark : m_marks) {
        const int at = int(qint64(mark - 1) * (length - kMarkThickness) / std::max(m_count - 1, 1));
        if (at == last)
            continue;
        last = at;
        if (vertical)
            painter.fillRect(groove.left() + kMarkInset, groove.top() + at, groove.width() - 2 * kMarkInset,
                             kMarkThickness, kMarkColor);
        else
            painter.fillRect(groove.left() + at, groove.top() + kMarkInset, kMarkThickness,
                             groove.height() - 2 * kMarkInset, kMarkColor);
    }
}
