#include "NumberFormat.h"

#include <QDate>
#include <QList>

#include <cmath>

using namespace Qt::StringLiterals;

namespace NumberFormat
{
namespace
{
// A number's decimal digits as the spreadsheet keeps them (15 significant), without a sign:
// the value is 0.d1d2d3… × 10^pointAt, with no trailing zero digit.
struct Digits
{
    QString digits;
    int pointAt = 0;

    [[nodiscard]] bool isZero() const
    {
        return digits.isEmpty();
    }
    // Keeps the first `keep` digits, rounding half away from zero.
    void roundAt(int keep)
    {
        if (keep >= digits.size())
            return;
        if (keep < 0) {
            digits.clear();
            pointAt = 0;
            return;
        }
        const bool up = digits.at(keep) >= u'5';
        digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            for (; i >= 0 && digits.at(i) == u'9'; --i)
                digits[i] = u'0';
            if (i >= 0) {
                digits[i] = QChar(digits.at(i).unicode() + 1);
            } else {
                digits.prepend(u'1');
                ++pointAt;
            }
        }
        while (!digits.isEmpty() && digits.back() == u'0')
            digits.chop(1);
        if (digits.isEmpty())
            pointAt = 0;
    }
    void roundToDecimals(int decimals)
    {
        roundAt(pointAt + decimals);
    }
    [[nodiscard]] QString integerPart() const
    {
        if (pointAt <= 0)
            return {};
        QString part = digits.left(pointAt);
        part.append(QString(pointAt - part.size(), u'0'));
        return part;
    }
    [[nodiscard]] QString fractionPart() const
    {
        if (pointAt >= digits.size())
            return {};
        if (pointAt >= 0)
            return digits.mid(pointAt);
        return QString(-pointAt, u'0') + digits;
    }
};

Digits digitsOf(double magnitude)
{
    Digits result;
    if (magnitude == 0 || !std::isfinite(magnitude))
        return result;
    const QString e = QString::number(magnitude, 'e', 14); // d.dddddddddddddde±x
    const qsizetype at = e.indexOf(u'e');
    result.digits = e.left(at).remove(u'.');
    result.pointAt = e.mid(at + 1).toInt() + 1;
    while (!result.digits.isEmpty() && result.digits.back() == u'0')
        result.digits.chop(1);
    return result;
}

QString fixedText(const Digits &d)
{
    QString text = d.integerPart();
    if (text.isEmpty())
        text = u"0"_s;
    const QString fraction = d.fractionPart();
    if (!fraction.isEmpty())
        text += u'.' + fraction;
    return text;
}

// The widest text General gives a number, its sign not counted.
constexpr int kGeneralWidth = 11;

QString scientificText(Digits d)
{
    const int exponent = d.pointAt - 1;
    // d.ddddd E+xx fills the width: the mantissa keeps what the exponent leaves.
    const int expDigits = std::abs(exponent) >= 100 ? 3 : 2;
    d.roundAt(kGeneralWidth - 3 - expDigits);
    const int shown = d.pointAt - 1; // rounding may carry into a new digit
    QString text = d.digits.left(1);
    if (d.digits.size() > 1)
        text += u'.' + d.digits.mid(1);
    text += shown < 0 ? u"E-"_s : u"E+"_s;
    text += QString::number(std::abs(shown)).rightJustified(2, u'0');
    return text;
}

// Weekday names for ddd/dddd and aaa/aaaa, Monday first as QDate counts.
const QStringList kWeekdaysShort{u"Mon"_s, u"Tue"_s, u"Wed"_s, u"Thu"_s, u"Fri"_s, u"Sat"_s, u"Sun"_s};
const QStringList kWeekdaysLong{u"Monday"_s, u"Tuesday"_s,  u"Wednesday"_s, u"Thursday"_s,
                                u"Friday"_s, u"Saturday"_s, u"Sunday"_s};
const QStringList kWeekdaysJa{u"月"_s, u"火"_s, u"水"_s, u"木"_s, u"金"_s, u"土"_s, u"日"_s};
const QStringList kMonthsShort{u"Jan"_s, u"Feb"_s, u"Mar"_s, u"Apr"_s, u"May"_s, u"Jun"_s,
                               u"Jul"_s, u"Aug"_s, u"Sep"_s, u"Oct"_s, u"Nov"_s, u"Dec"_s};
const QStringList kMonthsLong{u"January"_s, u"February"_s, u"March"_s,     u"April"_s,   u"May"_s,      u"June"_s,
                              u"July"_s,    u"August"_s,   u"September"_s, u"October"_s, u"November"_s, u"December"_s};

struct Era
{
    QDate start;
    QString letter; // g
    QString initial; // gg
    QString name; // ggg
};
const QList<Era> &eras()
{
    static const QList<Era> list{
        {QDate(2019, 5, 1), u"R"_s, u"令"_s, u"令和"_s},   {QDate(1989, 1, 8), u"H"_s, u"平"_s, u"平成"_s},
        {QDate(1926, 12, 25), u"S"_s, u"昭"_s, u"昭和"_s}, {QDate(1912, 7, 30), u"T"_s, u"大"_s, u"大正"_s},
        {QDate(1868, 9, 8), u"M"_s, u"明"_s, u"明治"_s},
    };
    return list;
}

// One piece of a format section.
struct Token
{
    enum class Kind { Literal, Digit, Point, Comma, Percent, Exponent, Text, General, Date, Elapsed, AmPm };
    Kind kind = Kind::Literal;
    QString text; // the literal, the digit character, or the date code in lower case ("yyyy", "m")
};

struct Section
{
    QList<Token> tokens;
    bool unknown = false; // a condition, a fraction, scaling or another code this does not render
    bool isDate = false;
};

bool isDateLetter(QChar c)
{
    switch (c.toLower().unicode()) {
    case u'y':
    case u'm':
    case u'd':
    case u'h':
    case u's':
    case u'g':
    case u'e':
    case u'a':
        return true;
    default:
        return false;
    }
}

Section parseSection(QStringView code)
{
    Section section;
    auto literal = [&section](QString text) {
        if (!section.tokens.isEmpty() && section.tokens.back().kind == Token::Kind::Literal)
            section.tokens.back().text += text;
        else
            section.tokens.append({Token::Kind::Literal, std::move(text)});
    };
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        const QChar lower = c.toLower();
        if (c == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? code.size() : end;
            literal(code.mid(i + 1, stop - i - 1).toString());
            i = stop;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            if (i + 1 < code.size()) {
                if (c == u'\\')
                    literal(QString(code.at(i + 1)));
                else if (c == u'_')
                    literal(u" "_s);
                ++i;
            }
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i + 1);
            if (end < 0) {
                section.unknown = true;
                break;
            }
            const QString inner = code.mid(i + 1, end - i - 1).toString();
            const QString innerLower = inner.toLower();
            if (inner.startsWith(u'$')) {
                // [$¥-411]: a currency sign and a locale; [$-411]: the locale alone.
                const qsizetype dash = inner.indexOf(u'-');
                const QString sign = inner.mid(1, dash < 0 ? -1 : dash - 1);
                if (!sign.isEmpty())
                    literal(sign);
            } else if (innerLower == u"h"_s || innerLower == u"hh"_s || innerLower == u"m"_s || innerLower == u"mm"_s
                       || innerLower == u"s"_s || innerLower == u"ss"_s) {
                section.tokens.append({Token::Kind::Elapsed, innerLower});
                section.isDate = true;
            } else if (inner.isEmpty() || !inner.at(0).isLetter() || innerLower.startsWith(u"dbnum"_s)) {
                section.unknown = true; // conditions ([<100]) and number spelling
            }
            // Anything else is a colour name: the text stays as it is.
            i = end;
        } else if (code.mid(i, 7).compare(u"General"_s, Qt::CaseInsensitive) == 0) {
            section.tokens.append({Token::Kind::General, {}});
            i += 6;
        } else if (code.mid(i, 5).compare(u"AM/PM"_s, Qt::CaseInsensitive) == 0) {
            section.tokens.append({Token::Kind::AmPm, u"ampm"_s});
            section.isDate = true;
            i += 4;
        } else if (code.mid(i, 3).compare(u"A/P"_s, Qt::CaseInsensitive) == 0) {
            section.tokens.append({Token::Kind::AmPm, u"ap"_s});
            section.isDate = true;
            i += 2;
        } else if (lower == u'e' && i + 1 < code.size() && (code.at(i + 1) == u'+' || code.at(i + 1) == u'-')) {
            section.tokens.append({Token::Kind::Exponent, {}});
            section.unknown = true;
            ++i;
        } else if (isDateLetter(c)) {
            qsizetype end = i + 1;
            while (end < code.size() && code.at(end).toLower() == lower)
                ++end;
            section.tokens.append({Token::Kind::Date, code.mid(i, end - i).toString().toLower()});
            section.isDate = true;
            i = end - 1;
        } else if (c == u'0' || c == u'#' || c == u'?') {
            section.tokens.append({Token::Kind::Digit, QString(c)});
        } else if (c == u'.') {
            section.tokens.append({Token::Kind::Point, {}});
        } else if (c == u',') {
            section.tokens.append({Token::Kind::Comma, {}});
        } else if (c == u'%') {
            section.tokens.append({Token::Kind::Percent, {}});
        } else if (c == u'@') {
            section.tokens.append({Token::Kind::Text, {}});
        } else if (c == u'/') {
            // A fraction (# ?/?) outside a date.
            literal(u"/"_s);
        } else {
            literal(QString(c));
        }
    }
    if (!section.isDate) {
        // "# ?/?": a slash between digit placeholders is a fraction.
        for (qsizetype t = 1; t + 1 < section.tokens.size(); ++t) {
            if (section.tokens[t].kind == Token::Kind::Literal && section.tokens[t].text.contains(u'/'))
                section.unknown = true;
        }
    }
    return section;
}

