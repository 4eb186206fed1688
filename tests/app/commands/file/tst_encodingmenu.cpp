// 「文字コード」 and the encodings of the window's loads and saves: the chosen encoding reads the
// loaded sheets again (asking about unsaved changes first) and is kept in the settings file; a
// file mostly UTF-8 says how it was read; 名前を付けて保存 converts a file.

#include "AppState.h"
#include "EncodingMenu.h"
#include "FileIntake.h"
#include "RecordingUserInterface.h"
#include "SaveCommands.h"
#include "Settings.h"
#include "StatusBarText.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextEncoding)

namespace
{
// 処理区分,件数 in EUC-JP: a file the detection reads as EUC-JP and Shift_JIS reads otherwise.
const QByteArray kEucJp("\xBD\xE8\xCD\xFD\xB6\xE8\xCA\xAC,\xB7\xEF\xBF\xF4\r\n");
} // namespace

class TestEncodingMenu : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void choiceReadsTheSheetsAgain_data();
    void choiceReadsTheSheetsAgain();
    void choiceIsKeptInTheSettings_data();
    void choiceIsKeptInTheSettings();
    void mostlyUtf8FileSaysHowItWasRead();
    void saveAsConverts_data();
    void saveAsConverts();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

void TestEncodingMenu::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
}

void TestEncodingMenu::cleanup()
{
    m_ui.reset();
    m_state.reset();
    m_dir.reset();
}

void TestEncodingMenu::choiceReadsTheSheetsAgain_data()
{
    QTest::addColumn<bool>("unsaved");
    QTest::addColumn<Answer>("answer"); // to the question about the unsaved changes
    QTest::addColumn<bool>("readAgain");

    QTest::newRow("no changes: read again unasked") << false << Answer::Cancel << true;
    QTest::newRow("changes let go") << true << Answer::DontSave << true;
    QTest::newRow("cancel keeps the sheet and the choice") << true << Answer::Cancel << false;
}

void TestEncodingMenu::choiceReadsTheSheetsAgain()
{
    QFETCH(bool, unsaved);
    QFETCH(Answer, answer);
    QFETCH(bool, readAgain);

    LoadSheetFile(*m_state, *m_ui, 0, writeTestFile(*m_dir, u"euc.csv"_s, kEucJp));
    Sheet &sheet = m_state->grdData(0);
    QCOMPARE(sheet.textMatrix(1, 1), u"処理区分"_s);
    QCOMPARE(sheet.fileFormat().encoding, TextEncoding::EucJp);
    if (unsaved) {
        sheet.setTextMatrix(1, 2, u"変更"_s);
        m_state->SheetChanged[0] = true;
    }
    m_ui->scriptedAnswers = {answer};

    mnuMoji_Click(*m_state, *m_ui, TextEncoding::ShiftJis);

    QCOMPARE(m_ui->questions.size(), unsaved ? 1 : 0);
    QCOMPARE(m_state->ChosenEncoding, readAgain ? std::optional(TextEncoding::ShiftJis) : std::nullopt);
    QCOMPARE(sheet.fileFormat().encoding, readAgain ? TextEncoding::ShiftJis : TextEncoding::EucJp);
    QCOMPARE(sheet.textMatrix(1, 1) == u"処理区分"_s, !readAgain);
    // The Shift_JIS reading replaced bytes: the file may not be overwritten from it.
    QCOMPARE(m_state->fraTool[0].overwriteWithdrawn, readAgain);

    // 自動判定 reads the file as it first was.
    if (readAgain) {
        mnuMoji_Click(*m_state, *m_ui, std::nullopt);
        QCOMPARE(sheet.textMatrix(1, 1), u"処理区分"_s);
        QVERIFY(!m_state->fraTool[0].overwriteWithdrawn);
    }
}

void TestEncodingMenu::choiceIsKeptInTheSettings_data()
{
    QTest::addColumn<int>("encoding"); // -1: 自動判定

    QTest::newRow("自動判定") << -1;
    QTest::newRow("EUC-JP") << int(TextEncoding::EucJp);
    QTest::newRow("UTF-16 BE") << int(TextEncoding::Utf16Be);
}

