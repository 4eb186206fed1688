#include "KeyColumnsDialog.h"

#include "AppState.h"
#include "KeyCommands.h"
#include "SheetLabels.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString kLineUpCaption = u"キー列で行を揃える"_s;
const QString kSortCaption = u"キー列で並べ替え"_s;
const QString kLabel1Caption = u"キーにする列にチェックを付けて下さい（複数可）"_s;
const QString kColumnCaption = u"列"_s;
const QString kFirstRowCaption = u"%1の1行目"_s;
const QString kColumnNumber = u"%1列"_s;
const QString kHeaderCaption = u"1行目は見出し（揃えない）"_s;
const QString kLineUpButton = u"揃える"_s;
const QString kSortButton = u"並べ替え"_s;
const QString kCancelCaption = u"取消"_s;
constexpr qsizetype kShownCharacters = 40; // of a long row 1 text
} // namespace

KeyColumnsDialog::KeyColumnsDialog(AppState &state, UserInterface &ui, KeyColumnsPurpose purpose, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_state(state)
    , m_ui(ui)
{
    const bool lineUp = purpose == KeyColumnsPurpose::LineUp;
    setWindowTitle(lineUp ? kLineUpCaption : kSortCaption);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(kLabel1Caption, this);
    layout->addWidget(Label1);
    lstColumns = new QTreeWidget(this);
    lstColumns->setRootIsDecorated(false);
    lstColumns->setHeaderLabels(
        {kColumnCaption, kFirstRowCaption.arg(kSheetLabels[0]), kFirstRowCaption.arg(kSheetLabels[1])});
    const KeyColumns proposed = proposedKeyColumns(state);
    for (const KeyColumnEntry &entry : keyColumnEntries(state)) {
        auto *item = new QTreeWidgetItem(lstColumns);
        item->setText(0, kColumnNumber.arg(entry.column));
        item->setData(0, Qt::UserRole, entry.column);
        for (int i = 0; i < 2; ++i) {
            const QString &text = entry.firstRow[size_t(i)];
            item->setText(i + 1, text.size() > kShownCharacters ? text.left(kShownCharacters) + u"…"_s : text);
        }
        const bool ticked
            = std::find(proposed.columns.begin(), proposed.columns.end(), entry.column) != proposed.columns.end();
        item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    }
    lstColumns->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstColumns->setMinimumSize(420, 220);
    layout->addWidget(lstColumns);

    chkHeader = new QCheckBox(kHeaderCaption, this);
    chkHeader->setChecked(proposed.header);
    layout->addWidget(chkHeader);

    cmdOk = new QPushButton(lineUp ? kLineUpButton : kSortButton, this);
    cmdEnd = new QPushButton(kCancelCaption, this);
    cmdOk->setDefault(true);
    cmdOk->setAutoDefault(true);
    cmdEnd->setAutoDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdEnd);
    layout->addLayout(buttons);

    connect(lstColumns, &QTreeWidget::itemChanged, this, &KeyColumnsDialog::lstColumns_ItemChanged);
    connect(chkHeader, &QCheckBox::clicked, this, [this] { m_headerSet = true; });
    connect(cmdOk, &QPushButton::clicked, this, &KeyColumnsDialog::cmdOk_Click);
    connect(cmdEnd, &QPushButton::clicked, this, &KeyColumnsDialog::cmdEnd_Click);
}

KeyColumns KeyColumnsDialog::choice() const
{
    KeyColumns choice;
    for (int i = 0; i < lstColumns->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lstColumns->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            choice.columns.push_back(item->data(0, Qt::UserRole).toInt());
    }
    choice.header = chkHeader->isChecked();
    return choice;
}

// Whether row 1 is a heading depends on the columns: it follows them until the person says.
void KeyColumnsDialog::lstColumns_ItemChanged()
{
    if (!m_headerSet)
        chkHeader->setChecked(looksLikeHeading(m_state.grdData(0).data(), m_state.grdData(1).data(), choice().columns));
}

void KeyColumnsDialog::cmdOk_Click()
{
    if (SaveKeyColumnsChoice(m_state, m_ui, choice()))
        accept();
}

void KeyColumnsDialog::cmdEnd_Click()
{
    reject();
}
