#include "TextFolding.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using TextFolding::Rule;

Q_DECLARE_METATYPE(TextFolding::Rule)

class TestTextFolding : public QObject
{
    Q_OBJECT

private slots:
    void equalUnderARule_data();
    void equalUnderARule();
    void readsNumbers_data();
    void readsNumbers();
    void namesTheRuleThatMakesTextsEqual_data();
    void namesTheRuleThatMakesTextsEqual();
    void reusesTheBufferOnceWarm();
    void readsDates_data();
    void readsDates();
};

void TestTextFolding::equalUnderARule_data()
{
    QTest::addColumn<Rule>("rule");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("equal");

    QTest::newRow("case: ASCII") << Rule::Case << u"Abc"_s << u"aBC"_s << true;
    QTest::newRow("case: full-width Latin") << Rule::Case << u"ＡＢＣ"_s << u"ａｂｃ"_s << true;
    QTest::newRow("case: Greek and Cyrillic") << Rule::Case << u"ΣΟΦΙΑ Жук"_s << u"σοφια жук"_s << true;
    QTest::newRow("case: surrogate pair (Deseret)") << Rule::Case << u"\U00010400"_s << u"\U00010428"_s << true;
    QTest::newRow("case: letters still differ") << Rule::Case << u"abc"_s << u"abd"_s << false;
    QTest::newRow("case: width is not case") << Rule::Case << u"ＡＢＣ"_s << u"abc"_s << false;

    QTest::newRow("width: letters digits symbols") << Rule::Width << u"ＡＢＣ１２３！＠"_s << u"ABC123!@"_s << true;
    QTest::newRow("width: full-width space") << Rule::Width << u"a　b"_s << u"a b"_s << true;
    QTest::newRow("width: voiced half-width kana") << Rule::Width << u"ｶﾞｷﾞｸﾞ"_s << u"ガギグ"_s << true;
    QTest::newRow("width: semi-voiced half-width kana") << Rule::Width << u"ﾊﾟﾋﾟﾎﾟ"_s << u"パピポ"_s << true;
    QTest::newRow("width: ｳﾞ is ヴ") << Rule::Width << u"ｳﾞｧ"_s << u"ヴァ"_s << true;
    QTest::newRow("width: half-width punctuation") << Rule::Width << u"｢ｱｲｳ｣､ｰ"_s << u"「アイウ」、ー"_s << true;
    QTest::newRow("width: yen sign") << Rule::Width << u"￥100"_s << u"¥100"_s << true;
    QTest::newRow("width: a mark without a voiced form stays") << Rule::Width << u"ｱﾞ"_s << u"ア゛"_s << true;
    QTest::newRow("width: the mark is not the voiced kana") << Rule::Width << u"ｱﾞ"_s << u"ア"_s << false;
    QTest::newRow("width: ﾊﾟ is not バ") << Rule::Width << u"ﾊﾟ"_s << u"バ"_s << false;
    QTest::newRow("width: kana is not hiragana") << Rule::Width << u"ｶ"_s << u"か"_s << false;
    QTest::newRow("width: a shared kana keeps its mark") << Rule::Width << u"東京ｶﾞ"_s << u"東京ｶ゛"_s << false;
    QTest::newRow("width: voiced kana inside a long shared text")
        << Rule::Width << u"あ"_s.repeated(50) + u"ｶﾞ"_s + u"い"_s.repeated(50)
        << u"あ"_s.repeated(50) + u"ガ"_s + u"い"_s.repeated(50) << true;
    QTest::newRow("width: emoji pass through") << Rule::Width << u"😀Ａ"_s << u"😀A"_s << true;

    QTest::newRow("kana: katakana to hiragana") << Rule::Kana << u"カタカナ"_s << u"かたかな"_s << true;
    QTest::newRow("kana: small kana and ヴ") << Rule::Kana << u"ヴァッ"_s << u"ゔぁっ"_s << true;
    QTest::newRow("kana: long vowel stays") << Rule::Kana << u"ラーメン"_s << u"らーめん"_s << true;
    QTest::newRow("kana: half-width is width") << Rule::Kana << u"ｶﾅ"_s << u"かな"_s << false;
    QTest::newRow("kana: different kana") << Rule::Kana << u"カ"_s << u"が"_s << false;

    QTest::newRow("nfc: combining voiced mark") << Rule::Nfc << u"カ\u3099"_s << u"ガ"_s << true;
    QTest::newRow("nfc: combining acute") << Rule::Nfc << u"e\u0301"_s << u"é"_s << true;
    QTest::newRow("nfc: spacing mark does not compose") << Rule::Nfc << u"カ゛"_s << u"ガ"_s << false;
    QTest::newRow("nfc: empty cells") << Rule::Nfc << QString() << u""_s << true;
    QTest::newRow("nfc: kana and kanji before a combining mark") << Rule::Nfc << u"漢字のガ"_s << u"漢字のガ"_s << true;
    QTest::newRow("nfc: compatibility ideograph among kanji") << Rule::Nfc << u"漢豈"_s << u"漢豈"_s << true;
    QTest::newRow("nfc: Hangul syllable and trailing jamo") << Rule::Nfc << u"각"_s << u"각"_s << true;

    QTest::newRow("hyphen: every look-alike")
        << Rule::Hyphen << u"1-2‐3‑4–5—6―7−8ｰ9ー0－"_s << u"1-2-3-4-5-6-7-8-9-0-"_s << true;
    QTest::newRow("hyphen: tilde is no hyphen") << Rule::Hyphen << u"1〜2"_s << u"1-2"_s << false;

    QTest::newRow("trim: every blank at both ends") << Rule::Trim << u" \t　\u00A0abc \t　\u00A0"_s << u"abc"_s << true;
    QTest::newRow("trim: blanks inside count") << Rule::Trim << u"a b"_s << u"ab"_s << false;
    QTest::newRow("trim: a line break is no blank") << Rule::Trim << u"abc\n"_s << u"abc"_s << false;
    QTest::newRow("trim: blanks only against empty") << Rule::Trim << u"　 "_s << QString() << true;

    QTest::newRow("blanks: all of them anywhere") << Rule::RemoveBlanks << u"a b\tc　d\u00A0e"_s << u"abcde"_s << true;
    QTest::newRow("blanks: other characters count") << Rule::RemoveBlanks << u"a b"_s << u"a_b"_s << false;

    QTest::newRow("numeric: separators and width") << Rule::Numeric << u"1,000"_s << u"１０００"_s << true;
    QTest::newRow("numeric: decimal zero") << Rule::Numeric << u"1000.0"_s << u"¥1,000"_s << true;
    QTest::newRow("numeric: triangle is minus") << Rule::Numeric << u"△500"_s << u"-500"_s << true;
    QTest::newRow("numeric: different values") << Rule::Numeric << u"1000"_s << u"1001"_s << false;
    QTest::newRow("numeric: text is never a number") << Rule::Numeric << u"abc"_s << u"abc"_s << false;
    QTest::newRow("numeric: empty cells are no numbers") << Rule::Numeric << QString() << QString() << false;
    QTest::newRow("numeric: a code keeps its zeros") << Rule::Numeric << u"001234"_s << u"1234"_s << false;

    QTest::newRow("sjis: wave dash and full-width tilde") << Rule::SjisPairs << u"1〜2"_s << u"1～2"_s << true;
    QTest::newRow("sjis: every pair") << Rule::SjisPairs << u"‖−¢£¬—¦"_s << u"∥－￠￡￢―￤"_s << true;
    QTest::newRow("sjis: a hyphen is no minus") << Rule::SjisPairs << u"-"_s << u"－"_s << false;

    QTest::newRow("digits: postal code") << Rule::DigitSeparators << u"123-4567"_s << u"1234567"_s << true;
    QTest::newRow("digits: postal mark and full width")
        << Rule::DigitSeparators << u"〒１２３－４５６７"_s << u"1234567"_s << true;
    QTest::newRow("digits: phone with blanks and dashes")
        << Rule::DigitSeparators << u"03 - 1234 ‐ 5678"_s << u"0312345678"_s << true;
    QTest::newRow("digits: account with full-width blank")
        << Rule::DigitSeparators << u"1234　5678"_s << u"12345678"_s << true;
    QTest::newRow("digits: other digits") << Rule::DigitSeparators << u"123-4567"_s << u"1234568"_s << false;
    QTest::newRow("digits: text is untouched") << Rule::DigitSeparators << u"A-1"_s << u"A1"_s << false;
    QTest::newRow("digits: separator at an end") << Rule::DigitSeparators << u"123-"_s << u"123"_s << false;
    QTest::newRow("digits: comma is no separator") << Rule::DigitSeparators << u"1,234"_s << u"1234"_s << false;

    QTest::newRow("dates: slash and kanji") << Rule::Dates << u"2024/4/1"_s << u"2024年4月1日"_s << true;
    QTest::newRow("dates: era and padded") << Rule::Dates << u"令和6年4月1日"_s << u"R06/04/01"_s << true;
    QTest::newRow("dates: other day") << Rule::Dates << u"2024-04-01"_s << u"2024-04-02"_s << false;
    QTest::newRow("dates: with and without a time") << Rule::Dates << u"2024-04-01 10:00"_s << u"2024-04-01"_s << false;
    QTest::newRow("dates: equal times") << Rule::Dates << u"2024/4/1 9:05"_s << u"2024-04-01 09:05:00"_s << true;
}

