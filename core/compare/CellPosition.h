#pragma once

#include "SheetData.h"

#include <QtGlobal>

#include <compare>

// A cell's row and column packed into 32 bits, the row in the high half, so that positions order
// as a sheet is read: row by row, left to right. A list of them kept in that order is searched with
// std::lower_bound; a comparison with millions of differences keeps four bytes for each.
class CellPosition
{
public:
    constexpr CellPosition() = default;
    constexpr CellPosition(int row, int col)
        : m_packed((quint32(row) << 16) | quint32(col))
    {
    }

    [[nodiscard]] constexpr int row() const
    {
        return int(m_packed >> 16);
    }
    [[nodiscard]] constexpr int col() const
    {
        return int(m_packed & 0xFFFF);
    }

    friend constexpr auto operator<=>(const CellPosition &, const CellPosition &) = default;

private:
    // Every row and column number of a sheet fits a half.
    static_assert(kMaxRowCol <= 0xFFFF);

    quint32 m_packed = 0;
};
