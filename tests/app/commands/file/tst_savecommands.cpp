#include "AppState.h"
#include "AsOtherUser.h"
#include "CellEditor.h"
#include "ClipboardCommands.h"
#include "Differences.h"
#include "FileIntake.h"
#include "FileSizeLimit.h"
#include "NewSheets.h"
#include "RecordingUserInterface.h"
#include "SaveCommands.h"
#include "Settings.h"
#include "TestFiles.h"
#include "WindowSheetFixtures.h"

#include "UndoSnapshots.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <QTest>

#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextEncoding)

namespace
{
const QString kSaveFailedText = u"保存に失敗しました"_s;
const QString kReportTitle = u"報告"_s;
const QString kNotShiftJisText = u"Shift_JIS で保存できない文字があります"_s;
const QString kSavedText = u"保存しました"_s;

} // namespace

class TestSaveCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void savedFileFollowsSettings_data();
    void savedFileFollowsSettings();
    void failedSaveKeepsEverything_data();
    void failedSaveKeepsEverything();
    void unencodableCharacterIsNamed_data();
    void unencodableCharacterIsNamed();
    void shiftJisSheetSavedAsUtf8_data();
    void shiftJisSheetSavedAsUtf8();
    void folderWithoutRoomForTemporaryFile();
    void fileThisUserMayNotWriteIsLeftAlone_data();
    void fileThisUserMayNotWriteIsLeftAlone();
    void overwriteSaveWritesLoadedFile();
    void overwriteSaveWithoutName();
    void overwriteOfChangedFileAsks_data();
    void overwriteOfChangedFileAsks();
    void saveDialogSettings_data();
    void saveDialogSettings();
    void cancelledDialogSavesNothing();
    void saveAsRestoresWithdrawnOverwrite_data();
    void saveAsRestoresWithdrawnOverwrite();
    void failedSaveAsKeepsOverwriteWithdrawn();
    void busyWindowSavesNothing();
    void emptyFillerRowsAreLeftOut_data();
    void emptyFillerRowsAreLeftOut();

private:
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    void fillSheet(int index, const QList<QStringList> &rows);
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

void TestSaveCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
}

void TestSaveCommands::cleanup()
{
    m_ui.reset();
    m_state.reset();
    m_dir.reset();
}

QString TestSaveCommands::writeFile(const QString &name, const QByteArray &bytes) const
{
    return writeTestFile(*m_dir, name, bytes);
}

void TestSaveCommands::fillSheet(int index, const QList<QStringList> &rows)
{
    Sheet &sheet = m_state->grdData(index);
    sheet.setRows(int(rows.size()) + 1);
    sheet.setCols(rows.isEmpty() ? 1 : int(rows.first().size()) + 1);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            sheet.setTextMatrix(r + 1, c + 1, rows[r][c]);
    NumberRowHeaders(sheet);
    NumberColumnHeaders(sheet);
    sheet.setVisible(true);
}

void TestSaveCommands::savedFileFollowsSettings_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<bool>("quote");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QByteArray>("expected");

    const QList<QStringList> abEmpty{{u"a"_s, u"b"_s, QString()}};
    QTest::newRow("comma mode ignores the user delimiter") << 0 << u"|"_s << false << abEmpty << QByteArray("a,b,\r\n");
    QTest::newRow("quote option quotes empty fields too")
        << 0 << u"|"_s << true << abEmpty << QByteArray("\"a\",\"b\",\"\"\r\n");
    QTest::newRow("user delimiter, cell holding it unchanged")
        << 1 << u"|"_s << false << QList<QStringList>{{u"x|y"_s, u"\"q\""_s}, {QString(), u"z"_s}}
        << QByteArray("x|y|\"q\"\r\n|z\r\n");
    QTest::newRow("no data rows gives an empty file") << 0 << u"|"_s << false << QList<QStringList>{} << QByteArray();
}

