#include "AppState.h"
#include "FileSizeLimit.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#ifdef Q_OS_UNIX
#endif

using namespace Qt::StringLiterals;

namespace
{
// The window's design-time placement, whatever it is.
const AppState &freshState()
{
    static const AppState state;
    return state;
}

// What a fresh AppState holds, changed row by row.
struct Expected
{
    double top = freshState().windowTop;
    double left = freshState().windowLeft;
    double height = freshState().windowHeight;
    double width = freshState().windowWidth;
    int savedTop = 0;
    int savedLeft = 0;
    int savedHeight = 0;
    int savedWidth = 0;
    bool undo = true;
    bool doble = false;
    bool headings = false;
    QStringList grep{u""_s, u""_s, u""_s, u""_s, u""_s};
    QStringList tikan{u""_s, u""_s, u""_s, u""_s, u""_s};
    int matchCase = 0;
    int delimiterMode = 0;
    QString delimiter = u"|"_s;
};

QStringList toList(const std::array<QString, 5> &entries)
{
    return QStringList(entries.begin(), entries.end());
}

QByteArray crlf(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

Q_DECLARE_METATYPE(Expected)

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void load_data();
    void load();
    void missingFileKeepsDefaults();
    void pipeIsNotWaitedFor();
    void sampleFileRoundTripsByteForByte();
    void save_data();
    void save();
    void savedValuesReadBackUnchanged();
    void saveCreatesTheFolder();
    void failedSaveLeavesTheOldFile();
    void saveIntoUnusableFolderFails();
    void settingsFileThatIsNoRegularFileIsLeftAlone_data();
    void settingsFileThatIsNoRegularFileIsLeftAlone();
    void settingsFileLivesInTheConfigFolder();
    void menuChecks_data();
    void menuChecks();
    void recentFiles();
    void recentFilesKeptInTheFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestSettings::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(u"Rowlark.ini"_s);
}

void TestSettings::cleanup()
{
    m_dir.reset();
}

void TestSettings::load_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Expected>("expected");

    Expected e;
    e.height = 6000;
    e.width = 9000;
    e.savedTop = 1200;
    e.savedLeft = 1500;
    e.savedHeight = 6000;
    e.savedWidth = 9000;
    QTest::newRow("sample file") << readAll(QFINDTESTDATA("../../data/settings-default-sample.ini")) << e;

    e = {};
    e.undo = false;
    QTest::newRow("UNDO 0 turns undo off") << QByteArray("[UNDO  ]0\r\n") << e;
    QTest::newRow("UNDO without a number turns undo off") << QByteArray("[UNDO  ]on\r\n") << e;
    QTest::newRow("bare UNDO turns undo off") << QByteArray("[UNDO  ]\r\n") << e;
    e = {};
    QTest::newRow("UNDO 2 keeps undo on") << QByteArray("[UNDO  ]2\r\n") << e;
    QTest::newRow("UNDO 0.5 keeps undo on") << QByteArray("[UNDO  ]0.5\r\n") << e;

    e = {};
    e.doble = true;
    QTest::newRow("DOBLE 1 turns quotes on") << QByteArray("[DOBLE ]1\r\n") << e;
    QTest::newRow("DOBLE 1 after blanks and before text") << QByteArray("[DOBLE ]  1x\r\n") << e;
    e = {};
    QTest::newRow("DOBLE 2 leaves quotes off") << QByteArray("[DOBLE ]2\r\n") << e;
    QTest::newRow("DOBLE 10 leaves quotes off") << QByteArray("[DOBLE ]10\r\n") << e;
    e.headings = true;
    QTest::newRow("MIDASI 1 shows the headings") << QByteArray("[MIDASI]1\r\n") << e;
    e = {};