QList<QStringView> splitSections(QStringView code)
{
    QList<QStringView> sections;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'\\')
            ++i;
        else if (!quoted && c == u';') {
            sections.append(code.mid(start, i - start));
            start = i + 1;
        }
    }
    sections.append(code.mid(start));
    return sections;
}

QString groupThousands(const QString &integer)
{
    QString grouped;
    const qsizetype n = integer.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            grouped += u',';
        grouped += integer.at(i);
    }
    return grouped;
}

std::optional<QString> renderNumber(const Section &section, double magnitude)
{
    const QList<Token> &tokens = section.tokens;
    qsizetype first = -1, last = -1;
    int percents = 0;
    for (qsizetype t = 0; t < tokens.size(); ++t) {
        const Token::Kind kind = tokens[t].kind;
        if (kind == Token::Kind::Digit || kind == Token::Kind::Point || kind == Token::Kind::General) {
            if (first < 0)
                first = t;
            last = t;
        }
        if (kind == Token::Kind::Percent)
            ++percents;
    }
    QString before, after;
    for (qsizetype t = 0; t < tokens.size(); ++t) {
        if (first >= 0 && t >= first && t <= last)
            continue;
        const Token &token = tokens[t];
        QString &side = first < 0 || t < first ? before : after;
        if (token.kind == Token::Kind::Literal)
            side += token.text;
        else if (token.kind == Token::Kind::Percent)
            side += u'%';
        else if (token.kind == Token::Kind::Comma && first >= 0 && t == last + 1)
            return std::nullopt; // scaling by thousands
        else if (token.kind == Token::Kind::Text)
            return std::nullopt;
    }
    if (first < 0)
        return before; // a section of literals only ("-" for zero)
    for (int p = 0; p < percents; ++p)
        magnitude *= 100;
    if (tokens[first].kind == Token::Kind::General)
        return first == last ? std::optional(before + general(magnitude) + after) : std::nullopt;

    int minInteger = 0, minDecimals = 0, maxDecimals = 0;
    bool point = false, grouping = false;
    for (qsizetype t = first; t <= last; ++t) {
        const Token &token = tokens[t];
        switch (token.kind) {
        case Token::Kind::Digit:
            if (point) {
                ++maxDecimals;
                if (token.text != u"#"_s)
                    minDecimals = maxDecimals;
            } else if (token.text != u"#"_s) {
                ++minInteger;
            }
            break;
        case Token::Kind::Point:
            if (point)
                return std::nullopt;
            point = true;
            break;
        case Token::Kind::Comma:
            if (point)
                return std::nullopt;
            grouping = true;
            break;
        case Token::Kind::Percent:
            break;
        default:
            return std::nullopt; // literals among the digits ("000-0000")
        }
    }
    Digits d = digitsOf(magnitude);
    d.roundToDecimals(maxDecimals);
    QString integer = d.integerPart();
    if (integer.size() < minInteger)
        integer = QString(minInteger - integer.size(), u'0') + integer;
    if (grouping)
        integer = groupThousands(integer);
    QString fraction = d.fractionPart();
    if (fraction.size() < minDecimals)
        fraction += QString(minDecimals - fraction.size(), u'0');
    QString text = integer;
    if (point)
        text += u'.' + fraction;
    return before + text + after;
}