void TestSaveCommands::savedFileFollowsSettings()
{
    QFETCH(int, mode);
    QFETCH(QString, delimiter);
    QFETCH(bool, quote);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QByteArray, expected);

    m_state->DelimiterMode = mode;
    m_state->UserDelimiter = delimiter;
    m_state->mnuDobleChecked = quote;
    fillSheet(1, rows);
    m_state->PicFile[1].drawText(100, 200, u"hint"_s);
    const QString path = writeFile(u"out.csv"_s, "previous contents\r\n");

    QVERIFY(SaveSheet(*m_state, *m_ui, 1, path));

    QCOMPARE(readTestFile(path), expected);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, u"保存しました\r\n"_s + path);
    QCOMPARE(m_ui->messages[0].title, kReportTitle);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::Information);
    QCOMPARE(m_state->SheetFileName[1], path);
    QCOMPARE(m_state->PicFile[1].texts, (QList<PanelText>{{100, 100, path}}));
    QVERIFY(m_state->SheetFileName[0].isEmpty());
}

void TestSaveCommands::failedSaveKeepsEverything_data()
{
    QTest::addColumn<QString>("target"); // "limit": an existing file under a file-size limit
    QTest::addColumn<QString>("reason"); // the message's second line

    const QString notAFile = u"\r\n通常のファイルではありません"_s;
    QTest::newRow("disk quota reached while writing") << u"limit"_s << QString();
    QTest::newRow("target is a folder") << u"folder"_s << notAFile;
    QTest::newRow("folder does not exist") << u"missing"_s << QString();
    QTest::newRow("target is a pipe") << u"pipe"_s << notAFile;
}

void TestSaveCommands::failedSaveKeepsEverything()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);

    const QByteArray oldBytes = "old,file\r\n";
    const QString oldPath = writeFile(u"old.csv"_s, oldBytes);
    QList<QStringList> rows;
    for (int r = 0; r < 200; ++r)
        rows.append({u"a fairly long cell %1"_s.arg(r), u"another cell"_s});
    fillSheet(0, rows);
    m_state->SheetFileName[0] = oldPath;
    m_state->PicFile[0].drawText(100, 100, oldPath);
    const QList<PanelText> panel = m_state->PicFile[0].texts;

    QString path;
    bool ok = true;
    if (target == u"limit") {
        path = oldPath;
        const FileSizeLimit limit(1024);
        ok = SaveSheet(*m_state, *m_ui, 0, path);
    } else if (target == u"folder") {
        path = m_dir->filePath(u"folder.csv"_s);
        QVERIFY(QDir().mkdir(path));
        ok = SaveSheet(*m_state, *m_ui, 0, path);
    } else if (target == u"pipe") {
        path = m_dir->filePath(u"pipe.csv"_s);
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        ok = SaveSheet(*m_state, *m_ui, 0, path);
        QVERIFY(!QFileInfo(path).isFile()); // still the pipe
    } else {
        path = m_dir->filePath(u"no such folder/out.csv"_s);
        ok = SaveSheet(*m_state, *m_ui, 0, path);
    }

    QVERIFY(!ok);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, kSaveFailedText + reason);
    QCOMPARE(m_ui->messages[0].title, kReportTitle);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::Exclamation);
    QCOMPARE(readTestFile(oldPath), oldBytes);
    QCOMPARE(m_state->SheetFileName[0], oldPath);
    QCOMPARE(m_state->PicFile[0].texts, panel);
    // No half-written file or leftover beside the old one.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"old.csv"_s});
}

void TestSaveCommands::unencodableCharacterIsNamed_data()
{
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("delimiter"); // "," saves in the comma mode
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("note"); // the message's second line

    const QString lone(QChar(0xD83D));
    QTest::newRow("character outside the BMP")
        << TextEncoding::ShiftJis << u","_s
        << QList<QStringList>{{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}, {u"e"_s, u"x😀y"_s}} << u"3行 2列: 😀"_s;
    QTest::newRow("first in the file's order")
        << TextEncoding::ShiftJis << u","_s << QList<QStringList>{{u"日本"_s, u"ok"_s}, {u"é"_s, u"😀"_s}}
        << u"2行 1列: é"_s;
    QTest::newRow("delimiter the encoding cannot hold")
        << TextEncoding::ShiftJis << u"😀"_s << QList<QStringList>{{u"a"_s, u"™"_s}} << u"区切り文字: 😀"_s;
    QTest::newRow("character that does not show")
        << TextEncoding::ShiftJis << u","_s << QList<QStringList>{{u"a\u200Eb"_s}} << u"1行 1列: U+200E"_s;
    QTest::newRow("half a surrogate pair in UTF-8")
        << TextEncoding::Utf8 << u","_s << QList<QStringList>{{u"a"_s}, {u"b"_s + lone}} << u"2行 1列: U+D83D"_s;
}

