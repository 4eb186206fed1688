#include "DiffCommand.h"

#include "CharDiff.h"
#include "ColumnAlignment.h"
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
#include "SideThread.h"
#include "StreamDiff.h"
#include "TextFolding.h"
#include "WorkbookLoad.h"
#include "XlsxReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <array>
#include <exception>
#include <new>
#include <optional>
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
    QString workbookRefusal; // a workbook, or its sheet asked for, refused
    QString workbookSheet; // the worksheet read, when the file is a workbook
    QStringList notes; // what the read tells once of how it read the file
    std::exception_ptr failure;

    void run(int delimiterMode, const QString &delimiter, std::optional<TextEncoding> encoding, const QString &sheet,
             bool sheetLimits)
    {
        try {
            if (readWorkbook(sheet, sheetLimits))
                return;
            SheetFileReader reader({delimiterMode, delimiter});
            reader.setEncoding(encoding);
            refusal = reader.open(path);
            if (refusal == LoadRefusal::None)
                refusal = reader.countColumns();
            if (refusal != LoadRefusal::None) {
                reason = reader.unreadableReason();
                return;
            }
            writesBack = reader.writesBackUnchanged();
            if (const QString note = reader.decodingNote(); !note.isEmpty())
                notes.append(note);
            read = reader.readData();
            firstRowNotRead = reader.firstRowNotRead();
            partialText = reader.partialReadMessage().text;
        } catch (...) {
            failure = std::current_exception();
        }
    }

    // Whether the file is a workbook, which is then read (or refused) instead of a text file.
    bool readWorkbook(const QString &sheet, bool sheetLimits)
    {
        std::optional<WorkbookLoad> book = loadWorkbook(path, sheet, sheetLimits);
        if (!book)
            return false;
        workbookRefusal = book->refusal;
        if (!workbookRefusal.isEmpty())
            return true;
        read = std::move(book->read);
        workbookSheet = book->sheetName;
        firstRowNotRead = book->firstRowNotRead;
        partialText = book->partialText;
        notes = book->notes;
        return true;
    }
};

// Reads file 2 on a thread of its own while this thread reads file 1; a failure on the worker
// is raised again here.
void loadBoth(std::array<FileLoad, 2> &loads, const CliArguments &arguments)
{
    const bool sheetLimits = !arguments.noLimit;
    SideJob worker([&] {
        loads[1].run(arguments.delimiterMode, arguments.delimiter, arguments.encodings[1], arguments.sheets[1],
                     sheetLimits);
    });
    loads[0].run(arguments.delimiterMode, arguments.delimiter, arguments.encodings[0], arguments.sheets[0],
                 sheetLimits);
    worker.join();
    for (const FileLoad &load : loads) {
        if (load.failure)
            std::rethrow_exception(load.failure);
    }
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
    writeLineUpNotes(err, true, lined->repeatedRows, lined->alignment.longest);
    return std::nullopt;
}

