#include "ReportCommand.h"

#include "AppState.h"
#include "CommandTable.h"
#include "CompareEngine.h"
#include "CompareOptions.h"
#include "ReportFile.h"
#include "UserInterface.h"
#include "XlsxReport.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace
{
const QString kDialogTitle = u"差分レポートを保存"_s;
const QStringList kFilters{u"HTML (*.html)"_s, u"Excel ブック (*.xlsx)"_s, u"CSV (*.csv)"_s};
constexpr std::array<ReportFormat, 3> kFilterFormats{ReportFormat::Html, ReportFormat::Xlsx, ReportFormat::Csv};
const QString kMessageTitle = u"差分レポート"_s;
const QString kSavedText = u"差分レポートを保存しました\r\n%1"_s;
const QString kReplaceText = u"%1 は既にあります。\r\n置き換えますか？"_s;

bool isDifferingColour(OleColor color)
{
    return color == kDiffBackColor || color == kFillerBackColor;
}

// Whether every cell's colour says what `result` found: the differing pairs light red (grey on a
// filler row), the equal ones not, the cells only one sheet has magenta. Edits are re-compared as
// they happen, so this fails only after a change that keeps colours until the next comparison.
bool windowShowsResult(const AppState &state, const CompareResult &result)
{
    const std::array<const SheetData *, 2> data{&state.grdData(0).data(), &state.grdData(1).data()};
    auto differing = result.differences.begin();
    for (int r = 1; r < result.commonRows(); ++r) {
        for (int c = 1; c < result.commonCols(); ++c) {
            const bool differs = differing != result.differences.end() && *differing == CellPosition(r, c);
            if (differs)
                ++differing;
            for (const SheetData *sheet : data) {
                if (isDifferingColour(sheet->backColor(r, c)) != differs)
                    return false;
            }
        }
    }
    for (int i = 0; i < 2; ++i) {
        for (int r = 1; r < result.rows[size_t(i)]; ++r) {
            for (int c = r < result.commonRows() ? result.commonCols() : 1; c < result.cols[size_t(i)]; ++c) {
                if (data[size_t(i)]->backColor(r, c) != kExtraBackColor)
                    return false;
            }
        }
    }
    return true;
}
} // namespace

bool reportMenuEnabled(const AppState &state)
{
    return commandEnabled(state, Command::Report);
}

DifferenceReport reportOfSheets(const AppState &state, const CompareResult &result, const QDateTime &createdAt)
{
    ReportSettings settings;
    for (int i = 0; i < 2; ++i) {
        ReportFile &file = settings.files[size_t(i)];
        file.path = state.SheetFileName[size_t(i)];
        file.format = state.grdData(i).fileFormat();
        file.partialReadFrom = state.PartialReadFrom[size_t(i)];
        file.workbookSheet = state.SheetWorkbookSheet[size_t(i)];
    }
    settings.delimiterMode = state.DelimiterMode;
    settings.delimiter = state.UserDelimiter;
    settings.options = compareOptionLabels(state.compareOptions);
    settings.fileRows = fileRowsFromFillerRows(state.grdData(0).data(), state.grdData(1).data());
    settings.columnPairs = columnPairsFromFillerCols(state.grdData(0).data(), state.grdData(1).data());
    settings.createdAt = createdAt;
    return buildDifferenceReport(result, state.grdData(0).data(), state.grdData(1).data(), std::move(settings),
                                 result.equivalents);
}

void mnuReport_Click(AppState &state, UserInterface &ui, const QDateTime &now)
{
    if (!commandMayRun(state, Command::Report))
        return;

    SaveDialogRequest request;
    request.title = kDialogTitle;
    request.filters = kFilters;
    request.defaultSuffix = reportSuffix(kFilterFormats[0]);
    if (const QString &file = state.SheetFileName[0]; !file.isEmpty())
        request.initialFolder = QFileInfo(file).absolutePath();
    const SaveDialogAnswer answer = ui.askSaveFileNameAndFilter(request);
    if (answer.path.isEmpty())
        return;
    QString path = answer.path;
    // A name typed with a report's suffix says which report the person wants, whatever filter the
    // dialog still showed; otherwise the filter decides and its suffix is added.
    const std::optional<ReportFormat> typed = reportFormatForPath(path);
    const ReportFormat format = typed.value_or(kFilterFormats.at(size_t(std::clamp<qsizetype>(answer.filter, 0, 2))));
    if (!typed) {
        // The dialog confirmed the name as typed; the name with the suffix is another file.
        path += u'.' + reportSuffix(format);
        if (QFileInfo::exists(path)) {
            const Question question = Question::yesNo(kReplaceText.arg(QFileInfo(path).fileName()), kMessageTitle,
                                                      MessageIcon::Exclamation);
            if (ui.askQuestion(question) != Answer::Yes)
                return;
        }
    }

    CompareResult result = FindDifferences(state.grdData(0).data(), state.grdData(1).data(), state.compareOptions);
    if (!windowShowsResult(state, result))
        result = CompareSheets(state, ui, false);
    const DifferenceReport report = reportOfSheets(state, result, now);
    if (QString reason; !saveReport(report, format, path, &reason)) {
        ui.showMessage(reason.isEmpty() ? reportNotSavedText() : reportNotSavedText() + u"\r\n"_s + reason,
                       kMessageTitle, MessageIcon::Critical);
        return;
    }
    QString saved = kSavedText.arg(path);
    if (format == ReportFormat::Xlsx) {
        if (const qsizetype cut = xlsxTextChanges(report).cut; cut > 0)
            saved += u"\r\n"_s + xlsxCutCellsText(cut);
    }
    ui.showMessage(saved, kMessageTitle, MessageIcon::Information);
}