void TestSaveCommands::unencodableCharacterIsNamed()
{
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, delimiter);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, note);

    const QByteArray oldBytes = "old\r\n";
    const QString path = writeFile(u"old.csv"_s, oldBytes);
    m_state->DelimiterMode = delimiter == u","_s ? 0 : 1;
    m_state->UserDelimiter = delimiter;
    fillSheet(0, rows);
    m_state->grdData(0).setFileFormat({encoding, LineEnd::CrLf, true, {}});
    m_state->SheetFileName[0] = path;

    for (const bool saveAs : {false, true}) {
        m_ui->messages.clear();
        m_ui->questions.clear();
        if (saveAs) {
            m_ui->scriptedSavePaths = {m_dir->filePath(u"new.csv"_s)};
            cmdName_Click(*m_state, *m_ui, 0);
        } else {
            cmdSave_Click(*m_state, *m_ui, 0);
        }
        if (encoding == TextEncoding::ShiftJis) {
            // The way out to UTF-8 is offered, and declined: the recorder answers キャンセル.
            QCOMPARE(m_ui->messages.size(), 0);
            QCOMPARE(m_ui->questions.size(), 1);
            QCOMPARE(m_ui->questions[0].text, kSaveFailedText + u"\r\n"_s + kNotShiftJisText + u"\r\n"_s + note);
            QCOMPARE(m_ui->questions[0].title, kReportTitle);
            continue;
        }
        QCOMPARE(m_ui->questions.size(), 0);
        QCOMPARE(m_ui->messages.size(), 1);
        QCOMPARE(m_ui->messages[0].text, kSaveFailedText + u"\r\n"_s + note);
        QCOMPARE(m_ui->messages[0].title, kReportTitle);
        QCOMPARE(m_ui->messages[0].icon, MessageIcon::Exclamation);
    }
    QCOMPARE(readTestFile(path), oldBytes);
    QVERIFY(!QFile::exists(m_dir->filePath(u"new.csv"_s)));
    QCOMPARE(m_state->SheetFileName[0], path);
}

void TestSaveCommands::shiftJisSheetSavedAsUtf8_data()
{
    QTest::addColumn<bool>("saveAs");
    QTest::addColumn<bool>("folderGone");

    QTest::newRow("overwrite-save") << false << false;
    QTest::newRow("save-as") << true << false;
    QTest::newRow("folder gone: stays Shift_JIS") << true << true;
}

// Choosing "UTF-8（BOM付き）で保存" writes the sheet in UTF-8 with a byte order mark and makes the
// sheet's file UTF-8, so the next save asks nothing; when that save fails too, the sheet stays
// Shift_JIS and the failure is reported without blaming the character.
void TestSaveCommands::shiftJisSheetSavedAsUtf8()
{
    QFETCH(bool, saveAs);
    QFETCH(bool, folderGone);

    const QByteArray oldBytes = "old\r\n";
    const QString path = writeFile(u"old.csv"_s, oldBytes);
    const QString target = saveAs ? m_dir->filePath(folderGone ? u"gone/new.csv"_s : u"new.csv"_s) : path;
    fillSheet(0, {{u"日本"_s, u"x😀y"_s}});
    m_state->grdData(0).setFileFormat({TextEncoding::ShiftJis, LineEnd::CrLf, true, {}});
    m_state->SheetFileName[0] = path;
    m_state->SheetChanged[0] = true;
    m_ui->scriptedAnswers = {Answer::SaveAsUtf8Bom};
    m_ui->scriptedSavePaths = {target};
    if (saveAs)
        cmdName_Click(*m_state, *m_ui, 0);
    else
        cmdSave_Click(*m_state, *m_ui, 0);

    QCOMPARE(m_ui->questions.size(), 1);
    QCOMPARE(m_ui->messages.size(), 1);
    if (folderGone) {
        QCOMPARE(m_ui->messages[0].text, kSaveFailedText);
        QCOMPARE(m_state->grdData(0).fileFormat().encoding, TextEncoding::ShiftJis);
        QVERIFY(m_state->SheetChanged[0]);
        QCOMPARE(readTestFile(path), oldBytes);
        return;
    }
    QCOMPARE(m_ui->messages[0].text, kSavedText + u"\r\n"_s + target);
    QCOMPARE(readTestFile(target), QByteArray("\xEF\xBB\xBF") + u"日本,x😀y\r\n"_s.toUtf8());
    cmdSave_Click(*m_state, *m_ui, 0); // UTF-8 now: nothing more to ask
    QCOMPARE(m_ui->questions.size(), 1);
    QCOMPARE(m_ui->messages.size(), 2);
}

