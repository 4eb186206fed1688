#include "WorkbookCheck.h"

#include <zlib.h>

#include <array>

using namespace Qt::StringLiterals;

namespace
{
constexpr quint32 kEndOfDirectorySignature = 0x06054b50;
constexpr quint32 kDirectorySignature = 0x02014b50;
constexpr quint32 kLocalSignature = 0x04034b50;
constexpr qsizetype kEndOfDirectorySize = 22;
constexpr qsizetype kMaxCommentSize = 0xFFFF;
constexpr qsizetype kDirectoryEntrySize = 46;
constexpr qsizetype kLocalHeaderSize = 30;
constexpr quint16 kStored = 0;
constexpr quint16 kDeflated = 8;
constexpr qsizetype kPieceSize = 64 * 1024;

quint16 read16(QByteArrayView bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8));
}

quint32 read32(QByteArrayView bytes, qsizetype at)
{
    return quint32(read16(bytes, at)) | (quint32(read16(bytes, at + 2)) << 16);
}

// One entry's data to the visitor in pieces, checked against its size and CRC.
bool readEntry(QByteArrayView compressed, quint16 method, quint32 size, quint32 crc, ZipEntryVisitor &visitor)
{
    uLong actualCrc = crc32(0, nullptr, 0);
    auto give = [&](QByteArrayView piece) {
        actualCrc = crc32(actualCrc, reinterpret_cast<const Bytef *>(piece.data()), uInt(piece.size()));
        return visitor.piece(piece);
    };
    if (method == kStored) {
        if (compressed.size() != qsizetype(size))
            return false;
        for (qsizetype at = 0; at < compressed.size(); at += kPieceSize) {
            if (!give(compressed.sliced(at, std::min(kPieceSize, compressed.size() - at))))
                return false;
        }
        return actualCrc == crc;
    }
    if (method != kDeflated)
        return false;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.data()));
    stream.avail_in = uInt(compressed.size());
    std::array<char, kPieceSize> buffer;
    int status = Z_OK;
    bool given = true;
    while (status == Z_OK && given) {
        stream.next_out = reinterpret_cast<Bytef *>(buffer.data());
        stream.avail_out = uInt(buffer.size());
        status = inflate(&stream, Z_NO_FLUSH);
        const qsizetype produced = qsizetype(buffer.size() - stream.avail_out);
        if (produced > 0)
            given = give(QByteArrayView(buffer.data(), produced));
        // Input used up before the end of the data: the entry is cut short.
        if (status == Z_BUF_ERROR || (status == Z_OK && stream.avail_in == 0 && produced == 0))
            break;
    }
    const bool whole = given && status == Z_STREAM_END && stream.total_out == size;
    inflateEnd(&stream);
    return whole && actualCrc == crc;
}

bool isNameEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '/' || c == '>';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
} // namespace

