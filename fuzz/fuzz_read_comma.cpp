// The reader in the comma mode, from the file on disk to the sheet's cells: whatever the bytes,
// nothing is thrown past it, every sheet it makes, whole or partly read, has its labels, and
// reading the rows in two halves at once changes nothing, and a whole read saved and read again
// gives back the same cells (quoted fields with commas, doubled quotes and line ends included).

#include "FuzzSupport.h"
#include "ReadInHalves.h"

#include "MMS_GRID_CSV_READ.h"
#include "SheetFileReader.h"
#include "SheetFileWriter.h"

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

    if (read.result != MMS_GRID_CSV_READ::ReadResult::Complete || !reader.writesBackUnchanged())
        return 0;
    const std::optional<QByteArray> saved = SheetFileBytes(read.data, read.format, 1, 1, DelimitedFormat());
    fuzz::check(saved.has_value(), "a file read whole can be written in its own encoding");
    static const QString again = fuzz::scratchPath(u"comma-saved.csv"_s);
    fuzz::writeFile(again, *saved);
    // Read back in the encoding it was written in: a few bytes of half-width katakana may read
    // as EUC-JP as well, and the detection then takes them for it.
    SheetFileReader second({MMS_GRID_CSV_READ::kCommaMode, u","_s});
    second.setEncoding(read.format.encoding);
    if (second.open(again) != LoadRefusal::None || second.countColumns() != LoadRefusal::None) {
        fuzz::check(read.data.rows() == 1, "only a sheet without rows saves to a file that does not load");
        return 0;
    }
    const SheetReadResult reread = second.readData();
    fuzz::check(reread.result == MMS_GRID_CSV_READ::ReadResult::Complete, "a saved file reads whole");
    fuzz::checkSameCells(read.data, reread.data, "a saved file reads back as the same cells");
    return 0;
}