// Lines the sheets' columns up by their headings before anything else: the rows are then lined
// up on the columns that face each other. Refused, with the window's messages, when a sheet would
// pass its limits.
std::optional<int> lineUpColumns(std::array<SheetData, 2> &sheets, const CliArguments &arguments,
                                 std::vector<FileColPair> &fileCols, QIODevice &err)
{
    const ColumnAlignment alignment = alignColumnsByHeading(sheets[0], sheets[1], arguments.compareOptions);
    if (!columnsFitColLimit(alignment, sheets[0], sheets[1])) {
        writeMessageLines(err, alignColumnsTooWideText());
        return kExitTrouble;
    }
    if (!columnsFitCells(alignment, sheets[0], sheets[1])) {
        writeMessageLines(err, alignColumnsTooManyCellsText());
        return kExitTrouble;
    }
    if (!headingsMostlyShared(alignment))
        writeMessageLines(err, fewHeadingsSharedText(alignment.matchedCols()));
    fileCols.assign(alignment.columns.size() + 1, FileColPair{});
    for (size_t at = 0; at < alignment.columns.size(); ++at)
        fileCols[at + 1] = alignment.columns[at];
    for (int i = 0; i < 2; ++i)
        insertAlignedCols(sheets[size_t(i)], alignment, i);
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

    std::vector<FileColPair> fileCols;
    if (arguments.alignColumns) {
        if (const std::optional<int> refused = lineUpColumns(sheets, arguments, fileCols, err))
            return *refused;
    }
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
        writeLineUpNotes(err, false, {}, alignment->longest);
    }

    // Nobody sees colours here: the positions are all the report needs, and the lines are
    // written as the walk finds them.
    ListedCells listed(arguments);
    listed.setFileRows(fileRows);
    listed.setFileCols(fileCols);
    const CompareResult result = FindDifferences(sheet0, sheet1, arguments.compareOptions, listed);
    const DiffFindings findings{result, result.count(), qint32(result.equivalents.size()), complete};
    std::optional<DifferenceReport> differenceReport;
    if (!arguments.report.isEmpty()) {
        ReportSettings settings;
        for (size_t i = 0; i < 2; ++i)
            settings.files[i] = {loads[i].path, loads[i].read.format, loads[i].firstRowNotRead, loads[i].workbookSheet};
        settings.delimiterMode = arguments.delimiterMode;
        settings.delimiter = arguments.delimiter;
        settings.options = compareOptionLabels(arguments.compareOptions);
        settings.fileRows = fileRows;
        for (size_t at = 1; at < fileCols.size(); ++at)
            settings.columnPairs.push_back(fileCols[at]);
        settings.createdAt = reportTime();
        differenceReport = buildDifferenceReport(result, sheet0, sheet1, std::move(settings), result.equivalents);
    }
    const bool reportToOutput = arguments.report == u"-"_s;
    if (reportToOutput ? !writeDiffOutput(out, err, writeCsvReport(*differenceReport))
                       : !writeDiffOutput(out, err, findings, listed.lines(), arguments))
        return kExitTrouble;
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
    return diffExitStatus(findings);
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
        if (!load.workbookRefusal.isEmpty())
            refusals.append(load.path + u": "_s + load.workbookRefusal);
        if (load.refusal == LoadRefusal::None)
            continue;
        const QString text = refusalText(load.refusal, load.reason, load.path);
        // A file that is no text is named by its message.
        const bool named = load.refusal == LoadRefusal::NoDelimiter || load.refusal == LoadRefusal::NotText;
        const QString line = named ? text : load.path + u": "_s + text;
        if (!refusals.contains(line))
            refusals.append(line);
    }
    for (const QString &line : std::as_const(refusals))
        writeMessageLines(err, line);
    if (!refusals.isEmpty())
        return kExitTrouble;

    for (const FileLoad &load : loads) {
        for (const QString &note : load.notes)
            writeMessageLines(err, load.path + u": "_s + note);
        writeFileNotes(err, load.path, readWhole(load), load.partialText, load.writesBack);
    }

    try {
        return compareLoaded(loads, arguments, out, err);
    } catch (const std::bad_alloc &) {
        writeMessageLines(err, kOutOfMemoryText);
        return kExitTrouble;
    }
}

ListedCells::ListedCells(const CliArguments &arguments)
    : m_json(arguments.json)
    , m_withKinds(!arguments.compareOptions.isExact())
    , m_explain(arguments.explain)
    , m_listEquivalent(arguments.listEquivalent)
    , m_tolerance(arguments.compareOptions.tolerance)
{
}

void ListedCells::setFileRows(FileRows fileRows)
{
    m_fileRows = std::move(fileRows);
}

void ListedCells::setFileCols(std::vector<FileColPair> fileCols)
{
    m_fileCols = std::move(fileCols);
}

std::optional<FileColPair> ListedCells::fileColsAt(int col) const
{
    if (m_fileCols.empty())
        return std::nullopt;
    // A column past both sheets' lined-up ones is in neither file.
    return size_t(col) < m_fileCols.size() ? m_fileCols[size_t(col)] : FileColPair{};
}

void ListedCells::differingCell(int row, int col, QStringView text0, QStringView text1)
{
    append(row, col, text0, text1, false);
}

void ListedCells::equivalentCell(int row, int col, QStringView text0, QStringView text1)
{
    if (m_listEquivalent)
        append(row, col, text0, text1, true);
}

bool ListedCells::wantsTexts() const
{
    return m_json;
}

void ListedCells::alignedRow(int fileRow0, int fileRow1)
{
    m_streamAligned = true;
    m_streamRows = {fileRow0, fileRow1};
}

void ListedCells::alignedColumns(const std::vector<std::array<int, 2>> &columns)
{
    m_fileCols.assign(columns.size() + 1, FileColPair{});
    std::copy(columns.begin(), columns.end(), m_fileCols.begin() + 1);
}

const QByteArray &ListedCells::lines()
{
    if (!m_json)
        m_lines.truncate(m_filled);
    return m_lines;
}

std::optional<FileRowPair> ListedCells::fileRowsAt(int row) const
{
    if (m_streamAligned)
        return m_streamRows;
    if (m_fileRows[0].empty())
        return std::nullopt;
    const auto at = [row](const std::vector<int> &rows) { return size_t(row) < rows.size() ? rows[size_t(row)] : 0; };
    return FileRowPair{at(m_fileRows[0]), at(m_fileRows[1])};
}

