// rowlark-diff: its command line, its JSON, and the built program run on small files: dumps of
// one file and comparisons of two.

#include "CliArguments.h"
#include "CommandGuard.h"
#include "DumpCommand.h"
#include "TestFiles.h"
#include "ZipWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{
// rows lines of "a<sep>b" (CR LF ended); row `differing` (1-based, 0: none) reads "a<sep>X" instead.
// More rows than a sheet holds make a read that stops early.
QByteArray tallFile(int rows, int differing, char separator)
{
    QByteArray text;
    text.reserve(qsizetype(rows) * 5);
    for (int row = 1; row <= rows; ++row) {
        text.append('a').append(separator).append(row == differing ? 'X' : 'b');
        text.append("\r\n");
    }
    return text;
}

// `count` rows of the first text, then `count` of the second.
QByteArray twoBlocks(const char *first, const char *second, int count)
{
    return QByteArray(first).repeated(count) + QByteArray(second).repeated(count);
}

// `rows` rows reading a or b at random, seeded.
QByteArray randomRows(int rows, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray text;
    for (int row = 0; row < rows; ++row)
        text.append(random.bounded(2) ? "a\r\n" : "b\r\n");
    return text;
}
} // namespace

class TestRowlarkDiff : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void arguments_data();
    void arguments();
    void helpNamesEachOption_data();
    void helpNamesEachOption();
    void jsonStrings_data();
    void jsonStrings();
    void dump_data();
    void dump();
    void diff_data();
    void diff();
    void diffJson_data();
    void diffJson();
    void diffJsonExplained_data();
    void diffJsonExplained();
    void explainNeedsJson();
    void linesUpLargeEdits_data();
    void linesUpLargeEdits();
    void linesUpWithinATolerance_data();
    void linesUpWithinATolerance();
    void saysWhenTheLineUpMayNotBeTheLongest();
    void delimiterMissing_data();
    void delimiterMissing();
    void outputNotWritten_data();
    void outputNotWritten();
    void noErrorEscapesTheCommand_data();
    void noErrorEscapesTheCommand();
    void fileNamesThatAreNotUtf8();
    void refusedFileSaysWhy_data();
    void refusedFileSaysWhy();
    void workbooks_data();
    void workbooks();

private:
    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QString err;
    };
    // Writes content to a file of the test folder (a null content writes nothing) and returns its path.
    QString writeFile(const QString &name, const QByteArray &content);
    // asOtherUser: as the user nobody when this is root, who may read and write any file.
    Run run(const QStringList &arguments, bool asOtherUser = false);

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestRowlarkDiff::initTestCase()
{
    m_program = qEnvironmentVariable("ROWLARK_BIN_DIR") + u"/rowlark-diff"_s;
    QVERIFY2(QFile::exists(m_program), qPrintable(m_program));
}

void TestRowlarkDiff::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
}

QString TestRowlarkDiff::writeFile(const QString &name, const QByteArray &content)
{
    // A null content names a file that is not there.
    return content.isNull() ? m_folder->filePath(name) : writeTestFile(*m_folder, name, content);
}

TestRowlarkDiff::Run TestRowlarkDiff::run(const QStringList &arguments, bool asOtherUser)
{
    QProcess process;
    process.setWorkingDirectory(m_folder->path());
    if (asOtherUser && geteuid() == 0)
        process.start(u"setpriv"_s,
                      QStringList{u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, m_program} + arguments);
    else
        process.start(m_program, arguments);
    Run result;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestRowlarkDiff::arguments_data()
{
    using Command = CliArguments::Command;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<Command>("command");
    QTest::addColumn<bool>("json");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QStringList>("files");

    const QStringList none;
    QTest::newRow("dump in the comma mode") << QStringList{u"--dump"_s, u"a.csv"_s} << true << Command::Dump << false
                                            << 0 << u","_s << QStringList{u"a.csv"_s};
    QTest::newRow("dump with a delimiter") << QStringList{u"--delimiter"_s, u"|"_s, u"--dump"_s, u"a.csv"_s} << true
                                           << Command::Dump << false << 1 << u"|"_s << QStringList{u"a.csv"_s};
    QTest::newRow("delimiter given with =") << QStringList{u"--dump"_s, u"--delimiter=\t"_s, u"a.csv"_s} << true
                                            << Command::Dump << false << 1 << u"\t"_s << QStringList{u"a.csv"_s};
    QTest::newRow("blank delimiter is left to the reader")
        << QStringList{u"--dump"_s, u"--delimiter"_s, u" "_s, u"a.csv"_s} << true << Command::Dump << false << 1
        << u" "_s << QStringList{u"a.csv"_s};
    QTest::newRow("file named like an option after --")
        << QStringList{u"--dump"_s, u"--"_s, u"--x.csv"_s} << true << Command::Dump << false << 0 << u","_s
        << QStringList{u"--x.csv"_s};
    QTest::newRow("compare two files") << QStringList{u"a.csv"_s, u"b.csv"_s} << true << Command::Diff << false << 0
                                       << u","_s << QStringList{u"a.csv"_s, u"b.csv"_s};
    QTest::newRow("compare as JSON with a delimiter")
        << QStringList{u"a.csv"_s, u"--json"_s, u"--delimiter"_s, u";"_s, u"b.csv"_s} << true << Command::Diff << true
        << 1 << u";"_s << QStringList{u"a.csv"_s, u"b.csv"_s};
    QTest::newRow("help wins over files")
        << QStringList{u"a"_s, u"--help"_s} << true << Command::Help << false << 0 << QString() << QStringList{u"a"_s};
    QTest::newRow("delimiter outside the BMP") << QStringList{u"--delimiter"_s, u"𠀋"_s, u"a"_s, u"b"_s} << true
                                               << Command::Diff << false << 1 << u"𠀋"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("delimiter of two characters outside the BMP")
        << QStringList{u"--dump"_s, u"--delimiter=𠀋𠀋"_s, u"a"_s} << false << Command::Help << false << 0 << QString()
        << none;
    QTest::newRow("delimiter of two characters") << QStringList{u"--dump"_s, u"--delimiter"_s, u"ab"_s, u"a"_s} << false
                                                 << Command::Help << false << 0 << QString() << none;
    QTest::newRow("delimiter without its value") << QStringList{u"--dump"_s, u"a"_s, u"--delimiter"_s} << false
                                                 << Command::Help << false << 0 << QString() << none;
    QTest::newRow("unknown option") << QStringList{u"--dump"_s, u"--fast"_s, u"a"_s} << false << Command::Help << false
                                    << 0 << QString() << none;
    QTest::newRow("dump with --align") << QStringList{u"--align"_s, u"--dump"_s, u"a"_s} << false << Command::Help
                                       << false << 0 << QString() << none;
    QTest::newRow("dump with --key") << QStringList{u"--key"_s, u"1"_s, u"--dump"_s, u"a"_s} << false << Command::Help
                                     << false << 0 << QString() << none;
    QTest::newRow("dump of two files") << QStringList{u"--dump"_s, u"a"_s, u"b"_s} << false << Command::Help << false
                                       << 0 << QString() << none;
    QTest::newRow("compare of one file") << QStringList{u"a"_s} << false << Command::Help << false << 0 << QString()
                                         << none;
    QTest::newRow("compare of three files")
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << false << Command::Help << false << 0 << QString() << none;
    QTest::newRow("nothing at all") << QStringList() << false << Command::Help << false << 0 << QString() << none;
    const QStringList pair{u"a"_s, u"b"_s};
    QTest::newRow("no limit, lined up under folding")
        << QStringList{u"--no-limit"_s, u"--align"_s, u"--ignore-case"_s, u"a"_s, u"b"_s} << true << Command::Diff
        << false << 0 << u","_s << pair;
    QTest::newRow("no limit, lined up under a numeric rule")
        << QStringList{u"--no-limit"_s, u"--align"_s, u"--numeric"_s, u"a"_s, u"b"_s} << true << Command::Diff << false
        << 0 << u","_s << pair;
    QTest::newRow("no limit, lined up by key under a numeric rule")
        << QStringList{u"--no-limit"_s, u"--key"_s, u"1"_s, u"--numeric"_s, u"a"_s, u"b"_s} << false << Command::Help
        << false << 0 << QString() << none;
    QTest::newRow("no limit with a report") << QStringList{u"--no-limit"_s, u"--report"_s, u"r.csv"_s, u"a"_s, u"b"_s}
                                            << false << Command::Help << false << 0 << QString() << none;
}

void TestRowlarkDiff::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, accepted);
    QFETCH(CliArguments::Command, command);
    QFETCH(bool, json);
    QFETCH(int, mode);
    QFETCH(QString, delimiter);
    QFETCH(QStringList, files);

    const ParsedArguments parsed = parseArguments(arguments);
    QCOMPARE(parsed.arguments.has_value(), accepted);
    if (!accepted) {
        QVERIFY(!parsed.error.isEmpty());
        return;
    }
    QCOMPARE(parsed.arguments->command, command);
    QCOMPARE(parsed.arguments->json, json);
    QCOMPARE(parsed.arguments->delimiterMode, mode);
    QCOMPARE(parsed.arguments->delimiter, delimiter);
    QCOMPARE(parsed.arguments->files, files);
}

