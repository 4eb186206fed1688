#include "KeyCommands.h"
#include "RecordingUserInterface.h"
#include "Settings.h"
#include "SheetPairFixture.h"
#include "UndoSnapshots.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
using KeyCommand = void (*)(AppState &, UserInterface &);

// Runs a key command as the window does: one step of the history.
void runAsCommand(KeyCommand command, AppState &state, UserInterface &ui)
{
    RunAsHistoryStep(state, command == mnuKeySort_Click ? Command::KeySort : Command::KeyAlign,
                     [&] { command(state, ui); });
}
} // namespace
Q_DECLARE_METATYPE(KeyCommand)

class TestKeyCommands : public QObject, private SheetPairFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void changesBothSheets_data();
    void changesBothSheets();
    void oneUndoPerSheetTakesItBack_data();
    void oneUndoPerSheetTakesItBack();
    void refusesToPassTheRowLimit();
    void dialogProposesAndRemembersTheKeys();

private:
    // The dialog answers with these key columns.
    void chooseKeys(const std::vector<int> &columns, bool header);
};

void TestKeyCommands::init()
{
    startPair();
}

void TestKeyCommands::cleanup()
{
    stopPair();
}

void TestKeyCommands::chooseKeys(const std::vector<int> &columns, bool header)
{
    m_ui->onKeyColumnsDialog = [this, columns, header](AppState &state) {
        return SaveKeyColumnsChoice(state, *m_ui, KeyColumns{columns, header});
    };
}

void TestKeyCommands::changesBothSheets_data()
{
    QTest::addColumn<KeyCommand>("command");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QString>("leftAfter");
    QTest::addColumn<QString>("rightAfter");
    QTest::addColumn<QString>("coloursAfter");
    QTest::addColumn<QString>("message");

    const KeyCommand align = mnuKeyAlign_Click;
    const KeyCommand sort = mnuKeySort_Click;
    QTest::newRow("line up: deleted, changed and inserted rows")
        << align << u"1,a|2,b|3,c"_s << u"1,a|3,C|4,d"_s << false << u"1,a|2,b|3,c|,"_s << u"1,a|,|3,C|4,d"_s
        << u"..|RR|.R|GG / ..|GG|.R|RR"_s << u"ファイル１に 1 行、ファイル２に 1 行の空行を入れて揃えました。"_s;
    QTest::newRow("line up: a repeated key")
        << align << u"1,a|1,b"_s << u"1,a"_s << false << u"1,a|1,b"_s << u"1,a|,"_s << u"..|RR / ..|GG"_s
        << u"ファイル１に 0 行、ファイル２に 1 行の空行を入れて揃えました。\r\n"
           u"キーが重複している行があります（ファイル１: 2 行, ファイル２: 0 行）"_s;
    QTest::newRow("line up: already lined up") << align << u"1,a|2,b"_s << u"1,x|2,y"_s << false << u"1,a|2,b"_s
                                               << u"1,x|2,y"_s << u"..|.. / ..|.."_s << u"行はすでに揃っています。"_s;
    QTest::newRow("sort: both sheets") << sort << u"3,c|1,a|2,b"_s << u"2,b|1,a"_s << false << u"1,a|2,b|3,c"_s
                                       << u"1,a|2,b"_s << u"..|..|MM / ..|.."_s << u"キー列の順に並べ替えました。"_s;
    QTest::newRow("sort: already sorted") << sort << u"1|2"_s << u"1|3"_s << false << u"1|2"_s << u"1|3"_s
                                          << u".|. / .|."_s << u"行はすでにキー列の順に並んでいます。"_s;
}

