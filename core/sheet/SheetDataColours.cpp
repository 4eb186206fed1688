#include "SheetData.h"

#include "GridError.h"
#include "LargeMemory.h"

#include <algorithm>

// The colour planes: the palette, the backgrounds listed while few cells have one, and the planes
// of one palette slot per cell.

void SheetData::setBackColor(int row, int col, OleColor color)
{
    if (m_back.isEmpty()) {
        const quint8 slot = paletteIndex(color);
        const qsizetype at = index(row, col);
        if (m_backAt.isEmpty() || at > qsizetype(m_backAt.last())) {
            if (slot == kDefaultBack)
                return;
            if (m_backAt.size() < cellCount() / kListedShare) {
                m_backAt.append(quint32(at));
                m_backSlot.append(slot);
                return;
            }
        } else if (const auto listed = std::lower_bound(m_backAt.cbegin(), m_backAt.cend(), quint32(at));
                   listed != m_backAt.cend() && *listed == quint32(at)) {
            m_backSlot[listed - m_backAt.cbegin()] = slot;
            return;
        } else if (slot == kDefaultBack) {
            return;
        }
        spreadBackColors();
    }
    setColour(m_back, kDefaultBack, row, col, color);
}

quint8 SheetData::listedBackSlot(qsizetype at) const
{
    const auto listed = std::lower_bound(m_backAt.cbegin(), m_backAt.cend(), quint32(at));
    return listed != m_backAt.cend() && *listed == quint32(at) ? m_backSlot.at(listed - m_backAt.cbegin())
                                                               : kDefaultBack;
}

void SheetData::spreadBackColors()
{
    if (m_backAt.isEmpty())
        return;
    LargeMemory::reserve(m_back, cellCount());
    m_back.resize(cellCount(), kDefaultBack);
    for (qsizetype i = 0; i < m_backAt.size(); ++i)
        m_back[m_backAt.at(i)] = m_backSlot.at(i);
    m_backAt.clear();
    m_backSlot.clear();
}

void SheetData::setColour(QList<quint8> &plane, quint8 fallback, int row, int col, OleColor color)
{
    const quint8 slot = paletteIndex(color);
    if (plane.isEmpty()) {
        if (slot == fallback)
            return;
        LargeMemory::reserve(plane, cellCount());
        plane.resize(cellCount(), fallback);
    }
    plane[index(row, col)] = slot;
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
