#include "AppState.h"
#include "HelpCommand.h"
#include "MTSK_KIDOU.h"
#include "RecordingUserInterface.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{
bool touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}
} // namespace

// Opening documents and starting programs, and the Help command built on it.
class TestLaunchDocument : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void launch_data();
    void launch();
    void helpFilePath_data();
    void helpFilePath();
    void helpCommand_data();
    void helpCommand();
    void builtProgramFolderHasTheHelpPage();

private:
    // %P the program folder, %T the folder above it.
    QString expand(const QString &text) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_programFolder;
};

void TestLaunchDocument::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_programFolder = m_dir->filePath(u"bin"_s);
    for (const QString &file : {u"bin/Rowlark.html"_s, u"bin/tool.EXE"_s, u"bin/tool.exe"_s, u"my tools/tool.EXE"_s,
                                u"doc.txt"_s, u"資料 一覧.csv"_s, u"share/readme.txt"_s})
        QVERIFY(touch(m_dir->filePath(file)));
}

void TestLaunchDocument::cleanup()
{
    m_dir.reset();
}

QString TestLaunchDocument::expand(const QString &text) const
{
    QString result = text;
    result.replace(u"%P"_s, m_programFolder);
    result.replace(u"%T"_s, m_dir->path());
    return result;
}

void TestLaunchDocument::launch_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("answer"); // what the desktop answers to an open or a start
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("opened"); // local file handed to the desktop, or empty
    QTest::addColumn<QString>("started"); // command line started, or empty

    QTest::newRow("document by full path") << u"%T/doc.txt"_s << true << 0 << u"%T/doc.txt"_s << QString();
    QTest::newRow("document with blanks and Japanese")
        << u"%T/資料 一覧.csv"_s << true << 0 << u"%T/資料 一覧.csv"_s << QString();
    QTest::newRow("missing document") << u"%T/none.txt"_s << true << 2 << QString() << QString();
    QTest::newRow("desktop cannot open it") << u"%T/doc.txt"_s << false << 2 << u"%T/doc.txt"_s << QString();
    QTest::newRow("bare name lies in the program folder")
        << u"Rowlark.html"_s << true << 0 << u"%P/Rowlark.html"_s << QString();
    QTest::newRow("bare name missing from the program folder") << u"doc.txt"_s << true << 2 << QString() << QString();
    QTest::newRow("parent path from the program folder")
        << u"../share/readme.txt"_s << true << 0 << u"%T/share/readme.txt"_s << QString();
    QTest::newRow("parent path to nothing") << u"../share/none.txt"_s << true << 2 << QString() << QString();
    QTest::newRow("program with arguments")
        << u"%P/tool.EXE --help me"_s << true << 0 << QString() << u"\"%P/tool.EXE\" --help me"_s;
    QTest::newRow("lower-case program name") << u"%P/tool.exe x"_s << true << 0 << QString() << u"\"%P/tool.exe\" x"_s;
    QTest::newRow("program in a folder with a blank")
        << u"%T/my tools/tool.EXE a b"_s << true << 0 << QString() << u"\"%T/my tools/tool.EXE\" a b"_s;
    QTest::newRow("program that does not exist") << u"%P/none.EXE x"_s << true << 2 << QString() << QString();
    QTest::newRow("program that does not start")
        << u"%P/tool.EXE x"_s << false << 2 << QString() << u"\"%P/tool.EXE\" x"_s;
    QTest::newRow("program name without arguments is a document")
        << u"%P/tool.EXE"_s << true << 0 << u"%P/tool.EXE"_s << QString();
    QTest::newRow("empty path") << QString() << true << 2 << QString() << QString();
}