struct DateParts
{
    QDate date;
    int hour = 0, minute = 0, second = 0;
    double serial = 0;
};

std::optional<DateParts> dateParts(double serial, bool date1904)
{
    if (serial < 0 || serial >= 2958466 || !std::isfinite(serial))
        return std::nullopt;
    DateParts parts;
    parts.serial = serial;
    qint64 day = qint64(std::floor(serial));
    qint64 seconds = qint64(std::llround((serial - double(day)) * 86400.0));
    if (seconds >= 86400) {
        ++day;
        seconds -= 86400;
    }
    parts.hour = int(seconds / 3600);
    parts.minute = int(seconds / 60 % 60);
    parts.second = int(seconds % 60);
    if (date1904) {
        parts.date = QDate(1904, 1, 1).addDays(day);
    } else if (day == 60) {
        parts.date = QDate(); // 29 February 1900, a day the spreadsheet counts and the calendar does not
    } else {
        parts.date = QDate(1899, 12, day < 60 ? 31 : 30).addDays(day);
    }
    return parts;
}

std::optional<QString> renderDate(const Section &section, double serial, bool date1904)
{
    const std::optional<DateParts> parts = dateParts(serial, date1904);
    if (!parts)
        return std::nullopt;
    const bool fakeLeapDay = !date1904 && std::floor(serial) == 60;
    const int year = fakeLeapDay ? 1900 : parts->date.year();
    const int month = fakeLeapDay ? 2 : parts->date.month();
    const int day = fakeLeapDay ? 29 : (std::floor(serial) == 0 && !date1904 ? 0 : parts->date.day());
    const int weekday = fakeLeapDay ? 3 : parts->date.dayOfWeek(); // 1900-02-29 would be a Wednesday
    bool twelveHour = false;
    for (const Token &token : section.tokens)
        twelveHour = twelveHour || token.kind == Token::Kind::AmPm;

    const Era *era = nullptr;
    const QDate calendar = fakeLeapDay ? QDate(1900, 2, 28) : parts->date;
    for (const Era &candidate : eras()) {
        if (calendar >= candidate.start) {
            era = &candidate;
            break;
        }
    }
    const QList<Token> &tokens = section.tokens;
    QString text;
    for (qsizetype t = 0; t < tokens.size(); ++t) {
        const Token &token = tokens[t];
        const QString &code = token.text;
        const auto two = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
        switch (token.kind) {
        case Token::Kind::Literal:
            text += code;
            break;
        case Token::Kind::AmPm:
            text += parts->hour < 12 ? (code == u"ap"_s ? u"A"_s : u"AM"_s) : (code == u"ap"_s ? u"P"_s : u"PM"_s);
            break;
        case Token::Kind::Elapsed: {
            const qint64 total = qint64(std::llround(serial * 86400.0));
            const qint64 value = code.startsWith(u'h') ? total / 3600 : code.startsWith(u'm') ? total / 60 : total;
            text += QString::number(value).rightJustified(code.size(), u'0');
            break;
        }
        case Token::Kind::Date: {
            const QChar letter = code.at(0);
            if (letter == u'y') {
                text += code.size() <= 2 ? two(year % 100) : QString::number(year);
            } else if (letter == u'm') {
                // m after an hour or before a second is the minute.
                bool minute = false;
                if (code.size() <= 2) {
                    for (qsizetype p = t - 1; p >= 0; --p) {
                        if (tokens[p].kind == Token::Kind::Date || tokens[p].kind == Token::Kind::Elapsed) {
                            minute = tokens[p].text.startsWith(u'h');
                            break;
                        }
                    }
                    for (qsizetype n = t + 1; !minute && n < tokens.size(); ++n) {
                        if (tokens[n].kind == Token::Kind::Date || tokens[n].kind == Token::Kind::Elapsed) {
                            minute = tokens[n].text.startsWith(u's');
                            break;
                        }
                    }
                }
                if (minute)
                    text += code.size() == 1 ? QString::number(parts->minute) : two(parts->minute);
                else if (code.size() == 1)
                    text += QString::number(month);
                else if (code.size() == 2)
                    text += two(month);
                else if (code.size() == 3)
                    text += kMonthsShort.at(month - 1);
                else if (code.size() == 4)
                    text += kMonthsLong.at(month - 1);
                else
                    text += kMonthsLong.at(month - 1).left(1);
            } else if (letter == u'd') {
                if (code.size() == 1)
                    text += QString::number(day);
                else if (code.size() == 2)
                    text += two(day);
                else
                    text += (code.size() == 3 ? kWeekdaysShort : kWeekdaysLong).at(weekday - 1);
            } else if (letter == u'a') {
                if (code.size() < 3)
                    return std::nullopt;
                text += kWeekdaysJa.at(weekday - 1) + (code.size() >= 4 ? u"曜日"_s : QString());
            } else if (letter == u'h') {
                int hour = parts->hour;
                if (twelveHour)
                    hour = hour % 12 == 0 ? 12 : hour % 12;
                text += code.size() == 1 ? QString::number(hour) : two(hour);
            } else if (letter == u's') {
                text += code.size() == 1 ? QString::number(parts->second) : two(parts->second);
            } else if (letter == u'g') {
                if (!era)
                    return std::nullopt;
                text += code.size() == 1 ? era->letter : code.size() == 2 ? era->initial : era->name;
            } else if (letter == u'e') {
                if (!era)
                    return std::nullopt;
                const int eraYear = year - era->start.year() + 1;
                // The first year of an era is 元年 where the format writes 年 after it.
                const bool gannen = eraYear == 1 && t + 1 < tokens.size() && tokens[t + 1].kind == Token::Kind::Literal
                    && tokens[t + 1].text.startsWith(u'年');
                if (gannen)
                    text += u"元"_s;
                else
                    text += code.size() >= 2 ? two(eraYear) : QString::number(eraYear);
            } else {
                return std::nullopt;
            }
            break;
        }
        case Token::Kind::Point:
            text += u'.';
            break;
        default:
            return std::nullopt; // digits in a date section (ss.00) are not rendered
        }
    }
    return text;
}
} // namespace