void TestKeyCommands::changesBothSheets()
{
    QFETCH(KeyCommand, command);
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(bool, header);
    QFETCH(QString, leftAfter);
    QFETCH(QString, rightAfter);
    QFETCH(QString, coloursAfter);
    QFETCH(QString, message);

    fillPair(left, right);
    chooseKeys({1}, header);
    runAsCommand(command, s(), *m_ui);
    QCOMPARE(m_ui->keyColumnsDialogs.size(), 1);
    QCOMPARE(cellTexts(s().grdData(0)), leftAfter);
    QCOMPARE(cellTexts(s().grdData(1)), rightAfter);
    QCOMPARE(colourMap(s().grdData(0)) + u" / "_s + colourMap(s().grdData(1)), coloursAfter);
    // A line-up is one step on both sheets, whichever of them it changed.
    const bool changedEither = left != leftAfter || right != rightAfter;
    QCOMPARE(s().UndoAvailable[0], changedEither);
    QCOMPARE(s().UndoAvailable[1], changedEither);
    for (int i = 0; i < 2; ++i) {
        const Sheet &sheet = s().grdData(i);
        QCOMPARE(sheet.textMatrix(sheet.rows() - 1, 0), u"%1行"_s.arg(sheet.rows() - 1));
    }
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text, message);
    QCOMPARE(m_ui->messages.first().icon, MessageIcon::Information);

    // Run again, the command finds nothing to do.
    runAsCommand(command, s(), *m_ui);
    QCOMPARE(cellTexts(s().grdData(0)) + u" / "_s + cellTexts(s().grdData(1)), leftAfter + u" / "_s + rightAfter);
    QVERIFY2(m_ui->messages.last().text.startsWith(u"行はすでに"_s), qPrintable(m_ui->messages.last().text));

    // Cancelled, the dialog changes nothing.
    m_ui->onKeyColumnsDialog = nullptr;
    fillPair(left, right);
    runAsCommand(command, s(), *m_ui);
    QCOMPARE(cellTexts(s().grdData(0)) + cellTexts(s().grdData(1)), left + right);
    QCOMPARE(m_ui->messages.size(), 2);
}

void TestKeyCommands::oneUndoPerSheetTakesItBack_data()
{
    QTest::addColumn<KeyCommand>("command");
    QTest::newRow("line up") << KeyCommand(mnuKeyAlign_Click);
    QTest::newRow("sort") << KeyCommand(mnuKeySort_Click);
}

void TestKeyCommands::oneUndoPerSheetTakesItBack()
{
    QFETCH(KeyCommand, command);

    // Stretches of unequal lengths on both sides, so that both sheets get empty rows.
    const QString left = u"3,c|8,h|1,a|5,e"_s;
    const QString right = u"4,d|1,x|3,c|6,f"_s;
    fillPair(left, right);
    // A line end of its own travels with its row and comes back with the undo.
    SheetData data = s().grdData(0).data();
    data.setLineEnd(1, LineEnd::Lf);
    s().grdData(0).setData(data);
    s().mnuUndoChecked = true;
    chooseKeys({1}, false);
    runAsCommand(command, s(), *m_ui);
    QVERIFY(cellTexts(s().grdData(0)) != left && cellTexts(s().grdData(1)) != right);
    for (int i = 0; i < 2; ++i) {
        s().ActiveSheet = i;
        mnuZ_Click(s(), *m_ui);
    }
    QCOMPARE(cellTexts(s().grdData(0)), left);
    QCOMPARE(cellTexts(s().grdData(1)), right);
    QCOMPARE(s().grdData(0).data().lineEnd(1), std::optional<LineEnd>(LineEnd::Lf));
    QVERIFY(!s().grdData(0).isFillerRow(s().grdData(0).rows() - 1));
}

void TestKeyCommands::refusesToPassTheRowLimit()
{
    fillPair(u"a"_s, u"x|a"_s);
    Sheet &left = s().grdData(0);
    left.setRows(kMaxRowCol);
    const QStringList before = wholeSheet(left);
    chooseKeys({1}, false);
    RunAsHistoryStep(s(), Command::KeyAlign, [&] { mnuKeyAlign_Click(s(), *m_ui); });
    QCOMPARE(wholeSheet(left), before);
    QCOMPARE(cellTexts(s().grdData(1)), u"x|a"_s);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text, alignTooLongText());
    QCOMPARE(m_ui->messages.first().icon, MessageIcon::Exclamation);
    QVERIFY(!s().UndoAvailable[0] && !s().UndoAvailable[1]);
}

void TestKeyCommands::dialogProposesAndRemembersTheKeys()
{
    fillPair(u"品番,名前,数|A1,x,1"_s, u"品番,名前|A1,y"_s);
    // Columns the sheets do not have are not offered; the heading follows the columns offered.
    s().keyColumns = KeyColumns{{2, 7}, false};
    QCOMPARE(proposedKeyColumns(s()), (KeyColumns{{2}, true}));
    QVERIFY(SaveKeyColumnsChoice(s(), *m_ui, KeyColumns{{3, 1}, true}));
    QCOMPARE(s().keyColumns.columns, (std::vector<int>{1, 3}));

    QTemporaryDir folder;
    const QString path = folder.filePath(u"Rowlark.ini"_s);
    QVERIFY(SaveSettings(s(), path));
    AppState read;
    LoadSettings(read, path);
    QCOMPARE(read.keyColumns.columns, (std::vector<int>{1, 3}));
}

QTEST_GUILESS_MAIN(TestKeyCommands)
#include "tst_keycommands.moc"
