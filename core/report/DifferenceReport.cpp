#include "DifferenceReport.h"

#include "CompareResult.h"
#include "FormatNames.h"
#include "SheetLabels.h"
#include "WorkbookReader.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
const QString kCreatedCaption = u"作成日時"_s;
const QString kPathCaption = u"%1"_s;
const QString kSizeCaption = u"%1の大きさ"_s;
const QString kSizeValue = u"%1 行 × %2 列"_s;
const QString kEncodingCaption = u"%1の文字コード"_s;
const QString kLineEndCaption = u"%1の改行"_s;
const QString kReadCaption = u"%1の読み込み"_s;
const QString kReadWhole = u"全体"_s;
const QString kReadPartly = u"一部のみ（%1 行目以降は読み込めていません）"_s;
const QString kNoFile = u"（ファイルなし）"_s;
const QString kDelimiterCaption = u"区切り文字"_s;
const QString kOptionsCaption = u"比較オプション"_s;
const QString kNoOptions = u"なし"_s;
const QString kOptionSeparator = u"、"_s;
const QString kLinedUpCaption = u"行を揃える"_s;
const QString kLinedUp = u"揃えて比較"_s;
const QString kNotLinedUp = u"揃えずに比較"_s;
const QString kColumnsCaption = u"列の対応"_s;
const QString kColumnsValue = u"対応: %1／%2のみ: %3／%4のみ: %5"_s;
const QString kNoColumns = u"なし"_s;
const QString kDiffersCaption = u"相違のセル"_s;
const QString kOnlyInCaption = u"%1にしかないセル"_s;
const QString kEquivalentCaption = u"表記ゆれのセル（比較オプションにより同じとみなしたセル）"_s;
const QString kDateFormat = u"yyyy-MM-dd HH:mm:ss"_s;

const QString kRowCaption = u"行"_s;
const QString kColCaption = u"列"_s;
const QString kTitleCaption = u"列の見出し"_s;
const QString kValueCaption = u"%1の値"_s;
const QString kKindCaption = u"種類"_s;
const QString kFileRowCaption = u"%1の行"_s;
} // namespace

QString reportKindText(ReportKind kind)
{
    switch (kind) {
    case ReportKind::Differs:
        return u"相違"_s;
    case ReportKind::OnlyInFile1:
        return u"ファイル１のみ"_s;
    case ReportKind::OnlyInFile2:
        return u"ファイル２のみ"_s;
    case ReportKind::Equivalent:
        return u"表記ゆれ"_s;
    }
    return {};
}

std::optional<QStringView> DifferenceReport::text(int sheet, CellPosition position) const
{
    const SheetData &data = m_data.at(size_t(sheet));
    if (position.row() >= data.rows() || position.col() >= data.cols())
        return std::nullopt;
    return data.text(position.row(), position.col());
}

QStringView DifferenceReport::columnTitle(int col) const
{
    const SheetData &data = m_data[0];
    if (data.rows() < 2 || col >= data.cols())
        return {};
    return data.text(1, col);
}

std::optional<int> DifferenceReport::fileRow(int sheet, int row) const
{
    const std::vector<int> &rows = m_settings.fileRows.at(size_t(sheet));
    if (size_t(row) >= rows.size() || rows[size_t(row)] <= 0)
        return std::nullopt;
    return rows[size_t(row)];
}

QList<std::pair<QString, QString>> DifferenceReport::summary() const
{
    QList<std::pair<QString, QString>> lines;
    lines.append({kCreatedCaption, m_settings.createdAt.toString(kDateFormat)});
    for (int i = 0; i < 2; ++i) {
        const ReportFile &file = m_settings.files[size_t(i)];
        const QString &name = kSheetLabels[size_t(i)];
        const bool workbook = !file.workbookSheet.isEmpty();
        lines.append({kPathCaption.arg(name),
                      file.path.isEmpty() ? kNoFile
                          : workbook      ? file.path + workbookSheetLabel(file.path, file.workbookSheet)
                                          : file.path});
        // The file's own rows: the rows inserted to line up are not in it.
        const std::vector<int> &fileRows = m_settings.fileRows[size_t(i)];
        const int dataRows
            = fileRows.empty() ? std::max(0, rows(i) - 1) : *std::max_element(fileRows.begin(), fileRows.end());
        lines.append({kSizeCaption.arg(name), kSizeValue.arg(dataRows).arg(std::max(0, cols(i) - 1))});
        lines.append(
            {kEncodingCaption.arg(name), workbook ? workbookFormatName() : encodingDisplayName(file.format.encoding)});
        lines.append({kLineEndCaption.arg(name), lineEndDisplayName(file.format.lineEnd)});
        lines.append(
            {kReadCaption.arg(name), file.partialReadFrom > 0 ? kReadPartly.arg(file.partialReadFrom) : kReadWhole});
    }
    lines.append({kDelimiterCaption, delimiterDisplayName(m_settings.delimiterMode, m_settings.delimiter)});
    lines.append(
        {kOptionsCaption, m_settings.options.isEmpty() ? kNoOptions : m_settings.options.join(kOptionSeparator)});
    lines.append({kLinedUpCaption, rowsLinedUp() ? kLinedUp : kNotLinedUp});
    if (!m_settings.columnPairs.empty()) {
        QStringList matched;
        std::array<QStringList, 2> only;
        for (const std::array<int, 2> &pair : m_settings.columnPairs) {
            if (pair[0] > 0 && pair[1] > 0)
                matched << u"%1-%2"_s.arg(pair[0]).arg(pair[1]);
            else
                only[pair[0] > 0 ? 0 : 1] << QString::number(std::max(pair[0], pair[1]));
        }
        const auto listed
            = [](const QStringList &columns) { return columns.isEmpty() ? kNoColumns : columns.join(u", "_s); };
        lines.append(
            {kColumnsCaption,
             kColumnsValue.arg(listed(matched), kSheetLabels[0], listed(only[0]), kSheetLabels[1], listed(only[1]))});
    }
    lines.append({kDiffersCaption, QString::number(count(ReportKind::Differs))});
    lines.append({kOnlyInCaption.arg(kSheetLabels[0]), QString::number(count(ReportKind::OnlyInFile1))});
    lines.append({kOnlyInCaption.arg(kSheetLabels[1]), QString::number(count(ReportKind::OnlyInFile2))});
    lines.append({kEquivalentCaption, QString::number(count(ReportKind::Equivalent))});
    return lines;
}

