#include "EncodingDetection.h"

#include "EucJp.h"
#include "FormatNames.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kNotUtf8Note = u"UTF-8 として読めないバイトがあります（%1 行目）。%2 として読み込みました"_s;
const QString kNotTextMessage = u"テキストファイルではありません（%1）"_s;

// Whether bytes read as UTF-16 of the given order without a surrogate half alone.
bool readsAsUtf16(QByteArrayView bytes, bool littleEndian)
{
    bool wantLow = false;
    for (qsizetype at = 0; at + 1 < bytes.size(); at += 2) {
        const auto first = quint8(bytes[at]);
        const auto second = quint8(bytes[at + 1]);
        const char16_t unit = littleEndian ? char16_t(second << 8 | first) : char16_t(first << 8 | second);
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const bool low = unit >= 0xDC00 && unit < 0xE000;
        if (wantLow != low)
            return false;
        wantLow = high;
    }
    return true; // a pair cut at the end of the head is whole in the file
}

// UTF-16 of mostly ASCII text has a NUL in every other byte: its high bytes.
std::optional<TextEncoding> unmarkedUtf16(QByteArrayView head)
{
    const qsizetype units = head.size() / 2;
    if (units < 2)
        return std::nullopt;
    qsizetype evenNul = 0;
    qsizetype oddNul = 0;
    for (qsizetype at = 0; at + 1 < head.size(); at += 2) {
        evenNul += head[at] == 0 ? 1 : 0;
        oddNul += head[at + 1] == 0 ? 1 : 0;
    }
    // Most of one side, hardly any of the other.
    if (oddNul * 2 > units && evenNul * 10 < units && readsAsUtf16(head, true))
        return TextEncoding::Utf16Le;
    if (evenNul * 2 > units && oddNul * 10 < units && readsAsUtf16(head, false))
        return TextEncoding::Utf16Be;
    return std::nullopt;
}

struct Utf8Tally
{
    qint64 multiByte = 0;
    qint64 invalid = 0;
};

// Counts UTF-8 sequences of two bytes or more and bytes that start none, in a piece that cuts no
// sequence.
void tallyUtf8(QByteArrayView bytes, Utf8Tally &into)
{
    const auto *at = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = at + bytes.size();
    while (at < end) {
        const uchar byte = *at;
        if (byte < 0x80) {
            ++at;
            continue;
        }
        const int length = byte >= 0xC2 && byte <= 0xDF ? 2
            : byte >= 0xE0 && byte <= 0xEF              ? 3
            : byte >= 0xF0 && byte <= 0xF4              ? 4
                                                        : 0;
        bool whole = length > 0 && end - at >= length;
        for (int i = 1; whole && i < length; ++i)
            whole = (at[i] & 0xC0) == 0x80;
        if (whole) {
            ++into.multiByte;
            at += length;
        } else {
            ++into.invalid;
            ++at;
        }
    }
}
} // namespace

namespace EncodingDetection
{

void NarrowTally::add(QByteArrayView bytes)
{
    // A byte below 0x40 is ASCII in every encoding here and ends any character before it.
    qsizetype end = bytes.size();
    while (end > 0 && quint8(bytes[end - 1]) >= 0x40)
        --end;
    if (end == 0) {
        m_carry.append(bytes);
        return;
    }
    if (!m_carry.isEmpty()) {
        m_carry.append(bytes.first(end));
        addWhole(m_carry);
        m_carry.clear();
    } else {
        addWhole(bytes.first(end));
    }
    m_carry.append(bytes.sliced(end));
}

void NarrowTally::finish()
{
    addWhole(m_carry);
    m_carry.clear();
}

void NarrowTally::addWhole(QByteArrayView bytes)
{
    Cp932::tally(bytes, m_shiftJis);
    EucJp::tally(bytes, m_eucJp);
    Utf8Tally utf8;
    tallyUtf8(bytes, utf8);
    m_utf8MultiByte += utf8.multiByte;
    m_utf8Invalid += utf8.invalid;
}

BinaryKind sniffBinaryKind(QByteArrayView head)
{
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"))
        return BinaryKind::Zip;
    if (head.startsWith("%PDF-"))
        return BinaryKind::Pdf;
    if (head.startsWith(QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
        return BinaryKind::Ole;
    const std::optional<TextEncoding> encoding = encodingFromHead(head);
    if (encoding && *encoding != TextEncoding::Utf8Bom)
        return BinaryKind::None; // UTF-16: its NULs are text
    if (head.first(std::min(head.size(), kNulBytes)).contains('\0'))
        return BinaryKind::Nul;
    return BinaryKind::None;
}

std::optional<TextEncoding> encodingFromHead(QByteArrayView head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8Bom;
    if (head.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16LeBom;
    if (head.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16BeBom;
    return unmarkedUtf16(head.first(std::min(head.size(), kHeadBytes)));
}

TextEncoding narrowEncoding(const Cp932::Tally &shiftJis, const Cp932::Tally &eucJp)
{
    if (eucJp.invalid == 0 && (shiftJis.invalid > 0 || eucJp.unlikely * 2 < shiftJis.unlikely))
        return TextEncoding::EucJp;
    return TextEncoding::ShiftJis;
}

qsizetype byteOrderMarkSize(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return 3;
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16BeBom:
        return 2;
    default:
        return 0;
    }
}

QString notUtf8Note(qsizetype line, TextEncoding readAs)
{
    return kNotUtf8Note.arg(line).arg(encodingDisplayName(readAs));
}

QString notTextMessage(const QString &fileName)
{
    return kNotTextMessage.arg(fileName);
}

} // namespace EncodingDetection
