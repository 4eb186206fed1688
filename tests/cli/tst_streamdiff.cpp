// The comparison rowlark-diff makes while it reads must find what the window's stored comparison
// finds: random pairs of files, read both ways, in pieces small enough that rows and quoted fields
// cross from one piece to the next.

#include "CliArguments.h"
#include "ColumnAlignment.h"
#include "CompareOptions.h"
#include "CompareResult.h"
#include "Cp932.h"
#include "KeyAlignment.h"
#include "RowAlignment.h"
#include "SheetFileReader.h"
#include "SheetStream.h"
#include "StreamDiff.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextEncoding)

namespace
{
struct Stored
{
    CompareResult result;
    std::vector<std::pair<QString, QString>> texts;
    std::array<bool, 2> complete{};
    std::array<bool, 2> writesBack{};
    std::vector<std::array<int, 2>> fileRows; // lined up: the files' rows behind each position
    std::vector<CellPosition> equivalents;
    std::vector<std::array<int, 2>> columns; // columns lined up: the files' columns facing each other
};

// The window's way: each file read whole into a sheet, the columns then the rows lined up when
// asked, then FindDifferences.
std::optional<Stored> compareStored(const std::array<QString, 2> &files, int mode, const QString &delimiter,
                                    bool align = false, const CompareOptions &options = {}, const KeyColumns &keys = {},
                                    bool alignColumns = false)
{
    std::array<SheetReadResult, 2> reads;
    Stored stored;
    for (size_t i = 0; i < 2; ++i) {
        SheetFileReader reader({mode, delimiter});
        if (reader.open(files[i]) != LoadRefusal::None || reader.countColumns() != LoadRefusal::None)
            return std::nullopt;
        stored.writesBack[i] = reader.writesBackUnchanged();
        reads[i] = reader.readData();
        stored.complete[i] = reads[i].result == MMS_GRID_CSV_READ::ReadResult::Complete;
    }
    SheetData data0 = std::move(reads[0].data);
    SheetData data1 = std::move(reads[1].data);
    if (alignColumns) {
        const ColumnAlignment columns = alignColumnsByHeading(data0, data1, options);
        stored.columns = columns.columns;
        insertAlignedCols(data0, columns, 0);
        insertAlignedCols(data1, columns, 1);
    }
    std::array<std::vector<int>, 2> origins;
    if (align) {
        const std::optional<RowAlignment> alignment = keys.columns.empty()
            ? lineUpRows(data0, data1, options)
            : std::optional<RowAlignment>(lineUpRowsByKey(data0, data1, keys, options)->alignment);
        if (!alignment)
            return std::nullopt;
        origins = {alignment->originalRows(0, data0.rows() - 1), alignment->originalRows(1, data1.rows() - 1)};
        insertAlignedRows(data0, *alignment, 0);
        insertAlignedRows(data1, *alignment, 1);
    }
    stored.result = FindDifferences(data0, data1, options);
    stored.equivalents = stored.result.equivalents;
    for (const CellPosition position : stored.result.differences) {
        stored.texts.emplace_back(data0.text(position.row(), position.col()).toString(),
                                  data1.text(position.row(), position.col()).toString());
        if (align)
            stored.fileRows.push_back({origins[0][size_t(position.row())], origins[1][size_t(position.row())]});
    }
    return stored;
}

class Collected : public CellListener
{
public:
    std::vector<CellPosition> positions;
    std::vector<std::pair<QString, QString>> texts;
    std::vector<std::array<int, 2>> fileRows;
    std::array<int, 2> currentRows{};
    bool aligned = false;
    std::vector<CellPosition> equivalents;
    std::vector<std::array<int, 2>> columns;