void TestTextFolding::equalUnderARule()
{
    QFETCH(Rule, rule);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, equal);
    TextFolding::FoldBuffers buffers;
    QCOMPARE(TextFolding::equalUnder(rule, a, b, buffers), equal);
    QCOMPARE(TextFolding::equalUnder(rule, b, a, buffers), equal);
}

void TestTextFolding::readsNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<QString>("value"); // sign, digits and power of ten: "-12345e-1"

    QTest::newRow("plain") << u"1000"_s << true << u"1e3"_s;
    QTest::newRow("groups of three") << u"12,345,678"_s << true << u"12345678e0"_s;
    QTest::newRow("full-width digits, point and comma") << u"１，２３４．５"_s << true << u"12345e-1"_s;
    QTest::newRow("full-width one point five") << u"１．５"_s << true << u"15e-1"_s;
    QTest::newRow("yen and separators") << u"¥1,000"_s << true << u"1e3"_s;
    QTest::newRow("full-width yen") << u"￥1,000"_s << true << u"1e3"_s;
    QTest::newRow("sign after yen") << u"¥-500"_s << true << u"-5e2"_s;
    QTest::newRow("sign before yen") << u"-¥500"_s << true << u"-5e2"_s;
    QTest::newRow("en") << u"1,000円"_s << true << u"1e3"_s;
    QTest::newRow("percent is decoration") << u"50%"_s << true << u"5e1"_s;
    QTest::newRow("white triangle") << u"△500"_s << true << u"-5e2"_s;
    QTest::newRow("black triangle") << u"▲1,500"_s << true << u"-15e2"_s;
    QTest::newRow("plus") << u"+3"_s << true << u"3e0"_s;
    QTest::newRow("minus sign U+2212") << u"−3"_s << true << u"-3e0"_s;
    QTest::newRow("leading point") << u".5"_s << true << u"5e-1"_s;
    QTest::newRow("code: leading zeros") << u"007"_s << false << QString();
    QTest::newRow("code: free dial") << u"０１２０"_s << false << QString();
    QTest::newRow("code: signed") << u"-0012"_s << false << QString();
    QTest::newRow("a lone zero") << u"0"_s << true << u"0e0"_s;
    QTest::newRow("zero before the point") << u"0.5"_s << true << u"5e-1"_s;
    QTest::newRow("leading zero with a fraction") << u"00.5"_s << true << u"5e-1"_s;
    QTest::newRow("trailing zeros of the fraction") << u"1.2500"_s << true << u"125e-2"_s;
    QTest::newRow("minus zero is zero") << u"-0.00"_s << true << u"0e0"_s;
    QTest::newRow("beyond a double's digits") << u"9007199254740993"_s << true << u"9007199254740993e0"_s;
    QTest::newRow("twenty digits") << u"12345678901234567891"_s << true << u"12345678901234567891e0"_s;
    QTest::newRow("a long fraction") << u"0.10000000000000001"_s << true << u"10000000000000001e-17"_s;

    QTest::newRow("exponent") << u"1e3"_s << false << QString();
    QTest::newRow("group of two") << u"12,34"_s << false << QString();
    QTest::newRow("group of four") << u"1,0000"_s << false << QString();
    QTest::newRow("first group of four") << u"1000,000"_s << false << QString();
    QTest::newRow("leading separator") << u",100"_s << false << QString();
    QTest::newRow("separator in the fraction") << u"1.000,5"_s << false << QString();
    QTest::newRow("double minus") << u"--1"_s << false << QString();
    QTest::newRow("minus and triangle") << u"-△1"_s << false << QString();
    QTest::newRow("two points") << u"1.2.3"_s << false << QString();
    QTest::newRow("point without digits after") << u"1."_s << false << QString();
    QTest::newRow("sign alone") << u"-"_s << false << QString();
    QTest::newRow("yen alone") << u"¥"_s << false << QString();
    QTest::newRow("yen and en together") << u"¥100円"_s << false << QString();
    QTest::newRow("unit then more") << u"100円です"_s << false << QString();
    QTest::newRow("blank around") << u" 100"_s << false << QString();
    QTest::newRow("space as separator") << u"1 000"_s << false << QString();
    QTest::newRow("hex") << u"0x10"_s << false << QString();
    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("absurdly long") << QString(400, u'9') << false << QString();
}

