#include "AppState.h"
#include "CellEquality.h"
#include "CompareEngine.h"
#include "CompareOptionTable.h"
#include "CompareOptionsMenu.h"
#include "CompareResult.h"
#include "Recompare.h"
#include "RecordingUserInterface.h"
#include "RowAlignment.h"
#include "Settings.h"
#include "WindowSheetFixtures.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The comparison under options: what each option makes the same at the level of a whole
// comparison (the folding rules themselves are tested on their own), that with every option off
// the comparison is exactly the old one, the dialog's rule, and the options in the settings file.
class tst_CompareOptions : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void allOffIsTheExactComparison();
    void optionsAtComparison_data();
    void optionsAtComparison();
    void liningUpUnderOptions_data();
    void liningUpUnderOptions();
    void rowHashStandIns_data();
    void rowHashStandIns();
    void dialogRule_data();
    void dialogRule();
    void changingOptionsRecolours();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void readsColumnLists_data();
    void readsColumnLists();
    void eachOptionIsOneRule_data();
    void eachOptionIsOneRule();

private:
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};

namespace
{
const QString kEquivalentLine = u"\r\nほかに、比較オプションにより同じとみなしたセルが %1 個あります"_s;

// Texts chosen so that random pairs often differ only in ways some option would forgive.
const QStringList kTexts = {u""_s,         u"a"_s,  u"A"_s,  u"ａ"_s, u" a"_s, u"a "_s, u"1,000"_s, u"1000"_s,
                            u"１０００"_s, u"ガ"_s, u"ｶﾞ"_s, u"が"_s, u"-"_s,  u"ー"_s, u"𠀋"_s,    u"x"_s};

void fillRandom(Sheet &sheet, QRandomGenerator &random, int rows, int cols)
{
    sheet.setRows(rows);
    sheet.setCols(cols);
    for (int r = 1; r < rows; ++r)
        for (int c = 1; c < cols; ++c)
            sheet.setTextMatrix(r, c, kTexts.at(random.bounded(int(kTexts.size()))));
    sheet.setVisible(true);
}
} // namespace

void tst_CompareOptions::init()
{
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
}

// With every option off, positions, colours and messages are those of comparing texts character
// for character, written out here the plain way.
void tst_CompareOptions::allOffIsTheExactComparison()
{
    QRandomGenerator random(20240601);
    for (int round = 0; round < 300; ++round) {
        init();
        std::array<Sheet *, 2> sheets{&m_state->grdData(0), &m_state->grdData(1)};
        for (Sheet *sheet : sheets)
            fillRandom(*sheet, random, 2 + random.bounded(5), 2 + random.bounded(5));
        const int commonRows = std::min(sheets[0]->rows(), sheets[1]->rows());
        const int commonCols = std::min(sheets[0]->cols(), sheets[1]->cols());

        QStringList expectedPositions;
        std::array<QString, 2> expectedMaps;
        for (int i = 0; i < 2; ++i) {
            QStringList rows;
            for (int r = 1; r < sheets[i]->rows(); ++r) {
                QString row;
                for (int c = 1; c < sheets[i]->cols(); ++c) {
                    if (r >= commonRows || c >= commonCols)
                        row += u'M';
                    else
                        row += sheets[0]->textMatrix(r, c) != sheets[1]->textMatrix(r, c) ? u'R' : u'.';
                    if (i == 0 && r < commonRows && c < commonCols
                        && sheets[0]->textMatrix(r, c) != sheets[1]->textMatrix(r, c))
                        expectedPositions << QString::number(r) + u',' + QString::number(c);
                }
                rows << row;
            }
            expectedMaps[i] = rows.join(u'|');
        }
        const bool sizesDiffer = sheets[0]->rows() != sheets[1]->rows() || sheets[0]->cols() != sheets[1]->cols();
        QString expectedMessage = expectedPositions.isEmpty() ? u"差はありません"_s
                                                              : u"差が　%1　個あります"_s.arg(expectedPositions.size());
        if (sizesDiffer)
            expectedMessage += u"\r\nサイズに差異があります"_s;

        const CompareResult found = FindDifferences(sheets[0]->data(), sheets[1]->data(), CompareOptions());
        QStringList foundPositions;
        for (const CellPosition position : found.differences)
            foundPositions << QString::number(position.row()) + u',' + QString::number(position.col());
        QCOMPARE(foundPositions, expectedPositions);
        QVERIFY(found.equivalents.empty());
        QCOMPARE(found.sizesDiffer, sizesDiffer);

        const CompareResult run = CompareSheets(*m_state, *m_ui, true);
        QCOMPARE(run.count(), qint32(expectedPositions.size()));
        QVERIFY(run.equivalents.empty());
        QCOMPARE(colourMap(*sheets[0]), expectedMaps[0]);
        QCOMPARE(colourMap(*sheets[1]), expectedMaps[1]);
        QCOMPARE(m_ui->messages.size(), 1);
        QCOMPARE(m_ui->messages.first().text, expectedMessage);
    }
}

