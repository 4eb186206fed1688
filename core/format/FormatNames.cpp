#include "FormatNames.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kCommaDelimiter = u"カンマ（,）"_s;
const QString kTabDelimiter = u"タブ"_s;
const QString kBlankDelimiter = u"空白"_s;
const QString kOtherDelimiter = u"「%1」"_s;
} // namespace

QString encodingDisplayName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return u"UTF-8"_s;
    case TextEncoding::Utf8Bom:
        return u"UTF-8（BOM付き）"_s;
    case TextEncoding::ShiftJis:
        return u"Shift_JIS"_s;
    case TextEncoding::EucJp:
        return u"EUC-JP"_s;
    case TextEncoding::Utf16Le:
        return u"UTF-16LE"_s;
    case TextEncoding::Utf16LeBom:
        return u"UTF-16LE（BOM付き）"_s;
    case TextEncoding::Utf16Be:
        return u"UTF-16BE"_s;
    case TextEncoding::Utf16BeBom:
        return u"UTF-16BE（BOM付き）"_s;
    }
    return {};
}

bool encodingFromName(QStringView name, std::optional<TextEncoding> &encoding)
{
    const QString key = name.trimmed().toString().toLower().replace(u'_', u'-');
    if (key == u"auto") {
        encoding.reset();
        return true;
    }
    for (const TextEncoding known :
         {TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::ShiftJis, TextEncoding::EucJp, TextEncoding::Utf16Le,
          TextEncoding::Utf16LeBom, TextEncoding::Utf16Be, TextEncoding::Utf16BeBom}) {
        if (key == encodingKeyName(known).replace(u'_', u'-')) {
            encoding = known;
            return true;
        }
    }
    if (key == u"utf8")
        encoding = TextEncoding::Utf8;
    else if (key == u"sjis" || key == u"cp932" || key == u"windows-31j")
        encoding = TextEncoding::ShiftJis;
    else if (key == u"eucjp")
        encoding = TextEncoding::EucJp;
    else
        return false;
    return true;
}

QString encodingKeyName(std::optional<TextEncoding> encoding)
{
    if (!encoding)
        return u"auto"_s;
    switch (*encoding) {
    case TextEncoding::Utf8:
        return u"utf-8"_s;
    case TextEncoding::Utf8Bom:
        return u"utf-8-bom"_s;
    case TextEncoding::ShiftJis:
        return u"shift_jis"_s;
    case TextEncoding::EucJp:
        return u"euc-jp"_s;
    case TextEncoding::Utf16Le:
        return u"utf-16le"_s;
    case TextEncoding::Utf16LeBom:
        return u"utf-16le-bom"_s;
    case TextEncoding::Utf16Be:
        return u"utf-16be"_s;
    case TextEncoding::Utf16BeBom:
        return u"utf-16be-bom"_s;
    }
    return u"auto"_s;
}

QString lineEndDisplayName(LineEnd lineEnd)
{
    switch (lineEnd) {
    case LineEnd::CrLf:
        return u"CR LF"_s;
    case LineEnd::Lf:
        return u"LF"_s;
    case LineEnd::Cr:
        return u"CR"_s;
    }
    return {};
}

QString delimiterDisplayName(int delimiterMode, QStringView delimiter)
{
    if (delimiterMode == 0)
        return kCommaDelimiter;
    if (delimiter == u"\t")
        return kTabDelimiter;
    if (delimiter == u" ")
        return kBlankDelimiter;
    return kOtherDelimiter.arg(delimiter);
}
