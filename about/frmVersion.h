#pragma once

#include "Colors.h"

#include <QDialog>

class QLabel;
class QPushButton;
class UserInterface;

// The version dialog: the program's version, author and home page link; at start-up without the
// grid component, which library is missing instead. It has no close box and Escape does not
// close it: "OK" is the only way out.
class frmVersion : public QDialog
{
    Q_OBJECT

public:
    frmVersion(UserInterface &ui, bool gridControlFound, QWidget *parent = nullptr);

    // Escape and the window manager's close request end here and do nothing.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cmdEnd_Click();
    void lblHttp_Click();
    void setLinkColor(OleColor color);

    UserInterface &m_ui;
    QLabel *lblTitle = nullptr;
    QLabel *lblHttp = nullptr;
    QPushButton *cmdEnd = nullptr;
};