void TestTextFolding::readsNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(QString, value);
    const std::optional<Decimal> read = TextFolding::readDecimal(text);
    QCOMPARE(read.has_value(), number);
    if (number) {
        const QString written = (read->negative ? u"-"_s : QString())
            + (read->isZero() ? u"0"_s : QString::fromStdString(read->digits)) + u"e"_s
            + QString::number(read->exponent);
        QCOMPARE(written, value);
    }
}

void TestTextFolding::namesTheRuleThatMakesTextsEqual_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<int>("rule"); // -1: none

    QTest::newRow("equal texts need no rule") << u"abc"_s << u"abc"_s << 0.0 << -1;
    QTest::newRow("width") << u"ＡＢＣ１２３"_s << u"ABC123"_s << 0.0 << int(Rule::Width);
    QTest::newRow("width before numeric") << u"１０００"_s << u"1000"_s << 0.0 << int(Rule::Width);
    QTest::newRow("kana") << u"ひらがな"_s << u"ヒラガナ"_s << 0.0 << int(Rule::Kana);
    QTest::newRow("nfc") << u"カ\u3099"_s << u"ガ"_s << 0.0 << int(Rule::Nfc);
    QTest::newRow("case") << u"Tokyo"_s << u"TOKYO"_s << 0.0 << int(Rule::Case);
    QTest::newRow("hyphen") << u"1-2-3"_s << u"1−2−3"_s << 0.0 << int(Rule::Hyphen);
    QTest::newRow("trim") << u"東京　"_s << u"東京"_s << 0.0 << int(Rule::Trim);
    QTest::newRow("inner blank") << u"東 京"_s << u"東京"_s << 0.0 << int(Rule::RemoveBlanks);
    QTest::newRow("numeric") << u"1,000"_s << u"1000.0"_s << 0.0 << int(Rule::Numeric);
    QTest::newRow("numeric outside the tolerance") << u"1.00"_s << u"1.02"_s << 0.01 << -1;
    QTest::newRow("numeric within the tolerance") << u"1.00"_s << u"1.005"_s << 0.01 << int(Rule::Numeric);
    QTest::newRow("two rules at once") << u"ＡＢＣ "_s << u"abc"_s << 0.0 << -1;
    QTest::newRow("really different") << u"abc"_s << u"xyz"_s << 0.0 << -1;
    QTest::newRow("empty against text") << QString() << u"a"_s << 0.0 << -1;
}

