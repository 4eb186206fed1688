#include "AppState.h"
#include "OpenCommand.h"
#include "RecordingUserInterface.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The open command asks through the user interface, then takes the path a drop takes.
class TestOpenCommand : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadsWhatTheDialogAnswers_data();
    void loadsWhatTheDialogAnswers();
    void asksAboutUnsavedChangesFirst();
    void opensARecentFile_data();
    void opensARecentFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

void TestOpenCommand::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
}

void TestOpenCommand::cleanup()
{
    m_ui.reset();
    m_state.reset();
    m_dir.reset();
}

void TestOpenCommand::loadsWhatTheDialogAnswers_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("bytes"); // the chosen file; empty name means the dialog is cancelled
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("mode"); // display mode before: 0 both, 1 sheet 1 alone, 2 sheet 2 alone
    QTest::addColumn<QString>("message"); // the one message expected, or none
    QTest::addColumn<bool>("loaded"); // the sheet shows the file and names it
    QTest::addColumn<bool>("overwriteOffered");
    QTest::addColumn<int>("modeAfter");

    QByteArray tooLong;
    for (int r = 1; r <= 32767; ++r)
        tooLong += QByteArray::number(r) + ",x\r\n";

    QTest::newRow("file 1 opens") << 0 << QByteArray("a,b\r\nc,d\r\n") << false << 0 << QString() << true << true << 0;
    QTest::newRow("cancel changes nothing")
        << 0 << QByteArray("a,b\r\n") << true << 0 << QString() << false << false << 0;
    QTest::newRow("an empty file is refused as a drop is")
        << 1 << QByteArray() << false << 0 << u"空データは読み込みません"_s << false << false << 0;
    QTest::newRow("a partial read shows what was read, not writable over its file")
        << 0 << tooLong << false << 0
        << u"データを全部読めませんでした\r\nデータを分けてdiffを行って下さい\r\n"
           u"1〜32766 行目を読み込みました（上限 32766 行、32766 列）。"_s
        << true << false << 0;
    QTest::newRow("file 2 while sheet 1 is shown alone shows both")
        << 1 << QByteArray("a\r\n") << false << 1 << QString() << true << true << 0;
    QTest::newRow("file 2 while it is shown alone keeps the mode")
        << 1 << QByteArray("a\r\n") << false << 2 << QString() << true << true << 2;
    QTest::newRow("a refused file leaves the mode alone")
        << 1 << QByteArray() << false << 1 << u"空データは読み込みません"_s << false << false << 1;
}

void TestOpenCommand::loadsWhatTheDialogAnswers()
{
    QFETCH(int, index);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, cancel);
    QFETCH(int, mode);
    QFETCH(QString, message);
    QFETCH(bool, loaded);
    QFETCH(bool, overwriteOffered);
    QFETCH(int, modeAfter);

    m_state->displayMode = DisplayMode(mode);
    const QString path = writeTestFile(*m_dir, u"chosen.csv"_s, bytes);
    m_ui->scriptedOpenPaths << (cancel ? QString() : path);

    mnuOpen_Click(*m_state, *m_ui, index);

    QCOMPARE(m_ui->openRequests.size(), 1);
    const OpenDialogRequest &request = m_ui->openRequests.first();
    QCOMPARE(request.title, index == 0 ? u"ファイル１を開く"_s : u"ファイル２を開く"_s);
    QCOMPARE(request.filters,
             (QStringList{u"CSV ファイル (*.csv *.CSV)"_s, u"テキスト ファイル (*.txt *.tsv *.tab)"_s,
                          u"Excel ブック (*.xlsx *.xls *.XLSX *.XLS)"_s, u"すべてのファイル (*)"_s}));
    QStringList messages;
    for (const auto &m : std::as_const(m_ui->messages))
        messages << m.text;
    QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(m_state->grdData(index).isVisible(), loaded);
    QCOMPARE(m_state->SheetFileName[index], loaded ? path : QString());
    QCOMPARE(m_state->grdData(1 - index).isVisible(), false);
    QCOMPARE(m_state->fraTool[index].cmdSaveEnabled() && loaded, overwriteOffered);
    QCOMPARE(int(m_state->displayMode), modeAfter);
}

void TestOpenCommand::asksAboutUnsavedChangesFirst()
{
    const QString first = writeTestFile(*m_dir, u"first.csv"_s, "a\r\n");
    const QString second = writeTestFile(*m_dir, u"second.csv"_s, "b\r\n");
    m_ui->scriptedOpenPaths << first << second;
    mnuOpen_Click(*m_state, *m_ui, 0);
    m_state->grdData(0).setTextMatrix(1, 1, u"edited"_s);
    m_state->SheetChanged[0] = true;

    m_ui->scriptedAnswers << Answer::Cancel;
    mnuOpen_Click(*m_state, *m_ui, 0);

    QCOMPARE(m_ui->questions.size(), 1);
    QVERIFY(m_ui->questions[0].text.contains(u"変更を保存しますか"_s));
    QCOMPARE(m_state->SheetFileName[0], first);
    QCOMPARE(m_state->grdData(0).textMatrix(1, 1), u"edited"_s);
}

void TestOpenCommand::opensARecentFile_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("item"); // of the side's list: b.csv, gone.csv (no file), a.csv
    QTest::addColumn<bool>("unsaved"); // the side holds unsaved changes; the question is cancelled
    QTest::addColumn<QString>("shown"); // the side's cell (1, 1) afterwards; empty: not shown
    QTest::addColumn<QString>("after"); // the side's list afterwards

    QTest::newRow("loads into its own side and moves to the top") << 1 << 2 << false << u"a"_s << u"a b gone"_s;
    QTest::newRow("a file that is gone is said and dropped") << 0 << 1 << false << QString() << u"b a"_s;
    QTest::newRow("unsaved changes are asked about first") << 0 << 1 << true << u"edited"_s << u"a b gone"_s;
}

void TestOpenCommand::opensARecentFile()
{
    QFETCH(int, side);
    QFETCH(int, item);
    QFETCH(bool, unsaved);
    QFETCH(QString, shown);
    QFETCH(QString, after);
    for (const QString &name : {u"a"_s, u"gone"_s, u"b"_s})
        m_state->recentFiles.add(side,
                                 name == u"gone"_s ? m_dir->filePath(u"gone.csv"_s)
                                                   : writeTestFile(*m_dir, name + u".csv"_s, name.toUtf8()));
    if (unsaved) {
        mnuRecent_Click(*m_state, *m_ui, side, 2);
        m_state->grdData(side).setTextMatrix(1, 1, u"edited"_s);
        m_state->SheetChanged[side] = true;
        m_ui->scriptedAnswers << Answer::Cancel;
    }
    mnuRecent_Click(*m_state, *m_ui, side, item);

    QCOMPARE(m_ui->questions.size(), unsaved ? 1 : 0);
    QCOMPARE(m_state->grdData(side).isVisible() ? m_state->grdData(side).textMatrix(1, 1) : QString(), shown);
    QStringList expected;
    for (const QString &name : after.split(u' '))
        expected << m_dir->filePath(name + u".csv"_s);
    QCOMPARE(m_state->recentFiles.files(side), expected);
    QCOMPARE(m_ui->messages.size(), shown.isEmpty() ? 1 : 0);
    if (shown.isEmpty())
        QCOMPARE(m_ui->messages.first().text,
                 u"ファイルが見つかりません\r\n%1\r\n最近使ったファイルの一覧から外しました"_s.arg(
                     m_dir->filePath(u"gone.csv"_s)));
}

QTEST_GUILESS_MAIN(TestOpenCommand)
#include "tst_opencommand.moc"
