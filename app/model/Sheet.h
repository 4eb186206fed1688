#pragma once

#include "Colors.h"
#include "KeyCodes.h"
#include "SheetData.h"
#include "SheetFileFormat.h"
#include "ShownLines.h"
#include "Twips.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

// The mouse cell where the pointer is over no cell (beside or below the last one).
inline constexpr int kNoCell = -1;

// Mouse buttons as the sheet's events report them (shift states and key codes: KeyCodes.h).
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

// The character codes of the keyPress() event, as a grid reports typed characters: ASCII as it
// is (control characters such as Enter 13 and Backspace 8 included), half-width katakana as their
// single-byte codes 161 to 223, and every other character, a double-byte one, as a negative
// number (minus its Unicode code point). 9999 is never a character's code.
[[nodiscard]] int keyAsciiFromCharacter(char32_t character);
// The character a keyPress() code stands for; empty for 0.
[[nodiscard]] QString characterFromKeyAscii(int keyAscii);

// How rows or columns inserted or removed in the middle of a sheet take the cells behind them.
enum class CellMove {
    // Texts and colours move together, as the grid's own row adding and removing does; inserted
    // cells get the default colours. The row commands insert and delete rows this way.
    TextsAndColours,
    // Only the texts move. Colours (and column widths) stay at their positions, and the count
    // changes at the bottom or right end: first the count grows, then the texts shift; or the
    // texts shift, then the count shrinks. The column commands insert and delete columns this
    // way, moving the texts cell by cell through a wider or narrower sheet.
    TextsOnly,
};

// A change of a sheet's rows or columns as the view must learn it: `count` rows or columns
// inserted at, or removed from, sheet row or column `first`, or the whole contents replaced.
struct ShapeChange
{
    enum class Kind { InsertRows, RemoveRows, InsertCols, RemoveCols, Replace };
    Kind kind = Kind::Replace;
    int first = 0;
    int count = 0;
};

// How the view lays the grid out, in twips, as it reports it to the sheet.
struct SheetLayout
{
    QList<int> colWidths; // one per column, the header column first
    int rowHeight = 0; // every row's, the header row's included
    // The inside of the grid, header row and column included, without frame and scroll bars.
    int width = 0;
    int height = 0;
};

// Column width and row height until a view reports its own, in twips.
inline constexpr int kDefaultColWidth = 960;
inline constexpr int kDefaultRowHeight = 240;

// One sheet: the grid's data and state, and the grid's events.
//
// Everything a command reads or writes on a grid lives here; the view only shows it and reports
// what the person does. Events are raised synchronously, whether the change came from the person
// or from code: moving the current cell raises leaveCell() before the move and rowColChange()
// after it. Invalid positions and counts raise GridError; a row or column number beyond 16 bits
// raises the overflow error.
//
// Notifications for the view. A change of the rows or columns is announced at once, redraw on or
// off, as shapeAboutToChange() before the cells change and shapeChanged() after, each describing
// the rows or columns that really moved; so a model over the sheet always reports the counts the
// sheet has, and its data() can back every index it hands out. Those are few (one per command)
// and cheap. Everything else (cell texts and colours, the selection, the scroll position) is
// collected while redraw is off and sent as one refreshed() when redraw is switched back on.
//
// After any change of the counts the positions stay inside the sheet: the selection corner and
// the scroll position are moved onto the last row or column where they no longer fit, and so is
// the current cell, which raises its leaveCell() and rowColChange(). Inserting and removing rows
// or columns keeps every position's number (the current cell stays on row 5 when rows above it
// are inserted), as the grid does.
class Sheet : public QObject
{
    Q_OBJECT

public:
    explicit Sheet(int index = 0, QObject *parent = nullptr);

    [[nodiscard]] int index() const
    {
        return m_index;
    }

