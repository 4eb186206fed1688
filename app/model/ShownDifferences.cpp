#include "ShownDifferences.h"

#include "AppState.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace
{
std::vector<int> unionOf(const std::vector<int> &a, const std::vector<int> &b)
{
    std::vector<int> both;
    both.reserve(a.size() + b.size());
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
    return both;
}
} // namespace

void refreshShownDifferences(AppState &state)
{
    const DifferenceList &marks = state.Differences;
    const bool marked = marks.hasRun() && !marks.isEmpty();
    std::optional<std::vector<int>> rows;
    std::optional<std::vector<int>> cols;
    if (marked && state.mnuDiffRowsOnlyChecked)
        rows = unionOf(marks.markedRows(0), marks.markedRows(1));
    if (marked && state.mnuDiffColsOnlyChecked)
        cols = unionOf(marks.markedCols(0), marks.markedCols(1));
    for (int i = 0; i < 2; ++i)
        state.grdData(i).setShownLines(rows, cols);
}

QString hiddenLinesRefusal(const QString &item)
{
    return QStringLiteral("選んだ範囲の間に表示していない行か列があるため、「%1」はできません。"
                          "「差分のある行だけ表示」「差分のある列だけ表示」を外すか、"
                          "表示していない行や列を挟まない範囲を選んでください。")
        .arg(item);
}

bool sheetsHideLines(const AppState &state)
{
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = state.grdData(i);
        if (sheet.shownRows().isFiltered() || sheet.shownCols().isFiltered())
            return true;
    }
    return false;
}