// Each option on its own and some together, over one pair of cells in the second column (the
// first holds a pair that always differs, so that the count is never zero by accident):
// '=' the same, '~' the same only under the options (light yellow, not counted), 'x' differs.
void tst_CompareOptions::optionsAtComparison_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QChar>("kind");

    const auto row = [](const char *name, const QString &options, const QString &a, const QString &b, char kind) {
        QTest::newRow(name) << options << a << b << QChar(kind);
    };
    row("all off: letter case differs", u""_s, u"ABC"_s, u"abc"_s, 'x');
    row("all off: identical texts are equal", u""_s, u"ｶﾞ"_s, u"ｶﾞ"_s, '=');
    row("case: every script", u"ignore-case"_s, u"ΣＡЖ"_s, u"σａж"_s, '~');
    row("width: letters and digits", u"fold-width"_s, u"ＡＢＣ１２３"_s, u"ABC123"_s, '~');
    row("width: case still counts", u"fold-width"_s, u"ＡＢＣ"_s, u"abc"_s, 'x');
    row("width and case together", u"ignore-case;fold-width"_s, u"ＡＢＣ"_s, u"abc"_s, '~');
    row("kana: hiragana and katakana", u"fold-kana"_s, u"がっこう"_s, u"ガッコウ"_s, '~');
    row("kana: half-width needs width too", u"fold-kana"_s, u"ｶﾞ"_s, u"が"_s, 'x');
    row("kana and width: half-width katakana to hiragana", u"fold-width;fold-kana"_s, u"ｶﾞ"_s, u"が"_s, '~');
    row("nfc: combining voiced mark", u"nfc"_s, u"カ\u3099"_s, u"ガ"_s, '~');
    row("hyphen: minus sign and long vowel", u"fold-hyphen"_s, u"1−2ー3"_s, u"1-2-3"_s, '~');
    row("trim: full-width and no-break space at the ends", u"trim"_s, u"\u3000abc\u00A0"_s, u"abc"_s, '~');
    row("trim: inner blanks count", u"trim"_s, u"a b"_s, u"ab"_s, 'x');
    row("trim: a blank at the end and one inside", u"trim"_s, u"a b "_s, u"ab"_s, 'x');
    row("ignore-space: inner blanks", u"ignore-space"_s, u"a b\tc\u3000"_s, u"abc"_s, '~');
    row("ignore-space: blank against empty", u"ignore-space"_s, u" "_s, u""_s, '~');
    row("numeric: separators, width, yen", u"numeric"_s, u"¥1,000"_s, u"１０００"_s, '~');
    row("numeric: different values", u"numeric"_s, u"1000"_s, u"1001"_s, 'x');
    row("numeric: within tolerance", u"numeric=0.5"_s, u"10.2"_s, u"10.6"_s, '~');
    row("numeric: beyond tolerance", u"numeric=0.5"_s, u"10"_s, u"10.6"_s, 'x');
    // Values compare as the decimals they are written as, tolerance included, not as doubles.
    row("numeric: past a double's integers", u"numeric"_s, u"9007199254740993"_s, u"9007199254740992"_s, 'x');
    row("numeric: twenty digits", u"numeric"_s, u"12345678901234567890"_s, u"12345678901234567891"_s, 'x');
    row("numeric: the seventeenth decimal", u"numeric"_s, u"0.1"_s, u"0.10000000000000001"_s, 'x');
    row("numeric: long numbers of one value", u"numeric"_s, u"12,345,678,901,234,567,890.50"_s,
        u"12345678901234567890.5"_s, '~');
    row("numeric: exactly the tolerance apart", u"numeric=0.1"_s, u"1.1"_s, u"1.0"_s, '~');
    row("numeric: just past the tolerance", u"numeric=0.1"_s, u"1.1"_s, u"0.99999999999999999999"_s, 'x');
    row("numeric: the tolerance near one", u"numeric=0.3"_s, u"1.3"_s, u"1"_s, '~');
    row("numeric: the tolerance near three", u"numeric=0.3"_s, u"3.3"_s, u"3"_s, '~');
    row("numeric: the tolerance across zero", u"numeric=0.3"_s, u"-0.1"_s, u"0.2"_s, '~');
    row("numeric: past the tolerance across zero", u"numeric=0.3"_s, u"△0.2"_s, u"0.2"_s, 'x');
    row("numeric: a tolerance on huge numbers", u"numeric=1"_s, u"9007199254740993"_s, u"9007199254740994"_s, '~');
    row("numeric: empty cell is no zero", u"numeric"_s, u""_s, u"0"_s, 'x');
    row("numeric with trim: blanks around a number", u"numeric;trim"_s, u" 1,000 "_s, u"1000"_s, '~');
    row("numeric without trim: blanks make text", u"numeric"_s, u" 1000"_s, u"1000"_s, 'x');
    row("surrogate pair with case", u"ignore-case"_s, u"𠀋A"_s, u"𠀋a"_s, '~');
    row("every text option: mixed case", u"ignore-case;fold-width;fold-kana;nfc;fold-hyphen;trim;ignore-space"_s,
        u" ＡＢＣ−ｶﾞ "_s, u"abc-が"_s, '~');
    row("numeric: a code keeps its zeros", u"numeric"_s, u"001234"_s, u"1234"_s, 'x');
    row("numeric: a code against itself in full width", u"numeric;fold-width"_s, u"００１２"_s, u"0012"_s, '~');
    row("sjis: wave dash", u"fold-sjis-pairs"_s, u"10〜20"_s, u"10～20"_s, '~');
    row("sjis: pairs and width together", u"fold-sjis-pairs;fold-width"_s, u"￠〜"_s, u"¢～"_s, '~');
    row("digits: postal code", u"ignore-digit-separators"_s, u"〒123-4567"_s, u"1234567"_s, '~');
    row("digits: phone number", u"ignore-digit-separators"_s, u"03-1234-5678"_s, u"0312345678"_s, '~');
    row("digits: other number", u"ignore-digit-separators"_s, u"03-1234-5678"_s, u"0312345679"_s, 'x');
    row("digits with numeric: a separated code is no number", u"ignore-digit-separators;numeric"_s, u"012-34"_s,
        u"1234"_s, 'x');
    row("dates: era and western", u"dates"_s, u"令和6年4月1日"_s, u"2024/4/1"_s, '~');
    row("dates: other days", u"dates"_s, u"R6.4.1"_s, u"2024/4/2"_s, 'x');
    row("dates: not a date in its era", u"dates"_s, u"平成31年5月1日"_s, u"2019/5/1"_s, 'x');
    row("dates with trim", u"dates;trim"_s, u" 2024-04-01 "_s, u"2024年4月1日"_s, '~');
    row("dates with digits: a date is only a date", u"dates;ignore-digit-separators"_s, u"2024-04-01"_s, u"20240401"_s,
        'x');
    row("width limited to its column", u"fold-width:2"_s, u"ＡＢ"_s, u"AB"_s, '~');
    row("width limited to other columns", u"fold-width:1,3-5"_s, u"ＡＢ"_s, u"AB"_s, 'x');
    row("numeric limited, with a tolerance", u"numeric:2=0.5"_s, u"10.2"_s, u"10.6"_s, '~');
    row("case everywhere, width elsewhere", u"ignore-case;fold-width:1"_s, u"ＡＢ"_s, u"ab"_s, 'x');
    row("case and width limited to one column", u"ignore-case:2;fold-width:2-3"_s, u"ＡＢ"_s, u"ab"_s, '~');
    row("skipped column is never marked", u"skip-columns=2"_s, u"abc"_s, u"xyz"_s, '=');
    row("another column skipped", u"skip-columns=3-5"_s, u"abc"_s, u"xyz"_s, 'x');
}

