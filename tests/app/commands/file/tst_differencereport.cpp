// The difference report: the model's list and summary, the CSV and HTML writers against golden
// files, and the window's command.

#include "AppState.h"
#include "CompareEngine.h"
#include "CompareOptions.h"
#include "CsvReport.h"
#include "DifferenceReport.h"
#include "FileSizeLimit.h"
#include "HtmlReport.h"
#include "RecordingUserInterface.h"
#include "ReportCommand.h"
#include "ReportFile.h"
#include "SheetFileReader.h"
#include "SheetPairFixture.h"
#include "TestFiles.h"
#include "WorkbookCheck.h"
#include "XlsxReport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace
{
const QDateTime kReportTime(QDate(2024, 4, 1), QTime(9, 30, 0));

// Sheet data written like fillSheet's input: rows by '|', cells by ','; "-" for no data row.
SheetData sheetData(const QString &cells)
{
    if (cells == u"-"_s)
        return SheetData(1, 2);
    const QStringList lines = cells.split(u'|');
    const int cols = int(lines.first().split(u',').size());
    SheetData data(int(lines.size()) + 1, cols + 1);
    for (int r = 1; r <= lines.size(); ++r) {
        const QStringList fields = lines.at(r - 1).split(u',');
        for (int c = 1; c <= fields.size(); ++c)
            data.setText(r, c, fields.at(c - 1));
    }
    return data;
}

// The entries as "row,col kind" separated by blanks; the kind as D, 1, 2 or E.
QString entryList(const DifferenceReport &report)
{
    QStringList list;
    for (const ReportEntry &entry : report.entries()) {
        const char kind = "D12E"[int(entry.kind)];
        list << u"%1,%2%3"_s.arg(entry.position.row()).arg(entry.position.col()).arg(QLatin1Char(kind));
    }
    return list.join(u' ');
}

std::vector<CellPosition> positions(const QString &list)
{
    std::vector<CellPosition> result;
    for (const QString &item : list.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList rc = item.split(u',');
        result.emplace_back(rc[0].toInt(), rc[1].toInt());
    }
    return result;
}

QString dataPath(const QString &name)
{
    return qEnvironmentVariable("ROWLARK_SOURCE_DIR") + u"/tests/data/"_s + name;
}

SheetReadResult readFile(const QString &path)
{
    SheetFileReader reader({0, u","_s});
    if (reader.open(path) != LoadRefusal::None || reader.countColumns() != LoadRefusal::None)
        qFatal("cannot read %s", qPrintable(path));
    return reader.readData();
}

// Compares with a golden file in tests/data; with ROWLARK_UPDATE_GOLDEN set, writes it instead.
void compareWithGolden(const QByteArray &actual, const QString &name)
{
    const QString path = dataPath(name);
    if (qEnvironmentVariableIsSet("ROWLARK_UPDATE_GOLDEN")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(actual);
        return;
    }
    const QByteArray expected = readTestFile(path);
    if (actual != expected) {
        const QList<QByteArray> a = actual.split('\n');
        const QList<QByteArray> e = expected.split('\n');
        for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i)
            QCOMPARE(a.value(i), e.value(i));
    }
    QCOMPARE(actual, expected);
}

// One part of a workbook, as the archive holds it; empty when it is not there.
QByteArray workbookPart(const QByteArray &workbook, const QString &name)
{
    QByteArray part;
    (void)forEachZipEntry(workbook, [&](const QString &entry, const QByteArray &data) {
        if (entry == name)
            part = data;
        return true;
    });
    return part;
}
} // namespace

class TestDifferenceReport : public QObject, private SheetPairFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsCellsInReadingOrder_data();
    void listsCellsInReadingOrder();
    void fileRowsOfLinedUpRows_data();
    void fileRowsOfLinedUpRows();
    void summaryStatesTheSettings_data();
    void summaryStatesTheSettings();
    void summaryListsTheColumnPairs();
    void writersMatchGoldenFiles_data();
    void writersMatchGoldenFiles();
    void htmlStopsAtRowLimit();
    void csvNeutralisesFormulas_data();
    void csvNeutralisesFormulas();
    void xlsxHoldsEveryText_data();
    void xlsxHoldsEveryText();
    void xlsxCutShortIsNotMade();
    void xmlStructureFindsCuts_data();
    void xmlStructureFindsCuts();
    void commandSavesInTheFilterFormat_data();
    void commandSavesInTheFilterFormat();
    void commandComparesAgainWhenColoursAreStale();
    void commandReportsAWriteFailure();
    void commandNamesTheOptionsInForce_data();
    void commandNamesTheOptionsInForce();
    void commandNotesCutCells();
    void commandWaitsForAComparison();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestDifferenceReport::init()
{
    startPair();
    m_folder = std::make_unique<QTemporaryDir>();
}