bool readZipEntries(QByteArrayView archive, ZipEntryVisitor &visitor)
{
    qsizetype end = -1;
    for (qsizetype at = archive.size() - kEndOfDirectorySize;
         at >= 0 && at >= archive.size() - kEndOfDirectorySize - kMaxCommentSize; --at) {
        if (read32(archive, at) == kEndOfDirectorySignature) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return false;
    const quint16 entries = read16(archive, end + 10);
    qsizetype at = qsizetype(read32(archive, end + 16));
    for (quint16 i = 0; i < entries; ++i) {
        if (at + kDirectoryEntrySize > end || read32(archive, at) != kDirectorySignature)
            return false;
        const quint16 method = read16(archive, at + 10);
        const quint32 crc = read32(archive, at + 16);
        const quint32 compressedSize = read32(archive, at + 20);
        const quint32 size = read32(archive, at + 24);
        const quint16 nameLength = read16(archive, at + 28);
        const qsizetype next
            = at + kDirectoryEntrySize + nameLength + read16(archive, at + 30) + read16(archive, at + 32);
        const qsizetype local = qsizetype(read32(archive, at + 42));
        if (next > end)
            return false;
        const QString name = QString::fromUtf8(archive.sliced(at + kDirectoryEntrySize, nameLength));
        at = next;

        if (local + kLocalHeaderSize > archive.size() || read32(archive, local) != kLocalSignature)
            return false;
        const qsizetype dataStart
            = local + kLocalHeaderSize + read16(archive, local + 26) + read16(archive, local + 28);
        if (dataStart + qsizetype(compressedSize) > archive.size())
            return false;
        if (!visitor.begin(name)
            || !readEntry(archive.sliced(dataStart, qsizetype(compressedSize)), method, size, crc, visitor)
            || !visitor.end())
            return false;
    }
    return true;
}

bool forEachZipEntry(QByteArrayView archive,
                     const std::function<bool(const QString &name, const QByteArray &data)> &visit)
{
    class Collect final : public ZipEntryVisitor
    {
    public:
        explicit Collect(const std::function<bool(const QString &, const QByteArray &)> &visit)
            : m_visit(visit)
        {
        }
        bool begin(const QString &name) override
        {
            m_name = name;
            m_data.clear();
            return true;
        }
        bool piece(QByteArrayView bytes) override
        {
            m_data.append(bytes);
            return true;
        }
        bool end() override
        {
            return m_visit(m_name, m_data);
        }

    private:
        const std::function<bool(const QString &, const QByteArray &)> &m_visit;
        QString m_name;
        QByteArray m_data;
    };
    Collect collect(visit);
    return readZipEntries(archive, collect);
}

void XmlStructure::startElement()
{
    // A second root element, or one after the document ended.
    if (m_starts.isEmpty() && m_rootSeen)
        m_failed = true;
    m_rootSeen = true;
    if (!m_counted.isEmpty() && m_name == m_counted)
        ++m_count;
}

void XmlStructure::endElement()
{
    if (m_starts.isEmpty()) {
        m_failed = true;
        return;
    }
    const qsizetype start = m_starts.takeLast();
    if (QByteArrayView(m_names).sliced(start) != QByteArrayView(m_name))
        m_failed = true;
    m_names.truncate(start);
}

void XmlStructure::add(QByteArrayView piece)
{
    for (const char c : piece) {
        if (m_failed)
            return;
        switch (m_state) {
        case State::Text:
            if (c == '<')
                m_state = State::Open;
            else if (m_starts.isEmpty() && !isBlank(c))
                m_failed = true; // text outside the root element
            break;
        case State::Open:
            m_name.clear();
            if (c == '/') {
                m_state = State::EndName;
            } else if (c == '?' || c == '!') {
                m_special = c;
                m_previous = 0;
                m_state = State::Special;
            } else if (isNameEnd(c) || c == '<') {
                m_failed = true;
            } else {
                m_name.append(c);
                m_state = State::StartName;
            }
            break;
        case State::StartName:
            if (c == '<') {
                m_failed = true;
            } else if (!isNameEnd(c)) {
                m_name.append(c);
            } else {
                startElement();
                if (c == '/') {
                    m_state = State::SelfClose; // opened and closed at once
                } else {
                    m_starts.append(m_names.size());
                    m_names.append(m_name);
                    m_state = c == '>' ? State::Text : State::Attributes;
                }
            }
            break;
        case State::Attributes:
            if (c == '"' || c == '\'') {
                m_quote = c;
                m_state = State::Quoted;
            } else if (c == '/') {
                m_names.truncate(m_starts.takeLast());
                m_state = State::SelfClose;
            } else if (c == '>') {
                m_state = State::Text;
            } else if (c == '<') {
                m_failed = true;
            }
            break;
        case State::Quoted:
            if (c == m_quote)
                m_state = State::Attributes;
            else if (c == '<')
                m_failed = true;
            break;
        case State::SelfClose:
            if (c == '>')
                m_state = State::Text;
            else
                m_failed = true;
            break;
        case State::EndName:
            if (c == '>') {
                endElement();
                m_state = State::Text;
            } else if (isBlank(c)) {
                m_state = State::AfterEndName;
            } else if (c == '/' || c == '<') {
                m_failed = true;
            } else {
                m_name.append(c);
            }
            break;
        case State::AfterEndName:
            if (c == '>') {
                endElement();
                m_state = State::Text;
            } else if (!isBlank(c)) {
                m_failed = true;
            }
            break;
        case State::Special:
            if (c == '>' && (m_special == '!' || m_previous == '?'))
                m_state = State::Text;
            m_previous = c;
            break;
        }
    }
}

bool XmlStructure::isWhole() const
{
    return !m_failed && m_rootSeen && m_starts.isEmpty() && m_state == State::Text;
}

bool isWholeWorkbook(QByteArrayView archive, const QList<std::pair<QString, qint64>> &rows)
{
    class Check final : public ZipEntryVisitor
    {
    public:
        explicit Check(const QList<std::pair<QString, qint64>> &rows)
            : m_rows(rows)
        {
        }
        bool begin(const QString &name) override
        {
            m_isXml = name.endsWith(u".xml"_s) || name.endsWith(u".rels"_s);
            m_expected = -1;
            for (const auto &[part, count] : m_rows) {
                if (part == name) {
                    m_expected = count;
                    ++m_found;
                }
            }
            m_structure = XmlStructure("row");
            return true;
        }
        bool piece(QByteArrayView bytes) override
        {
            if (m_isXml)
                m_structure.add(bytes);
            return true;
        }
        bool end() override
        {
            ++m_parts;
            return (!m_isXml || m_structure.isWhole()) && (m_expected < 0 || m_structure.counted() == m_expected);
        }
        bool allFound() const
        {
            return m_parts > 0 && m_found == m_rows.size();
        }

    private:
        const QList<std::pair<QString, qint64>> &m_rows;
        bool m_isXml = false;
        qint64 m_expected = -1;
        qsizetype m_found = 0;
        qsizetype m_parts = 0;
        XmlStructure m_structure;
    };
    Check check(rows);
    return readZipEntries(archive, check) && check.allFound();
}
