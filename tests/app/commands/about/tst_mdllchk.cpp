#include "MDllChk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <memory>

using namespace Qt::StringLiterals;

// The start-up check for the grid component: is a file of that name where the program and the
// dynamic linker look?
class TestMDllChk : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void search_data();
    void search();
    void gridComponentIsFound();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
    QByteArray m_oldPath;
    QString m_programFolderFile;
};

void TestMDllChk::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_oldCurrent = QDir::currentPath();
    m_oldPath = qgetenv("PATH");
}

void TestMDllChk::cleanup()
{
    QDir::setCurrent(m_oldCurrent);
    qputenv("PATH", m_oldPath);
    if (!m_programFolderFile.isEmpty())
        QFile::remove(m_programFolderFile);
    m_programFolderFile.clear();
    m_dir.reset();
}

void TestMDllChk::search_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("found");

    QTest::newRow("in the program folder") << u"program"_s << true;
    QTest::newRow("in the current folder") << u"current"_s << true;
    QTest::newRow("in a PATH folder") << u"path"_s << true;
    QTest::newRow("nowhere") << u"nowhere"_s << false;
    QTest::newRow("a folder of that name") << u"folder"_s << false;
}

void TestMDllChk::search()
{
    QFETCH(QString, where);
    QFETCH(bool, found);

    const QString name = u"rowlark-check-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces) + u".so"_s;
    const QString inTemp = m_dir->filePath(u"sub/"_s + name);
    QVERIFY(QDir().mkpath(m_dir->filePath(u"sub"_s)));
    QVERIFY(QDir::setCurrent(m_dir->path())); // the current folder holds nothing of that name by default

    QString file;
    if (where == u"program"_s) {
        m_programFolderFile = QDir(QCoreApplication::applicationDirPath()).filePath(name);
        file = m_programFolderFile;
    } else if (where == u"current"_s) {
        file = m_dir->filePath(name);
    } else if (where == u"path"_s) {
        file = inTemp;
        qputenv("PATH", QFile::encodeName(m_dir->filePath(u"sub"_s)) + ':' + m_oldPath);
    } else if (where == u"folder"_s) {
        QVERIFY(QDir().mkpath(m_dir->filePath(name)));
    } else {
        file = inTemp; // exists, but in no searched folder
    }
    if (!file.isEmpty()) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    QCOMPARE(MDllChk::IsFileOnSearchPath(name), found);
}

void TestMDllChk::gridComponentIsFound()
{
    QVERIFY(MDllChk::IsFileOnSearchPath(kGridComponentFile));
    QVERIFY(!MDllChk::IsFileOnSearchPath(QString()));
    const QStringList folders = MDllChk::searchFolders();
    QCOMPARE(folders.first(), QCoreApplication::applicationDirPath());
    QCOMPARE(folders.at(1), QDir::currentPath());
    QStringList unique = folders;
    QCOMPARE(unique.removeDuplicates(), qsizetype(0));
}

QTEST_GUILESS_MAIN(TestMDllChk)
#include "tst_mdllchk.moc"