void TestDifferenceReport::cleanup()
{
    stopPair();
    m_folder.reset();
}

void TestDifferenceReport::listsCellsInReadingOrder_data()
{
    QTest::addColumn<QString>("sheet1");
    QTest::addColumn<QString>("sheet2");
    QTest::addColumn<QString>("equivalents");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QList<qint64>>("counts"); // differs, only 1, only 2, equivalent

    QTest::newRow("equal sheets list nothing") << "a,b|c,d"
                                               << "a,b|c,d"
                                               << ""
                                               << "" << QList<qint64>{0, 0, 0, 0};
    QTest::newRow("differing pairs row by row") << "a,b|c,d"
                                                << "a,x|y,d"
                                                << ""
                                                << "1,2D 2,1D" << QList<qint64>{2, 0, 0, 0};
    QTest::newRow("extra rows of file 1 come after the common rows") << "a,b|c,d|e,f"
                                                                     << "a,x|c,d"
                                                                     << ""
                                                                     << "1,2D 3,11 3,21" << QList<qint64>{1, 2, 0, 0};
    QTest::newRow("extra column of file 2 follows each row's common cells")
        << "a|b"
        << "x,1|b,2"
        << ""
        << "1,1D 1,22 2,22" << QList<qint64>{1, 0, 2, 0};
    QTest::newRow("taller file 1 and wider file 2 leave the corner to neither")
        << "a|b|c"
        << "a,1|x,2"
        << ""
        << "1,22 2,1D 2,22 3,11" << QList<qint64>{1, 1, 2, 0};
    QTest::newRow("equivalent pairs merge between differing ones")
        << "a,b,c|d,e,f"
        << "x,B,y|d,E,f"
        << "1,2 2,2"
        << "1,1D 1,2E 1,3D 2,2E" << QList<qint64>{2, 0, 0, 2};
    QTest::newRow("sheet without data rows against one with rows") << "-"
                                                                   << "a|b"
                                                                   << ""
                                                                   << "1,12 2,12" << QList<qint64>{0, 0, 2, 0};
}

void TestDifferenceReport::listsCellsInReadingOrder()
{
    QFETCH(QString, sheet1);
    QFETCH(QString, sheet2);
    QFETCH(QString, equivalents);
    QFETCH(QString, expected);
    QFETCH(QList<qint64>, counts);

    const SheetData data0 = sheetData(sheet1);
    const SheetData data1 = sheetData(sheet2);
    // The comparison names the differing pairs; an equivalent pair is one the options made equal.
    CompareResult result = FindDifferences(data0, data1);
    const std::vector<CellPosition> same = positions(equivalents);
    std::erase_if(result.differences,
                  [&](CellPosition p) { return std::find(same.begin(), same.end(), p) != same.end(); });
    const DifferenceReport report = buildDifferenceReport(result, data0, data1, {}, same);

    QCOMPARE(entryList(report), expected);
    const QList<qint64> actualCounts{report.count(ReportKind::Differs), report.count(ReportKind::OnlyInFile1),
                                     report.count(ReportKind::OnlyInFile2), report.count(ReportKind::Equivalent)};
    QCOMPARE(actualCounts, counts);
}

void TestDifferenceReport::fileRowsOfLinedUpRows_data()
{
    QTest::addColumn<QList<int>>("fillers1");
    QTest::addColumn<QList<int>>("fillers2");
    QTest::addColumn<QStringList>("fields"); // ファイル１の行 and ファイル２の行 of each listed cell, "/" between

    QTest::newRow("not lined up: no line columns") << QList<int>{} << QList<int>{} << QStringList{};
    QTest::newRow("a row inserted in file 2 shifts its later rows")
        << QList<int>{} << QList<int>{2} << QStringList{u"1/1"_s, u"2/"_s, u"3/2"_s, u"4/3"_s};
    QTest::newRow("rows inserted in both files")
        << QList<int>{1} << QList<int>{3, 4} << QStringList{u"/1"_s, u"1/2"_s, u"2/"_s, u"3/"_s};
}

