// Turning dropped entries, shortcuts included, into the paths to load.

#include "MDROP_GET.h"
#include "MWIN_VER.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using MDROP_GET::DropStatus;

namespace
{
const QString kNameEnd = QString(QChar(29));
}

class TestDropGet : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void notShortcuts_data();
    void notShortcuts();
    void shortcuts_data();
    void shortcuts();
    void unreadableShortcut_data();
    void unreadableShortcut();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestDropGet::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
}

void TestDropGet::notShortcuts_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("plain file") << u"/home/user/data.csv"_s;
    QTest::newRow(".LNK in capitals") << u"/home/user/link.LNK"_s;
    QTest::newRow("earlier .lnk in the name") << u"/home/user/a.lnk.lnk"_s;
    QTest::newRow(".lnk inside the name") << u"/home/user/a.lnk.csv"_s;
    QTest::newRow("shorter than the suffix") << u"lnk"_s;
}

void TestDropGet::notShortcuts()
{
    QFETCH(QString, item);
    const MDROP_GET::DroppedFile dropped = MDROP_GET::ResolveDroppedFile(item);
    QCOMPARE(dropped.status, DropStatus::NotShortcut);
    QCOMPARE(dropped.name, item);
    QVERIFY(dropped.loads());
}

void TestDropGet::shortcuts_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<DropStatus>("status");
    QTest::addColumn<QString>("name"); // "<item>" stands for the shortcut's own path

    const QByteArray end = kNameEnd.toLatin1();
    QTest::newRow("drive path, $ line, extra line")
        << QByteArray("head\r\nC:\\dir\\a.csv" + end + "junk\r\nfoo\r\nab$cd\r\ntail\r\n1\r\n2\r\nxy\r\n")
        << DropStatus::ShortcutWithExtra << u"C:\\dir\\a.csvtail xy"_s;
    QTest::newRow("third line after too short for the extra")
        << QByteArray("C:\\a.csv\r\n$\r\nB\r\n1\r\n2\r\nx\r\n") << DropStatus::ShortcutResolved << u"C:\\a.csvB"_s;
    QTest::newRow("drive path without a $ line is refused")
        << QByteArray("C:\\a.csv\r\nfoo\r\n") << DropStatus::Refused << u"<item>"_s;
    QTest::newRow("network path") << QByteArray("x\r\n\\\\server\\share\\a.csv\r\n") << DropStatus::Refused
                                  << u"<item>"_s;
    QTest::newRow("network line after a resolved path")
        << QByteArray("C:\\a.csv\r\n$\r\nB\r\n1\r\n2\r\nxy\r\n\\\\srv\\x\r\n") << DropStatus::Refused << u"<item>"_s;
    QTest::newRow("later drive path replaces the first")
        << QByteArray("C:\\a.csv\r\n$\r\nB\r\n1\r\n2\r\nx\r\nD:\\b.csv\r\n$\r\nE\r\n1\r\n2\r\nyz\r\n")
        << DropStatus::ShortcutWithExtra << u"D:\\b.csvE yz"_s;
    QTest::newRow("no drive path") << QByteArray("just text\r\nC:x\r\n") << DropStatus::NoDrivePath << QString();
    QTest::newRow("empty shortcut") << QByteArray() << DropStatus::NoDrivePath << QString();
    QTest::newRow("text ends right after the $ line")
        << QByteArray("C:\\a.csv\r\n$") << DropStatus::ShortcutResolved << u"C:\\a.csv"_s;
    QTest::newRow("text ends within the three lines")
        << QByteArray("C:\\a.csv\r\n$\r\nB\r\n1\r\n") << DropStatus::ShortcutResolved << u"C:\\a.csvB"_s;
    QTest::newRow("lines cut at LF when there is no CR")
        << QByteArray("C:\\a.csv\n$\nB\n1\n2\nxy\n") << DropStatus::ShortcutWithExtra << u"C:\\a.csvB xy"_s;
    static constexpr char kBinary[]
        = "\x4c\x00\x00\x00\x01\x14\x02\r\nC:\\data\\b.csv\x1d\x00\x00\r\n\x80\xff$\r\nS\r\n1\r\n2\r\nzz";
    QTest::newRow("binary bytes around the path")
        << QByteArray(kBinary, sizeof(kBinary) - 1) << DropStatus::ShortcutWithExtra << u"C:\\data\\b.csvS zz"_s;
}

void TestDropGet::shortcuts()
{
    QFETCH(QByteArray, content);
    QFETCH(DropStatus, status);
    QFETCH(QString, name);

    QCOMPARE(MWIN_VER::GetWindowsPlatform(), -1); // the scan for neither Windows family
    const QString item = m_folder->filePath(u"shortcut.lnk"_s);
    QFile file(item);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const MDROP_GET::DroppedFile dropped = MDROP_GET::ResolveDroppedFile(item);
    QCOMPARE(dropped.status, status);
    QCOMPARE(dropped.name, name == u"<item>" ? item : name);
    // Exactly the entries that found a path of their own are loaded.
    QCOMPARE(dropped.loads(), !name.isEmpty() && name != u"<item>");
}

void TestDropGet::unreadableShortcut_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << u"missing"_s;
    QTest::newRow("folder") << u"folder"_s;
    QTest::newRow("named pipe, read without waiting for a writer") << u"pipe"_s;
}

void TestDropGet::unreadableShortcut()
{
    QFETCH(QString, kind);
    const QString item = m_folder->filePath(u"odd.lnk"_s);
    if (kind == u"folder")
        QVERIFY(QDir().mkdir(item));
    else if (kind == u"pipe")
        QCOMPARE(mkfifo(QFile::encodeName(item).constData(), 0600), 0);

    const MDROP_GET::DroppedFile dropped = MDROP_GET::ResolveDroppedFile(item);
    QCOMPARE(dropped.status, DropStatus::NoDrivePath);
    QVERIFY(dropped.name.isEmpty());
    QVERIFY(!dropped.loads());
}

QTEST_GUILESS_MAIN(TestDropGet)
#include "tst_dropget.moc"