    void differingCell(int row, int col, QStringView text0, QStringView text1) override
    {
        positions.emplace_back(row, col);
        texts.emplace_back(text0.toString(), text1.toString());
        if (aligned)
            fileRows.push_back(currentRows);
    }
    void equivalentCell(int row, int col, QStringView, QStringView) override
    {
        equivalents.emplace_back(row, col);
    }
    void alignedRow(int fileRow0, int fileRow1) override
    {
        aligned = true;
        currentRows = {fileRow0, fileRow1};
    }
    void alignedColumns(const std::vector<std::array<int, 2>> &lined) override
    {
        QVERIFY(positions.empty() && equivalents.empty());
        columns = lined;
    }
};

// Cell texts made of what the reader treats specially (quotes, blanks, every delimiter, lone CR
// and LF) and of characters whose encodings differ in length.
const QStringList kPieces{u"a"_s,  u"b"_s,  u"7"_s,  u" "_s, u"\""_s, u","_s,  u";"_s,  u"\t"_s, u"A"_s,
                          u"ア"_s, u"あ"_s, u"漢"_s, u"ｱ"_s, u"é"_s,  u"\r"_s, u"\n"_s, u"|"_s,  u""_s};

QString randomText(QRandomGenerator &random, bool lineEnds)
{
    const qsizetype pieces = lineEnds ? kPieces.size() : kPieces.size() - 4;
    QString text;
    const int length = random.bounded(4);
    for (int i = 0; i < length; ++i) {
        const QString &piece = kPieces[random.bounded(int(pieces))];
        if (!lineEnds && (piece == u"\r"_s || piece == u"\n"_s))
            continue;
        text += piece;
    }
    return text;
}

// Whole cells that the date, digit separator and Shift_JIS rules make the same as others.
const QStringList kWritings{u"2024/4/1"_s, u"令和6年4月1日"_s, u"R06.04.01"_s, u"2024-04-02"_s,
                            u"20240401"_s, u"123-4567"_s,      u"〒1234567"_s, u"0012"_s,
                            u"12"_s,       u"1〜2"_s,          u"1～2"_s};

QStringList randomLines(QRandomGenerator &random, QChar separator, bool writings = false)
{
    QStringList lines;
    const int count = random.bounded(30);
    for (int l = 0; l < count; ++l) {
        QStringList cells;
        // Now and then a line of some hundred bytes: shared stretches are passed over in blocks.
        const int width = random.bounded(8) == 0 ? 20 + random.bounded(40) : random.bounded(6);
        for (int c = 0; c < width; ++c) {
            if (writings && random.bounded(3) == 0) {
                cells.append(kWritings[random.bounded(int(kWritings.size()))]);
                continue;
            }
            // Now and then a field quoted as spreadsheets write it: commas, line ends and doubled
            // quotes inside, long enough to be cut by the pieces.
            if (random.bounded(5) == 0) {
                QString inner = randomText(random, true) + randomText(random, true) + randomText(random, true);
                cells.append(u'"' + inner.replace(u"\""_s, u"\"\""_s) + u'"');
            } else {
                cells.append(random.bounded(10) == 0 ? randomText(random, true) : randomText(random, false));
            }
        }
        lines.append(cells.join(separator));
    }
    return lines;
}

// Mostly the same lines, a few changed, dropped or added: most cells of a pair compare equal.
QStringList changedLines(QRandomGenerator &random, QStringList lines, QChar separator)
{
    for (int change = random.bounded(4); change > 0 && !lines.isEmpty(); --change) {
        const int at = random.bounded(int(lines.size()));
        switch (random.bounded(3)) {
        case 0:
            lines[at] += randomText(random, false);
            break;
        case 1:
            lines.removeAt(at);
            break;
        default:
            lines.insert(at, randomText(random, false) + separator + randomText(random, false));
            break;
        }
    }
    return lines;
}

// One column inserted into every line, or taken out of it, at the same field: the columns shift.
QStringList shiftedColumn(QRandomGenerator &random, const QStringList &lines, QChar separator)
{
    const int at = random.bounded(4);
    const bool insert = random.bounded(2) == 0;
    QStringList shifted;
    for (const QString &line : lines) {
        QStringList cells = line.split(separator);
        if (insert)
            cells.insert(std::min<qsizetype>(at, cells.size()), randomText(random, false));
        else if (at < cells.size())
            cells.removeAt(at);
        shifted.append(cells.join(separator));
    }
    return shifted;
}

// A UTF-16 file's units, now and then with a surrogate pair, and with the mark, a half of one alone
// or an odd last byte (without it, those make the file no UTF-16).
QByteArray utf16Bytes(QString text, TextEncoding encoding, QRandomGenerator &random)
{
    const bool little = encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16LeBom;
    const bool marked = encoding == TextEncoding::Utf16LeBom || encoding == TextEncoding::Utf16BeBom;
    const std::array<QString, 3> odd{u"😀"_s, QString(QChar(0xD83D)), QString(QChar(0xDE00))};
    if (random.bounded(3) == 0)
        text.insert(random.bounded(int(text.size()) + 1), odd[size_t(random.bounded(marked ? 3 : 1))]);
    QByteArray bytes = encoding == TextEncoding::Utf16LeBom ? "\xFF\xFE"_ba
        : encoding == TextEncoding::Utf16BeBom              ? "\xFE\xFF"_ba
                                                            : QByteArray();
    for (const QChar ch : std::as_const(text)) {
        const char16_t unit = ch.unicode();
        bytes += char(little ? unit & 0xFF : unit >> 8);
        bytes += char(little ? unit >> 8 : unit & 0xFF);
    }
    if (marked && random.bounded(8) == 0)
        bytes += 'x';
    return bytes;
}

QByteArray encoded(const QStringList &lines, const QString &lineEnd, TextEncoding encoding, bool finalLineEnd,
                   QRandomGenerator &random)
{
    QString text = lines.join(lineEnd);
    if (finalLineEnd && !lines.isEmpty())
        text += lineEnd;
    if (encoding != TextEncoding::ShiftJis && encoding != TextEncoding::Utf8 && encoding != TextEncoding::Utf8Bom)
        return utf16Bytes(text, encoding, random);
    if (encoding == TextEncoding::ShiftJis) {
        QByteArray bytes;
        (void)Cp932::encode(text, bytes);
        return bytes;
    }
    return (encoding == TextEncoding::Utf8Bom ? "\xEF\xBB\xBF"_ba : QByteArray()) + text.toUtf8();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What another program does to a file while it is read: cuts it short, or puts a new one in its place.
bool changeFile(const QString &path, bool replace)
{
    if (!replace)
        return truncate(QFile::encodeName(path).constData(), 10) == 0;
    const QString other = path + u".new"_s;
    return writeFile(other, "a1,x\r\n") && std::rename(QFile::encodeName(other), QFile::encodeName(path)) == 0;
}

// Changes the first file at the first difference it is told of.
class ChangingFile : public Collected
{
public:
    QString path;
    bool replace = false;
    bool changed = false;

    void differingCell(int row, int col, QStringView text0, QStringView text1) override
    {
        changed = changed || changeFile(path, replace);
        Collected::differingCell(row, col, text0, text1);
    }
};
} // namespace

class TestStreamDiff : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void agreesWithStoredComparison_data();
    void agreesWithStoredComparison();
    void rowLimit_data();
    void rowLimit();
    void rawRowsFacingRowsTheReaderCuts_data();
    void rawRowsFacingRowsTheReaderCuts();
    void shiftedRowsKeepThePieceSmall();
    void columnPassOverBlockEdges_data();
    void columnPassOverBlockEdges();
    void columnPassAgreesInEveryPieceSize();
    void leavesOtherFilesToTheStoredComparison_data();
    void leavesOtherFilesToTheStoredComparison();
    void fileChangedWhileReadStops_data();
    void fileChangedWhileReadStops();
    void readOnceAgreesWithThePasses_data();
    void readOnceAgreesWithThePasses();

private:
    std::optional<QTemporaryDir> m_dir;
};

void TestStreamDiff::init()
{
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
}

