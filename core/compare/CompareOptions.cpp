#include "CompareOptions.h"

#include "CompareOptionTable.h"
#include "SheetData.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace
{
const QString kSummaryPrefix = u"比較オプション: "_s;
const QString kSummarySeparator = u"・"_s;

// Full-width digits read as their ASCII forms; anything else is not a digit.
int digitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'０' && c <= u'９')
        return c.unicode() - u'０';
    return -1;
}

bool isListBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\u3000';
}
} // namespace

QString toleranceText(double tolerance)
{
    return QLocale::c().toString(tolerance, 'g', QLocale::FloatingPointShortest);
}

bool CompareOptions::foldsText() const
{
    return std::any_of(kCompareOptionTable.begin(), kCompareOptionTable.end(),
                       [this](const CompareOptionRow &row) { return row.rule && row.flag && this->*row.flag; });
}

bool CompareOptions::skipsColumn(int col) const
{
    return std::any_of(skipColumns.begin(), skipColumns.end(),
                       [col](const ColumnRange &range) { return col >= range.first && col <= range.last; });
}

std::optional<std::vector<ColumnRange>> parseColumnList(QStringView text)
{
    std::vector<ColumnRange> ranges;
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && isListBlank(text[i]))
            ++i;
    };
    // A column number, or nothing when there is none or it lies outside the data columns.
    const auto number = [&]() -> std::optional<int> {
        skipBlanks();
        int value = 0;
        qsizetype digits = 0;
        for (; i < text.size() && digitValue(text[i]) >= 0; ++i, ++digits) {
            value = value * 10 + digitValue(text[i]);
            if (value >= kMaxRowCol)
                return std::nullopt;
        }
        skipBlanks();
        if (digits == 0 || value < 1)
            return std::nullopt;
        return value;
    };
    skipBlanks();
    if (i == text.size())
        return ranges;
    while (true) {
        const std::optional<int> first = number();
        if (!first)
            return std::nullopt;
        int last = *first;
        if (i < text.size() && QStringView(u"-－~〜").contains(text[i])) {
            ++i;
            const std::optional<int> end = number();
            if (!end || *end < *first)
                return std::nullopt;
            last = *end;
        }
        ranges.push_back({*first, last});
        if (i == text.size())
            break;
        if (!QStringView(u",，、").contains(text[i]))
            return std::nullopt;
        ++i;
    }
    // Sorted and merged, so that equal lists compare equal however they were written.
    std::sort(ranges.begin(), ranges.end(),
              [](const ColumnRange &a, const ColumnRange &b) { return a.first < b.first; });
    std::vector<ColumnRange> merged;
    for (const ColumnRange &range : ranges) {
        if (!merged.empty() && range.first <= merged.back().last + 1)
            merged.back().last = std::max(merged.back().last, range.last);
        else
            merged.push_back(range);
    }
    return merged;
}

QString columnListText(const std::vector<ColumnRange> &ranges)
{
    QStringList items;
    for (const ColumnRange &range : ranges) {
        items.append(range.first == range.last ? QString::number(range.first)
                                               : QString::number(range.first) + u'-' + QString::number(range.last));
    }
    return items.join(u", "_s);
}

