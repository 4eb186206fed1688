#include "CompareEngine.h"

#include "AppState.h"
#include "GridError.h"
#include "SheetData.h"
#include "UserInterface.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace
{
const QString kNoDifferenceText = u"差はありません"_s;
const QString kDifferenceCountText = u"差が　%1　個あります"_s;
const QString kSizesDifferText = u"サイズに差異があります"_s;
const QString kResultTitle = u"比較結果"_s;
const QString kPartialReadText = u"ファイル%1は一部しか読み込めていないため、%2 行目以降は比較していません。"_s;
const std::array<QString, 2> kFileNumbers{u"１"_s, u"２"_s};
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
    {
    }

    CompareResult run();

private:
    struct Cell
    {
        int row = -1;
        int col = -1;
    };

    void colour(int sheet, int row, int col, OleColor color);
    [[nodiscard]] bool markExtraRows(int sheet, int firstRow, int lastRow);
    [[nodiscard]] bool markExtraCols(int sheet, int firstCol, int lastCol);
    [[nodiscard]] bool compareCommonArea(int commonRows, int commonCols);
    [[nodiscard]] bool yieldAndPollCancel();
    void paintProgress(int percent);
    CompareResult normalEnding();
    CompareResult cancelEnding();

    AppState &m_state;
    UserInterface &m_ui;
    const bool m_showProgress;
    const std::array<Sheet *, 2> m_grd;
    std::array<SavedSelection, 2> m_saved;
    std::array<Cell, 2> m_lastColoured;
    bool m_dialogShown = false;
    int m_paintedPercent = -1;
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

    // The disabled sheets keep their shapes while the run yields, so they are read once: marking
    // the extra rows changes no column count.
    for (int i = 0; i < 2; ++i) {
        m_result.rows[i] = m_grd[i]->rows();
        m_result.cols[i] = m_grd[i]->cols();
    }
    const auto [rows0, rows1] = m_result.rows;
    const auto [cols0, cols1] = m_result.cols;
    // An interactive run leaves equal pairs as they are, marks included.
    m_state.Differences.beginRun(m_result.rows, m_result.cols, m_showProgress);
    if (rows0 > rows1 && markExtraRows(0, rows1, rows0 - 1))
        return cancelEnding();
    if (rows1 > rows0 && markExtraRows(1, rows0, rows1 - 1))
        return cancelEnding();
    if (cols0 > cols1 && markExtraCols(0, cols1, cols0 - 1))
        return cancelEnding();
    if (cols1 > cols0 && markExtraCols(1, cols0, cols1 - 1))
        return cancelEnding();

    if (compareCommonArea(m_result.commonRows(), m_result.commonCols()))
        return cancelEnding();
    return normalEnding();
}

void CompareRun::colour(int sheet, int row, int col, OleColor color)
{
    if (ignoreGridErrors([&] { m_grd[sheet]->setBackColorAt(row, col, color); }))
        m_lastColoured[sheet] = {row, col};
}

// Every data row from firstRow to lastRow, over the sheet's whole width. True when cancelled.
bool CompareRun::markExtraRows(int sheet, int firstRow, int lastRow)
{
    for (int r = firstRow; r <= lastRow; ++r) {
        const int lastCol = m_grd[sheet]->cols() - 1;
        for (int c = 1; c <= lastCol; ++c) {
            colour(sheet, r, c, kExtraBackColor);
            m_result.sizesDiffer = true;
        }
        m_state.Differences.markExtraRows(sheet, r, r);
        if (yieldAndPollCancel())
            return true;
    }
    return false;
}

// Every data column from firstCol to lastCol, over the sheet's whole height. True when cancelled.
bool CompareRun::markExtraCols(int sheet, int firstCol, int lastCol)
{
    for (int c = firstCol; c <= lastCol; ++c) {
        const int lastRow = m_grd[sheet]->rows() - 1;
        for (int r = 1; r <= lastRow; ++r) {
            colour(sheet, r, c, kExtraBackColor);
            m_result.sizesDiffer = true;
        }
        m_state.Differences.markExtraCols(sheet, c, c);
        if (yieldAndPollCancel())
            return true;
    }
    return false;
}

