#include "ClipboardCommands.h"

#include "AppState.h"
#include "CellEquality.h"
#include "CommandTable.h"
#include "GridError.h"
#include "MTXT_LINE.h"
#include "MatchColor.h"
#include "Recompare.h"
#include "SheetLock.h"
#include "UndoSnapshots.h"
#include "UserInterface.h"

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr int kMaxPastedLines = kMaxRowCol; // the paste's 16-bit line counter
const QString kDidNotFitText = u"シートに収まらない部分は貼り付けませんでした（%1 行 %2 列）"_s;
const QString kPasteTitle = u"貼り付け"_s;

// Tab-separated text as spreadsheet programs paste it: a cell holding a tab, a double quote or a
// line end goes between quotes with every quote inside doubled; any other cell as it is.
void appendClipboardField(QString &text, QStringView cell)
{
    const bool quote = std::any_of(cell.begin(), cell.end(),
                                   [](QChar ch) { return ch == u'\t' || ch == u'"' || ch == u'\r' || ch == u'\n'; });
    if (!quote) {
        text += cell;
        return;
    }
    text += u'"';
    for (const QChar ch : cell) {
        text += ch;
        if (ch == u'"')
            text += u'"';
    }
    text += u'"';
}

void copyBlock(AppState &state, const Sheet &sheet)
{
    QString &text = state.txtClip;
    // The cells the person sees: hidden rows and columns are left out.
    const ShownLines &rows = sheet.shownRows();
    const ShownLines &cols = sheet.shownCols();
    const int rowSel = sheet.rowSel();
    const int colSel = sheet.colSel();
    for (int r = sheet.row(); r <= rowSel; ++r) {
        if (!rows.isShown(r))
            continue;
        bool first = true;
        for (int c = sheet.col(); c <= colSel; ++c) {
            if (!cols.isShown(c))
                continue;
            if (!first)
                text += u'\t';
            first = false;
            appendClipboardField(text, sheet.textView(r, c));
        }
        text += u"\r\n"_s;
    }
}

// The records of tab-separated text that holds double quotes, read as spreadsheet programs write
// it: a field starting with a quote runs to its closing quote, tabs and line ends included, a
// doubled quote inside it being one quote, and text after the closing quote is kept. Lines end as
// the clipboard's lines do (CR LF, or LF in text without CR), and text after the last line end is
// ignored. A quote left open is an ordinary character, so that nothing after it is merged in.
std::vector<QStringList> quotedClipboardRecords(QStringView text)
{
    const QStringView lineEnd = text.contains(u'\r') ? QStringView(u"\r\n") : QStringView(u"\n");
    std::vector<QStringList> records;
    QStringList fields;
    qsizetype pos = 0;
    while (pos < text.size()) {
        QString field;
        if (text[pos] == u'"') {
            qsizetype at = pos + 1;
            bool closed = false;
            while (at < text.size()) {
                const qsizetype quote = text.indexOf(u'"', at);
                if (quote < 0)
                    break;
                field += text.sliced(at, quote - at);
                if (quote + 1 < text.size() && text[quote + 1] == u'"') {
                    field += u'"';
                    at = quote + 2;
                    continue;
                }
                at = quote + 1;
                closed = true;
                break;
            }
            if (closed) {
                pos = at;
            } else {
                field.clear();
            }
        }
        // The rest of the field: all of an unquoted one, or what follows the closing quote.
        const qsizetype tab = text.indexOf(u'\t', pos);
        const qsizetype end = text.indexOf(lineEnd, pos);
        const qsizetype stop = std::min(tab < 0 ? text.size() : tab, end < 0 ? text.size() : end);
        field += text.sliced(pos, stop - pos);
        fields.append(field);
        if (stop == text.size())
            break; // no line end follows: the clipboard's last, unended line is not pasted
        if (stop == tab) {
            pos = tab + 1;
        } else {
            records.push_back(std::move(fields));
            fields = {};
            pos = end + lineEnd.size();
        }
    }
    return records;
}

// What a paste re-coloured, in reading order, for the list of marked positions: one update for
// the whole paste instead of one per cell.
struct PastedMarks
{
    std::vector<CellPosition> recompared;
    std::vector<CellPosition> differing;
    std::vector<CellPosition> onlyInActive;
};

// The pasted cell (row, col) of the active sheet against the same cell of the other sheet; both
// current cells move there. A cell the other sheet lacks cannot be compared: it is marked as the
// full comparison marks cells outside the common area, and the other sheet stays where it is.
void recolourPastedCell(Sheet &active, Sheet &other, std::array<Sheet *, 2> sheets, CellEquality &equality, int row,
                        int col, PastedMarks &marks)
{
    if (row >= other.rows() || col >= other.cols()) {
        active.setCurrentCell(row, col);
        active.setCellBackColor(kExtraBackColor);
        marks.onlyInActive.emplace_back(row, col);
        return;
    }
    for (Sheet *sheet : sheets)
        sheet->setCurrentCell(row, col);
    const CellMatch match = equality.match(sheets[0]->textView(row, col), sheets[1]->textView(row, col), col);
    for (Sheet *sheet : sheets)
        sheet->setCellBackColor(matchBackColor(match, sheet->data(), row, col));
    marks.recompared.emplace_back(row, col);
    if (match == CellMatch::Differs)
        marks.differing.emplace_back(row, col);
}

