#include "CompareOptionsDialog.h"

#include "AppState.h"
#include "KeyCommands.h"
#include "SheetLabels.h"
#include "Twips.h"
#include "UserInterface.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace
{
const QString kCaption = u"比較オプション"_s;
const QString kLabel1Caption = u"比較するときに同じとみなす違いを指定します（セルの内容は変わりません）"_s;
const QString kSaveCaption = u"保存"_s;
const QString kCancelCaption = u"取消"_s;
constexpr int kBelowMainWindowTop = 650; // twips between the main window's top and the dialog's
const QString kEveryColumn = u"すべての列"_s;
const QString kColumnsButton = u"列…"_s;
const QString kPickerCaption = u"適用する列"_s;
const QString kPickerLabel = u"「%1」を適用する列にチェックを付けて下さい（なしはすべての列）"_s;
const QString kColumnCaption = u"列"_s;
const QString kFirstRowCaption = u"%1の1行目"_s;
const QString kColumnNumber = u"%1列"_s;
constexpr qsizetype kShownCharacters = 40; // of a long row 1 text

// The option whose value the box of that kind takes.
const CompareOptionRow &optionWithValue(CompareOptionValue kind)
{
    return *std::find_if(kCompareOptionTable.begin(), kCompareOptionTable.end(),
                         [kind](const CompareOptionRow &row) { return row.value == kind; });
}
} // namespace

CompareOptionsDialog::CompareOptionsDialog(AppState &state, UserInterface &ui, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_state(state)
    , m_ui(ui)
{
    setWindowTitle(kCaption);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(kLabel1Caption, this);
    layout->addWidget(Label1);
    auto *checks = new QGridLayout;
    for (size_t i = 0; i < chkOption.size(); ++i) {
        chkOption[i] = new QCheckBox(kCompareOptionTable[i].dialogCaption.toString(), this);
        txtColumns[i] = new QLineEdit(this);
        txtColumns[i]->setPlaceholderText(kEveryColumn);
        txtColumns[i]->setMaximumWidth(120);
        cmdColumns[i] = new QPushButton(kColumnsButton, this);
        cmdColumns[i]->setAutoDefault(false);
        checks->addWidget(chkOption[i], int(i), 0);
        checks->addWidget(txtColumns[i], int(i), 1);
        checks->addWidget(cmdColumns[i], int(i), 2);
    }
    layout->addLayout(checks);
    auto *fields = new QGridLayout;
    lblTolerance = new QLabel(optionWithValue(CompareOptionValue::Tolerance).valueCaption.toString(), this);
    txtTolerance = new QLineEdit(this);
    lblTolerance->setBuddy(txtTolerance);
    lblSkipColumns = new QLabel(optionWithValue(CompareOptionValue::ColumnList).dialogCaption.toString(), this);
    txtSkipColumns = new QLineEdit(this);
    lblSkipColumns->setBuddy(txtSkipColumns);
    fields->addWidget(lblTolerance, 0, 0);
    fields->addWidget(txtTolerance, 0, 1);
    fields->addWidget(lblSkipColumns, 1, 0);
    fields->addWidget(txtSkipColumns, 1, 1);
    fields->setContentsMargins(20, 0, 0, 0);
    layout->addLayout(fields);

    cmdSave = new QPushButton(kSaveCaption, this);
    cmdEnd = new QPushButton(kCancelCaption, this);
    cmdSave->setDefault(true);
    cmdSave->setAutoDefault(true);
    cmdEnd->setAutoDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdEnd);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const CompareOptionsEntry current = entryFromOptions(state.compareOptions);
    for (size_t i = 0; i < chkOption.size(); ++i) {
        chkOption[i]->setChecked(current.checks[i]);
        txtColumns[i]->setText(current.columns[i]);
        chkOption_Click(i);
        connect(chkOption[i], &QCheckBox::toggled, this, [this, i] { chkOption_Click(i); });
        connect(cmdColumns[i], &QPushButton::clicked, this, [this, i] { cmdColumns_Click(i); });
    }
    txtTolerance->setText(current.tolerance);
    txtSkipColumns->setText(current.skipColumns);
    chkNumeric_Click();

    connect(chkOption[CompareOptionsEntry::Numeric], &QCheckBox::toggled, this,
            &CompareOptionsDialog::chkNumeric_Click);
    connect(cmdSave, &QPushButton::clicked, this, &CompareOptionsDialog::cmdSave_Click);
    connect(cmdEnd, &QPushButton::clicked, this, &CompareOptionsDialog::cmdEnd_Click);

    // Against the main window, as the delimiter dialog: its left edge, a little below its top.
    if (const QWidget *mainWindow = parentWidget() ? parentWidget()->window() : nullptr) {
        const QRect frame = mainWindow->frameGeometry();
        move(frame.left(), frame.top() + Twips::forScreen(mainWindow->screen()).toPixels(kBelowMainWindowTop));
    }
}

