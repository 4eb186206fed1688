#include "ColumnAlignment.h"

#include "CellEquality.h"
#include "RowAlignment.h"
#include "SheetData.h"

#include <QHash>
#include <QString>

#include <algorithm>
#include <cstdint>

int ColumnAlignment::addedCols(int sheet) const
{
    return int(std::count_if(columns.begin(), columns.end(),
                             [&](const std::array<int, 2> &pair) { return pair[size_t(sheet)] == 0; }));
}

int ColumnAlignment::matchedCols() const
{
    return int(std::count_if(columns.begin(), columns.end(),
                             [](const std::array<int, 2> &pair) { return pair[0] > 0 && pair[1] > 0; }));
}

std::vector<std::pair<int, int>> ColumnAlignment::colGroups(int sheet) const
{
    std::vector<std::pair<int, int>> groups;
    int next = 1; // the sheet's next own column
    for (const std::array<int, 2> &pair : columns) {
        const int own = pair[size_t(sheet)];
        if (own > 0) {
            next = own + 1;
        } else if (!groups.empty() && groups.back().first == next) {
            ++groups.back().second;
        } else {
            groups.emplace_back(next, 1);
        }
    }
    return groups;
}

std::vector<int> ColumnAlignment::partners(int sheet, int cols) const
{
    std::vector<int> result(size_t(std::max(cols, 0)) + 1, 0);
    for (const std::array<int, 2> &pair : columns) {
        const int own = pair[size_t(sheet)];
        if (own > 0 && own <= cols)
            result[size_t(own)] = pair[size_t(1 - sheet)];
    }
    return result;
}

std::vector<int> fillerCols(const ColumnAlignment &alignment, int sheet)
{
    std::vector<int> cols;
    for (size_t at = 0; at < alignment.columns.size(); ++at) {
        if (alignment.columns[at][size_t(sheet)] == 0)
            cols.push_back(int(at) + 1);
    }
    return cols;
}

ColumnAlignment alignColumnsFromMatches(const std::vector<std::pair<int, int>> &matches, int colsA, int colsB)
{
    ColumnAlignment alignment;
    int nextA = 1;
    int nextB = 1;
    const auto stretch = [&](int toA, int toB) {
        for (; nextA < toA; ++nextA)
            alignment.columns.push_back({nextA, 0});
        for (; nextB < toB; ++nextB)
            alignment.columns.push_back({0, nextB});
    };
    for (const auto &[a, b] : matches) {
        stretch(a, b);
        alignment.columns.push_back({a, b});
        nextA = a + 1;
        nextB = b + 1;
    }
    stretch(colsA + 1, colsB + 1);
    return alignment;
}

ColumnAlignment alignColumnsByHeading(const std::vector<QString> &first, const std::vector<QString> &second,
                                      const CompareOptions &options)
{
    CellEquality equality(options);
    const std::array<const std::vector<QString> *, 2> headings{&first, &second};
    std::array<std::vector<size_t>, 2> hashes;
    for (size_t s = 0; s < 2; ++s) {
        for (const QString &heading : *headings[s])
            hashes[s].push_back(qHash(equality.hashKey(heading)));
    }
    // Column 0 is never left out: a heading names its column whether the column is compared or not.
    const std::array<std::vector<std::uint32_t>, 2> identities
        = identitiesFromHashes(hashes, [&](int sheetA, int colA, int sheetB, int colB) {
              return equality.equal((*headings[size_t(sheetA)])[size_t(colA)],
                                    (*headings[size_t(sheetB)])[size_t(colB)], 0);
          });
    const RowMatches found = matchRows(identities[0], identities[1]);
    std::vector<std::pair<int, int>> matches;
    for (const auto &[a, b] : found.pairs)
        matches.emplace_back(a + 1, b + 1);
    return alignColumnsFromMatches(matches, int(first.size()), int(second.size()));
}

namespace
{
std::vector<QString> headingsOf(const SheetData &data)
{
    std::vector<QString> headings;
    for (int c = 1; c < data.cols(); ++c)
        headings.push_back(data.rows() > 1 ? data.text(1, c).toString() : QString());
    return headings;
}
} // namespace

ColumnAlignment alignColumnsByHeading(const SheetData &first, const SheetData &second, const CompareOptions &options)
{
    return alignColumnsByHeading(headingsOf(first), headingsOf(second), options);
}