void TestStreamDiff::agreesWithStoredComparison_data()
{
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("delimiter"); // empty: the comma mode
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("align");
    QTest::addColumn<QString>("options"); // as the settings file writes them
    QTest::addColumn<QString>("keys"); // lined up by these key columns; "h" first: row 1 is a heading
    QTest::addColumn<bool>("alignColumns"); // lined up by their headings first
    const std::array<std::pair<const char *, TextEncoding>, 3> encodings{{{"UTF-8", TextEncoding::Utf8},
                                                                          {"UTF-8 with mark", TextEncoding::Utf8Bom},
                                                                          {"Shift-JIS", TextEncoding::ShiftJis}}};
    const std::array<std::pair<const char *, QString>, 3> modes{
        {{"comma mode", QString()}, {"semicolon", u";"_s}, {"TAB", u"\t"_s}}};
    quint32 seed = 1;
    for (const auto &[encodingName, encoding] : encodings) {
        for (const auto &[modeName, delimiter] : modes)
            QTest::addRow("%s, %s", encodingName, modeName)
                << encoding << delimiter << seed++ << false << QString() << QString() << false;
    }
    QTest::addRow("UTF-8, bar") << TextEncoding::Utf8 << u"|"_s << seed++ << false << QString() << QString() << false;
    // UTF-16 is read as the UTF-8 it holds.
    const std::array<std::pair<const char *, TextEncoding>, 4> wide{{{"UTF-16LE with mark", TextEncoding::Utf16LeBom},
                                                                     {"UTF-16BE with mark", TextEncoding::Utf16BeBom},
                                                                     {"UTF-16LE", TextEncoding::Utf16Le},
                                                                     {"UTF-16BE", TextEncoding::Utf16Be}}};
    for (const auto &[encodingName, encoding] : wide) {
        for (const auto &[modeName, delimiter] : modes)
            QTest::addRow("%s, %s", encodingName, modeName)
                << encoding << delimiter << seed++ << false << QString() << QString() << false;
    }
    QTest::addRow("UTF-16LE with mark, comma mode, lined up")
        << TextEncoding::Utf16LeBom << QString() << seed++ << true << QString() << QString() << false;
    QTest::addRow("UTF-16BE, TAB, folding, key 1") << TextEncoding::Utf16Be << u"\t"_s << seed++ << true
                                                   << u"ignore-case;fold-width;fold-kana;trim"_s << u"1"_s << false;
    // Lining up from the stream, on the rows' hashes, against lining up the stored sheets.
    for (const auto &[encodingName, encoding] : encodings)
        QTest::addRow("%s, comma mode, lined up", encodingName)
            << encoding << QString() << seed++ << true << QString() << QString() << false;
    QTest::addRow("UTF-8, TAB, lined up")
        << TextEncoding::Utf8 << u"\t"_s << seed++ << true << QString() << QString() << false;
    // Under comparison options: raw fields that differ are decoded and folded.
    const QString folding = u"ignore-case;fold-width;fold-kana;trim"_s;
    QTest::addRow("UTF-8, comma mode, folding")
        << TextEncoding::Utf8 << QString() << seed++ << false << folding << QString() << false;
    QTest::addRow("Shift-JIS, TAB, folding")
        << TextEncoding::ShiftJis << u"\t"_s << seed++ << false << folding << QString() << false;
    QTest::addRow("UTF-8, comma mode, numbers, a column left out")
        << TextEncoding::Utf8 << QString() << seed++ << false << u"numeric=1;skip-columns=2"_s << QString() << false;
    QTest::addRow("UTF-8, comma mode, key 1")
        << TextEncoding::Utf8 << QString() << seed++ << true << QString() << u"1"_s << false;
    QTest::addRow("Shift-JIS, TAB, keys 1 and 3 under a heading")
        << TextEncoding::ShiftJis << u"\t"_s << seed++ << true << QString() << u"h1,3"_s << false;
    QTest::addRow("UTF-8, comma mode, key 2 under folding")
        << TextEncoding::Utf8 << QString() << seed++ << true << folding + u";skip-columns=2"_s << u"2"_s << false;
    QTest::addRow("UTF-8, comma mode, folding, lined up")
        << TextEncoding::Utf8 << QString() << seed++ << true << folding + u";skip-columns=3"_s << QString() << false;
    // Every number hashes alike under the numeric rule: the texts decide.
    QTest::addRow("UTF-8, comma mode, numbers within a tolerance, lined up")
        << TextEncoding::Utf8 << QString() << seed++ << true << u"numeric=5;skip-columns=2"_s << QString() << false;
    QTest::addRow("Shift-JIS, TAB, numbers, lined up")
        << TextEncoding::ShiftJis << u"\t"_s << seed++ << true << u"numeric;trim"_s << QString() << false;
    const QString writings = u"dates;ignore-digit-separators;fold-sjis-pairs;numeric"_s;
    QTest::addRow("UTF-8, comma mode, dates, digits and pairs")
        << TextEncoding::Utf8 << QString() << seed++ << false << writings << QString() << false;
    QTest::addRow("UTF-8, comma mode, dates, digits and pairs, lined up")
        << TextEncoding::Utf8 << QString() << seed++ << true << writings << QString() << false;
    QTest::addRow("Shift-JIS, TAB, dates and digits by column, key 1")
        << TextEncoding::ShiftJis << u"\t"_s << seed++ << true << u"dates:1-2;ignore-digit-separators:2-3"_s << u"1"_s
        << false;
    QTest::addRow("UTF-8, comma mode, options by column, lined up")
        << TextEncoding::Utf8 << QString() << seed++ << true << u"fold-width:2;dates:1,3;numeric:3"_s << QString()
        << false;
    // Columns lined up by their headings, the second file with a column more or less: the stream
    // reads row 1 first and compares every row through the column map.
    for (const auto &[modeName, delimiter] : modes)
        QTest::addRow("UTF-8, %s, columns lined up", modeName)
            << TextEncoding::Utf8 << delimiter << seed++ << false << QString() << QString() << true;
    QTest::addRow("Shift-JIS, comma mode, columns lined up")
        << TextEncoding::ShiftJis << QString() << seed++ << false << QString() << QString() << true;
    QTest::addRow("UTF-8, comma mode, columns then rows lined up")
        << TextEncoding::Utf8 << QString() << seed++ << true << QString() << QString() << true;
    QTest::addRow("UTF-8, comma mode, columns lined up under folding, a column left out")
        << TextEncoding::Utf8 << QString() << seed++ << false << folding + u";skip-columns=2"_s << QString() << true;
    QTest::addRow("UTF-8, TAB, columns and rows lined up, numbers within a tolerance")
        << TextEncoding::Utf8 << u"\t"_s << seed++ << true << u"numeric=5;dates:1"_s << QString() << true;
    QTest::addRow("UTF-8, comma mode, columns lined up, then by key 2 under a heading")
        << TextEncoding::Utf8 << QString() << seed++ << true << QString() << u"h2"_s << true;
}