void tst_CompareOptions::optionsAtComparison()
{
    QFETCH(QString, options);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QChar, kind);

    Sheet &grd0 = m_state->grdData(0);
    Sheet &grd1 = m_state->grdData(1);
    fillSheet(grd0, u"p,"_s);
    fillSheet(grd1, u"q,"_s);
    grd0.setTextMatrix(1, 2, first);
    grd1.setTextMatrix(1, 2, second);
    m_state->compareOptions = compareOptionsFromText(options);
    QCOMPARE(m_state->compareOptions.isExact(), options.isEmpty()); // the row's options were read

    const CompareResult found = FindDifferences(grd0.data(), grd1.data(), m_state->compareOptions);
    QCOMPARE(found.count(), kind == u'x' ? 2 : 1);
    QCOMPARE(found.equivalents.size(), size_t(kind == u'~' ? 1 : 0));

    // The window's run colours the same and says so in its message.
    const QString mark = kind == u'x' ? u"R"_s : kind == u'~' ? u"Y"_s : u"."_s;
    const CompareResult run = CompareSheets(*m_state, *m_ui, true);
    QCOMPARE(run.count(), found.count());
    QCOMPARE(colourMap(grd0), u"R"_s + mark);
    QCOMPARE(colourMap(grd1), u"R"_s + mark);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().text,
             u"差が　%1　個あります"_s.arg(found.count()) + (kind == u'~' ? kEquivalentLine.arg(1) : QString()));

    // Re-comparing the block after an edit decides alike.
    for (int i = 0; i < 2; ++i)
        m_state->grdData(i).resetBackColors();
    grd0.setCurrentCell(1, 2);
    RecompareSelection(*m_state, 0);
    QCOMPARE(colourMap(grd0), u"."_s + mark);
    QCOMPARE(colourMap(grd1), u"."_s + mark);
}