// A file that may be written, in a folder that takes no new file: the save, which replaces the
// file through a temporary one beside it, fails and says why, and the file stays as it was.
void TestSaveCommands::folderWithoutRoomForTemporaryFile()
{
    const QByteArray oldBytes = "old,file\r\n";
    const QString path = writeFile(u"old.csv"_s, oldBytes);
    fillSheet(0, {{u"new"_s, u"data"_s}});
    QVERIFY(QFile::setPermissions(
        path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther | QFileDevice::WriteOther));
    QVERIFY(QFile::setPermissions(m_dir->path(),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                      | QFileDevice::ExeOther));

    // Root writes into any folder.
    const std::optional<QByteArray> received = runAsOtherUser([&] {
        return SaveSheet(*m_state, *m_ui, 0, path) ? QByteArray("saved") : m_ui->messages.constLast().text.toUtf8();
    });
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QVERIFY2(received, "could not give up root");
    QCOMPARE(QString::fromUtf8(*received),
             kSaveFailedText + u"\r\n保存先のフォルダーに一時ファイルを作成できませんでした。"_s);
    QCOMPARE(readTestFile(path), oldBytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"old.csv"_s});
}

void TestSaveCommands::fileThisUserMayNotWriteIsLeftAlone_data()
{
    QTest::addColumn<bool>("settings"); // the settings file instead of an overwrite-save
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("shown");

    const QString refused = kSaveFailedText + u"\r\n書き込みの権限がありません"_s;
    QTest::newRow("read-only file") << false << 0444 << refused;
    QTest::newRow("another user's file") << false << 0644 << refused;
    QTest::newRow("read-only settings file") << true << 0444 << u"refused"_s;
}

// A rename needs only the folder's permission; the file's own is asked as well.
void TestSaveCommands::fileThisUserMayNotWriteIsLeftAlone()
{
    QFETCH(bool, settings);
    QFETCH(int, mode);
    QFETCH(QString, shown);

    if (mode == 0644 && geteuid() != 0)
        QSKIP("another user's file needs root to make it");
    QVERIFY(QFile::setPermissions(m_dir->path(), QFileDevice::Permissions(0x7777)));
    const QByteArray oldBytes = "old,file\r\n";
    const QString path = writeFile(u"old.csv"_s, oldBytes);
    LoadSheetFile(*m_state, *m_ui, 0, path);
    m_state->grdData(0).setTextMatrix(1, 1, u"edited"_s);
    const QByteArray name = QFile::encodeName(path);
    QCOMPARE(chmod(name.constData(), mode_t(mode)), 0);
    struct stat before = {};
    QCOMPARE(stat(name.constData(), &before), 0);

    const std::optional<QByteArray> received = runAsOtherUser([&] {
        if (settings)
            return QByteArray(SaveSettings(*m_state, path) ? "saved" : "refused");
        cmdSave_Click(*m_state, *m_ui, 0);
        return m_ui->messages.constLast().text.toUtf8();
    });
    QVERIFY2(received, "could not give up root");
    QCOMPARE(QString::fromUtf8(*received), shown);
    struct stat after = {};
    QCOMPARE(stat(name.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(readTestFile(path), oldBytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"old.csv"_s});
}

void TestSaveCommands::overwriteSaveWritesLoadedFile()
{
    const QString path = writeFile(u"loaded.csv"_s, "a,b\r\nc,d\r\n");
    LoadSheetFile(*m_state, *m_ui, 0, path);
    QVERIFY(m_ui->messages.isEmpty());
    m_state->grdData(0).setTextMatrix(2, 2, u"edited"_s);

    cmdSave_Click(*m_state, *m_ui, 0);

    QCOMPARE(readTestFile(path), QByteArray("a,b\r\nc,edited\r\n"));
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::Information);
    QVERIFY(m_ui->saveRequests.isEmpty()); // overwrite-save asks nothing
}

