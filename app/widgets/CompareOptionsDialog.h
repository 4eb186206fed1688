#pragma once

#include "CompareOptionsMenu.h"

#include <QDialog>

#include <array>

class AppState;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UserInterface;

// The comparison options dialog "比較オプション": what counts as the same when the sheets are
// compared. Shown modally from the settings menu (mnuHikakuOption_Click). "保存" stores the choice
// through SaveCompareOptionsChoice; "取消", Escape and the close box change nothing.
class CompareOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    // `parent` is the main window, which the dialog is placed against.
    CompareOptionsDialog(AppState &state, UserInterface &ui, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    std::array<QCheckBox *, CompareOptionsEntry::CheckCount> chkOption{}; // by CompareOptionsEntry::Check
    QLabel *lblTolerance = nullptr;
    QLineEdit *txtTolerance = nullptr; // 許容誤差, usable while 数値として比較する is checked
    QLabel *lblSkipColumns = nullptr;
    QLineEdit *txtSkipColumns = nullptr; // 比較しない列
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdEnd = nullptr;

    // The entry as the controls hold it.
    [[nodiscard]] CompareOptionsEntry entry() const;

    void cmdSave_Click();
    void cmdEnd_Click();

private:
    void chkNumeric_Click();

    AppState &m_state;
    UserInterface &m_ui;
};
