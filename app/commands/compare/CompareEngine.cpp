#include "CompareEngine.h"

#include "AppState.h"
#include "CommandTable.h"
#include "CompareLoop.h"
#include "GridError.h"
#include "Sheet.h"
#include "SheetData.h"
#include "SheetLabels.h"
#include "ShownDifferences.h"
#include "UserInterface.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace
{
const QString kResultTitle = u"比較結果"_s;
const QString kPartialReadText = u"ファイル%1は一部しか読み込めていないため、%2 行目以降は比較していません。"_s;
const QString kCancelledText = u"中止しました"_s;
const QString kCancelledTitle = u"比較中止"_s;
const QString kTwoFilesNeededText = u"ファイルを２個指定して下さい"_s;
const QString kTwoFilesNeededTitle = u"エラー"_s;

// The current cell and selection corner of a sheet when the run started.
struct SavedSelection
{
    int col = 1;
    int row = 1;
    int colSel = 1;
    int rowSel = 1;
};

// One run of the comparison.
//
// The sheets are disabled, their drawing is off and CompareRunning is set while the run colours
// cells, so nothing can observe where their current cells are in the meantime: instead of making
// every coloured cell current, the run colours it in place and only remembers it. Where the
// current cell is visible afterwards, it is put where walking the cells would have left it: the
// normal ending restores the saved selections anyway, the cancel ending moves each sheet's
// current cell to the last cell the run coloured on it.
class CompareRun
{
public:
    CompareRun(AppState &state, UserInterface &ui, bool showProgress)
        : m_state(state)
        , m_ui(ui)
        , m_showProgress(showProgress)
        , m_grd{&state.grdData(0), &state.grdData(1)}
        , m_equality(state.compareOptions)
    {
    }

    CompareResult run();

    // As the consumer of walkComparison(), the run colours what the walk reports.
    void shapes(const std::array<int, 2> &rows, const std::array<int, 2> &cols);
    void extraCell(int sheet, int row, int col);
    [[nodiscard]] CompareStep extraLineDone(int sheet, ExtraLine line, int index);
    void differingCell(int row, int col);
    void equivalentCell(int row, int col);
    void equalCell(int row, int col);
    [[nodiscard]] CompareStep commonRowDone(int row);

private:
    struct Cell
    {
        int row = -1;
        int col = -1;
    };

    void colour(int sheet, int row, int col, OleColor color);
    [[nodiscard]] bool yieldAndPollCancel();
    void paintProgress(int percent);
    CompareResult normalEnding();
    CompareResult cancelEnding();

    AppState &m_state;
    UserInterface &m_ui;
    const bool m_showProgress;
    const std::array<Sheet *, 2> m_grd;
    CellEquality m_equality;
    std::array<SavedSelection, 2> m_saved;
    std::array<Cell, 2> m_lastColoured;
    bool m_dialogShown = false;
    int m_paintedPercent = -1;
    // Progress and its step are single precision and the shown percentage is rounded half to
    // even, so that the bar moves exactly as it always has (CommonRows 2 shows 0 %, then 52 %).
    float m_progress = 5.0f;
    float m_progressStep = 0.0f;
    CompareResult m_result;
};

CompareResult CompareRun::run()
{
    m_state.CompareCancelled = false;

    for (Sheet *sheet : m_grd)
        ignoreGridErrors([&] { sheet->setCellForeColor(kWindowTextColor); });
    for (Sheet *sheet : m_grd)
        sheet->setRedraw(false);
    for (Sheet *sheet : m_grd)
        sheet->setEnabled(false);
    for (int i = 0; i < 2; ++i)
        m_saved[i] = {m_grd[i]->col(), m_grd[i]->row(), m_grd[i]->colSel(), m_grd[i]->rowSel()};

    m_state.CompareRunning = true;

    if (m_showProgress) {
        m_ui.showProgressDialog();
        m_dialogShown = true;
        paintProgress(0);
        m_ui.yieldToEventLoop();
    }

    // The disabled sheets keep their shapes while the run yields; the walk reads them once.
    if (!walkComparison(m_grd[0]->data(), m_grd[1]->data(), *this, m_equality))
        return cancelEnding();
    return normalEnding();
}

void CompareRun::colour(int sheet, int row, int col, OleColor color)
{
    if (ignoreGridErrors([&] { m_grd[sheet]->setBackColorAt(row, col, color); }))
        m_lastColoured[sheet] = {row, col};
}

void CompareRun::shapes(const std::array<int, 2> &rows, const std::array<int, 2> &cols)
{
    m_result.rows = rows;
    m_result.cols = cols;
    m_progressStep = 95.0f / float(m_result.commonRows());
    // An interactive run leaves equal pairs as they are, marks included.
    m_state.Differences.beginRun(rows, cols, m_showProgress);
}

void CompareRun::extraCell(int sheet, int row, int col)
{
    colour(sheet, row, col, kExtraBackColor);
    m_result.sizesDiffer = true;
}

CompareStep CompareRun::extraLineDone(int sheet, ExtraLine line, int index)
{
    if (line == ExtraLine::Row)
        m_state.Differences.markExtraRows(sheet, index, index);
    else
        m_state.Differences.markExtraCols(sheet, index, index);
    return yieldAndPollCancel() ? CompareStep::Stop : CompareStep::Continue;
}

void CompareRun::differingCell(int row, int col)
{
    colour(0, row, col, differingBackColor(m_grd[0]->data(), row, col));
    colour(1, row, col, differingBackColor(m_grd[1]->data(), row, col));
    m_result.differences.emplace_back(row, col);
}

// A pair the options make the same is marked in both runs: the person sees that the texts differ
// although nothing is counted.
void CompareRun::equivalentCell(int row, int col)
{
    colour(0, row, col, kEquivalentBackColor);
    colour(1, row, col, kEquivalentBackColor);
    m_result.equivalents.emplace_back(row, col);
}

// The silent run resets equal pairs, so that marks an edit has made stale disappear; the compare
// button's run leaves them as they are.
void CompareRun::equalCell(int row, int col)
{
    if (m_showProgress)
        return;
    colour(0, row, col, kWindowBackColor);
    colour(1, row, col, kWindowBackColor);
}

CompareStep CompareRun::commonRowDone(int)
{
    if (!m_showProgress)
        return CompareStep::Continue;
    m_progress += m_progressStep;
    paintProgress(qint16(std::nearbyint(m_progress)));
    return yieldAndPollCancel() ? CompareStep::Stop : CompareStep::Continue;
}

bool CompareRun::yieldAndPollCancel()
{
    m_ui.yieldToEventLoop();
    return m_state.CompareCancelled;
}

// The bar only changes when the whole percentage does; repainting it for every row would cost
// more than comparing the row.
void CompareRun::paintProgress(int percent)
{
    if (percent == m_paintedPercent)
        return;
    m_paintedPercent = percent;
    m_ui.showProgressPercent(percent);
}

CompareResult CompareRun::normalEnding()
{
    m_state.Differences.endRun(m_result.differences, false);
    // A whole comparison, silent or not, makes the marks and the count describe the sheets as
    // they are, and what a step said about the old marks no longer holds.
    m_state.ChangedSinceComparison = false;
    m_state.StatusNote = {};
    for (int i = 0; i < 2; ++i) {
        Sheet *sheet = m_grd[i];
        const SavedSelection &saved = m_saved[i];
        ignoreGridErrors([&] { sheet->setCol(saved.col); });
        ignoreGridErrors([&] { sheet->setRow(saved.row); });
        ignoreGridErrors([&] { sheet->setColSel(saved.colSel); });
        ignoreGridErrors([&] { sheet->setRowSel(saved.rowSel); });
    }
    // The rows and columns shown follow the marks the run left.
    refreshShownDifferences(m_state);
    for (Sheet *sheet : m_grd)
        sheet->setEnabled(true);
    for (Sheet *sheet : m_grd)
        sheet->setRedraw(true);

    if (m_showProgress) {
        m_ui.closeProgressDialog();
        m_dialogShown = false;
        QString message = compareResultMessage(m_result);
        // A sheet read only in part makes any count a count of that part: never "no differences"
        // without saying which rows were left out.
        for (int i = 0; i < 2; ++i) {
            if (const int from = m_state.PartialReadFrom[i]; from > 0)
                message += u"\r\n"_s + kPartialReadText.arg(kSheetNumerals[i]).arg(from);
        }
        m_ui.showMessage(message, kResultTitle, MessageIcon::None);
    }
    // Cleared only once the result message is dismissed: until then the window stays locked.
    m_state.CompareRunning = false;
    return m_result;
}

CompareResult CompareRun::cancelEnding()
{
    m_state.Differences.endRun(m_result.differences, true);
    for (int i = 0; i < 2; ++i) {
        const Cell last = m_lastColoured[i];
        if (last.row < 0)
            continue;
        ignoreGridErrors([&] { m_grd[i]->setRow(last.row); });
        ignoreGridErrors([&] { m_grd[i]->setCol(last.col); });
    }
    refreshShownDifferences(m_state);
    for (Sheet *sheet : m_grd)
        sheet->setEnabled(true);
    for (Sheet *sheet : m_grd)
        sheet->setRedraw(true);
    m_state.CompareRunning = false;
    if (m_dialogShown) {
        m_ui.closeProgressDialog();
        m_dialogShown = false;
    }
    m_ui.showMessage(kCancelledText, kCancelledTitle, MessageIcon::None);
    m_result.cancelled = true;
    return m_result;
}
} // namespace

