#include "SheetData.h"

#include "GridError.h"

#include <algorithm>

// The colour planes: the palette, the backgrounds listed while few cells have one, and the planes
// of one palette slot per cell.

void SheetData::setBackColor(int row, int col, OleColor color)
{
    if (!m_back.held()) {
        const quint8 slot = paletteIndex(color);
        const auto at = quint32(index(row, col));
        if (m_listedBack.contains(at)) {
            m_listedBack.insert({at, slot});
            return;
        }
        if (slot == kDefaultBack)
            return;
        if (m_listedBack.size() < cellCount() / kListedShare) {
            m_listedBack.insert({at, slot});
            return;
        }
        spreadBackColors();
    }
    setColour(m_back, kDefaultBack, row, col, color);
}

quint8 SheetData::listedBackSlot(qsizetype at) const
{
    const ListedBack *listed = m_listedBack.find(quint32(at));
    return listed ? listed->slot : kDefaultBack;
}

void SheetData::spreadBackColors()
{
    if (m_listedBack.empty())
        return;
    m_back = CellBlocks<quint8>(m_rows, m_cols, kDefaultBack);
    m_listedBack.forEach([&](const ListedBack &listed) {
        m_back.set(int(listed.at / quint32(m_cols)), int(listed.at % quint32(m_cols)), listed.slot);
    });
    m_listedBack.clear();
}

void SheetData::setColour(CellBlocks<quint8> &plane, quint8 fallback, int row, int col, OleColor color)
{
    const quint8 slot = paletteIndex(color);
    if (!plane.held()) {
        if (slot == fallback)
            return;
        plane = CellBlocks<quint8>(m_rows, m_cols, fallback);
    }
    plane.set(row, col, slot);
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