// The comparison options' lines of --help: the flag, its value, then the text in the column of
// the other options' texts.
void TestRowlarkDiff::helpNamesEachOption_data()
{
    QTest::addColumn<QString>("line");

    QTest::newRow("a switch") << u"\n  --fold-width    全角と半角を区別しません (ｶﾞ とガも同じ)\n"_s;
    QTest::newRow("the longest switch") << u"\n  --ignore-space  すべての空白を無視します\n"_s;
    QTest::newRow("an optional tolerance")
        << u"\n  --numeric[=TOLERANCE]  両方が数値なら値で比較します (TOLERANCE は許容誤差)\n"_s;
    QTest::newRow("a switch longer than the column")
        << u"\n  --ignore-digit-separators  数字の間のハイフンと空白を無視します (123-4567 = 1234567)\n"_s;
    QTest::newRow("a column list") << u"\n  --skip-columns LIST    LIST の列 (例 3,5-7) は比較しません\n"_s;
    QTest::newRow("the line after the options")
        << u"\n  --skip-columns LIST    LIST の列 (例 3,5-7) は比較しません\n"
           u"  --list-equivalent      比較オプションにより同じとみなしたセルも出力します\n"_s;
}

void TestRowlarkDiff::helpNamesEachOption()
{
    QFETCH(QString, line);
    QCOMPARE(usageText().count(line), 1);
}

void TestRowlarkDiff::jsonStrings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("plain") << u"abc"_s << QByteArray("\"abc\"");
    QTest::newRow("Japanese as UTF-8") << u"日本"_s << QByteArray("\"日本\"");
    QTest::newRow("quote and backslash") << u"a\"b\\c"_s << QByteArray("\"a\\\"b\\\\c\"");
    QTest::newRow("line ends and TAB") << u"a\r\nb\tc"_s << QByteArray("\"a\\r\\nb\\tc\"");
    QTest::newRow("other control characters") << u"\u0000\u001a"_s << QByteArray("\"\\u0000\\u001a\"");
}

void TestRowlarkDiff::jsonStrings()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, json);
    QByteArray out;
    appendJsonString(out, text);
    QCOMPARE(out, json);
    // What comes out is read back as the same text.
    QCOMPARE(QJsonDocument::fromJson("[" + out + "]").array().at(0).toString(), text);
}

void TestRowlarkDiff::dump_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no such file
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("expected"); // the JSON, or nothing for a refusal
    QTest::addColumn<QString>("message"); // what stderr holds

    QTest::newRow("comma mode") << QByteArray("a,b\r\nc\r\n") << QStringList() << 0
                                << QByteArray(R"({"rows": 3, "cols": 3, "complete": true, "encoding": "UTF-8",
                                   "cells": [["", "1列", "2列"], ["1行", "a", "b"], ["2行", "c", ""]]})")
                                << QString();
    QTest::newRow("delimiter mode keeps quotes")
        << QByteArray("\x93\xfa|\"x\"\r\n") << QStringList{u"--delimiter"_s, u"|"_s} << 0
        << QByteArray(R"({"rows": 2, "cols": 3, "complete": true, "encoding": "Shift_JIS",
                         "cells": [["", "1列", "2列"], ["1行", "日", "\"x\""]]})")
        << QString();
    QTest::newRow("partial read") << QByteArray("\xEF\xBB\xBF\"a,b\",c,\"\r\n") << QStringList() << 3
                                  << QByteArray(
                                         R"({"rows": 2, "cols": 4, "complete": false, "encoding": "UTF-8（BOM付き）",
                                     "cells": [["", "1列", "2列", "3列"], ["1行", "a,b", "c", ""]]})")
                                  << u"データを全部読めませんでした\nデータを分けてdiffを行って下さい\n"
                                     u"読み込めた行はありません（上限 32766 行、32766 列）。"_s;
    QTest::newRow("UTF-16LE export") << QByteArray("\xFF\xFE"
                                                   "a\0\t\0\xD9\x9A\r\0\n\0",
                                                   10)
                                     << QStringList{u"--delimiter"_s, u"\t"_s} << 0
                                     << QByteArray(R"({"rows": 2, "cols": 3, "complete": true, "encoding":
                                        "UTF-16LE（BOM付き）", "cells": [["", "1列", "2列"], ["1行", "a", "髙"]]})")
                                     << QString();
    QTest::newRow("chosen encoding") << QByteArray("\xB9\xE2") << QStringList{u"--encoding"_s, u"shift_jis"_s} << 0
                                     << QByteArray(R"({"rows": 2, "cols": 2, "complete": true, "encoding": "Shift_JIS",
                                        "cells": [["", "1列"], ["1行", "ｹ\uFFFD"]]})")
                                     << u"上書き保存"_s;
    QTest::newRow("zip archive") << QByteArray::fromHex(
        "504b0304140000000000383a885d8316dc8c010000000100000005000000612e74787478504b01021403140000000000383a885d8316dc"
        "8c0100000001000000050000000000000000000000800100000000612e747874504b0506000000000100010033000000240000000000")
                                 << QStringList() << 2 << QByteArray() << u"テキストファイルではありません"_s;
    QTest::newRow("damaged workbook") << QByteArray("PK\x03\x04\x14\x00", 6) << QStringList() << 2 << QByteArray()
                                      << u"ブックを読み込めません"_s;
    QTest::newRow("text that cannot be written back")
        << QByteArray("\x85\x40") << QStringList() << 0
        << QByteArray(R"({"rows": 2, "cols": 2, "complete": true, "encoding": "Shift_JIS",
                         "cells": [["", "1列"], ["1行", "\uFFFD@"]]})")
        << u"上書き保存"_s;
    QTest::newRow("missing file") << QByteArray() << QStringList() << 2 << QByteArray()
                                  << u"読み込めません\nファイルが見つかりません"_s;
    QTest::newRow("blank delimiter") << QByteArray("a") << QStringList{u"--delimiter"_s, u" "_s} << 2 << QByteArray()
                                     << u"区切り文字が設定されてません"_s;
    QTest::newRow("wrong command line") << QByteArray("a") << QStringList{u"--delimiter"_s, u"ab"_s} << 2
                                        << QByteArray() << u"使い方"_s;
    QTest::newRow("lining up does not apply to a dump")
        << QByteArray("a") << QStringList{u"--align"_s} << 2 << QByteArray() << u"--align"_s;
}

