#pragma once

// Shared by the reader targets: the same file read again with its rows in two halves at once,
// however few characters each half holds, must give what one pass gave.

#include "FuzzSupport.h"

#include "MMS_GRID_CSV_READ.h"
#include "SheetFileReader.h"

namespace fuzz
{

inline void checkReadInHalves(const QString &path, int mode, const QString &delimiter, const SheetReadResult &one)
{
    SheetFileReader reader({mode, delimiter});
    MMS_GRID_CSV_READ::ReadOptions halves;
    halves.threads = 2;
    halves.minCharsPerThread = 1;
    reader.setReadOptions(halves);
    if (reader.open(path) != LoadRefusal::None || reader.countColumns() != LoadRefusal::None)
        fail("a file read once is refused the second time");
    const SheetReadResult two = reader.readData();
    check(two.result == one.result, "a read in halves ends as one pass does");
    checkSameCells(one.data, two.data, "a read in halves gives the cells of one pass");
    for (int r = 0; r < one.data.rows(); ++r)
        check(two.data.lineEnd(r) == one.data.lineEnd(r), "a read in halves keeps the rows' line ends");
}

} // namespace fuzz
