// The difference report: the model's list and summary, the CSV and HTML writers against golden
// files, and the window's command.

#include "AppState.h"
#include "CompareEngine.h"
#include "CsvReport.h"
#include "DifferenceReport.h"
#include "HtmlReport.h"
#include "RecordingUserInterface.h"
#include "ReportCommand.h"
#include "SheetFileReader.h"
#include "SheetFixtures.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    SheetFileReader reader(0, u","_s);
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
    void writersMatchGoldenFiles_data();
    void writersMatchGoldenFiles();
    void htmlStopsAtRowLimit();
    void commandSavesInTheFilterFormat_data();
    void commandSavesInTheFilterFormat();
    void commandComparesAgainWhenColoursAreStale();
    void commandReportsAWriteFailure();
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
    settings.files
        = {ReportFile{u"report-before.csv"_s, read[0].format, 0}, ReportFile{u"report-after.csv"_s, read[1].format, 0}};
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