void TestRowlarkDiff::dump()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, expected);
    QFETCH(QString, message);

    const QString path = m_folder->filePath(u"input.csv"_s);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QProcess process;
    process.start(m_program, options + QStringList{u"--dump"_s, path});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray out = process.readAllStandardOutput();
    const QString err = QString::fromUtf8(process.readAllStandardError());
    if (expected.isEmpty()) {
        QVERIFY(out.isEmpty());
    } else {
        QJsonParseError error;
        const QJsonDocument written = QJsonDocument::fromJson(out, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(written, QJsonDocument::fromJson(expected));
    }
    if (message.isEmpty())
        QVERIFY2(err.isEmpty(), qPrintable(err));
    else
        QVERIFY2(err.contains(message), qPrintable(err));
}

void TestRowlarkDiff::diff_data()
{
    QTest::addColumn<QByteArray>("file1"); // null: no such file
    QTest::addColumn<QByteArray>("file2");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("expected"); // stdout, exactly
    QTest::addColumn<QStringList>("messages"); // what stderr holds; empty: nothing

    const QByteArray none;
    const QStringList quiet;
    const QByteArray sheet("a,b,c\r\nd,e,f\r\n");

    QTest::newRow("identical files") << sheet << sheet << QStringList() << 0 << QByteArray("差はありません\n") << quiet;
    QTest::newRow("one differing cell") << sheet << QByteArray("a,b,c\r\nd,E,f\r\n") << QStringList() << 1
                                        << QByteArray("差が　1　個あります\n2,2\n") << quiet;
    QTest::newRow("positions in row-major order")
        << QByteArray("a,b,c\r\nd,e,f\r\ng,h,i\r\n") << QByteArray("a,b,C\r\nD,e,f\r\ng,H,i\r\n") << QStringList() << 1
        << QByteArray("差が　3　個あります\n1,3\n2,1\n3,2\n") << quiet;
    QTest::newRow("taller second file: extra rows are not listed")
        << QByteArray("a,b\r\n") << QByteArray("a,X\r\nc,d\r\ne,f\r\n") << QStringList() << 1
        << QByteArray("差が　1　個あります\nサイズに差異があります\n1,2\n") << quiet;
    QTest::newRow("wider first file, common area equal")
        << QByteArray("a,b,c\r\nd,e,f\r\n") << QByteArray("a,b\r\nd,e\r\n") << QStringList() << 1
        << QByteArray("差はありません\nサイズに差異があります\n") << quiet;
    QTest::newRow("Shift-JIS and UTF-8 holding the same text")
        << QByteArray("\x93\xfa\x96\x7b,x\r\n") << QByteArray("日本,x\r\n") << QStringList() << 0
        << QByteArray("差はありません\n") << quiet;
    QTest::newRow("comma mode drops the quotes") << QByteArray("\"x\",y\r\n") << QByteArray("x,y\r\n") << QStringList()
                                                 << 0 << QByteArray("差はありません\n") << quiet;
    QTest::newRow("delimiter mode keeps the quotes")
        << QByteArray("\"x\"|y\r\n") << QByteArray("x|y\r\n") << QStringList{u"--delimiter"_s, u"|"_s} << 1
        << QByteArray("差が　1　個あります\n1,1\n") << quiet;
    QTest::newRow("delimiter mode splits at its own character")
        << QByteArray("p,q|r\r\n") << QByteArray("p,Q|r\r\n") << QStringList{u"--delimiter"_s, u"|"_s} << 1
        << QByteArray("差が　1　個あります\n1,1\n") << quiet;
    QTest::newRow("partly read file is compared")
        << QByteArray("\xEF\xBB\xBF\"a,b\",c,\"\r\n") << QByteArray("x,c\r\n") << QStringList() << 3
        << QByteArray("差が　1　個あります\nサイズに差異があります\n1,1\n")
        << QStringList{u"file1.csv: データを全部読めませんでした\nデータを分けてdiffを行って下さい"_s};
    // Columns lined up by their headings: both files' own columns follow the position.
    const QByteArray priced("code,name,price,qty\r\nA1,pen,100,3\r\nA2,ink,200,5\r\n");
    const QByteArray coloured("code,name,color,price,qty\r\nA1,pen,red,100,3\r\nA2,ink,blue,250,5\r\n");
    QTest::newRow("a column inserted, columns lined up")
        << priced << coloured << QStringList{u"--align-columns"_s} << 1
        << QByteArray("差が　4　個あります\n1,3,,3\n2,3,,3\n3,3,,3\n3,4,3,4\n") << quiet;
    QTest::newRow("a column deleted, then rows lined up")
        << QByteArray("id,memo,name\r\n1,m,a\r\n2,m,b\r\n3,m,c\r\n") << QByteArray("id,name\r\n1,a\r\n3,c\r\n")
        << QStringList{u"--align-columns"_s, u"--align"_s} << 1
        << QByteArray("差が　6　個あります\n1,2,1,1,2,\n2,2,2,2,2,\n3,1,3,,1,1\n3,2,3,,2,\n3,3,3,,3,2\n"
                      "4,2,4,3,2,\n")
        << quiet;
    // Past the limits the stream reads row 1 first and compares through the column map.
    QTest::newRow("columns lined up while read")
        << priced << coloured << QStringList{u"--no-limit"_s, u"--align-columns"_s} << 1
        << QByteArray("差が　4　個あります\n1,3,,3\n2,3,,3\n3,3,,3\n3,4,3,4\n") << quiet;
    QTest::newRow("columns, then rows lined up while read")
        << QByteArray("id,memo,name\r\n1,m,a\r\n2,m,b\r\n3,m,c\r\n") << QByteArray("id,name\r\n1,a\r\n3,c\r\n")
        << QStringList{u"--no-limit"_s, u"--align-columns"_s, u"--align"_s} << 1
        << QByteArray("差が　6　個あります\n1,2,1,1,2,\n2,2,2,2,2,\n3,1,3,,1,1\n3,2,3,,2,\n3,3,3,,3,2\n"
                      "4,2,4,3,2,\n")
        << quiet;
    QTest::newRow("columns lined up by key rows")
        << QByteArray("id,name\r\n1,a\r\n2,b\r\n") << QByteArray("id,x,name\r\n2,q,b\r\n1,q,a\r\n")
        << QStringList{u"--align-columns"_s, u"--key"_s, u"1"_s, u"--header"_s} << 1
        << QByteArray("差が　7　個あります\n1,2,1,1,,2\n2,1,2,,1,1\n2,3,2,,2,3\n3,2,3,2,,2\n4,1,,3,1,1\n4,2,,3,,2\n"
                      "4,3,,3,2,3\n")
        << quiet;
    QTest::newRow("headings sharing little: lined up all the same, and said")
        << QByteArray("a,b,c\r\n1,2,3\r\n") << QByteArray("x,y,c\r\n1,2,3\r\n") << QStringList{u"--align-columns"_s}
        << 1 << QByteArray("差が　8　個あります\n1,1,1,\n1,2,2,\n1,3,,1\n1,4,,2\n2,1,1,\n2,2,2,\n2,3,,1\n2,4,,2\n")
        << QStringList{u"1行目の列見出しは半分も一致しません（1 列が一致）。"_s};
    QTest::newRow("headings sharing little, read as a stream: said all the same")
        << QByteArray("a,b,c\r\n1,2,3\r\n") << QByteArray("x,y,c\r\n1,2,3\r\n")
        << QStringList{u"--no-limit"_s, u"--align-columns"_s, u"--json"_s} << 1
        << QByteArray(
               "{\"differences\": 8, \"sizesDiffer\": false, \"rows\": [3, 3], \"cols\": [6, 6], "
               "\"complete\": [true, true], \"cells\": [\n[1, 1, \"a\", \"\", [1, null]],\n"
               "[1, 2, \"b\", \"\", [2, null]],\n[1, 3, \"\", \"x\", [null, 1]],\n[1, 4, \"\", \"y\", [null, 2]],\n"
               "[2, 1, \"1\", \"\", [1, null]],\n[2, 2, \"2\", \"\", [2, null]],\n[2, 3, \"\", \"1\", [null, 1]],\n"
               "[2, 4, \"\", \"2\", [null, 2]]\n]}\n")
        << QStringList{u"1行目の列見出しは半分も一致しません（1 列が一致）。"_s};
    // Rows past the sheet's last one are not compared: equal up to there is not "no difference".
    QTest::newRow("difference past the rows read")
        << tallFile(40000, 39991, ',') << tallFile(40000, 0, ',') << QStringList() << 3
        << QByteArray("差はありません\n")
        << QStringList{u"file1.csv: データを全部読めませんでした\nデータを分けてdiffを行って下さい\n"
                       u"1〜32766 行目を読み込みました（上限 32766 行、32766 列）。"_s,
                       u"file2.csv: データを全部読めませんでした"_s};
    QTest::newRow("only the second file read in part")
        << tallFile(3, 0, '|') << tallFile(40000, 2, '|') << QStringList{u"--delimiter"_s, u"|"_s} << 3
        << QByteArray("差が　1　個あります\nサイズに差異があります\n2,2\n")
        << QStringList{u"file2.csv: データを全部読めませんでした"_s};
    QTest::newRow("text that cannot be written back is compared")
        << QByteArray("\x85\x40,a\r\n") << QByteArray("\x85\x40,b\r\n") << QStringList() << 1
        << QByteArray("差が　1　個あります\n1,2\n") << QStringList{u"file1.csv: "_s, u"file2.csv: "_s, u"上書き保存"_s};
    QTest::newRow("delimiter outside the BMP")
        << QByteArray("a𠀋b𠀋c\r\n") << QByteArray("a𠀋B𠀋c\r\n") << QStringList{u"--delimiter"_s, u"𠀋"_s} << 1
        << QByteArray("差が　1　個あります\n1,2\n") << quiet;
    QTest::newRow("Shift-JIS file with half a character more")
        << QByteArray("a,\x82\xa0\r\nc,d") << QByteArray("a,\x82\xa0\r\nc,d\x82") << QStringList() << 1
        << QByteArray("差が　1　個あります\n2,2\n") << QStringList{u"file2.csv: "_s, u"上書き保存"_s};
    QTest::newRow("Shift-JIS file with half a character as its last row")
        << QByteArray("a\r\n") << QByteArray("a\r\n\x81") << QStringList() << 1
        << QByteArray("差はありません\nサイズに差異があります\n") << QStringList{u"file2.csv: "_s, u"上書き保存"_s};
    QTest::newRow("first file missing") << none << sheet << QStringList() << 2 << QByteArray()
                                        << QStringList{u"file1.csv: 読み込めません\nファイルが見つかりません"_s};
    QTest::newRow("second file empty") << sheet << QByteArray("") << QStringList{u"--json"_s} << 2 << QByteArray()
                                       << QStringList{u"file2.csv: 空データは読み込みません"_s};
    QTest::newRow("both refused") << none << QByteArray("") << QStringList() << 2 << QByteArray()
                                  << QStringList{u"file1.csv: 読み込めません"_s, u"file2.csv: 空データ"_s};
    const QByteArray shorter("a,1\r\nb,2\r\nc,3\r\n");
    const QByteArray longer("a,1\r\nX,9\r\nb,2\r\nc,4\r\n");
    QTest::newRow("--align lines up an inserted row and names both files' rows")
        << shorter << longer << QStringList{u"--align"_s} << 1
        << QByteArray("差が　3　個あります\n2,1,,2\n2,2,,2\n4,2,3,4\n") << quiet;
    QTest::newRow("--align on identical files")
        << sheet << sheet << QStringList{u"--align"_s} << 0 << QByteArray("差はありません\n") << quiet;
    QTest::newRow("--align with JSON")
        << shorter << longer << QStringList{u"--align"_s, u"--json"_s} << 1
        << QByteArray("{\"differences\": 3, \"sizesDiffer\": false, \"rows\": [5, 5], \"cols\": [3, 3], "
                      "\"complete\": [true, true], \"cells\": [\n[2, 1, \"\", \"X\", [null, 2]],\n"
                      "[2, 2, \"\", \"9\", [null, 2]],\n[4, 2, \"3\", \"4\", [3, 4]]\n]}\n")
        << quiet;
    QTest::newRow("--align that would pass the row limit changes nothing")
        << QByteArray("q,q\r\n") + tallFile(32765, 0, ',') << tallFile(32765, 0, ',') + "z,z\r\n"
        << QStringList{u"--align"_s} << 2 << QByteArray() << QStringList{u"揃えられません"_s};
    // 16375 rows of 2048 columns fill the cell capacity but for one row: the row lining up adds
    // would fit the row limit, yet not the capacity.
    const QByteArray fullRow = QByteArray("a") + QByteArray(2047, ',') + "\r\n";
    QTest::newRow("--align that would pass the cell capacity changes nothing")
        << fullRow.repeated(16375) << QByteArray("z\r\n") + QByteArray("a\r\n").repeated(16375)
        << QStringList{u"--align"_s} << 2 << QByteArray() << QStringList{u"揃えられません"_s};
    // Lining up by key: matched rows face each other however their other cells differ, every
    // other row faces an empty row, and each position names both files' own rows.
    QTest::newRow("--key lines up by key and names both files' rows")
        << QByteArray("1,a\r\n2,b\r\n3,c\r\n") << QByteArray("1,a\r\n3,C\r\n4,d\r\n") << QStringList{u"--key"_s, u"1"_s}
        << 1 << QByteArray("差が　5　個あります\n2,1,2,\n2,2,2,\n3,2,3,2\n4,1,,3\n4,2,,3\n") << quiet;
    QTest::newRow("--key --sort names the rows the files had")
        << QByteArray("3,c\r\n1,a\r\n") << QByteArray("1,a\r\n3,C\r\n") << QStringList{u"--key=1"_s, u"--sort"_s} << 1
        << QByteArray("差が　1　個あります\n2,2,1,2\n") << quiet;
    QTest::newRow("--key --header keeps row 1 facing row 1")
        << QByteArray("id,v\r\n2,b\r\n") << QByteArray("ID,v\r\n2,b\r\n")
        << QStringList{u"--key"_s, u"1"_s, u"--header"_s} << 1 << QByteArray("差が　1　個あります\n1,1,1,1\n") << quiet;
    QTest::newRow("--key with a repeated key says so")
        << QByteArray("1,a\r\n1,b\r\n") << QByteArray("1,a\r\n") << QStringList{u"--key"_s, u"1"_s} << 1
        << QByteArray("差が　2　個あります\n2,1,2,\n2,2,2,\n")
        << QStringList{u"キーが重複している行があります（ファイル１: 2 行, ファイル２: 0 行）"_s};
    QTest::newRow("--key past both files' columns")
        << sheet << sheet << QStringList{u"--key"_s, u"1,4"_s} << 2 << QByteArray()
        << QStringList{u"キー列 4 はどちらのファイルにもありません"_s};
    QTest::newRow("--key with --align") << sheet << sheet << QStringList{u"--key"_s, u"1"_s, u"--align"_s} << 2
                                        << QByteArray() << QStringList{u"--align と --key"_s};
    QTest::newRow("--sort without --key") << sheet << sheet << QStringList{u"--sort"_s} << 2 << QByteArray()
                                          << QStringList{u"--sort は --key と一緒に"_s};
    QTest::newRow("blank delimiter") << sheet << sheet << QStringList{u"--delimiter"_s, u" "_s} << 2 << QByteArray()
                                     << QStringList{u"区切り文字が設定されてません"_s};
    QTest::newRow("unknown option") << sheet << sheet << QStringList{u"--fast"_s} << 2 << QByteArray()
                                    << QStringList{u"--fast"_s, u"使い方"_s};

    // Comparison options: the message gains a line for the cells they made the same, which are
    // listed only on request and never make the exit status 1 on their own.
    const QByteArray cased("Abc,x\r\n");
    const QByteArray lower("abc,y\r\n");
    const QByteArray equivalentLine("ほかに、比較オプションにより同じとみなしたセルが 1 個あります\n");
    QTest::newRow("without options case differs")
        << cased << lower << QStringList() << 1 << QByteArray("差が　2　個あります\n1,1\n1,2\n") << quiet;
    QTest::newRow("--ignore-case") << cased << lower << QStringList{u"--ignore-case"_s} << 1
                                   << QByteArray("差が　1　個あります\n") + equivalentLine + "1,2\n"
                                   << quiet;
    QTest::newRow("--list-equivalent lists them in order")
        << cased << lower << QStringList{u"--ignore-case"_s, u"--list-equivalent"_s} << 1
        << QByteArray("差が　1　個あります\n") + equivalentLine + "1,1,equivalent\n1,2\n"
        << quiet;
    QTest::newRow("only equivalent cells: status 0")
        << QByteArray("ＡＢＣ,１０００\r\n") << QByteArray("ABC,1000\r\n") << QStringList{u"--fold-width"_s} << 0
        << QByteArray("差はありません\nほかに、比較オプションにより同じとみなしたセルが 2 個あります\n") << quiet;
    QTest::newRow("--numeric=TOLERANCE") << QByteArray("10.2,10\r\n") << QByteArray("10.6,11\r\n")
                                         << QStringList{u"--numeric=0.5"_s} << 1
                                         << QByteArray("差が　1　個あります\n") + equivalentLine + "1,2\n"
                                         << quiet;
    QTest::newRow("--skip-columns LIST") << QByteArray("a,b,c,d\r\n") << QByteArray("x,b,y,z\r\n")
                                         << QStringList{u"--skip-columns"_s, u"1, 3-4"_s} << 0
                                         << QByteArray("差はありません\n") << quiet;
    QTest::newRow("--trim --ignore-space --fold-kana --fold-hyphen --nfc together")
        << QByteArray("\xe3\x80\x80\xe3\x81\x8b\xe3\x82\x99 1\xe2\x88\x92"
                      "2,b\r\n")
        << QByteArray("ガ1-2,c\r\n")
        << QStringList{u"--trim"_s, u"--ignore-space"_s, u"--fold-kana"_s, u"--fold-hyphen"_s, u"--nfc"_s} << 1
        << QByteArray("差が　1　個あります\n") + equivalentLine + "1,2\n"
        << quiet;
    QTest::newRow("JSON under options: counts and kinds")
        << cased << lower << QStringList{u"--json"_s, u"--ignore-case"_s, u"--list-equivalent"_s} << 1
        << QByteArray("{\"differences\": 1, \"equivalent\": 1, \"sizesDiffer\": false, \"rows\": [2, 2], "
                      "\"cols\": [3, 3], \"complete\": [true, true], \"cells\": [\n"
                      "[1, 1, \"Abc\", \"abc\", {\"kind\": \"equivalent\"}],\n"
                      "[1, 2, \"x\", \"y\", {\"kind\": \"differs\"}]\n]}\n")
        << quiet;
    QTest::newRow("JSON under options with --explain")
        << cased << lower << QStringList{u"--json"_s, u"--explain"_s, u"--ignore-case"_s} << 1
        << QByteArray("{\"differences\": 1, \"equivalent\": 1, \"sizesDiffer\": false, \"rows\": [2, 2], "
                      "\"cols\": [3, 3], \"complete\": [true, true], \"cells\": [\n"
                      "[1, 2, \"x\", \"y\", {\"kind\": \"differs\", \"spans\": [[0, 1, 0, 1]]}]\n]}\n")
        << quiet;
    QTest::newRow("two systems' exports, options by column")
        << QByteArray("001234,123-4567,2024/4/1,R6.5.10\r\n") << QByteArray("1234,1234567,2024-04-01,2024/5/10\r\n")
        << QStringList{u"--numeric"_s, u"--ignore-digit-separators"_s, u"--dates:3"_s} << 1
        << QByteArray("差が　2　個あります\nほかに、比較オプションにより同じとみなしたセルが 2 個あります\n1,1\n1,4\n")
        << quiet;
    QTest::newRow("JSON names the new rules")
        << QByteArray("1〜2,〒123-4567\r\n") << QByteArray("1～2,1234567\r\n")
        << QStringList{u"--json"_s, u"--explain"_s} << 1
        << QByteArray("{\"differences\": 2, \"sizesDiffer\": false, \"rows\": [2, 2], \"cols\": [3, 3], "
                      "\"complete\": [true, true], \"cells\": [\n"
                      "[1, 1, \"1〜2\", \"1～2\", {\"spans\": [[1, 1, 1, 1]], \"rule\": \"fold-sjis-pairs\"}],\n"
                      "[1, 2, \"〒123-4567\", \"1234567\", {\"spans\": [[0, 1, 0, 0], [4, 1, 3, 0]], "
                      "\"rule\": \"ignore-digit-separators\"}]\n]}\n")
        << quiet;
    QTest::newRow("a bad column list is refused") << cased << lower << QStringList{u"--dates:0"_s} << 2 << QByteArray()
                                                  << QStringList{u"--dates:0 の値が正しくありません"_s};
    QTest::newRow("bad tolerance is refused") << cased << lower << QStringList{u"--numeric=abc"_s} << 2 << QByteArray()
                                              << QStringList{u"--numeric の値が正しくありません: abc"_s};
    QTest::newRow("bad column list is refused")
        << cased << lower << QStringList{u"--skip-columns"_s, u"0"_s} << 2 << QByteArray()
        << QStringList{u"--skip-columns の値が正しくありません: 0"_s};
    QTest::newRow("a flag takes no value") << cased << lower << QStringList{u"--trim=yes"_s} << 2 << QByteArray()
                                           << QStringList{u"--trim の値が正しくありません: yes"_s};
}