// Rows and columns 1 .. common - 1 of both sheets. True when cancelled.
bool CompareRun::compareCommonArea(int commonRows, int commonCols)
{
    // Progress and its step are single precision and the shown percentage is rounded half to
    // even, so that the bar moves exactly as it always has (CommonRows 2 shows 0 %, then 52 %).
    float progress = 5.0f;
    const float step = 95.0f / float(commonRows);

    for (int r = 1; r <= commonRows - 1; ++r) {
        const SheetData &data0 = m_grd[0]->data();
        const SheetData &data1 = m_grd[1]->data();
        // The sheets keep their shapes for the whole run; this only guards the unchecked reads
        // should something change a sheet while the run yields.
        const int lastCol
            = (r < data0.rows() && r < data1.rows()) ? std::min({commonCols, data0.cols(), data1.cols()}) - 1 : 0;
        for (int c = 1; c <= lastCol; ++c) {
            if (!sameText(data0.text(r, c), data1.text(r, c))) {
                colour(0, r, c, differingBackColor(data0, r));
                colour(1, r, c, differingBackColor(data1, r));
                m_result.differences.emplace_back(r, c);
            } else if (!m_showProgress) {
                colour(0, r, c, kWindowBackColor);
                colour(1, r, c, kWindowBackColor);
            }
        }
        if (m_showProgress) {
            progress += step;
            paintProgress(qint16(std::nearbyint(progress)));
            if (yieldAndPollCancel())
                return true;
        }
    }
    return false;
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
    if (m_showProgress)
        m_state.ChangedSinceComparison = false;
    for (int i = 0; i < 2; ++i) {
        Sheet *sheet = m_grd[i];
        const SavedSelection &saved = m_saved[i];
        ignoreGridErrors([&] { sheet->setCol(saved.col); });
        ignoreGridErrors([&] { sheet->setRow(saved.row); });
        ignoreGridErrors([&] { sheet->setColSel(saved.colSel); });
        ignoreGridErrors([&] { sheet->setRowSel(saved.rowSel); });
    }
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
                message += u"\r\n"_s + kPartialReadText.arg(kFileNumbers[i]).arg(from);
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

QString compareResultMessage(const CompareResult &result)
{
    QString text = result.count() == 0 ? kNoDifferenceText : kDifferenceCountText.arg(result.count());
    if (result.sizesDiffer)
        text += u"\r\n"_s + kSizesDifferText;
    return text;
}

CompareResult FindDifferences(const SheetData &data0, const SheetData &data1)
{
    CompareResult result;
    result.rows = {data0.rows(), data1.rows()};
    result.cols = {data0.cols(), data1.cols()};
    const int commonRows = result.commonRows();
    const int commonCols = result.commonCols();
    // A run marks the extra rows over the taller sheet's whole width and the extra columns over
    // the wider sheet's whole height, data cells only: with no data column or row there is none.
    for (int i = 0; i < 2; ++i) {
        const bool extraRows = result.rows[i] > commonRows && result.cols[i] > 1;
        const bool extraCols = result.cols[i] > commonCols && result.rows[i] > 1;
        result.sizesDiffer = result.sizesDiffer || extraRows || extraCols;
    }
    for (int r = 1; r < commonRows; ++r) {
        for (int c = 1; c < commonCols; ++c) {
            if (!sameText(data0.text(r, c), data1.text(r, c)))
                result.differences.emplace_back(r, c);
        }
    }
    return result;
}

void ClearComparisonColours(AppState &state)
{
    for (int i = 0; i < 2; ++i)
        state.grdData(i).resetBackColors();
    state.Differences.clear();
    state.ChangedSinceComparison = false;
}

CompareResult CompareSheets(AppState &state, UserInterface &ui, bool ShowProgress)
{
    return CompareRun(state, ui, ShowProgress).run();
}

bool cmdDiff_Click(AppState &state, UserInterface &ui)
{
    if (state.CompareRunning)
        return false;
    if (state.grdData(0).isVisible() && state.grdData(1).isVisible()) {
        CompareSheets(state, ui, true);
        return true;
    }
    ui.showMessage(kTwoFilesNeededText, kTwoFilesNeededTitle, MessageIcon::None);
    return false;
}
