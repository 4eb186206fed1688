#pragma once

#include "AppState.h"
#include "FileIntake.h"
#include "Twips.h"

#include <QFrame>

#include <functional>

// A drop panel on screen: draws the texts it is given (those the logic put on its DropPanel, as
// the person sees them) and takes dropped files. Whether a drag is welcome and what a drop does are the logic's
// decisions, asked for through the two hooks. A thin sunken border marks it as a place to drop on, even while empty.
class DropPanelWidget : public QFrame
{
    Q_OBJECT

public:
    explicit DropPanelWidget(const Twips &twips, QWidget *parent = nullptr);

    // Given whether the drag carries local files and whether it offers copying, answers the
    // effect to show; None refuses the drag.
    std::function<DropEffect(bool hasLocalFiles, DropEffect offered)> dragOverHook;
    // Receives the local paths of a drop, in the order the desktop gave them.
    std::function<void(const QStringList &localFiles)> dropHook;

    // Receives a click of the left button on the panel.
    std::function<void()> clickHook;

    // Repaints the whole panel when its drawing changed since the last refresh.
    void refresh(const QList<PanelText> &texts);
    // Pixels at the right end of the strip above the sheet that the save buttons cover: a text
    // drawn in the strip is shortened in the middle to end before them.
    void setStripReserve(int pixels);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void answerDrag(QDropEvent *event);

    const Twips &m_twips;
    QList<PanelText> m_requested;
    int m_stripReserve = 0;
};