void TestDifferenceReport::fileRowsOfLinedUpRows()
{
    QFETCH(QList<int>, fillers1);
    QFETCH(QList<int>, fillers2);
    QFETCH(QStringList, fields);

    // Every row differs, so every row is listed once at column 1.
    SheetData data0 = sheetData(u"a|b|c|d"_s);
    SheetData data1 = sheetData(u"w|x|y|z"_s);
    for (const int row : fillers1)
        data0.setFillerRow(row, true);
    for (const int row : fillers2)
        data1.setFillerRow(row, true);
    ReportSettings settings;
    settings.fileRows = fileRowsFromFillerRows(data0, data1);
    const DifferenceReport report = buildDifferenceReport(FindDifferences(data0, data1), data0, data1, settings);

    QCOMPARE(report.rowsLinedUp(), !fields.isEmpty());
    QStringList actual;
    for (const ReportEntry &entry : report.entries()) {
        const QStringList listed = report.listFields(entry);
        QCOMPARE(listed.size(), report.listCaptions().size());
        if (report.rowsLinedUp())
            actual << listed[6] + u'/' + listed[7];
    }
    QCOMPARE(actual, fields);
}

void TestDifferenceReport::summaryStatesTheSettings_data()
{
    QTest::addColumn<int>("partialReadFrom");
    QTest::addColumn<int>("delimiterMode");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("value");

    QTest::newRow("whole read") << 0 << 0 << "" << QStringList{} << "ファイル２の読み込み"
                                << "全体";
    QTest::newRow("partial read names the first row not read")
        << 32767 << 0 << "" << QStringList{} << "ファイル２の読み込み"
        << "一部のみ（32767 行目以降は読み込めていません）";
    QTest::newRow("comma mode") << 0 << 0 << "" << QStringList{} << "区切り文字"
                                << "カンマ（,）";
    QTest::newRow("tab delimiter") << 0 << 1 << "\t" << QStringList{} << "区切り文字"
                                   << "タブ";
    QTest::newRow("other delimiter") << 0 << 1 << "|" << QStringList{} << "区切り文字"
                                     << "「|」";
    QTest::newRow("no options") << 0 << 0 << "" << QStringList{} << "比較オプション"
                                << "なし";
    QTest::newRow("options in force") << 0 << 0 << ""
                                      << QStringList{u"大文字と小文字を区別しない"_s, u"前後の空白を無視する"_s}
                                      << "比較オプション"
                                      << "大文字と小文字を区別しない、前後の空白を無視する";
    QTest::newRow("sizes without header") << 0 << 0 << "" << QStringList{} << "ファイル２の大きさ"
                                          << "3 行 × 1 列";
    // A sheet read from a workbook: the book and its worksheet, and no encoding.
    QTest::newRow("workbook named with its sheet") << 0 << 0 << "" << QStringList{} << "ファイル２"
                                                   << "/d/売上.xlsx（売上.xlsx ─ 一月）";
    QTest::newRow("workbook has no encoding") << 0 << 0 << "" << QStringList{} << "ファイル２の文字コード"
                                              << "Excel ブック";
}

// As 列を揃える leaves them: file 1 lacks file 2's column 2, file 2 lacks file 1's column 3.
void TestDifferenceReport::summaryListsTheColumnPairs()
{
    SheetData data0 = sheetData(u"a,,c,d|1,,3,4"_s);
    SheetData data1 = sheetData(u"a,b,c,|1,2,3,"_s);
    data0.setFillerCol(2, true);
    data1.setFillerCol(4, true);
    ReportSettings settings;
    settings.columnPairs = columnPairsFromFillerCols(data0, data1);
    settings.createdAt = kReportTime;
    const DifferenceReport report = buildDifferenceReport(FindDifferences(data0, data1), data0, data1, settings);
    const auto summary = report.summary();
    const auto line
        = std::find_if(summary.begin(), summary.end(), [](const auto &l) { return l.first == u"列の対応"_s; });
    QVERIFY(line != summary.end());
    QCOMPARE(line->second, u"対応: 1-1, 2-3／ファイル１のみ: 3／ファイル２のみ: 2"_s);
}