    e = {};
    e.delimiterMode = 1;
    QTest::newRow("KUKAN1 10 reads as 1") << QByteArray("[KUKAN1]10\r\n") << e;
    e = {};
    QTest::newRow("KUKAN1 with a blank first reads as 0") << QByteArray("[KUKAN1] 1\r\n") << e;
    e.matchCase = 1;
    QTest::newRow("KUBUN takes the 9th character alone") << QByteArray("[KUBUN ]19\r\n") << e;
    e.matchCase = 0;
    QTest::newRow("KUBUN minus sign reads as 0") << QByteArray("[KUBUN ]-1\r\n") << e;

    e = {};
    e.delimiter = QString();
    QTest::newRow("bare KUKAN2 gives an empty delimiter") << QByteArray("[KUKAN2]\r\n") << e;
    e.delimiter = u" ;; "_s;
    QTest::newRow("KUKAN2 takes all of the value") << QByteArray("[KUKAN2] ;; \r\n") << e;
    e.delimiter = u"\t"_s;
    QTest::newRow("KUKAN2 TAB") << QByteArray("[KUKAN2]\t\r\n") << e;
    e.delimiter = u";"_s;
    QTest::newRow("last line without a line end") << QByteArray("[KUKAN2];") << e;

    e = {};
    e.top = 1234.5;
    e.savedTop = 1234;
    e.left = -1235.5;
    e.savedLeft = -1236;
    QTest::newRow("placement with a fraction and trailing text")
        << QByteArray("[TOP   ]1234.5px\r\n[LEFT  ] -1235.5\r\n") << e;
    e = {};
    e.savedHeight = int(freshState().windowHeight);
    e.savedWidth = int(freshState().windowWidth);
    QTest::newRow("zero size keeps the window's size") << QByteArray("[HEIGHT]0\r\n[WIDTH ]abc\r\n") << e;
    e = {};
    e.undo = false;
    QTest::newRow("number beyond 32 bits stops reading")
        << QByteArray("[UNDO  ]0\r\n[TOP   ]1e12\r\n[DOBLE ]1\r\n") << e;
    QTest::newRow("number too large to hold stops reading")
        << QByteArray("[KUKAN1]1\r\n[UNDO  ]0\r\n[DOBLE ]1e999\r\n[KUKAN2];\r\n[UNDO  ]2\r\n") << [] {
               Expected stopped;
               stopped.undo = false;
               stopped.delimiterMode = 1;
               return stopped;
           }();

    e = {};
    e.grep = QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("sixth GREP stops reading") << crlf({u"[GREP  ]a"_s, u"[GREP  ]b"_s, u"[GREP  ]c"_s, u"[GREP  ]d"_s,
                                                       u"[GREP  ]e"_s, u"[GREP  ]f"_s, u"[KUKAN1]1"_s, u"[UNDO  ]0"_s})
                                              << e;
    e = {};
    e.tikan = QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("sixth TIKAN stops reading") << crlf({u"[TIKAN ]a"_s, u"[TIKAN ]b"_s, u"[TIKAN ]c"_s, u"[TIKAN ]d"_s,
                                                        u"[TIKAN ]e"_s, u"[TIKAN ]f"_s, u"[KUKAN2];"_s})
                                               << e;

    e = {};
    e.grep = QStringList{u" a "_s, u""_s, u"検索 テスト"_s, u""_s, u""_s};
    e.tikan = QStringList{u"x"_s, u""_s, u""_s, u""_s, u""_s};
    QTest::newRow("histories fill in order and keep blanks")
        << crlf({u"[GREP  ] a "_s, u"[TIKAN ]x"_s, u"[GREP  ]"_s, u"[GREP  ]検索 テスト"_s}) << e;

    e = {};
    e.top = 300;
    e.savedTop = 300;
    e.delimiterMode = 1;
    e.delimiter = u";"_s;
    QTest::newRow("lines in any order") << crlf({u"[KUKAN2];"_s, u"[KUKAN1]1"_s, u"[TOP   ]300"_s}) << e;
    QTest::newRow("LF line ends") << QByteArray("[KUKAN2];\n[KUKAN1]1\n[TOP   ]300\n") << e;
    QTest::newRow("lone CR line ends") << QByteArray("[KUKAN2];\r[KUKAN1]1\r[TOP   ]300\r") << e;
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF[KUKAN2];\r\n[KUKAN1]1\r\n[TOP   ]300\r\n") << e;