void TestRowlarkDiff::diff()
{
    QFETCH(QByteArray, file1);
    QFETCH(QByteArray, file2);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, messages);

    const QString path1 = writeFile(u"file1.csv"_s, file1);
    const QString path2 = writeFile(u"file2.csv"_s, file2);
    const Run result = run(options + QStringList{path1, path2});
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.out, expected);
    if (messages.isEmpty())
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    for (const QString &message : std::as_const(messages))
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
}

void TestRowlarkDiff::diffJson_data()
{
    QTest::addColumn<QByteArray>("file1");
    QTest::addColumn<QByteArray>("file2");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("message"); // what stderr holds; empty: nothing

    QTest::newRow("identical files") << QByteArray("a|b\r\n") << QByteArray("a|b\r\n") << 0
                                     << QByteArray(R"({"differences": 0, "sizesDiffer": false, "rows": [2, 2],
                                        "cols": [3, 3], "complete": [true, true], "cells": []})")
                                     << QString();
    QTest::newRow("texts that need escaping")
        << QByteArray("a\nb|q\"x|back\\slash|日本\t語\r\n\x01|same\r\n")
        << QByteArray("a\nc|q\"y|back\\slash|日本語\r\n\x02|same\r\n") << 1
        << QByteArray(R"({"differences": 4, "sizesDiffer": false, "rows": [3, 3], "cols": [5, 5],
                         "complete": [true, true], "cells": [
                         [1, 1, "a\nb", "a\nc"], [1, 2, "q\"x", "q\"y"], [1, 4, "日本\t語", "日本語"],
                         [2, 1, "\u0001", "\u0002"]]})")
        << QString();
    QTest::newRow("sizes differ in both directions")
        << QByteArray("a|b|c\r\nd|e|f\r\n") << QByteArray("a|B\r\nd|e\r\ng|h\r\n") << 1
        << QByteArray(R"({"differences": 1, "sizesDiffer": true, "rows": [3, 4], "cols": [4, 3],
                         "complete": [true, true], "cells": [[1, 2, "b", "B"]]})")
        << QString();
    QTest::newRow("first file read in part, equal as far as read")
        << tallFile(40000, 39991, '|') << tallFile(32766, 0, '|') << 3
        << QByteArray(R"({"differences": 0, "sizesDiffer": false, "rows": [32767, 32767], "cols": [3, 3],
                         "complete": [false, true], "cells": []})")
        << u"file1.csv: データを全部読めませんでした"_s;
}