// One record of the clipboard into row `row` from column `c0` on; fields beyond the last column
// are dropped. With `recolour`, each pasted cell is compared with the other sheet under it.
template<typename NextField>
void pasteFields(Sheet &active, Sheet &other, std::array<Sheet *, 2> sheets, CellEquality *recolour, int row, int c0,
                 PastedMarks &marks, NextField nextField)
{
    // Field k goes into the k-th column shown from c0 on: hidden columns take none.
    const ShownLines &cols = active.shownCols();
    for (int p = cols.positionAtOrAfter(c0); p < cols.count(); ++p) {
        const int col = cols.line(p);
        QString field;
        const bool more = nextField(field);
        ignoreGridErrors([&] {
            active.setTextMatrix(row, col, field);
            if (recolour)
                recolourPastedCell(active, other, sheets, *recolour, row, col, marks);
        });
        if (!more)
            break;
    }
}

void pasteLine(Sheet &active, Sheet &other, std::array<Sheet *, 2> sheets, CellEquality *recolour, QStringView line,
               int row, int c0, PastedMarks &marks)
{
    qsizetype start = 0;
    pasteFields(active, other, sheets, recolour, row, c0, marks, [&](QString &field) {
        const qsizetype tab = line.indexOf(u'\t', start);
        field = line.mid(start, tab < 0 ? -1 : tab - start).toString();
        start = tab + 1;
        return tab >= 0;
    });
}
} // namespace

void mnuCopy_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Copy))
        return;
    const int index = activeSheetIndex(state);
    state.txtClip.clear();
    if (index < 0)
        return;
    try {
        copyBlock(state, state.grdData(index));
    } catch (const GridError &) {
        return; // the part assembled so far stays in txtClip
    }
    ui.setClipboardText(state.txtClip);
    state.txtClip.clear();
}

void mnuDel_Click(AppState &state, UserInterface &)
{
    if (!commandMayRun(state, Command::Del))
        return;
    const int index = activeSheetIndex(state);
    if (index < 0)
        return;
    SheetLock lock(state, false);
    ignoreGridErrors([&] {
        clearClickMarks(state);
        lock.lock();
        Sheet &sheet = state.grdData(index);
        // Only the cells the person sees are emptied.
        const int rowSel = sheet.rowSel();
        for (int r = sheet.row(); r <= rowSel; ++r) {
            if (!sheet.shownRows().isShown(r))
                continue;
            const int colSel = sheet.colSel();
            for (int c = sheet.col(); c <= colSel; ++c) {
                if (sheet.shownCols().isShown(c))
                    sheet.setTextMatrix(r, c, QString());
            }
        }
        RecompareSelection(state, index);
    });
}

void mnuCut_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Cut))
        return;
    mnuCopy_Click(state, ui);
    mnuDel_Click(state, ui);
}

void mnuPeast_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Peast))
        return;
    const int index = activeSheetIndex(state);
    if (index < 0)
        return;
    Sheet &active = state.grdData(index);
    Sheet &other = state.grdData(1 - index);
    const std::array<Sheet *, 2> sheets{&state.grdData(0), &state.grdData(1)};

    const bool recolour = PartnerHasCurrentCell(state, index);
    CellEquality equality(state.compareOptions);
    ignoreGridErrors([&] { clearClickMarks(state); });
    int rowsLeftOut = 0;
    int colsLeftOut = 0;
    PastedMarks marks;
    {
        SheetLock lock(state);
        const int r0 = active.row();
        const int c0 = active.col();
        state.txtClip = ui.clipboardText();
        // Line k goes into the k-th row shown from r0 on, as the person sees the rows; the rows
        // and columns left out are counted among the shown ones.
        const ShownLines &shownRows = active.shownRows();
        const int p0 = shownRows.positionAtOrAfter(r0);
        const int q0 = active.shownCols().positionAtOrAfter(c0);
        const int shownCols = active.shownCols().count();
        const auto rowAt = [&](int k) { return p0 + k < shownRows.count() ? shownRows.line(p0 + k) : active.rows(); };

        // One pass over the text; the lines and fields are those that reading line k + 1 afresh
        // for every k would give. A field beyond the sheet's last row or column is dropped and
        // counted: the message names the rows and columns that did not fit.
        const bool quoted = state.txtClip.contains(u'"');
        if (quoted) {
            const std::vector<QStringList> records = quotedClipboardRecords(state.txtClip);
            for (int k = 0; k < kMaxPastedLines && k < int(records.size()); ++k) {
                const QStringList &fields = records[size_t(k)];
                const int row = rowAt(k);
                colsLeftOut = std::max(colsLeftOut, q0 + int(fields.size()) - shownCols);
                if (row >= active.rows()) {
                    ++rowsLeftOut;
                    continue;
                }
                qsizetype next = 0;
                pasteFields(active, other, sheets, recolour ? &equality : nullptr, row, c0, marks, [&](QString &field) {
                    field = fields.at(next++);
                    return next < fields.size();
                });
            }
        }
        // Text without quotes is read line by line as it always was.
        MTXT_LINE::LineCursor lines(quoted ? QStringView() : QStringView(state.txtClip));
        QStringView line;
        for (int k = 0; k < kMaxPastedLines && lines.next(line); ++k) {
            const int row = rowAt(k);
            colsLeftOut = std::max(colsLeftOut, q0 + int(line.count(u'\t')) + 1 - shownCols);
            if (row >= active.rows()) {
                ++rowsLeftOut;
                continue;
            }
            pasteLine(active, other, sheets, recolour ? &equality : nullptr, line, row, c0, marks);
        }
    }
    state.Differences.replaceCells(marks.recompared, marks.differing);
    for (const CellPosition position : marks.onlyInActive)
        state.Differences.markOnlyInLarger(index, position);
    if (rowsLeftOut > 0 || colsLeftOut > 0)
        ui.showMessage(kDidNotFitText.arg(rowsLeftOut).arg(colsLeftOut), kPasteTitle, MessageIcon::Information);
}