void TestSaveCommands::overwriteOfChangedFileAsks_data()
{
    QTest::addColumn<QString>("change"); // what another program does to the file after the load
    QTest::addColumn<bool>("answer"); // はい
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QByteArray>("expected"); // the file afterwards; null: no file

    const QByteArray saved("a,b\r\nc,edited\r\n");
    QTest::newRow("unchanged: saved without a question") << u"none"_s << false << false << saved;
    QTest::newRow("replaced, いいえ keeps the other program's file")
        << u"replace"_s << false << true << QByteArray("other\r\n");
    QTest::newRow("replaced, はい saves") << u"replace"_s << true << true << saved;
    QTest::newRow("emptied, いいえ") << u"empty"_s << false << true << QByteArray("");
    QTest::newRow("rewritten in place, same size, いいえ")
        << u"rewrite"_s << false << true << QByteArray("x,y\r\nz,w\r\n");
    QTest::newRow("deleted, いいえ saves nothing") << u"delete"_s << false << true << QByteArray();
    QTest::newRow("deleted, はい saves") << u"delete"_s << true << true << saved;
}

void TestSaveCommands::overwriteOfChangedFileAsks()
{
    QFETCH(QString, change);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(QByteArray, expected);

    const QString path = writeFile(u"loaded.csv"_s, "a,b\r\nc,d\r\n");
    LoadSheetFile(*m_state, *m_ui, 0, path);
    m_state->grdData(0).setTextMatrix(2, 2, u"edited"_s);
    if (change == u"replace") {
        const QString other = writeFile(u"other.csv"_s, "other\r\n");
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    } else if (change == u"empty") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    } else if (change == u"rewrite") {
        // Same size and, on a coarse clock, perhaps the same second: the modification time moves on.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write("x,y\r\nz,w\r\n");
        file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(5),
                         QFileDevice::FileModificationTime);
    } else if (change == u"delete") {
        QVERIFY(QFile::remove(path));
    }
    m_ui->scriptedAnswers = {answer ? Answer::Yes : Answer::No};

    cmdSave_Click(*m_state, *m_ui, 0);

    QCOMPARE(m_ui->questions.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(m_ui->questions[0].text,
                 u"ファイル（%1）は読み込んだ後にほかのプログラムで変更されています。上書きしますか？"_s.arg(path));
        QCOMPARE(m_ui->messages.size(), answer ? 1 : 0); // いいえ: no "保存しました"
    }
    if (expected.isNull())
        QVERIFY(!QFile::exists(path));
    else
        QCOMPARE(readTestFile(path), expected);
    // Once saved, the file is this program's own again: the next overwrite asks nothing.
    if (expected == QByteArray("a,b\r\nc,edited\r\n")) {
        cmdSave_Click(*m_state, *m_ui, 0);
        QCOMPARE(m_ui->questions.size(), asked ? 1 : 0);
    }
}

void TestSaveCommands::overwriteSaveWithoutName()
{
    fillSheet(0, {{u"a"_s}});

    cmdSave_Click(*m_state, *m_ui, 0);

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, kSaveFailedText);
    QVERIFY(m_state->SheetFileName[0].isEmpty());
    QVERIFY(m_state->PicFile[0].texts.isEmpty());
}

void TestSaveCommands::saveDialogSettings_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("offeredName");

    QTest::newRow("no file yet: home folder") << QString() << QDir::homePath() << QString();
    QTest::newRow("file in a folder") << u"/data/sub dir/売上 4月.csv"_s << u"/data/sub dir"_s << u"売上 4月.csv"_s;
    QTest::newRow("file in the root folder") << u"/a.csv"_s << u"/"_s << u"a.csv"_s;
    QTest::newRow("bare name from the command line") << u"a.csv"_s << QDir::currentPath() << u"a.csv"_s;
}

