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
    // Beside each check box: the columns the option is limited to (blank: every column), and the
    // button that picks them from a list of the columns with row 1 of both sheets.
    std::array<QLineEdit *, CompareOptionsEntry::CheckCount> txtColumns{};
    std::array<QPushButton *, CompareOptionsEntry::CheckCount> cmdColumns{};
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

    // 「列…」 of option `index`: the column list, ticked as its box says; OK writes the ticks back.
    void cmdColumns_Click(size_t index);

private:
    void chkNumeric_Click();
    void chkOption_Click(size_t index);

    AppState &m_state;
    UserInterface &m_ui;
};
