#pragma once

#include "Sheet.h"
#include "SheetFixtures.h"

#include <QString>
#include <QStringList>

#include <memory>

using namespace Qt::StringLiterals;

// The window's sheets, for the tests that link the window's model: the same small sheets as
// SheetFixtures.h writes into sheet data, written through Sheet so that its events are raised.

// Small sheets written as text, as fillSheet of SheetData reads them; the sheet is made visible.
inline void fillSheet(Sheet &sheet, const QString &cells, const QString &headerPrefix = QString())
{
    const QStringList lines = cells.split(u'|');
    const int dataCols = int(lines.first().split(u',').size());
    sheet.setRows(int(lines.size()) + 1);
    sheet.setCols(dataCols + 1);
    for (int c = 1; c <= dataCols; ++c)
        sheet.setTextMatrix(0, c, headerPrefix + QString::number(c) + u"列"_s);
    for (int r = 1; r <= lines.size(); ++r) {
        sheet.setTextMatrix(r, 0, headerPrefix + QString::number(r) + u"行"_s);
        const QStringList fields = lines.at(r - 1).split(u',');
        for (int c = 1; c <= fields.size(); ++c)
            sheet.setTextMatrix(r, c, fields.at(c - 1));
    }
    sheet.setVisible(true);
}

// The data cells' texts, written like fillSheet's input: rows by '|', cells by ','.
inline QString cellTexts(const Sheet &sheet)
{
    QStringList rows;
    for (int r = 1; r < sheet.rows(); ++r) {
        QStringList row;
        for (int c = 1; c < sheet.cols(); ++c)
            row << sheet.textMatrix(r, c);
        rows << row.join(u',');
    }
    return rows.join(u'|');
}

// The counts and every cell's text, headers included: what an undo must bring back exactly.
inline QStringList wholeSheet(const Sheet &sheet)
{
    QStringList cells{QString::number(sheet.rows()), QString::number(sheet.cols())};
    for (int r = 0; r < sheet.rows(); ++r)
        for (int c = 0; c < sheet.cols(); ++c)
            cells << sheet.textMatrix(r, c);
    return cells;
}

// The data cells' backgrounds, written like fillSheet's input: '.' window colour, 'R' light red,
// 'M' magenta, 'G' light grey (a filler row), 'Y' light yellow (equal under the comparison
// options), '?' anything else.
inline QString colourMap(const Sheet &sheet)
{
    QStringList rows;
    for (int r = 1; r < sheet.rows(); ++r) {
        QString row;
        for (int c = 1; c < sheet.cols(); ++c) {
            const OleColor color = sheet.backColorAt(r, c);
            row += color == kWindowBackColor    ? u'.'
                : color == kDiffBackColor       ? u'R'
                : color == kExtraBackColor      ? u'M'
                : color == kFillerBackColor     ? u'G'
                : color == kEquivalentBackColor ? u'Y'
                                                : u'?';
        }
        rows.append(row);
    }
    return rows.join(u'|');
}

// The data cells whose background is `color`, in reading order, as "row,col" separated by blanks.
inline QString cellsColoured(const Sheet &sheet, OleColor color)
{
    QStringList cells;
    for (int r = 1; r < sheet.rows(); ++r) {
        for (int c = 1; c < sheet.cols(); ++c) {
            if (sheet.backColorAt(r, c) == color)
                cells.append(QString::number(r) + u',' + QString::number(c));
        }
    }
    return cells.join(u' ');
}

// Colours the data cells marked 'R' or 'M' in `map` (same layout as colourMap); marks beyond the
// sheet's last row or column are left out.
inline void paintMap(Sheet &sheet, const QString &map)
{
    const QStringList rows = map.split(u'|');
    for (int r = 1; r <= rows.size() && r < sheet.rows(); ++r) {
        for (int c = 1; c <= rows.at(r - 1).size() && c < sheet.cols(); ++c) {
            const QChar mark = rows.at(r - 1).at(c - 1);
            if (mark == u'R')
                sheet.setBackColorAt(r, c, kDiffBackColor);
            else if (mark == u'M')
                sheet.setBackColorAt(r, c, kExtraBackColor);
        }
    }
}

// Whether every cell of the header row and column still has the window colour.
inline bool headersUncoloured(const Sheet &sheet)
{
    for (int c = 0; c < sheet.cols(); ++c) {
        if (sheet.backColorAt(0, c) != kWindowBackColor)
            return false;
    }
    for (int r = 0; r < sheet.rows(); ++r) {
        if (sheet.backColorAt(r, 0) != kWindowBackColor)
            return false;
    }
    return true;
}

struct Selection
{
    int row = 1;
    int col = 1;
    int rowSel = 1;
    int colSel = 1;

    friend bool operator==(const Selection &, const Selection &) = default;
};

inline Selection selectionOf(const Sheet &sheet)
{
    return {sheet.row(), sheet.col(), sheet.rowSel(), sheet.colSel()};
}

inline void select(Sheet &sheet, const Selection &selection)
{
    sheet.setRow(selection.row);
    sheet.setCol(selection.col);
    sheet.setRowSel(selection.rowSel);
    sheet.setColSel(selection.colSel);
}

inline char *toString(const Selection &s)
{
    return qstrdup(QByteArray("(" + QByteArray::number(s.row) + "," + QByteArray::number(s.col) + ")-("
                              + QByteArray::number(s.rowSel) + "," + QByteArray::number(s.colSel) + ")")
                       .constData());
}

Q_DECLARE_METATYPE(Selection)
