#include "AppState.h"
#include "CompareEngine.h"
#include "DelimiterMenu.h"
#include "FileIntake.h"
#include "Layout.h"
#include "NativePath.h"
#include "NewSheets.h"
#include "RecordingUserInterface.h"
#include "SaveCommands.h"
#include "SheetFileReader.h"
#include "TestFiles.h"
#include "WindowSheetFixtures.h"

#include "UndoSnapshots.h"
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <QTest>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{
LoadMessage unreadable(UnreadableReason reason)
{
    return loadRefusalMessage(LoadRefusal::Unreadable, reason);
}
} // namespace

class TestFileIntake : public QObject
{
    Q_OBJECT

private slots:
    void readIntoSheet();
    void init();
    void cleanup();

    void loadShowsSheetAndNamesFile();
    void commandLineNameThatIsNotUtf8();
    void panelShowsProgressDuringLoad_data();
    void panelShowsProgressDuringLoad();
    void refusedLoadChangesNothing_data();
    void refusedLoadChangesNothing();
    void partialReadWithdrawsOverwrite_data();
    void partialReadWithdrawsOverwrite();
    void comparisonSaysWhatAPartialReadLeftOut_data();
    void comparisonSaysWhatAPartialReadLeftOut();
    void textThatCannotBeWrittenBackWithdrawsOverwrite();
    void reloadAfterPartialReadRestoresOverwrite();
    void reloadStartsAtTheTop();
    void dropLoadsEveryFileInOrder();
    void dropSkipsWhatCannotBeLoaded();
    void dropOfNoFilesIsIgnored();
    void dropIsRefusedWhileComparing();
    void dropDuringLoadIsHandledBeforeRead();
    void dragFeedback_data();
    void dragFeedback();
    void commandLineLoadsSheetOne_data();
    void commandLineLoadsSheetOne();
    void newContentsTakeTheComparisonColoursOffBothSheets_data();
    void newContentsTakeTheComparisonColoursOffBothSheets();

private:
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    void loadOld(int index);
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

// The window takes its command line as the system's bytes: a name that is no UTF-8 loads too.
void TestFileIntake::commandLineNameThatIsNotUtf8()
{
    const QByteArray bytes = QFile::encodeName(m_dir->path()) + "/bad\xff.csv";
    const int descriptor = open(bytes.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(descriptor >= 0);
    QCOMPARE(write(descriptor, "a,b\r\n", 5), ssize_t(5));
    close(descriptor);
    const char *argv[] = {"rowlark", bytes.constData()};

    LoadSheetFile(*m_state, *m_ui, 0, argumentsFromArgv(2, argv).at(1));

    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(m_state->grdData(0).textMatrix(1, 2), u"b"_s);
}

void TestFileIntake::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
    for (DropPanel &panel : m_state->PicFile)
        panel.rect = {0, 60, 6000, 5400};
}

void TestFileIntake::cleanup()
{
    m_ui.reset();
    m_state.reset();
    m_dir.reset();
}

QString TestFileIntake::writeFile(const QString &name, const QByteArray &bytes) const
{
    return writeTestFile(*m_dir, name, bytes);
}

// A sheet that already shows a file, for the loads that must leave it alone.
void TestFileIntake::loadOld(int index)
{
    const QString path = writeFile(u"old%1.csv"_s.arg(index), "old,data\r\n");
    LoadSheetFile(*m_state, *m_ui, index, path);
    if (!m_ui->messages.isEmpty() || m_state->SheetFileName[index] != path)
        qFatal("the old file did not load");
    m_ui->messages.clear();
    m_ui->yields = 0;
}

void TestFileIntake::loadShowsSheetAndNamesFile()
{
    const QString path = writeFile(u"two rows.csv"_s, "a,b\r\nc,d,e\r\n");
    for (int i = 0; i < 2; ++i)
        RunAsHistoryStep(*m_state, u"入力"_s, [&] { m_state->grdData(i).setTextMatrix(1, 1, u"old"_s); });

    LoadSheetFile(*m_state, *m_ui, 1, path);

    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(m_ui->yields, 1);
    const Sheet &sheet = m_state->grdData(1);
    QVERIFY(sheet.isVisible());
    QCOMPARE(sheet.rows(), 3);
    QCOMPARE(sheet.cols(), 4);
    QCOMPARE(sheet.textMatrix(1, 1), u"a"_s);
    QCOMPARE(sheet.textMatrix(2, 3), u"e"_s);
    QCOMPARE(sheet.textMatrix(1, 3), QString());
    QCOMPARE(sheet.textMatrix(2, 0), u"2行"_s);
    QCOMPARE(m_state->SheetFileName[1], path);
    QCOMPARE(m_state->PicFile[1].texts, (QList<PanelText>{{100, 100, path}}));
    QVERIFY(m_state->fraTool[1].visible);
    QVERIFY(m_state->fraTool[1].cmdSaveEnabled());
    QVERIFY(!m_state->fraTool[1].overwriteWithdrawn);
    // The snapshot of whatever the sheet held before must not come back under this file's name.
    QVERIFY(!m_state->UndoAvailable[1]);
    QVERIFY(m_state->UndoAvailable[0]);
    // The other side is untouched.
    QVERIFY(!m_state->grdData(0).isVisible());
    QVERIFY(!m_state->fraTool[0].visible);
    QVERIFY(m_state->SheetFileName[0].isEmpty());
}

void TestFileIntake::panelShowsProgressDuringLoad_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("loadingShown");
    QTest::addColumn<int>("loadingX");
    QTest::addColumn<int>("loadingY");

