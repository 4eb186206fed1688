#pragma once

#include <QScrollBar>

class QPainter;

#include <vector>

// A scroll bar whose groove shows where the differences are, as code editors mark search hits:
// a thin mark at each marked row (or column), merged where marks fall on the same pixel. Drawing
// costs one step per mark, never one per cell; the groove still scrolls as any scroll bar does,
// and the thumb is drawn over the marks.
class MarkedScrollBar : public QScrollBar
{
    Q_OBJECT

public:
    MarkedScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);

    // `marks`: ascending numbers from 1 to `count`, the rows (or columns) that hold a marked
    // cell; `count` is how many the groove stands for.
    void setMarks(std::vector<int> marks, int count);
    [[nodiscard]] const std::vector<int> &marks() const
    {
        return m_marks;
    }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintMarks(QPainter &painter, const QRect &groove) const;

    std::vector<int> m_marks;
    int m_count = 0;
};
