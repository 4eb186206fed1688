// Binary books (.xls) through FreeXL. FreeXL gives each cell's value and whether it is a date or
// a time, not the number format: numbers show as General, dates and times in the short forms,
// and the sheet says once that a .xlsx shows every format.

#include "NumberFormat.h"
#include "WorkbookBook.h"

#include <freexl.h>

#include <QFile>

using namespace Qt::StringLiterals;

namespace
{
const QString kXlsFormatsText
    = u".xls の表示形式は読めません（数値は標準の表示形式で示します。表示どおりに比べるには .xlsx で保存してください）"_s;

// "2024-03-05" → "2024/3/5", "2024-03-05 13:04:00" → "2024/3/5 13:04", "13:04:05" → "13:04:05"
QString shortDateText(const QString &text)
{
    const QStringList parts = text.split(u' ');
    QStringList shown;
    for (const QString &part : parts) {
        const QStringList ymd = part.split(u'-');
        if (ymd.size() == 3) {
            shown.append(QString::number(ymd[0].toInt()) + u'/' + QString::number(ymd[1].toInt()) + u'/'
                         + QString::number(ymd[2].toInt()));
        } else {
            const QStringList hms = part.split(u':');
            if (parts.size() > 1 && hms.size() == 3 && hms[2].toDouble() == 0)
                shown.append(QString::number(hms[0].toInt()) + u':' + hms[1]);
            else
                shown.append(part);
        }
    }
    return shown.join(u' ');
}

class XlsBook final : public WorkbookReader::Book
{
public:
    ~XlsBook() override
    {
        if (m_handle)
            freexl_close(m_handle);
    }

    bool load(const QString &path, QString &error)
    {
        if (freexl_open(QFile::encodeName(path).constData(), &m_handle) != FREEXL_OK) {
            error = WorkbookReason::damaged();
            return false;
        }
        unsigned int info = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
            error = WorkbookReason::encrypted();
            return false;
        }
        unsigned int count = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) {
            error = WorkbookReason::damaged();
            return false;
        }
        for (unsigned int i = 0; i < count && i < 0xFFFF; ++i) {
            const char *name = nullptr;
            if (freexl_get_worksheet_name(m_handle, (unsigned short)i, &name) != FREEXL_OK || !name) {
                error = WorkbookReason::damaged();
                return false;
            }
            sheets.append({QString::fromUtf8(name), true});
        }
        return true;
    }

    std::optional<WorkbookSheetRead> readSheet(int index, bool sheetLimits, QString &error) override
    {
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(m_handle, (unsigned short)index) != FREEXL_OK
            || freexl_worksheet_dimensions(m_handle, &rows, &cols) != FREEXL_OK) {
            error = WorkbookReason::damaged();
            return std::nullopt;
        }
        SheetCollector collector(sheetLimits);
        bool numbers = false;
        for (unsigned int r = 0; r < rows; ++r) {
            if (int(r) + 1 > collector.rowLimit()) {
                collector.markCut(collector.rowLimit() + 1);
                break;
            }
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(m_handle, r, c, &cell) != FREEXL_OK) {
                    error = WorkbookReason::damaged();
                    return std::nullopt;
                }
                QString text;
                switch (cell.type) {
                case FREEXL_CELL_INT:
                    text = QString::number(cell.value.int_value);
                    numbers = true;
                    break;
                case FREEXL_CELL_DOUBLE:
                    text = NumberFormat::general(cell.value.double_value);
                    numbers = true;
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                    text = QString::fromUtf8(cell.value.text_value);
                    break;
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    text = shortDateText(QString::fromUtf8(cell.value.text_value));
                    break;
                default:
                    break;
                }
                if (!collector.addCell(int(r) + 1, int(c) + 1, text)) {
                    error = WorkbookReason::tooLarge();
                    return std::nullopt;
                }
            }
        }
        WorkbookSheetRead read = collector.finish();
        if (numbers)
            read.formatNote = kXlsFormatsText;
        return read;
    }

private:
    const void *m_handle = nullptr;
};
} // namespace

std::unique_ptr<WorkbookReader::Book> openXlsBook(const QString &path, QString &error)
{
    auto book = std::make_unique<XlsBook>();
    if (!book->load(path, error))
        return nullptr;
    return book;
}