    QTest::newRow("ordinary panel") << 6000 << 5400 << true << 2300 << 2500;
    QTest::newRow("odd sizes halve toward zero") << 6001 << 1001 << true << 2300 << 300;
    QTest::newRow("narrow panel puts the pen left of it") << 1001 << 3000 << true << -200 << 1300;
    QTest::newRow("panel of exactly 1000 twips") << 6000 << 1000 << false << 0 << 0;
    QTest::newRow("low panel") << 6000 << 400 << false << 0 << 0;
}

void TestFileIntake::panelShowsProgressDuringLoad()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, loadingShown);
    QFETCH(int, loadingX);
    QFETCH(int, loadingY);

    loadOld(0);
    m_state->PicFile[0].rect = {0, 60, width, height};
    const QString path = writeFile(u"new.csv"_s, "n1,n2\r\n");
    QList<PanelText> duringYield;
    QString cellDuringYield;
    m_ui->onYield = [&] {
        duringYield = m_state->PicFile[0].texts;
        cellDuringYield = m_state->grdData(0).textMatrix(1, 1);
    };

    LoadSheetFile(*m_state, *m_ui, 0, path);

    QList<PanelText> expected{{100, 100, path}};
    if (loadingShown)
        expected.append({loadingX, loadingY, u"読み込み中"_s});
    QCOMPARE(duringYield, expected);
    QCOMPARE(cellDuringYield, u"old"_s); // the read starts after the yield
    // Once loaded the panel names the file and no longer claims to be loading.
    QCOMPARE(m_state->PicFile[0].texts, (QList<PanelText>{{100, 100, path}}));
    QCOMPARE(m_state->grdData(0).textMatrix(1, 1), u"n1"_s);
}

