#include "Form2.h"

#include "AppState.h"
#include "MLST_RIREKI.h"
#include "SearchCommand.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace
{
const QString kCaption = u"検索　選択中のセルから検索します"_s;
// The narrow label wraps onto two lines: each caption beside its box.
const QString kLabel1Caption = u"検索文字列　　　　　置換文字列"_s;
const QString kCboGrepToolTip = u"検索する文字列"_s;
const QString kCboTikanToolTip = u"置換する文字列"_s;
const QString kChkKubunCaption = u"大・小文字を区別する"_s;
const QString kChkKubunToolTip = u"大文字と小文字を区別します。"_s;
const std::array<QString, 2> kOptIdxCaptions{u"ファイル１"_s, u"ファイル２"_s};
const std::array<QString, 2> kOptMukiCaptions{u"下右"_s, u"上左"_s};
const QString kCmdGrepCaption = u"検索"_s;
const QString kCmdTikanCaption = u"置換"_s;
const QString kCmdEndCaption = u"終了"_s;
const QString kCmdAllTikanCaption = u"すべて置換"_s;

// Places in twips within the client area (the option buttons within their frames).
constexpr int kClientWidth = 6015;
// A row below the buttons holds the note of the last press and "すべて置換" under "置換".
constexpr int kClientHeight = 1860;
constexpr TwipsRect kLabel1Rect{120, 180, 975, 735};
constexpr TwipsRect kCboGrepRect{1080, 120, 2655, 300};
constexpr TwipsRect kCboTikanRect{1080, 480, 2655, 300};
constexpr TwipsRect kChkKubunRect{3840, 120, 2175, 255};
constexpr TwipsRect kFrame1Rect{120, 840, 1335, 495};
constexpr std::array<TwipsRect, 2> kOptIdxRects{TwipsRect{0, 0, 1215, 255}, TwipsRect{0, 240, 1215, 255}};
constexpr TwipsRect kFrame2Rect{1560, 840, 735, 495};
constexpr std::array<TwipsRect, 2> kOptMukiRects{TwipsRect{0, 0, 735, 255}, TwipsRect{0, 240, 735, 255}};
constexpr TwipsRect kCmdGrepRect{2400, 960, 1095, 375};
constexpr TwipsRect kCmdTikanRect{3600, 960, 1095, 375};
constexpr TwipsRect kCmdEndRect{4800, 960, 1095, 375};
constexpr TwipsRect kLblNoteRect{120, 1440, 3375, 255};
constexpr TwipsRect kCmdAllTikanRect{3600, 1380, 1095, 375};

QStringList entries(const QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list.append(box->itemText(i));
    return list;
}

void showList(QComboBox *box, const QStringList &list)
{
    box->clear();
    box->addItems(list);
    if (!list.isEmpty())
        box->setCurrentIndex(0);
}

// The box's text moves to the top of its list, which is what the search then reads.
void addHistoryEntry(QComboBox *box)
{
    showList(box, MLST_RIREKI::AddHistoryEntry(entries(box), box->currentText()));
}

QComboBox *historyBox(const QString &toolTip, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setEditable(true);
    // The history rule alone decides what the list holds.
    box->setInsertPolicy(QComboBox::NoInsert);
    // No completion: a text typed is searched as typed, never silently lengthened to an entry.
    box->setCompleter(nullptr);
    box->setMaxCount(MLST_RIREKI::kHistorySize);
    box->setToolTip(toolTip);
    return box;
}
} // namespace