// Lining up matches rows the options make the same, and only those: sheet 1 has one row more
// at the top, and sheet 0's one empty row goes where the first matched row says.
void tst_CompareOptions::liningUpUnderOptions_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("sheet0");
    QTest::addColumn<QString>("sheet1");
    QTest::addColumn<int>("before"); // the row of sheet 0 its empty row goes before

    QTest::newRow("exact: a row inserted at the top") << u""_s << u"a,1|b,2"_s << u"n,0|a,1|b,2"_s << 1;
    QTest::newRow("exact: case differs, no row matches, the likest rows pair")
        << u""_s << u"a,1|b,2"_s << u"n,0|A,1|B,2"_s << 1;
    QTest::newRow("ignore-case: case differs, the insert is found")
        << u"ignore-case"_s << u"a,1|b,2"_s << u"n,0|A,1|B,2"_s << 1;
    QTest::newRow("numeric: values alike") << u"numeric"_s << u"a,1000|b,2"_s << u"n,0|a,１０００|b,２"_s << 1;
    QTest::newRow("numeric: other values do not match, the likest rows pair")
        << u"numeric"_s << u"a,1000|b,2"_s << u"n,0|a,999|b,3"_s << 1;
    QTest::newRow("numeric: a row unlike both faces the empty row")
        << u"numeric"_s << u"a,1000|b,2"_s << u"a,1000.0|b,2|x,9"_s << 3;
    QTest::newRow("dates: written two ways") << u"dates"_s << u"a,2024/4/1|b,2"_s << u"n,0|a,令和6年4月1日|b,2"_s << 1;
    // Both rows of file 2 are one cell unlike file 1's first row unless the date rule holds in
    // column 2: then the second row is the same, and the inserted row faces the first.
    QTest::newRow("dates in their column")
        << u"dates:2"_s << u"a,2024/4/1|b,2"_s << u"a,2024/4/2|a,令和6年4月1日|b,2"_s << 1;
    QTest::newRow("dates in another column only")
        << u"dates:1"_s << u"a,2024/4/1|b,2"_s << u"a,2024/4/2|a,令和6年4月1日|b,2"_s << 2;
    QTest::newRow("skipped column does not count") << u"skip-columns=2"_s << u"a,1|b,2"_s << u"n,0|a,9|b,8"_s << 1;
}