void TestSaveCommands::saveDialogSettings()
{
    QFETCH(QString, fileName);
    QFETCH(QString, folder);

    fillSheet(1, {{u"a"_s}});
    m_state->SheetFileName[1] = fileName;

    cmdName_Click(*m_state, *m_ui, 1);

    QCOMPARE(m_ui->saveRequests.size(), 1);
    const SaveDialogRequest &request = m_ui->saveRequests[0];
    QCOMPARE(request.title, u"保存ﾌｧｲﾙを指定してください。"_s);
    // The file's own encoding first, then all files, then the encodings it may be converted to.
    QCOMPARE(request.filters.size(), 7);
    QVERIFY(request.filters[0].startsWith(u"CSVファイル    (*.CSV"_s));
    QVERIFY(request.filters[0].contains(u"*.csv"_s));
    QCOMPARE(request.filters[1], u"全てのファイル  (*.*)"_s);
    QCOMPARE(request.defaultSuffix, u"csv"_s);
    QCOMPARE(request.initialFolder, folder);
    QFETCH(QString, offeredName);
    QCOMPARE(request.fileName, offeredName);
}

void TestSaveCommands::cancelledDialogSavesNothing()
{
    const QString path = writeFile(u"kept.csv"_s, "kept\r\n");
    fillSheet(0, {{u"new"_s}});
    m_state->SheetFileName[0] = path;
    m_state->fraTool[0].overwriteWithdrawn = true;

    cmdName_Click(*m_state, *m_ui, 0); // the recorder answers with an empty path: cancelled

    QCOMPARE(m_ui->saveRequests.size(), 1);
    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(readTestFile(path), QByteArray("kept\r\n"));
    QCOMPARE(m_state->SheetFileName[0], path);
    QVERIFY(!m_state->fraTool[0].cmdSaveEnabled());
    QVERIFY(m_state->fraTool[0].overwriteWithdrawn);
}

void TestSaveCommands::saveAsRestoresWithdrawnOverwrite_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("partly read sheet") << u"partial"_s;
    QTest::newRow("text that cannot be written back") << u"encoding"_s;
    QTest::newRow("new sheet") << u"new"_s;
}

void TestSaveCommands::saveAsRestoresWithdrawnOverwrite()
{
    QFETCH(QString, how);

    QString source;
    QByteArray sourceBytes;
    if (how == u"partial") {
        m_state->DelimiterMode = 1;
        for (int r = 1; r <= 32767; ++r)
            sourceBytes += QByteArray::number(r) + "|x\r\n";
        source = writeFile(u"source.txt"_s, sourceBytes);
        LoadSheetFile(*m_state, *m_ui, 0, source);
    } else if (how == u"encoding") {
        sourceBytes = "x,\xee\xe0\xfb\xfcy\r\n"; // 髙 under both its codes: one of them changes
        source = writeFile(u"source.csv"_s, sourceBytes);
        LoadSheetFile(*m_state, *m_ui, 0, source);
    } else {
        mnuNew_Click(*m_state, *m_ui);
    }
    QVERIFY(m_state->fraTool[0].overwriteWithdrawn);
    QVERIFY(!m_state->fraTool[0].cmdSaveEnabled());
    m_ui->messages.clear();

    // The button is disabled; even a stray click must not reach the source file.
    cmdSave_Click(*m_state, *m_ui, 0);
    QVERIFY(m_ui->messages.isEmpty());
    if (!source.isEmpty())
        QCOMPARE(readTestFile(source), sourceBytes);

    const QString copy = m_dir->filePath(u"copy.csv"_s);
    m_ui->scriptedSavePaths = {copy};
    cmdName_Click(*m_state, *m_ui, 0);

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::Information);
    QVERIFY(QFile::exists(copy));
    QCOMPARE(m_state->SheetFileName[0], copy);
    QVERIFY(m_state->fraTool[0].cmdSaveEnabled());
    QVERIFY(!m_state->fraTool[0].overwriteWithdrawn);

    // Overwrite-save now writes the new file and leaves the source alone.
    m_state->grdData(0).setTextMatrix(1, 1, u"changed"_s);
    cmdSave_Click(*m_state, *m_ui, 0);
    QCOMPARE(m_ui->messages.size(), 2);
    QVERIFY(readTestFile(copy).startsWith("changed"));
    if (!source.isEmpty())
        QCOMPARE(readTestFile(source), sourceBytes);
}