void TestStreamDiff::agreesWithStoredComparison()
{
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, delimiter);
    QFETCH(quint32, seed);
    QFETCH(bool, align);
    QFETCH(QString, options);
    QFETCH(QString, keys);
    QFETCH(bool, alignColumns);
    const CompareOptions compareOptions = compareOptionsFromText(options);
    const bool writings = compareOptions.dates || compareOptions.ignoreDigitSeparators || compareOptions.foldSjisPairs;
    const KeyColumns keyColumns{keyColumnsFromText(QStringView(keys).sliced(keys.startsWith(u'h'))),
                                keys.startsWith(u'h')};
    const int mode = delimiter.isEmpty() ? 0 : 1;
    const QString separator = delimiter.isEmpty() ? u","_s : delimiter;
    const std::array<QString, 2> files{m_dir->filePath(u"a.csv"_s), m_dir->filePath(u"b.csv"_s)};
    const QStringList lineEnds{u"\r\n"_s, u"\n"_s, u"\r"_s};
    QRandomGenerator random(seed);
    int compared = 0;
    for (int pair = 0; pair < 150; ++pair) {
        const QStringList lines = randomLines(random, separator[0], writings);
        const QString lineEnd = lineEnds[random.bounded(3)];
        QStringList other = changedLines(random, lines, separator[0]);
        if (alignColumns && random.bounded(4) != 0)
            other = shiftedColumn(random, other, separator[0]);
        QVERIFY(writeFile(files[0], encoded(lines, lineEnd, encoding, random.bounded(2), random)));
        QVERIFY(writeFile(files[1], encoded(other, lineEnds[random.bounded(3)], encoding, random.bounded(2), random)));

        const std::optional<Stored> stored = compareStored(files, mode, delimiter.isEmpty() ? u","_s : delimiter, align,
                                                           compareOptions, keyColumns, alignColumns);
        StreamOptions options;
        options.pieceBytes = 16 + random.bounded(200);
        // Half the pairs are compared in two halves, one on each core, however small.
        options.halvesFrom = random.bounded(2) == 0 ? 0 : options.halvesFrom;
        // And some of those hold few of the later half's positions before waiting for the earlier half.
        options.mostHeldBytes = random.bounded(3) == 0 ? random.bounded(200) : options.mostHeldBytes;
        // Exact pairs are mostly read once; some go through the passes all the same.
        options.onePass = random.bounded(4) != 0;
        // Within the limits the stored sheets line up under a numeric rule; past them the stream does.
        options.sheetLimits = !(align && compareOptions.numeric);
        options.align = align;
        options.compare = compareOptions;
        options.keys = keyColumns;
        options.alignColumns = alignColumns;
        Collected collected;
        const std::optional<StreamComparison> streamed
            = compareFileStreams(files, {mode, delimiter.isEmpty() ? u","_s : delimiter}, options, collected);
        // Refused files (an empty one) are the window's reader's to report.
        QCOMPARE(streamed.has_value(), stored.has_value());
        if (!stored)
            continue;
        ++compared;
        const auto context = [&] { return qPrintable(u"pair %1, piece %2"_s.arg(pair).arg(options.pieceBytes)); };
        QVERIFY2(collected.positions == stored->result.differences, context());
        QVERIFY2(collected.texts == stored->texts, context());
        QVERIFY2(collected.fileRows == stored->fileRows, context());
        QVERIFY2(collected.equivalents == stored->equivalents, context());
        QVERIFY2(collected.columns == stored->columns, context());
        QCOMPARE(streamed->equivalentCount, qint32(stored->equivalents.size()));
        QCOMPARE(streamed->count, stored->result.count());
        QCOMPARE(streamed->result.rows, stored->result.rows);
        QCOMPARE(streamed->result.cols, stored->result.cols);
        QCOMPARE(streamed->result.sizesDiffer, stored->result.sizesDiffer);
        QCOMPARE(streamed->complete, stored->complete);
        QCOMPARE(streamed->writesBack, stored->writesBack);

        // The command's output and exit status from the same comparison.
        CliArguments arguments;
        arguments.command = CliArguments::Command::Diff;
        arguments.delimiterMode = mode;
        arguments.delimiter = delimiter.isEmpty() ? u","_s : delimiter;
        arguments.files = {files[0], files[1]};
        arguments.align = align;
        arguments.compareOptions = compareOptions;
        arguments.keyColumns = keyColumns.columns;
        arguments.header = keyColumns.header;
        arguments.alignColumns = alignColumns;
        QBuffer out;
        QBuffer err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        const std::optional<int> status = runStreamDiff(arguments, out, err, options);
        QVERIFY(status);
        if (!keyColumns.columns.empty()
            && keyColumns.columns.back() >= std::max(stored->result.cols[0], stored->result.cols[1])) {
            QCOMPARE(*status, kExitTrouble); // a key column neither file has
            continue;
        }
        const int expected = !(stored->complete[0] && stored->complete[1]) ? kExitIncomplete
            : (stored->result.count() > 0 || stored->result.sizesDiffer)   ? kExitDifferent
                                                                           : kExitOk;
        QCOMPARE(*status, expected);
        // Without --list-equivalent only the differing positions are listed.
        QByteArray text = compareResultMessage(stored->result).replace(u"\r\n"_s, u"\n"_s).toUtf8() + '\n';
        for (size_t at = 0; at < stored->result.differences.size(); ++at) {
            const CellPosition position = stored->result.differences[at];
            text += QByteArray::number(position.row()) + ',' + QByteArray::number(position.col());
            if (align) {
                for (const int fileRow : stored->fileRows[at])
                    text += ',' + (fileRow > 0 ? QByteArray::number(fileRow) : QByteArray());
            }
            if (alignColumns) {
                for (const int fileCol : stored->columns[size_t(position.col() - 1)])
                    text += ',' + (fileCol > 0 ? QByteArray::number(fileCol) : QByteArray());
            }
            text += '\n';
        }
        QCOMPARE(out.data(), text);
    }
    // Files the column pass could refuse are few: most pairs must have been compared both ways.
    QVERIFY(compared > 100);
}

