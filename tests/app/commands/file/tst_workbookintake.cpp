// Workbooks in the window: which worksheet is read, what the sheet is called and says about
// itself, and saving that never writes over the book.

#include "AppState.h"
#include "FileIntake.h"
#include "RecordingUserInterface.h"
#include "SaveCommands.h"
#include "StatusBarText.h"
#include "UnsavedChanges.h"
#include "WindowSheetFixtures.h"
#include "ZipWriter.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{
// A book whose sheets hold their own name in A1 and B1 = 1.
TestBook bookOf(const QStringList &names, const QStringList &states = {})
{
    TestBook book;
    for (qsizetype i = 0; i < names.size(); ++i) {
        book.sheets.append(
            {names[i],
             u"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>%1</t></is></c><c r=\"B1\"><v>1</v></c></row>"_s.arg(
                 names[i]),
             states.value(i),
             {}});
    }
    return book;
}

QByteArray hashOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}
} // namespace

class TestWorkbookIntake : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sheetChoice_data();
    void sheetChoice();
    void refusedBookChangesNothing();
    void saveWritesCsvBesideTheBook_data();
    void saveWritesCsvBesideTheBook();
    void textFileAfterBookIsNamedAsText();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

void TestWorkbookIntake::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
    for (DropPanel &panel : m_state->PicFile)
        panel.rect = {0, 60, 6000, 5400};
}

void TestWorkbookIntake::cleanup()
{
    m_ui.reset();
    m_state.reset();
    m_dir.reset();
}

void TestWorkbookIntake::sheetChoice_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QString>("otherSheet"); // the worksheet sheet 2 already shows
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("offered"); // empty: no question
    QTest::addColumn<int>("offeredDefault");
    QTest::addColumn<QString>("shown"); // the name in A1; empty: nothing loaded

    QTest::newRow("one sheet loads without a question")
        << QStringList{u"売上"_s} << QStringList{} << QString() << QList<int>{} << QStringList{} << 0 << u"売上"_s;
    QTest::newRow("one visible sheet beside hidden ones")
        << QStringList{u"隠し"_s, u"表"_s} << QStringList{u"hidden"_s, u""_s} << QString() << QList<int>{}
        << QStringList{} << 0 << u"表"_s;
    QTest::newRow("two sheets ask, the first by default") << QStringList{u"A"_s, u"B"_s} << QStringList{} << QString()
                                                          << QList<int>{} << QStringList{u"A"_s, u"B"_s} << 0 << u"A"_s;
    QTest::newRow("the other side's worksheet name comes first")
        << QStringList{u"A"_s, u"B"_s, u"C"_s} << QStringList{} << u"C"_s << QList<int>{}
        << QStringList{u"A"_s, u"B"_s, u"C"_s} << 2 << u"C"_s;
    QTest::newRow("hidden sheets are not offered")
        << QStringList{u"A"_s, u"H"_s, u"B"_s} << QStringList{u""_s, u"veryHidden"_s, u""_s} << QString()
        << QList<int>{1} << QStringList{u"A"_s, u"B"_s} << 0 << u"B"_s;
    QTest::newRow("a cancelled choice loads nothing")
        << QStringList{u"A"_s, u"B"_s} << QStringList{} << QString() << QList<int>{-1} << QStringList{u"A"_s, u"B"_s}
        << 0 << QString();
}

void TestWorkbookIntake::sheetChoice()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, states);
    QFETCH(QString, otherSheet);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, offered);
    QFETCH(int, offeredDefault);
    QFETCH(QString, shown);
    const QString path = m_dir->filePath(u"book.xlsx"_s);
    QVERIFY(writeTestBook(path, bookOf(names, states)));
    m_state->SheetWorkbookSheet[1] = otherSheet;
    m_ui->scriptedSheets = answers;

    LoadSheetFile(*m_state, *m_ui, 0, path);

    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(m_ui->sheetQuestions.size(), offered.isEmpty() ? 0 : 1);
    if (!offered.isEmpty()) {
        QCOMPARE(m_ui->sheetQuestions[0].bookName, u"book.xlsx"_s);
        QCOMPARE(m_ui->sheetQuestions[0].names, offered);
        QCOMPARE(m_ui->sheetQuestions[0].defaultIndex, offeredDefault);
    }
    const Sheet &sheet = m_state->grdData(0);
    if (shown.isEmpty()) {
        QVERIFY(!sheet.isVisible());
        QVERIFY(m_state->SheetFileName[0].isEmpty());
        return;
    }
    QVERIFY(sheet.isVisible());
    QCOMPARE(cellTexts(sheet), shown + u",1"_s);
    QCOMPARE(m_state->sheetStripText(0), u"（book.xlsx ─ %1）"_s.arg(shown));
    QVERIFY(statusSheetText(*m_state, 0).contains(u"Excel ブック"_s));
}