    e = {};
    e.delimiterMode = 1;
    QTest::newRow("short, unknown and lower-case lines are skipped")
        << crlf({u"[TOP]"_s, u""_s, u"[top   ]5"_s, u"[TOP    ]7"_s, u"[UNDO ]0"_s, u"[KUKAN1]1"_s}) << e;

    e = {};
    e.grep = QStringList{u"検索"_s, u""_s, u""_s, u""_s, u""_s};
    QTest::newRow("Shift-JIS file") << QByteArray("[GREP  ]\x8C\x9F\x8D\xF5\r\n") << e;
}

void TestSettings::load()
{
    QFETCH(QByteArray, content);
    QFETCH(Expected, expected);
    QVERIFY(!content.isEmpty());
    QVERIFY(writeAll(m_path, content));

    AppState state;
    LoadSettings(state, m_path);

    QCOMPARE(state.windowTop, expected.top);
    QCOMPARE(state.windowLeft, expected.left);
    QCOMPARE(state.windowHeight, expected.height);
    QCOMPARE(state.windowWidth, expected.width);
    QCOMPARE(state.SavedTop, expected.savedTop);
    QCOMPARE(state.SavedLeft, expected.savedLeft);
    QCOMPARE(state.SavedHeight, expected.savedHeight);
    QCOMPARE(state.SavedWidth, expected.savedWidth);
    QCOMPARE(state.mnuUndoChecked, expected.undo);
    QCOMPARE(state.mnuDobleChecked, expected.doble);
    QCOMPARE(state.mnuHeadingCaptionsChecked, expected.headings);
    QCOMPARE(toList(state.SearchHistory), expected.grep);
    QCOMPARE(toList(state.ReplaceHistory), expected.tikan);
    QCOMPARE(state.MatchCaseSetting, expected.matchCase);
    QCOMPARE(state.DelimiterMode, expected.delimiterMode);
    QCOMPARE(state.UserDelimiter, expected.delimiter);
}

void TestSettings::missingFileKeepsDefaults()
{
    AppState state;
    state.DelimiterMode = 1;
    state.UserDelimiter = u";"_s;
    LoadSettings(state, m_dir->filePath(u"none/Rowlark.ini"_s));

    QCOMPARE(state.DelimiterMode, 0);
    QCOMPARE(state.UserDelimiter, u"|"_s);
    QVERIFY(state.mnuUndoChecked);
    QVERIFY(!state.mnuDobleChecked);
    QCOMPARE(state.windowTop, freshState().windowTop);
    QCOMPARE(state.windowHeight, freshState().windowHeight);
    QCOMPARE(state.SavedHeight, 0);
}

void TestSettings::pipeIsNotWaitedFor()
{
    const QByteArray fifo = QFile::encodeName(m_path);
    QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
    AppState state;
    state.DelimiterMode = 1;
    auto loading = std::async(std::launch::async, [&state, this] { LoadSettings(state, m_path); });
    const bool returned = loading.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!returned) {
        // A reader waiting for a writer is let go by one that opens and closes the pipe.
        const int writer = open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            close(writer);
        loading.wait();
    }
    QVERIFY2(returned, "reading the settings waited for a writer of the pipe");
    QCOMPARE(state.DelimiterMode, 0); // read as a missing file
}

void TestSettings::sampleFileRoundTripsByteForByte()
{
    const QByteArray sample = readAll(QFINDTESTDATA("../../data/settings-default-sample.ini"));
    QVERIFY(sample.endsWith("[KUKAN2]|\r\n"));
    QVERIFY(writeAll(m_path, sample));

    AppState state;
    LoadSettings(state, m_path);
    const QString copy = m_dir->filePath(u"copy.ini"_s);
    QVERIFY(SaveSettings(state, copy));
    QCOMPARE(readAll(copy), sample);
}