void TestStreamDiff::rowLimit_data()
{
    QTest::addColumn<int>("lines0");
    QTest::addColumn<int>("lines1");
    QTest::addColumn<bool>("sheetLimits");
    QTest::addColumn<int>("status");
    QTest::addRow("both at the limit") << 32766 << 32766 << true << int(kExitDifferent);
    QTest::addRow("one past the limit") << 32767 << 32766 << true << int(kExitIncomplete);
    QTest::addRow("both past the limit") << 32800 << 32767 << true << int(kExitIncomplete);
    QTest::addRow("past the limit without limits") << 40000 << 40000 << false << int(kExitDifferent);
}

// A file longer than a sheet: the stream stops where the sheet would, and reports it the same way;
// without the sheet's limits it reads on.
void TestStreamDiff::rowLimit()
{
    QFETCH(int, lines0);
    QFETCH(int, lines1);
    QFETCH(bool, sheetLimits);
    QFETCH(int, status);
    const std::array<QString, 2> files{m_dir->filePath(u"a.csv"_s), m_dir->filePath(u"b.csv"_s)};
    const std::array<int, 2> lines{lines0, lines1};
    for (size_t i = 0; i < 2; ++i) {
        QByteArray bytes;
        for (int line = 1; line <= lines[i]; ++line)
            bytes += "x," + QByteArray::number(line == 32000 && i == 1 ? 0 : line) + "\r\n";
        QVERIFY(writeFile(files[i], bytes));
    }
    StreamOptions options;
    options.pieceBytes = 4096;
    options.sheetLimits = sheetLimits;
    Collected collected;
    const std::optional<StreamComparison> streamed = compareFileStreams(files, {0, u","_s}, options, collected);
    QVERIFY(streamed);
    if (sheetLimits) {
        const std::optional<Stored> stored = compareStored(files, 0, u","_s);
        QVERIFY(stored);
        QCOMPARE(collected.positions, stored->result.differences);
        QCOMPARE(streamed->result.rows, stored->result.rows);
        QCOMPARE(streamed->complete, stored->complete);
    } else {
        QCOMPARE(streamed->result.rows, (std::array<int, 2>{lines0 + 1, lines1 + 1}));
        QCOMPARE(streamed->complete, (std::array<bool, 2>{true, true}));
    }
    QCOMPARE(collected.positions, (std::vector<CellPosition>{CellPosition(32000, 2)}));
    const int exit = !(streamed->complete[0] && streamed->complete[1]) ? kExitIncomplete
        : (streamed->count > 0 || streamed->result.sizesDiffer)        ? kExitDifferent
                                                                       : kExitOk;
    QCOMPARE(exit, status);
}

void TestStreamDiff::rawRowsFacingRowsTheReaderCuts_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addRow("an empty line facing a quoted field") << "a,b\r\n\r\nc,d\r\n"_ba
                                                         << "a,b\r\n\"x\",y\r\nc,d\r\n"_ba;
    QTest::addRow("an empty last line without its end") << "a,b\r\n,\r\n"_ba
                                                        << "a,b\r\n\"\""_ba;
    QTest::addRow("blanks facing a quoted blank") << "a, \r\n"_ba
                                                  << "a,\" \"\r\n"_ba;
    QTest::addRow("LF lines, an empty one") << "a,b\n\n"_ba
                                            << "a,b\n\"\",\"q\"\n"_ba;
    QTest::addRow("a quoted comma in the stretch both lines share") << "\"x,y\",b,c\r\n\"1,2\",3,4\r\n"_ba
                                                                    << "\"x,y\",b,d\r\n\"1,2\",3,5\r\n"_ba;
    QTest::addRow("doubled quotes and text after the closing quote") << "\"a\"\"b\",\"c\"d,e\r\n"_ba
                                                                     << "\"a\"\"c\",\"c\"e,e\r\n"_ba;
    QTest::addRow("a quote inside an unquoted field") << "ab\"c,d,\"e,f\"\r\n"_ba
                                                      << "ab\"c,x,\"e,g\"\r\n"_ba;
    QTest::addRow("a quoted line facing a shorter one") << " \"p,q\",r,\"s\"\r\n"_ba
                                                        << "\"p,q\"\r\n"_ba;
    QTest::addRow("the shared stretch ends after a quoted comma") << "a,\"x,y,z,u\",b\r\n"_ba
                                                                  << "a,\"x,y,w,u\",b\r\n"_ba;
    QTest::addRow("a quote in text before a quoted field") << "ab\"c,\"d,e\"f\"\",g\r\n"_ba
                                                           << "ab\"c,\"d,e\"f\"\",h\r\n"_ba;
    QTest::addRow("blanks before a quote after text after a closing quote") << "\"a\" \"b,c\",d\r\n"_ba
                                                                            << "\"a\" \"b,c\",e\r\n"_ba;
    QTest::addRow("a quoted line break between quoted lines") << "\"a,b\",c\r\n\"d\r\ne\",f\r\n\"g,h\",i\r\n"_ba
                                                              << "\"a,b\",x\r\n\"d\r\ne\",f\r\n\"g,h\",j\r\n"_ba;
    QTest::addRow("a quoted field never closed on the last line") << "a,\"b\"\r\nc,\"d,e\r\n"_ba
                                                                  << "a,\"b\"\r\nc,\"d,f\r\n"_ba;
    QTest::addRow("lone CR lines, a CR inside quotes") << "a,\"b\rc\",d\re,\"f\"\r"_ba
                                                       << "a,\"b\rc\",x\re,\"g\"\r"_ba;
    QTest::addRow("lone CR lines, an LF inside quotes") << "a,\"b\nc\",d\re,\"f\"\r"_ba
                                                        << "a,\"b\nc\",x\re,\"g\"\r"_ba;
}