void TestRowlarkDiff::diffJson()
{
    QFETCH(QByteArray, file1);
    QFETCH(QByteArray, file2);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, expected);
    QFETCH(QString, message);

    const QString path1 = writeFile(u"file1.csv"_s, file1);
    const QString path2 = writeFile(u"file2.csv"_s, file2);
    const Run result = run({u"--json"_s, u"--delimiter"_s, u"|"_s, path1, path2});
    QCOMPARE(result.exitCode, exitCode);
    if (message.isEmpty())
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    else
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QJsonParseError error;
    const QJsonDocument written = QJsonDocument::fromJson(result.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + u'\n' + result.out));
    const QJsonDocument wanted = QJsonDocument::fromJson(expected);
    QVERIFY(wanted.isObject());
    QCOMPARE(written, wanted);
}

void TestRowlarkDiff::diffJsonExplained_data()
{
    QTest::addColumn<QByteArray>("file1");
    QTest::addColumn<QByteArray>("file2");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("spans and rules") << QByteArray("1-2|１０００|東京|a😀b|abc\r\n")
                                     << QByteArray("1−2|1,000|東京　|a😁b|xbcd\r\n") << QStringList()
                                     << QByteArray(
                                            R"({"differences": 5, "sizesDiffer": false, "rows": [2, 2], "cols": [6, 6],
                         "complete": [true, true], "cells": [
                         [1, 1, "1-2", "1−2", {"spans": [[1, 1, 1, 1]], "rule": "fold-hyphen"}],
                         [1, 2, "１０００", "1,000", {"spans": [[0, 4, 0, 5]], "rule": "numeric"}],
                         [1, 3, "東京", "東京　", {"spans": [[2, 0, 2, 1]], "rule": "trim"}],
                         [1, 4, "a😀b", "a😁b", {"spans": [[1, 1, 1, 1]]}],
                         [1, 5, "abc", "xbcd", {"spans": [[0, 1, 0, 1], [3, 0, 3, 1]]}]]})");
    QTest::newRow("characters after a surrogate pair count once")
        << QByteArray("😀😀x\r\n") << QByteArray("😀😀y\r\n") << QStringList()
        << QByteArray(R"({"differences": 1, "sizesDiffer": false, "rows": [2, 2], "cols": [2, 2],
                         "complete": [true, true], "cells": [[1, 1, "😀😀x", "😀😀y", {"spans": [[2, 1, 2, 1]]}]]})");
    QTest::newRow("after the rows of lining up")
        << QByteArray("z\r\na\r\nガ\r\n") << QByteArray("a\r\nカ\xe3\x82\x99\r\n") << QStringList{u"--align"_s}
        << QByteArray(R"({"differences": 2, "sizesDiffer": false, "rows": [4, 4], "cols": [2, 2],
                         "complete": [true, true], "cells": [[1, 1, "z", "", [1, null], {"spans": [[0, 1, 0, 0]]}],
                         [3, 1, "ガ", "カ\u3099", [3, 2], {"spans": [[0, 1, 0, 2]], "rule": "nfc"}]]})");
}