void TestSettings::save_data()
{
    QTest::addColumn<int>("row"); // which state to build
    QTest::addColumn<QByteArray>("expected");

    const QStringList defaultsTail{u"[UNDO  ]1"_s, u"[DOBLE ]0"_s, u"[GREP  ]"_s,  u"[GREP  ]"_s,  u"[GREP  ]"_s,
                                   u"[GREP  ]"_s,  u"[GREP  ]"_s,  u"[TIKAN ]"_s,  u"[TIKAN ]"_s,  u"[TIKAN ]"_s,
                                   u"[TIKAN ]"_s,  u"[TIKAN ]"_s,  u"[KUBUN ]0"_s, u"[KUKAN1]0"_s, u"[KUKAN2]|"_s};

    QTest::newRow("maximised writes the placement read at start")
        << 0
        << crlf(QStringList{u"[TOP   ]100"_s, u"[LEFT  ]200"_s, u"[HEIGHT]3000"_s, u"[WIDTH ]4000"_s} + defaultsTail);
    QTest::newRow("minimised writes the placement read at start")
        << 1
        << crlf(QStringList{u"[TOP   ]100"_s, u"[LEFT  ]200"_s, u"[HEIGHT]3000"_s, u"[WIDTH ]4000"_s} + defaultsTail);
    QTest::newRow("numbers in shortest form")
        << 2
        << crlf(QStringList{u"[TOP   ]1234.5"_s, u"[LEFT  ]-120"_s, u"[HEIGHT]10000000"_s, u"[WIDTH ]0.25"_s}
                + defaultsTail);
    QTest::newRow("options, histories and delimiter")
        << 3
        << crlf({u"[TOP   ]1200"_s, u"[LEFT  ]1500"_s, u"[HEIGHT]6000"_s, u"[WIDTH ]9000"_s, u"[UNDO  ]0"_s,
                 u"[DOBLE ]1"_s, u"[GREP  ] a b "_s, u"[GREP  ]"_s, u"[GREP  ]検索"_s, u"[GREP  ]"_s, u"[GREP  ]last"_s,
                 u"[TIKAN ]two  lines"_s, u"[TIKAN ]"_s, u"[TIKAN ]"_s, u"[TIKAN ]"_s, u"[TIKAN ]置換"_s,
                 u"[KUBUN ]1"_s, u"[KUKAN1]1"_s, u"[KUKAN2]\t"_s});
}

void TestSettings::save()
{
    QFETCH(int, row);
    QFETCH(QByteArray, expected);

    AppState state;
    state.SavedTop = 100;
    state.SavedLeft = 200;
    state.SavedHeight = 3000;
    state.SavedWidth = 4000;
    switch (row) {
    case 0:
        state.windowShowState = WindowShowState::Maximized;
        break;
    case 1:
        state.windowShowState = WindowShowState::Minimized;
        break;
    case 2:
        state.windowTop = 1234.5;
        state.windowLeft = -120;
        state.windowHeight = 1e7;
        state.windowWidth = 0.25;
        break;
    case 3:
        state.windowTop = 1200;
        state.windowLeft = 1500;
        state.windowHeight = 6000;
        state.windowWidth = 9000;
        state.mnuUndoChecked = false;
        state.mnuDobleChecked = true;
        state.SearchHistory = {u" a b "_s, u""_s, u"検索"_s, u""_s, u"last"_s};
        state.ReplaceHistory = {u"two\r\nlines"_s, u""_s, u""_s, u""_s, u"置換"_s};
        state.MatchCaseSetting = 1;
        state.DelimiterMode = 1;
        state.UserDelimiter = u"\t"_s;
        break;
    }
    QVERIFY(SaveSettings(state, m_path));
    QCOMPARE(readAll(m_path), expected);
}

