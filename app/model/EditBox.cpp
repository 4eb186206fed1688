#include "EditBox.h"

#include <algorithm>

EditBox::EditBox(int index, QObject *parent)
    : QObject(parent)
    , m_index(index)
{
}

void EditBox::setText(const QString &text)
{
    m_modified = false;
    if (text == m_text && m_selStart == int(text.size()))
        return;
    m_text = text;
    m_selStart = int(text.size());
    emit changed();
}

void EditBox::setSelStart(int position)
{
    position = std::clamp(position, 0, int(m_text.size()));
    if (position == m_selStart)
        return;
    m_selStart = position;
    emit changed();
}

void EditBox::setGeometry(const TwipsRect &rect)
{
    if (rect == m_geometry)
        return;
    m_geometry = rect;
    emit changed();
}

void EditBox::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit changed();
}

void EditBox::setFocus()
{
    emit focusRequested();
}

void EditBox::editedByView(const QString &text, int selStart)
{
    // What the person typed is already on screen: no change notification goes back.
    m_text = text;
    m_selStart = std::clamp(selStart, 0, int(text.size()));
    m_modified = true;
}

void EditBox::caretMovedByView(int selStart)
{
    m_selStart = std::clamp(selStart, 0, int(m_text.size()));
}

void EditBox::raiseKeyDown(int &keyCode, int shift)
{
    emit keyDown(&keyCode, shift);
}

void EditBox::raiseKeyPress(int &keyAscii)
{
    emit keyPress(&keyAscii);
}

void EditBox::gotFocusByView()
{
    m_hasFocus = true;
}

void EditBox::lostFocusByView()
{
    m_hasFocus = false;
    emit lostFocus();
}

void EditBox::compositionCancelledByView()
{
    emit compositionCancelled();
}