    // Cells
    [[nodiscard]] int rows() const
    {
        return m_data.rows();
    }
    [[nodiscard]] int cols() const
    {
        return m_data.cols();
    }
    void setRows(int rows);
    void setCols(int cols);
    [[nodiscard]] int fixedRows() const
    {
        return 1;
    }
    [[nodiscard]] int fixedCols() const
    {
        return 1;
    }
    [[nodiscard]] QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    // The same text without a copy; valid until the sheet changes.
    [[nodiscard]] QStringView textView(int row, int col) const;
    [[nodiscard]] QString text() const; // the current cell's text
    void setText(const QString &text);
    void clear();

    // Rows and columns in the middle. Rows are inserted at 1 .. rows() (rows() appends) and
    // removed from 1 .. rows() - 1; likewise columns. The header row and column never move.
    // Removing every data row or column is allowed and leaves the header alone. A count below 0
    // is an invalid value, 0 changes nothing.
    void insertRows(int at, int count, CellMove move);
    // Empty rows at several places at once, texts and colours moving: each (at, count) counts
    // rows as they are before any of them, `at` ascending. The view is told of one new shape.
    void insertRowGroups(const std::vector<std::pair<int, int>> &groups);
    void removeRows(int at, int count, CellMove move);
    // Puts row order[r] at row r (SheetData::reorderRows); the header row must stay at 0. The
    // counts, the current cell and the selection stay. Anything but such an order of the rows
    // is an invalid value.
    void reorderRows(const std::vector<int> &order);
    void insertCols(int at, int count, CellMove move);
    void removeCols(int at, int count, CellMove move);
    // Rows inserted only to line the sheets up (SheetData::isFillerRow). A text written into a
    // data cell of such a row makes it an ordinary row: the person has put something there.
    [[nodiscard]] bool isFillerRow(int row) const;
    void setFillerRow(int row, bool filler);
    // Columns inserted only to line the sheets' columns up (SheetData::isFillerCol), made ordinary
    // the same way.
    [[nodiscard]] bool isFillerCol(int col) const;
    void setFillerCol(int col, bool filler);

    // The rows and columns the grid shows. Every command still speaks of sheet rows and columns;
    // only the view's places (scroll position, cell edges, what is visible, the moves of the keys)
    // count the shown ones. Setting them (nothing for every row or column) moves the scroll
    // position, and the current cell when it is hidden, onto shown ones. The view learns of it
    // through shownLinesAboutToChange() and shownLinesChanged().
    [[nodiscard]] const ShownLines &shownRows() const
    {
        return m_shownRows;
    }
    [[nodiscard]] const ShownLines &shownCols() const
    {
        return m_shownCols;
    }
    void setShownLines(const std::optional<std::vector<int>> &rows, const std::optional<std::vector<int>> &cols);
    // Whether the block from the current cell to the selection corner holds a hidden row or
    // column: the block the person sees is then not the block of the sheet.
    [[nodiscard]] bool blockHidesLines() const;

    // Current cell and selection
    [[nodiscard]] int row() const
    {
        return m_row;
    }
    [[nodiscard]] int col() const
    {
        return m_col;
    }
    [[nodiscard]] int rowSel() const
    {
        return m_rowSel;
    }
    [[nodiscard]] int colSel() const
    {
        return m_colSel;
    }
    void setRow(int row); // collapses the selection onto the new current cell
    void setCol(int col); // likewise
    void setRowSel(int row);
    void setColSel(int col);
    // Moves the current cell in one step, as a click or an arrow key does: one leaveCell(), one
    // rowColChange().
    void setCurrentCell(int row, int col);

    // Scroll position: the first scrollable row and column shown. The view cannot scroll the last
    // rows or columns to the top or the left edge when they fit below or beside each other; a
    // position past the last one it can reach is taken as that one, as the grid does.
    [[nodiscard]] int topRow() const
    {
        return m_topRow;
    }
    [[nodiscard]] int leftCol() const
    {
        return m_leftCol;
    }
    void setTopRow(int row);
    void setLeftCol(int col);

