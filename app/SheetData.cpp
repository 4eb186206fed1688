#include "SheetData.h"

#include "GridError.h"

#include <limits>

namespace
{
// Palette slots 0 and 1 are the defaults, so a fresh cell is (0, 1).
constexpr quint8 kDefaultBack = 0;
constexpr quint8 kDefaultFore = 1;
constexpr qsizetype kMinWasteToCompact = 1 << 20;
} // namespace

SheetData::SheetData()
    : SheetData(2, 2)
{
}

SheetData::SheetData(int rows, int cols)
    : m_palette{kWindowBackColor, kWindowTextColor, kDiffBackColor, kExtraBackColor, kMarkForeColor}
{
    resize(rows, cols);
}

void SheetData::setText(int row, int col, QStringView text)
{
    CellRef &ref = m_cells[index(row, col)];
    if (QStringView(m_pool.constData() + ref.offset, qsizetype(ref.length)) == text)
        return;
    m_wasted += ref.length;
    ref = appendToPool(text);
    compactPoolIfWasteful();
}

CellRef SheetData::appendToPool(QStringView text)
{
    if (text.isEmpty())
        return {};
    if (m_pool.size() + text.size() > qsizetype(std::numeric_limits<quint32>::max()))
        throw GridError(GridErrorCode::OutOfMemory);
    const CellRef ref{quint32(m_pool.size()), quint32(text.size())};
    m_pool.append(text);
    return ref;
}

void SheetData::resize(int rows, int cols)
{
    if (rows == m_rows && cols == m_cols)
        return;
    const qsizetype count = qsizetype(rows) * cols;
    if (cols == m_cols) {
        // Rows are contiguous: growing or shrinking at the end keeps every kept cell in place.
        for (qsizetype i = count; i < m_cells.size(); ++i)
            m_wasted += m_cells.at(i).length;
        m_cells.resize(count);
        m_back.resize(count, kDefaultBack);
        m_fore.resize(count, kDefaultFore);
    } else {
        QList<CellRef> cells(count);
        QList<quint8> back(count, kDefaultBack);
        QList<quint8> fore(count, kDefaultFore);
        const int keptRows = std::min(rows, m_rows);
        const int keptCols = std::min(cols, m_cols);
        for (int r = 0; r < keptRows; ++r) {
            for (int c = 0; c < keptCols; ++c) {
                const qsizetype from = index(r, c);
                const qsizetype to = qsizetype(r) * cols + c;
                cells[to] = m_cells.at(from);
                back[to] = m_back.at(from);
                fore[to] = m_fore.at(from);
            }
        }
        m_cells = std::move(cells);
        m_back = std::move(back);
        m_fore = std::move(fore);
    }
    m_rows = rows;
    m_cols = cols;
    compactPoolIfWasteful();
}

void SheetData::clear()
{
    m_pool.clear();
    m_wasted = 0;
    m_cells.fill(CellRef{});
    m_back.fill(kDefaultBack);
    m_fore.fill(kDefaultFore);
}

void SheetData::setPool(QString pool)
{
    m_pool = std::move(pool);
    m_wasted = 0;
}

qsizetype SheetData::overheadBytes() const
{
    return m_cells.capacity() * qsizetype(sizeof(CellRef)) + m_back.capacity() + m_fore.capacity()
        + m_palette.capacity() * qsizetype(sizeof(OleColor));
}

quint8 SheetData::paletteIndex(OleColor color)
{
    const qsizetype found = m_palette.indexOf(color);
    if (found >= 0)
        return quint8(found);
    if (m_palette.size() > 255)
        throw GridError(GridErrorCode::InvalidValue);
    m_palette.append(color);
    return quint8(m_palette.size() - 1);
}

void SheetData::compactPoolIfWasteful()
{
    if (m_wasted < kMinWasteToCompact || m_wasted < m_pool.size() / 2)
        return;
    QString pool;
    pool.reserve(m_pool.size() - m_wasted);
    for (CellRef &ref : m_cells) {
        if (ref.length == 0)
            continue;
        const QStringView text(m_pool.constData() + ref.offset, qsizetype(ref.length));
        ref.offset = quint32(pool.size());
        pool.append(text);
    }
    m_pool = std::move(pool);
    m_wasted = 0;
}
