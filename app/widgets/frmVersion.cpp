#include "frmVersion.h"

#include "ColorConversion.h"
#include "MHomePage.h"
#include "SheetFont.h"
#include "Twips.h"
#include "Version.h"
#include "VersionText.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString kOkCaption = u"OK"_s;

// Twips, like the rest of the program's layout.
constexpr int kMargin = 240;
constexpr int kButtonGap = 120;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;

// Where line `line` of a multi-line text starts, measured the way a label lays the text out.
int lineTop(const QFontMetrics &metrics, const QStringList &lines, int line)
{
    constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop;
    const QRect area(0, 0, 1 << 20, 1 << 20);
    const int upToLine = metrics.boundingRect(area, kFlags, lines.mid(0, line + 1).join(u'\n')).height();
    const int lineHeight = metrics.boundingRect(area, kFlags, lines.value(line)).height();
    return upToLine - lineHeight;
}
} // namespace

frmVersion::frmVersion(UserInterface &ui, bool gridControlFound, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_ui(ui)
{
    setWindowTitle(versionCaption(gridControlFound));
    const Twips twips(logicalDpiY());
    const int margin = twips.toPixels(kMargin);

    const QString title = versionTitleText(gridControlFound, kVersionMajor, kVersionMinor);
    lblTitle = new QLabel(this);
    lblTitle->setObjectName(u"lblTitle"_s);
    lblTitle->setTextFormat(Qt::PlainText);
    lblTitle->setFont(sheetFont());
    lblTitle->setText(title);
    lblTitle->setMouseTracking(true);
    lblTitle->installEventFilter(this);
    lblTitle->move(margin, margin);
    lblTitle->adjustSize();

    // The link stands right after the label text of its line ("ＨＰ　：", "入手先　："): one line
    // lower in the missing-component text than in the normal one.
    QFont linkFont = sheetFont();
    linkFont.setUnderline(true);
    lblHttp = new QLabel(this);
    lblHttp->setObjectName(u"lblHttp"_s);
    lblHttp->setTextFormat(Qt::PlainText);
    lblHttp->setFont(linkFont);
    lblHttp->setText(kHomePageAddress);
    lblHttp->setCursor(Qt::PointingHandCursor);
    lblHttp->setMouseTracking(true);
    lblHttp->installEventFilter(this);
    const QFontMetrics metrics(lblTitle->font());
    const QStringList lines = title.split(u'\n');
    const int linkLine = versionLinkLine(gridControlFound);
    lblHttp->move(margin + metrics.horizontalAdvance(lines.value(linkLine)),
                  margin + lineTop(metrics, lines, linkLine));
    lblHttp->adjustSize();
    setLinkColor(kLinkColor);

    cmdEnd = new QPushButton(kOkCaption, this);
    cmdEnd->setObjectName(u"cmdEnd"_s);
    cmdEnd->setDefault(true);
    cmdEnd->setAutoDefault(true);
    connect(cmdEnd, &QPushButton::clicked, this, &frmVersion::cmdEnd_Click);

    const int contentWidth = std::max(lblTitle->geometry().right(), lblHttp->geometry().right()) + 1 - margin;
    const QSize buttonSize(std::max(twips.toPixels(kButtonWidth), cmdEnd->sizeHint().width()),
                           std::max(twips.toPixels(kButtonHeight), cmdEnd->sizeHint().height()));
    const int width = std::max(contentWidth, buttonSize.width()) + 2 * margin;
    const int buttonTop
        = std::max(lblTitle->geometry().bottom(), lblHttp->geometry().bottom()) + 1 + twips.toPixels(kButtonGap);
    cmdEnd->setGeometry((width - buttonSize.width()) / 2, buttonTop, buttonSize.width(), buttonSize.height());
    setFixedSize(width, buttonTop + buttonSize.height() + margin);
    cmdEnd->setFocus();
}

// Esc closes the box as its OK button does.
void frmVersion::reject()
{
    cmdEnd_Click();
}

void frmVersion::closeEvent(QCloseEvent *event)
{
    if (isVisible())
        cmdEnd_Click();
    event->accept();
}

bool frmVersion::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == lblHttp) {
        if (type == QEvent::Enter || type == QEvent::MouseMove) {
            setLinkColor(kLinkHoverColor);
        } else if (type == QEvent::Leave) {
            setLinkColor(kLinkColor);
        } else if (type == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && lblHttp->rect().contains(mouse->position().toPoint()))
                lblHttp_Click();
        }
    } else if (watched == lblTitle) {
        if (type == QEvent::Enter || type == QEvent::MouseMove)
            setLinkColor(kLinkColor);
    }
    return QDialog::eventFilter(watched, event);
}

void frmVersion::cmdEnd_Click()
{
    accept();
}

void frmVersion::lblHttp_Click()
{
    setLinkColor(kLinkColor);
    MHomePage::OpenHomePage(m_ui, kHomePageAddress);
}

void frmVersion::setLinkColor(OleColor color)
{
    QPalette palette = lblHttp->palette();
    palette.setColor(QPalette::WindowText, toQColor(color, palette));
    lblHttp->setPalette(palette);
}