void TestLaunchDocument::launch()
{
    QFETCH(QString, path);
    QFETCH(bool, answer);
    QFETCH(int, status);
    QFETCH(QString, opened);
    QFETCH(QString, started);

    RecordingUserInterface ui;
    ui.openUrlResult = answer;
    ui.startProgramResult = answer;
    QCOMPARE(MTSK_KIDOU::LaunchDocument(ui, m_programFolder, expand(path)), status);

    if (opened.isEmpty()) {
        QVERIFY(ui.openedUrls.isEmpty());
    } else {
        QCOMPARE(ui.openedUrls.size(), 1);
        const QUrl url(ui.openedUrls.first());
        QCOMPARE(url.scheme(), u"file"_s);
        QCOMPARE(url.toLocalFile(), expand(opened));
    }
    QCOMPARE(ui.startedPrograms, started.isEmpty() ? QStringList() : QStringList{expand(started)});
    if (!started.isEmpty()) {
        // Split as the program's side splits it: the program first, whole, then its arguments.
        const QStringList split = QProcess::splitCommand(ui.startedPrograms.first());
        QVERIFY(QFileInfo(split.first()).isFile());
        QCOMPARE(split.mid(1).join(u' '), expand(path).mid(split.first().size() + 1));
    }
    QVERIFY(ui.messages.isEmpty());
}

void TestLaunchDocument::helpFilePath_data()
{
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("beside the program") << true << false << u"%P/Rowlark.html"_s;
    QTest::newRow("installed only") << false << true << u"%T/share/rowlark/Rowlark.html"_s;
    QTest::newRow("both: the program folder wins") << true << true << u"%P/Rowlark.html"_s;
    QTest::newRow("neither: named in the program folder") << false << false << u"%P/Rowlark.html"_s;
}

void TestLaunchDocument::helpFilePath()
{
    QFETCH(bool, beside);
    QFETCH(bool, installed);
    QFETCH(QString, expected);

    if (!beside)
        QVERIFY(QFile::remove(expand(u"%P/Rowlark.html"_s)));
    if (installed)
        QVERIFY(touch(expand(u"%T/share/rowlark/Rowlark.html"_s)));
    QCOMPARE(::helpFilePath(m_programFolder), expand(expected));
}

void TestLaunchDocument::helpCommand_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<bool>("comparing");
    QTest::addColumn<bool>("desktopOpens"); // what the desktop answers to the open

    QTest::newRow("help page present") << true << false << true;
    QTest::newRow("help page gone") << false << false << true;
    QTest::newRow("comparison running") << false << true << true;
    QTest::newRow("no program opens the page") << true << false << false;
}

void TestLaunchDocument::helpCommand()
{
    QFETCH(bool, present);
    QFETCH(bool, comparing);
    QFETCH(bool, desktopOpens);

    if (!present)
        QVERIFY(QFile::remove(expand(u"%P/Rowlark.html"_s)));
    AppState state;
    state.CompareRunning = comparing;
    RecordingUserInterface ui;
    ui.openUrlResult = desktopOpens;
    mnuHelp_Click(state, ui, m_programFolder);

    if (comparing) {
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(ui.openedUrls.isEmpty());
    } else if (present) {
        QCOMPARE(ui.openedUrls.size(), 1);
        QCOMPARE(QUrl(ui.openedUrls.first()).toLocalFile(), expand(u"%P/Rowlark.html"_s));
        if (desktopOpens) {
            QVERIFY(ui.messages.isEmpty());
        } else {
            // The page is named whole, on a line of its own, so that it can be opened by hand.
            QCOMPARE(ui.messages.size(), 1);
            const QStringList lines = ui.messages.first().text.split(u"\r\n"_s);
            QVERIFY(lines.size() >= 2);
            QCOMPARE(lines.last(), expand(u"%P/Rowlark.html"_s));
            QCOMPARE(ui.messages.first().title, u"ヘルプ"_s);
            QCOMPARE(ui.messages.first().icon, MessageIcon::Exclamation);
        }
    } else {
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages.first().text, u"ヘルプファイルがありません"_s);
        QCOMPARE(ui.messages.first().title, u"ヘルプ無し"_s);
        QCOMPARE(ui.messages.first().icon, MessageIcon::None);
        QVERIFY(ui.openedUrls.isEmpty());
    }
}

void TestLaunchDocument::builtProgramFolderHasTheHelpPage()
{
    const QString programFolder = qEnvironmentVariable("ROWLARK_BIN_DIR");
    if (programFolder.isEmpty())
        QSKIP("run through ctest, which names the program folder");
    const QString path = ::helpFilePath(programFolder);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QString page = QString::fromUtf8(file.readAll());
    QVERIFY(page.contains(u"<html lang=\"ja\">"_s));
    QVERIFY(page.contains(u"比較開始"_s));
}

QTEST_GUILESS_MAIN(TestLaunchDocument)
#include "tst_launchdocument.moc"