ColumnAlignment alignColumnsByContent(const SheetData &first, const SheetData &second, const CompareOptions &options)
{
    const int colsA = std::max(0, first.cols() - 1);
    const int colsB = std::max(0, second.cols() - 1);
    // Row 1 is the heading that did not help, unless it is all there is.
    const int common = std::max(0, std::min(first.rows(), second.rows()) - 1);
    const int from = common >= 2 ? 2 : 1;
    const int rows = std::max(0, common - from + 1);
    // The work is columns x columns x rows compared: wide pairs compare fewer rows, and past
    // kContentPairLimit column pairs none (every column then faces a filler column).
    const std::int64_t pairs = std::int64_t(colsA) * colsB;
    if (pairs > kContentPairLimit)
        return {alignColumnsFromMatches({}, colsA, colsB).columns, true};
    const int samples
        = int(std::min<std::int64_t>({std::int64_t(rows), std::int64_t(kContentSampleRows),
                                      std::max<std::int64_t>(64, 40'000'000 / std::max<std::int64_t>(pairs, 1))}));
    std::vector<int> sampled;
    for (int k = 0; k < samples; ++k)
        sampled.push_back(from + int(std::int64_t(k) * rows / samples));
    // Each column's cells as keys, column after column, equal for cells the options make the same.
    CellEquality equality(options);
    const auto keysOf = [&](const SheetData &data, int cols) {
        std::vector<std::uint64_t> keys(size_t(cols) * sampled.size());
        for (int c = 1; c <= cols; ++c) {
            for (size_t k = 0; k < sampled.size(); ++k) {
                const QStringView text = data.text(sampled[k], c);
                // Every column counts here, also one left out of the comparison.
                const QStringView key = equality.hashKey(text);
                keys[size_t(c - 1) * sampled.size() + k] = key.isEmpty() ? 0 : (qHash(key, 0x5bd1e995u) | 1u);
            }
        }
        return keys;
    };
    const std::vector<std::uint64_t> keysA = keysOf(first, colsA);
    const std::vector<std::uint64_t> keysB = keysOf(second, colsB);
    const size_t n = sampled.size();
    const auto share = [&](int a, int b) {
        if (n == 0)
            return 0.0;
        const std::uint64_t *x = keysA.data() + size_t(a) * n;
        const std::uint64_t *y = keysB.data() + size_t(b) * n;
        size_t equal = 0;
        for (size_t k = 0; k < n; ++k)
            equal += x[k] == y[k] ? 1 : 0;
        return double(equal) / double(n);
    };
    // The orderly matching of alike columns with the largest summed share, from the right so that
    // the walk from the left takes the earliest of equally good matchings.
    const size_t stride = size_t(colsB) + 1;
    std::vector<double> best((size_t(colsA) + 1) * stride, 0.0);
    std::vector<double> shares(size_t(colsA) * size_t(colsB), 0.0);
    const auto at = [&](int a, int b) -> double & { return best[size_t(a) * stride + size_t(b)]; };
    for (int a = colsA - 1; a >= 0; --a) {
        for (int b = colsB - 1; b >= 0; --b) {
            const double s = share(a, b);
            shares[size_t(a) * size_t(colsB) + size_t(b)] = s;
            double value = std::max(at(a + 1, b), at(a, b + 1));
            if (s >= kColumnLikeness)
                value = std::max(value, at(a + 1, b + 1) + s);
            at(a, b) = value;
        }
    }
    std::vector<std::pair<int, int>> matches;
    int a = 0;
    int b = 0;
    while (a < colsA && b < colsB) {
        const double s = shares[size_t(a) * size_t(colsB) + size_t(b)];
        if (s >= kColumnLikeness && at(a, b) == at(a + 1, b + 1) + s) {
            matches.emplace_back(a + 1, b + 1);
            ++a;
            ++b;
        } else if (at(a, b) == at(a + 1, b)) {
            ++a;
        } else {
            ++b;
        }
    }
    ColumnAlignment alignment = alignColumnsFromMatches(matches, colsA, colsB);
    alignment.byContent = true;
    return alignment;
}

bool headingsMostlyShared(const ColumnAlignment &byHeading)
{
    const int colsA = int(byHeading.columns.size()) - byHeading.addedCols(0);
    const int colsB = int(byHeading.columns.size()) - byHeading.addedCols(1);
    return 2 * byHeading.matchedCols() >= std::min(colsA, colsB);
}

bool columnsFitColLimit(const ColumnAlignment &alignment, const SheetData &first, const SheetData &second)
{
    const std::array<const SheetData *, 2> sheets{&first, &second};
    for (int i = 0; i < 2; ++i) {
        if (qint64(sheets[size_t(i)]->cols()) + alignment.addedCols(i) > kMaxRowCol)
            return false;
    }
    return true;
}

bool columnsFitCells(const ColumnAlignment &alignment, const SheetData &first, const SheetData &second)
{
    const std::array<const SheetData *, 2> sheets{&first, &second};
    for (int i = 0; i < 2; ++i) {
        const SheetData &sheet = *sheets[size_t(i)];
        if ((qint64(sheet.cols()) + alignment.addedCols(i)) * sheet.rows() > kMaxCells)
            return false;
    }
    return true;
}

QString alignColumnsTooWideText()
{
    return QStringLiteral("列を揃えると列数が上限（%1列）を超えるため、揃えられません。").arg(kMaxRowCol - 1);
}

QString alignColumnsTooManyCellsText()
{
    return QStringLiteral("追加するとシートのセルの数が上限（%1 個）を超えるため、追加できません。").arg(kMaxCells);
}

QString fewHeadingsSharedText(int matched)
{
    return QStringLiteral("1行目の列見出しは半分も一致しません（%1 列が一致）。").arg(matched);
}

void insertAlignedCols(SheetData &data, const ColumnAlignment &alignment, int index)
{
    const std::vector<std::pair<int, int>> groups = alignment.colGroups(index);
    // From the right, so that each group's place still counts the columns as they were.
    for (auto group = groups.rbegin(); group != groups.rend(); ++group)
        data.insertCols(group->first, group->second);
    for (const int col : fillerCols(alignment, index))
        data.setFillerCol(col, true);
}
