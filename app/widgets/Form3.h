#pragma once

#include "Twips.h"

#include <QDialog>

#include <array>

class AppState;
class DelimiterBoxLimit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class UserInterface;

// The delimiter settings dialog "区切り文字設定": the comma mode or a delimiter of the person's
// choice. Shown modally from the settings menu (mnuKukan_Click). "保存" stores the choice in
// DelimiterMode and UserDelimiter; "取消", Escape and the close box change nothing.
class Form3 : public QDialog
{
    Q_OBJECT

public:
    // `parent` is the main window, which the dialog is placed against.
    Form3(AppState &state, UserInterface &ui, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    std::array<QRadioButton *, 2> optKukan{}; // 0: comma mode, 1: the delimiter in txtKukan
    QLineEdit *txtKukan = nullptr;
    QLabel *lblTab = nullptr; // "TAB" beside the box while it holds a TAB, which shows as blank
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdEnd = nullptr;

    // The dialog's events, public so that the program's flow can be followed and driven.
    void Form_Activate();
    void optKukan_Click(int index);
    void txtKukan_GotFocus();
    void cmdSave_Click();
    void cmdEnd_Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void place(QWidget *widget, const TwipsRect &rect) const;

    AppState &m_state;
    UserInterface &m_ui;
    DelimiterBoxLimit *m_delimiterLimit = nullptr; // owned by txtKukan
    Twips m_twips;
    bool FirstActivation = true; // until the first activation has filled the controls
};