void tst_CompareOptions::rowHashStandIns_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("text0");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<bool>("shared"); // the two texts hash alike
    QTest::newRow("numeric: one value, written two ways") << u"numeric"_s << u"1,000"_s << u"１０００"_s << true;
    QTest::newRow("numeric: trailing zeros") << u"numeric"_s << u"2.50"_s << u"2.5"_s << true;
    // Rows of numbers that differ must not all fall into one bucket, or lining them up takes
    // the square of their number.
    QTest::newRow("numeric: other values") << u"numeric"_s << u"1000"_s << u"999"_s << false;
    QTest::newRow("numeric within a tolerance: values apart hash alike")
        << u"numeric=0.5"_s << u"1.0"_s << u"1.4"_s << true;
    QTest::newRow("ignore-case: case") << u"ignore-case"_s << u"Ab"_s << u"aB"_s << true;
    QTest::newRow("dates: one day written two ways") << u"dates"_s << u"R6.4.1"_s << u"2024/04/01"_s << true;
    QTest::newRow("dates: other days") << u"dates"_s << u"R6.4.1"_s << u"2024/04/02"_s << false;
    QTest::newRow("digits: one number with and without hyphens")
        << u"ignore-digit-separators;numeric"_s << u"123-4567"_s << u"1234567"_s << true;
}

void tst_CompareOptions::rowHashStandIns()
{
    QFETCH(QString, options);
    QFETCH(QString, text0);
    QFETCH(QString, text1);
    QFETCH(bool, shared);
    CellEquality equality(compareOptionsFromText(options));
    const QString key0 = equality.hashKey(text0).toString();
    const QString key1 = equality.hashKey(text1).toString();
    QCOMPARE(key0 == key1, shared);
}

void tst_CompareOptions::liningUpUnderOptions()
{
    QFETCH(QString, options);
    QFETCH(QString, sheet0);
    QFETCH(QString, sheet1);
    QFETCH(int, before);

    fillSheet(m_state->grdData(0), sheet0);
    fillSheet(m_state->grdData(1), sheet1);
    const std::optional<RowAlignment> alignment
        = lineUpRows(m_state->grdData(0).data(), m_state->grdData(1).data(), compareOptionsFromText(options));
    QVERIFY(alignment);
    QCOMPARE(alignment->insertions[0], (std::vector<RowInsertion>{{before, 1}}));
    QVERIFY(alignment->insertions[1].empty());
}