void TestFileIntake::refusedLoadChangesNothing_data()
{
    QTest::addColumn<QString>("fileName"); // empty: a folder
    QTest::addColumn<QByteArray>("bytes"); // written unless the file is meant to be missing
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<int>("refusal"); // LoadRefusal
    QTest::addColumn<int>("reason"); // UnreadableReason
    QTest::addColumn<bool>("panelNamesFile");

    const QByteArray tooWide = QByteArray(32767, ',') + "\r\n";
    const QByteArray tooWideBars = "a\r\n" + QByteArray(32767, '|');
    const auto refused = [](LoadRefusal refusal, UnreadableReason reason = UnreadableReason::Unknown) {
        return std::pair{int(refusal), int(reason)};
    };
    const auto row = [](const char *name, const QString &fileName, const QByteArray &bytes, bool exists, int mode,
                        const QString &delimiter, std::pair<int, int> message, bool panelNamesFile) {
        QTest::newRow(name) << fileName << bytes << exists << mode << delimiter << message.first << message.second
                            << panelNamesFile;
    };
    row("zero-length file", u"empty.csv"_s, {}, true, 0, u"|"_s, refused(LoadRefusal::Empty), false);
    row("zero-length file is named before the delimiter", u"empty.csv"_s, {}, true, 1, u" "_s,
        refused(LoadRefusal::Empty), false);
    row("empty delimiter in comma mode", u"ok.csv"_s, "a,b\r\n", true, 0, QString(), refused(LoadRefusal::NoDelimiter),
        false);
    row("blank delimiter in delimiter mode", u"ok.csv"_s, "a|b\r\n", true, 1, u"  "_s,
        refused(LoadRefusal::NoDelimiter), false);
    row("missing file", u"missing.csv"_s, {}, false, 0, u"|"_s,
        refused(LoadRefusal::Unreadable, UnreadableReason::NotFound), false);
    row("folder", QString(), {}, true, 0, u"|"_s, refused(LoadRefusal::Unreadable, UnreadableReason::NotRegularFile),
        false);
    row("pipe", u"pipe"_s, {}, true, 0, u"|"_s, refused(LoadRefusal::Unreadable, UnreadableReason::NotRegularFile),
        false);
    row("line of 32767 commas", u"wide.csv"_s, tooWide, true, 0, u"|"_s,
        refused(LoadRefusal::Unreadable, UnreadableReason::TooManyFields), true);
    row("line of 32767 user delimiters", u"wide.txt"_s, tooWideBars, true, 1, u"|"_s,
        refused(LoadRefusal::Unreadable, UnreadableReason::TooManyFields), true);
    // A zip holding one text file: a zip, but no workbook.
    row("zip archive opened by mistake", u"archive.zip"_s,
        QByteArray::fromHex("504b0304140000000000383a885d8316dc8c010000000100000005000000612e74787478504b01021403140000"
                            "000000383a885d8316dc8c0100000001000000050000000000000000000000800100000000612e747874504b05"
                            "06000000000100010033000000240000000000"),
        true, 0, u"|"_s, refused(LoadRefusal::NotText), false);
    row("NUL bytes", u"data.bin"_s, QByteArray("a,b\r\n\x00\x01\x02\r\n", 10), true, 0, u"|"_s,
        refused(LoadRefusal::NotText), false);
}

void TestFileIntake::refusedLoadChangesNothing()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    QFETCH(int, mode);
    QFETCH(QString, delimiter);
    QFETCH(int, refusal);
    QFETCH(int, reason);
    QFETCH(bool, panelNamesFile);
    const LoadMessage expected = loadRefusalMessage(LoadRefusal(refusal), UnreadableReason(reason), fileName);

    loadOld(0);
    const QString oldName = m_state->SheetFileName[0];
    const QList<PanelText> oldPanel = m_state->PicFile[0].texts;
    m_state->fraTool[0].cmdNameEnabled = false; // as a layout that hides side 0 leaves it
    m_state->DelimiterMode = mode;
    m_state->UserDelimiter = delimiter;

    QString path;
    if (fileName.isEmpty()) {
        path = m_dir->filePath(u"folder.csv"_s);
        QVERIFY(QDir().mkdir(path));
    } else if (fileName == u"pipe") {
        path = m_dir->filePath(fileName);
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        path = exists ? writeFile(fileName, bytes) : m_dir->filePath(fileName);
    }

    LoadSheetFile(*m_state, *m_ui, 0, path);

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, expected.text);
    QCOMPARE(m_ui->messages[0].title, expected.title);
    QCOMPARE(m_ui->messages[0].icon, expected.icon);
    QCOMPARE(m_ui->yields, 0);
    const Sheet &sheet = m_state->grdData(0);
    QCOMPARE(sheet.rows(), 2);
    QCOMPARE(sheet.cols(), 3);
    QCOMPARE(sheet.textMatrix(1, 1), u"old"_s);
    QCOMPARE(sheet.textMatrix(1, 2), u"data"_s);
    QCOMPARE(m_state->SheetFileName[0], oldName);
    QVERIFY(!m_state->fraTool[0].cmdSaveEnabled());
    QVERIFY(!m_state->fraTool[0].overwriteWithdrawn);
    if (panelNamesFile)
        QCOMPARE(m_state->PicFile[0].texts, (QList<PanelText>{{100, 100, path}}));
    else
        QCOMPARE(m_state->PicFile[0].texts, oldPanel);
}

