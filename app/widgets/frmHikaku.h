#pragma once

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;

// The comparison's progress dialog "比較中": a bar and a "中止" button. It owns no logic: the
// comparison shows it, paints the bar through showProgressPercent(), polls the cancel flag and
// closes it.
//
// Give the main window as parent: the dialog then stays above it and is centred over it each time
// it is shown. "中止" only sets the flag; the run sees it at its next poll. Closing the dialog
// from the window system (its close box, Escape) counts as "中止" and leaves the dialog open until
// the run closes it; close() or deleting it from code closes it.
class frmHikaku : public QDialog
{
    Q_OBJECT

public:
    // `compareCancelled` is the shared CompareCancelled flag; it must outlive the dialog.
    explicit frmHikaku(bool &compareCancelled, QWidget *mainWindow = nullptr);

    // Paints `percent` (0 to 100) into the bar and shows it.
    void showProgressPercent(int percent);
    [[nodiscard]] const QImage &progressImage() const
    {
        return m_progressImage;
    }

    // Centres the dialog over its parent window, both measured with their frames.
    void placeOverOwner();

    QLabel *Label1 = nullptr;
    QLabel *Picture1 = nullptr;
    QPushButton *cmdCancel = nullptr;

public slots:
    void cmdCancel_Click();
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool &m_compareCancelled;
    QImage m_progressImage;
};