void TestDifferenceReport::summaryStatesTheSettings()
{
    QFETCH(int, partialReadFrom);
    QFETCH(int, delimiterMode);
    QFETCH(QString, delimiter);
    QFETCH(QStringList, options);
    QFETCH(QString, caption);
    QFETCH(QString, value);

    const SheetData data0 = sheetData(u"a,b|c,d"_s);
    const SheetData data1 = sheetData(u"a|c|e"_s);
    ReportSettings settings;
    settings.files[1].partialReadFrom = partialReadFrom;
    if (QByteArray(QTest::currentDataTag()).startsWith("workbook")) {
        settings.files[1].path = u"/d/売上.xlsx"_s;
        settings.files[1].workbookSheet = u"一月"_s;
    }
    settings.delimiterMode = delimiterMode;
    settings.delimiter = delimiter;
    settings.options = options;
    settings.createdAt = kReportTime;
    const DifferenceReport report = buildDifferenceReport(FindDifferences(data0, data1), data0, data1, settings);

    const auto summary = report.summary();
    const auto line = std::find_if(summary.begin(), summary.end(), [&](const auto &l) { return l.first == caption; });
    QVERIFY2(line != summary.end(), qPrintable(caption));
    QCOMPARE(line->second, value);
    QCOMPARE(summary.first().second, u"2024-04-01 09:30:00"_s);
}

void TestDifferenceReport::writersMatchGoldenFiles_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("linedUp");
    QTest::addColumn<QString>("golden");

    QTest::newRow("csv") << "csv" << false << "report-small.csv";
    QTest::newRow("html") << "html" << false << "report-small.html";
    QTest::newRow("html of lined-up rows") << "html" << true << "report-small-lined-up.html";
}

void TestDifferenceReport::writersMatchGoldenFiles()
{
    QFETCH(QString, format);
    QFETCH(bool, linedUp);
    QFETCH(QString, golden);

    // The pair holds leading zeros, a long code, a changed digit, a trailing full-width space, a
    // TAB against a blank, a double quote, and cells only one file has.
    std::array<SheetReadResult, 2> read{readFile(dataPath(u"report-before.csv"_s)),
                                        readFile(dataPath(u"report-after.csv"_s))};
    if (linedUp) {
        // As 行を揃える leaves it: an empty row put into file 2 above its row 2.
        read[1].data.insertRows(2, 1);
        read[1].data.setFillerRow(2, true);
    }
    ReportSettings settings;
    settings.files = {ReportFile{u"report-before.csv"_s, read[0].format, 0, {}},
                      ReportFile{u"report-after.csv"_s, read[1].format, 0, {}}};
    settings.fileRows = fileRowsFromFillerRows(read[0].data, read[1].data);
    settings.createdAt = kReportTime;
    const DifferenceReport report
        = buildDifferenceReport(FindDifferences(read[0].data, read[1].data), read[0].data, read[1].data, settings);

    compareWithGolden(format == u"csv"_s ? writeCsvReport(report) : writeHtmlReport(report), golden);
}

void TestDifferenceReport::htmlStopsAtRowLimit()
{
    const SheetData data0 = sheetData(u"a|b|c|d"_s);
    const SheetData data1 = sheetData(u"w,1|x,2|y,3|z,4"_s);
    const DifferenceReport report = buildDifferenceReport(FindDifferences(data0, data1), data0, data1, {});
    const QString html = QString::fromUtf8(writeHtmlReport(report, 3));

    QCOMPARE(html.count(u"<section class=\"row\">"_s), 3);
    QVERIFY(html.contains(u"4 行目"_s) == false);
    // One row of two cells is left out.
    QVERIFY2(html.contains(u"最初の 3 行だけを載せています。ほかに 1 行（セル 2 個）の差分があり"_s), qPrintable(html));
}

