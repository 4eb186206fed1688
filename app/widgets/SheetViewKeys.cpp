#include "SheetView.h"

#include "GridError.h"
#include "KeyCodes.h"
#include "Sheet.h"
#include "SheetModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>

// The keyboard and the input method: moves of the current cell, the sheet's key events, the text
// an input method composes and the grid's key codes and shift states.

namespace
{
// The key code a grid reports for a key stroke that an input method takes for its text.
constexpr char32_t kDeleteCharacter = 0x7F;
} // namespace

int SheetView::pageRows() const
{
    return std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()) - 1);
}

void SheetView::moveByKey(int key, bool extend, bool toEdge)
{
    // The keys move among the shown rows and columns: by model rows and columns.
    const int lastRow = m_model->rowCount() - 1;
    const int lastCol = m_model->columnCount() - 1;
    int row = m_model->modelRow(extend ? m_sheet.rowSel() : m_sheet.row());
    int col = m_model->modelCol(extend ? m_sheet.colSel() : m_sheet.col());
    switch (key) {
    case Qt::Key_Up:
        row = toEdge ? 0 : row - 1;
        break;
    case Qt::Key_Down:
        row = toEdge ? lastRow : row + 1;
        break;
    case Qt::Key_Left:
        col = toEdge ? 0 : col - 1;
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
        col = 0;
        if (toEdge)
            row = 0;
        break;
    case Qt::Key_End:
        col = lastCol;
        if (toEdge)
            row = lastRow;
        break;
    default:
        return;
    }
    // Without a data row or column, the header's (model -1, sheet 0) as before.
    row = std::clamp(row, std::min(0, lastRow), std::max(0, lastRow));
    col = std::clamp(col, std::min(0, lastCol), std::max(0, lastCol));
    const int sheetRow = m_model->sheetRow(row);
    const int sheetCol = m_model->sheetCol(col);
    ignoreGridErrors([&] {
        if (extend) {
            m_sheet.setRowSel(sheetRow);
            m_sheet.setColSel(sheetCol);
        } else {
            m_sheet.setCurrentCell(sheetRow, sheetCol);
        }
    });
    if (row >= 0 && col >= 0)
        scrollTo(m_model->index(row, col));
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
