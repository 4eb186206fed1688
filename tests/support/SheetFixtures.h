#pragma once

#include "GridError.h"
#include "SheetData.h"

#include <QString>
#include <QStringList>

using namespace Qt::StringLiterals;

// Small sheets written as text: data rows separated by '|', cells by ','. "a,b|c,d" is a sheet of
// two data rows and two data columns; the header row and column are added with labels ("1列",
// "1行"), or with `headerPrefix` in front of them so that two sheets' headers can differ. A row
// wider than the first is a fault of the test and raises GridError, as a sheet would.
inline void fillSheet(SheetData &data, const QString &cells, const QString &headerPrefix = QString())
{
    const QStringList lines = cells.split(u'|');
    const int dataCols = int(lines.first().split(u',').size());
    data.resize(int(lines.size()) + 1, dataCols + 1);
    for (int c = 1; c <= dataCols; ++c)
        data.setText(0, c, headerPrefix + QString::number(c) + u"列"_s);
    for (int r = 1; r <= lines.size(); ++r) {
        data.setText(r, 0, headerPrefix + QString::number(r) + u"行"_s);
        const QStringList fields = lines.at(r - 1).split(u',');
        if (fields.size() > dataCols)
            throw GridError(GridErrorCode::SubscriptOutOfRange);
        for (int c = 1; c <= fields.size(); ++c)
            data.setText(r, c, fields.at(c - 1));
    }
}

// The data cells' texts, written like fillSheet's input: rows by '|', cells by ','.
inline QString cellTexts(const SheetData &data)
{
    QStringList rows;
    for (int r = 1; r < data.rows(); ++r) {
        QStringList row;
        for (int c = 1; c < data.cols(); ++c)
            row << data.text(r, c).toString();
        rows << row.join(u',');
    }
    return rows.join(u'|');
}

// Positions written like cellsColoured's answer: "row,col" separated by blanks.
template<typename Positions>
inline QString positionsText(const Positions &positions)
{
    QStringList cells;
    for (const auto &position : positions)
        cells.append(QString::number(position.row()) + u',' + QString::number(position.col()));
    return cells.join(u' ');
}
