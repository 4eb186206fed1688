#pragma once

#include "Colors.h"

#include <QDialog>

class QLabel;
class QPushButton;
class UserInterface;

// The version dialog: the program's version, author and home page link; at start-up without the
// grid component, which library is missing instead. It asks for no close box and Escape does not
// close it: "OK" is the way out. Some window managers (openbox among them) draw a close box on
// every framed window whatever the window asks for; that box then does what "OK" does, rather
// than sit there doing nothing.
class frmVersion : public QDialog
{
    Q_OBJECT

public:
    frmVersion(UserInterface &ui, bool gridControlFound, QWidget *parent = nullptr);

    // Escape ends here and does nothing.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The window manager's close box, where it draws one anyway: the same as "OK".
    void closeEvent(QCloseEvent *event) override;

private:
    void cmdEnd_Click();
    void lblHttp_Click();
    void setLinkColor(OleColor color);

    UserInterface &m_ui;
    QLabel *lblTitle = nullptr;
    QLabel *lblHttp = nullptr;
    QPushButton *cmdEnd = nullptr;
};
