#pragma once

#include "GridError.h"
#include "SheetData.h"

// The program's loops count rows and columns in 16 bits: a number beyond that overflows before
// the grid is even asked. Both of Sheet's source files check numbers this way.
inline void checkRowColNumber(int number)
{
    if (number > kMaxRowCol || number < -kMaxRowCol - 1)
        throw GridError(GridErrorCode::Overflow);
}
