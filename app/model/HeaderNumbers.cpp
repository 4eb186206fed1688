#include "HeaderNumbers.h"

#include "Sheet.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kRowHeaderSuffix = u"行"_s;
const QString kColumnHeaderSuffix = u"列"_s;
} // namespace

void NumberRowHeaders(Sheet &sheet)
{
    for (int r = 1; r < sheet.rows(); ++r)
        sheet.setTextMatrix(r, 0, QString::number(r) + kRowHeaderSuffix);
}

void NumberColumnHeaders(Sheet &sheet)
{
    for (int c = 1; c < sheet.cols(); ++c)
        sheet.setTextMatrix(0, c, QString::number(c) + kColumnHeaderSuffix);
}