void TestSettings::savedValuesReadBackUnchanged()
{
    AppState state;
    state.windowTop = -75.5;
    state.windowLeft = 30;
    state.windowHeight = 5000;
    state.windowWidth = 8000;
    state.mnuUndoChecked = false;
    state.mnuDobleChecked = true;
    state.mnuHeadingCaptionsChecked = true;
    state.SearchHistory = {u"一"_s, u" 二 "_s, u""_s, u"[GREP  ]"_s, u"五"_s};
    state.ReplaceHistory = {u""_s, u""_s, u"ｶﾅ"_s, u""_s, u"\t"_s};
    state.MatchCaseSetting = 1;
    state.DelimiterMode = 1;
    state.UserDelimiter = u"、"_s;
    state.LastOpenFolder = u"/tmp/月次 データ"_s;
    QVERIFY(SaveSettings(state, m_path));

    AppState read;
    LoadSettings(read, m_path);
    QCOMPARE(read.windowTop, -75.5);
    QCOMPARE(read.SavedTop, -76);
    QCOMPARE(read.windowLeft, 30.0);
    QCOMPARE(read.windowHeight, 5000.0);
    QCOMPARE(read.windowWidth, 8000.0);
    QCOMPARE(read.mnuUndoChecked, false);
    QCOMPARE(read.mnuDobleChecked, true);
    QCOMPARE(read.mnuHeadingCaptionsChecked, true);
    QCOMPARE(toList(read.SearchHistory), toList(state.SearchHistory));
    QCOMPARE(toList(read.ReplaceHistory), toList(state.ReplaceHistory));
    QCOMPARE(read.MatchCaseSetting, 1);
    QCOMPARE(read.DelimiterMode, 1);
    QCOMPARE(read.UserDelimiter, u"、"_s);
    QCOMPARE(read.LastOpenFolder, state.LastOpenFolder);
}

void TestSettings::saveCreatesTheFolder()
{
    const QString path = m_dir->filePath(u"config/Rowlark/Rowlark.ini"_s);
    AppState state;
    QVERIFY(SaveSettings(state, path));
    QVERIFY(readAll(path).startsWith("[TOP   ]1200\r\n"));
}

void TestSettings::failedSaveLeavesTheOldFile()
{
#ifdef Q_OS_UNIX
    const QByteArray old = readAll(QFINDTESTDATA("../../data/settings-default-sample.ini"));
    QVERIFY(writeAll(m_path, old));
    AppState state;
    state.SearchHistory[0] = QString(400, u'x'); // more than the limit below lets through

    // A file-size limit makes the write stop part way, as a full disk would.
    bool ok = true;
    {
        const FileSizeLimit limit(256);
        QVERIFY(limit.isActive());
        ok = SaveSettings(state, m_path);
    }

    QVERIFY(!ok);
    QCOMPARE(readAll(m_path), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"Rowlark.ini"_s});
#else
    QSKIP("needs a file-size limit");
#endif
}

void TestSettings::saveIntoUnusableFolderFails()
{
    // The folder of the file is a plain file: nothing can be created there.
    const QString blocker = m_dir->filePath(u"blocker"_s);
    QVERIFY(writeAll(blocker, "x"));
    AppState state;
    QVERIFY(!SaveSettings(state, blocker + u"/Rowlark.ini"_s));
    QVERIFY(!SaveSettings(state, QString()));
    QCOMPARE(readAll(blocker), QByteArray("x"));
}

void TestSettings::settingsFileThatIsNoRegularFileIsLeftAlone_data()
{
    QTest::addColumn<bool>("device"); // a character device instead of a pipe
    QTest::addColumn<bool>("linked"); // reached through a symbolic link

    QTest::newRow("settings file that is a pipe") << false << false;
    QTest::newRow("settings file linked to a character device") << true << true;
}