void TestFileIntake::partialReadWithdrawsOverwrite_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<QString>("lastRowFirstCell");
    QTest::addColumn<QString>("rowsRead"); // the message's last line

    QByteArray tooLong;
    for (int r = 1; r <= 32767; ++r)
        tooLong += QByteArray::number(r) + ",x\r\n";
    QTest::newRow("32767 lines keep the first 32766")
        << tooLong << 0 << 32767 << 3 << u"32766"_s << u"1〜32766 行目を読み込みました（上限 32766 行、32766 列）。"_s;
    QTest::newRow("line of 32766 delimiters leaves the header cell alone")
        << QByteArray(32766, '|') << 1 << 1 << 1 << QString()
        << u"読み込めた行はありません（上限 1023 行、32766 列）。"_s;
}

void TestFileIntake::partialReadWithdrawsOverwrite()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, mode);
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(QString, lastRowFirstCell);
    QFETCH(QString, rowsRead);

    m_state->DelimiterMode = mode;
    const QString path = writeFile(u"big.csv"_s, bytes);

    LoadSheetFile(*m_state, *m_ui, 0, path);

    QCOMPARE(m_ui->messages.size(), 1);
    // The last line counts the rows read whole and names the limits.
    QCOMPARE(m_ui->messages[0].text.section(u"\r\n"_s, -1), rowsRead);
    QCOMPARE(m_ui->messages[0].title, partialReadMessage(1, 1).title);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::Critical);
    const Sheet &sheet = m_state->grdData(0);
    QVERIFY(sheet.isVisible());
    QVERIFY(m_state->fraTool[0].visible);
    QCOMPARE(sheet.rows(), rows);
    QCOMPARE(sheet.cols(), cols);
    if (rows > 1)
        QCOMPARE(sheet.textMatrix(rows - 1, 1), lastRowFirstCell);
    // Typing or pasting next must not land in a header cell.
    const bool hasDataCells = rows > 1 && cols > 1;
    QCOMPARE(sheet.row(), hasDataCells ? 1 : 0);
    QCOMPARE(sheet.col(), hasDataCells ? 1 : 0);
    QCOMPARE(m_state->SheetFileName[0], path);
    QVERIFY(!m_state->fraTool[0].cmdSaveEnabled());
    QVERIFY(m_state->fraTool[0].overwriteWithdrawn);

    // No later layout may offer to write the partial sheet over its source.
    m_state->clientWidth = 12000;
    m_state->clientHeight = 7000;
    for (const DisplayMode mode : {DisplayMode::Both, DisplayMode::Sheet1Alone}) {
        m_state->displayMode = mode;
        ArrangeControls(*m_state);
        QVERIFY(!m_state->fraTool[0].cmdSaveEnabled());
        QVERIFY(m_state->fraTool[0].cmdNameEnabled);
    }
}