Form2::Form2(AppState &state, UserInterface &ui, HandlerRunner run, QWidget *parent)
    : QDialog(parent)
    , m_state(state)
    , m_ui(ui)
    , m_run(std::move(run))
    , m_twips(Twips::forScreen((parent ? parent : this)->screen()))
{
    setObjectName(u"Form2"_s);
    // A tool window with a small title bar, in front of its owner, never blocking it.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kCaption);

    Label1 = new QLabel(kLabel1Caption, this);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cboGrep = historyBox(kCboGrepToolTip, this);
    cboTikan = historyBox(kCboTikanToolTip, this);
    chkKubun = new QCheckBox(kChkKubunCaption, this);
    chkKubun->setToolTip(kChkKubunToolTip);
    Frame1 = new QFrame(this);
    Frame2 = new QFrame(this);
    for (QFrame *frame : {Frame1, Frame2})
        frame->setFrameShape(QFrame::NoFrame);
    cmdGrep = new QPushButton(kCmdGrepCaption, this);
    cmdTikan = new QPushButton(kCmdTikanCaption, this);
    cmdEnd = new QPushButton(kCmdEndCaption, this);
    cmdAllTikan = new QPushButton(kCmdAllTikanCaption, this);
    lblNote = new QLabel(this);
    for (int i = 0; i < 2; ++i) {
        // Each pair is one exclusive group through its frame.
        optIdx[i] = new QRadioButton(kOptIdxCaptions[i], Frame1);
        optMuki[i] = new QRadioButton(kOptMukiCaptions[i], Frame2);
        optIdx[i]->setObjectName(u"optIdx(%1)"_s.arg(i));
        optMuki[i]->setObjectName(u"optMuki(%1)"_s.arg(i));
        place(optIdx[i], kOptIdxRects[i]);
        place(optMuki[i], kOptMukiRects[i]);
    }
    optMuki[0]->setChecked(true);
    // Enter presses no button: a search text may be typed and picked without searching.
    for (QPushButton *button : {cmdGrep, cmdTikan, cmdEnd, cmdAllTikan})
        button->setAutoDefault(false);

    const std::array<std::pair<QWidget *, const char *>, 11> named{{{Label1, "Label1"},
                                                                    {cboGrep, "cboGrep"},
                                                                    {cboTikan, "cboTikan"},
                                                                    {chkKubun, "chkKubun"},
                                                                    {Frame1, "Frame1"},
                                                                    {Frame2, "Frame2"},
                                                                    {cmdGrep, "cmdGrep"},
                                                                    {cmdTikan, "cmdTikan"},
                                                                    {cmdEnd, "cmdEnd"},
                                                                    {cmdAllTikan, "cmdAllTikan"},
                                                                    {lblNote, "lblNote"}}};
    for (const auto &[widget, name] : named)
        widget->setObjectName(QString::fromLatin1(name));
    place(Label1, kLabel1Rect);
    place(cboGrep, kCboGrepRect);
    place(cboTikan, kCboTikanRect);
    place(chkKubun, kChkKubunRect);
    place(Frame1, kFrame1Rect);
    place(Frame2, kFrame2Rect);
    place(cmdGrep, kCmdGrepRect);
    place(cmdTikan, kCmdTikanRect);
    place(cmdEnd, kCmdEndRect);
    place(lblNote, kLblNoteRect);
    place(cmdAllTikan, kCmdAllTikanRect);
    setFixedSize(m_twips.toPixels(kClientWidth), m_twips.toPixels(kClientHeight));

    // The tab order: the two boxes, the check box, the buttons, then the options, each pair from
    // its second button.
    const std::array<QWidget *, 11> tabOrder{cboGrep, cboTikan,  chkKubun,  cmdGrep,    cmdTikan,  cmdAllTikan,
                                             cmdEnd,  optIdx[1], optIdx[0], optMuki[1], optMuki[0]};
    for (size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    cboGrep->lineEdit()->installEventFilter(this);
    cboTikan->lineEdit()->installEventFilter(this);
    for (QRadioButton *option : optMuki)
        connect(option, &QRadioButton::clicked, this, &Form2::optMuki_Click);
    connect(cmdGrep, &QPushButton::clicked, this, &Form2::cmdGrep_Click);
    connect(cmdTikan, &QPushButton::clicked, this, &Form2::cmdTikan_Click);
    connect(cmdEnd, &QPushButton::clicked, this, &Form2::cmdEnd_Click);
    connect(cmdAllTikan, &QPushButton::clicked, this, &Form2::cmdAllTikan_Click);

    Form_Load();
}

void Form2::place(QWidget *widget, const TwipsRect &rect) const
{
    widget->setGeometry(m_twips.toPixels(rect));
}

void Form2::Form_Load()
{
    OtherSheet = {1, 0};
    placeBelowActiveSheet();
    showList(cboGrep, MLST_RIREKI::listFromHistory(m_state.SearchHistory));
    showList(cboTikan, MLST_RIREKI::listFromHistory(m_state.ReplaceHistory));
    // Only 1 ticks the box; any other digit a hand-edited settings file gave is "not ticked".
    chkKubun->setChecked(m_state.MatchCaseSetting == 1);
    ContinueSearch = false;
    m_shownMatch.reset();
}

void Form2::placeBelowActiveSheet()
{
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QPoint ownerTopLeft = owner
        ? owner->frameGeometry().topLeft()
        : QPoint(m_twips.toPixels(m_state.windowLeft), m_twips.toPixels(m_state.windowTop));
    const QPoint twips = searchDialogPlace(
        m_state, QPoint(int(m_twips.toTwips(ownerTopLeft.x())), int(m_twips.toTwips(ownerTopLeft.y()))));
    move(m_twips.toPixels(twips.x()), m_twips.toPixels(twips.y()));
}

bool Form2::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return handled;
}