CompareOptionsEntry CompareOptionsDialog::entry() const
{
    CompareOptionsEntry entry;
    for (size_t i = 0; i < chkOption.size(); ++i) {
        entry.checks[i] = chkOption[i]->isChecked();
        entry.columns[i] = txtColumns[i]->text();
    }
    entry.tolerance = txtTolerance->text();
    entry.skipColumns = txtSkipColumns->text();
    return entry;
}

// An option's columns only mean something while it is on.
void CompareOptionsDialog::chkOption_Click(size_t index)
{
    const bool on = chkOption[index]->isChecked();
    txtColumns[index]->setEnabled(on);
    cmdColumns[index]->setEnabled(on);
}

void CompareOptionsDialog::cmdColumns_Click(size_t index)
{
    std::vector<ColumnRange> ticked = parseColumnList(txtColumns[index]->text()).value_or(std::vector<ColumnRange>());
    const auto isTicked = [&](int column) {
        return std::any_of(ticked.begin(), ticked.end(), [column](const ColumnRange &range) {
            return column >= range.first && column <= range.last;
        });
    };
    QDialog picker(this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    picker.setWindowTitle(kPickerCaption);
    auto *layout = new QVBoxLayout(&picker);
    layout->addWidget(new QLabel(kPickerLabel.arg(kCompareOptionTable[index].dialogCaption), &picker));
    auto *list = new QTreeWidget(&picker);
    list->setRootIsDecorated(false);
    list->setHeaderLabels(
        {kColumnCaption, kFirstRowCaption.arg(kSheetLabels[0]), kFirstRowCaption.arg(kSheetLabels[1])});
    for (const KeyColumnEntry &column : keyColumnEntries(m_state)) {
        auto *item = new QTreeWidgetItem(list);
        item->setText(0, kColumnNumber.arg(column.column));
        item->setData(0, Qt::UserRole, column.column);
        for (int i = 0; i < 2; ++i) {
            const QString &text = column.firstRow[size_t(i)];
            item->setText(i + 1, text.size() > kShownCharacters ? text.left(kShownCharacters) + u"…"_s : text);
        }
        item->setCheckState(0, isTicked(column.column) ? Qt::Checked : Qt::Unchecked);
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->setMinimumSize(420, 220);
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &picker);
    buttons->button(QDialogButtonBox::Cancel)->setText(kCancelCaption);
    connect(buttons, &QDialogButtonBox::accepted, &picker, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &picker, &QDialog::reject);
    layout->addWidget(buttons);
    if (picker.exec() != QDialog::Accepted)
        return;
    // Columns the list does not show (past both sheets' last) stay as the box had them.
    std::vector<ColumnRange> chosen;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        const int column = item->data(0, Qt::UserRole).toInt();
        if (item->checkState(0) != Qt::Checked)
            continue;
        if (!chosen.empty() && chosen.back().last + 1 == column)
            chosen.back().last = column;
        else
            chosen.push_back({column, column});
    }
    const int shown = list->topLevelItemCount();
    for (const ColumnRange &range : ticked) {
        if (range.last > shown)
            chosen.push_back({std::max(range.first, shown + 1), range.last});
    }
    txtColumns[index]->setText(columnListText(chosen));
}

// The tolerance only means something for numbers.
void CompareOptionsDialog::chkNumeric_Click()
{
    const bool numeric = chkOption[CompareOptionsEntry::Numeric]->isChecked();
    lblTolerance->setEnabled(numeric);
    txtTolerance->setEnabled(numeric);
}

void CompareOptionsDialog::cmdSave_Click()
{
    if (SaveCompareOptionsChoice(m_state, m_ui, entry()))
        accept();
}

void CompareOptionsDialog::cmdEnd_Click()
{
    reject();
}