void TestFileIntake::comparisonSaysWhatAPartialReadLeftOut_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("counted"); // the result message of the complete files
    QTest::addColumn<QString>("leftOut"); // the lines the partial reads add

    QByteArray tooLong; // the row limit: the 32767th line is not read
    for (int r = 1; r <= 32767; ++r)
        tooLong += QByteArray::number(r) + "|x\r\n";
    const QByteArray tooWide(32766, '|'); // the column limit: nothing is read
    const QString noDifference = u"差はありません\r\nサイズに差異があります"_s;
    const QString first = u"\r\nファイル１は一部しか読み込めていないため、1 行目以降は比較していません。"_s;
    const QString second = u"\r\nファイル２は一部しか読み込めていないため、32767 行目以降は比較していません。"_s;

    QTest::newRow("second file stopped at the row limit") << QByteArray("1|x\r\n") << tooLong << noDifference << second;
    QTest::newRow("first file stopped at the column limit")
        << tooWide << QByteArray("a|b\r\n") << noDifference << first;
    QTest::newRow("both files read in part") << tooWide << tooLong << noDifference << first + second;
    QTest::newRow("whole files") << QByteArray("1|x\r\n") << QByteArray("1|y\r\n") << u"差が　1　個あります"_s
                                 << QString();
}

void TestFileIntake::comparisonSaysWhatAPartialReadLeftOut()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, counted);
    QFETCH(QString, leftOut);

    m_state->DelimiterMode = 1;
    const std::array<QByteArray, 2> files{first, second};
    for (int i = 0; i < 2; ++i) {
        const QString path = writeFile(u"file%1.txt"_s.arg(i + 1), files[i]);
        LoadSheetFile(*m_state, *m_ui, i, path);
        const bool partial = m_state->fraTool[i].overwriteWithdrawn;
        QCOMPARE(m_state->PicFile[i].texts, (QList<PanelText>{{100, 100, partial ? path + u"（一部のみ）"_s : path}}));
    }
    m_ui->messages.clear();

    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, counted + leftOut);

    // Saved, each sheet is the whole of its new file: the strip and the next comparison say so.
    for (int i = 0; i < 2; ++i) {
        const QString path = m_dir->filePath(u"saved%1.txt"_s.arg(i + 1));
        QVERIFY(SaveSheet(*m_state, *m_ui, i, path));
        QCOMPARE(m_state->PicFile[i].texts, (QList<PanelText>{{100, 100, path}}));
    }
    m_ui->messages.clear();
    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, counted);
}

void TestFileIntake::textThatCannotBeWrittenBackWithdrawsOverwrite()
{
    // Neither UTF-8 nor Shift-JIS: the undefined pair 0x85 0x40 cannot come back from the decoded text.
    const QString path = writeFile(u"odd bytes.csv"_s, "x,\x85\x40y\r\nz,w\r\n");

    LoadSheetFile(*m_state, *m_ui, 1, path);

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::Exclamation);
    QVERIFY(!m_ui->messages[0].text.isEmpty());
    QCOMPARE(m_ui->messages[0].text, notWritableBackMessage().text);
    const Sheet &sheet = m_state->grdData(1);
    QVERIFY(sheet.isVisible());
    QCOMPARE(sheet.textMatrix(2, 2), u"w"_s);
    QCOMPARE(m_state->SheetFileName[1], path);
    QVERIFY(!m_state->fraTool[1].cmdSaveEnabled());
    QVERIFY(m_state->fraTool[1].overwriteWithdrawn);
}

void TestFileIntake::reloadAfterPartialReadRestoresOverwrite()
{
    m_state->DelimiterMode = 1;
    LoadSheetFile(*m_state, *m_ui, 0, writeFile(u"wide.txt"_s, QByteArray(32766, '|')));
    QVERIFY(m_state->fraTool[0].overwriteWithdrawn);

    const QString path = writeFile(u"fine.txt"_s, "a|b\r\n");
    LoadSheetFile(*m_state, *m_ui, 0, path);

    QCOMPARE(m_ui->messages.size(), 1); // only the partial read's
    QCOMPARE(m_state->grdData(0).textMatrix(1, 2), u"b"_s);
    QVERIFY(m_state->fraTool[0].cmdSaveEnabled());
    QVERIFY(!m_state->fraTool[0].overwriteWithdrawn);
}

