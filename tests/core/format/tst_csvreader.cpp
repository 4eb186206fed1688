// The reader: lines, fields in both modes, header labels and the limits.

#include "MMS_GRID_CSV_READ.h"
#include "SheetFileReader.h"
#include "TextCodec.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Rows = QList<QStringList>;
using MMS_GRID_CSV_READ::ReadResult;

namespace
{
struct TextRead
{
    MMS_GRID_CSV_READ::ColumnPass pass;
    MMS_GRID_CSV_READ::ReadOutcome outcome;
};

TextRead readText(const QString &text, int mode, const QString &delimiter)
{
    const LineRule rule = lineRuleFor(text);
    TextRead read;
    read.pass = MMS_GRID_CSV_READ::CountColumns(text, rule, {mode, delimiter});
    if (read.pass.ok)
        read.outcome = MMS_GRID_CSV_READ::ReadDelimitedText(text, rule, read.pass, {mode, delimiter});
    return read;
}

// Data cells only: rows 1.., columns 1...
Rows dataCells(const SheetData &data)
{
    Rows rows;
    for (int r = 1; r < data.rows(); ++r) {
        QStringList row;
        for (int c = 1; c < data.cols(); ++c)
            row.append(data.text(r, c).toString());
        rows.append(row);
    }
    return rows;
}

QString repeated(const QString &piece, int count)
{
    return piece.repeated(count);
}
} // namespace

class TestCsvReader : public QObject
{
    Q_OBJECT

private slots:
    void fields_data();
    void fields();
    void headerLabels();
    void scansAgreeWithLineByLine_data();
    void scansAgreeWithLineByLine();
    void halvesReadAsOnePass_data();
    void halvesReadAsOnePass();
    void textStaysInPlace_data();
    void textStaysInPlace();
    void rowLimit_data();
    void rowLimit();
    void columnLimit_data();
    void columnLimit();
    void cellCapacity();
    void paddedCopyFailure();
};