void TestEncodingMenu::choiceIsKeptInTheSettings()
{
    QFETCH(int, encoding);
    const std::optional<TextEncoding> chosen = encoding < 0 ? std::nullopt : std::optional(TextEncoding(encoding));
    const QString path = m_dir->filePath(u"Rowlark.ini"_s);
    m_state->ChosenEncoding = chosen;
    QVERIFY(SaveSettings(*m_state, path));

    AppState restored;
    restored.ChosenEncoding = TextEncoding::ShiftJis; // what a previous file may have left
    LoadSettings(restored, path);
    QCOMPARE(restored.ChosenEncoding, chosen);
}

void TestEncodingMenu::mostlyUtf8FileSaysHowItWasRead()
{
    QByteArray bytes;
    for (int i = 1; i <= 20; ++i)
        bytes += (u"行%1,データ\r\n"_s.arg(i)).toUtf8();
    bytes.insert(bytes.indexOf("7,"), '\xFF');
    const QString note = u"UTF-8 として読めないバイトがあります（7 行目）。Shift_JIS として読み込みました"_s;

    LoadSheetFile(*m_state, *m_ui, 0, writeTestFile(*m_dir, u"stray.csv"_s, bytes));

    QCOMPARE(m_ui->messages.size(), 1);
    QVERIFY2(m_ui->messages[0].text.startsWith(note), qPrintable(m_ui->messages[0].text));
    QVERIFY(statusSheetText(*m_state, 0).endsWith(note));

    // Chosen UTF-8, the bad byte is one U+FFFD and the rest reads right.
    mnuMoji_Click(*m_state, *m_ui, TextEncoding::Utf8);
    QCOMPARE(m_state->grdData(0).textMatrix(7, 1), u"行\uFFFD7"_s);
    QCOMPARE(m_state->grdData(0).textMatrix(8, 2), u"データ"_s);
    QVERIFY(!statusSheetText(*m_state, 0).contains(note));
}

void TestEncodingMenu::saveAsConverts_data()
{
    QTest::addColumn<qsizetype>("filter"); // of the save dialog
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QByteArray>("written"); // empty: refused
    QTest::addColumn<TextEncoding>("encoding"); // the sheet's file's afterwards

    QTest::newRow("the file's own") << qsizetype(0) << u"髙"_s << QByteArray("\xEE\xE0,x\r\n")
                                    << TextEncoding::ShiftJis;
    QTest::newRow("UTF-8 with mark") << qsizetype(2) << u"髙"_s << QByteArray("\xEF\xBB\xBF髙,x\r\n")
                                     << TextEncoding::Utf8Bom;
    QTest::newRow("EUC-JP") << qsizetype(5) << u"髙"_s << QByteArray("\xFC\xE2,x\r\n") << TextEncoding::EucJp;
    QTest::newRow("UTF-16LE with mark") << qsizetype(6) << u"髙"_s << QByteArray("\xFF\xFE\xD9\x9A,\0x\0\r\0\n\0", 12)
                                        << TextEncoding::Utf16LeBom;
    QTest::newRow("EUC-JP refuses what it lacks") << qsizetype(5) << u"한"_s << QByteArray() << TextEncoding::ShiftJis;
}

void TestEncodingMenu::saveAsConverts()
{
    QFETCH(qsizetype, filter);
    QFETCH(QString, cell);
    QFETCH(QByteArray, written);
    QFETCH(TextEncoding, encoding);

    // 髙 as the NEC-selected EE E0, which the file's own encoding writes back.
    LoadSheetFile(*m_state, *m_ui, 0, writeTestFile(*m_dir, u"sjis.csv"_s, "\xEE\xE0,x\r\n"));
    m_state->grdData(0).setTextMatrix(1, 1, cell);
    const QString path = m_dir->filePath(u"saved.csv"_s);
    m_ui->scriptedSavePaths = {path};
    m_ui->scriptedSaveFilters = {filter};
    m_ui->messages.clear();

    cmdName_Click(*m_state, *m_ui, 0);

    QCOMPARE(m_state->grdData(0).fileFormat().encoding, encoding);
    if (written.isEmpty()) {
        QVERIFY(!QFile::exists(path));
        QCOMPARE(m_ui->messages.size(), 1);
        QVERIFY2(m_ui->messages[0].text.contains(u"1行 1列: 한"_s), qPrintable(m_ui->messages[0].text));
        return;
    }
    QCOMPARE(readTestFile(path), written);
}

QTEST_MAIN(TestEncodingMenu)
#include "tst_encodingmenu.moc"
