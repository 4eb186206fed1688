// rowlark-diff: its command line, its JSON, and the built program run on small files.

#include "CliArguments.h"
#include "DumpCommand.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRowlarkDiff : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void arguments_data();
    void arguments();
    void jsonStrings_data();
    void jsonStrings();
    void dump_data();
    void dump();

private:
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

void TestRowlarkDiff::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("dump in the comma mode")
        << QStringList{u"--dump"_s, u"a.csv"_s} << true << 0 << u","_s << QStringList{u"a.csv"_s};
    QTest::newRow("dump with a delimiter") << QStringList{u"--delimiter"_s, u"|"_s, u"--dump"_s, u"a.csv"_s} << true
                                           << 1 << u"|"_s << QStringList{u"a.csv"_s};
    QTest::newRow("delimiter given with =")
        << QStringList{u"--dump"_s, u"--delimiter=\t"_s, u"a.csv"_s} << true << 1 << u"\t"_s << QStringList{u"a.csv"_s};
    QTest::newRow("blank delimiter is left to the reader")
        << QStringList{u"--dump"_s, u"--delimiter"_s, u" "_s, u"a.csv"_s} << true << 1 << u" "_s
        << QStringList{u"a.csv"_s};
    QTest::newRow("file named like an option after --")
        << QStringList{u"--dump"_s, u"--"_s, u"--x.csv"_s} << true << 0 << u","_s << QStringList{u"--x.csv"_s};
    QTest::newRow("delimiter of two characters")
        << QStringList{u"--dump"_s, u"--delimiter"_s, u"ab"_s, u"a"_s} << false << 0 << QString() << QStringList();
    QTest::newRow("delimiter without its value")
        << QStringList{u"--dump"_s, u"a"_s, u"--delimiter"_s} << false << 0 << QString() << QStringList();
    QTest::newRow("unknown option") << QStringList{u"--dump"_s, u"--fast"_s, u"a"_s} << false << 0 << QString()
                                    << QStringList();
    QTest::newRow("dump of two files") << QStringList{u"--dump"_s, u"a"_s, u"b"_s} << false << 0 << QString()
                                       << QStringList();
    QTest::newRow("no command") << QStringList{u"a"_s} << false << 0 << QString() << QStringList();
}

void TestRowlarkDiff::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, accepted);
    QFETCH(int, mode);
    QFETCH(QString, delimiter);
    QFETCH(QStringList, files);

    const ParsedArguments parsed = parseArguments(arguments);
    QCOMPARE(parsed.arguments.has_value(), accepted);
    if (!accepted) {
        QVERIFY(!parsed.error.isEmpty());
        return;
    }
    QCOMPARE(parsed.arguments->command, CliArguments::Command::Dump);
    QCOMPARE(parsed.arguments->delimiterMode, mode);
    QCOMPARE(parsed.arguments->delimiter, delimiter);
    QCOMPARE(parsed.arguments->files, files);
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
    QTest::newRow("partial read") << QByteArray("\xEF\xBB\xBF\"a,b\",c\r\n") << QStringList() << 0
                                  << QByteArray(R"({"rows": 2, "cols": 4, "complete": false, "encoding": "UTF-8-BOM",
                                     "cells": [["", "1列", "2列", "3列"], ["1行", "a,b", "c", ""]]})")
                                  << u"データを全部読めませんでした\nデータを分けてdiffを行って下さい"_s;
    QTest::newRow("text that cannot be written back")
        << QByteArray("\xed\xf9") << QStringList() << 0
        << QByteArray(R"({"rows": 2, "cols": 2, "complete": true, "encoding": "Shift_JIS",
                         "cells": [["", "1列"], ["1行", "\uFA15"]]})")
        << u"上書き保存"_s;
    QTest::newRow("missing file") << QByteArray() << QStringList() << 2 << QByteArray() << u"読み込めません"_s;
    QTest::newRow("blank delimiter") << QByteArray("a") << QStringList{u"--delimiter"_s, u" "_s} << 2 << QByteArray()
                                     << u"区切り文字が設定されてません"_s;
    QTest::newRow("wrong command line") << QByteArray("a") << QStringList{u"--delimiter"_s, u"ab"_s} << 2
                                        << QByteArray() << u"使い方"_s;
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

QTEST_GUILESS_MAIN(TestRowlarkDiff)
#include "tst_rowlarkdiff.moc"