void Form2::Form_Activate()
{
    m_run([this] {
        const std::optional<SearchTarget> target = TakeSearchDialogPending(m_state);
        if (!target)
            return;
        placeBelowActiveSheet();
        const int sheet = target->sheet;
        optIdx[sheet]->setEnabled(true);
        optIdx[sheet]->setChecked(true);
        optIdx[OtherSheet[sheet]]->setEnabled(false);
        cboGrep->setEditText(target->searchText);
        // A match shown on the other sheet, or before the person moved on, is not replaced unseen.
        m_shownMatch.reset();
        lblNote->clear();
    });
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    // cboGrep_GotFocus, cboTikan_GotFocus: the whole text selected, ready to be typed over.
    if (event->type() == QEvent::FocusIn && (watched == cboGrep->lineEdit() || watched == cboTikan->lineEdit()))
        static_cast<QLineEdit *>(watched)->selectAll();
    // Enter in the search text finds the next match, once: the dialog has no default button, and
    // the combo box would hand the key back to its line edit a second time.
    if (event->type() == QEvent::KeyPress && watched == cboGrep->lineEdit()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmdGrep_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Form2::optMuki_Click()
{
    ContinueSearch = false;
}

void Form2::cmdGrep_Click()
{
    m_run([this] {
        addHistoryEntry(cboGrep);
        RunSearch(SearchMode::Find);
    });
}

void Form2::cmdTikan_Click()
{
    m_run([this] {
        addHistoryEntry(cboGrep);
        addHistoryEntry(cboTikan);
        RunSearch(SearchMode::Replace);
    });
}

void Form2::cmdAllTikan_Click()
{
    m_run([this] {
        addHistoryEntry(cboGrep);
        addHistoryEntry(cboTikan);
        RunSearch(SearchMode::ReplaceAll);
    });
}

void Form2::RunSearch(SearchMode mode)
{
    const std::pair<QString, bool> pattern{cboGrep->currentText(), chkKubun->isChecked()};
    if (pattern != m_shownFor)
        m_shownMatch.reset();
    const SearchRequest request{optIdx[0]->isChecked() ? 0 : 1,
                                mode,
                                optMuki[0]->isChecked() ? SearchDirection::DownRight : SearchDirection::UpLeft,
                                ContinueSearch,
                                cboGrep->currentText(),
                                cboTikan->currentText(),
                                chkKubun->isChecked(),
                                m_shownMatch};
    // Found or not, the next press goes on from the cell after the current one.
    ContinueSearch = true;
    // The note of the last press goes before a message box can show this one's outcome.
    lblNote->clear();
    const SearchOutcome outcome = ::RunSearch(m_state, m_ui, request);
    if (outcome.result == SearchResult::Busy)
        return;
    m_shownMatch = outcome.shown;
    m_shownFor = pattern;
    lblNote->setText(searchNote(outcome, request));
}

void Form2::cmdEnd_Click()
{
    close();
}

void Form2::reject()
{
    close();
}

void Form2::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void Form2::Form_Unload()
{
    MLST_RIREKI::storeHistory(entries(cboGrep), m_state.SearchHistory);
    MLST_RIREKI::storeHistory(entries(cboTikan), m_state.ReplaceHistory);
    m_state.MatchCaseSetting = chkKubun->isChecked() ? 1 : 0;
}
