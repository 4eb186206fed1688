#include "DropPanelWidget.h"

#include "AppState.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace
{
QStringList localFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}
} // namespace

DropPanelWidget::DropPanelWidget(const Twips &twips, QWidget *parent)
    : QFrame(parent)
    , m_twips(twips)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAcceptDrops(true);
    setAutoFillBackground(true);
}

void DropPanelWidget::refresh(const QList<PanelText> &texts)
{
    // Compared with what was last asked for, not with what a paint drew: a paint of a small part
    // of the panel (under a closing message box) would otherwise count as the whole panel shown
    // and leave the old file name in the strip.
    if (texts == m_requested)
        return;
    m_requested = texts;
    update();
}

void DropPanelWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    painter.setPen(palette().color(QPalette::WindowText));
    const int ascent = fontMetrics().ascent();
    // The pen position is the top-left corner of the text, as on a picture area.
    for (const PanelText &text : std::as_const(m_requested))
        painter.drawText(m_twips.toPixels(text.x), m_twips.toPixels(text.y) + ascent, text.text);
}

void DropPanelWidget::answerDrag(QDropEvent *event)
{
    const DropEffect offered = event->possibleActions().testFlag(Qt::CopyAction) ? DropEffect::Copy : DropEffect::None;
    const DropEffect effect
        = dragOverHook ? dragOverHook(!localFiles(event->mimeData()).isEmpty(), offered) : DropEffect::None;
    if (effect == DropEffect::Copy) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DropPanelWidget::dragEnterEvent(QDragEnterEvent *event)
{
    answerDrag(event);
}

void DropPanelWidget::dragMoveEvent(QDragMoveEvent *event)
{
    answerDrag(event);
}

void DropPanelWidget::dropEvent(QDropEvent *event)
{
    const QStringList files = localFiles(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (dropHook)
        dropHook(files);
}