    // Geometry, in twips, from the layout the view last reported. The current cell's edges are
    // measured from the grid's top-left corner, header row and column included, for the present
    // scroll position; a cell scrolled out of view lies outside 0 .. the grid's size. A row or
    // column is visible only when it is shown whole: a half-shown last row is not, so scrolling
    // a found cell into view when it is not visible shows all of it. The header row and column
    // are always visible.
    [[nodiscard]] int cellLeft() const;
    [[nodiscard]] int cellTop() const;
    [[nodiscard]] int cellWidth() const;
    [[nodiscard]] int cellHeight() const;
    [[nodiscard]] bool rowIsVisible(int row) const;
    [[nodiscard]] bool colIsVisible(int col) const;
    [[nodiscard]] int colWidth(int col) const;
    [[nodiscard]] int rowHeight() const
    {
        return m_rowHeight;
    }
    // The view reports its layout: whole after it is shown, resized, given another font or a
    // model of another shape, and one column after the person resized it. Headless code sets the
    // geometry through the same calls. Widths of columns the sheet does not have are ignored;
    // columns not reported keep their widths (kDefaultColWidth for ones never reported). Until a
    // layout arrives, the grid's inside is empty and only the header row and column are visible.
    void reportLayout(const SheetLayout &layout);
    // A width that differs from the one known raises colResized.
    void reportColWidth(int col, int width);
    // Code sets a column's width (twips); the view follows at once, redraw or not, and reports
    // nothing back. Columns the sheet does not have are ignored.
    void setColWidth(int col, int width);

    // Colours of the current cell, and of any cell for bulk colouring.
    [[nodiscard]] OleColor cellBackColor() const;
    void setCellBackColor(OleColor color);
    [[nodiscard]] OleColor cellForeColor() const;
    void setCellForeColor(OleColor color);
    [[nodiscard]] OleColor backColorAt(int row, int col) const;
    [[nodiscard]] OleColor foreColorAt(int row, int col) const;
    void setBackColorAt(int row, int col, OleColor color);
    void setForeColorAt(int row, int col, OleColor color);
    // Every cell's background back to the window colour at once.
    void resetBackColors();

    // Flags
    [[nodiscard]] bool redraw() const
    {
        return m_redraw;
    }
    void setRedraw(bool redraw);
    [[nodiscard]] bool isVisible() const
    {
        return m_visible;
    }
    void setVisible(bool visible);
    [[nodiscard]] bool isEnabled() const
    {
        return m_enabled;
    }
    void setEnabled(bool enabled);
    [[nodiscard]] QString toolTipText() const
    {
        return m_toolTipText;
    }
    void setToolTipText(const QString &text);

    // Focus: setFocus() asks the view for the keyboard focus (focusRequested()); hasFocus()
    // follows what the view reports through raiseGotFocus() and raiseLostFocus(). Without a
    // view a request changes nothing.
    [[nodiscard]] bool hasFocus() const
    {
        return m_hasFocus;
    }
    void setFocus();

    // Place on the window, in twips.
    [[nodiscard]] TwipsRect geometry() const
    {
        return m_geometry;
    }
    void setGeometry(const TwipsRect &rect);

    // Cell under the mouse at the last mouse event (row 0 / column 0 are the headers); kNoCell for
    // both when no cell was under the pointer.
    [[nodiscard]] int mouseRow() const
    {
        return m_mouseRow;
    }
    [[nodiscard]] int mouseCol() const
    {
        return m_mouseCol;
    }
    void setMouseCell(int row, int col);

    // Whole contents at once (a read, a new sheet). Colours travel with the data; the current cell
    // and selection are kept where they still fit and moved inside otherwise; the sheet is shown
    // from its top-left corner again.
    [[nodiscard]] const SheetData &data() const
    {
        return m_data;
    }
    void setData(SheetData data);
    // An undo snapshot back: the snapshot's counts and texts, header texts included, with this
    // sheet's own colours at every position both have (new positions get the default colours).
    // Counts change at the bottom and right end, as setting Rows and Cols does; the current cell,
    // selection and scroll position stay where they fit. The texts are shared, not copied.
    void restoreSnapshot(const SheetData &snapshot);