void TestDifferenceReport::csvNeutralisesFormulas_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field"); // as the CSV writes it

    QTest::newRow("equals sign") << u"=HYPERLINK(\"http://x\",\"y\")"_s
                                 << QByteArray(R"csv("'=HYPERLINK(""http://x"",""y"")")csv");
    QTest::newRow("at sign") << u"@SUM(1+1)*cmd|' /C calc'!A0"_s << QByteArray("'@SUM(1+1)*cmd|' /C calc'!A0");
    QTest::newRow("plus sum") << u"+1+1"_s << QByteArray("'+1+1");
    QTest::newRow("minus sum") << u"-2+3"_s << QByteArray("'-2+3");
    QTest::newRow("minus before a name") << u"-A1"_s << QByteArray("'-A1");
    QTest::newRow("lone minus") << u"-"_s << QByteArray("'-");
    QTest::newRow("leading TAB") << u"\t=1"_s << QByteArray("'\t=1");
    QTest::newRow("leading CR") << u"\r=1"_s << QByteArray("\"'\r=1\"");
    QTest::newRow("negative number kept") << u"-5"_s << QByteArray("-5");
    QTest::newRow("country code kept") << u"+81"_s << QByteArray("+81");
    QTest::newRow("negative decimal kept") << u"-0.25"_s << QByteArray("-0.25");
    QTest::newRow("equals sign inside kept") << u"a=b"_s << QByteArray("a=b");
    QTest::newRow("full-width equals sign kept") << u"＝1"_s << QByteArray("＝1");
}

void TestDifferenceReport::csvNeutralisesFormulas()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);

    // The text as a cell (and so as its column's title) and as the first file's name.
    SheetData data0(2, 2);
    data0.setText(1, 1, text);
    const SheetData data1 = sheetData(u"x"_s);
    ReportSettings settings;
    settings.files[0].path = text;
    const QByteArray csv
        = writeCsvReport(buildDifferenceReport(FindDifferences(data0, data1), data0, data1, std::move(settings)));

    QVERIFY2(csv.contains("\r\nファイル１," + field + "\r\n"), csv.constData());
    QVERIFY2(csv.endsWith("\r\n1,1," + field + ',' + field + ",x,相違\r\n"), csv.constData());
}

void TestDifferenceReport::xlsxHoldsEveryText_data()
{
    QTest::addColumn<QString>("text"); // of sheet 1's cell (2, 1), which differs
    QTest::addColumn<QString>("path"); // of file 2
    QTest::addColumn<QByteArray>("list"); // what the list sheet holds
    QTest::addColumn<QByteArray>("summary"); // what the summary sheet holds
    QTest::addColumn<qsizetype>("cut");
    QTest::addColumn<qsizetype>("replaced");

    const QByteArray none("<t>作成日時</t>");
    QTest::newRow("U+FFFE becomes U+FFFD")
        << u"a\uFFFEb"_s << u"b.csv"_s << QByteArray("<t>a\uFFFDb</t>") << QByteArray("<t>置き換えた文字のあるセル</t>")
        << qsizetype(0) << qsizetype(1);
    QTest::newRow("U+FFFF in a file name becomes U+FFFD")
        << u"a"_s << u"b\uFFFF.csv"_s << QByteArray("<t>a</t>") << QByteArray("<t>b\uFFFD.csv</t>") << qsizetype(0)
        << qsizetype(1);
    QTest::newRow("a lone surrogate becomes U+FFFD")
        << (u"a"_s + QChar(0xD800) + u"b"_s) << u"b.csv"_s << QByteArray("<t>a\uFFFDb</t>")
        << QByteArray("<t>置き換えた文字のあるセル</t>") << qsizetype(0) << qsizetype(1);
    QTest::newRow("a character outside the BMP is kept")
        << u"a𠀋"_s << u"b.csv"_s << QByteArray("<t>a𠀋</t>") << none << qsizetype(0) << qsizetype(0);
    QTest::newRow("a literal escape keeps its meaning")
        << u"_x0041_"_s << u"b.csv"_s << QByteArray("<t>_x005F_x0041_</t>") << none << qsizetype(0) << qsizetype(0);
    QTest::newRow("an escape among other text")
        << u"a_x00e9_b_x12_"_s << u"b.csv"_s << QByteArray("<t>a_x005F_x00e9_b_x12_</t>") << none << qsizetype(0)
        << qsizetype(0);
    QTest::newRow("a long text is cut and counted")
        << QString(40000, u'あ') << u"b.csv"_s << (QString(32000, u'あ') + u"…</t>"_s).toUtf8()
        << QByteArray("<t>切り詰めたセル</t>") << qsizetype(1) << qsizetype(0);
}