void TestFileIntake::reloadStartsAtTheTop()
{
    QByteArray bytes;
    for (int r = 1; r <= 60; ++r)
        bytes += "a,b,c,d,e,f\r\n";
    LoadSheetFile(*m_state, *m_ui, 0, writeFile(u"first.csv"_s, bytes));
    Sheet &sheet = m_state->grdData(0);
    sheet.setCurrentCell(40, 4);
    sheet.setRowSel(45);
    sheet.setColSel(6);
    sheet.setTopRow(30);
    sheet.setLeftCol(3);

    LoadSheetFile(*m_state, *m_ui, 0, writeFile(u"second.csv"_s, bytes));

    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(sheet.rows(), 61);
    // Nothing of where the person was in the previous file: no block stays selected, and the new
    // file is shown from its first row and column.
    QCOMPARE(sheet.topRow(), 1);
    QCOMPARE(sheet.leftCol(), 1);
    QCOMPARE(sheet.rowSel(), sheet.row());
    QCOMPARE(sheet.colSel(), sheet.col());
    QCOMPARE(sheet.row(), 1);
    QCOMPARE(sheet.col(), 1);
}

void TestFileIntake::dropLoadsEveryFileInOrder()
{
    const QStringList files{writeFile(u"1.csv"_s, "first\r\n"), writeFile(u"2.csv"_s, "second\r\n"),
                            writeFile(u"3.csv"_s, "third\r\n")};
    QStringList loadedAtYield;
    m_ui->onYield = [&] { loadedAtYield.append(m_state->PicFile[0].texts.at(0).text); };

    PicFile_OLEDragDrop(*m_state, *m_ui, 0, files);

    QCOMPARE(loadedAtYield, files);
    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(m_state->grdData(0).textMatrix(1, 1), u"third"_s);
    QCOMPARE(m_state->SheetFileName[0], files.last());
    QVERIFY(!m_state->grdData(1).isVisible());
    QVERIFY(m_state->mnuNewEnabled);

    PicFile_OLEDragDrop(*m_state, *m_ui, 1, {files.first()});
    QCOMPARE(m_state->grdData(1).textMatrix(1, 1), u"first"_s);
    QVERIFY(!m_state->mnuNewEnabled); // both sides in use now
}

void TestFileIntake::dropSkipsWhatCannotBeLoaded()
{
    const QString good = writeFile(u"good.csv"_s, "good\r\n");
    const QString folder = m_dir->filePath(u"folder"_s);
    QVERIFY(QDir().mkdir(folder));
    // A shortcut naming a network path is not followed and not loaded.
    const QString shortcut = writeFile(u"share.lnk"_s, "L\r\n\\\\server\\share\\a.csv\r\n");

    PicFile_OLEDragDrop(*m_state, *m_ui, 0, {good, folder, shortcut});

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, unreadable(UnreadableReason::NotRegularFile).text);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::Critical);
    QCOMPARE(m_state->grdData(0).textMatrix(1, 1), u"good"_s);
    QCOMPARE(m_state->SheetFileName[0], good);
}

void TestFileIntake::dropOfNoFilesIsIgnored()
{
    loadOld(1);
    m_state->mnuNewEnabled = false; // stale on purpose: an ignored drop leaves it alone

    PicFile_OLEDragDrop(*m_state, *m_ui, 1, {});

    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(m_ui->yields, 0);
    QCOMPARE(m_state->grdData(1).textMatrix(1, 1), u"old"_s);
    QVERIFY(!m_state->mnuNewEnabled);
}

