#include "CellDifference.h"
#include "CharacterNames.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
// Marks and highlights written into the shown text: [x] for a highlight (I, D or C before the
// bracket), {x} for a stand-in mark, <x> for the boxed full-width space.
QString written(const ShownCellText &text)
{
    QString result;
    for (qsizetype i = 0; i <= text.shown.size(); ++i) {
        for (const ShownMark &m : text.marks) {
            if (m.start + m.length == i)
                result += m.boxed ? u'>' : u'}';
        }
        for (const ShownHighlight &h : text.highlights) {
            if (h.start + h.length == i)
                result += u']';
        }
        for (const ShownHighlight &h : text.highlights) {
            if (h.start == i)
                result += (h.kind == SpanKind::Inserted ? u"I["_s : h.kind == SpanKind::Deleted ? u"D["_s : u"C["_s);
        }
        for (const ShownMark &m : text.marks) {
            if (m.start == i)
                result += m.boxed ? u'<' : u'{';
        }
        if (i < text.shown.size())
            result += text.shown.at(i);
    }
    return result;
}
} // namespace

class TestCellDifference : public QObject
{
    Q_OBJECT

private slots:
    void namesTheDifferences_data();
    void namesTheDifferences();
    void showsInvisibleCharacters_data();
    void showsInvisibleCharacters();
    void cellsMissingOrEqual();
    void longTextIsShownAroundItsFirstDifference();
    void namesCharacters_data();
    void namesCharacters();
};

void TestCellDifference::namesTheDifferences_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("notes");

    QTest::newRow("minus sign against hyphen")
        << u"1-2-3"_s << u"1-2−3"_s
        << QStringList{u"ハイフン・長音の違いだけです"_s,
                       u"4 文字目: - (U+002D HYPHEN-MINUS) ↔ − (U+2212 MINUS SIGN)"_s};
    QTest::newRow("trailing full-width space")
        << u"東京"_s << u"東京　"_s
        << QStringList{u"前後の空白の違いだけです"_s, u"末尾に全角スペースがあります（ファイル２）"_s,
                       u"3 文字目: ファイル２だけに □ (U+3000 IDEOGRAPHIC SPACE) があります"_s};
    QTest::newRow("leading tab and space")
        << u"\t x"_s << u"x"_s
        << QStringList{u"前後の空白の違いだけです"_s, u"先頭にタブと半角スペースがあります（ファイル１）"_s,
                       u"1 文字目: ファイル１だけに 「→ 」 があります"_s};
    QTest::newRow("trailing blanks of both differ")
        << u"a "_s << u"a\u00A0"_s
        << QStringList{u"前後の空白の違いだけです"_s, u"末尾の空白が違います"_s,
                       u"2 文字目: · (U+0020 SPACE) ↔ ⍽ (U+00A0 NO-BREAK SPACE)"_s};
    QTest::newRow("width only") << u"ＡＢ"_s << u"AB"_s
                                << QStringList{u"全角と半角の違いだけです"_s, u"1 文字目: 「ＡＢ」 ↔ 「AB」"_s};
    QTest::newRow("half-width kana")
        << u"ｶﾞ"_s << u"ガ"_s
        << QStringList{u"全角と半角の違いだけです"_s,
                       u"1 文字目: ｶﾞ (U+FF76 + U+FF9E HALFWIDTH KATAKANA VOICED SOUND MARK) ↔ ガ (U+30AC)"_s};
    QTest::newRow("kana only") << u"ひらがな"_s << u"ヒラガナ"_s
                               << QStringList{u"ひらがなとカタカナの違いだけです"_s,
                                              u"1 文字目: 「ひらがな」 ↔ 「ヒラガナ」"_s};
    QTest::newRow("combining mark")
        << u"ガス"_s << u"カ\u3099ス"_s
        << QStringList{
               u"合成文字の違いだけです（NFC で同じ）"_s,
               u"1 文字目: ガ (U+30AC) ↔ カ\u3099 (U+30AB + U+3099 COMBINING KATAKANA-HIRAGANA VOICED SOUND MARK)"_s};
    QTest::newRow("numbers") << u"1,000"_s << u"1000"_s
                             << QStringList{u"数値としては同じです"_s,
                                            u"2 文字目: ファイル１だけに , (U+002C COMMA) があります"_s};
    QTest::newRow("case") << u"abc"_s << u"aBc"_s
                          << QStringList{
                                 u"大文字と小文字の違いだけです"_s,
                                 u"2 文字目: b (U+0062 LATIN SMALL LETTER B) ↔ B (U+0042 LATIN CAPITAL LETTER B)"_s};
    QTest::newRow("empty against text") << QString() << u"abc"_s << QStringList{u"ファイル１のセルは空です"_s};
    QTest::newRow("zero width space")
        << u"ab"_s << u"a\u200Bb"_s
        << QStringList{u"2 文字目: ファイル２だけに U+200B (U+200B ZERO WIDTH SPACE) があります"_s};
    QTest::newRow("places differ between the texts")
        << u"abcX"_s << u"abZcY"_s
        << QStringList{
               u"3 文字目: ファイル２だけに Z (U+005A LATIN CAPITAL LETTER Z) があります"_s,
               u"4 文字目（ファイル２では 5 文字目）: X (U+0058 LATIN CAPITAL LETTER X) ↔ Y (U+0059 LATIN CAPITAL LETTER Y)"_s};
    QTest::newRow("surrogate pair named by its code")
        << u"a😀"_s << u"a😁"_s << QStringList{u"2 文字目: 😀 (U+1F600) ↔ 😁 (U+1F601)"_s};
    QTest::newRow("equal") << u"同じ"_s << u"同じ"_s << QStringList{u"同じです"_s};
    QTest::newRow("Shift_JIS pair named")
        << u"10〜20"_s << u"10～20"_s
        << QStringList{u"Shift_JIS の変換の違い（U+301C と U+FF5E）"_s,
                       u"3 文字目: 〜 (U+301C WAVE DASH) ↔ ～ (U+FF5E FULLWIDTH TILDE)"_s};
    QTest::newRow("same date named") << u"R6.4.1"_s << u"2024/04/01"_s
                                     << QStringList{u"日付として同じ（2024-04-01）"_s, u"1 文字目: 「R6.」 ↔ 「202」"_s,
                                                    u"5 文字目: . (U+002E FULL STOP) ↔ 「/04/0」"_s};
}