void TestDifferenceReport::xlsxHoldsEveryText()
{
    QFETCH(QString, text);
    QFETCH(QString, path);
    QFETCH(QByteArray, list);
    QFETCH(QByteArray, summary);
    QFETCH(qsizetype, cut);
    QFETCH(qsizetype, replaced);

    SheetData data0 = sheetData(u"h|x"_s);
    data0.setText(2, 1, text);
    const SheetData data1 = sheetData(u"h|y"_s);
    ReportSettings settings;
    settings.files[1].path = path;
    const DifferenceReport report
        = buildDifferenceReport(FindDifferences(data0, data1), data0, data1, std::move(settings));
    const std::optional<QByteArray> workbook = writeXlsxReport(report);
    QVERIFY(workbook);

    const QByteArray listPart = workbookPart(*workbook, u"xl/worksheets/sheet2.xml"_s);
    const QByteArray summaryPart = workbookPart(*workbook, u"xl/worksheets/sheet1.xml"_s);
    for (const QByteArray *part : {&listPart, &summaryPart}) {
        QXmlStreamReader reader(*part);
        while (!reader.atEnd())
            reader.readNext();
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    }
    QVERIFY2(listPart.contains(list), listPart.right(600).constData());
    QVERIFY2(summaryPart.contains(summary), summaryPart.constData());
    QCOMPARE(xlsxTextChanges(report).cut, cut);
    QCOMPARE(xlsxTextChanges(report).replaced, replaced);
    QCOMPARE(summaryPart.contains("<t>切り詰めたセル</t>"), cut > 0);
}

void TestDifferenceReport::xlsxCutShortIsNotMade()
{
    // About 100 KB of workbook, most of it in the list's part.
    QStringList rows0;
    QStringList rows1;
    for (int r = 0; r < 8000; ++r) {
        rows0 << u"%1,a%2"_s.arg(r).arg(r * 7919);
        rows1 << u"%1,b%2"_s.arg(r).arg(r * 104729);
    }
    const SheetData data0 = sheetData(rows0.join(u'|'));
    const SheetData data1 = sheetData(rows1.join(u'|'));
    const DifferenceReport report = buildDifferenceReport(FindDifferences(data0, data1), data0, data1, {});
    const std::optional<QByteArray> whole = writeXlsxReport(report);
    QVERIFY(whole && whole->size() > 64 * 1024);
    QVERIFY(isWholeWorkbook(*whole));

    const QString path = m_folder->filePath(u"r.xlsx"_s);
    std::optional<QByteArray> cut;
    bool saved = true;
    {
        FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.isActive());
        cut = writeXlsxReport(report);
        saved = saveReport(report, ReportFormat::Xlsx, path);
    }
    QVERIFY2(!cut, QByteArray::number(cut ? cut->size() : 0).constData());
    QVERIFY(!saved);
    QVERIFY(!QFile::exists(path));
}

void TestDifferenceReport::xmlStructureFindsCuts_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<qint64>("rows");

    const QByteArray head = R"(<?xml version="1.0" encoding="UTF-8"?>)"
                            "\n<worksheet a=\"x>y\"><sheetData>";
    const QByteArray row1 = R"(<row r="1"><c r="A1" t="inlineStr"><is><t>a/b&gt;</t></is></c></row>)";
    const QByteArray row2 = R"(<row r="2" spans='1:2'><c r="A2"><v>2</v></c><c r="B2"/></row>)";
    const QByteArray tail = "</sheetData><pageMargins left=\"0.7\"/></worksheet>\n";
    QTest::newRow("whole") << head + row1 + row2 + tail << true << qint64(2);
    QTest::newRow("a row cut out between rows") << head + row1 + tail << true << qint64(1);
    QTest::newRow("cut inside a tag") << head + row1 + row2.left(20) + tail << false << qint64(-1);
    QTest::newRow("cut inside a text") << head + row1.left(50) + row2 + tail << false << qint64(-1);
    QTest::newRow("cut at the end") << head + row1 + row2 + tail.left(20) << false << qint64(-1);
    QTest::newRow("an attribute left open") << QByteArray(R"(<a b="c><d/></a>)") << false << qint64(-1);
    QTest::newRow("end tags out of order") << QByteArray("<a><b></a></b>") << false << qint64(-1);
    QTest::newRow("a second root") << QByteArray("<a/><b/>") << false << qint64(-1);
    QTest::newRow("text after the root") << QByteArray("<a/>x") << false << qint64(-1);
    QTest::newRow("no element") << QByteArray(R"(<?xml version="1.0"?>)") << false << qint64(-1);
}