void TestTextFolding::namesTheRuleThatMakesTextsEqual()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(double, tolerance);
    QFETCH(int, rule);
    TextFolding::FoldBuffers buffers;
    const std::optional<Rule> found = TextFolding::ruleThatMakesEqual(a, b, buffers, tolerance);
    QCOMPARE(found ? int(*found) : -1, rule);
}

void TestTextFolding::reusesTheBufferOnceWarm()
{
    // Folding a cell after another must not allocate: the buffer keeps its block.
    QString buffer;
    const QString longer = u"ＡＢＣＤＥＦＧＨ　ｶﾞｷﾞｸﾞ－１２３"_s;
    using Fold = void (*)(QStringView, QString &);
    int index = 0;
    for (const Fold fold :
         {Fold(TextFolding::foldCase), Fold(TextFolding::foldWidth), Fold(TextFolding::foldKana),
          Fold(TextFolding::foldHyphens), Fold(TextFolding::removeBlanks), Fold(TextFolding::foldNfc)}) {
        fold(longer, buffer);
        const QChar *block = buffer.constData();
        fold(u"ｱｲｳ ａｂｃ"_s, buffer);
        QVERIFY2(buffer.constData() == block, qPrintable(QString::number(index)));
        fold(longer, buffer);
        QVERIFY2(buffer.constData() == block, qPrintable(QString::number(index)));
        ++index;
    }
}

QTEST_GUILESS_MAIN(TestTextFolding)
#include "tst_textfolding.moc"