void ListedCells::append(int row, int col, QStringView text0, QStringView text1, bool equivalent)
{
    const std::optional<FileRowPair> fileRows = fileRowsAt(row);
    if (!m_json) {
        if (m_lines.size() - m_filled < kTextPositionMaxBytes)
            m_lines.resize(std::max<qsizetype>(2 * m_lines.size(), qsizetype(1) << 16));
        char *const start = m_lines.data() + m_filled;
        m_filled += writeTextPosition(start, row, col, fileRows, equivalent, fileColsAt(col)) - start;
        ++m_listed;
        return;
    }
    appendJsonCellStart(m_lines, m_listed == 0, row, col, text0, text1, fileRows, fileColsAt(col));
    // Under comparison options every listed cell ends in an object that says its kind; without
    // them the output is what it always was.
    if (m_withKinds || m_explain) {
        m_lines.append(", {");
        if (m_withKinds)
            m_lines.append(equivalent ? "\"kind\": \"equivalent\"" : "\"kind\": \"differs\"");
        if (m_withKinds && m_explain)
            m_lines.append(", ");
        if (m_explain)
            appendExplanation(m_lines, text0, text1, m_folding, m_tolerance);
        m_lines.append('}');
    }
    m_lines.append(']');
    ++m_listed;
}

namespace
{
// What diffOutput puts before and after the listed lines.
std::array<QByteArray, 2> diffOutputAround(const DiffFindings &findings, bool noLines, const CliArguments &arguments)
{
    QByteArray head;
    if (!arguments.json) {
        // The result message needs the counts; the positions behind them are listed below it.
        CompareResult counted = findings.shapes;
        counted.differences.resize(size_t(findings.count));
        counted.equivalents.resize(size_t(findings.equivalentCount));
        QString message = compareResultMessage(counted);
        message.replace(u"\r\n"_s, u"\n"_s);
        head.append(message.toUtf8());
        head.append('\n');
        return {head, QByteArray()};
    }
    head.append("{\"differences\": ");
    head.append(QByteArray::number(findings.count));
    if (!arguments.compareOptions.isExact()) {
        head.append(", \"equivalent\": ");
        head.append(QByteArray::number(findings.equivalentCount));
    }
    appendJsonShape(head, findings.shapes, findings.complete);
    return {head, QByteArray(noLines ? "]}\n" : "\n]}\n")};
}
} // namespace

QByteArray diffOutput(const DiffFindings &findings, const QByteArray &lines, const CliArguments &arguments)
{
    const std::array<QByteArray, 2> around = diffOutputAround(findings, lines.isEmpty(), arguments);
    QByteArray buffer;
    buffer.reserve(around[0].size() + lines.size() + around[1].size());
    buffer.append(around[0]);
    buffer.append(lines);
    buffer.append(around[1]);
    return buffer;
}

bool writeDiffOutput(QIODevice &out, QIODevice &err, const QByteArray &output)
{
    if (writeOutput(out, output))
        return true;
    writeMessageLines(err, outputFailedText());
    return false;
}

bool writeDiffOutput(QIODevice &out, QIODevice &err, const DiffFindings &findings, const QByteArray &lines,
                     const CliArguments &arguments)
{
    const std::array<QByteArray, 2> around = diffOutputAround(findings, lines.isEmpty(), arguments);
    // The lines go out as they are: copying megabytes of them behind the message costs more than a
    // write of its own.
    if (out.write(around[0]) == around[0].size() && out.write(lines) == lines.size() && writeOutput(out, around[1]))
        return true;
    writeMessageLines(err, outputFailedText());
    return false;
}

void writeFileNotes(QIODevice &err, const QString &path, bool complete, const QString &partialText, bool writesBack)
{
    if (!complete)
        writeMessageLines(err, path + u": "_s + partialText);
    if (!writesBack)
        writeMessageLines(err, path + u": "_s + notWritableBackMessage().text);
}

void writeLineUpNotes(QIODevice &err, bool byKey, const std::array<int, 2> &repeatedKeyRows, bool longest)
{
    if (const QString note = repeatedKeysText(repeatedKeyRows); byKey && !note.isEmpty())
        writeMessageLines(err, note);
    if (!longest)
        writeMessageLines(err, mayNotBeLongestText());
}

int diffExitStatus(const DiffFindings &findings)
{
    // Rows or columns a file did not yield were not compared: "no difference" would not be true.
    if (!findings.complete[0] || !findings.complete[1])
        return kExitIncomplete;
    return (findings.count > 0 || findings.shapes.sizesDiffer) ? kExitDifferent : kExitOk;
}
