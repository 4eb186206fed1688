#pragma once

#include "CellDifference.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QTextEdit;

// The cell difference window "セルの差分": a modeless tool window owned by the main window. It
// draws a CellDifferenceView — ファイル１ above ファイル２, each read-only in the grid's font and
// wrapping, inserted characters green, deleted red, changed yellow, stand-ins for invisible
// characters grey — and the named differences below. It holds no logic: the main window's
// handlers build the view and hand it over. Closing it only hides it.
class CellDifferenceWindow : public QDialog
{
    Q_OBJECT

public:
    explicit CellDifferenceWindow(QWidget *mainWindow);

    void setView(const CellDifferenceView &view);
    [[nodiscard]] const CellDifferenceView &view() const
    {
        return m_view;
    }

    std::array<QLabel *, 2> lblFile{};
    std::array<QTextEdit *, 2> txtCell{};
    QListWidget *lstNotes = nullptr;

private:
    CellDifferenceView m_view;
};
