#include "WorkbookReader.h"

#include "WorkbookBook.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace
{
const QString kRefusalText = u"ブックを読み込めません（%1）"_s;
const QString kFormatName = u"Excel ブック"_s;
const QString kSheetLabel = u"（%1 ─ %2）"_s;
const QString kUnknownFormatText = u"表示形式「%1」は読めないため、その数値は標準の表示形式で示します"_s;

constexpr char16_t kRowLabelSuffix = u'行';
constexpr char16_t kColumnLabelSuffix = u'列';

const QByteArray kZipSignature("PK\x03\x04", 4);
const QByteArray kOleSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// Whether an OLE container holds an encrypted Open XML book: its directory names the stream
// EncryptedPackage (in UTF-16).
bool holdsEncryptedPackage(QFile &file)
{
    const QByteArray name = QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
    file.seek(0);
    QByteArray carry;
    while (!file.atEnd()) {
        const QByteArray chunk = carry + file.read(1 << 20);
        if (chunk.size() == carry.size())
            break;
        if (chunk.contains(name))
            return true;
        carry = chunk.right(name.size());
    }
    return false;
}
} // namespace

namespace WorkbookReason
{
QString damaged()
{
    return u"ファイルが壊れています"_s;
}
QString encrypted()
{
    return u"パスワードで保護されています"_s;
}
QString tooLarge()
{
    return u"展開すると大きすぎます"_s;
}
QString hostileXml()
{
    return u"DTD を含む XML は読みません"_s;
}
QString noSheet()
{
    return u"ワークシートがありません"_s;
}
QString noLibrary()
{
    return u"Excel ブックを読むライブラリ（libzip）を開けません"_s;
}
} // namespace WorkbookReason

WorkbookKind workbookKind(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return WorkbookKind::None;
    const QByteArray head = file.read(8);
    if (head.startsWith(kZipSignature)) {
        file.close();
        QString error;
        // A zip that is not a book (a .docx, an archive) stays a file like any other.
        return openXlsxBook(path, error) || error != WorkbookReason::noSheet() ? WorkbookKind::Xlsx
                                                                               : WorkbookKind::None;
    }
    if (head == kOleSignature)
        return WorkbookKind::Xls;
    return WorkbookKind::None;
}

WorkbookReader::WorkbookReader() = default;
WorkbookReader::~WorkbookReader() = default;

bool WorkbookReader::open(const QString &path)
{
    m_book.reset();
    m_error.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = workbookRefusalText(file.errorString());
        return false;
    }
    const QByteArray head = file.read(8);
    QString reason;
    if (head.startsWith(kZipSignature)) {
        file.close();
        m_book = openXlsxBook(path, reason);
    } else if (head == kOleSignature) {
        if (holdsEncryptedPackage(file)) {
            reason = WorkbookReason::encrypted();
        } else {
            file.close();
            m_book = openXlsBook(path, reason);
        }
    } else {
        reason = WorkbookReason::damaged();
    }
    if (m_book && m_book->sheets.isEmpty()) {
        m_book.reset();
        reason = WorkbookReason::noSheet();
    }
    if (!m_book) {
        m_error = workbookRefusalText(reason.isEmpty() ? WorkbookReason::damaged() : reason);
        return false;
    }
    return true;
}

QString WorkbookReader::errorText() const
{
    return m_error;
}

const QList<WorkbookSheetInfo> &WorkbookReader::sheets() const
{
    static const QList<WorkbookSheetInfo> none;
    return m_book ? m_book->sheets : none;
}

QStringList WorkbookReader::sheetNames() const
{
    QStringList names;
    for (const WorkbookSheetInfo &sheet : sheets())
        names.append(sheet.name);
    return names;
}

int WorkbookReader::firstVisibleSheet() const
{
    const QList<WorkbookSheetInfo> &list = sheets();
    const auto visible = std::find_if(list.begin(), list.end(), [](const auto &sheet) { return sheet.visible; });
    return visible == list.end() ? 0 : int(visible - list.begin());
}

int WorkbookReader::visibleSheetCount() const
{
    const QList<WorkbookSheetInfo> &list = sheets();
    return int(std::count_if(list.begin(), list.end(), [](const auto &sheet) { return sheet.visible; }));
}

std::optional<int> WorkbookReader::sheetIndex(const QString &nameOrNumber) const
{
    const QList<WorkbookSheetInfo> &list = sheets();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].name == nameOrNumber)
            return int(i);
    }
    bool ok = false;
    const int number = nameOrNumber.toInt(&ok);
    if (ok && number >= 1 && number <= list.size())
        return number - 1;
    return std::nullopt;
}

std::optional<WorkbookSheetRead> WorkbookReader::readSheet(int index, bool sheetLimits)
{
    if (!m_book || index < 0 || index >= m_book->sheets.size())
        return std::nullopt;
    QString reason;
    std::optional<WorkbookSheetRead> read = m_book->readSheet(index, sheetLimits, reason);
    if (!read)
        m_error = workbookRefusalText(reason.isEmpty() ? WorkbookReason::damaged() : reason);
    return read;
}