// "保存" of the dialog: the options it stores, or the message that keeps it open.
void tst_CompareOptions::dialogRule_data()
{
    QTest::addColumn<QList<int>>("checked"); // CompareOptionsEntry::Check values
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<QString>("skipColumns");
    QTest::addColumn<QString>("stored"); // compareOptionsText of the result; null: refused
    QTest::addColumn<QString>("message"); // the refusal's first line
    QTest::addColumn<QString>("columns"); // typed beside every option with a switch

    using E = CompareOptionsEntry;
    QTest::newRow("nothing checked") << QList<int>{} << u""_s << u""_s << u""_s << QString() << QString();
    QTest::newRow("width and kana") << QList<int>{E::FoldWidth, E::FoldKana} << u""_s << u""_s
                                    << u"fold-width;fold-kana"_s << QString() << QString();
    QTest::newRow("numeric with a full-width tolerance")
        << QList<int>{E::Numeric} << u"０．５"_s << u""_s << u"numeric=0.5"_s << QString() << QString();
    QTest::newRow("tolerance ignored while numeric is off")
        << QList<int>{E::Trim} << u"abc"_s << u"2"_s << u"trim;skip-columns=2"_s << QString() << QString();
    QTest::newRow("column list in full width, out of order, overlapping")
        << QList<int>{} << u""_s << u"７，３、　１－２, 2-3"_s << u"skip-columns=1-3, 7"_s << QString() << QString();
    QTest::newRow("column 0 is the header") << QList<int>{} << u""_s << u"0, 2"_s << QString()
                                            << u"比較しない列は列番号をカンマで区切って指定して下さい"_s << QString();
    QTest::newRow("bad tolerance") << QList<int>{E::Numeric} << u"-1"_s << u""_s << QString()
                                   << u"許容誤差は 0 以上の数値で指定して下さい"_s << QString();
    QTest::newRow("bad column list") << QList<int>{E::IgnoreCase} << u""_s << u"3-1"_s << QString()
                                     << u"比較しない列は列番号をカンマで区切って指定して下さい"_s << QString();
    QTest::newRow("options limited to columns") << QList<int>{E::FoldWidth, E::Dates} << u""_s << u""_s
                                                << u"fold-width:2, 4-5;dates:2, 4-5"_s << QString() << u"４-５, 2"_s;
    QTest::newRow("a bad list of a checked option")
        << QList<int>{E::Dates} << u""_s << u""_s << QString() << u"「日付の書き方の違いを無視」の列は"_s << u"x"_s;
    QTest::newRow("lists of options not checked do not count")
        << QList<int>{} << u""_s << u""_s << u""_s << QString() << u"x"_s;
}

void tst_CompareOptions::dialogRule()
{
    QFETCH(QString, columns);
    QFETCH(QList<int>, checked);
    QFETCH(QString, tolerance);
    QFETCH(QString, skipColumns);
    QFETCH(QString, stored);
    QFETCH(QString, message);

    const CompareOptions before = compareOptionsFromText(u"ignore-space;skip-columns=9"_s);
    m_state->compareOptions = before;
    CompareOptionsEntry entry;
    for (const int check : std::as_const(checked))
        entry.checks[size_t(check)] = true;
    entry.tolerance = tolerance;
    entry.skipColumns = skipColumns;
    entry.columns.fill(columns);

    const bool saved = SaveCompareOptionsChoice(*m_state, *m_ui, entry);
    QCOMPARE(saved, !stored.isNull());
    if (saved) {
        QVERIFY(m_ui->messages.isEmpty());
        QCOMPARE(compareOptionsText(m_state->compareOptions), stored);
        // What the dialog shows next time reads back as the same options.
        QVERIFY(SaveCompareOptionsChoice(*m_state, *m_ui, entryFromOptions(m_state->compareOptions)));
        QCOMPARE(compareOptionsText(m_state->compareOptions), stored);
    } else {
        QVERIFY(m_state->compareOptions == before);
        QCOMPARE(m_ui->messages.size(), 1);
        QVERIFY(m_ui->messages.first().text.startsWith(message));
        QCOMPARE(m_ui->messages.first().title, u"設定エラー"_s);
    }
}