void TestTextFolding::readsDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date"); // empty: not a date

    QTest::newRow("slashes") << u"2024/4/1"_s << u"2024-04-01"_s;
    QTest::newRow("padded hyphens") << u"2024-04-01"_s << u"2024-04-01"_s;
    QTest::newRow("dots") << u"2024.4.1"_s << u"2024-04-01"_s;
    QTest::newRow("kanji") << u"2024年4月1日"_s << u"2024-04-01"_s;
    QTest::newRow("full-width digits and slashes") << u"２０２４／０４／０１"_s << u"2024-04-01"_s;
    QTest::newRow("blanks at the ends") << u" 2024/4/1　"_s << u"2024-04-01"_s;
    QTest::newRow("era in kanji") << u"令和6年4月1日"_s << u"2024-04-01"_s;
    QTest::newRow("era letter and dots") << u"R6.4.1"_s << u"2024-04-01"_s;
    QTest::newRow("era letter padded") << u"R06/04/01"_s << u"2024-04-01"_s;
    QTest::newRow("full-width era letter") << u"Ｈ３１．４．３０"_s << u"2019-04-30"_s;
    QTest::newRow("blanks after the era and units") << u"平成 2年 3月 4日"_s << u"1990-03-04"_s;
    QTest::newRow("first year written gan") << u"令和元年5月1日"_s << u"2019-05-01"_s;
    QTest::newRow("Meiji first day") << u"明治元年10月23日"_s << u"1868-10-23"_s;
    QTest::newRow("Meiji before its first day") << u"明治元年10月22日"_s << QString();
    QTest::newRow("Meiji last day") << u"M45.7.29"_s << u"1912-07-29"_s;
    QTest::newRow("Meiji on Taisho's first day") << u"M45.7.30"_s << QString();
    QTest::newRow("Taisho first day") << u"大正元年7月30日"_s << u"1912-07-30"_s;
    QTest::newRow("Taisho before its first day") << u"T1.7.29"_s << QString();
    QTest::newRow("Taisho last day") << u"大正15年12月24日"_s << u"1926-12-24"_s;
    QTest::newRow("Taisho on Showa's first day") << u"大正15年12月25日"_s << QString();
    QTest::newRow("Showa first day") << u"S1.12.25"_s << u"1926-12-25"_s;
    QTest::newRow("Showa last day") << u"昭和64年1月7日"_s << u"1989-01-07"_s;
    QTest::newRow("Showa on Heisei's first day") << u"昭和64年1月8日"_s << QString();
    QTest::newRow("Heisei first day") << u"平成元年1月8日"_s << u"1989-01-08"_s;
    QTest::newRow("Heisei before its first day") << u"H1.1.7"_s << QString();
    QTest::newRow("Heisei last day") << u"平成31年4月30日"_s << u"2019-04-30"_s;
    QTest::newRow("Heisei on Reiwa's first day") << u"平成31年5月1日"_s << QString();
    QTest::newRow("Reiwa before its first day") << u"令和元年4月30日"_s << QString();
    QTest::newRow("time with seconds") << u"2024/4/1 9:05:30"_s << u"2024-04-01 09:05:30"_s;
    QTest::newRow("ISO time") << u"2024-04-01T09:05"_s << u"2024-04-01 09:05:00"_s;
    QTest::newRow("time in kanji") << u"2024年4月1日 9時5分"_s << u"2024-04-01 09:05:00"_s;
    QTest::newRow("leap day") << u"2024/2/29"_s << u"2024-02-29"_s;

    QTest::newRow("no leap day") << u"2023/2/29"_s << QString();
    QTest::newRow("thirty-first of April") << u"2024/4/31"_s << QString();
    QTest::newRow("month thirteen") << u"2024/13/1"_s << QString();
    QTest::newRow("two-digit year") << u"24/4/1"_s << QString();
    QTest::newRow("mixed separators") << u"2024/4-1"_s << QString();
    QTest::newRow("era year zero") << u"R0.4.1"_s << QString();
    QTest::newRow("bad time") << u"2024/4/1 25:00"_s << QString();
    QTest::newRow("minutes of one digit") << u"2024/4/1 9:5"_s << QString();
    QTest::newRow("digits only") << u"20240401"_s << QString();
    QTest::newRow("text after the date") << u"2024/4/1まで"_s << QString();
    QTest::newRow("unknown era letter") << u"X6.4.1"_s << QString();
}

void TestTextFolding::readsDates()
{
    QFETCH(QString, text);
    QFETCH(QString, date);
    const std::optional<TextFolding::DateReading> read = TextFolding::readDate(text);
    QCOMPARE(read ? read->text() : QString(), date);
}
