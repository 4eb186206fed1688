#include "Form3.h"

#include "AppState.h"
#include "DelimiterMenu.h"
#include "UserInterface.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QValidator>

using namespace Qt::StringLiterals;

namespace
{
const QString kCaption = u"区切り文字設定"_s;
const QString kLabel1Caption = u"読み込むファイルの区切り文字を指定します"_s;
const QString kCommaOptionCaption = u"カンマ(,)を区切り文字とする（高速）"_s;
const QString kDelimiterOptionCaption = u"区切り文字を指定"_s;
const QString kSaveCaption = u"保存"_s;
const QString kCancelCaption = u"取消"_s;
const QString kInitialDelimiter = u"|"_s;
const QString kTabMark = u"TAB"_s;

// Places in twips from the dialog's top-left corner. The sizes are the least each control gets;
// a control whose text needs more (a larger system font) grows to the right and downwards.
constexpr TwipsRect kLabel1Rect{120, 120, 5400, 255};
constexpr TwipsRect kCommaOptionRect{120, 480, 4800, 300};
constexpr TwipsRect kDelimiterOptionRect{120, 840, 1700, 300};
constexpr TwipsRect kTxtKukanRect{1920, 840, 375, 300};
constexpr TwipsRect kSaveRect{3480, 960, 1215, 375};
constexpr TwipsRect kCancelRect{4800, 960, 1215, 375};
constexpr int kMargin = 120;
constexpr int kBelowMainWindowTop = 650; // twips between the main window's top and the dialog's
} // namespace

// The text box's length limit in characters. A line edit's own limit counts UTF-16 units: one
// unit would keep half of a character outside the BMP, two would let two characters in.
class DelimiterBoxLimit final : public QValidator
{
public:
    using QValidator::QValidator;

    qsizetype maxChars = 1;

    State validate(QString &input, int &pos) const override
    {
        limitDelimiterText(input, pos, maxChars);
        return Acceptable;
    }
};

