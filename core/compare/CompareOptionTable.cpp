#include "CompareOptionTable.h"

const CompareOptionRow &compareOptionOf(TextFolding::Rule rule)
{
    const auto *row = std::find_if(kCompareOptionTable.begin(), kCompareOptionTable.end(),
                                   [rule](const CompareOptionRow &option) { return option.rule == rule; });
    // Every rule has its row (checked where the table is defined).
    return row != kCompareOptionTable.end() ? *row : kCompareOptionTable.front();
}

const CompareOptionRow *compareOptionNamed(QStringView name)
{
    const auto *row = std::find_if(kCompareOptionTable.begin(), kCompareOptionTable.end(),
                                   [name](const CompareOptionRow &option) { return option.name == name; });
    return row == kCompareOptionTable.end() ? nullptr : row;
}