void TestCsvReader::fields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<Rows>("expected");
    QTest::addColumn<ReadResult>("result");

    const int comma = 0;
    const int split = 1;
    const ReadResult complete = ReadResult::Complete;
    const ReadResult pastEnd = ReadResult::PastEnd;

    QTest::newRow("short lines end in empty cells") << u"a\r\nb,c,d\r\ne,f\r\n"_s << comma << u","_s
                                                    << Rows{{"a", "", ""}, {"b", "c", "d"}, {"e", "f", ""}} << complete;
    QTest::newRow("empty line is a row of empty cells")
        << u"a,b\r\n\r\nc,d\r\n"_s << comma << u","_s << Rows{{"a", "b"}, {"", ""}, {"c", "d"}} << complete;
    QTest::newRow("line end at the very end adds no row") << u"a\r\n"_s << comma << u","_s << Rows{{"a"}} << complete;
    QTest::newRow("last line without line end") << u"a\r\nb"_s << comma << u","_s << Rows{{"a"}, {"b"}} << complete;
    QTest::newRow("lone CR ends a line") << u"a,b\rc,d\r"_s << comma << u","_s << Rows{{"a", "b"}, {"c", "d"}}
                                         << complete;
    QTest::newRow("lone LF stays in the cell when the file has CR")
        << u"a\nb|c\r\nd|e"_s << split << u"|"_s << Rows{{"a\nb", "c"}, {"d", "e"}} << complete;
    QTest::newRow("file without CR is cut at LF")
        << u"a|b\nc|d\n"_s << split << u"|"_s << Rows{{"a", "b"}, {"c", "d"}} << complete;
    QTest::newRow("comma file without CR is cut at LF")
        << u"a,b\n\nc\n"_s << comma << u","_s << Rows{{"a", "b"}, {"", ""}, {"c", ""}} << complete;
    QTest::newRow("two blank lines at the end are two rows")
        << u"a\r\n\r\n\r\n"_s << comma << u","_s << Rows{{"a"}, {""}, {""}} << complete;

    QTest::newRow("delimiter mode keeps quotes and blanks")
        << u"a||\"b|c\"\r\n x | y \r\n"_s << split << u"|"_s << Rows{{"a", "", "\"b", "c\""}, {" x ", " y ", "", ""}}
        << complete;
    QTest::newRow("delimiter mode with TAB")
        << u"a\tb\r\n\tc\r\n"_s << split << u"\t"_s << Rows{{"a", "b"}, {"", "c"}} << complete;
    QTest::newRow("delimiter mode with comma keeps quoted commas apart")
        << u"x,\"p,q\",y\r\n"_s << split << u","_s << Rows{{"x", "\"p", "q\"", "y"}} << complete;
    QTest::newRow("longer delimiter: rest of a match starts the next field")
        << u"xabyabz\r\n"_s << split << u"ab"_s << Rows{{"x", "by", "bz"}} << complete;
    QTest::newRow("overlapping delimiter matches count separately")
        << u"xaaay\r\n"_s << split << u"aa"_s << Rows{{"x", "", "ay"}} << complete;
    QTest::newRow("delimiter outside the BMP is one character")
        << u"a𠀋b𠀋\r\n𠀋c\r\n"_s << split << u"𠀋"_s << Rows{{"a", "b", ""}, {"", "c", ""}} << complete;
    QTest::newRow("longer delimiter starting outside the BMP")
        << u"x𠀋ay𠀋az\r\n"_s << split << u"𠀋a"_s << Rows{{"x", "ay", "az"}} << complete;

    QTest::newRow("quoted field keeps its blanks")
        << u"\" a b \",c\r\n"_s << comma << u","_s << Rows{{" a b ", "c"}} << complete;
    QTest::newRow("quoted comma leaves the row one field short at the end")
        << u"\"a, b\",c\r\n"_s << comma << u","_s << Rows{{"a, b", "c", ""}} << pastEnd;
    QTest::newRow("blanks before a field are skipped, after it kept")
        << u"  a ,  \"b\",c\r\n"_s << comma << u","_s << Rows{{"a ", "b", "c"}} << complete;
    QTest::newRow("doubled quote is no escape")
        << u"\"say \"\"hi\"\"\",x,y\r\n"_s << comma << u","_s << Rows{{"say \"hi\"\"\"", "x", "y"}} << complete;
    QTest::newRow("text after the closing quote is kept")
        << u"\"ab\"cd,e\r\n"_s << comma << u","_s << Rows{{"abcd", "e"}} << complete;
    QTest::newRow("quoted comma shifts the rest of the file")
        << u"a,b,c,d\r\nx,\"p, q\",y\r\n1,2,3,4\r\n"_s << comma << u","_s
        << Rows{{"a", "b", "c", "d"}, {"x", "p, q", "y", "1"}, {"2", "3", "4", ""}} << pastEnd;
    QTest::newRow("quoted comma on the last line ends the read early")
        << u"a,b,c\r\n\"x,y\",z\r\n"_s << comma << u","_s << Rows{{"a", "b", "c"}, {"x,y", "z", ""}} << pastEnd;
    QTest::newRow("quotes over a line end take the copy's line end and padding")
        << u"\"a\r\nb\",c,d\r\ne\r\n"_s << comma << u","_s << Rows{{"a,,\r\nb", "c", "d"}, {"e", "", ""}} << complete;
    QTest::newRow("quote open to the end of the data")
        << u"a,\"b\r\nc"_s << comma << u","_s << Rows{{"a", "b\r\nc,"}} << complete;
    QTest::newRow("lone LF stays in an unquoted comma field")
        << u"a\nb,c\r\n"_s << comma << u","_s << Rows{{"a\nb", "c"}} << complete;
}

void TestCsvReader::fields()
{
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QString, delimiter);
    QFETCH(Rows, expected);
    QFETCH(ReadResult, result);

    const TextRead read = readText(text, mode, delimiter);
    QVERIFY(read.pass.ok);
    QCOMPARE(dataCells(read.outcome.data), expected);
    QCOMPARE(read.outcome.result, result);
    // Data that ends in the middle of a row leaves that last row not read whole.
    QCOMPARE(read.outcome.firstRowNotRead, result == ReadResult::Complete ? 0 : int(expected.size()));
}

