#pragma once

#include <QPoint>
#include <QTableView>

#include <vector>

class QHeaderView;
class QTimer;
class Sheet;
class SheetModel;

// The grid on screen: a QTableView over a SheetModel. The sheet holds the current cell, the
// selection and the scroll position; this view shows them and turns mouse, keyboard and scroll
// bar actions into changes of the sheet and into its events (mouse up, click, key down, ...).
// It reports its layout (column widths, row height, size) and its focus back into the sheet, so
// that the logic can place things over a cell and scroll a cell into view without a widget.
// While hidden it reports neither layout nor scrolling: its scroll bars then follow a layout
// nobody sees, and the sheet's position is applied when it is shown again.
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

    // Grid key codes (letters and digits are their ASCII codes); every key has one, 255 for a
    // key without a code of its own.
    [[nodiscard]] static int gridKeyCode(int qtKey);

    // The rows and columns (ascending sheet numbers) that hold a marked cell, shown in the
    // scroll-bar grooves.
    void setDifferenceMarks(std::vector<int> rows, std::vector<int> cols);
    [[nodiscard]] static int gridShiftState(Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void applyScrollPosition();
    // Every shown column back at the width the sheet holds for it.
    void restoreColumnWidths();
    void showCurrentCell();
    void reportScrollPosition();
    void reportLayout();
    void onModelShapeChanged();
    void applyFontMetrics();
    void keepLeadingSectionsWhole();
    void updateHeaderWidth();
    void syncAppearance();
    void moveByKey(int key, bool extend, bool toEdge);
    [[nodiscard]] int pageRows() const;
    void handleHeaderMouse(QEvent *event, Qt::Orientation orientation, int section);
    // The mouse-up (and, for the left button, the click) of a release over mouse cell
    // (mouseRow, mouseCol).
    void raiseRelease(const QMouseEvent *mouse, int mouseRow, int mouseCol);
    void extendHeaderSelectionTo(const QPoint &headerPos);
    [[nodiscard]] bool isOnSectionEdge(const QHeaderView *header, const QPoint &pos) const;
    void extendSelectionTo(const QPoint &viewportPos);
    void raiseKeyPressFor(char32_t character);
    void startComposition(const QInputMethodEvent &event);

    Sheet &m_sheet;
    SheetModel *m_model;
    QTimer *m_dragScrollTimer;
    QPoint m_lastDragPos; // viewport position of the last mouse move of a selection drag
    bool m_dragging = false;
    bool m_applyingScroll = false;
    bool m_releaseEndsDoubleClick = false;
    bool m_refocusWhenEnabled = false;
    bool m_applyingColWidth = false; // a width the sheet asked for is not reported back to it
    bool m_headerResizing = false; // the header is resizing or fitting a column
    const QHeaderView *m_headerDrag = nullptr; // the header whose sections a drag selects
    int m_pressedButtons = 0;
};