// A comparison shown on the sheets is done again under the new options, so no mark made under
// the old ones stays; an unchanged choice or no comparison yet leaves the colours alone.
void tst_CompareOptions::changingOptionsRecolours()
{
    fillSheet(m_state->grdData(0), u"ABC,x"_s);
    fillSheet(m_state->grdData(1), u"abc,y"_s);
    QVERIFY(cmdDiff_Click(*m_state, *m_ui));
    QCOMPARE(colourMap(m_state->grdData(0)), u"RR"_s);

    m_ui->onCompareOptionsDialog = [](AppState &state) { state.compareOptions.ignoreCase = true; };
    mnuHikakuOption_Click(*m_state, *m_ui);
    QCOMPARE(m_ui->compareOptionsDialogs, 1);
    QCOMPARE(colourMap(m_state->grdData(0)), u"YR"_s);
    QCOMPARE(colourMap(m_state->grdData(1)), u"YR"_s);

    m_ui->onCompareOptionsDialog = [](AppState &state) { state.compareOptions = CompareOptions(); };
    mnuHikakuOption_Click(*m_state, *m_ui);
    QCOMPARE(colourMap(m_state->grdData(0)), u"RR"_s);

    m_state->CompareRunning = true;
    mnuHikakuOption_Click(*m_state, *m_ui);
    QCOMPARE(m_ui->compareOptionsDialogs, 2);
}

void tst_CompareOptions::settingsRoundTrip_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("line"); // the settings file's line for them; empty: none

    QTest::newRow("all off writes nothing") << u""_s << QString();
    QTest::newRow("every option") << u"ignore-case;fold-width;fold-kana;nfc;fold-hyphen;trim;ignore-space;"
                                     u"numeric=0.25;skip-columns=3, 5-7"_s
                                  << u"[HIKAKU]ignore-case;fold-width;fold-kana;nfc;fold-hyphen;trim;ignore-space;"
                                     u"numeric=0.25;skip-columns=3, 5-7"_s;
    QTest::newRow("numeric without tolerance") << u"numeric=0"_s << u"[HIKAKU]numeric=0"_s;
    QTest::newRow("per-column lists") << u"dates:1;fold-width:４-５, 2;numeric:3=0.5"_s
                                      << u"[HIKAKU]fold-width:2, 4-5;numeric:3=0.5;dates:1"_s;
}