void TestSaveCommands::failedSaveAsKeepsOverwriteWithdrawn()
{
    mnuNew_Click(*m_state, *m_ui);
    m_ui->scriptedSavePaths = {m_dir->filePath(u"no such folder/new.csv"_s)};

    cmdName_Click(*m_state, *m_ui, 0);

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, kSaveFailedText);
    QVERIFY(m_state->SheetFileName[0].isEmpty());
    QVERIFY(!m_state->fraTool[0].cmdSaveEnabled());
    QVERIFY(m_state->fraTool[0].overwriteWithdrawn);
}

void TestSaveCommands::busyWindowSavesNothing()
{
    const QString path = writeFile(u"kept.csv"_s, "kept\r\n");
    fillSheet(1, {{u"new"_s}});
    m_state->SheetFileName[1] = path;
    m_state->CompareRunning = true;
    m_ui->scriptedSavePaths = {m_dir->filePath(u"other.csv"_s)};

    cmdSave_Click(*m_state, *m_ui, 1);
    cmdName_Click(*m_state, *m_ui, 1);

    QVERIFY(m_ui->saveRequests.isEmpty());
    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(readTestFile(path), QByteArray("kept\r\n"));
    QVERIFY(!QFile::exists(m_dir->filePath(u"other.csv"_s)));
}

void TestSaveCommands::emptyFillerRowsAreLeftOut_data()
{
    QTest::addColumn<QList<QStringList>>("left");
    QTest::addColumn<bool>("finalLineEnd"); // of the first sheet's file
    QTest::addColumn<QString>("steps"); // on row 2 of the first sheet after lining up: "type", "clear"
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("leftOut");

    const QList<QStringList> ac{{u"a"_s}, {u"c"_s}};
    QTest::newRow("filler row in the middle") << ac << true << QString() << QByteArray("a\r\nc\r\n") << 1;
    QTest::newRow("filler rows at the end of a file without a last line end")
        << QList<QStringList>{{u"a"_s}} << false << QString() << QByteArray("a") << 2;
    QTest::newRow("typed into: an ordinary row") << ac << true << u"type"_s << QByteArray("a\r\nq\r\nc\r\n") << 0;
    QTest::newRow("typed into, then emptied: still an ordinary row")
        << ac << true << u"type;clear"_s << QByteArray("a\r\n\r\nc\r\n") << 0;
    QTest::newRow("contents deleted: still a filler row") << ac << true << u"clear"_s << QByteArray("a\r\nc\r\n") << 1;
}

void TestSaveCommands::emptyFillerRowsAreLeftOut()
{
    QFETCH(QList<QStringList>, left);
    QFETCH(bool, finalLineEnd);
    QFETCH(QString, steps);
    QFETCH(QByteArray, expected);
    QFETCH(int, leftOut);

    fillSheet(0, left);
    fillSheet(1, {{u"a"_s}, {u"b"_s}, {u"c"_s}});
    Sheet &sheet = m_state->grdData(0);
    SheetFileFormat format;
    format.finalLineEnd = finalLineEnd;
    sheet.setFileFormat(format);
    RunAsHistoryStep(*m_state, Command::Align, [&] { mnuAlign_Click(*m_state, *m_ui); });
    m_state->ActiveSheet = 0;
    for (const QString &step : steps.split(u';', Qt::SkipEmptyParts)) {
        sheet.setCurrentCell(2, 1);
        if (step == u"type"_s) {
            m_state->KeyEditArmed = true;
            grdData_KeyPress(*m_state, *m_ui, 0, 'q');
            EndCellEdit(*m_state, 0);
        } else {
            RunAsHistoryStep(*m_state, Command::Del, [&] { mnuDel_Click(*m_state, *m_ui); });
        }
    }
    const QStringList before = wholeSheet(sheet);
    const QString path = m_dir->filePath(u"lined-up.csv"_s);
    m_ui->messages.clear();

    QVERIFY(SaveSheet(*m_state, *m_ui, 0, path));

    QCOMPARE(readTestFile(path), expected);
    QCOMPARE(wholeSheet(sheet), before);
    QCOMPARE(m_ui->messages.size(), 1);
    QString message = u"保存しました\r\n"_s + path;
    if (leftOut > 0)
        message += u"\r\n行を揃えるために入れた空行 %1 行は保存していません。"_s.arg(leftOut);
    QCOMPARE(m_ui->messages[0].text, message);
}

QTEST_GUILESS_MAIN(TestSaveCommands)
#include "tst_savecommands.moc"