void TestCellDifference::namesTheDifferences()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QStringList, notes);
    QCOMPARE(nameDifferences(first, second, diffCharacters(first, second)), notes);
}

void TestCellDifference::showsInvisibleCharacters_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("shown1");
    QTest::addColumn<QString>("shown2");

    QTest::newRow("full-width space") << u"a　b"_s << u"a b"_s << u"aC[<□>]b"_s << u"aC[ ]b"_s;
    QTest::newRow("tab") << u"a\tb"_s << u"ab"_s << u"aD[{→}]b"_s << u"ab"_s;
    QTest::newRow("no-break space") << u"a\u00A0b"_s << u"a b"_s << u"aC[{⍽}]b"_s << u"aC[ ]b"_s;
    QTest::newRow("trailing blanks only") << u"a b  "_s << u"a b"_s << u"a bD[{·}{·}]"_s << u"a b"_s;
    QTest::newRow("line breaks") << u"a\r\nb\nc"_s << u"a\nb\nc"_s << u"aC[{↵}\n]b{↵}\nc"_s << u"aC[{↵}\n]b{↵}\nc"_s;
    QTest::newRow("other controls by code")
        << u"a\u0007b\u200B"_s << u"ab"_s << u"aD[{U+0007}]bD[{U+200B}]"_s << u"ab"_s;
    QTest::newRow("inserted on the other side") << u"ab"_s << u"aXb"_s << u"ab"_s << u"aI[X]b"_s;
    QTest::newRow("look-alike hyphen") << u"1-2"_s << u"1−2"_s << u"1C[-]2"_s << u"1C[−]2"_s;
}

void TestCellDifference::showsInvisibleCharacters()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, shown1);
    QFETCH(QString, shown2);
    const CellDifferenceView view = describeCellDifference(first, second);
    QCOMPARE(written(view.texts[0]), shown1);
    QCOMPARE(written(view.texts[1]), shown2);
}

