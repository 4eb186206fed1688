#include "DropPanelWidget.h"

#include "AppState.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace
{
// The strip above the sheet, in twips from the panel's top.
constexpr int kStripHeight = 410;

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
    // A long path keeps its beginning and its file name; its whole text is in the tool tip.
    for (const PanelText &text : std::as_const(m_requested)) {
        const int x = m_twips.toPixels(text.x);
        const int room = width() - x - frameWidth() - (text.y < kStripHeight ? m_stripReserve : 0);
        painter.drawText(x, m_twips.toPixels(text.y) + ascent,
                         fontMetrics().elidedText(text.text, Qt::ElideMiddle, std::max(room, 0)));
    }
}

void DropPanelWidget::setStripReserve(int pixels)
{
    if (pixels == m_stripReserve)
        return;
    m_stripReserve = pixels;
    update();
}

void DropPanelWidget::mouseReleaseEvent(QMouseEvent *event)
{
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clickHook)
        clickHook();
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
