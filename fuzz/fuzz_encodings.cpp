// The reader in every encoding, fed UTF-16 (with and without the mark), EUC-JP and Shift-JIS bytes
// as well as bytes left to the detection: whatever the bytes, nothing is thrown past it, and a
// file the reader says writes back unchanged is written back as exactly its bytes.
//
// The first byte chooses how the rest is read: 0 left to the detection, 1 UTF-16LE behind its
// mark, 2 UTF-16BE without a mark, 3 EUC-JP, 4 Shift-JIS, 5 UTF-16LE without a mark (chosen).

#include "FuzzSupport.h"

#include "DelimitedFormat.h"
#include "MMS_GRID_CSV_READ.h"
#include "SheetFileReader.h"
#include "SheetFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <optional>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QString path = fuzz::scratchPath(u"encodings.csv"_s);
    const int mode = data[0] % 6;
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    std::optional<TextEncoding> chosen;
    switch (mode) {
    case 1:
        bytes.prepend("\xFF\xFE");
        break;
    case 2:
        chosen = TextEncoding::Utf16Be;
        break;
    case 3:
        chosen = TextEncoding::EucJp;
        break;
    case 4:
        chosen = TextEncoding::ShiftJis;
        break;
    case 5:
        chosen = TextEncoding::Utf16Le;
        break;
    default:
        break;
    }
    fuzz::writeFile(path, bytes);

    // Cells never hold the TAB they are cut at, nor a line end: delimiter mode writes back what
    // it read.
    const DelimitedFormat format(1, u"\t"_s);
    SheetFileReader reader(format);
    reader.setEncoding(chosen);
    if (reader.open(path) != LoadRefusal::None || reader.countColumns() != LoadRefusal::None)
        return 0;
    const bool writesBack = reader.writesBackUnchanged();
    const SheetReadResult read = reader.readData();
    fuzz::checkShapeAndLabels(read.data);
    if (!writesBack || read.result != MMS_GRID_CSV_READ::ReadResult::Complete)
        return 0;
    // Only a sheet whose rows all have the same number of fields writes back its lines as they
    // were: the reader fills short rows with empty cells.
    const std::optional<QByteArray> saved = SheetFileBytes(read.data, read.format, 1, 1, format);
    fuzz::check(saved.has_value(), "a file that writes back unchanged can be written");
    if (saved && *saved != bytes) {
        SheetFileReader again(format);
        again.setEncoding(read.format.encoding);
        fuzz::writeFile(path, *saved);
        fuzz::check(again.open(path) == LoadRefusal::None && again.countColumns() == LoadRefusal::None,
                    "what was written reads again");
        const SheetReadResult back = again.readData();
        fuzz::check(back.data.rows() == read.data.rows() && back.data.cols() == read.data.cols(),
                    "what was written reads as the same sheet");
        for (int r = 1; r < read.data.rows(); ++r) {
            for (int c = 1; c < read.data.cols(); ++c)
                fuzz::check(back.data.text(r, c) == read.data.text(r, c), "what was written reads as the same cells");
        }
    }
    return 0;
}
