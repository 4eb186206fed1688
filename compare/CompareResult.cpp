#include "CompareResult.h"

#include "SheetData.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kNoDifferenceText = u"差はありません"_s;
const QString kDifferenceCountText = u"差が　%1　個あります"_s;
const QString kSizesDifferText = u"サイズに差異があります"_s;
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