void TestSettings::settingsFileThatIsNoRegularFileIsLeftAlone()
{
    QFETCH(bool, device);
    QFETCH(bool, linked);

    const QString node = m_dir->filePath(u"node"_s);
    const QByteArray nodeName = QFile::encodeName(node);
    if (device) {
        // A node of its own in the test's folder, with the numbers of the null device.
        if (mknod(nodeName.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("creating a device node needs root (CAP_MKNOD)");
    } else {
        QCOMPARE(mkfifo(nodeName.constData(), 0600), 0);
    }
    QString path = node;
    if (linked) {
        path = m_dir->filePath(u"link"_s);
        QVERIFY(QFile::link(node, path));
    }
    QVERIFY(!SaveSettings(AppState(), path));
    struct stat info = {};
    QCOMPARE(lstat(nodeName.constData(), &info), 0);
    QCOMPARE(info.st_mode & S_IFMT, device ? mode_t(S_IFCHR) : mode_t(S_IFIFO));
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files | QDir::NoSymLinks).isEmpty()); // no temporary file left
}

void TestSettings::settingsFileLivesInTheConfigFolder()
{
    const QString path = settingsFilePath();
    QCOMPARE(path, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u"/Rowlark.ini"_s);
    // Test mode keeps the real user's file out of reach.
    QVERIFY(path.contains(u".qttest"_s));
}

void TestSettings::menuChecks_data()
{
    QTest::addColumn<bool>("compareRunning");
    QTest::addColumn<bool>("undoAfter");
    QTest::addColumn<bool>("dobleAfter");

    QTest::newRow("idle: both flip") << false << false << true;
    QTest::newRow("comparing: nothing changes") << true << true << false;
}

void TestSettings::menuChecks()
{
    QFETCH(bool, compareRunning);
    QFETCH(bool, undoAfter);
    QFETCH(bool, dobleAfter);

    AppState state;
    state.CompareRunning = compareRunning;
    mnuUndo_Click(state);
    mnuDoble_Click(state);
    mnuHeadingCaptions_Click(state);
    QCOMPARE(state.mnuUndoChecked, undoAfter);
    QCOMPARE(state.mnuDobleChecked, dobleAfter);
    QCOMPARE(state.mnuHeadingCaptionsChecked, dobleAfter);
    if (!compareRunning) {
        mnuUndo_Click(state);
        mnuDoble_Click(state);
        QCOMPARE(state.mnuUndoChecked, true);
        QCOMPARE(state.mnuDobleChecked, false);
    }
}

void TestSettings::recentFiles()
{
    // Most recent first, each file once, whatever its spelling; the eight per side below.
    RecentFiles recent;
    for (const QString &path : {u"/a"_s, u"/b"_s, u"/./y/../a"_s, u"/b"_s})
        recent.add(1, path);
    QCOMPARE(recent.files(1), (QStringList{u"/b"_s, u"/a"_s}));
}

// After the existing keys, eight per side, most recent first; a hand-edited file's repeats are
// left out, and a line the reading stops at keeps what came before.
void TestSettings::recentFilesKeptInTheFile()
{
    const QString &path = m_path;
    AppState state;
    state.LastOpenFolder = u"/d"_s;
    for (int i = 1; i <= 9; ++i)
        state.recentFiles.add(0, u"/d/%1"_s.arg(i));
    state.recentFiles.add(1, u"/その他/b&c.csv"_s);
    QVERIFY(SaveSettings(state, path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.readAll().endsWith("[FOLDER]/d\r\n[RECNT1]/d/9\r\n[RECNT1]/d/8\r\n[RECNT1]/d/7\r\n[RECNT1]/d/6\r\n"
                                    "[RECNT1]/d/5\r\n[RECNT1]/d/4\r\n[RECNT1]/d/3\r\n[RECNT1]/d/2\r\n"
                                    "[RECNT2]/その他/b&c.csv\r\n"));
    file.write("[RECNT2]/d/2\r\n[RECNT2]/その他/b&c.csv\r\n[RECNT2]\r\n[TOP   ]1e999\r\n[RECNT2]/late\r\n");
    file.close();

    AppState again;
    LoadSettings(again, path);
    QCOMPARE(again.recentFiles.files(0), state.recentFiles.files(0));
    QCOMPARE(again.recentFiles.files(1), (QStringList{u"/その他/b&c.csv"_s, u"/d/2"_s}));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