void TestFileIntake::dropIsRefusedWhileComparing()
{
    loadOld(0);
    const QList<PanelText> panel = m_state->PicFile[0].texts;
    m_state->CompareRunning = true;

    PicFile_OLEDragDrop(*m_state, *m_ui, 0, {writeFile(u"new.csv"_s, "new\r\n")});

    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(m_ui->yields, 0);
    QCOMPARE(m_state->grdData(0).textMatrix(1, 1), u"old"_s);
    QCOMPARE(m_state->PicFile[0].texts, panel);
}

void TestFileIntake::dropDuringLoadIsHandledBeforeRead()
{
    const QString outer = writeFile(u"outer.csv"_s, "outer\r\n");
    const QString inner = writeFile(u"inner.csv"_s, "inner\r\n");
    bool dropped = false;
    m_ui->onYield = [&] {
        if (dropped)
            return;
        dropped = true;
        PicFile_OLEDragDrop(*m_state, *m_ui, 0, {inner});
    };

    PicFile_OLEDragDrop(*m_state, *m_ui, 0, {outer});

    // The outer file is read last, so it stays; the panel and the file name agree with it.
    QCOMPARE(m_state->grdData(0).textMatrix(1, 1), u"outer"_s);
    QCOMPARE(m_state->SheetFileName[0], outer);
    QCOMPARE(m_state->PicFile[0].texts, (QList<PanelText>{{100, 100, outer}}));
}

void TestFileIntake::dragFeedback_data()
{
    QTest::addColumn<bool>("comparing");
    QTest::addColumn<bool>("hasLocalFiles");
    QTest::addColumn<DropEffect>("offered");
    QTest::addColumn<DropEffect>("expected");

    QTest::newRow("files, copy offered") << false << true << DropEffect::Copy << DropEffect::Copy;
    QTest::newRow("files, copy not offered") << false << true << DropEffect::None << DropEffect::None;
    QTest::newRow("text") << false << false << DropEffect::Copy << DropEffect::None;
    QTest::newRow("comparing leaves the offer for text") << true << false << DropEffect::Copy << DropEffect::Copy;
    QTest::newRow("comparing leaves a refusal") << true << true << DropEffect::None << DropEffect::None;
}

void TestFileIntake::dragFeedback()
{
    QFETCH(bool, comparing);
    QFETCH(bool, hasLocalFiles);
    QFETCH(DropEffect, offered);
    QFETCH(DropEffect, expected);

    m_state->CompareRunning = comparing;
    QCOMPARE(PicFile_OLEDragOver(*m_state, hasLocalFiles, offered), expected);
}

void TestFileIntake::commandLineLoadsSheetOne_data()
{
    QTest::addColumn<QString>("commandLine"); // relative to the test folder
    QTest::addColumn<bool>("loads");

    QTest::newRow("name with a blank is one path") << u"my data.csv"_s << true;
    QTest::newRow("two names are one missing path") << u"my data.csv other.csv"_s << false;
}

void TestFileIntake::commandLineLoadsSheetOne()
{
    QFETCH(QString, commandLine);
    QFETCH(bool, loads);

    writeFile(u"my data.csv"_s, "cmd\r\n");
    writeFile(u"other.csv"_s, "other\r\n");
    m_state->clientWidth = 12000;
    m_state->clientHeight = 7000;
    const QString path = m_dir->filePath(commandLine);

    tmrMain_Timer(*m_state, *m_ui, path);

    QCOMPARE(m_state->displayMode, DisplayMode::Sheet1Alone);
    // Sheet 2 is moved off the window for mode "1".
    QCOMPARE(m_state->grdData(1).geometry(), (TwipsRect{-500, -500, 0, 0}));
    QCOMPARE(m_state->grdData(0).isVisible(), loads);
    if (loads) {
        QVERIFY(m_ui->messages.isEmpty());
        QCOMPARE(m_state->SheetFileName[0], path);
        QCOMPARE(m_state->grdData(0).textMatrix(1, 1), u"cmd"_s);
        QVERIFY(m_state->fraTool[0].cmdSaveEnabled());
    } else {
        QCOMPARE(m_ui->messages.size(), 1);
        QCOMPARE(m_ui->messages[0].text, unreadable(UnreadableReason::NotFound).text);
        QVERIFY(m_state->SheetFileName[0].isEmpty());
    }
}