void TestDifferenceReport::xmlStructureFindsCuts()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, whole);
    QFETCH(qint64, rows);

    // Whole, and byte by byte as a part inflates in pieces.
    XmlStructure once("row");
    once.add(xml);
    XmlStructure bytes("row");
    for (const char c : std::as_const(xml))
        bytes.add(QByteArrayView(&c, 1));
    QCOMPARE(once.isWhole(), whole);
    QCOMPARE(bytes.isWhole(), whole);
    if (rows >= 0)
        QCOMPARE(once.counted(), rows);
}

void TestDifferenceReport::commandSavesInTheFilterFormat_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qsizetype>("filter");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QByteArray>("start");

    QTest::newRow("HTML filter adds .html")
        << "report" << qsizetype(0) << "report.html" << QByteArray("<!DOCTYPE html>");
    QTest::newRow("Excel filter adds .xlsx") << "report" << qsizetype(1) << "report.xlsx" << QByteArray("PK\x03\x04");
    QTest::newRow("CSV filter adds .csv") << "report" << qsizetype(2) << "report.csv" << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("a suffix in capitals is kept")
        << "report.CSV" << qsizetype(2) << "report.CSV" << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("a typed report suffix chooses the format")
        << "report.csv" << qsizetype(1) << "report.csv" << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("another suffix gets the filter's")
        << "report.txt" << qsizetype(1) << "report.txt.xlsx" << QByteArray("PK\x03\x04");
}

void TestDifferenceReport::commandSavesInTheFilterFormat()
{
    QFETCH(QString, typed);
    QFETCH(qsizetype, filter);
    QFETCH(QString, saved);
    QFETCH(QByteArray, start);

    fillPair(u"00123,a"_s, u"00124,a"_s);
    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    QVERIFY(reportMenuEnabled(*m_state));
    m_ui->scriptedSavePaths << m_folder->filePath(typed);
    m_ui->scriptedSaveFilters << filter;
    mnuReport_Click(*m_state, *m_ui, kReportTime);

    QCOMPARE(m_ui->saveRequests.size(), 1);
    QCOMPARE(m_ui->saveRequests[0].filters,
             (QStringList{u"HTML (*.html)"_s, u"Excel ブック (*.xlsx)"_s, u"CSV (*.csv)"_s}));
    const QByteArray bytes = readTestFile(m_folder->filePath(saved));
    QVERIFY2(bytes.startsWith(start), bytes.left(40).constData());
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList{saved});
    QCOMPARE(m_ui->messages.last().icon, MessageIcon::Information);
}

void TestDifferenceReport::commandComparesAgainWhenColoursAreStale()
{
    fillPair(u"a,b|c,d"_s, u"a,b|c,x"_s);
    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    // A change no re-comparison followed (as a replacement leaves it): the window still shows
    // (2,2) red and (1,1) equal.
    m_state->grdData(1).setTextMatrix(2, 2, u"d"_s);
    m_state->grdData(1).setTextMatrix(1, 1, u"z"_s);
    QCOMPARE(colourMap(m_state->grdData(1)), u"..|.R"_s);

    m_ui->scriptedSavePaths << m_folder->filePath(u"r.csv"_s);
    m_ui->scriptedSaveFilters << 2;
    mnuReport_Click(*m_state, *m_ui, kReportTime);

    QCOMPARE(colourMap(m_state->grdData(0)), u"R.|.."_s);
    QCOMPARE(colourMap(m_state->grdData(1)), u"R.|.."_s);
    const QByteArray csv = readTestFile(m_folder->filePath(u"r.csv"_s));
    QVERIFY2(csv.endsWith("\r\n1,1,a,a,z,相違\r\n"), csv.constData());
}

