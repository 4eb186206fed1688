#pragma once

#include "KeyAlignment.h"
#include "UserInterface.h"

#include <QDialog>

class AppState;
class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

// The key column dialog of 「キー列で行を揃える…」 and 「キー列で並べ替え…」: one line per column
// with its number and the text of row 1 of each sheet, ticked for the key columns, and
// 「1行目は見出し（揃えない）」. The heading box follows the columns ticked (looksLikeHeading) until
// the person sets it. OK, captioned after the purpose, stores the choice through
// SaveKeyColumnsChoice; 取消, Escape and the close box change nothing.
class KeyColumnsDialog : public QDialog
{
    Q_OBJECT

public:
    KeyColumnsDialog(AppState &state, UserInterface &ui, KeyColumnsPurpose purpose, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QTreeWidget *lstColumns = nullptr;
    QCheckBox *chkHeader = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdEnd = nullptr;

    // The choice as the controls hold it.
    [[nodiscard]] KeyColumns choice() const;

    void cmdOk_Click();
    void cmdEnd_Click();

private:
    void lstColumns_ItemChanged();

    AppState &m_state;
    UserInterface &m_ui;
    bool m_headerSet = false; // the person set the heading box
};