// A raw line that must face a row the reader cut is read by the reader too, whatever it holds.
void TestStreamDiff::rawRowsFacingRowsTheReaderCuts()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    const std::array<QString, 2> files{m_dir->filePath(u"a.csv"_s), m_dir->filePath(u"b.csv"_s)};
    QVERIFY(writeFile(files[0], first));
    QVERIFY(writeFile(files[1], second));
    const std::optional<Stored> stored = compareStored(files, 0, u","_s);
    QVERIFY(stored);
    Collected collected;
    const std::optional<StreamComparison> streamed = compareFileStreams(files, {0, u","_s}, {}, collected);
    QVERIFY(streamed);
    QCOMPARE(collected.positions, stored->result.differences);
    QCOMPARE(collected.texts, stored->texts);
    QCOMPARE(streamed->result.rows, stored->result.rows);
}

// A quoted field that holds a comma shifts every later row by one field, so that no later row starts
// at a line's start: the stream still reads it a piece at a time, every cell as the stored read has it.
void TestStreamDiff::shiftedRowsKeepThePieceSmall()
{
    const QString file = m_dir->filePath(u"shifted.csv"_s);
    QByteArray bytes = "\"1,234\",b,c\r\n";
    for (int line = 0; line < 20000; ++line)
        bytes += (line % 7 == 0 ? "\"q\"" : "x") + QByteArray::number(line) + (line % 3 ? ",y,z\r\n" : ",y\r\n");
    QVERIFY(writeFile(file, bytes));
    SheetFileReader reader({0, u","_s});
    QCOMPARE(reader.open(file), LoadRefusal::None);
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    const SheetReadResult stored = reader.readData();

    SheetStream stream({0, u","_s});
    stream.setPieceBytes(4096);
    QCOMPARE(stream.open(file), SheetStream::Status::Ready);
    qsizetype most = 0;
    while (stream.next()) {
        most = std::max(most, stream.bufferBytes());
        stream.decodeRow();
        for (int col = 1; col < stream.cols(); ++col) {
            if (stream.cell(col) != stored.data.text(stream.row(), col))
                QFAIL(qPrintable(u"row %1, column %2"_s.arg(stream.row()).arg(col)));
        }
    }
    QCOMPARE(stream.status(), SheetStream::Status::End);
    QCOMPARE(stream.rows(), stored.data.rows());
    QVERIFY2(most <= 4 * 4096, qPrintable(QString::number(most)));
}

void TestStreamDiff::columnPassOverBlockEdges_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("columns");
    QTest::addColumn<qsizetype>("records");
    const auto pad = [](int n) { return QByteArray(n, 'x'); };
    // The column pass looks at 16 and 64 characters at a time: quotes, blanks and line ends on
    // either side of those edges, with a last line that makes the next block a whole one.
    const QByteArray last = pad(130) + "\r\n";
    QTest::addRow("a quote opens at byte 63") << pad(62) + ",\"p,q\",r\r\n" + last << 3 << qsizetype(2);
    QTest::addRow("a quote opens at byte 64") << pad(63) + ",\"p,q\",r\r\n" + last << 3 << qsizetype(2);
    QTest::addRow("a quote opens at byte 16") << pad(15) + ",\"a,b\"\r\n" + last << 2 << qsizetype(2);
    QTest::addRow("the closing quote ends a block") << "\"" + pad(62) + "\",b\r\n" + last << 2 << qsizetype(2);
    QTest::addRow("a doubled quote across the block edge")
        << "\"" + pad(62) + "\"\",b\",c\r\n" + last << 2 << qsizetype(2);
    QTest::addRow("CR LF split by the block edge, a quote after it")
        << pad(63) + "\r\n\"a,b\"\r\n" + last << 1 << qsizetype(3);
    QTest::addRow("blanks before a quote across the block edge")
        << pad(60) + ",   \"c,d\"\r\n" + last << 2 << qsizetype(2);
    QTest::addRow("a quote after text at the block edge is text")
        << "a," + pad(62) + "\"c,d\"\r\n" + last << 3 << qsizetype(2);
    QTest::addRow("a quoted line break across the block edge")
        << "\"" + pad(62) + "\r\nb\",c\r\n" + last << 2 << qsizetype(2);
    QTest::addRow("UTF-8 moves the byte edges away from the characters'")
        << QString(62, u'あ').toUtf8() + ",\"p,q\",r\r\n" + last << 3 << qsizetype(2);
    // The streamed read counts records in its first pass when its first piece holds a quote.
    QTest::addRow("the first quote past the first piece") << QByteArray("x,y\r\n").repeated(1000) + "\"a,b,c\",d\r\n"
                                                          << 2 << qsizetype(1001);
    // Any CR cuts at CR, and an LF is then text: the quote after it is text too.
    QTest::addRow("LF lines, then a CR past the first piece") << "\"q\"\n" + QByteArray("x\n").repeated(3000)
            + "\"a,b\"\r\n" << 2 << qsizetype(1);
}

// The column count and the records of a file with quotes, as the stored read counts them in its
// text and the streamed read in the file's bytes, in large pieces and in small ones.
void TestStreamDiff::columnPassOverBlockEdges()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, columns);
    QFETCH(qsizetype, records);
    const QString file = m_dir->filePath(u"edges.csv"_s);
    QVERIFY(writeFile(file, bytes));
    SheetFileReader reader({0, u","_s});
    QCOMPARE(reader.open(file), LoadRefusal::None);
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    QCOMPARE(reader.columnCount(), columns);
    QCOMPARE(reader.lineCount(), records);
    for (const qsizetype piece : {qsizetype(4096), qsizetype(1) << 20}) {
        SheetStream stream({0, u","_s});
        stream.setPieceBytes(piece);
        QCOMPARE(stream.open(file), SheetStream::Status::Ready);
        QCOMPARE(stream.columnCount(), columns);
    }
}