void TestDifferenceReport::commandReportsAWriteFailure()
{
    fillPair(u"a"_s, u"b"_s);
    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    m_ui->messages.clear();
    for (const qsizetype filter : {0, 1, 2}) {
        m_ui->scriptedSavePaths << m_folder->filePath(u"no-such-folder/r"_s);
        m_ui->scriptedSaveFilters << filter;
        mnuReport_Click(*m_state, *m_ui, kReportTime);
    }
    QCOMPARE(m_ui->messages.size(), 3);
    for (const RecordingUserInterface::Message &message : std::as_const(m_ui->messages)) {
        QCOMPARE(message.text, u"レポートを保存できませんでした"_s);
        QCOMPARE(message.icon, MessageIcon::Critical);
    }
}

void TestDifferenceReport::commandNamesTheOptionsInForce_data()
{
    QTest::addColumn<QString>("options"); // as the settings file holds them
    QTest::addColumn<QString>("named");

    QTest::newRow("no option") << ""
                               << "なし";
    QTest::newRow("width folding") << "fold-width"
                                   << "全半角";
    QTest::newRow("rules, tolerance and columns left out") << "ignore-case;trim;numeric=0.5;skip-columns=3, 5-7"
                                                           << "大小文字、前後の空白、数値(±0.5)、比較しない列 3, 5-7";
    QTest::newRow("columns left out alone") << "skip-columns=2"
                                            << "比較しない列 2";
}

void TestDifferenceReport::commandNamesTheOptionsInForce()
{
    QFETCH(QString, options);
    QFETCH(QString, named);

    fillPair(u"ＡＢＣ,1,x"_s, u"ABC,2,y"_s);
    m_state->compareOptions = compareOptionsFromText(options);
    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    for (const QString &name : {u"r.csv"_s, u"r.html"_s}) {
        m_ui->scriptedSavePaths << m_folder->filePath(name);
        m_ui->scriptedSaveFilters << 0;
        mnuReport_Click(*m_state, *m_ui, kReportTime);
    }

    const QString csv = QString::fromUtf8(readTestFile(m_folder->filePath(u"r.csv"_s)));
    const QString quote = named.contains(u',') ? u"\""_s : QString();
    QVERIFY2(csv.contains(u"\r\n比較オプション,"_s + quote + named + quote + u"\r\n"_s), qPrintable(csv));
    const QString html = QString::fromUtf8(readTestFile(m_folder->filePath(u"r.html"_s)));
    QVERIFY2(html.contains(u"<tr><th>比較オプション</th><td>"_s + named + u"</td></tr>"_s), qPrintable(html));
}

void TestDifferenceReport::commandNotesCutCells()
{
    fillPair(QString(40000, u'あ') + u",a"_s, u"x,"_s + QString(33000, u'い'));
    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    for (const QString &name : {u"r.xlsx"_s, u"r.csv"_s}) {
        m_ui->scriptedSavePaths << m_folder->filePath(name);
        m_ui->scriptedSaveFilters << 0;
        mnuReport_Click(*m_state, *m_ui, kReportTime);
    }

    QCOMPARE(m_ui->messages.size(), 3); // the comparison's, then one per report
    // Both long values are cut, and the first column's title, which is the first of them.
    QCOMPARE(m_ui->messages[1].text,
             u"差分レポートを保存しました\r\n"_s + m_folder->filePath(u"r.xlsx"_s)
                 + u"\r\nExcel のセルに入りきらない 3 個のセルは 32000 文字で切り詰めました"
                   u"（すべては CSV のレポートにあります）"_s);
    // The CSV keeps them whole and says nothing of it.
    QCOMPARE(m_ui->messages[2].text, u"差分レポートを保存しました\r\n"_s + m_folder->filePath(u"r.csv"_s));
}

void TestDifferenceReport::commandWaitsForAComparison()
{
    fillPair(u"a"_s, u"b"_s);
    QVERIFY(!reportMenuEnabled(*m_state));
    m_ui->scriptedSavePaths << m_folder->filePath(u"r.html"_s);
    mnuReport_Click(*m_state, *m_ui, kReportTime);
    QVERIFY(m_ui->saveRequests.isEmpty());

    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    QVERIFY(reportMenuEnabled(*m_state));
    // New contents make the comparison stale.
    ClearComparisonColours(*m_state);
    QVERIFY(!reportMenuEnabled(*m_state));
}

QTEST_GUILESS_MAIN(TestDifferenceReport)
#include "tst_differencereport.moc"