Form3::Form3(AppState &state, UserInterface &ui, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_state(state)
    , m_ui(ui)
    , m_twips(Twips::forScreen((parent ? parent : this)->screen()))
{
    // The close box closes the dialog like "取消"; it has no minimise or maximise button.
    setWindowTitle(kCaption);
    setModal(true);

    Label1 = new QLabel(kLabel1Caption, this);
    optKukan[0] = new QRadioButton(kCommaOptionCaption, this);
    optKukan[1] = new QRadioButton(kDelimiterOptionCaption, this);
    txtKukan = new QLineEdit(kInitialDelimiter, this);
    m_delimiterLimit = new DelimiterBoxLimit(txtKukan);
    txtKukan->setValidator(m_delimiterLimit);
    lblTab = new QLabel(kTabMark, this);
    lblTab->setObjectName(u"lblTab"_s);
    lblTab->hide();
    cmdSave = new QPushButton(kSaveCaption, this);
    cmdEnd = new QPushButton(kCancelCaption, this);
    // "保存" answers Enter, except while "取消" has the focus: Enter then presses "取消", as a
    // focused button takes Enter on this desktop, so it can never save and clear the sheets.
    cmdSave->setDefault(true);
    cmdSave->setAutoDefault(true);
    cmdEnd->setAutoDefault(true);

    // The two options form one exclusive group through their common parent.
    optKukan[0]->setChecked(true);
    txtKukan->setEnabled(false);

    place(Label1, kLabel1Rect);
    place(optKukan[0], kCommaOptionRect);
    place(optKukan[1], kDelimiterOptionRect);
    place(txtKukan, kTxtKukanRect);
    place(cmdSave, kSaveRect);
    place(cmdEnd, kCancelRect);
    // Keep the text box to the right of its option even when the option's text needed more room.
    if (optKukan[1]->geometry().right() >= txtKukan->x())
        txtKukan->move(optKukan[1]->geometry().right() + m_twips.toPixels(100), txtKukan->y());

    lblTab->adjustSize();
    lblTab->move(txtKukan->geometry().right() + m_twips.toPixels(60),
                 txtKukan->y() + (txtKukan->height() - lblTab->height()) / 2);
    connect(txtKukan, &QLineEdit::textChanged, this,
            [this](const QString &text) { lblTab->setVisible(text == u"\t"_s); });

    int width = 0;
    int height = 0;
    for (const QWidget *child :
         {static_cast<QWidget *>(Label1), static_cast<QWidget *>(optKukan[0]), static_cast<QWidget *>(optKukan[1]),
          static_cast<QWidget *>(txtKukan), static_cast<QWidget *>(cmdSave), static_cast<QWidget *>(cmdEnd)}) {
        width = std::max(width, child->geometry().right() + 1);
        height = std::max(height, child->geometry().bottom() + 1);
    }
    setFixedSize(width + m_twips.toPixels(kMargin), height + m_twips.toPixels(kMargin));

    for (int i = 0; i < 2; ++i)
        connect(optKukan[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                optKukan_Click(i);
        });
    txtKukan->installEventFilter(this);
    connect(cmdSave, &QPushButton::clicked, this, &Form3::cmdSave_Click);
    connect(cmdEnd, &QPushButton::clicked, this, &Form3::cmdEnd_Click);

    Form_Load();
}

void Form3::place(QWidget *widget, const TwipsRect &rect) const
{
    // A line edit's preferred width is that of a dozen characters; this one holds one.
    const QSize hint = qobject_cast<QLineEdit *>(widget) ? widget->minimumSizeHint() : widget->sizeHint();
    QRect pixels = m_twips.toPixels(rect);
    pixels.setWidth(std::max(pixels.width(), hint.width()));
    pixels.setHeight(std::max(pixels.height(), hint.height()));
    widget->setGeometry(pixels);
}

void Form3::Form_Load()
{
    FirstActivation = true;
    // Against the main window: its left edge, 650 twips below its top.
    if (const QWidget *mainWindow = parentWidget() ? parentWidget()->window() : nullptr) {
        const QRect frame = mainWindow->frameGeometry();
        move(frame.left(), frame.top() + m_twips.toPixels(kBelowMainWindowTop));
    } else {
        move(m_twips.toPixels(m_state.windowLeft), m_twips.toPixels(m_state.windowTop + kBelowMainWindowTop));
    }
}

void Form3::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void Form3::Form_Activate()
{
    if (!FirstActivation)
        return;
    FirstActivation = false;
    // A mode other than 0 or 1 (a hand-edited settings file) leaves the comma option selected.
    if (m_state.DelimiterMode == 0 || m_state.DelimiterMode == 1)
        optKukan[m_state.DelimiterMode]->setChecked(true);
    // The box takes one character, but a longer delimiter from a hand-edited settings file is
    // shown whole: cut to its first character, saving without a change would change it and
    // clear both sheets.
    m_delimiterLimit->maxChars = std::max<qsizetype>(1, delimiterLength(m_state.UserDelimiter));
    txtKukan->setText(m_state.UserDelimiter);
    if (optKukan[1]->isChecked())
        optKukan_Click(1);
}

void Form3::optKukan_Click(int index)
{
    if (index == 0) {
        txtKukan->setEnabled(false);
        return;
    }
    txtKukan->setEnabled(true);
    txtKukan->setFocus(Qt::OtherFocusReason);
    // The focus event reaches the box only in an active window; select here as well.
    txtKukan_GotFocus();
}

void Form3::txtKukan_GotFocus()
{
    txtKukan->setSelection(0, int(txtKukan->text().size()));
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtKukan && event->type() == QEvent::FocusIn)
        txtKukan_GotFocus();
    // Tab types a TAB into the box, the most common delimiter after the comma; Shift+Tab and the
    // mouse still move the focus.
    if (watched == txtKukan && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab
            && !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
            txtKukan->insert(u"\t"_s);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Form3::cmdSave_Click()
{
    const DelimiterOption option = optKukan[0]->isChecked() ? DelimiterOption::Comma : DelimiterOption::Delimiter;
    if (SaveDelimiterChoice(m_state, m_ui, option, txtKukan->text()))
        accept();
}

void Form3::cmdEnd_Click()
{
    reject();
}