void TestCellDifference::cellsMissingOrEqual()
{
    const CellDifferenceView onlyFirst = describeCellDifference(u"abc　"_s, std::nullopt);
    QVERIFY(onlyFirst.texts[0].present);
    QVERIFY(!onlyFirst.texts[1].present);
    QCOMPARE(written(onlyFirst.texts[0]), u"abc<□>"_s);
    QCOMPARE(onlyFirst.notes, QStringList{u"ファイル２にはこのセルがありません"_s});

    const CellDifferenceView onlySecond = describeCellDifference(std::nullopt, u""_s);
    QVERIFY(onlySecond.texts[1].present);
    QCOMPARE(onlySecond.notes, QStringList{u"ファイル１にはこのセルがありません"_s});

    const CellDifferenceView equal = describeCellDifference(u"a\tb"_s, u"a\tb"_s);
    QCOMPARE(written(equal.texts[0]), u"a{→}b"_s);
    QVERIFY(equal.texts[1].highlights.isEmpty());
    QCOMPARE(equal.notes, QStringList{u"同じです"_s});
}

void TestCellDifference::longTextIsShownAroundItsFirstDifference()
{
    const QString first = u"0123456789"_s.repeated(100'000); // a million characters
    QString second = first;
    second[500'000] = u'−';
    const CellDifferenceView view = describeCellDifference(first, second);
    for (const ShownCellText &text : view.texts) {
        QVERIFY(text.shown.startsWith(u"…"_s));
        QVERIFY(text.shown.endsWith(u"…"_s));
        QCOMPARE(text.shown.size(), kShownTextLimit + 2);
        QCOMPARE(text.highlights.size(), 1);
        const ShownHighlight highlight = text.highlights.first();
        QCOMPARE(highlight.length, 1);
        // The highlight falls on the changed character, a quarter of the window in.
        QCOMPARE(text.shown.at(highlight.start), &text == &view.texts[0] ? u'0' : u'−');
        QCOMPARE(highlight.start, 1 + kShownTextLimit / 4);
        QCOMPARE(text.marks.first(), (ShownMark{0, 1, false}));
    }
    QCOMPARE(view.notes.last(), u"500001 文字目: 0 (U+0030 DIGIT ZERO) ↔ − (U+2212 MINUS SIGN)"_s);

    // A difference near the end: the window ends with the text, cut at its start only.
    second = first;
    second.append(u"　"_s);
    const ShownCellText tail = describeCellDifference(first, second).texts[1];
    QVERIFY(tail.shown.startsWith(u"…"_s));
    QVERIFY(tail.shown.endsWith(u"□"_s));
}

void TestCellDifference::namesCharacters_data()
{
    QTest::addColumn<uint>("code");
    QTest::addColumn<QString>("name");

    QTest::newRow("full-width letter") << 0xFF21u << u"U+FF21 FULLWIDTH LATIN CAPITAL LETTER A"_s;
    QTest::newRow("full-width digit") << 0xFF19u << u"U+FF19 FULLWIDTH DIGIT NINE"_s;
    QTest::newRow("full-width hyphen-minus") << 0xFF0Du << u"U+FF0D FULLWIDTH HYPHEN-MINUS"_s;
    QTest::newRow("long vowel mark") << 0x30FCu << u"U+30FC KATAKANA-HIRAGANA PROLONGED SOUND MARK"_s;
    QTest::newRow("horizontal bar") << 0x2015u << u"U+2015 HORIZONTAL BAR"_s;
    QTest::newRow("small letter") << uint(u'z') << u"U+007A LATIN SMALL LETTER Z"_s;
    QTest::newRow("kanji by code alone") << 0x6771u << u"U+6771"_s;
    QTest::newRow("beyond the BMP") << 0x1F600u << u"U+1F600"_s;
}

void TestCellDifference::namesCharacters()
{
    QFETCH(uint, code);
    QFETCH(QString, name);
    QCOMPARE(characterName(char32_t(code)), name);
}

QTEST_GUILESS_MAIN(TestCellDifference)
#include "tst_celldifference.moc"