// --explain adds one object to each listed cell; the rest of the report is as without it.
void TestRowlarkDiff::diffJsonExplained()
{
    QFETCH(QByteArray, file1);
    QFETCH(QByteArray, file2);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, expected);

    const QString path1 = writeFile(u"file1.csv"_s, file1);
    const QString path2 = writeFile(u"file2.csv"_s, file2);
    const Run result
        = run(QStringList{u"--json"_s, u"--explain"_s, u"--delimiter"_s, u"|"_s} + options + QStringList{path1, path2});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    QJsonParseError error;
    const QJsonDocument written = QJsonDocument::fromJson(result.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + u'\n' + result.out));
    const QJsonDocument wanted = QJsonDocument::fromJson(expected);
    QVERIFY(wanted.isObject());
    QCOMPARE(written, wanted);
}

void TestRowlarkDiff::linesUpLargeEdits_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message"); // standard error, trimmed
    // 6000 rows a then 6000 rows b against the halves the other way round: one half is matched,
    // the other faces empty rows in both files.
    const QString repeated = u"キーが重複している行があります（ファイル１: 12000 行, ファイル２: 12000 行）"_s;
    QTest::newRow("--align, streamed") << QStringList{u"--align"_s} << QString();
    QTest::newRow("--align, stored sheets") << QStringList{u"--align"_s, u"--explain"_s} << QString();
    QTest::newRow("--align without limits") << QStringList{u"--align"_s, u"--no-limit"_s} << QString();
    QTest::newRow("--key, streamed") << QStringList{u"--key"_s, u"1"_s} << repeated;
    QTest::newRow("--key, stored sheets") << QStringList{u"--key"_s, u"1"_s, u"--explain"_s} << repeated;
}

void TestRowlarkDiff::linesUpLargeEdits()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    const QString path1 = writeFile(u"file1.csv"_s, twoBlocks("a\r\n", "b\r\n", 6000));
    const QString path2 = writeFile(u"file2.csv"_s, twoBlocks("b\r\n", "a\r\n", 6000));
    const Run result = run(QStringList{u"--json"_s} + options + QStringList{path1, path2});
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.err.trimmed(), message);
    const QJsonObject written = QJsonDocument::fromJson(result.out).object();
    QCOMPARE(written.value(u"differences"_s).toInt(), 12000);
    QCOMPARE(written.value(u"rows"_s).toArray(), (QJsonArray{18001, 18001}));
}

