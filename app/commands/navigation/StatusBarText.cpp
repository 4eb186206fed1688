#include "StatusBarText.h"

#include "AppState.h"
#include "CompareOptions.h"
#include "FormatNames.h"
#include "SheetLabels.h"
#include "SheetLock.h"
#include "ShownDifferences.h"
#include "WorkbookReader.h"

#include <QStringList>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace
{
const QString kSheetText = u"%1　%2 行 × %3 列　%4　%5　区切り %6"_s;
const QString kMixedLineEnds = u"混在"_s;
const QString kPlaceText = u"差分 %1 / %2（%3行 %4列）"_s;
const QString kCountText = u"差分 %1 個"_s;
const QString kChangedText = u"比較後に変更あり"_s;
const QString kSeparator = u"　"_s;
const QString kRowsOnlyText = u"差分のある行だけ表示中（%1 行）"_s;
const QString kColsOnlyText = u"差分のある列だけ表示中（%1 列）"_s;
const QString kAllShownText = u"差分なし：すべての行と列を表示中"_s;
const QString kNotYetShownText = u"比較すると差分のある所だけを表示します"_s;

// A row keeps a line end of its own only where it differs from the file's most common one.
bool hasMixedLineEnds(const Sheet &sheet)
{
    const SheetData &data = sheet.data();
    for (int r = 0; r < data.rows(); ++r) {
        if (data.lineEnd(r))
            return true;
    }
    return false;
}
} // namespace

QString statusSheetText(const AppState &state, int index)
{
    const Sheet &sheet = state.grdData(index);
    if (!sheet.isVisible())
        return {};
    const SheetFileFormat format = sheet.fileFormat();
    const bool fromWorkbook = !state.SheetWorkbookSheet.at(index).isEmpty();
    QString text = kSheetText.arg(kSheetLabels.at(index))
                       .arg(std::max(sheet.rows() - 1, 0))
                       .arg(std::max(sheet.cols() - 1, 0))
                       .arg(fromWorkbook ? workbookFormatName() : encodingDisplayName(format.encoding),
                            hasMixedLineEnds(sheet) ? kMixedLineEnds : lineEndDisplayName(format.lineEnd),
                            delimiterDisplayName(state.DelimiterMode, state.UserDelimiter));
    if (const QString &note = state.ReadNote.at(index); !note.isEmpty())
        text += kSeparator + note;
    return text;
}

namespace
{
QString placeAmongDifferences(const AppState &state)
{
    const DifferenceList &list = state.Differences;
    const int index = activeSheetIndex(state);
    const Sheet *active = index >= 0 && state.grdData(index).isVisible() ? &state.grdData(index) : nullptr;
    const AppState::Note &note = state.StatusNote;
    const bool noteApplies = active && !note.text.isEmpty() && note.sheet == index && note.row == active->row()
        && note.col == active->col();
    if (!list.hasRun())
        return noteApplies ? note.text : QString();
    QString text;
    const std::optional<qsizetype> place
        = active ? list.ordinal(CellPosition(active->row(), active->col())) : std::nullopt;
    if (place)
        text = kPlaceText.arg(*place).arg(list.count()).arg(active->row()).arg(active->col());
    else
        text = kCountText.arg(list.count());
    if (state.ChangedSinceComparison)
        text += kSeparator + kChangedText;
    if (noteApplies)
        text += kSeparator + note.text;
    return text;
}
// What the sheets show of their rows and columns, while 「差分のある行だけ表示」 or
// 「差分のある列だけ表示」 is checked: how many data rows (columns) the larger sheet shows.
QString shownDifferencesText(const AppState &state)
{
    QStringList parts;
    const auto shownCount = [&](bool rows) {
        int count = 0;
        for (int i = 0; i < 2; ++i) {
            const Sheet &sheet = state.grdData(i);
            if (sheet.isVisible())
                count = std::max(count, (rows ? sheet.shownRows() : sheet.shownCols()).count() - 1);
        }
        return count;
    };
    const bool hides = sheetsHideLines(state);
    if (state.mnuDiffRowsOnlyChecked && hides)
        parts << kRowsOnlyText.arg(shownCount(true));
    if (state.mnuDiffColsOnlyChecked && hides)
        parts << kColsOnlyText.arg(shownCount(false));
    if ((state.mnuDiffRowsOnlyChecked || state.mnuDiffColsOnlyChecked) && !hides)
        parts << (state.Differences.hasRun() ? kAllShownText : kNotYetShownText);
    return parts.join(kSeparator);
}
} // namespace

QString statusDifferenceText(const AppState &state)
{
    // The options in force stay in sight, so that a person never takes an equal-under-the-rules
    // result for an exact one.
    QString text = placeAmongDifferences(state);
    if (const QString shown = shownDifferencesText(state); !shown.isEmpty())
        text += (text.isEmpty() ? QString() : kSeparator) + shown;
    if (const QString options = compareOptionsSummary(state.compareOptions); !options.isEmpty())
        text += (text.isEmpty() ? QString() : kSeparator) + options;
    return text;
}
