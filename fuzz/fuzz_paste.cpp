// The clipboard text's lines and the paste. The first four bytes choose the sheet's size and the
// current cell, the rest is the clipboard text (UTF-8).
//
// The one-pass line cursor gives the lines that GetTextLine gives line by line (or, for text
// without CR, the LF-ended lines), and the paste writes exactly those lines' TAB-separated fields
// from the current cell on: nothing outside, no change of size, no label touched. Text holding a
// double quote is read as spreadsheets write it; there the paste keeps the size, touches nothing
// above or left of the current cell, and what it wrote comes back whole when it is copied and
// pasted again.

#include "FuzzSupport.h"

#include "AppState.h"
#include "ClipboardCommands.h"
#include "MTXT_LINE.h"
#include "Sheet.h"
#include "SilentUserInterface.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
class ClipboardHolding final : public SilentUserInterface
{
public:
    QString text;
    QString clipboardText() override
    {
        return text;
    }
    void setClipboardText(const QString &copied) override
    {
        text = copied;
    }
};

// The clipboard's lines, one line asked for at a time.
QStringList linesOneByOne(const QString &text)
{
    QStringList lines;
    if (!text.contains(u'\r')) {
        lines = text.split(u'\n');
        lines.removeLast(); // after the last LF: not a line
        return lines;
    }
    for (qsizetype n = 1;; ++n) {
        QString line;
        const MTXT_LINE::TextLineStatus status = MTXT_LINE::GetTextLine(text, n, line);
        if (status != MTXT_LINE::TextLineStatus::Found) {
            fuzz::check(status != MTXT_LINE::TextLineStatus::Failed, "GetTextLine does not fail");
            fuzz::check(line.isEmpty(), "no line without a line end");
            return lines;
        }
        lines.append(line);
    }
}

QString cellName(int row, int col)
{
    return u"%1.%2"_s.arg(row).arg(col);
}

void fillWithNames(Sheet &sheet, int rows, int cols)
{
    sheet.setRows(rows);
    sheet.setCols(cols);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            sheet.setTextMatrix(r, c, cellName(r, c));
    }
}

// The quoted paste: what it may not touch, and the copy of what it wrote pasted once more.
void checkQuotedPaste(AppState &state, ClipboardHolding &ui, int rows, int cols, int row0, int col0)
{
    Sheet &sheet = state.grdData(0);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            if ((r < row0 || c < col0) && sheet.textMatrix(r, c) != cellName(r, c))
                fuzz::fail("a quoted paste touches nothing above or left of the current cell", cellName(r, c));
        }
    }
    sheet.setRow(row0);
    sheet.setCol(col0);
    sheet.setRowSel(rows - 1);
    sheet.setColSel(cols - 1);
    mnuCopy_Click(state, ui);
    AppState again;
    Sheet &copy = again.grdData(0);
    fillWithNames(copy, rows, cols);
    again.grdData(1).setVisible(false);
    again.ActiveSheet = 0;
    copy.setRow(row0);
    copy.setCol(col0);
    mnuPeast_Click(again, ui);
    for (int r = row0; r < rows; ++r) {
        for (int c = col0; c < cols; ++c) {
            if (copy.textMatrix(r, c) != sheet.textMatrix(r, c))
                fuzz::fail("a copied block pastes back as itself",
                           cellName(r, c) + u": \""_s + sheet.textMatrix(r, c) + u"\" / \""_s + copy.textMatrix(r, c)
                               + u'"');
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const int rows = 2 + data[0] % 24;
    const int cols = 2 + data[1] % 12;
    const int row0 = 1 + data[2] % (rows - 1);
    const int col0 = 1 + data[3] % (cols - 1);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 4), qsizetype(size - 4));

    const QStringList lines = linesOneByOne(text);
    MTXT_LINE::LineCursor cursor(text);
    QStringView line;
    for (const QString &expected : lines) {
        fuzz::check(cursor.next(line), "the cursor finds every line", expected);
        fuzz::check(line == expected, "the cursor's line is the line", expected + u" / "_s + line.toString());
    }
    fuzz::check(!cursor.next(line), "the cursor stops after the last line", line.toString());

    AppState state;
    Sheet &sheet = state.grdData(0);
    fillWithNames(sheet, rows, cols);
    state.grdData(1).setVisible(false);
    state.ActiveSheet = 0;
    sheet.setRow(row0);
    sheet.setCol(col0);
    ClipboardHolding ui;
    ui.text = text;

    mnuPeast_Click(state, ui);

    fuzz::check(sheet.rows() == rows && sheet.cols() == cols, "a paste keeps the sheet's size");
    if (text.contains(u'"')) {
        checkQuotedPaste(state, ui, rows, cols, row0, col0);
        return 0;
    }
    std::vector<QString> expected(std::size_t(rows) * std::size_t(cols));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            expected[std::size_t(r) * std::size_t(cols) + std::size_t(c)] = cellName(r, c);
    }
    for (qsizetype k = 0; k < lines.size() && row0 + k < rows; ++k) {
        const QStringList fields = lines.at(k).split(u'\t');
        for (qsizetype j = 0; j < fields.size() && col0 + j < cols; ++j)
            expected[std::size_t(row0 + k) * std::size_t(cols) + std::size_t(col0 + j)] = fields.at(j);
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const QString &want = expected[std::size_t(r) * std::size_t(cols) + std::size_t(c)];
            const QString have = sheet.textMatrix(r, c);
            if (have != want)
                fuzz::fail("pasted cells are the clipboard's fields, the others stay",
                           cellName(r, c) + u": \""_s + want + u"\" / \""_s + have + u'"');
        }
    }
    return 0;
}