    [[nodiscard]] SheetFileFormat fileFormat() const
    {
        return m_fileFormat;
    }
    void setFileFormat(const SheetFileFormat &format)
    {
        m_fileFormat = format;
    }

    // The view reports what the person does through these; each raises its event.
    void raiseClick();
    void raiseDblClick();
    void raiseGotFocus();
    void raiseLostFocus();
    // keyCode / keyAscii may be set to 0 by a handler to swallow the key.
    void raiseKeyDown(int &keyCode, int shift);
    void raiseKeyPress(int &keyAscii);
    // An input method began composing text on the sheet (its key down came first).
    void raiseCompositionStart();
    void raiseMouseDown(int button, int shift, int x, int y);
    void raiseMouseUp(int button, int shift, int x, int y);
    // The person scrolled the view; updates the position and raises scroll().
    void scrolledByView(int topRow, int leftCol);

signals:
    // The grid's events
    void click();
    void dblClick();
    void gotFocus();
    void lostFocus();
    void keyDown(int *keyCode, int shift);
    void keyPress(int *keyAscii); // codes as keyAsciiFromCharacter() gives them
    void compositionStarted();
    void leaveCell();
    // A button went down over the sheet, before the press moves anything.
    void mouseDown(int button, int shift, int x, int y);
    void mouseUp(int button, int shift, int x, int y);
    void rowColChange();
    void scroll();
    void colResized(int col); // the view reported another width for the column

    // Notifications for the view
    void cellsChanged(int row1, int col1, int row2, int col2);
    void shapeAboutToChange(const ShapeChange &change);
    void shapeChanged(const ShapeChange &change);
    void selectionChanged();
    void scrollRequested(); // the scroll position changed by code
    void colWidthRequested(int col); // a column's width changed by code
    void focusRequested();
    void appearanceChanged(); // visible, enabled, tool tip or geometry
    void refreshed(); // redraw came back on after changes
    void shownLinesAboutToChange();
    void shownLinesChanged();

private:
    void checkRow(int row) const;
    void checkCol(int col) const;
    void checkCell(int row, int col) const;
    void moveCurrentCell(int row, int col);
    void resize(int rows, int cols);
    void resizeRows(int rows);
    void resizeCols(int cols);
    // Runs `change` on the cells between the two shape notifications.
    template<typename Change>
    void changeShape(ShapeChange::Kind kind, int first, int count, Change &&change);
    void keepPositionsInside();
    void setScrollPosition(int topRow, int leftCol);
    [[nodiscard]] int firstTopRow() const;
    [[nodiscard]] int firstLeftCol() const;
    [[nodiscard]] int lastTopRow() const;
    [[nodiscard]] int lastLeftCol() const;
    void notifyCells(int row1, int col1, int row2, int col2);
    void notifySelection();
    void notifyScroll();

    int m_index;
    SheetData m_data;
    SheetFileFormat m_fileFormat;
    int m_row = 1;
    int m_col = 1;
    int m_rowSel = 1;
    int m_colSel = 1;
    int m_topRow = 1;
    int m_leftCol = 1;
    bool m_redraw = true;
    bool m_pendingRefresh = false;
    bool m_visible = false;
    bool m_enabled = true;
    bool m_hasFocus = false;
    QString m_toolTipText;
    TwipsRect m_geometry;
    int m_mouseRow = 0;
    int m_mouseCol = 0;
    // Layout as the view reported it, in twips.
    QList<int> m_colWidths = QList<int>(m_data.cols(), kDefaultColWidth);
    int m_rowHeight = kDefaultRowHeight;
    int m_layoutWidth = 0;
    int m_layoutHeight = 0;
    ShownLines m_shownRows{m_data.rows()};
    ShownLines m_shownCols{m_data.cols()};
};
