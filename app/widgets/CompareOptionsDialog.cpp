#include "CompareOptionsDialog.h"

#include "AppState.h"
#include "Twips.h"
#include "UserInterface.h"

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
    for (size_t i = 0; i < chkOption.size(); ++i) {
        chkOption[i] = new QCheckBox(kCompareOptionTable[i].dialogCaption.toString(), this);
        layout->addWidget(chkOption[i]);
    }
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
    for (size_t i = 0; i < chkOption.size(); ++i)
        chkOption[i]->setChecked(current.checks[i]);
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
    for (size_t i = 0; i < chkOption.size(); ++i)
        entry.checks[i] = chkOption[i]->isChecked();
    entry.tolerance = txtTolerance->text();
    entry.skipColumns = txtSkipColumns->text();
    return entry;
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