// A damaged book is refused with its reason, and the sheet keeps the file it showed.
void TestWorkbookIntake::refusedBookChangesNothing()
{
    const QString csv = m_dir->filePath(u"old.csv"_s);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x,y\r\n");
    file.close();
    LoadSheetFile(*m_state, *m_ui, 0, csv);
    const QString bad = m_dir->filePath(u"bad.xlsx"_s);
    QList<ZipEntry> entries = bookOf({u"A"_s}).entries();
    entries.last().data = "<worksheet><sheetData><row><c><v>1";
    QVERIFY(writeZip(bad, entries));

    LoadSheetFile(*m_state, *m_ui, 0, bad);

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, u"ブックを読み込めません（ファイルが壊れています）"_s);
    QCOMPARE(cellTexts(m_state->grdData(0)), u"x,y"_s);
    QCOMPARE(m_state->SheetFileName[0], csv);
    QCOMPARE(m_state->sheetStripText(0), csv);
}

void TestWorkbookIntake::saveWritesCsvBesideTheBook_data()
{
    QTest::addColumn<int>("way"); // 0: 上書き保存, 1: the question before changes are thrown away
    QTest::newRow("overwrite-save") << 0;
    QTest::newRow("save answered to the unsaved-changes question") << 1;
}

void TestWorkbookIntake::saveWritesCsvBesideTheBook()
{
    QFETCH(int, way);
    const QString book = m_dir->filePath(u"集計.xlsx"_s);
    QVERIFY(writeTestBook(book, bookOf({u"一月"_s, u"二月"_s})));
    const QByteArray bookHash = hashOf(book);
    m_ui->scriptedSheets = {1};
    LoadSheetFile(*m_state, *m_ui, 0, book);
    m_state->SheetChanged[0] = true;
    const QString csv = m_dir->filePath(u"集計_二月.csv"_s);
    m_ui->scriptedSavePaths = {csv};

    if (way == 0) {
        cmdSave_Click(*m_state, *m_ui, 0);
    } else {
        m_ui->scriptedAnswers = {Answer::Save};
        QVERIFY(ConfirmDiscardChanges(*m_state, *m_ui, {0}));
    }

    QCOMPARE(m_ui->messages.first().text, u"ブックには上書きできません。CSV ファイルとして保存します。"_s);
    QCOMPARE(m_ui->saveRequests.size(), 1);
    QCOMPARE(m_ui->saveRequests[0].fileName, u"集計_二月.csv"_s);
    QCOMPARE(m_ui->saveRequests[0].initialFolder, m_dir->path());
    QCOMPARE(hashOf(book), bookHash);
    QFile saved(csv);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("\xEF\xBB\xBF二月,1\r\n"));
    // The sheet's file is now the CSV file: the next save goes there without a question.
    QVERIFY(!m_state->SheetChanged[0]);
    QCOMPARE(m_state->sheetStripText(0), csv);
    QVERIFY(!statusSheetText(*m_state, 0).contains(u"Excel ブック"_s));
}

void TestWorkbookIntake::textFileAfterBookIsNamedAsText()
{
    const QString book = m_dir->filePath(u"b.xlsx"_s);
    QVERIFY(writeTestBook(book, bookOf({u"S"_s})));
    LoadSheetFile(*m_state, *m_ui, 1, book);
    const QString csv = m_dir->filePath(u"t.csv"_s);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("1\r\n");
    file.close();

    LoadSheetFile(*m_state, *m_ui, 1, csv);

    QCOMPARE(m_state->sheetStripText(1), csv);
    QVERIFY(m_state->SheetWorkbookSheet[1].isEmpty());
    QVERIFY(!statusSheetText(*m_state, 1).contains(u"Excel ブック"_s));
}

QTEST_GUILESS_MAIN(TestWorkbookIntake)
#include "tst_workbookintake.moc"
