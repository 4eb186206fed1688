#pragma once

#include "SearchScan.h"
#include "Twips.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <utility>

class AppState;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class UserInterface;

// The search dialog "検索　選択中のセルから検索します": a modeless tool window owned by the main
// window. It finds the next cell of one sheet that contains a text, going on at the sheet's other
// end, and replaces the text in the match it showed, or in every matching cell at once; its own
// label says when the search went past the end and how much was replaced. Closing it (its button, the close box,
// Escape) unloads it, which stores its lists and the match-case choice; the next search command loads it afresh.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    // Runs one of the dialog's handlers the way the main window runs its own: no error escapes,
    // and the window shows the state the handler left.
    using HandlerRunner = std::function<void(const std::function<void()> &)>;

    // `parent` is the main window, which owns the dialog and places it.
    Form2(AppState &state, UserInterface &ui, HandlerRunner run, QWidget *parent);

    QLabel *Label1 = nullptr;
    QComboBox *cboGrep = nullptr; // the search text and its history
    QComboBox *cboTikan = nullptr; // the replacement text and its history
    QCheckBox *chkKubun = nullptr; // match case
    QFrame *Frame1 = nullptr;
    std::array<QRadioButton *, 2> optIdx{}; // the sheet searched
    QFrame *Frame2 = nullptr;
    std::array<QRadioButton *, 2> optMuki{}; // 0: "下右", 1: "上左"
    QPushButton *cmdGrep = nullptr;
    QPushButton *cmdTikan = nullptr;
    QPushButton *cmdEnd = nullptr;
    QPushButton *cmdAllTikan = nullptr; // "すべて置換"
    QLabel *lblNote = nullptr; // what the last press found or replaced

    // The dialog's events, public so that the program's flow can be followed and driven.
    void Form_Activate();
    void optMuki_Click();
    void cmdGrep_Click();
    void cmdTikan_Click();
    void cmdEnd_Click();
    void cmdAllTikan_Click();

public slots:
    void reject() override; // Escape unloads the dialog like its close box

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override; // Form_Unload
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();
    void placeBelowActiveSheet();
    void RunSearch(SearchMode mode);
    void place(QWidget *widget, const TwipsRect &rect) const;

    AppState &m_state;
    UserInterface &m_ui;
    HandlerRunner m_run;
    Twips m_twips;
    // False: the next search tests the current cell itself; true: it starts at the cell after it.
    bool ContinueSearch = false;
    // The match the last press showed, which the next "置換" replaces while the search text and
    // match case are still those it was found with.
    std::optional<SearchCell> m_shownMatch;
    std::pair<QString, bool> m_shownFor;
    std::array<int, 2> OtherSheet{1, 0};
};
