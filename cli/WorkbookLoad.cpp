#include "WorkbookLoad.h"

#include "WorkbookReader.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kNoSuchSheetText = u"シート「%1」はありません（シート: %2）"_s;
const QString kSheetTakenText = u"シート「%1」を読みました（シート: %2）"_s;
const QString kSheetSeparator = u"、"_s;
} // namespace

std::optional<WorkbookLoad> loadWorkbook(const QString &path, const QString &sheetAsked, bool sheetLimits)
{
    if (workbookKind(path) == WorkbookKind::None)
        return std::nullopt;
    WorkbookLoad load;
    WorkbookReader book;
    if (!book.open(path)) {
        load.refusal = book.errorText();
        return load;
    }
    const QString names = book.sheetNames().join(kSheetSeparator);
    int index = book.firstVisibleSheet();
    if (!sheetAsked.isEmpty()) {
        const std::optional<int> asked = book.sheetIndex(sheetAsked);
        if (!asked) {
            load.refusal = kNoSuchSheetText.arg(sheetAsked, names);
            return load;
        }
        index = *asked;
    } else if (book.sheets().size() > 1) {
        load.notes.append(kSheetTakenText.arg(book.sheets().at(index).name, names));
    }
    std::optional<WorkbookSheetRead> read = book.readSheet(index, sheetLimits);
    if (!read) {
        load.refusal = book.errorText();
        return load;
    }
    load.sheetName = book.sheets().at(index).name;
    load.read.data = std::move(read->data);
    load.read.result
        = read->complete ? MMS_GRID_CSV_READ::ReadResult::Complete : MMS_GRID_CSV_READ::ReadResult::Overflow;
    load.read.format = workbookSaveFormat();
    load.firstRowNotRead = read->complete ? 0 : read->firstRowNotRead;
    if (!read->complete)
        load.partialText = partialReadMessage(read->firstRowNotRead, read->columns).text;
    if (!read->formatNote.isEmpty())
        load.notes.append(read->formatNote);
    return load;
}