// Random files of quotes, commas, blanks and line ends: the stored read's count over the whole
// text, and the streamed read's over the bytes in pieces of every size (below 64 bytes the
// pieces are counted a character at a time), find the same column count.
void TestStreamDiff::columnPassAgreesInEveryPieceSize()
{
    const QString file = m_dir->filePath(u"random.csv"_s);
    const std::array<QByteArray, 9> alphabet{"\"", "\"", ",", ",", " ", "\r", "\n", "x", "\xE3\x81\x82"};
    QRandomGenerator random(29);
    for (int run = 0; run < 400; ++run) {
        QByteArray bytes;
        const int length = 1 + int(random.bounded(400));
        for (int i = 0; i < length; ++i)
            bytes += alphabet[random.bounded(int(alphabet.size()))];
        QVERIFY(writeFile(file, bytes));
        SheetFileReader reader({0, u","_s});
        QCOMPARE(reader.open(file), LoadRefusal::None);
        QCOMPARE(reader.countColumns(), LoadRefusal::None);
        for (const qsizetype piece : {qsizetype(16), qsizetype(17 + random.bounded(200)), qsizetype(1) << 20}) {
            SheetStream stream({0, u","_s});
            stream.setPieceBytes(piece);
            QVERIFY2(stream.open(file) == SheetStream::Status::Ready, bytes.toPercentEncoding().constData());
            QVERIFY2(stream.columnCount() == reader.columnCount(),
                     (QByteArray::number(piece) + ": " + bytes.toPercentEncoding()).constData());
        }
    }
}

void TestStreamDiff::leavesOtherFilesToTheStoredComparison_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("delimiter");
    QTest::addRow("empty file") << QByteArray() << u","_s;
    QTest::addRow("delimiter that hides in Shift-JIS") << "\x83\x7C|b\r\n"_ba << u"|"_s;
    QTest::addRow("delimiter beyond ASCII") << "a\xE3\x80\x81"
                                               "b\r\n"_ba
                                            << u"、"_s;
    // Refused by the stored read before a row is read, so the stream does not read them either.
    QTest::addRow("a workbook") << "PK\x03\x04\x14\x00\x06\x00"_ba << u","_s;
    QTest::addRow("NUL bytes") << QByteArray("a,\0b\r\n", 6) << u","_s;
    QTest::addRow("marked UTF-8 with invalid bytes") << "\xEF\xBB\xBF"
                                                        "a,\xFF\r\n"_ba
                                                     << u","_s;
}

// What only the stored read does exactly is left to it, never guessed at.
void TestStreamDiff::leavesOtherFilesToTheStoredComparison()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, delimiter);
    const std::array<QString, 2> files{m_dir->filePath(u"a.csv"_s), m_dir->filePath(u"b.csv"_s)};
    QVERIFY(writeFile(files[0], bytes));
    QVERIFY(writeFile(files[1], "a,b\r\n"_ba));
    Collected collected;
    QVERIFY(!compareFileStreams(files, {delimiter == u","_s ? 0 : 1, delimiter}, {}, collected));
}

void TestStreamDiff::fileChangedWhileReadStops_data()
{
    QTest::addColumn<bool>("replace"); // instead of cutting it short
    // 0: before the second pass; 1, 2, 3: during the comparison, lined up, or in two halves on two cores
    QTest::addColumn<int>("pass");

    QTest::newRow("cut short before the second pass") << false << 0;
    QTest::newRow("replaced before the second pass") << true << 0;
    QTest::newRow("cut short during the comparison") << false << 1;
    QTest::newRow("replaced while lined-up rows are compared") << true << 2;
    QTest::newRow("cut short while the rows are compared in halves") << false << 3;
    QTest::newRow("replaced while the rows are compared in halves") << true << 3;
}

// The passes over a file belong together only while the file stays the same.
void TestStreamDiff::fileChangedWhileReadStops()
{
    QFETCH(bool, replace);
    QFETCH(int, pass);

    const std::array<QString, 2> files{m_dir->filePath(u"a.csv"_s), m_dir->filePath(u"b.csv"_s)};
    const QByteArray rows = QByteArray("a,x\r\n").repeated(5000);
    QVERIFY(writeFile(files[0], rows));
    QVERIFY(writeFile(files[1], "a,y\r\n" + rows)); // a difference in the first row
    if (pass == 0) {
        SheetStream stream({0, u","_s});
        QCOMPARE(stream.open(files[0]), SheetStream::Status::Ready);
        QVERIFY(changeFile(files[0], replace));
        QCOMPARE(stream.rewind(), SheetStream::Status::Changed);
        return;
    }
    ChangingFile collected;
    collected.path = files[0];
    collected.replace = replace;
    StreamOptions options;
    options.pieceBytes = 1024; // most of the file is still to be read at the first difference
    options.align = pass == 2;
    // Read once, a file is compared before any position is told: the passes are the ones a
    // listener can change the file between.
    options.onePass = false;
    if (pass == 3)
        options.halvesFrom = 0;
    const std::optional<StreamComparison> comparison = compareFileStreams(files, {0, u","_s}, options, collected);
    QVERIFY(collected.changed);
    QVERIFY(comparison);
    QCOMPARE(comparison->changed, (std::array<bool, 2>{true, false}));
}

