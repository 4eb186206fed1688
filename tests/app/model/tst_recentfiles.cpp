#include "AppState.h"
#include "RecentFiles.h"
#include "Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestRecentFiles : public QObject
{
    Q_OBJECT

private slots:
    void listRules_data();
    void listRules();
    void keptInTheSettingsFile();
    void readFromAHandEditedFile();
};

void TestRecentFiles::listRules_data()
{
    QTest::addColumn<QStringList>("steps"); // "1 /a": side 1 opened /a; "-2 /a": /a gone from side 2
    QTest::addColumn<QStringList>("first"); // side 1's list afterwards
    QTest::addColumn<QStringList>("second");

    QTest::newRow("most recent first") << QStringList{u"1 /a"_s, u"1 /b"_s, u"1 /c"_s}
                                       << QStringList{u"/c"_s, u"/b"_s, u"/a"_s} << QStringList();
    QTest::newRow("opened again: to the top, once") << QStringList{u"1 /a"_s, u"1 /b"_s, u"1 /c"_s, u"1 /a"_s}
                                                    << QStringList{u"/a"_s, u"/c"_s, u"/b"_s} << QStringList();
    QTest::newRow("two spellings of one file are one entry")
        << QStringList{u"1 /x/a.csv"_s, u"1 /x/./y/../a.csv"_s} << QStringList{u"/x/a.csv"_s} << QStringList();
    QTest::newRow("eight per side, the oldest drops off")
        << QStringList{u"1 /1"_s, u"1 /2"_s, u"1 /3"_s, u"1 /4"_s, u"1 /5"_s,
                       u"1 /6"_s, u"1 /7"_s, u"1 /8"_s, u"1 /9"_s, u"2 /z"_s}
        << QStringList{u"/9"_s, u"/8"_s, u"/7"_s, u"/6"_s, u"/5"_s, u"/4"_s, u"/3"_s, u"/2"_s} << QStringList{u"/z"_s};
    QTest::newRow("each side its own list")
        << QStringList{u"1 /a"_s, u"2 /a"_s, u"2 /b"_s} << QStringList{u"/a"_s} << QStringList{u"/b"_s, u"/a"_s};
    QTest::newRow("a file gone leaves its own side only")
        << QStringList{u"1 /a"_s, u"1 /b"_s, u"2 /a"_s, u"-1 /a"_s} << QStringList{u"/b"_s} << QStringList{u"/a"_s};
    QTest::newRow("an empty path is no file")
        << QStringList{u"1 /a"_s, u"1 "_s} << QStringList{u"/a"_s} << QStringList();
}

void TestRecentFiles::listRules()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    RecentFiles recent;
    for (const QString &step : std::as_const(steps)) {
        const bool gone = step.startsWith(u'-');
        const int side = step.mid(gone ? 1 : 0, 1).toInt() - 1;
        const QString path = step.mid(step.indexOf(u' ') + 1);
        if (gone)
            QVERIFY(recent.remove(side, path));
        else
            recent.add(side, path);
    }
    QCOMPARE(recent.files(0), first);
    QCOMPARE(recent.files(1), second);
}

void TestRecentFiles::keptInTheSettingsFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Rowlark.ini"_s);
    AppState state;
    state.LastOpenFolder = u"/data"_s;
    for (int i = 1; i <= 9; ++i)
        state.recentFiles.add(0, u"/data/%1.csv"_s.arg(i));
    state.recentFiles.add(1, u"/その他/b&c.csv"_s);
    QVERIFY(SaveSettings(state, path));

    AppState again;
    LoadSettings(again, path);
    QCOMPARE(again.recentFiles.files(0), state.recentFiles.files(0));
    QCOMPARE(again.recentFiles.files(1), QStringList{u"/その他/b&c.csv"_s});
    QCOMPARE(again.LastOpenFolder, u"/data"_s);
    // The existing keys come first, as they always did; the lists follow, most recent first.
    const QString text = QString::fromUtf8(readAll(path));
    QVERIFY(text.contains(u"[FOLDER]/data\r\n[RECNT1]/data/9.csv\r\n[RECNT1]/data/8.csv\r\n"_s));
    QVERIFY(text.endsWith(u"[RECNT1]/data/2.csv\r\n[RECNT2]/その他/b&c.csv\r\n"_s));

    // Without recent files the file holds no line of them.
    QVERIFY(SaveSettings(AppState(), path));
    QVERIFY(!readAll(path).contains("RECNT"));
    LoadSettings(again, path);
    QVERIFY(again.recentFiles.files(0).isEmpty());
}

void TestRecentFiles::readFromAHandEditedFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Rowlark.ini"_s);
    QByteArray bytes = "[RECNT2]/b\r\n[RECNT1]/a\r\n[RECNT1]\r\n[RECNT1]/a\r\n[KUBUN ]1\r\n";
    for (int i = 1; i <= 9; ++i)
        bytes += "[RECNT2]/" + QByteArray::number(i) + "\r\n";
    // A line the reading stops at: what came before it is kept.
    bytes += "[TOP   ]1e999\r\n[RECNT1]/late\r\n";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    AppState state;
    LoadSettings(state, path);
    QCOMPARE(state.recentFiles.files(0), QStringList{u"/a"_s});
    QCOMPARE(state.recentFiles.files(1),
             (QStringList{u"/b"_s, u"/1"_s, u"/2"_s, u"/3"_s, u"/4"_s, u"/5"_s, u"/6"_s, u"/7"_s}));
    QCOMPARE(state.MatchCaseSetting, 1);
}

QTEST_GUILESS_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