void ClearComparisonColours(AppState &state)
{
    state.ComparisonDone = false;
    for (int i = 0; i < 2; ++i)
        state.grdData(i).resetBackColors();
    state.Differences.clear();
    refreshShownDifferences(state);
    state.ChangedSinceComparison = false;
    state.StatusNote = {};
}

CompareResult CompareSheets(AppState &state, UserInterface &ui, bool ShowProgress)
{
    return CompareRun(state, ui, ShowProgress).run();
}

bool cmdDiff_Click(AppState &state, UserInterface &ui)
{
    if (!commandMayRun(state, Command::Diff))
        return false;
    if (state.grdData(0).isVisible() && state.grdData(1).isVisible()) {
        state.ComparisonDone = !CompareSheets(state, ui, true).cancelled;
        return true;
    }
    ui.showMessage(kTwoFilesNeededText, kTwoFilesNeededTitle, MessageIcon::None);
    return false;
}

void insertAlignedCols(Sheet &sheet, const ColumnAlignment &alignment, int index)
{
    const std::vector<std::pair<int, int>> groups = alignment.colGroups(index);
    // From the right, so that each group's place still counts the columns as they were.
    for (auto group = groups.rbegin(); group != groups.rend(); ++group)
        sheet.insertCols(group->first, group->second, CellMove::TextsAndColours);
    for (const int col : fillerCols(alignment, index))
        sheet.setFillerCol(col, true);
}

void insertAlignedRows(Sheet &sheet, const RowAlignment &alignment, int index)
{
    sheet.insertRowGroups(alignment.rowGroups(index));
    for (const int row : alignment.fillerRows(index))
        sheet.setFillerRow(row, true);
}
