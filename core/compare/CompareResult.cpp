#include "CompareResult.h"

#include "CompareLoop.h"
#include "SheetData.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace
{
const QString kNoDifferenceText = u"差はありません"_s;
const QString kDifferenceCountText = u"差が　%1　個あります"_s;
const QString kSizesDifferText = u"サイズに差異があります"_s;
const QString kEquivalentCountText = u"ほかに、比較オプションにより同じとみなしたセルが %1 個あります"_s;
} // namespace

QString compareResultMessage(const CompareResult &result)
{
    QString text = result.count() == 0 ? kNoDifferenceText : kDifferenceCountText.arg(result.count());
    if (result.sizesDiffer)
        text += u"\r\n"_s + kSizesDifferText;
    if (!result.equivalents.empty())
        text += u"\r\n"_s + kEquivalentCountText.arg(result.equivalents.size());
    return text;
}

CompareResult FindDifferences(const SheetData &data0, const SheetData &data1)
{
    return FindDifferences(data0, data1, CompareOptions());
}

CompareResult FindDifferences(const SheetData &data0, const SheetData &data1, const CompareOptions &options)
{
    // Told nothing: the positions are all the caller wants.
    struct Nobody final : CellListener
    {
        void differingCell(int, int, QStringView, QStringView) override
        {
        }
    };
    Nobody nobody;
    return FindDifferences(data0, data1, options, nobody);
}

CompareResult FindDifferences(const SheetData &data0, const SheetData &data1, const CompareOptions &options,
                              CellListener &listener)
{
    // Lists what a run would colour, and colours nothing.
    struct Lister
    {
        CellListener &listener;
        CompareResult result;

        void shapes(const std::array<int, 2> &rows, const std::array<int, 2> &cols)
        {
            result.rows = rows;
            result.cols = cols;
        }
        void extraCell(int, int, int)
        {
            result.sizesDiffer = true;
        }
        CompareStep extraLineDone(int, ExtraLine, int)
        {
            return CompareStep::Continue;
        }
        void differingCell(int row, int col, QStringView text0, QStringView text1)
        {
            result.differences.emplace_back(row, col);
            listener.differingCell(row, col, text0, text1);
        }
        void equivalentCell(int row, int col, QStringView text0, QStringView text1)
        {
            result.equivalents.emplace_back(row, col);
            listener.equivalentCell(row, col, text0, text1);
        }
        void equalCell(int, int)
        {
        }
        CompareStep commonRowDone(int)
        {
            return CompareStep::Continue;
        }
    };
    Lister lister{listener, {}};
    CellEquality equality(options);
    // Nothing stops the walk: it always ends.
    (void)walkComparison(data0, data1, lister, equality);
    return std::move(lister.result);
}
