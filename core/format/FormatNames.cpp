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
    }
    return {};
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
