#include "frmHikaku.h"

#include "SheetFont.h"

#include "MPRO_BAR.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace
{
const QString kLabelText = u"比較中"_s;
const QString kCancelText = u"中止"_s;
// The dialog has no caption. An empty title would not do: Qt then hands the window system the
// program's name, so the title bar would read "Rowlark".
const QString kNoCaption = u" "_s;

// Layout in twips.
constexpr TwipsRect kClientArea{0, 0, 6015, 1455};
constexpr TwipsRect kLabelRect{120, 120, 5775, 375};
constexpr TwipsRect kPictureRect{120, 480, 5775, 375};
constexpr TwipsRect kCancelRect{2280, 960, 1455, 375};
constexpr int kLabelPointSize = 12;

} // namespace

frmHikaku::frmHikaku(bool &compareCancelled, QWidget *mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_compareCancelled(compareCancelled)
{
    setObjectName(u"frmHikaku"_s);
    // A title bar without close, minimise or maximise button: "中止" is the way to stop.
    setWindowTitle(kNoCaption);
    setModal(false);

    const Twips twips = Twips::forScreen(mainWindow ? mainWindow->screen() : nullptr);
    setFixedSize(twips.toPixels(kClientArea).size());

    Label1 = new QLabel(kLabelText, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setFont(sheetFont(kLabelPointSize));
    Label1->setGeometry(twips.toPixels(kLabelRect));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(u"Picture1"_s);
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(1);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setGeometry(twips.toPixels(kPictureRect));
    m_progressImage = QImage(Picture1->contentsRect().size(), QImage::Format_RGB32);
    m_progressImage.fill(MPRO_BAR::kProgressBackColour);
    Picture1->setPixmap(QPixmap::fromImage(m_progressImage));

    cmdCancel = new QPushButton(kCancelText, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdCancel->setGeometry(twips.toPixels(kCancelRect));
    cmdCancel->setDefault(true);
    connect(cmdCancel, &QPushButton::clicked, this, &frmHikaku::cmdCancel_Click);
}

void frmHikaku::showProgressPercent(int percent)
{
    ShowProgressPercent(m_progressImage, percent, Picture1->font());
    Picture1->setPixmap(QPixmap::fromImage(m_progressImage));
}

void frmHikaku::placeOverOwner()
{
    const QWidget *owner = parentWidget();
    if (!owner)
        return;
    const QRect ownerFrame = owner->frameGeometry();
    QSize ownFrame = frameGeometry().size();
    // A dialog the window system has not framed yet reports no frame at all; it gets the same
    // decorations as its owner, so count those instead of none.
    if (ownFrame == size())
        ownFrame += ownerFrame.size() - owner->size();
    move(ownerFrame.left() + (ownerFrame.width() - ownFrame.width()) / 2,
         ownerFrame.top() + (ownerFrame.height() - ownFrame.height()) / 2);
}

void frmHikaku::cmdCancel_Click()
{
    m_compareCancelled = true;
}

void frmHikaku::reject()
{
    cmdCancel_Click();
}

void frmHikaku::showEvent(QShowEvent *event)
{
    placeOverOwner();
    QDialog::showEvent(event);
}

void frmHikaku::closeEvent(QCloseEvent *event)
{
    if (event->spontaneous()) {
        cmdCancel_Click();
        event->ignore();
        return;
    }
    // Closing from code is the run's own ending: it must not be turned into a cancel.
    event->accept();
}