void TestRowlarkDiff::linesUpWithinATolerance_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("stored sheets") << QStringList();
    QTest::newRow("without limits") << QStringList{u"--no-limit"_s};
}

void TestRowlarkDiff::linesUpWithinATolerance()
{
    // 1.0 and 1.2, 10 and 10.4 are the same row within the tolerance, 2 and 2.6 are not: the rows
    // of one hash are told apart by their values, the way they are read notwithstanding.
    QFETCH(QStringList, options);
    const QString path1 = writeFile(u"file1.csv"_s, "1.0,a\r\n2,b\r\n3,c\r\n10,d\r\n");
    const QString path2 = writeFile(u"file2.csv"_s, "x,y\r\n1.2,a\r\n2.6,b\r\n3,c\r\n10.4,d\r\n");
    const Run result = run(options + QStringList{u"--align"_s, u"--numeric=0.5"_s, path1, path2});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    QCOMPARE(result.out,
             QByteArray("差が　3　個あります\n"
                        "ほかに、比較オプションにより同じとみなしたセルが 2 個あります\n"
                        "1,1,,1\n1,2,,1\n3,1,2,3\n"));
}

void TestRowlarkDiff::saysWhenTheLineUpMayNotBeTheLongest()
{
    // So many random rows that the exact search runs out of its budget: rows are still matched,
    // and standard error says that a longer match may exist.
    const QString path1 = writeFile(u"file1.csv"_s, randomRows(90000, 1));
    const QString path2 = writeFile(u"file2.csv"_s, randomRows(90000, 2));
    const Run result = run({u"--json"_s, u"--no-limit"_s, u"--align"_s, path1, path2});
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.err.trimmed(), u"行の対応は最長ではない可能性があります"_s);
    const QJsonObject written = QJsonDocument::fromJson(result.out).object();
    const QJsonArray rows = written.value(u"rows"_s).toArray();
    QCOMPARE(rows.at(0), rows.at(1));
    // Random rows of two kinds share about four in five rows in their longest common sequence:
    // lined up, about a third of the rows differ; row by row, half of them would.
    const int differences = written.value(u"differences"_s).toInt();
    QVERIFY2(differences < 90000 * 2 / 5, qPrintable(QString::number(differences)));
}

void TestRowlarkDiff::explainNeedsJson()
{
    QVERIFY(parseArguments({u"--json"_s, u"--explain"_s, u"a"_s, u"b"_s}).arguments->explain);
    QVERIFY(!parseArguments({u"--json"_s, u"a"_s, u"b"_s}).arguments->explain);
    for (const QStringList &arguments :
         {QStringList{u"--explain"_s, u"a"_s, u"b"_s}, QStringList{u"--dump"_s, u"--explain"_s, u"a"_s}}) {
        const ParsedArguments parsed = parseArguments(arguments);
        QVERIFY(!parsed.arguments);
        QVERIFY2(parsed.error.contains(u"--explain"_s), qPrintable(parsed.error));
    }
}

void TestRowlarkDiff::delimiterMissing_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("compare, empty delimiter") << QStringList{u"--delimiter="_s};
    QTest::newRow("compare, blank delimiter") << QStringList{u"--delimiter"_s, u" "_s};
    QTest::newRow("dump, empty delimiter") << QStringList{u"--dump"_s, u"--delimiter"_s, QString()};
    QTest::newRow("dump, blank delimiter") << QStringList{u"--dump"_s, u"--delimiter= "_s};
}

// A refused delimiter is a matter of the command line: the message names the option to pass, not
// the window's menu.
void TestRowlarkDiff::delimiterMissing()
{
    QFETCH(QStringList, options);
    const QString path = writeFile(u"file.csv"_s, "a,b\r\n");
    QStringList arguments = options;
    arguments << path;
    if (!options.contains(u"--dump"_s))
        arguments << path;
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), u"区切り文字が設定されてません"_s);
    QVERIFY2(lines.at(1).contains(u"--delimiter"_s), qPrintable(lines.at(1)));
    QVERIFY2(!lines.at(1).contains(u"メニュー"_s), qPrintable(lines.at(1)));
}

void TestRowlarkDiff::outputNotWritten_data()
{
    QTest::addColumn<QStringList>("arguments"); // "1" and "2" stand for the two files
    QTest::addColumn<int>("exitCode"); // of the same run into a file that takes everything
    QTest::addColumn<bool>("limited"); // under a file-size limit instead of into /dev/full

    const QList<std::tuple<const char *, QStringList, int>> commands{
        {"dump", {u"--dump"_s, u"1"_s}, 0},
        {"diff with differences", {u"1"_s, u"2"_s}, 1},
        {"diff as JSON", {u"--json"_s, u"1"_s, u"2"_s}, 1},
        {"diff of lined-up rows", {u"--align"_s, u"1"_s, u"2"_s}, 1},
    };
    for (const auto &[name, arguments, exitCode] : commands) {
        QTest::addRow("%s into a full device", name) << arguments << exitCode << false;
        QTest::addRow("%s past the file-size limit", name) << arguments << exitCode << true;
    }
    // Outputs shorter than the limit: only a full device refuses them.
    QTest::newRow("help into a full device") << QStringList{u"--help"_s} << 0 << false;
    QTest::newRow("identical files into a full device") << QStringList{u"1"_s, u"1"_s} << 0 << false;
}

