// The reader in the comma mode, from the file on disk to the sheet's cells: whatever the bytes,
// nothing is thrown past it, every sheet it makes, whole or partly read, has its labels, and
// reading the rows in two halves at once changes nothing.

#include "FuzzSupport.h"
#include "ReadInHalves.h"

#include "MMS_GRID_CSV_READ.h"
#include "SheetFileReader.h"

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString path = fuzz::scratchPath(u"comma.csv"_s);
    fuzz::writeFile(path, QByteArrayView(data, qsizetype(size)));

    SheetFileReader reader({MMS_GRID_CSV_READ::kCommaMode, u","_s});
    const LoadRefusal refusal = reader.open(path);
    fuzz::check((refusal == LoadRefusal::Empty) == (size == 0), "only an empty file is refused as empty");
    fuzz::check(refusal != LoadRefusal::Unreadable && refusal != LoadRefusal::NoDelimiter,
                "a small file is read in the comma mode");
    if (refusal != LoadRefusal::None || reader.countColumns() != LoadRefusal::None)
        return 0;
    const int columns = reader.columnCount();
    const SheetReadResult read = reader.readData();
    fuzz::checkShapeAndLabels(read.data);
    if (read.result == MMS_GRID_CSV_READ::ReadResult::Complete)
        fuzz::check(read.data.cols() == columns + 1, "a whole read has the column pass's columns");
    fuzz::checkReadInHalves(path, MMS_GRID_CSV_READ::kCommaMode, u","_s, read);
    return 0;
}