QString workbookRefusalText(const QString &reason)
{
    return kRefusalText.arg(reason);
}

SheetFileFormat workbookSaveFormat()
{
    SheetFileFormat format;
    format.encoding = TextEncoding::Utf8Bom;
    format.lineEnd = LineEnd::CrLf;
    format.finalLineEnd = true;
    return format;
}

QString workbookFormatName()
{
    return kFormatName;
}

QString workbookSheetLabel(const QString &bookPath, const QString &sheetName)
{
    return kSheetLabel.arg(QFileInfo(bookPath).fileName(), sheetName);
}

QString unknownNumberFormatText(const QString &code)
{
    return kUnknownFormatText.arg(code);
}

SheetCollector::SheetCollector(bool sheetLimits)
    : m_rowLimit(sheetLimits ? kMaxRowCol - 1 : std::numeric_limits<int>::max() - 1)
    , m_colLimit(sheetLimits ? kMaxRowCol - 1 : std::numeric_limits<int>::max() - 1)
    , m_cellLimit(sheetLimits ? kMaxCells : kMaxCells * 8)
{
}

std::optional<CellRef> SheetCollector::addText(QStringView text)
{
    // Slices address the pool with 31 bits.
    if (m_pool.size() + text.size() >= qsizetype(kEditedText))
        return std::nullopt;
    const CellRef ref{quint32(m_pool.size()), quint32(text.size())};
    m_pool.append(text);
    return ref;
}

bool SheetCollector::addCell(int row, int col, QStringView text)
{
    if (text.isEmpty() || row > m_rowLimit)
        return true;
    const std::optional<CellRef> ref = addText(text);
    if (!ref)
        return false;
    addCellRef(row, col, *ref);
    return true;
}

void SheetCollector::addCellRef(int row, int col, CellRef ref)
{
    if (row < 1 || col < 1 || ref.length == 0)
        return;
    m_widest = std::max(m_widest, col);
    if (row > m_rowLimit) {
        markCut(m_rowLimit + 1);
        return;
    }
    if (col > m_colLimit) {
        markCut(row);
        return;
    }
    m_rows = std::max(m_rows, row);
    m_cols = std::max(m_cols, col);
    m_cells.push_back({row, col, ref});
}

void SheetCollector::addMergedRange(int firstRow, int firstCol, int lastRow, int lastCol)
{
    if (firstRow >= 1 && firstCol >= 1 && lastRow >= firstRow && lastCol >= firstCol)
        m_merged.push_back({firstRow, firstCol, lastRow, lastCol});
}

void SheetCollector::markCut(int firstRowNotRead)
{
    if (m_firstRowNotRead == 0 || firstRowNotRead < m_firstRowNotRead)
        m_firstRowNotRead = firstRowNotRead;
}

WorkbookSheetRead SheetCollector::finish()
{
    // Beyond the cell capacity only whole rows are kept.
    if (qsizetype(m_rows + 1) * (m_cols + 1) > m_cellLimit) {
        const int rows = int(m_cellLimit / (m_cols + 1)) - 1;
        markCut(rows + 1);
        m_rows = rows;
    }
    // The header row and column carry the numbers as a read of a text file labels them.
    std::vector<CellRef> labels;
    labels.reserve(size_t(m_rows) + size_t(m_cols));
    for (int r = 1; r <= m_rows; ++r)
        labels.push_back(addText(QString::number(r) + kRowLabelSuffix).value_or(CellRef{}));
    for (int c = 1; c <= m_cols; ++c)
        labels.push_back(addText(QString::number(c) + kColumnLabelSuffix).value_or(CellRef{}));
    WorkbookSheetRead read;
    read.columns = m_widest;
    read.complete = m_firstRowNotRead == 0;
    read.firstRowNotRead = m_firstRowNotRead;
    read.data = SheetData(m_rows + 1, m_cols + 1);
    read.data.setPool(std::move(m_pool));
    SheetData::SliceWriter writer = read.data.sliceWriter();
    for (int r = 1; r <= m_rows; ++r)
        writer.set(r, 0, labels[size_t(r - 1)]);
    for (int c = 1; c <= m_cols; ++c)
        writer.set(0, c, labels[size_t(m_rows) + size_t(c - 1)]);
    for (const Cell &cell : m_cells) {
        if (cell.row <= m_rows)
            writer.set(cell.row, cell.col, cell.ref);
    }
    // A merged range shows its top-left cell's value alone. Ranges do not overlap in a sound book,
    // so clearing them costs no more than the sheet's cells; a book whose ranges cover the sheet
    // many times over is not followed further.
    qsizetype budget = 4 * (qsizetype(m_rows) + 1) * (m_cols + 1);
    for (const Range &range : m_merged) {
        const int lastRow = std::min(range.lastRow, m_rows);
        const int lastCol = std::min(range.lastCol, m_cols);
        for (int row = range.firstRow; row <= lastRow && budget > 0; ++row) {
            for (int col = range.firstCol; col <= lastCol; ++col, --budget) {
                if (row != range.firstRow || col != range.firstCol)
                    writer.set(row, col, CellRef{});
            }
        }
    }
    m_cells = {};
    return read;
}
