#pragma once

#include "Twips.h"

#include <QObject>
#include <QString>

// The most characters an edit box holds: what the line edit on screen can hold. A longer text
// would reach the screen cut short, and the first key typed would store the cut text in the
// cell, so the editor refuses to start from such a text.
inline constexpr int kMaxEditLength = 32767;

// One in-cell edit box, txtEdit(i): a text box of the main window that the editor lays over the
// current cell of sheet i. Like a sheet, it is the control's state and events without a widget:
// the logic reads and sets its text and caret, places, shows, hides and focuses it here, and
// the window's line edit only mirrors it and reports what the person does. An edit of sheet i
// is in progress exactly while box i is visible.
class EditBox : public QObject
{
    Q_OBJECT

public:
    explicit EditBox(int index = 0, QObject *parent = nullptr);

    [[nodiscard]] int index() const
    {
        return m_index;
    }

    [[nodiscard]] QString text() const
    {
        return m_text;
    }
    // Replacing the text puts the caret after it, as a text box does, and clears isModified.
    // At most kMaxEditLength characters.
    void setText(const QString &text);
    // Whether the person has changed the text since code last set it.
    [[nodiscard]] bool isModified() const
    {
        return m_modified;
    }
    // Caret position: 0 is before the first character. Clamped to the text.
    [[nodiscard]] int selStart() const
    {
        return m_selStart;
    }
    void setSelStart(int position);

    // Place in the main window's client area, in twips.
    [[nodiscard]] TwipsRect geometry() const
    {
        return m_geometry;
    }
    void setGeometry(const TwipsRect &rect);
    [[nodiscard]] bool isVisible() const
    {
        return m_visible;
    }
    void setVisible(bool visible);

    [[nodiscard]] bool hasFocus() const
    {
        return m_hasFocus;
    }
    // Asks the window to give the box the keyboard focus; the box has it once the window
    // reports it (gotFocusByView).
    void setFocus();

    // The window reports what the person does through these; the key and focus ones raise the
    // box's events. keyCode / keyAscii may be set to 0 by a handler to swallow the key.
    void editedByView(const QString &text, int selStart);
    void caretMovedByView(int selStart);
    void raiseKeyDown(int &keyCode, int shift);
    void raiseKeyPress(int &keyAscii);
    void gotFocusByView();
    void lostFocusByView();
    // An input method's composition in the box ended without committing any text.
    void compositionCancelledByView();

signals:
    // The box's events
    void keyDown(int *keyCode, int shift); // grid key codes, as the sheets report them
    void keyPress(int *keyAscii);
    void lostFocus();
    void compositionCancelled();

    // Notifications for the window
    void changed(); // text, caret, place or visibility
    void focusRequested();

private:
    int m_index;
    QString m_text;
    int m_selStart = 0;
    bool m_modified = false;
    TwipsRect m_geometry;
    bool m_visible = false;
    bool m_hasFocus = false;
};