void TestCsvReader::headerLabels()
{
    const TextRead read = readText(u"a,b,c,d,e,f,g,h,i,j,k,l\r\nx\r\n"_s, 0, u","_s);
    const SheetData &data = read.outcome.data;
    QCOMPARE(data.rows(), 3);
    QCOMPARE(data.cols(), 13);
    QCOMPARE(data.text(0, 0), u"");
    QCOMPARE(data.text(0, 1), u"1列");
    QCOMPARE(data.text(0, 12), u"12列");
    QCOMPARE(data.text(1, 0), u"1行");
    QCOMPARE(data.text(2, 0), u"2行");
    QCOMPARE(data.text(2, 1), u"x");
}

void TestCsvReader::scansAgreeWithLineByLine_data()
{
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<QString>("delimiter");

    QTest::newRow("CR LF lines, comma") << u"ab,,\r\n"_s << u","_s;
    QTest::newRow("lone CR and LF mixed in") << u"a,\r\r\n\n"_s << u","_s;
    QTest::newRow("LF lines, wide characters") << u"あ,x\n"_s << u","_s;
    QTest::newRow("TAB delimiter") << u"a\t,\r\n"_s << u"\t"_s;
    QTest::newRow("wide delimiter") << u"a、,\r\n"_s << u"、"_s;
    QTest::newRow("delimiter mostly, few line ends") << u";;;;;;;a\n"_s << u";"_s;
}

// The column pass and the delimiter mode scan several characters at a time; whatever the text,
// they must find exactly what reading it line by line, character by character finds. Texts of
// up to 40 characters put delimiters and line ends at every place in and around a block.
void TestCsvReader::scansAgreeWithLineByLine()
{
    QFETCH(QString, alphabet);
    QFETCH(QString, delimiter);
    QRandomGenerator random(7);
    for (int run = 0; run < 400; ++run) {
        QString text;
        const int length = int(random.bounded(41));
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(alphabet.size()));
        const LineRule rule = lineRuleFor(text);

        qsizetype lines = 0;
        qsizetype most = 0;
        Rows expected;
        LineReader reader(text, rule);
        while (const auto line = reader.next()) {
            ++lines;
            most = std::max(most, line->count(delimiter));
            expected.append(line->toString().split(delimiter));
        }
        const auto pass = MMS_GRID_CSV_READ::CountColumns(text, rule, {1, delimiter});
        QVERIFY2(pass.ok, qPrintable(text));
        QCOMPARE(pass.lines, lines);
        QCOMPARE(pass.columns, int(most) + 1);
        if (lines == 0)
            continue;
        for (QStringList &row : expected)
            row.resize(pass.columns);
        // Without quotes or blanks the comma mode cuts a comma-separated text the same way.
        for (const int mode : {1, delimiter == u","_s ? 0 : 1}) {
            const auto outcome = MMS_GRID_CSV_READ::ReadDelimitedText(text, rule, pass, {mode, delimiter});
            QCOMPARE(outcome.result, ReadResult::Complete);
            QCOMPARE(dataCells(outcome.data), expected);
        }
    }
}

void TestCsvReader::halvesReadAsOnePass_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("alphabet");

    QTest::newRow("comma mode, plain fields") << 0 << u"ab,\r\n"_s;
    QTest::newRow("comma mode, quotes over commas and line ends") << 0 << u"a\",, \r\n"_s;
    QTest::newRow("comma mode, lone CR and LF") << 0 << u"a\",\r\n\r"_s;
    QTest::newRow("comma mode, LF lines with quotes") << 0 << u"aあ\",\n"_s;
    QTest::newRow("delimiter mode, CR LF and lone CR") << 1 << u"a\",\r\r\n"_s;
    QTest::newRow("delimiter mode, LF lines") << 1 << u"a,,\n"_s;
    // Each L becomes a field too long for a cell's own slice, in either half.
    QTest::newRow("comma mode, long fields") << 0 << u"aL\",\r\n"_s;
    QTest::newRow("delimiter mode, long fields") << 1 << u"aL,\r\n"_s;
}