std::optional<double> parseTolerance(QStringView text)
{
    QString ascii;
    for (const QChar c : text) {
        if (isListBlank(c))
            continue;
        const int digit = digitValue(c);
        if (digit >= 0)
            ascii += QChar(u'0' + digit);
        else if (c == u'.' || c == u'．')
            ascii += u'.';
        else
            return std::nullopt;
    }
    if (ascii.isEmpty())
        return 0.0;
    bool ok = false;
    const double value = ascii.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool CompareOptions::limitsAnOption() const
{
    for (size_t i = 0; i < kCompareOptionSwitches; ++i) {
        if (this->*kCompareOptionTable[i].flag && !onlyColumns[i].empty())
            return true;
    }
    return false;
}

OptionName setCompareOption(CompareOptions &options, QStringView name, std::optional<QStringView> value)
{
    // name:LIST limits an option with a switch to the columns of LIST.
    std::optional<std::vector<ColumnRange>> only;
    const qsizetype colon = name.indexOf(u':');
    if (colon >= 0) {
        only = parseColumnList(name.sliced(colon + 1));
        name = name.first(colon);
    }
    const CompareOptionRow *row = compareOptionNamed(name);
    if (!row)
        return OptionName::Unknown;
    if (colon >= 0 && (!row->flag || !only || only->empty()))
        return OptionName::BadValue;
    switch (row->value) {
    case CompareOptionValue::None:
        if (value)
            return OptionName::BadValue;
        break;
    case CompareOptionValue::Tolerance: {
        const std::optional<double> tolerance = value ? parseTolerance(*value) : std::optional<double>(0.0);
        if (!tolerance || (value && value->trimmed().isEmpty()))
            return OptionName::BadValue;
        options.tolerance = *tolerance;
        break;
    }
    case CompareOptionValue::ColumnList: {
        std::optional<std::vector<ColumnRange>> columns = value ? parseColumnList(*value) : std::nullopt;
        if (!columns)
            return OptionName::BadValue;
        options.skipColumns = std::move(*columns);
        break;
    }
    }
    if (row->flag) {
        options.*row->flag = true;
        options.onlyColumns[size_t(row - kCompareOptionTable.begin())]
            = only ? std::move(*only) : std::vector<ColumnRange>();
    }
    return OptionName::Set;
}

namespace
{
// Whether the option of `row` is in force.
bool inForce(const CompareOptions &options, const CompareOptionRow &row)
{
    return row.flag ? options.*row.flag : !options.skipColumns.empty();
}
} // namespace

QString compareOptionsText(const CompareOptions &options)
{
    QStringList items;
    for (const CompareOptionRow &row : kCompareOptionTable) {
        if (!inForce(options, row))
            continue;
        const size_t index = size_t(&row - kCompareOptionTable.begin());
        const QString name = row.flag && !options.onlyColumns[index].empty()
            ? row.name.toString() + u':' + columnListText(options.onlyColumns[index])
            : row.name.toString();
        switch (row.value) {
        case CompareOptionValue::None:
            items.append(name);
            break;
        case CompareOptionValue::Tolerance:
            items.append(name + u'=' + toleranceText(options.tolerance));
            break;
        case CompareOptionValue::ColumnList:
            items.append(row.name.toString() + u'=' + columnListText(options.skipColumns));
            break;
        }
    }
    return items.join(u';');
}

CompareOptions compareOptionsFromText(QStringView text)
{
    CompareOptions options;
    for (const QStringView item : text.split(u';')) {
        const qsizetype equals = item.indexOf(u'=');
        const QStringView name = (equals < 0 ? item : item.left(equals)).trimmed();
        const std::optional<QStringView> value
            = equals < 0 ? std::nullopt : std::optional<QStringView>(item.mid(equals + 1));
        // An item that cannot be read is left out on its own; the rest still count.
        (void)setCompareOption(options, name, value);
    }
    return options;
}

QStringList compareOptionLabels(const CompareOptions &options)
{
    QStringList labels;
    for (const CompareOptionRow &row : kCompareOptionTable) {
        if (!inForce(options, row))
            continue;
        const size_t index = size_t(&row - kCompareOptionTable.begin());
        const QString columns = row.flag && !options.onlyColumns[index].empty()
            ? u"(列 "_s + columnListText(options.onlyColumns[index]) + u')'
            : QString();
        switch (row.value) {
        case CompareOptionValue::None:
            labels.append(row.label.toString() + columns);
            break;
        case CompareOptionValue::Tolerance:
            labels.append(options.tolerance > 0
                              ? row.label.toString() + u"(±"_s + toleranceText(options.tolerance) + u')' + columns
                              : row.label.toString() + columns);
            break;
        case CompareOptionValue::ColumnList:
            labels.append(row.label.toString() + u' ' + columnListText(options.skipColumns));
            break;
        }
    }
    return labels;
}

QString compareOptionsSummary(const CompareOptions &options)
{
    if (options.isExact())
        return {};
    return kSummaryPrefix + compareOptionLabels(options).join(kSummarySeparator);
}
