// Replacing a file: what may stand behind its name, what the new file keeps of the old one, and
// the programs under a file-size limit.

#include "NativePath.h"
#include "SafeFileWriter.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{
QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// The file type bits of what a name itself is (a link is a link).
mode_t typeOf(const QString &path)
{
    struct stat info = {};
    if (lstat(native(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & S_IFMT;
}

QString programPath(const QString &name)
{
    return qEnvironmentVariable("ROWLARK_BIN_DIR") + u'/' + name;
}
} // namespace

class TestSafeFileWriter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void refusesWhatIsNoRegularFile_data();
    void refusesWhatIsNoRegularFile();
    void writesThroughLinkToRegularFile();
    void keepsModeGroupAndExtendedAttributes();
    void keepsModeAndOwnerExactly_data();
    void keepsModeAndOwnerExactly();
    void everyHardLinkSeesTheNewContent();
    void nameThatIsNotUtf8();
    void companionSurvivesFileSizeLimit();
    void windowIgnoresFileSizeSignal();
    void longestNamesAreWritten_data();
    void longestNamesAreWritten();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSafeFileWriter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestSafeFileWriter::cleanup()
{
    m_dir.reset();
}

void TestSafeFileWriter::refusesWhatIsNoRegularFile_data()
{
    QTest::addColumn<QString>("node"); // "fifo", "device" (a character device) or "folder"
    QTest::addColumn<int>("links"); // symbolic links in front of it

    QTest::newRow("pipe") << u"fifo"_s << 0;
    QTest::newRow("link to a pipe") << u"fifo"_s << 1;
    QTest::newRow("link to a link to a pipe") << u"fifo"_s << 2;
    QTest::newRow("character device") << u"device"_s << 0;
    QTest::newRow("link to a character device") << u"device"_s << 1;
    QTest::newRow("link to a folder") << u"folder"_s << 1;
}

void TestSafeFileWriter::refusesWhatIsNoRegularFile()
{
    QFETCH(QString, node);
    QFETCH(int, links);

    const QString nodePath = m_dir->filePath(u"node"_s);
    mode_t type = 0;
    if (node == u"fifo") {
        QCOMPARE(mkfifo(native(nodePath).constData(), 0600), 0);
        type = S_IFIFO;
    } else if (node == u"device") {
        // A node of its own in the test's folder, with the numbers of the null device.
        if (mknod(native(nodePath).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("creating a device node needs root (CAP_MKNOD)");
        type = S_IFCHR;
    } else {
        QVERIFY(QDir().mkdir(nodePath));
        type = S_IFDIR;
    }
    QString path = nodePath;
    for (int i = 0; i < links; ++i) {
        const QString link = m_dir->filePath(u"link%1"_s.arg(i));
        QVERIFY(QFile::link(path, link));
        path = link;
    }

    QCOMPARE(SafeFileWriter::replace(path, "new bytes\r\n"), SafeFileWriter::Outcome::NotRegularFile);
    QCOMPARE(typeOf(nodePath), type);
    if (links > 0)
        QCOMPARE(typeOf(path), mode_t(S_IFLNK));
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files | QDir::NoSymLinks).isEmpty()); // no temporary file left
}

void TestSafeFileWriter::writesThroughLinkToRegularFile()
{
    const QString file = writeTestFile(*m_dir, u"file.csv"_s, "old\r\n");
    const QString link = m_dir->filePath(u"link.csv"_s);
    QVERIFY(QFile::link(file, link));
    const QString fresh = m_dir->filePath(u"fresh.csv"_s);

    QCOMPARE(SafeFileWriter::replace(link, "new\r\n"), SafeFileWriter::Outcome::Written);
    QCOMPARE(SafeFileWriter::replace(fresh, "fresh\r\n"), SafeFileWriter::Outcome::Written);
    QCOMPARE(typeOf(link), mode_t(S_IFLNK));
    QCOMPARE(readTestFile(file), QByteArray("new\r\n"));
    QCOMPARE(readTestFile(fresh), QByteArray("fresh\r\n"));
}

void TestSafeFileWriter::keepsModeGroupAndExtendedAttributes()
{
    const QString path = writeTestFile(*m_dir, u"kept.csv"_s, "old\r\n");
    const QByteArray file = native(path);

    // A group other than the one a new file of this process gets.
    std::optional<gid_t> group;
    if (geteuid() == 0) {
        group = gid_t(getegid() + 4242);
    } else {
        gid_t groups[256];
        const int count = getgroups(256, groups);
        for (int i = 0; i < count && !group; ++i) {
            if (groups[i] != getegid())
                group = groups[i];
        }
    }
    if (group)
        QCOMPARE(chown(file.constData(), uid_t(-1), *group), 0);

    const QByteArray name("user.rowlark.test");
    const QByteArray value("kept value");
    const bool attributes
        = setxattr(file.constData(), name.constData(), value.constData(), size_t(value.size()), 0) == 0;

    // A mode that neither a new file nor the temporary file would get.
    QCOMPARE(chmod(file.constData(), 0604), 0);

    QCOMPARE(SafeFileWriter::replace(path, "new\r\n"), SafeFileWriter::Outcome::Written);
    QCOMPARE(readTestFile(path), QByteArray("new\r\n"));
    struct stat info = {};
    QCOMPARE(stat(file.constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0604));
    if (!group && !attributes)
        QSKIP("mode kept; the group and attributes need a second group of this user or root, or user extended "
              "attributes in the temporary folder");
    if (group)
        QCOMPARE(info.st_gid, *group);
    if (attributes) {
        char read[64] = {};
        const ssize_t length = getxattr(file.constData(), name.constData(), read, sizeof read);
        QCOMPARE(QByteArray(read, int(std::max<ssize_t>(length, 0))), value);
    }
}

void TestSafeFileWriter::keepsModeAndOwnerExactly_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("byNobody"); // owned by the user nobody and its group

    QTest::newRow("read-only for everyone") << 0444 << false;
    QTest::newRow("readable by its owner alone") << 0400 << false;
    QTest::newRow("another user's file") << 0640 << true;
    QTest::newRow("another user's read-only file") << 0400 << true;
}

// Root may write any file; what it writes must stay the file its owner had.
void TestSafeFileWriter::keepsModeAndOwnerExactly()
{
    QFETCH(int, mode);
    QFETCH(bool, byNobody);

    const QString path = writeTestFile(*m_dir, u"owned.csv"_s, "old\r\n");
    const QByteArray file = native(path);
    struct stat before = {};
    QCOMPARE(stat(file.constData(), &before), 0);
    if (byNobody) {
        const passwd *nobody = getpwnam("nobody");
        if (geteuid() != 0 || nobody == nullptr)
            QSKIP("giving a file to another user needs root and a user nobody");
        QCOMPARE(chown(file.constData(), nobody->pw_uid, nobody->pw_gid), 0);
        QCOMPARE(stat(file.constData(), &before), 0);
    }
    QCOMPARE(chmod(file.constData(), mode_t(mode)), 0);
    if (access(file.constData(), W_OK) != 0)
        QSKIP("only root may replace a read-only file");

    QCOMPARE(SafeFileWriter::replace(path, "new\r\n"), SafeFileWriter::Outcome::Written);
    QCOMPARE(readTestFile(path), QByteArray("new\r\n"));
    struct stat after = {};
    QCOMPARE(stat(file.constData(), &after), 0);
    QCOMPARE(after.st_mode & 07777, mode_t(mode));
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
}

void TestSafeFileWriter::everyHardLinkSeesTheNewContent()
{
    const QString path = writeTestFile(*m_dir, u"first.csv"_s, "old\r\n");
    const QString second = m_dir->filePath(u"second.csv"_s);
    QCOMPARE(link(native(path).constData(), native(second).constData()), 0);

    QCOMPARE(SafeFileWriter::replace(path, "new, longer\r\n"), SafeFileWriter::Outcome::Written);
    QCOMPARE(readTestFile(path), QByteArray("new, longer\r\n"));
    QCOMPARE(readTestFile(second), QByteArray("new, longer\r\n"));
    struct stat info = {};
    QCOMPARE(stat(native(path).constData(), &info), 0);
    QCOMPARE(info.st_nlink, nlink_t(2));
    // Nothing is left beside the file: the copy through the temporary file is done.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
}

// A name the system holds as bytes that are no UTF-8 is written under exactly those bytes.
void TestSafeFileWriter::nameThatIsNotUtf8()
{
    const QByteArray bytes = QFile::encodeName(m_dir->path()) + "/bad\xff\x82.csv";
    const int descriptor = open(bytes.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(descriptor >= 0);
    QCOMPARE(write(descriptor, "old\r\n", 5), ssize_t(5));
    close(descriptor);

    const QString path = pathFromNative(bytes);
    QCOMPARE(nativePath(path), bytes);
    QCOMPARE(SafeFileWriter::replace(path, "new\r\n"), SafeFileWriter::Outcome::Written);
    char read[16] = {};
    const int again = open(bytes.constData(), O_RDONLY);
    QVERIFY(again >= 0);
    QCOMPARE(QByteArray(read, int(::read(again, read, sizeof read))), QByteArray("new\r\n"));
    close(again);
}

void TestSafeFileWriter::companionSurvivesFileSizeLimit()
{
    // A dump far larger than the limit its output file may reach.
    QByteArray input;
    for (int r = 0; r < 2000; ++r)
        input += "a row of the input long enough,to pass the limit\r\n";
    const QString inputPath = writeTestFile(*m_dir, u"input.csv"_s, input);
    const QString outputPath = m_dir->filePath(u"dump.json"_s);

    QProcess process;
    process.setProgram(programPath(u"rowlark-diff"_s));
    process.setArguments({u"--dump"_s, inputPath});
    process.setStandardOutputFile(outputPath);
    process.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_DFL); // as a shell starts it
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start();
    QVERIFY2(process.waitForFinished(30000), qPrintable(process.errorString()));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY(QFileInfo(outputPath).size() <= 4096);
    // A dump cut short is a failure, and says so.
    QCOMPARE(process.exitCode(), 2);
    QVERIFY2(process.readAllStandardError().contains("結果を出力できませんでした"), "no message on stderr");
}

void TestSafeFileWriter::windowIgnoresFileSizeSignal()
{
    // The window writes only at a save or when it closes; what matters is that the process
    // ignores SIGXFSZ from its start, so the signal mask of the running program is read.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"HOME"_s, m_dir->path());
    environment.insert(u"XDG_CONFIG_HOME"_s, m_dir->filePath(u"config"_s));
    process.setProcessEnvironment(environment);
    process.setProgram(programPath(u"rowlark"_s));
    process.setChildProcessModifier([] { std::signal(SIGXFSZ, SIG_DFL); });
    process.start();
    QVERIFY2(process.waitForStarted(30000), qPrintable(process.errorString()));

    const QString status = u"/proc/%1/status"_s.arg(process.processId());
    const quint64 bit = quint64(1) << (SIGXFSZ - 1);
    bool ignored = false;
    for (int attempt = 0; attempt < 100 && !ignored && process.state() == QProcess::Running; ++attempt) {
        QFile file(status);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.startsWith("SigIgn:"))
                    ignored = (line.mid(7).trimmed().toULongLong(nullptr, 16) & bit) != 0;
            }
        }
        if (!ignored)
            QTest::qWait(100);
    }
    QVERIFY(ignored);
    // And so the signal, which would otherwise end it with a core dump, leaves it running.
    QCOMPARE(::kill(pid_t(process.processId()), SIGXFSZ), 0);
    QTest::qWait(300);
    const bool survived = process.state() == QProcess::Running;
    process.kill();
    process.waitForFinished(10000);
    QVERIFY(survived);
}

void TestSafeFileWriter::longestNamesAreWritten_data()
{
    QTest::addColumn<QString>("name"); // 255 bytes, the system's limit
    QTest::addColumn<bool>("exists");

    QTest::newRow("85 Japanese characters, replaced") << QString(85, QChar(u'あ')) << true;
    QTest::newRow("255 ASCII bytes, new") << QString(251, u'n') + u".csv"_s << false;
}

void TestSafeFileWriter::longestNamesAreWritten()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);

    const QString path = exists ? writeTestFile(*m_dir, name, "old\r\n") : m_dir->filePath(name);
    QCOMPARE(SafeFileWriter::replace(path, "new\r\n"), SafeFileWriter::Outcome::Written);
    QCOMPARE(readTestFile(path), QByteArray("new\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

QTEST_GUILESS_MAIN(TestSafeFileWriter)
#include "tst_safefilewriter.moc"