void tst_CompareOptions::settingsRoundTrip()
{
    QFETCH(QString, options);
    QFETCH(QString, line);

    QTemporaryDir folder;
    const QString path = folder.filePath(u"Rowlark.ini"_s);
    m_state->compareOptions = compareOptionsFromText(options);
    QVERIFY(SaveSettings(*m_state, path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    if (line.isEmpty())
        QVERIFY(!text.contains(u"[HIKAKU]"_s));
    else
        QVERIFY2(text.endsWith(line + u"\r\n"_s), qPrintable(text));

    // A fresh state with other options: what the file says replaces them.
    AppState loaded;
    loaded.compareOptions = compareOptionsFromText(u"trim"_s);
    LoadSettings(loaded, path);
    QVERIFY(loaded.compareOptions == m_state->compareOptions);
    QCOMPARE(compareOptionsSummary(loaded.compareOptions).isEmpty(), options.isEmpty());
}

// Each option by its name: it makes the pair the same, the rule that explains the pair names that
// option back, the status line calls it by its word, and the settings text keeps it.
void tst_CompareOptions::eachOptionIsOneRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("settings");

    QTest::newRow("case") << u"ignore-case"_s << u"Tokyo"_s << u"TOKYO"_s << u"大小文字"_s << u"ignore-case"_s;
    QTest::newRow("width") << u"fold-width"_s << u"ＡＢ"_s << u"AB"_s << u"全半角"_s << u"fold-width"_s;
    QTest::newRow("kana") << u"fold-kana"_s << u"とうきょう"_s << u"トウキョウ"_s << u"かなカナ"_s << u"fold-kana"_s;
    QTest::newRow("composition") << u"nfc"_s << u"ガ"_s << u"カ\u3099"_s << u"合成文字"_s << u"nfc"_s;
    QTest::newRow("hyphens") << u"fold-hyphen"_s << u"1-2"_s << u"1−2"_s << u"ハイフン"_s << u"fold-hyphen"_s;
    QTest::newRow("blanks at the ends") << u"trim"_s << u"東京"_s << u"東京　"_s << u"前後の空白"_s << u"trim"_s;
    QTest::newRow("every blank") << u"ignore-space"_s << u"東 京"_s << u"東京"_s << u"空白"_s << u"ignore-space"_s;
    QTest::newRow("numbers") << u"numeric"_s << u"1,000"_s << u"1000"_s << u"数値"_s << u"numeric=0"_s;
    QTest::newRow("Shift_JIS pairs") << u"fold-sjis-pairs"_s << u"‖"_s << u"∥"_s << u"Shift_JIS"_s
                                     << u"fold-sjis-pairs"_s;
    QTest::newRow("digit separators") << u"ignore-digit-separators"_s << u"123-4567"_s << u"1234567"_s
                                      << u"数字の区切り"_s << u"ignore-digit-separators"_s;
    QTest::newRow("dates") << u"dates"_s << u"R6.4.1"_s << u"2024-04-01"_s << u"日付"_s << u"dates"_s;
}

void tst_CompareOptions::eachOptionIsOneRule()
{
    QFETCH(QString, name);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, label);
    QFETCH(QString, settings);

    QCOMPARE(CellEquality(CompareOptions()).match(a, b, 1), CellMatch::Differs);
    CompareOptions options;
    QCOMPARE(setCompareOption(options, name, std::nullopt), OptionName::Set);
    QCOMPARE(CellEquality(options).match(a, b, 1), CellMatch::Equivalent);
    TextFolding::FoldBuffers buffers;
    const std::optional<TextFolding::Rule> rule = TextFolding::ruleThatMakesEqual(a, b, buffers);
    QVERIFY(rule);
    QCOMPARE(compareOptionOf(*rule).name, name);
    QCOMPARE(compareOptionLabels(options), QStringList{label});
    QCOMPARE(compareOptionsText(options), settings);
    QVERIFY(compareOptionsFromText(settings) == options);
}

QTEST_GUILESS_MAIN(tst_CompareOptions)
#include "tst_compareoptions.moc"

// An option's column list after a colon, as the command line and the settings file write it.
void tst_CompareOptions::readsColumnLists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value"); // "-": none
    QTest::addColumn<int>("result"); // OptionName
    QTest::addColumn<QString>("settings"); // what the settings file then says
    QTest::addColumn<QString>("label"); // and the status line and the reports

    QTest::newRow("a switch for some columns")
        << u"fold-width:3,5-7"_s << u"-"_s << int(OptionName::Set) << u"fold-width:3, 5-7"_s << u"全半角(列 3, 5-7)"_s;
    QTest::newRow("a tolerance and columns")
        << u"numeric:2"_s << u"0.5"_s << int(OptionName::Set) << u"numeric:2=0.5"_s << u"数値(±0.5)(列 2)"_s;
    QTest::newRow("an empty list") << u"dates:"_s << u"-"_s << int(OptionName::BadValue) << QString() << QString();
    QTest::newRow("a list that cannot be read")
        << u"dates:0"_s << u"-"_s << int(OptionName::BadValue) << QString() << QString();
    QTest::newRow("no list for the skipped columns")
        << u"skip-columns:2"_s << u"3"_s << int(OptionName::BadValue) << QString() << QString();
    QTest::newRow("an unknown name with a list")
        << u"fold-all:2"_s << u"-"_s << int(OptionName::Unknown) << QString() << QString();
}

void tst_CompareOptions::readsColumnLists()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(int, result);
    QFETCH(QString, settings);
    QFETCH(QString, label);
    CompareOptions options;
    const std::optional<QStringView> given = value == u"-"_s ? std::nullopt : std::optional<QStringView>(value);
    QCOMPARE(int(setCompareOption(options, name, given)), result);
    QCOMPARE(compareOptionsText(options), settings);
    QCOMPARE(compareOptionLabels(options).join(u'・'), label);
}