void TestFileIntake::newContentsTakeTheComparisonColoursOffBothSheets_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("a file loaded into sheet 1") << u"load 0"_s;
    QTest::newRow("a file loaded into sheet 2") << u"load 1"_s;
    QTest::newRow("a new sheet beside sheet 1") << u"new"_s;
    QTest::newRow("another delimiter") << u"delimiter"_s;
}

void TestFileIntake::newContentsTakeTheComparisonColoursOffBothSheets()
{
    QFETCH(QString, change);
    for (int i = 0; i < 2; ++i) {
        fillSheet(m_state->grdData(i), u"a,b|c,d"_s);
        paintMap(m_state->grdData(i), u"RM|.R"_s);
    }
    const QString path = writeFile(u"new.csv"_s, "x,y,z\r\n");
    if (change == u"load 0"_s)
        LoadSheetFile(*m_state, *m_ui, 0, path);
    else if (change == u"load 1"_s)
        LoadSheetFile(*m_state, *m_ui, 1, path);
    else if (change == u"new"_s) {
        m_state->grdData(1).setVisible(false);
        mnuNew_Click(*m_state, *m_ui);
        QVERIFY(m_state->grdData(1).isVisible());
    } else {
        m_ui->onDelimiterDialog = [](AppState &state) { state.UserDelimiter = u";"_s; };
        mnuKukan_Click(*m_state, *m_ui);
    }
    QVERIFY(m_ui->messages.isEmpty());
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(cellsColoured(m_state->grdData(i), kDiffBackColor), QString());
        QCOMPARE(cellsColoured(m_state->grdData(i), kExtraBackColor), QString());
    }
}

QTEST_GUILESS_MAIN(TestFileIntake)
void TestFileIntake::readIntoSheet()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"small.csv"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("a,b\r\nc,d\r\n");
    file.close();

    Sheet sheet;
    sheet.setRows(5);
    sheet.setTextMatrix(4, 1, u"old"_s);
    sheet.setCurrentCell(4, 1);
    sheet.setFileFormat({TextEncoding::ShiftJis, LineEnd::Lf, false, {}});
    QSignalSpy refreshed(&sheet, &Sheet::refreshed);
    SheetFileReader reader({0, u"|"_s});
    QCOMPARE(reader.open(path), LoadRefusal::None);
    QCOMPARE(reader.countColumns(), LoadRefusal::None);
    QCOMPARE(ReadIntoSheet(reader, sheet), MMS_GRID_CSV_READ::ReadResult::Complete);
    QCOMPARE(sheet.rows(), 3);
    QCOMPARE(sheet.cols(), 3);
    QCOMPARE(sheet.textMatrix(2, 2), u"d"_s);
    QCOMPARE(QPoint(sheet.row(), sheet.col()), QPoint(1, 1));
    QCOMPARE(sheet.fileFormat(), reader.format());
    QVERIFY(sheet.redraw());
    QCOMPARE(refreshed.count(), 1); // drawn once, when redraw came back on

    // A sheet whose drawing was off stays so.
    sheet.setRedraw(false);
    SheetFileReader again({1, u","_s});
    QCOMPARE(again.open(path), LoadRefusal::None);
    QCOMPARE(again.countColumns(), LoadRefusal::None);
    QCOMPARE(ReadIntoSheet(again, sheet), MMS_GRID_CSV_READ::ReadResult::Complete);
    QVERIFY(!sheet.redraw());
}

#include "tst_fileintake.moc"