QString builtinFormatCode(int id)
{
    const QString era = u"[$-411]ge.m.d"_s;
    const QString eraLong = u"[$-411]ggge\"年\"m\"月\"d\"日\""_s;
    const QString yearMonth = u"yyyy\"年\"m\"月\""_s;
    const QString monthDay = u"m\"月\"d\"日\""_s;
    switch (id) {
    case 0:
        return u"General"_s;
    case 1:
        return u"0"_s;
    case 2:
        return u"0.00"_s;
    case 3:
        return u"#,##0"_s;
    case 4:
        return u"#,##0.00"_s;
    case 5:
        return u"\"¥\"#,##0;\"¥\"\\-#,##0"_s;
    case 6:
        return u"\"¥\"#,##0;[Red]\"¥\"\\-#,##0"_s;
    case 7:
        return u"\"¥\"#,##0.00;\"¥\"\\-#,##0.00"_s;
    case 8:
        return u"\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00"_s;
    case 9:
        return u"0%"_s;
    case 10:
        return u"0.00%"_s;
    case 11:
        return u"0.00E+00"_s;
    case 12:
        return u"# ?/?"_s;
    case 13:
        return u"# ?"_s + u"?/??"_s;
    case 14:
        return u"yyyy/m/d"_s;
    case 15:
        return u"d-mmm-yy"_s;
    case 16:
        return u"d-mmm"_s;
    case 17:
        return u"mmm-yy"_s;
    case 18:
        return u"h:mm AM/PM"_s;
    case 19:
        return u"h:mm:ss AM/PM"_s;
    case 20:
        return u"h:mm"_s;
    case 21:
        return u"h:mm:ss"_s;
    case 22:
        return u"yyyy/m/d h:mm"_s;
    case 27:
    case 36:
    case 50:
    case 57:
        return era;
    case 28:
    case 29:
    case 51:
    case 54:
    case 58:
        return eraLong;
    case 30:
        return u"m/d/yy"_s;
    case 31:
        return u"yyyy\"年\"m\"月\"d\"日\""_s;
    case 32:
        return u"h\"時\"mm\"分\""_s;
    case 33:
        return u"h\"時\"mm\"分\"ss\"秒\""_s;
    case 34:
    case 52:
    case 55:
        return yearMonth;
    case 35:
    case 53:
    case 56:
        return monthDay;
    case 37:
        return u"#,##0 ;-#,##0 "_s;
    case 38:
        return u"#,##0 ;[Red]-#,##0 "_s;
    case 39:
        return u"#,##0.00;-#,##0.00"_s;
    case 40:
        return u"#,##0.00;[Red]-#,##0.00"_s;
    case 45:
        return u"mm:ss"_s;
    case 46:
        return u"[h]:mm:ss"_s;
    case 47:
        return u"mm:ss.0"_s;
    case 48:
        return u"##0.0E+0"_s;
    case 49:
        return u"@"_s;
    default:
        return {};
    }
}