// A text read in two halves at once, down to a few characters each, gives exactly what one
// pass gives: cells, row count, line ends and how the read ended, wherever the middle falls.
void TestCsvReader::halvesReadAsOnePass()
{
    QFETCH(int, mode);
    QFETCH(QString, alphabet);
    QRandomGenerator random(11);
    MMS_GRID_CSV_READ::ReadOptions halves;
    halves.threads = 2;
    halves.minCharsPerThread = 1;
    for (int run = 0; run < 1500; ++run) {
        QString text;
        const int length = 1 + int(random.bounded(60));
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(alphabet.size()));
        text.replace(u'L', QString(300, u'L'));
        const LineRule rule = lineRuleFor(text);
        const auto pass = MMS_GRID_CSV_READ::CountColumns(text, rule, {mode, u","_s});
        const auto one = MMS_GRID_CSV_READ::ReadDelimitedText(text, rule, pass, {mode, u","_s});
        const auto two = MMS_GRID_CSV_READ::ReadDelimitedText(text, rule, pass, {mode, u","_s}, halves);
        const QByteArray context = QStringView(text).toUtf8().toPercentEncoding();
        QVERIFY2(two.result == one.result && two.firstRowNotRead == one.firstRowNotRead, context.constData());
        QVERIFY2(two.data.rows() == one.data.rows() && two.data.cols() == one.data.cols(), context.constData());
        for (int r = 0; r < one.data.rows(); ++r) {
            QVERIFY2(two.data.lineEnd(r) == one.data.lineEnd(r), context.constData());
            for (int c = 0; c < one.data.cols(); ++c)
                QVERIFY2(two.data.text(r, c) == one.data.text(r, c), context.constData());
        }
    }
}

void TestCsvReader::textStaysInPlace_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("longField"); // characters of the third field
    QTest::newRow("comma mode, a quoted field with text after it") << 0 << 200;
    QTest::newRow("delimiter mode") << 1 << 200;
    QTest::newRow("comma mode, fields too long for a cell's own slice") << 0 << 300;
    QTest::newRow("delimiter mode, fields too long for a cell's own slice") << 1 << 300;
}

// The decoded file becomes the sheet's text pool where it lies: the labels and joined fields go
// into the room the decoder left after it instead of the file text being moved into fresh memory.
void TestCsvReader::textStaysInPlace()
{
    QFETCH(int, mode);
    QFETCH(int, longField);
    // Some megabytes, as a file that is worth the effort.
    const QByteArray lines = "a,\"b\"c,d\r\ne,f," + QByteArray(longField, 'g') + "\r\n";
    QString text = TextCodec::decode(lines.repeated(15000)).text;
    const QChar *const place = text.constData();
    const LineRule rule = lineRuleFor(text);
    const auto pass = MMS_GRID_CSV_READ::CountColumns(text, rule, {mode, u","_s});
    const auto outcome = MMS_GRID_CSV_READ::ReadDelimitedText(std::move(text), rule, pass, {mode, u","_s});
    QCOMPARE(outcome.result, ReadResult::Complete);
#if !defined(__SANITIZE_ADDRESS__)
    // The address sanitizer's realloc gives every block a new place, the one that gives the packed
    // text's spare room back included.
    QCOMPARE(outcome.data.pool().constData(), place);
#else
    (void)place;
#endif
    QCOMPARE(outcome.data.text(30000, 0), u"30000行");
    QCOMPARE(outcome.data.text(29999, 2), mode == 0 ? u"bc" : u"\"b\"c");
    QCOMPARE(outcome.data.text(30000, 3), QString(longField, u'g'));
    // The delimiters and line ends are given back: the pool holds the cells' texts alone.
    qsizetype shown = 0;
    for (int r = 0; r < outcome.data.rows(); ++r) {
        for (int c = 0; c < outcome.data.cols(); ++c)
            shown += outcome.data.text(r, c).size();
    }
    QCOMPARE(outcome.data.pooledCharacters(), shown);
}

void TestCsvReader::rowLimit_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("comma mode") << 0;
    QTest::newRow("delimiter mode") << 1;
}

void TestCsvReader::rowLimit()
{
    QFETCH(int, mode);
    QString text;
    for (int line = 1; line <= 32766; ++line)
        text += QString::number(line) + u",x\r\n"_s;

    const TextRead full = readText(text, mode, u","_s);
    QCOMPARE(full.outcome.result, ReadResult::Complete);
    QCOMPARE(full.outcome.firstRowNotRead, 0);
    QCOMPARE(full.outcome.data.rows(), 32767);
    QCOMPARE(full.outcome.data.text(32766, 1), u"32766");
    QCOMPARE(full.outcome.data.text(32766, 0), u"32766行");

    // The 32767th line would make the row count pass 32767: the first 32766 are kept.
    const TextRead over = readText(text + u"32767,x\r\n"_s, mode, u","_s);
    QCOMPARE(over.outcome.result, ReadResult::Overflow);
    QCOMPARE(over.outcome.firstRowNotRead, 32767);
    QCOMPARE(over.outcome.data.rows(), 32767);
    QCOMPARE(over.outcome.data.text(32766, 1), u"32766");
    QCOMPARE(over.outcome.data.text(32766, 2), u"x");
}

