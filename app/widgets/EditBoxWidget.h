#pragma once

#include <QLineEdit>
#include <QPointer>

class EditBox;
class QMenu;
class Twips;

// An in-cell edit box on screen: a line edit that mirrors its EditBox (text, caret, place,
// visibility, focus requests) and reports back what the person types, where the caret goes,
// the keys and the focus. Keys reach the box's key-down and key-press events first, as on a
// text box whose handlers may swallow a key or move the focus away.
class EditBoxWidget : public QLineEdit
{
    Q_OBJECT

public:
    EditBoxWidget(EditBox &box, const Twips &twips, QWidget *parent = nullptr);

    [[nodiscard]] EditBox &box() const
    {
        return m_box;
    }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void mirror();

    EditBox &m_box;
    const Twips &m_twips;
    bool m_mirroring = false;
    bool m_composing = false; // an input method's preedit text is shown
    QPointer<QMenu> m_contextMenu;
};