QString general(double value)
{
    if (!std::isfinite(value))
        return u"#NUM!"_s;
    Digits d = digitsOf(std::abs(value));
    const QString sign = value < 0 ? u"-"_s : QString();
    if (d.isZero())
        return u"0"_s;
    d.roundAt(kGeneralWidth);
    if (d.pointAt > kGeneralWidth || d.pointAt < -8)
        return sign + scientificText(d);
    // Fixed notation within the width: the point and the leading zeros of a small number take
    // places from the digits.
    Digits fixed = d;
    const int integerWidth = std::max(fixed.pointAt, 1);
    fixed.roundToDecimals(std::max(kGeneralWidth - integerWidth - 1, 0));
    if (fixed.isZero()
        || (fixed.digits.size() < d.digits.size() && fixed.pointAt <= 0
            && fixed.digits.size() < qsizetype(scientificText(d).indexOf(u'E')) - 1))
        return sign + scientificText(d);
    return sign + fixedText(fixed);
}

Rendered render(double value, QStringView code, bool date1904)
{
    if (code.isEmpty() || code.compare(u"General"_s, Qt::CaseInsensitive) == 0)
        return {general(value), true};
    const QList<QStringView> sectionCodes = splitSections(code);
    // One section serves every number, the minus sign added; with two, the second is for
    // negative numbers and writes its own sign; a third is for zero.
    qsizetype chosen = 0;
    bool addMinus = value < 0;
    if (value < 0 && sectionCodes.size() >= 2 && !sectionCodes[1].isEmpty()) {
        chosen = 1;
        addMinus = false;
    } else if (value == 0 && sectionCodes.size() >= 3) {
        chosen = 2;
    }
    const Section section = parseSection(sectionCodes[chosen]);
    if (section.unknown)
        return {general(value), false};
    std::optional<QString> text;
    bool textOnly = false;
    for (const Token &token : section.tokens) {
        if (token.kind == Token::Kind::Text)
            textOnly = true;
        else if (token.kind != Token::Kind::Literal) {
            textOnly = false;
            break;
        }
    }
    if (textOnly)
        return {general(value), true}; // "@": a number in a text format shows as General
    if (section.isDate) {
        text = renderDate(section, value, date1904);
        addMinus = false;
    } else {
        text = renderNumber(section, std::abs(value));
    }
    if (!text)
        return {general(value), false};
    return {addMinus ? u"-"_s + *text : *text, true};
}
} // namespace NumberFormat