void TestCsvReader::columnLimit_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("delimiter");
    QTest::newRow("comma mode") << 0 << u","_s;
    QTest::newRow("delimiter mode") << 1 << u"|"_s;
}

void TestCsvReader::columnLimit()
{
    QFETCH(int, mode);
    QFETCH(QString, delimiter);

    // 32765 delimiters: 32766 data columns, the most a sheet holds.
    const TextRead widest = readText(u"a"_s + repeated(delimiter, 32765) + u"z\r\nb\r\n"_s, mode, delimiter);
    QCOMPARE(widest.pass.columns, 32766);
    QCOMPARE(widest.outcome.result, ReadResult::Complete);
    QCOMPARE(widest.outcome.data.cols(), 32767);
    QCOMPARE(widest.outcome.data.text(1, 32766), u"z");
    QCOMPARE(widest.outcome.data.text(2, 1), u"b");

    // 32766 delimiters: the column pass passes, the reader fails before filling any cell.
    const TextRead tooWide = readText(u"a"_s + repeated(delimiter, 32766) + u"\r\nb\r\n"_s, mode, delimiter);
    QVERIFY(tooWide.pass.ok);
    QCOMPARE(tooWide.pass.columns, 32767);
    QCOMPARE(tooWide.outcome.result, ReadResult::Overflow);
    QCOMPARE(tooWide.outcome.firstRowNotRead, 1);
    QCOMPARE(tooWide.outcome.data.rows(), 1);
    QCOMPARE(tooWide.outcome.data.cols(), 1);
    QCOMPARE(tooWide.outcome.data.text(0, 0), u"");

    // 32767 delimiters: the column pass fails, and the load is refused as unreadable.
    const QString widestText = u"a"_s + repeated(delimiter, 32767) + u"\r\n"_s;
    QVERIFY(!readText(widestText, mode, delimiter).pass.ok);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"too-wide.csv"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(widestText.toUtf8());
    file.close();
    SheetFileReader reader({mode, delimiter});
    QCOMPARE(reader.open(path), LoadRefusal::None);
    QCOMPARE(reader.countColumns(), LoadRefusal::Unreadable);
}

void TestCsvReader::cellCapacity()
{
    // One wide line sets C; the rows that follow are short, but each still costs C + 1 cells.
    const int columns = 32000;
    const qsizetype fittingRows = kMaxCells / (columns + 1) - 1;
    QString text = u"a"_s + repeated(u","_s, columns - 1) + u"\r\n"_s;
    for (qsizetype line = 2; line <= fittingRows + 10; ++line)
        text += u"r"_s + QString::number(line) + u"\r\n"_s;

    const TextRead read = readText(text, 0, u","_s);
    QCOMPARE(read.pass.columns, columns);
    QCOMPARE(read.outcome.result, ReadResult::OutOfMemory);
    QCOMPARE(read.outcome.firstRowNotRead, int(fittingRows) + 1);
    QCOMPARE(read.outcome.data.rows(), fittingRows + 1);
    QCOMPARE(read.outcome.data.text(int(fittingRows), 1), u"r"_s + QString::number(fittingRows));
}

void TestCsvReader::paddedCopyFailure()
{
    // A column pass that does not match the text: a line holds more commas than the copy may pad
    // to, so the copy fails and no cell is read, not even the lines before it.
    const QString text = u"a,b\r\nc,d,e,f\r\n"_s;
    const MMS_GRID_CSV_READ::ColumnPass pass{true, 2, 2};
    const MMS_GRID_CSV_READ::ReadOutcome outcome
        = MMS_GRID_CSV_READ::ReadDelimitedText(text, lineRuleFor(text), pass, {0, u","_s});
    QCOMPARE(outcome.result, ReadResult::PaddedCopyFailed);
    QCOMPARE(outcome.data.rows(), 1);
    QCOMPARE(outcome.data.cols(), 1);
}

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
