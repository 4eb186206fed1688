#pragma once

#include <QTableView>

class Sheet;
class SheetModel;

// The grid on screen: a QTableView over a SheetModel. The sheet holds the current cell, the
// selection and the scroll position; this view shows them and turns mouse, keyboard and scroll
// bar actions into changes of the sheet and into its events (mouse up, click, key down, ...).
class SheetView : public QTableView
{
    Q_OBJECT

public:
    explicit SheetView(Sheet &sheet, QWidget *parent = nullptr);

    [[nodiscard]] Sheet &sheet() const
    {
        return m_sheet;
    }
    [[nodiscard]] SheetModel *sheetModel() const
    {
        return m_model;
    }

    // Grid key codes of the keys the sheets react to (letters and digits are their ASCII codes).
    [[nodiscard]] static int gridKeyCode(int qtKey);
    [[nodiscard]] static int gridShiftState(Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void applyScrollPosition();
    void showCurrentCell();
    void reportScrollPosition();
    void updateHeaderWidth();
    void syncAppearance();
    void moveByKey(int key, bool extend, bool toEdge);
    [[nodiscard]] int pageRows() const;
    void handleHeaderMouse(QEvent *event, Qt::Orientation orientation, int section);
    void extendSelectionTo(const QPoint &viewportPos);

    Sheet &m_sheet;
    SheetModel *m_model;
    bool m_dragging = false;
    bool m_applyingScroll = false;
    int m_pressedButtons = 0;
};
