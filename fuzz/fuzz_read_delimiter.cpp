// The reader in the delimiter mode. The first byte picks the delimiter, the rest is the file.
// Every sheet it makes has its labels, reading its rows in two halves at once changes nothing, and
// a file read whole (and writable back as it was) saved and read again gives the same cells.

#include "FuzzSupport.h"
#include "ReadInHalves.h"

#include "MMS_GRID_CSV_READ.h"
#include "SheetFileReader.h"
#include "SheetFileWriter.h"

#include <array>
#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace
{
// Delimiters a person may set: common ones, a letter, a quote, a control character, a
// full-width blank and a Japanese character (which Shift-JIS spells in two bytes), and a
// half-width blank, which the reader refuses.
const std::array<QString, 10> kDelimiters{u"|"_s,  u"\t"_s,   u";"_s,      u","_s,  u"a"_s,
                                          u"\""_s, u"\x1a"_s, u"\u3000"_s, u"表"_s, u" "_s};

SheetReadResult readFile(const QString &path, const QString &delimiter, LoadRefusal &refusal, bool &writesBack)
{
    SheetFileReader reader({1, delimiter});
    refusal = reader.open(path);
    if (refusal == LoadRefusal::None)
        refusal = reader.countColumns();
    if (refusal != LoadRefusal::None)
        return {};
    writesBack = reader.writesBackUnchanged();
    SheetReadResult read = reader.readData();
    fuzz::checkShapeAndLabels(read.data);
    if (read.result == MMS_GRID_CSV_READ::ReadResult::Complete)
        fuzz::check(read.data.cols() == reader.columnCount() + 1, "a whole read has the column pass's columns");
    return read;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QString path = fuzz::scratchPath(u"delimited.txt"_s);
    static const QString savedPath = fuzz::scratchPath(u"saved.txt"_s);
    const QString &delimiter = kDelimiters[data[0] % kDelimiters.size()];
    fuzz::writeFile(path, QByteArrayView(data + 1, qsizetype(size - 1)));

    LoadRefusal refusal = LoadRefusal::None;
    bool writesBack = true;
    SheetReadResult read = readFile(path, delimiter, refusal, writesBack);
    if (delimiter == u" "_s && size > 1)
        fuzz::check(refusal == LoadRefusal::NoDelimiter, "a blank delimiter is refused");
    if (refusal == LoadRefusal::None)
        fuzz::checkReadInHalves(path, 1, delimiter, read);
    if (refusal != LoadRefusal::None || read.result != MMS_GRID_CSV_READ::ReadResult::Complete || !writesBack)
        return 0;

    const std::optional<QByteArray> bytes = SheetFileBytes(read.data, read.format, 1, 1, {1, delimiter});
    fuzz::check(bytes.has_value(), "a sheet read from a file can be written in its encoding");
    if (bytes->isEmpty()) {
        fuzz::check(read.data.rows() == 1, "only a sheet without rows is written as nothing");
        return 0;
    }
    fuzz::writeFile(savedPath, *bytes);
    bool savedWritesBack = true;
    const SheetReadResult again = readFile(savedPath, delimiter, refusal, savedWritesBack);
    fuzz::check(refusal == LoadRefusal::None, "a saved sheet is read again");
    fuzz::check(again.result == MMS_GRID_CSV_READ::ReadResult::Complete, "a saved sheet is read whole");
    fuzz::checkSameCells(read.data, again.data, "saved and read again, the cells are the same");
    fuzz::check(again.format == read.format, "saved and read again, the file format is the same");
    return 0;
}