// Output that does not reach its file whole is no success, whichever command wrote it.
void TestRowlarkDiff::outputNotWritten()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(bool, limited);

    static constexpr qint64 kLimit = 4096;
    if (!limited && !QFile::exists(u"/dev/full"_s))
        QSKIP("no /dev/full on this system");
    // Every row of the second file differs in one cell: each command writes far past the limit.
    QByteArray first;
    QByteArray second;
    for (int row = 1; row <= 2000; ++row) {
        first += "row " + QByteArray::number(row) + ",same,first\r\n";
        second += "row " + QByteArray::number(row) + ",same,second\r\n";
    }
    const QString path1 = writeFile(u"file1.csv"_s, first);
    const QString path2 = writeFile(u"file2.csv"_s, second);
    for (QString &argument : arguments) {
        if (argument == u"1")
            argument = path1;
        else if (argument == u"2")
            argument = path2;
    }
    const QString outputPath = m_folder->filePath(u"out"_s);

    QProcess whole;
    whole.setStandardOutputFile(outputPath);
    whole.start(m_program, arguments);
    QVERIFY(whole.waitForFinished(30000));
    QCOMPARE(whole.exitStatus(), QProcess::NormalExit);
    QCOMPARE(whole.exitCode(), exitCode);
    QCOMPARE(whole.readAllStandardError(), QByteArray());
    const qint64 wholeSize = QFileInfo(outputPath).size();
    QVERIFY2(wholeSize > (limited ? kLimit : 0), qPrintable(QString::number(wholeSize)));

    QProcess cut;
    if (limited) {
        cut.setStandardOutputFile(outputPath);
        cut.setChildProcessModifier([] {
            std::signal(SIGXFSZ, SIG_DFL); // as a shell starts it
            const rlimit limit{kLimit, kLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    } else {
        cut.setStandardOutputFile(u"/dev/full"_s);
    }
    cut.start(m_program, arguments);
    QVERIFY(cut.waitForFinished(30000));
    QCOMPARE(cut.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cut.exitCode(), 2);
    QCOMPARE(QString::fromUtf8(cut.readAllStandardError()), u"結果を出力できませんでした\n"_s);
    if (limited)
        QCOMPARE(QFileInfo(outputPath).size(), kLimit);
}

void TestRowlarkDiff::noErrorEscapesTheCommand_data()
{
    QTest::addColumn<int>("thrown");
    QTest::addColumn<QString>("message");
    QTest::newRow("grid error") << 0 << u"（エラー番号 7）"_s;
    QTest::newRow("out of memory") << 1 << u"メモリが不足しています"_s;
    QTest::newRow("standard exception") << 2 << u"エラーが発生したため、処理を中止しました"_s;
    QTest::newRow("anything else") << 3 << u"エラーが発生したため、処理を中止しました"_s;
}

// What main() runs: whatever a command throws becomes a message and exit status 2.
void TestRowlarkDiff::noErrorEscapesTheCommand()
{
    QFETCH(int, thrown);
    QFETCH(QString, message);
    QBuffer err;
    QVERIFY(err.open(QIODevice::WriteOnly));
    const int exitCode = runGuarded(err, [&]() -> int {
        switch (thrown) {
        case 0:
            throw GridError(GridErrorCode::OutOfMemory);
        case 1:
            throw std::bad_alloc();
        case 2:
            throw std::runtime_error("broken");
        default:
            throw 42;
        }
    });
    QCOMPARE(exitCode, kExitTrouble);
    QVERIFY2(QString::fromUtf8(err.data()).contains(message), err.data().constData());
}

// Names are bytes: one that is no UTF-8 still names a file to compare.
void TestRowlarkDiff::fileNamesThatAreNotUtf8()
{
    const QByteArray folder = QFile::encodeName(m_folder->path());
    for (const QByteArray &name : {QByteArray("/bad\xff.csv"), QByteArray("/\x93\xfa\x96\x7b.csv")}) {
        const int descriptor = open((folder + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(descriptor >= 0);
        QCOMPARE(write(descriptor, "a,b\r\n", 5), ssize_t(5));
        close(descriptor);
    }
    const QString ok = writeFile(u"ok.csv"_s, "a,X\r\n");
    // The names go through the shell's printf: a QProcess argument is text, not bytes.
    QProcess process;
    process.start(
        u"/bin/sh"_s,
        {u"-c"_s, u"exec \"$0\" \"$1\" \"$(printf \"$2/bad\\377.csv\")\""_s, m_program, ok, m_folder->path()});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(process.readAllStandardOutput(), QByteArray("差が　1　個あります\n1,2\n"));

    process.start(
        u"/bin/sh"_s,
        {u"-c"_s, u"exec \"$0\" --dump \"$(printf \"$1/\\223\\372\\226\\173.csv\")\""_s, m_program, m_folder->path()});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardOutput().contains("\"a\", \"b\""));
}

void TestRowlarkDiff::refusedFileSaysWhy_data()
{
    QTest::addColumn<QString>("refused"); // "-", or an input or a report in the test folder
    QTest::addColumn<int>("mode"); // of the refused file
    QTest::addColumn<QString>("message");

    QTest::newRow("standard input") << u"-"_s << 0
                                    << u"-: 読み込めません\n標準入力からは読み込めません。ファイル名を指定して下さい"_s;
    QTest::newRow("no read permission") << u"input.csv"_s << 0200
                                        << u"input.csv: 読み込めません\n読み取りの権限がありません"_s;
    QTest::newRow("read-only report") << u"report.html"_s << 0444
                                      << u"report.html: レポートを保存できませんでした\n書き込みの権限がありません"_s;
}

void TestRowlarkDiff::refusedFileSaysWhy()
{
    QFETCH(QString, refused);
    QFETCH(int, mode);
    QFETCH(QString, message);

    // Names relative to the test folder, where the program runs, so that the messages are short.
    QVERIFY(QFile::setPermissions(m_folder->path(), QFileDevice::Permissions(0x7777)));
    writeFile(u"other.csv"_s, "a,b\r\n");
    const QString path = m_folder->filePath(refused);
    QStringList arguments{refused, u"other.csv"_s};
    if (refused != u"-") {
        writeFile(refused, "kept");
        QCOMPARE(chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        if (refused.endsWith(u".html"))
            arguments = QStringList{u"--report"_s, refused, u"other.csv"_s, u"other.csv"_s};
    }
    const Run result = run(arguments, true);
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.err, message + u'\n');
    if (mode == 0444)
        QCOMPARE(readTestFile(path), QByteArray("kept"));
}

// A workbook against a CSV file or another workbook: the sheet chosen by --sheet, --sheet1 and
// --sheet2 or the first visible one, named on standard error when the book has several; a sheet
// that is not there and a damaged book refused with exit 2.
void TestRowlarkDiff::workbooks_data()
{
    QTest::addColumn<QStringList>("arguments"); // book.xlsx: sheets 隠し (hidden), 一, 二; bad.xlsx: damaged
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // the start of standard output
    QTest::addColumn<QString>("err"); // a part of standard error; empty: nothing

    QTest::newRow("first visible sheet against its CSV")
        << QStringList{u"book.xlsx"_s, u"one.csv"_s} << 0 << u"差はありません"_s << u"シート「一」を読みました"_s;
    QTest::newRow("--sheet by name for both files")
        << QStringList{u"--sheet"_s, u"二"_s, u"book.xlsx"_s, u"book.xlsx"_s} << 0 << u"差はありません"_s << QString();
    QTest::newRow("--sheet1 and --sheet2 by number")
        << QStringList{u"--sheet1=2"_s, u"--sheet2=3"_s, u"book.xlsx"_s, u"book.xlsx"_s} << 1
        << u"差が　1　個あります\n1,2\n"_s << QString();
    QTest::newRow("a sheet that is not there")
        << QStringList{u"--sheet2=三"_s, u"one.csv"_s, u"book.xlsx"_s} << 2 << QString()
        << u"book.xlsx: シート「三」はありません（シート: 隠し、一、二）"_s;
    QTest::newRow("damaged book") << QStringList{u"bad.xlsx"_s, u"one.csv"_s} << 2 << QString()
                                  << u"bad.xlsx: ブックを読み込めません（ファイルが壊れています）"_s;
    QTest::newRow("dump names the sheet")
        << QStringList{u"--dump"_s, u"--sheet=二"_s, u"book.xlsx"_s} << 0
        << u"{\"rows\": 2, \"cols\": 3, \"complete\": true, \"encoding\": \"workbook\", \"sheet\": \"二\""_s
        << QString();
}

void TestRowlarkDiff::workbooks()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    TestBook book;
    book.sheets = {{u"隠し"_s, u"<row r=\"1\"><c r=\"A1\"><v>0</v></c></row>"_s, u"hidden"_s, {}},
                   {u"一"_s,
                    u"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c><c r=\"B1\"><v>1.5</v></c></row>"_s,
                    {},
                    {}},
                   {u"二"_s,
                    u"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c><c r=\"B1\"><v>2</v></c></row>"_s,
                    {},
                    {}}};
    QVERIFY(writeTestBook(m_folder->filePath(u"book.xlsx"_s), book));
    QList<ZipEntry> bad = book.entries();
    for (ZipEntry &entry : bad) {
        if (entry.name.startsWith(u"xl/worksheets/"_s))
            entry.data = "<worksheet><sheetData><row>";
    }
    QVERIFY(writeZip(m_folder->filePath(u"bad.xlsx"_s), bad));
    writeFile(u"one.csv"_s, "x,1.5\r\n");

    const Run result = run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(QString::fromUtf8(result.out).startsWith(out), result.out.constData());
    if (err.isEmpty())
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    else
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
}

QTEST_GUILESS_MAIN(TestRowlarkDiff)
#include "tst_rowlarkdiff.moc"
