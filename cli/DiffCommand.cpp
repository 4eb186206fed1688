#include "DiffCommand.h"

#include "CharDiff.h"
#include "CompareOptionTable.h"
#include "CompareOptions.h"
#include "CompareResult.h"
#include "CsvReport.h"
#include "DifferenceReport.h"
#include "DumpCommand.h"
#include "JsonShape.h"
#include "KeyAlignment.h"
#include "ReportFile.h"
#include "RowAlignment.h"
#include "SheetFileReader.h"
#include "StreamDiff.h"
#include "TextFolding.h"
#include "XlsxReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <array>
#include <exception>
#include <new>
#include <optional>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
const QString kOutOfMemoryText = u"メモリが足りないため比較できません"_s;

// One file on its way into a sheet: checked, counted and split, without touching any sheet, so
// that the two files can be read at the same time.
struct FileLoad
{
    QString path;
    LoadRefusal refusal = LoadRefusal::None;
    UnreadableReason reason = UnreadableReason::Unknown;
    bool writesBack = true;
    SheetReadResult read;
    int firstRowNotRead = 0;
    QString partialText; // the message of a read that stopped early
    std::exception_ptr failure;

    void run(int delimiterMode, const QString &delimiter)
    {
        try {
            SheetFileReader reader(delimiterMode, delimiter);
            refusal = reader.open(path);
            if (refusal == LoadRefusal::None)
                refusal = reader.countColumns();
            if (refusal != LoadRefusal::None) {
                reason = reader.unreadableReason();
                return;
            }
            writesBack = reader.writesBackUnchanged();
            read = reader.readData();
            firstRowNotRead = reader.firstRowNotRead();
            partialText = reader.partialReadMessage().text;
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

// Reads file 2 on a thread of its own while this thread reads file 1; a failure on the worker
// is raised again here.
void loadBoth(std::array<FileLoad, 2> &loads, const CliArguments &arguments)
{
    std::thread worker([&] { loads[1].run(arguments.delimiterMode, arguments.delimiter); });
    loads[0].run(arguments.delimiterMode, arguments.delimiter);
    worker.join();
    for (const FileLoad &load : loads) {
        if (load.failure)
            std::rethrow_exception(load.failure);
    }
}

// For each sheet, the file's row behind each row of the sheet after lining up (0: an inserted
// empty row); empty when the rows were not lined up.
using FileRows = std::array<std::vector<int>, 2>;

// The files' rows behind a row of the lined-up sheets; nothing when the rows were not lined up.
std::optional<FileRowPair> fileRowsAt(const FileRows &fileRows, int row)
{
    if (fileRows[0].empty())
        return std::nullopt;
    const auto at = [row](const std::vector<int> &rows) { return size_t(row) < rows.size() ? rows[size_t(row)] : 0; };
    return FileRowPair{at(fileRows[0]), at(fileRows[1])};
}

// Calls visit(position, equivalent) for each listed position in reading order: the differing
// ones, and with `equivalents` those the comparison options made the same.
template<typename Visit>
void forEachListed(const CompareResult &result, bool equivalents, Visit visit)
{
    static const std::vector<CellPosition> kNone;
    const std::vector<CellPosition> &same = equivalents ? result.equivalents : kNone;
    auto differing = result.differences.begin();
    auto equivalent = same.begin();
    while (differing != result.differences.end() || equivalent != same.end()) {
        if (equivalent == same.end() || (differing != result.differences.end() && *differing < *equivalent))
            visit(*differing++, false);
        else
            visit(*equivalent++, true);
    }
}

QByteArray textReport(const CompareResult &result, const FileRows &fileRows, bool listEquivalent)
{
    const std::vector<CellPosition> &positions = result.differences;
    QString message = compareResultMessage(result);
    message.replace(u"\r\n"_s, u"\n"_s);
    QByteArray buffer;
    buffer.reserve(qsizetype(positions.size()) * 12 + 128);
    buffer.append(message.toUtf8());
    buffer.append('\n');
    forEachListed(result, listEquivalent, [&](const CellPosition position, bool equivalent) {
        appendTextPosition(buffer, position.row(), position.col(), fileRowsAt(fileRows, position.row()), equivalent);
    });
    return buffer;
}

// Turns ascending UTF-16 positions of one text into character (code point) positions, walking the
// text once however many positions are asked.
class CodePointCounter
{
public:
    explicit CodePointCounter(QStringView text)
        : m_text(text)
    {
    }
    qsizetype at(qsizetype position)
    {
        for (; m_unit < position; ++m_unit) {
            if (!m_text[m_unit].isLowSurrogate() || m_unit == 0 || !m_text[m_unit - 1].isHighSurrogate())
                ++m_count;
        }
        return m_count;
    }

private:
    QStringView m_text;
    qsizetype m_unit = 0;
    qsizetype m_count = 0;
};

// {"spans": [[start1, length1, start2, length2], …], "rule": "…"}: the character difference of two
// cell texts in characters (code points), and the option that would make them equal, if one does.
void appendExplanation(QByteArray &buffer, QStringView first, QStringView second, TextFolding::FoldBuffers &folding,
                       double tolerance)
{
    const CharDiff diff = diffCharacters(first, second);
    std::array<CodePointCounter, 2> counters{CodePointCounter(first), CodePointCounter(second)};
    buffer.append("\"spans\": [");
    bool firstSpan = true;
    for (const CharSpan &span : diff.spans) {
        const qsizetype start1 = counters[0].at(span.start1);
        const qsizetype end1 = counters[0].at(span.start1 + span.length1);
        const qsizetype start2 = counters[1].at(span.start2);
        const qsizetype end2 = counters[1].at(span.start2 + span.length2);
        buffer.append(firstSpan ? "[" : ", [");
        firstSpan = false;
        buffer.append(QByteArray::number(start1) + ", " + QByteArray::number(end1 - start1) + ", "
                      + QByteArray::number(start2) + ", " + QByteArray::number(end2 - start2) + "]");
    }
    buffer.append(']');
    if (const auto rule = TextFolding::ruleThatMakesEqual(first, second, folding, tolerance)) {
        buffer.append(", \"rule\": \"");
        buffer.append(compareOptionOf(*rule).name.toUtf8());
        buffer.append('"');
    }
}

// Under comparison options the result also counts the positions they made the same, and every
// listed cell ends in an object that says its kind; without them the output is what it always was.
QByteArray jsonReport(const CompareResult &result, const SheetData &data0, const SheetData &data1,
                      const std::array<bool, 2> &complete, const FileRows &fileRows, bool explain,
                      const CliArguments &arguments)
{
    const bool withKinds = !arguments.compareOptions.isExact();
    TextFolding::FoldBuffers folding;
    const std::vector<CellPosition> &positions = result.differences;
    QByteArray buffer;
    buffer.reserve(qsizetype(positions.size()) * 48 + 256);
    buffer.append("{\"differences\": ");
    buffer.append(QByteArray::number(result.count()));
    if (withKinds) {
        buffer.append(", \"equivalent\": ");
        buffer.append(QByteArray::number(qsizetype(result.equivalents.size())));
    }
    appendJsonShape(buffer, result, complete);
    bool firstCell = true;
    forEachListed(result, arguments.listEquivalent, [&](const CellPosition position, bool equivalent) {
        appendJsonCellStart(buffer, firstCell, position.row(), position.col(),
                            data0.text(position.row(), position.col()), data1.text(position.row(), position.col()),
                            fileRowsAt(fileRows, position.row()));
        firstCell = false;
        if (withKinds || explain) {
            buffer.append(", {");
            if (withKinds)
                buffer.append(equivalent ? "\"kind\": \"equivalent\"" : "\"kind\": \"differs\"");
            if (withKinds && explain)
                buffer.append(", ");
            if (explain) {
                appendExplanation(buffer, data0.text(position.row(), position.col()),
                                  data1.text(position.row(), position.col()), folding,
                                  arguments.compareOptions.tolerance);
            }
            buffer.append('}');
        }
        buffer.append(']');
    });
    buffer.append(firstCell ? "]}\n" : "\n]}\n");
    return buffer;
}

// The time a report states: now, or SOURCE_DATE_EPOCH (seconds since 1970, UTC) when it is set,
// so that a build or a test can make the same report twice.
QDateTime reportTime()
{
    bool ok = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    return ok ? QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC) : QDateTime::currentDateTime();
}

// --key: both sheets sorted by the key columns when --sort asks, then lined up by them, with the
// rows each file had behind every row. The exit status when that cannot be done.
std::optional<int> lineUpByKey(std::array<SheetData, 2> &sheets, const CliArguments &arguments, FileRows &fileRows,
                               QIODevice &err)
{
    const KeyColumns keys{arguments.keyColumns, arguments.header};
    const int widest = std::max(sheets[0].cols(), sheets[1].cols());
    if (keys.columns.back() >= widest) {
        writeMessageLines(err, noKeyColumnText(keys.columns.back()));
        return kExitTrouble;
    }
    std::array<std::vector<int>, 2> orders;
    if (arguments.sort) {
        orders = keySortOrders(sheets[0], sheets[1], keys, arguments.compareOptions);
        for (size_t i = 0; i < 2; ++i)
            sheets[i].reorderRows(orders[i]);
    }
    const std::optional<KeyLineUp> lined = lineUpRowsByKey(sheets[0], sheets[1], keys, arguments.compareOptions);
    if (!lined) {
        writeMessageLines(err, alignTooLongText());
        return kExitTrouble;
    }
    for (int i = 0; i < 2; ++i) {
        SheetData &sheet = sheets[size_t(i)];
        std::vector<int> &rows = fileRows[size_t(i)];
        rows = lined->alignment.originalRows(i, sheet.rows() - 1);
        // A sorted sheet's rows name the file's rows they came from.
        if (arguments.sort) {
            for (int &row : rows)
                row = row > 0 ? orders[size_t(i)][size_t(row)] : 0;
        }
        insertAlignedRows(sheet, lined->alignment, i);
    }
    if (const QString note = repeatedKeysText(lined->repeatedRows); !note.isEmpty())
        writeMessageLines(err, note);
    if (!lined->alignment.longest)
        writeMessageLines(err, mayNotBeLongestText());
    return std::nullopt;
}

bool readWhole(const FileLoad &load)
{
    return load.read.result == MMS_GRID_CSV_READ::ReadResult::Complete;
}

int compareLoaded(std::array<FileLoad, 2> &loads, const CliArguments &arguments, QIODevice &out, QIODevice &err)
{
    const std::array<bool, 2> complete{readWhole(loads[0]), readWhole(loads[1])};
    // The cells as read; each file's format stays with its load.
    std::array<SheetData, 2> sheets{std::move(loads[0].read.data), std::move(loads[1].read.data)};
    const SheetData &sheet0 = sheets[0];
    const SheetData &sheet1 = sheets[1];

    FileRows fileRows;
    if (!arguments.keyColumns.empty()) {
        if (const std::optional<int> refused = lineUpByKey(sheets, arguments, fileRows, err))
            return *refused;
    } else if (arguments.align) {
        // The files stay as they are: only the sheets in memory get the empty rows.
        const std::optional<RowAlignment> alignment = lineUpRows(sheet0, sheet1, arguments.compareOptions);
        if (!alignment) {
            writeMessageLines(err, alignTooLongText());
            return kExitTrouble;
        }
        for (int i = 0; i < 2; ++i) {
            SheetData &sheet = sheets[size_t(i)];
            fileRows[size_t(i)] = alignment->originalRows(i, sheet.rows() - 1);
            insertAlignedRows(sheet, *alignment, i);
        }
        if (!alignment->longest)
            writeMessageLines(err, mayNotBeLongestText());
    }

    // Nobody sees colours here: the positions are all the report needs.
    const CompareResult result = FindDifferences(sheet0, sheet1, arguments.compareOptions);
    std::optional<DifferenceReport> differenceReport;
    if (!arguments.report.isEmpty()) {
        ReportSettings settings;
        for (size_t i = 0; i < 2; ++i)
            settings.files[i] = {loads[i].path, loads[i].read.format, loads[i].firstRowNotRead};
        settings.delimiterMode = arguments.delimiterMode;
        settings.delimiter = arguments.delimiter;
        settings.options = compareOptionLabels(arguments.compareOptions);
        settings.fileRows = fileRows;
        settings.createdAt = reportTime();
        differenceReport = buildDifferenceReport(result, sheet0, sheet1, std::move(settings), result.equivalents);
    }
    const bool reportToOutput = arguments.report == u"-"_s;
    const QByteArray report = reportToOutput ? writeCsvReport(*differenceReport)
        : arguments.json ? jsonReport(result, sheet0, sheet1, complete, fileRows, arguments.explain, arguments)
                         : textReport(result, fileRows, arguments.listEquivalent);
    if (!writeOutput(out, report)) {
        writeMessageLines(err, outputFailedText());
        return kExitTrouble;
    }
    if (differenceReport && !reportToOutput) {
        const std::optional<ReportFormat> format = reportFormatForPath(arguments.report);
        QString reason;
        if (!format || !saveReport(*differenceReport, *format, arguments.report, &reason)) {
            writeMessageLines(err,
                              arguments.report + u": "_s + reportNotSavedText()
                                  + (reason.isEmpty() ? QString() : u"\r\n"_s + reason));
            return kExitTrouble;
        }
        if (*format == ReportFormat::Xlsx) {
            if (const qsizetype cut = xlsxTextChanges(*differenceReport).cut; cut > 0)
                writeMessageLines(err, arguments.report + u": "_s + xlsxCutCellsText(cut));
        }
    }
    // Rows or columns a file did not yield were not compared: "no difference" would not be true.
    if (!complete[0] || !complete[1])
        return kExitIncomplete;
    return (result.count() > 0 || result.sizesDiffer) ? kExitDifferent : kExitOk;
}
} // namespace

int runDiff(const CliArguments &arguments, QIODevice &out, QIODevice &err)
{
    // Row by row as the files are read, when nothing asks for the whole sheets.
    try {
        if (const std::optional<int> streamed = runStreamDiff(arguments, out, err))
            return *streamed;
    } catch (const std::bad_alloc &) {
        writeMessageLines(err, kOutOfMemoryText);
        return kExitTrouble;
    }

    std::array<FileLoad, 2> loads;
    loads[0].path = arguments.files.value(0);
    loads[1].path = arguments.files.value(1);
    try {
        loadBoth(loads, arguments);
    } catch (const std::bad_alloc &) {
        writeMessageLines(err, kOutOfMemoryText);
        return kExitTrouble;
    }

    // Every message names its file: there are two. A missing delimiter is the setting's fault,
    // not a file's, and is told once.
    QStringList refusals;
    for (const FileLoad &load : loads) {
        if (load.refusal == LoadRefusal::None)
            continue;
        const QString text = refusalText(load.refusal, load.reason);
        const QString line = load.refusal == LoadRefusal::NoDelimiter ? text : load.path + u": "_s + text;
        if (!refusals.contains(line))
            refusals.append(line);
    }
    for (const QString &line : std::as_const(refusals))
        writeMessageLines(err, line);
    if (!refusals.isEmpty())
        return kExitTrouble;

    for (const FileLoad &load : loads) {
        if (!readWhole(load))
            writeMessageLines(err, load.path + u": "_s + load.partialText);
        if (!load.writesBack)
            writeMessageLines(err, load.path + u": "_s + notWritableBackMessage().text);
    }

    try {
        return compareLoaded(loads, arguments, out, err);
    } catch (const std::bad_alloc &) {
        writeMessageLines(err, kOutOfMemoryText);
        return kExitTrouble;
    }
}
