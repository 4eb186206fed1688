#include "EditBoxWidget.h"

#include "EditBox.h"
#include "Sheet.h"
#include "SheetFont.h"
#include "SheetView.h"
#include "Twips.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>

EditBoxWidget::EditBoxWidget(EditBox &box, const Twips &twips, QWidget *parent)
    : QLineEdit(parent)
    , m_box(box)
    , m_twips(twips)
{
    setFont(sheetFont());
    setMaxLength(kMaxEditLength);
    connect(&box, &EditBox::changed, this, &EditBoxWidget::mirror);
    connect(&box, &EditBox::focusRequested, this, [this] { setFocus(Qt::OtherFocusReason); });
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (!m_mirroring)
            m_box.editedByView(text, cursorPosition());
    });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this](int, int position) {
        if (!m_mirroring)
            m_box.caretMovedByView(position);
    });
    mirror();
}

void EditBoxWidget::mirror()
{
    m_mirroring = true;
    if (text() != m_box.text())
        setText(m_box.text());
    setCursorPosition(m_box.selStart());
    setGeometry(m_twips.toPixels(m_box.geometry()));
    setVisible(m_box.isVisible());
    if (m_box.isVisible())
        raise(); // over the sheet it edits
    else
        m_composing = false;
    m_mirroring = false;
}

void EditBoxWidget::keyPressEvent(QKeyEvent *event)
{
    int keyCode = SheetView::gridKeyCode(event->key());
    m_box.raiseKeyDown(keyCode, SheetView::gridShiftState(event->modifiers()));
    // A swallowed key, or one whose handler closed the box or took the focus elsewhere, goes no
    // further: it must not land in a box that is no longer being edited.
    if (keyCode == 0 || !m_box.isVisible() || !hasFocus()) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const int original = keyAsciiFromCharacter(typed.toUcs4().value(0));
        int keyAscii = original;
        m_box.raiseKeyPress(keyAscii);
        if (keyAscii == 0) {
            event->accept();
            return;
        }
        if (keyAscii != original) {
            // The handler typed another character in place of this one.
            insert(characterFromKeyAscii(keyAscii));
            m_box.editedByView(text(), cursorPosition());
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void EditBoxWidget::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    m_box.gotFocusByView();
}

void EditBoxWidget::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // The box's own menu works on the edit in progress; the focus comes back when it closes.
    if (event->reason() == Qt::PopupFocusReason && m_contextMenu && QApplication::activePopupWidget() == m_contextMenu)
        return;
    m_box.lostFocusByView();
}

void EditBoxWidget::inputMethodEvent(QInputMethodEvent *event)
{
    const bool wasComposing = m_composing;
    QLineEdit::inputMethodEvent(event);
    m_composing = !event->preeditString().isEmpty();
    if (wasComposing && !m_composing && event->commitString().isEmpty())
        m_box.compositionCancelledByView();
}

void EditBoxWidget::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_contextMenu = menu;
    menu->popup(event->globalPos());
}