QStringList DifferenceReport::listCaptions() const
{
    QStringList captions{
        kRowCaption, kColCaption, kTitleCaption, kValueCaption.arg(kSheetLabels[0]), kValueCaption.arg(kSheetLabels[1]),
        kKindCaption};
    if (rowsLinedUp())
        captions << kFileRowCaption.arg(kSheetLabels[0]) << kFileRowCaption.arg(kSheetLabels[1]);
    return captions;
}

QStringList DifferenceReport::listFields(const ReportEntry &entry) const
{
    const CellPosition position = entry.position;
    QStringList fields{QString::number(position.row()),
                       QString::number(position.col()),
                       columnTitle(position.col()).toString(),
                       text(0, position).value_or(QStringView()).toString(),
                       text(1, position).value_or(QStringView()).toString(),
                       reportKindText(entry.kind)};
    if (rowsLinedUp()) {
        for (int i = 0; i < 2; ++i) {
            const std::optional<int> row = text(i, position) ? fileRow(i, position.row()) : std::nullopt;
            fields << (row ? QString::number(*row) : QString());
        }
    }
    return fields;
}

DifferenceReport buildDifferenceReport(const CompareResult &result, const SheetData &data0, const SheetData &data1,
                                       ReportSettings settings, std::span<const CellPosition> equivalents)
{
    DifferenceReport report;
    report.m_settings = std::move(settings);
    report.m_data = {data0, data1};

    // The result names the positions of the common area; the cells only one sheet has follow
    // from the shapes. Walking row by row and merging keeps the list in reading order.
    const int commonRows = result.commonRows();
    const int commonCols = result.commonCols();
    const int rows = std::max(result.rows[0], result.rows[1]);
    const int cols = std::max(result.cols[0], result.cols[1]);
    auto differing = result.differences.begin();
    auto equivalent = equivalents.begin();
    std::vector<ReportEntry> &entries = report.m_entries;
    entries.reserve(result.differences.size() + equivalents.size());
    auto add = [&](int row, int col, ReportKind kind) {
        entries.push_back({CellPosition(row, col), kind});
        ++report.m_counts[size_t(kind)];
    };
    for (int r = 1; r < rows; ++r) {
        if (r < commonRows) {
            // Both lists are sorted: take this row's positions from each in column order.
            const CellPosition rowEnd(r + 1, 0);
            while ((differing != result.differences.end() && *differing < rowEnd)
                   || (equivalent != equivalents.end() && *equivalent < rowEnd)) {
                const bool takeDiffering = differing != result.differences.end() && *differing < rowEnd
                    && (equivalent == equivalents.end() || *differing < *equivalent);
                if (takeDiffering) {
                    add(differing->row(), differing->col(), ReportKind::Differs);
                    ++differing;
                } else {
                    add(equivalent->row(), equivalent->col(), ReportKind::Equivalent);
                    ++equivalent;
                }
            }
        }
        const int firstOutside = r < commonRows ? commonCols : 1;
        for (int c = std::max(1, firstOutside); c < cols; ++c) {
            if (result.isOutsideCommonArea(0, r, c))
                add(r, c, ReportKind::OnlyInFile1);
            else if (result.isOutsideCommonArea(1, r, c))
                add(r, c, ReportKind::OnlyInFile2);
        }
    }
    return report;
}

std::array<std::vector<int>, 2> fileRowsFromFillerRows(const SheetData &data0, const SheetData &data1)
{
    std::array<std::vector<int>, 2> fileRows;
    const std::array<const SheetData *, 2> data{&data0, &data1};
    bool any = false;
    for (const SheetData *sheet : data) {
        for (int r = 1; r < sheet->rows() && !any; ++r)
            any = sheet->isFillerRow(r);
    }
    if (!any)
        return fileRows;
    for (size_t i = 0; i < 2; ++i) {
        std::vector<int> &rows = fileRows[i];
        rows.assign(size_t(std::max(1, data[i]->rows())), 0);
        int fileRow = 0;
        for (int r = 1; r < data[i]->rows(); ++r)
            rows[size_t(r)] = data[i]->isFillerRow(r) ? 0 : ++fileRow;
    }
    return fileRows;
}

std::vector<std::array<int, 2>> columnPairsFromFillerCols(const SheetData &data0, const SheetData &data1)
{
    std::vector<std::array<int, 2>> pairs;
    const std::array<const SheetData *, 2> data{&data0, &data1};
    bool any = false;
    for (const SheetData *sheet : data) {
        for (int c = 1; c < sheet->cols() && !any; ++c)
            any = sheet->isFillerCol(c);
    }
    if (!any)
        return pairs;
    std::array<int, 2> fileCol{};
    for (int c = 1; c < std::max(data0.cols(), data1.cols()); ++c) {
        std::array<int, 2> pair{};
        for (size_t i = 0; i < 2; ++i) {
            if (c < data[i]->cols() && !data[i]->isFillerCol(c))
                pair[i] = ++fileCol[i];
        }
        pairs.push_back(pair);
    }
    return pairs;
}
