// Workbooks as sheet files: the cells as the spreadsheet shows them, number formats and dates, the
// sheet chosen, the sheet's limits, and the books refused before any cell is read.

#include "NumberFormat.h"
#include "WorkbookReader.h"
#include "ZipWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TestBook)

namespace
{
// Data cells as "a|b\nc|d", the header row and column left out.
QString grid(const SheetData &data)
{
    QStringList rows;
    for (int r = 1; r < data.rows(); ++r) {
        QStringList cells;
        for (int c = 1; c < data.cols(); ++c)
            cells.append(data.text(r, c).toString());
        rows.append(cells.join(u'|'));
    }
    return rows.join(u'\n');
}

TestBook oneSheet(const QString &sheetData, const QStringList &shared = {}, const QString &after = {})
{
    TestBook book;
    book.sheets.append({u"Sheet1"_s, sheetData, {}, after});
    book.sharedStrings = shared;
    return book;
}
} // namespace

class TestWorkbookReader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cells_data();
    void cells();
    void numberFormats_data();
    void numberFormats();
    void stylesReachTheCells();
    void sheetChoice_data();
    void sheetChoice();
    void limits_data();
    void limits();
    void refusals_data();
    void refusals();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const
    {
        return m_dir->filePath(name);
    }
};

void TestWorkbookReader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestWorkbookReader::cells_data()
{
    QTest::addColumn<TestBook>("book");
    QTest::addColumn<QString>("expected");

    QTest::newRow("shared strings by index")
        << oneSheet(u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>0</v></c></row>"_s,
                    {u"<t>甲</t>"_s, u"<t>乙</t>"_s})
        << u"乙|甲"_s;
    QTest::newRow("rich text runs join, phonetic reading left out") << oneSheet(
        u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"_s,
        {u"<r><t>東</t></r><r><rPr><b/></rPr><t>京</t></r><rPh sb=\"0\" eb=\"2\"><t>トウキョウ</t></rPh>"_s})
                                                                    << u"東京"_s;
    QTest::newRow("inline string and formula string")
        << oneSheet(u"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>直接</t></is></c>"
                    "<c r=\"B1\" t=\"str\"><f>A1&amp;\"!\"</f><v>直接!</v></c></row>"_s)
        << u"直接|直接!"_s;
    QTest::newRow("formula number by its cached value")
        << oneSheet(u"<row r=\"1\"><c r=\"A1\"><f>1/3</f><v>0.33333333333333331</v></c></row>"_s) << u"0.333333333"_s;
    QTest::newRow("booleans and errors") << oneSheet(
        u"<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>0</v></c>"
        "<c r=\"C1\" t=\"e\"><f>NA()</f><v>#N/A</v></c></row>"_s)
                                         << u"TRUE|FALSE|#N/A"_s;
    QTest::newRow("skipped columns and rows stay empty in their places")
        << oneSheet(u"<row r=\"1\"><c r=\"C1\"><v>3</v></c></row><row r=\"3\"><c r=\"A3\"><v>1</v></c></row>"_s)
        << u"||3\n||\n1||"_s;
    QTest::newRow("cells without references follow each other")
        << oneSheet(u"<row><c><v>1</v></c><c><v>2</v></c></row><row><c t=\"inlineStr\"><is><t>x</t></is></c></row>"_s)
        << u"1|2\nx|"_s;
    QTest::newRow("merged range keeps its value in the top-left cell only")
        << oneSheet(u"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>見出し</t></is></c>"
                    "<c r=\"B1\" t=\"inlineStr\"><is><t>残り</t></is></c><c r=\"C1\"><v>9</v></c></row>"
                    "<row r=\"2\"><c r=\"A2\"><v>5</v></c></row>"_s,
                    {}, u"<mergeCells count=\"1\"><mergeCell ref=\"A1:B2\"/></mergeCells>"_s)
        << u"見出し||9\n||"_s;
    QTest::newRow("leading zeros of a text cell stay") << oneSheet(
        u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>00123</v></c></row>"_s, {u"<t>00123</t>"_s})
                                                       << u"00123|123"_s;
    QTest::newRow("escaped characters and entities")
        << oneSheet(u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"_s, {u"<t>a_x000D_b &amp; &lt;c&gt;</t>"_s})
        << u"a\rb & <c>"_s;
    QTest::newRow("comment among the rows is read by the XML reader")
        << oneSheet(u"<row r=\"1\"><c r=\"A1\"><v>7</v></c></row><!-- x --><row r=\"2\"><c r=\"B2\" t=\"inlineStr\">"
                    "<is><r><t>富</t></r><r><t>士</t></r></is></c></row>"_s)
        << u"7|\n|富士"_s;
    QTest::newRow("character references and CDATA")
        << oneSheet(u"<row r=\"1\"><c r=\"A1\" t=\"str\"><v>&#x5B57;&#38;</v></c>"
                    "<c r=\"B1\" t=\"inlineStr\"><is><t><![CDATA[<b>]]></t></is></c></row>"_s)
        << u"字&|<b>"_s;
    QTest::newRow("General numbers") << oneSheet(
        u"<row r=\"1\"><c r=\"A1\"><v>1234567.5</v></c><c r=\"B1\"><v>123456789012</v></c>"
        "<c r=\"C1\"><v>0.1</v></c><c r=\"D1\"><v>-42</v></c><c r=\"E1\"><v>1E-12</v></c></row>"_s)
                                     << u"1234567.5|1.23457E+11|0.1|-42|1E-12"_s;
}

void TestWorkbookReader::cells()
{
    QFETCH(TestBook, book);
    QFETCH(QString, expected);
    QVERIFY(writeTestBook(path(u"book.xlsx"_s), book));
    QCOMPARE(workbookKind(path(u"book.xlsx"_s)), WorkbookKind::Xlsx);
    WorkbookReader reader;
    QVERIFY2(reader.open(path(u"book.xlsx"_s)), qPrintable(reader.errorText()));
    const std::optional<WorkbookSheetRead> read = reader.readSheet(0, true);
    QVERIFY2(read, qPrintable(reader.errorText()));
    QVERIFY(read->complete);
    QCOMPARE(grid(read->data), expected);
    // The header row and column are numbered as for a text file.
    QCOMPARE(read->data.text(read->data.rows() - 1, 0), u"%1行"_s.arg(read->data.rows() - 1));
    QCOMPARE(read->data.text(0, 1), u"1列"_s);
}

void TestWorkbookReader::numberFormats_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("known");

    const auto row
        = [](const char *name, const QString &code, double value, const QString &expected, bool date1904 = false,
             bool known = true) { QTest::newRow(name) << code << value << date1904 << expected << known; };
    row("General keeps 11 significant digits", u"General"_s, 3.14159265358979, u"3.141592654"_s);
    row("General integer of 11 digits", u"General"_s, 99999999999, u"99999999999"_s);
    row("General past 11 integer digits", u"General"_s, 123456789012345, u"1.23457E+14"_s);
    row("General small number", u"General"_s, 0.000123, u"0.000123"_s);
    row("0 rounds half away from zero", u"0"_s, 2.5, u"3"_s);
    row("0 negative", u"0"_s, -2.5, u"-3"_s);
    row("0.00 rounds the decimal value", u"0.00"_s, 2.675, u"2.68"_s);
    row("#,##0 groups thousands", u"#,##0"_s, 1234567.4, u"1,234,567"_s);
    row("#,##0.00 groups and rounds", u"#,##0.00"_s, -9876543.215, u"-9,876,543.22"_s);
    row("#,##0 below a thousand", u"#,##0"_s, 12, u"12"_s);
    row("percent", u"0%"_s, 0.256, u"26%"_s);
    row("percent with decimals", u"0.00%"_s, 0.12345, u"12.35%"_s);
    row("text format shows the number", u"@"_s, 42, u"42"_s);
    row("yen sign literal", u"\"¥\"#,##0;\"¥\"\\-#,##0"_s, -1500, u"¥-1,500"_s);
    row("full-width yen in a locale tag", u"[$￥-411]#,##0"_s, 2000, u"￥2,000"_s);
    row("red negative section", u"#,##0;[Red]-#,##0"_s, -5, u"-5"_s);
    row("zero section", u"0;-0;\"ゼロ\""_s, 0, u"ゼロ"_s);
    row("yyyy/m/d", u"yyyy/m/d"_s, 45292, u"2024/1/1"_s);
    row("yyyy-mm-dd", u"yyyy-mm-dd"_s, 45363.75, u"2024-03-12"_s);
    row("m月d日", u"m\"月\"d\"日\""_s, 45363, u"3月12日"_s);
    row("h:mm", u"h:mm"_s, 0.5625, u"13:30"_s);
    row("yyyy/m/d h:mm", u"yyyy/m/d h:mm"_s, 45363.3756944444, u"2024/3/12 9:01"_s);
    row("seconds round to the nearest", u"h:mm:ss"_s, 0.99999999, u"0:00:00"_s);
    row("1900 system before its false leap day", u"yyyy/m/d"_s, 59, u"1900/2/28"_s);
    row("1900 system's 29 February", u"yyyy/m/d"_s, 60, u"1900/2/29"_s);
    row("1900 system after it", u"yyyy/m/d"_s, 61, u"1900/3/1"_s);
    row("1904 system", u"yyyy/m/d"_s, 0, u"1904/1/1"_s, true);
    row("1904 system later", u"yyyy/m/d"_s, 43830, u"2024/1/1"_s, true);
    row("era long in Reiwa", u"[$-411]ggge\"年\"m\"月\"d\"日\""_s, 45363, u"令和6年3月12日"_s);
    row("era first year is 元年", u"[$-411]ggge\"年\"m\"月\"d\"日\""_s, 43586, u"令和元年5月1日"_s);
    row("last day of Heisei", u"[$-411]ggge\"年\"m\"月\"d\"日\""_s, 43585, u"平成31年4月30日"_s);
    row("era short", u"[$-411]ge.m.d"_s, 43586, u"R1.5.1"_s);
    row("Showa", u"[$-411]ge.m.d"_s, 31778, u"S62.1.1"_s);
    row("Showa first day", u"[$-411]ggge\"年\"m\"月\"d\"日\""_s, 9856, u"昭和元年12月25日"_s);
    row("Taisho", u"[$-411]ge.m.d"_s, 4595, u"T1.7.30"_s);
    row("Meiji", u"[$-411]ggge\"年\"m\"月\"d\"日\""_s, 1, u"明治33年1月1日"_s);
    row("Heisei first day", u"[$-411]gge\"年\""_s, 32516, u"平元年"_s);
    row("weekday in Japanese", u"m/d(aaa)"_s, 45363, u"3/12(火)"_s);
    row("elapsed hours", u"[h]:mm"_s, 1.5, u"36:00"_s);
    row("fraction is not rendered", u"# ?/?"_s, 1.5, u"1.5"_s, false, false);
    row("condition is not rendered", u"[<100]0;0.00"_s, 5, u"5"_s, false, false);
    row("exponent is not rendered", u"0.00E+00"_s, 12345, u"12345"_s, false, false);
}

void TestWorkbookReader::numberFormats()
{
    QFETCH(QString, code);
    QFETCH(double, value);
    QFETCH(bool, date1904);
    QFETCH(QString, expected);
    QFETCH(bool, known);
    const NumberFormat::Rendered rendered = NumberFormat::render(value, code, date1904);
    QCOMPARE(rendered.text, expected);
    QCOMPARE(rendered.known, known);
}

// The formats reach the cells through the styles: custom and built-in numbers, the book's date
// system, and one note for a format that is not rendered.
void TestWorkbookReader::stylesReachTheCells()
{
    TestBook book = oneSheet(u"<row r=\"1\"><c r=\"A1\" s=\"1\"><v>45363</v></c><c r=\"B1\" s=\"2\"><v>1234.5</v></c>"
                             "<c r=\"C1\" s=\"3\"><v>0.25</v></c><c r=\"D1\" s=\"4\"><v>1.5</v></c>"
                             "<c r=\"E1\" s=\"5\"><v>43586</v></c></row>"_s);
    book.numberFormats = {{176, u"yyyy-mm-dd"_s}, {177, u"# ?/?"_s}};
    book.cellStyles = {176, 4, 9, 177, 28};
    book.date1904 = true;
    QVERIFY(writeTestBook(path(u"styles.xlsx"_s), book));
    WorkbookReader reader;
    QVERIFY(reader.open(path(u"styles.xlsx"_s)));
    const std::optional<WorkbookSheetRead> read = reader.readSheet(0, true);
    QVERIFY(read);
    QCOMPARE(grid(read->data), u"2028-03-13|1,234.50|25%|1.5|令和5年5月2日"_s);
    QVERIFY(read->formatNote.contains(u"# ?/?"_s));
}

void TestWorkbookReader::sheetChoice_data()
{
    QTest::addColumn<QStringList>("states"); // one per sheet, named S1, S2, …
    QTest::addColumn<int>("firstVisible");
    QTest::addColumn<int>("visibleCount");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<int>("found"); // -1: none

    QTest::newRow("one sheet") << QStringList{u""_s} << 0 << 1 << u"S1"_s << 0;
    QTest::newRow("hidden first sheet is passed over")
        << QStringList{u"hidden"_s, u""_s, u""_s} << 1 << 2 << u"S3"_s << 2;
    QTest::newRow("very hidden too") << QStringList{u"veryHidden"_s, u""_s} << 1 << 1 << u"2"_s << 1;
    QTest::newRow("a number names the sheet by place") << QStringList{u""_s, u""_s} << 0 << 2 << u"2"_s << 1;
    QTest::newRow("a missing name") << QStringList{u""_s, u""_s} << 0 << 2 << u"売上"_s << -1;
    QTest::newRow("a number past the last sheet") << QStringList{u""_s, u""_s} << 0 << 2 << u"3"_s << -1;
}

void TestWorkbookReader::sheetChoice()
{
    QFETCH(QStringList, states);
    QFETCH(int, firstVisible);
    QFETCH(int, visibleCount);
    QFETCH(QString, asked);
    QFETCH(int, found);
    TestBook book;
    for (qsizetype i = 0; i < states.size(); ++i) {
        const QString n = QString::number(i + 1);
        book.sheets.append({u"S"_s + n, u"<row r=\"1\"><c r=\"A1\"><v>%1</v></c></row>"_s.arg(n), states[i], {}});
    }
    QVERIFY(writeTestBook(path(u"sheets.xlsx"_s), book));
    WorkbookReader reader;
    QVERIFY(reader.open(path(u"sheets.xlsx"_s)));
    QCOMPARE(reader.firstVisibleSheet(), firstVisible);
    QCOMPARE(reader.visibleSheetCount(), visibleCount);
    QCOMPARE(reader.sheetIndex(asked).value_or(-1), found);
    // Each sheet's own cells, not the first one's.
    const std::optional<WorkbookSheetRead> read = reader.readSheet(states.size() - 1, true);
    QVERIFY(read);
    QCOMPARE(grid(read->data), QString::number(states.size()));
}

void TestWorkbookReader::limits_data()
{
    QTest::addColumn<QString>("sheetData");
    QTest::addColumn<bool>("sheetLimits");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("firstRowNotRead");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");

    const QString farRow
        = u"<row r=\"2\"><c r=\"A2\"><v>1</v></c></row><row r=\"40000\"><c r=\"B40000\"><v>2</v></c></row>"_s;
    const QString farCol = u"<row r=\"2\"><c r=\"A2\"><v>1</v></c><c r=\"AXY2\"><v>2</v></c></row>"_s;
    QTest::newRow("row past the limit cuts the read") << farRow << true << false << 32767 << 3 << 2;
    QTest::newRow("without limits the row is read") << farRow << false << true << 0 << 40001 << 3;
    QTest::newRow("column past the limit cuts its row") << farCol << false << true << 0 << 3 << 1326;
}

void TestWorkbookReader::limits()
{
    QFETCH(QString, sheetData);
    QFETCH(bool, sheetLimits);
    QFETCH(bool, complete);
    QFETCH(int, firstRowNotRead);
    QFETCH(int, rows);
    QFETCH(int, cols);
    QVERIFY(writeTestBook(path(u"big.xlsx"_s), oneSheet(sheetData)));
    WorkbookReader reader;
    QVERIFY(reader.open(path(u"big.xlsx"_s)));
    const std::optional<WorkbookSheetRead> read = reader.readSheet(0, sheetLimits);
    QVERIFY(read);
    QCOMPARE(read->complete, complete);
    QCOMPARE(read->firstRowNotRead, firstRowNotRead);
    QCOMPARE(read->data.rows(), rows);
    QCOMPARE(read->data.cols(), cols);
    QCOMPARE(read->data.text(2, 1), u"1"_s);
}

void TestWorkbookReader::refusals_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason"); // empty: the file is not a book at all

    const TestBook sound = oneSheet(u"<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"_s);
    const auto withSheet = [&](const QByteArray &xml, qint64 statedSize = -1) {
        QList<ZipEntry> entries = sound.entries();
        for (ZipEntry &entry : entries) {
            if (entry.name == u"xl/worksheets/sheet1.xml"_s) {
                entry.data = xml;
                entry.statedSize = statedSize;
            }
        }
        return zipArchive(entries);
    };
    const QByteArray bomb = "<worksheet><sheetData>" + QByteArray(40 << 20, ' ') + "</sheetData></worksheet>";

    QTest::newRow("entity expansion in a DOCTYPE") << withSheet(
        "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
        "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>&b;</t></is></c></row></sheetData></worksheet>")
                                                   << u"DTD"_s;
    QTest::newRow("part inflating past 200 times its size") << withSheet(bomb) << u"展開すると大きすぎます"_s;
    QTest::newRow("part lying about its size") << withSheet(bomb, 1000) << u"展開すると大きすぎます"_s;
    QTest::newRow("broken XML") << withSheet("<worksheet><sheetData><row>") << u"壊れています"_s;
    QTest::newRow("shared string index past the list")
        << withSheet("<worksheet><sheetData><row><c t=\"s\"><v>7</v></c></row></sheetData></worksheet>")
        << u"壊れています"_s;
    QTest::newRow("zip cut short") << zipArchive(sound.entries()).left(300) << u"壊れています"_s;
    QTest::newRow("encrypted book in an OLE container")
        << (QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0')
            + QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32) + QByteArray(400, '\0'))
        << u"パスワード"_s;
    QTest::newRow("OLE container that is not a book")
        << (QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(1000, '\0')) << u"壊れています"_s;
    QTest::newRow("zip without a workbook is no book")
        << zipArchive({{u"word/document.xml"_s, "<document/>"}}) << QString();
}

void TestWorkbookReader::refusals()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    QFile out(path(u"hostile.xlsx"_s));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();
    if (reason.isEmpty()) {
        QCOMPARE(workbookKind(out.fileName()), WorkbookKind::None);
        return;
    }
    QVERIFY(workbookKind(out.fileName()) != WorkbookKind::None);
    WorkbookReader reader;
    std::optional<WorkbookSheetRead> read;
    if (reader.open(out.fileName()))
        read = reader.readSheet(0, true);
    QVERIFY(!read);
    QVERIFY2(reader.errorText().startsWith(u"ブックを読み込めません（"_s), qPrintable(reader.errorText()));
    QVERIFY2(reader.errorText().contains(reason), qPrintable(reader.errorText()));
}

QTEST_GUILESS_MAIN(TestWorkbookReader)
#include "tst_workbookreader.moc"