void TestStreamDiff::readOnceAgreesWithThePasses_data()
{
    QTest::addColumn<QByteArray>("bytes0");
    QTest::addColumn<QByteArray>("bytes1");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<bool>("readOnce"); // whether the files can be read once
    QTest::addColumn<bool>("alignColumns");

    // Rows whose middle line and the lines about it differ in length between the files, and some
    // cells that differ; the second core starts at the middle of both.
    QByteArray rows0;
    QByteArray rows1;
    for (int row = 1; row <= 3000; ++row) {
        const QByteArray number = QByteArray::number(row);
        rows0 += number + ",a" + number + ",x,yy\r\n";
        rows1 += number + ",a" + number + (row % 7 == 0 ? ",xx" : ",x") + (row % 11 == 0 ? ",y\r\n" : ",yy\r\n");
    }
    QTest::newRow("halves") << rows0 << rows1 << u","_s << true << false;
    QTest::newRow("halves, the second file a row shorter")
        << rows0 << rows1.first(rows1.lastIndexOf("3000,")) << u","_s << true << false;
    QTest::newRow("halves, more columns in the second half of one file")
        << rows0 << QByteArray(rows1).replace("2500,a2500,x,yy", "2500,a2500,x,yy,z,z") << u","_s << true << false;
    // Every line the same: the second core's start in the second file is a guess, which the first
    // core finds wrong where the second file has a row more before it.
    const QByteArray same = QByteArray("a,b,c\n").repeated(4000);
    QTest::newRow("the same line throughout, a row put in first")
        << same << "z\n" + same.first(same.size() - 6) + "a,b,d\n"
        << u","_s << true << false;
    QTest::newRow("the same line throughout, marked UTF-8") << "\xEF\xBB\xBF" + same << same + "a,b,d\n"
                                                            << u","_s << true << false;
    // What only a look at the whole file tells, found past the first core's half or the first
    // bytes the line rule is told from: the passes compare them.
    // Longer than the bytes the line rule is told from, and without delimiters, so that the rows
    // the other rule cuts fit a sheet as well.
    const QByteArray longer = QByteArray("abcde\n").repeated(12000);
    QTest::newRow("a CR past the first bytes of an LF file") << longer << longer + "ab\rc\n"
                                                             << u","_s << false << false;
    QTest::newRow("a CR within the first bytes") << same << same + "a,b\rc\n" << u","_s << true << false;
    QTest::newRow("a quoted field in the second file only")
        << same << QByteArray(same).replace(same.size() / 2, 6, "\"a\",b,c\n") << u","_s << false << false;
    QTest::newRow("a quote in the second half") << same + "\"a\",b\n" << same << u","_s << false << false;
    // The first core reads its half to the split only: a character cut short there, or bytes
    // that are no UTF-8 just before it, are its to find.
    QByteArray beforeSplit = QByteArray("a,b,c\n").repeated(2000);
    beforeSplit.replace(beforeSplit.size() / 2 - 6, 6,
                        "\x83\x41"
                        "b,c\n");
    QTest::newRow("Shift-JIS just before the middle")
        << beforeSplit << same.first(beforeSplit.size()) << u","_s << false << false;
    QTest::newRow("Shift-JIS in a row only the second file has") << same << same + "\x83\x41,b\n"
                                                                 << u","_s << false << false;
    QTest::newRow("Shift-JIS in the second half") << same + "\x83\x41,b\n"
                                                  << same + "\x83\x43,b\n"
                                                  << u","_s << false << false;
    const QByteArray tabs = QByteArray(same).replace(',', '\t');
    QTest::newRow("a quote is text in the delimiter mode") << tabs + "\"a\"\tb\n" << tabs << u"\t"_s << true << false;
    // Past the sheet's rows the read stops early, which the passes report.
    QTest::newRow("more rows than a sheet holds")
        << QByteArray("a\n").repeated(kMaxRowCol + 5) << QByteArray("b\n") << u","_s << false << false;
    // Columns lined up by the headings, which must name every column: a second file with a column
    // put in and cells that differ; a file with more fields in a row than headings.
    QByteArray shifted;
    for (qsizetype at = 0; at < rows1.size();) {
        const qsizetype end = rows1.indexOf('\n', at);
        const QByteArray line = rows1.sliced(at, end + 1 - at);
        const qsizetype comma = line.indexOf(',');
        shifted += line.first(comma) + (at == 0 ? ",new" : ",n") + line.sliced(comma);
        at = end + 1;
    }
    QTest::newRow("columns lined up, a column put in")
        << "id,a,b,c\r\n" + rows0 << "id,new,a,b,c\r\n" + shifted << u","_s << true << true;
    QTest::newRow("columns lined up, a row longer than the headings")
        << "id,a,b,c\r\n" + rows0 << "id,a,b,c\r\n" + rows1 + "1,2,3,4,5\r\n"
        << u","_s << false << true;
    QTest::newRow("a line longer than a piece")
        << QByteArray("x,").repeated(3000) + "\r\n" + rows0 << QByteArray("x,").repeated(2999) + "y\r\n" + rows0
        << u","_s << true << false;
}

// A pair read once is compared as the passes compare it, or left to them.
void TestStreamDiff::readOnceAgreesWithThePasses()
{
    QFETCH(QByteArray, bytes0);
    QFETCH(QByteArray, bytes1);
    QFETCH(QString, delimiter);
    QFETCH(bool, readOnce);
    QFETCH(bool, alignColumns);
    const std::array<QString, 2> files{m_dir->filePath(u"a.csv"_s), m_dir->filePath(u"b.csv"_s)};
    QVERIFY(writeFile(files[0], bytes0));
    QVERIFY(writeFile(files[1], bytes1));
    const DelimitedFormat format{delimiter == u","_s ? 0 : 1, delimiter};
    for (const qint64 halvesFrom : {qint64(0), qint64(1) << 40}) {
        StreamOptions options;
        options.pieceBytes = 1000;
        options.halvesFrom = halvesFrom;
        options.alignColumns = alignColumns;
        Collected once;
        const std::optional<StreamComparison> read = compareFileStreams(files, format, options, once);
        options.onePass = false;
        Collected passes;
        const std::optional<StreamComparison> passed = compareFileStreams(files, format, options, passes);
        // A file UTF-8 but for a few bytes is the window's reader's, which says so.
        QCOMPARE(read.has_value(), passed.has_value());
        if (!read) {
            QVERIFY(!readOnce);
            continue;
        }
        QCOMPARE(read->readOnce, readOnce);
        QVERIFY(!passed->readOnce);
        QCOMPARE(once.positions, passes.positions);
        QCOMPARE(once.texts, passes.texts);
        QCOMPARE(once.columns, passes.columns);
        QCOMPARE(read->count, passed->count);
        QCOMPARE(read->result.rows, passed->result.rows);
        QCOMPARE(read->result.cols, passed->result.cols);
        QCOMPARE(read->result.sizesDiffer, passed->result.sizesDiffer);
        QCOMPARE(read->columns, passed->columns);
        QCOMPARE(read->complete, passed->complete);
        QCOMPARE(read->firstRowNotRead, passed->firstRowNotRead);
    }
}

QTEST_GUILESS_MAIN(TestStreamDiff)
#include "tst_streamdiff.moc"
