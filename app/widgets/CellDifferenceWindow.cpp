#include "CellDifferenceWindow.h"

#include "SheetFont.h"
#include "SheetLabels.h"

#include <QLabel>
#include <QListWidget>
#include <QPen>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace
{
const QString kCaption = u"セルの差分"_s;
const QString kCaptionAt = u"セルの差分　%1 行 %2 列"_s;
const QString kNoCellText = u"（セルがありません）"_s;

const QColor kInsertedBackColor(0xB8, 0xF0, 0xB0); // green: only in this text
const QColor kDeletedBackColor(0xFF, 0xB0, 0xB0); // red: only in this text, gone from the other
const QColor kChangedBackColor(0xFF, 0xF0, 0x80); // yellow: stands where the other text has another
const QColor kStandInColor(0x80, 0x80, 0x80); // grey: a stand-in for an invisible character

QColor backColor(SpanKind kind)
{
    switch (kind) {
    case SpanKind::Inserted:
        return kInsertedBackColor;
    case SpanKind::Deleted:
        return kDeletedBackColor;
    case SpanKind::Changed:
        break;
    }
    return kChangedBackColor;
}

void applyFormat(QTextEdit *edit, qsizetype start, qsizetype length, const QTextCharFormat &format)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(format);
}

void showText(QTextEdit *edit, const ShownCellText &text)
{
    edit->clear();
    if (!text.present) {
        edit->setPlainText(kNoCellText);
        QTextCharFormat format;
        format.setForeground(kStandInColor);
        applyFormat(edit, 0, kNoCellText.size(), format);
        return;
    }
    edit->setPlainText(text.shown);
    for (const ShownHighlight &highlight : text.highlights) {
        QTextCharFormat format;
        format.setBackground(backColor(highlight.kind));
        applyFormat(edit, highlight.start, highlight.length, format);
    }
    for (const ShownMark &mark : text.marks) {
        QTextCharFormat format;
        if (mark.boxed) {
            // 「□」 drawn with a dotted outline: the full-width space stands out from a real □.
            format.setForeground(Qt::transparent);
            format.setTextOutline(QPen(kStandInColor, 1, Qt::DotLine));
        } else {
            format.setForeground(kStandInColor);
        }
        applyFormat(edit, mark.start, mark.length, format);
    }
}
} // namespace

CellDifferenceWindow::CellDifferenceWindow(QWidget *mainWindow)
    : QDialog(mainWindow, Qt::Tool)
{
    setObjectName(u"CellDifferenceWindow"_s);
    setWindowTitle(kCaption);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto *layout = new QVBoxLayout(this);
    for (size_t i = 0; i < 2; ++i) {
        lblFile[i] = new QLabel(kSheetLabels[i], this);
        txtCell[i] = new QTextEdit(this);
        txtCell[i]->setObjectName(u"txtCell(%1)"_s.arg(i));
        txtCell[i]->setReadOnly(true);
        txtCell[i]->setFont(sheetFont());
        txtCell[i]->setLineWrapMode(QTextEdit::WidgetWidth);
        txtCell[i]->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout->addWidget(lblFile[i]);
        layout->addWidget(txtCell[i], 1);
    }
    lstNotes = new QListWidget(this);
    lstNotes->setObjectName(u"lstNotes"_s);
    lstNotes->setFont(sheetFont());
    layout->addWidget(lstNotes, 1);
    resize(520, 420);
}

void CellDifferenceWindow::setView(const CellDifferenceView &view)
{
    m_view = view;
    setWindowTitle(view.row > 0 ? kCaptionAt.arg(view.row).arg(view.col) : kCaption);
    for (size_t i = 0; i < 2; ++i)
        showText(txtCell[i], view.texts[i]);
    lstNotes->clear();
    lstNotes->addItems(view.notes);
}
