#pragma once

#include <QLabel>

// A one-line label that, given less room than its text needs, shows the text's beginning and
// "…" instead of cutting it off at the edge. It asks for its whole text's width, and takes any
// width it is given.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    // What the label shows at its current width.
    [[nodiscard]] QString shownText() const;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
