// Office Open XML books: the zip through libzip, every part through QXmlStreamReader, fed a piece
// at a time so that a sheet's XML is never held whole.

#include "NumberFormat.h"
#include "WorkbookBook.h"
#include "ZipLibrary.h"

#include <QFile>
#include <QHash>
#include <QScopeGuard>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace
{
constexpr qint64 kPieceBytes = 1 << 20;

// One part of the zip, inflated a piece at a time into an XML reader. The sizes the zip states
// are checked before the first byte and the bytes actually inflated as they come, so a zip that
// lies about its sizes is stopped all the same.
class PartFeed
{
public:
    PartFeed(zip_t *zip, const QString &name)
        : m_zip(zip)
        , m_name(name)
    {
    }
    ~PartFeed()
    {
        if (m_file)
            zipLibrary()->zip_fclose(m_file);
    }
    PartFeed(const PartFeed &) = delete;
    PartFeed &operator=(const PartFeed &) = delete;

    // False with `error` set when the part is missing (and required), encrypted or too large.
    bool open(QString &error, bool &missing)
    {
        const zip_int64_t index = zipLibrary()->zip_name_locate(m_zip, m_name.toUtf8().constData(), ZIP_FL_NOCASE);
        missing = index < 0;
        if (missing)
            return false;
        zip_stat_t info;
        zipLibrary()->zip_stat_init(&info);
        if (zipLibrary()->zip_stat_index(m_zip, zip_uint64_t(index), 0, &info) != 0
            || (info.valid & (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE)) != (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE)) {
            error = WorkbookReason::damaged();
            return false;
        }
        if ((info.valid & ZIP_STAT_ENCRYPTION_METHOD) && info.encryption_method != ZIP_EM_NONE) {
            error = WorkbookReason::encrypted();
            return false;
        }
        const qint64 packed = qint64(std::min<zip_uint64_t>(info.comp_size, zip_uint64_t(1) << 40));
        m_limit
            = std::min(WorkbookReader::kMaxPartBytes, std::max<qint64>(packed, 1) * WorkbookReader::kMaxInflateRatio);
        // A small part may hold well over 200 times its size in a sound book (a sheet of one
        // repeated value): only parts past a few MiB are held to the ratio.
        m_limit = std::max<qint64>(m_limit, std::min<qint64>(WorkbookReader::kMaxPartBytes, 16 << 20));
        if (info.size > zip_uint64_t(m_limit)) {
            error = WorkbookReason::tooLarge();
            return false;
        }
        m_file = zipLibrary()->zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!m_file) {
            error = WorkbookReason::damaged();
            return false;
        }
        return true;
    }

    enum class Feed { Data, End, Failed };
    Feed feed(QXmlStreamReader &xml, QString &error)
    {
        QByteArray piece;
        const Feed fed = read(piece, error);
        if (fed == Feed::Data)
            xml.addData(piece);
        return fed;
    }
    // The next piece of the part's bytes; a part whose check sum does not match fails.
    Feed read(QByteArray &piece, QString &error)
    {
        if (m_ended)
            return Feed::End;
        piece.resize(kPieceBytes);
        const zip_int64_t got = zipLibrary()->zip_fread(m_file, piece.data(), zip_uint64_t(piece.size()));
        if (got < 0) {
            error = WorkbookReason::damaged();
            return Feed::Failed;
        }
        piece.resize(qsizetype(got));
        if (got == 0) {
            m_ended = true;
            return Feed::End;
        }
        m_total += got;
        if (m_total > m_limit) {
            error = WorkbookReason::tooLarge();
            return Feed::Failed;
        }
        return Feed::Data;
    }

    bool close()
    {
        const bool ok = zipLibrary()->zip_fclose(m_file) == 0;
        m_file = nullptr;
        return ok;
    }

private:
    zip_t *m_zip;
    QString m_name;
    zip_file_t *m_file = nullptr;
    qint64 m_limit = 0;
    qint64 m_total = 0;
    bool m_ended = false;
};

// Pieces of a part handed from the thread that inflates it to the one that reads it, a few at a
// time so that memory stays small.
class PieceQueue
{
public:
    // False once the reader has gone.
    bool push(PartFeed::Feed fed, QByteArray piece, const QString &error)
    {
        std::unique_lock lock(m_mutex);
        m_space.wait(lock, [this] { return m_cancelled || m_items.size() < kDepth; });
        if (m_cancelled)
            return false;
        m_items.push_back({fed, std::move(piece), error});
        m_ready.notify_one();
        return true;
    }
    PartFeed::Feed pop(QByteArray &piece, QString &error)
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_items.empty(); });
        Item item = std::move(m_items.front());
        m_items.pop_front();
        m_space.notify_one();
        piece = std::move(item.piece);
        if (item.fed == PartFeed::Feed::Failed)
            error = item.error;
        return item.fed;
    }
    void cancel()
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
        m_space.notify_all();
    }

private:
    struct Item
    {
        PartFeed::Feed fed;
        QByteArray piece;
        QString error;
    };
    static constexpr size_t kDepth = 4;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_space;
    std::deque<Item> m_items;
    bool m_cancelled = false;
};

// Calls `handle` for each token of part `name`. A part that is missing is no error unless
// `required`; a DOCTYPE, bad XML, a damaged or oversized part and a handler that returns false
// are, with `error` set.
bool parsePart(zip_t *zip, const QString &name, bool required, QString &error,
               const std::function<bool(QXmlStreamReader &, QXmlStreamReader::TokenType)> &handle)
{
    PartFeed part(zip, name);
    bool missing = false;
    if (!part.open(error, missing)) {
        if (missing && !required)
            return true;
        if (error.isEmpty())
            error = WorkbookReason::damaged();
        return false;
    }
    QXmlStreamReader xml;
    // Only the entities XML itself defines; a book has no use for others.
    xml.setNamespaceProcessing(false);
    bool ended = false;
    while (true) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::Invalid) {
            if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || ended) {
                error = WorkbookReason::damaged();
                return false;
            }
            const PartFeed::Feed fed = part.feed(xml, error);
            if (fed == PartFeed::Feed::Failed)
                return false;
            if (fed == PartFeed::Feed::End)
                ended = true;
            continue;
        }
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference) {
            error = WorkbookReason::hostileXml();
            return false;
        }
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (!handle(xml, token)) {
            if (error.isEmpty())
                error = WorkbookReason::damaged();
            return false;
        }
    }
    if (!part.close()) {
        error = WorkbookReason::damaged();
        return false;
    }
    return true;
}

QStringView attribute(const QXmlStreamReader &xml, QStringView name)
{
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        if (a.name() == name)
            return a.value();
    }
    return {};
}

// "_x000D_" in a text stands for the character it names.
QString unescapeOoxml(QString text)
{
    qsizetype at = text.indexOf(u"_x"_s);
    while (at >= 0 && at + 7 <= text.size()) {
        bool ok = false;
        const ushort code = text.mid(at + 2, 4).toUShort(&ok, 16);
        if (ok && text.at(at + 6) == u'_') {
            text.replace(at, 7, QChar(code));
            at = text.indexOf(u"_x"_s, at + 1);
        } else {
            at = text.indexOf(u"_x"_s, at + 2);
        }
    }
    return text;
}

// "AB12" → column 28, row 12; 0 for a part that is missing.
void parseCellReference(QStringView ref, int &row, int &col)
{
    qsizetype i = 0;
    qint64 c = 0;
    for (; i < ref.size(); ++i) {
        const char16_t ch = ref[i].unicode();
        if (ch >= u'A' && ch <= u'Z')
            c = c * 26 + (ch - u'A' + 1);
        else if (ch >= u'a' && ch <= u'z')
            c = c * 26 + (ch - u'a' + 1);
        else
            break;
        if (c > (1 << 24))
            break;
    }
    qint64 r = 0;
    for (; i < ref.size(); ++i) {
        const char16_t ch = ref[i].unicode();
        if (ch < u'0' || ch > u'9' || r > (qint64(1) << 30))
            break;
        r = r * 10 + (ch - u'0');
    }
    row = int(r);
    col = int(c);
}

QString resolveTarget(const QString &target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    QStringList parts = (u"xl/"_s + target).split(u'/');
    QStringList resolved;
    for (const QString &part : parts) {
        if (part == u".."_s) {
            if (!resolved.isEmpty())
                resolved.removeLast();
        } else if (!part.isEmpty() && part != u"."_s) {
            resolved.append(part);
        }
    }
    return resolved.join(u'/');
}

// A worksheet read straight from its UTF-8 bytes, for speed: the rows and cells as spreadsheet
// programs write them (<row>, <c> with r, s and t, <v>, <f>, <is><t>), the five XML entities and
// character references. Anything else (a comment, a DOCTYPE, CDATA, a namespace prefix, rich
// inline text, an attribute it does not expect to end) makes it give up, and the part is read
// again with the XML reader, which has the last word on what is sound.
class QuickSheetParser
{
public:
    struct Cell
    {
        int row = 0;
        int col = 0;
        char type = 'n'; // n, s (shared), t (text), b, e
        int style = 0;
        QByteArrayView value; // <v> or the inline text, entities not yet decoded
    };
    using CellSink = std::function<bool(const Cell &)>;

    explicit QuickSheetParser(CellSink sink)
        : m_sink(std::move(sink))
    {
    }

    enum class Result { More, Done, GiveUp, Stop };
    // Takes the next piece of the part; Done once the whole part has been read, GiveUp when the
    // XML is not the kind it reads, Stop when the sink refused a cell.
    Result take(const QByteArray &piece)
    {
        m_buffer.append(piece);
        const Result result = parse();
        return result;
    }
    // The part has ended: whatever is left must be its sound end.
    Result finish()
    {
        if (m_phase != Phase::Tail)
            return Result::GiveUp;
        const QByteArray tail = m_buffer.trimmed();
        if (tail.contains("<!") || !tail.endsWith("</worksheet>"))
            return Result::GiveUp;
        return Result::Done;
    }
    [[nodiscard]] const QList<std::array<int, 4>> &mergedRanges() const
    {
        return m_merged;
    }
    [[nodiscard]] int lastRow() const
    {
        return m_rowNumber;
    }

private:
    enum class Phase { Head, Rows, Tail };

    static bool isSpace(char c)
    {
        return c == ' ' || c == '\n' || c == '\r' || c == '\t';
    }

    Result parse()
    {
        qsizetype p = 0;
        const char *const b = m_buffer.constData();
        const qsizetype n = m_buffer.size();
        if (m_phase == Phase::Head) {
            const qsizetype at = m_buffer.indexOf("<sheetData");
            const qsizetype seen = at < 0 ? n : at;
            if (QByteArrayView(b, seen).contains("<!"))
                return Result::GiveUp;
            if (at < 0) {
                if (n > (qsizetype(64) << 20))
                    return Result::GiveUp;
                return Result::More;
            }
            const qsizetype close = m_buffer.indexOf('>', at);
            if (close < 0)
                return Result::More;
            p = close + 1;
            m_phase = b[close - 1] == '/' ? Phase::Tail : Phase::Rows;
        }
        while (m_phase == Phase::Rows) {
            while (p < n && isSpace(b[p]))
                ++p;
            if (n - p < 12)
                break;
            if (std::memcmp(b + p, "</sheetData>", 12) == 0) {
                p += 12;
                m_phase = Phase::Tail;
                break;
            }
            if (std::memcmp(b + p, "<row", 4) != 0 || !(isSpace(b[p + 4]) || b[p + 4] == '>' || b[p + 4] == '/'))
                return Result::GiveUp;
            const qsizetype startEnd = m_buffer.indexOf('>', p);
            if (startEnd < 0)
                break;
            const bool empty = b[startEnd - 1] == '/';
            qsizetype rowEnd = startEnd + 1;
            qsizetype contentEnd = startEnd + 1;
            if (!empty) {
                const qsizetype close = m_buffer.indexOf("</row>", startEnd);
                if (close < 0)
                    break;
                contentEnd = close;
                rowEnd = close + 6;
            }
            int rowNumber = 0;
            if (!rowAttributes(QByteArrayView(b + p + 4, startEnd - p - 4 - (empty ? 1 : 0)), rowNumber))
                return Result::GiveUp;
            m_rowNumber = rowNumber > 0 ? rowNumber : m_rowNumber + 1;
            const Result cells = parseCells(b + startEnd + 1, b + contentEnd);
            if (cells != Result::More)
                return cells;
            p = rowEnd;
        }
        if (m_phase == Phase::Tail) {
            // What follows the cells: the merged ranges are all that is read of it.
            m_buffer.remove(0, p);
            qsizetype at = 0;
            qsizetype done = 0;
            while ((at = m_buffer.indexOf("<mergeCell ", at)) >= 0) {
                const qsizetype end = m_buffer.indexOf('>', at);
                if (end < 0)
                    break;
                const QByteArrayView attrs(m_buffer.constData() + at + 11, end - at - 11);
                const qsizetype ref = attrs.indexOf("ref=\"");
                if (ref >= 0) {
                    const QByteArrayView rest = attrs.sliced(ref + 5);
                    const qsizetype quote = rest.indexOf('"');
                    if (quote < 0)
                        return Result::GiveUp;
                    const QString range = QString::fromLatin1(rest.first(quote));
                    const qsizetype colon = range.indexOf(u':');
                    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
                    parseCellReference(QStringView(range).left(colon), r1, c1);
                    if (colon > 0)
                        parseCellReference(QStringView(range).mid(colon + 1), r2, c2);
                    else
                        r2 = r1, c2 = c1;
                    m_merged.append({r1, c1, r2, c2});
                }
                at = end;
                done = end + 1;
            }
            if (QByteArrayView(m_buffer.constData(), done).contains("<!"))
                return Result::GiveUp;
            // Keeps the last bytes for the end check and for a range cut between pieces.
            m_buffer.remove(0, std::max<qsizetype>(0, std::min(done, m_buffer.size() - 64)));
            return Result::More;
        }
        m_buffer.remove(0, p);
        return Result::More;
    }

    // The attributes of an element: name="value" pairs, in either quotes, no entity in a value.
    template<typename Handle>
    static bool forEachAttribute(QByteArrayView attrs, Handle handle)
    {
        qsizetype i = 0;
        const qsizetype n = attrs.size();
        while (true) {
            while (i < n && isSpace(attrs[i]))
                ++i;
            if (i >= n)
                return true;
            const qsizetype nameStart = i;
            while (i < n && attrs[i] != '=' && !isSpace(attrs[i]))
                ++i;
            const QByteArrayView name = attrs.sliced(nameStart, i - nameStart);
            while (i < n && isSpace(attrs[i]))
                ++i;
            if (i + 1 >= n || attrs[i] != '=')
                return false;
            ++i;
            while (i < n && isSpace(attrs[i]))
                ++i;
            if (i >= n || (attrs[i] != '"' && attrs[i] != '\''))
                return false;
            const char quote = attrs[i++];
            const qsizetype valueStart = i;
            while (i < n && attrs[i] != quote)
                ++i;
            if (i >= n)
                return false;
            const QByteArrayView value = attrs.sliced(valueStart, i - valueStart);
            ++i;
            if (name.contains(':') && !name.startsWith("xml:"))
                return false;
            if (value.contains('&') || !handle(name, value))
                return false;
        }
    }

    static int number(QByteArrayView text)
    {
        qint64 value = 0;
        for (const char c : text) {
            if (c < '0' || c > '9' || value > (qint64(1) << 30))
                return -1;
            value = value * 10 + (c - '0');
        }
        return text.isEmpty() ? -1 : int(value);
    }

    bool rowAttributes(QByteArrayView attrs, int &row)
    {
        return forEachAttribute(attrs, [&row](QByteArrayView name, QByteArrayView value) {
            if (name == "r") {
                row = number(value);
                return row > 0;
            }
            return true;
        });
    }

    static bool cellReference(QByteArrayView ref, int &row, int &col)
    {
        qsizetype i = 0;
        qint64 c = 0;
        for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && c <= (1 << 24); ++i)
            c = c * 26 + (ref[i] - 'A' + 1);
        const int r = number(ref.sliced(i));
        if (c == 0 || r <= 0)
            return false;
        row = r;
        col = int(c);
        return true;
    }

    Result parseCells(const char *p, const char *end)
    {
        int nextCol = 1;
        while (true) {
            while (p < end && isSpace(*p))
                ++p;
            if (p >= end)
                return Result::More;
            if (end - p < 3 || p[0] != '<' || p[1] != 'c' || !(isSpace(p[2]) || p[2] == '>' || p[2] == '/'))
                return Result::GiveUp;
            const char *tagEnd = static_cast<const char *>(std::memchr(p, '>', size_t(end - p)));
            if (!tagEnd)
                return Result::GiveUp;
            const bool empty = tagEnd[-1] == '/';
            Cell cell;
            cell.row = m_rowNumber;
            cell.col = nextCol;
            const bool attrsRead
                = forEachAttribute(QByteArrayView(p + 2, tagEnd - p - 2 - (empty ? 1 : 0)),
                                   [&cell](QByteArrayView name, QByteArrayView value) {
                                       if (name == "r") {
                                           int row = 0;
                                           return cellReference(value, row, cell.col) && row == cell.row;
                                       }
                                       if (name == "s") {
                                           cell.style = number(value);
                                           return cell.style >= 0;
                                       }
                                       if (name == "t") {
                                           if (value == "s")
                                               cell.type = 's';
                                           else if (value == "str" || value == "inlineStr" || value == "d")
                                               cell.type = 't';
                                           else if (value == "b")
                                               cell.type = 'b';
                                           else if (value == "e")
                                               cell.type = 'e';
                                           else if (value != "n")
                                               return false;
                                       }
                                       return true;
                                   });
            if (!attrsRead)
                return Result::GiveUp;
            nextCol = cell.col + 1;
            p = tagEnd + 1;
            if (!empty) {
                // <f>…</f> or <f …/>, <v>…</v>, <is><t>…</t></is>, in any order, then </c>.
                while (true) {
                    while (p < end && isSpace(*p))
                        ++p;
                    if (end - p >= 4 && std::memcmp(p, "</c>", 4) == 0) {
                        p += 4;
                        break;
                    }
                    if (end - p >= 3 && std::memcmp(p, "<v>", 3) == 0) {
                        const char *close = static_cast<const char *>(std::memchr(p + 3, '<', size_t(end - p - 3)));
                        if (!close || end - close < 4 || std::memcmp(close, "</v>", 4) != 0)
                            return Result::GiveUp;
                        cell.value = QByteArrayView(p + 3, close - p - 3);
                        p = close + 4;
                    } else if (end - p >= 2 && p[0] == '<' && p[1] == 'f'
                               && (p[2] == '>' || isSpace(p[2]) || p[2] == '/')) {
                        const char *tag = static_cast<const char *>(std::memchr(p, '>', size_t(end - p)));
                        if (!tag)
                            return Result::GiveUp;
                        p = tag + 1;
                        if (tag[-1] != '/') {
                            const char *close = static_cast<const char *>(std::memchr(p, '<', size_t(end - p)));
                            if (!close || end - close < 4 || std::memcmp(close, "</f>", 4) != 0)
                                return Result::GiveUp;
                            p = close + 4;
                        }
                    } else if (end - p >= 4 && std::memcmp(p, "<is>", 4) == 0) {
                        p += 4;
                        while (p < end && isSpace(*p))
                            ++p;
                        if (end - p < 3 || p[0] != '<' || p[1] != 't' || !(p[2] == '>' || isSpace(p[2])))
                            return Result::GiveUp; // rich inline text, or a reading
                        const char *tag = static_cast<const char *>(std::memchr(p, '>', size_t(end - p)));
                        if (!tag || tag[-1] == '/')
                            return Result::GiveUp;
                        const char *close = static_cast<const char *>(std::memchr(tag + 1, '<', size_t(end - tag - 1)));
                        if (!close || end - close < 9 || std::memcmp(close, "</t></is>", 9) != 0)
                            return Result::GiveUp;
                        cell.value = QByteArrayView(tag + 1, close - tag - 1);
                        cell.type = 't';
                        p = close + 9;
                    } else {
                        return Result::GiveUp;
                    }
                }
            }
            if (!cell.value.isEmpty() && !m_sink(cell))
                return Result::Stop;
        }
    }

    CellSink m_sink;
    QByteArray m_buffer;
    Phase m_phase = Phase::Head;
    int m_rowNumber = 0;
    QList<std::array<int, 4>> m_merged;
};

// The text of XML character data: the five entities and character references decoded; nothing
// when it holds another reference.
std::optional<QString> decodeText(QByteArrayView raw)
{
    if (!raw.contains('&'))
        return QString::fromUtf8(raw);
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out.append(raw[i]);
            continue;
        }
        const qsizetype semi = raw.indexOf(';', i);
        if (semi < 0)
            return std::nullopt;
        const QByteArrayView name = raw.sliced(i + 1, semi - i - 1);
        if (name == "amp")
            out.append('&');
        else if (name == "lt")
            out.append('<');
        else if (name == "gt")
            out.append('>');
        else if (name == "quot")
            out.append('"');
        else if (name == "apos")
            out.append('\'');
        else if (name.startsWith('#')) {
            bool ok = false;
            const uint code = name.startsWith("#x") ? name.sliced(2).toUInt(&ok, 16) : name.sliced(1).toUInt(&ok, 10);
            if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return std::nullopt;
            const char32_t character = code;
            out.append(QString::fromUcs4(&character, 1).toUtf8());
        } else {
            return std::nullopt;
        }
        i = semi;
    }
    return QString::fromUtf8(out);
}

class XlsxBook final : public WorkbookReader::Book
{
public:
    explicit XlsxBook(const QString &path)
        : m_path(path)
    {
    }
    ~XlsxBook() override
    {
        if (m_zip)
            zipLibrary()->zip_discard(m_zip);
    }

    bool load(QString &error)
    {
        if (!zipLibrary()) {
            error = WorkbookReason::noLibrary();
            return false;
        }
        int zipError = 0;
        m_zip = zipLibrary()->zip_open(QFile::encodeName(m_path).constData(), ZIP_RDONLY, &zipError);
        if (!m_zip) {
            error = WorkbookReason::damaged();
            return false;
        }
        if (zipLibrary()->zip_name_locate(m_zip, "xl/workbook.xml", ZIP_FL_NOCASE) < 0) {
            error = WorkbookReason::noSheet();
            return false;
        }
        QStringList ids;
        const bool read = parsePart(m_zip, u"xl/workbook.xml"_s, true, error, [&](QXmlStreamReader &xml, auto token) {
            if (token != QXmlStreamReader::StartElement)
                return true;
            if (xml.name() == u"workbookPr") {
                const QStringView date1904 = attribute(xml, u"date1904");
                m_date1904 = date1904 == u"1" || date1904 == u"true";
            } else if (xml.name() == u"sheet") {
                const QStringView state = attribute(xml, u"state");
                sheets.append({attribute(xml, u"name").toString(), state != u"hidden" && state != u"veryHidden"});
                ids.append(attribute(xml, u"id").toString());
            }
            return true;
        });
        if (!read)
            return false;
        QHash<QString, QString> targets;
        if (!parsePart(m_zip, u"xl/_rels/workbook.xml.rels"_s, true, error, [&](QXmlStreamReader &xml, auto token) {
                if (token == QXmlStreamReader::StartElement && xml.name() == u"Relationship")
                    targets.insert(attribute(xml, u"Id").toString(), attribute(xml, u"Target").toString());
                return true;
            }))
            return false;
        for (const QString &id : std::as_const(ids))
            m_sheetParts.append(resolveTarget(targets.value(id)));
        return loadStyles(error);
    }

    std::optional<WorkbookSheetRead> readSheet(int index, bool sheetLimits, QString &error) override
    {
        SheetCollector collector(sheetLimits);
        if (!loadSharedStrings(collector, error))
            return std::nullopt;
        const QString part = m_sheetParts.value(index);
        QString unknownFormat;
        const FastSheetRead fast = readCellsFast(part, collector, unknownFormat, error);
        if (fast == FastSheetRead::Failed)
            return std::nullopt;
        if (fast == FastSheetRead::Read) {
            m_shared.clear();
            WorkbookSheetRead result = collector.finish();
            if (!unknownFormat.isEmpty())
                result.formatNote = unknownNumberFormatText(unknownFormat);
            return result;
        }
        // XML the quick reading does not follow is read again, by the XML reader, from the start.
        error.clear();
        collector = SheetCollector(sheetLimits);
        if (!loadSharedStrings(collector, error))
            return std::nullopt;
        std::optional<WorkbookSheetRead> read = readCells(part, collector, error);
        m_shared.clear();
        return read;
    }

private:
    // The text of a number cell (its <v>) under cell style `style`; a format it does not render
    // is named in `unknownFormat` once.
    QString numberText(int style, QStringView value, QString &unknownFormat) const
    {
        if (value.isEmpty())
            return {};
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok)
            return value.toString();
        if (style < 0 || style >= m_styleCodes.size() || m_generalStyle[size_t(style)])
            return NumberFormat::general(number);
        const QString &code = m_styleCodes[style];
        if (code.isEmpty()) {
            // A format number the spreadsheet defines for other locales only.
            if (unknownFormat.isEmpty())
                unknownFormat = m_styleIds.value(style);
            return NumberFormat::general(number);
        }
        const NumberFormat::Rendered rendered = NumberFormat::render(number, code, m_date1904);
        if (!rendered.known && unknownFormat.isEmpty())
            unknownFormat = code;
        return rendered.text;
    }

    bool loadStyles(QString &error)
    {
        QHash<int, QString> custom;
        bool inCellXfs = false;
        QList<int> xfIds;
        const bool read = parsePart(m_zip, u"xl/styles.xml"_s, false, error, [&](QXmlStreamReader &xml, auto token) {
            if (token == QXmlStreamReader::StartElement) {
                if (xml.name() == u"numFmt")
                    custom.insert(attribute(xml, u"numFmtId").toInt(), attribute(xml, u"formatCode").toString());
                else if (xml.name() == u"cellXfs")
                    inCellXfs = true;
                else if (inCellXfs && xml.name() == u"xf")
                    xfIds.append(attribute(xml, u"numFmtId").toInt());
            } else if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") {
                inCellXfs = false;
            }
            return true;
        });
        if (!read)
            return false;
        for (const int id : std::as_const(xfIds)) {
            m_styleCodes.append(custom.contains(id) ? custom.value(id) : NumberFormat::builtinFormatCode(id));
            m_styleIds.append(u"numFmtId "_s + QString::number(id));
            const QString &code = m_styleCodes.back();
            m_generalStyle.push_back(id == 0 || code.compare(u"General"_s, Qt::CaseInsensitive) == 0);
        }
        return true;
    }

    // Every shared string goes into the sheet's pool once; cells point at it.
    bool loadSharedStrings(SheetCollector &collector, QString &error)
    {
        m_shared.clear();
        QString text;
        bool inItem = false, inText = false;
        int phonetic = 0; // inside <rPh>: the reading, which the spreadsheet does not show
        bool full = false;
        const bool read
            = parsePart(m_zip, u"xl/sharedStrings.xml"_s, false, error, [&](QXmlStreamReader &xml, auto token) {
                  switch (token) {
                  case QXmlStreamReader::StartElement:
                      if (xml.name() == u"si") {
                          inItem = true;
                          text.clear();
                      } else if (xml.name() == u"rPh") {
                          ++phonetic;
                      } else if (xml.name() == u"t") {
                          inText = inItem && phonetic == 0;
                      }
                      break;
                  case QXmlStreamReader::EndElement:
                      if (xml.name() == u"si") {
                          inItem = false;
                          const std::optional<CellRef> ref = collector.addText(unescapeOoxml(text));
                          if (!ref) {
                              full = true;
                              return false;
                          }
                          m_shared.push_back(*ref);
                      } else if (xml.name() == u"rPh") {
                          --phonetic;
                      } else if (xml.name() == u"t") {
                          inText = false;
                      }
                      break;
                  case QXmlStreamReader::Characters:
                      if (inText)
                          text += xml.text();
                      break;
                  default:
                      break;
                  }
                  return true;
              });
        if (full)
            error = WorkbookReason::tooLarge();
        return read;
    }

    enum class FastSheetRead { Read, NotHandled, Failed };
    FastSheetRead readCellsFast(const QString &part, SheetCollector &collector, QString &unknownFormat, QString &error)
    {
        if (part.isEmpty()) {
            error = WorkbookReason::damaged();
            return FastSheetRead::Failed;
        }
        bool full = false;
        bool badShared = false;
        bool badText = false;
        QString text;
        QuickSheetParser parser([&](const QuickSheetParser::Cell &cell) {
            if (cell.row > collector.rowLimit()) {
                collector.markCut(collector.rowLimit() + 1);
                return true;
            }
            switch (cell.type) {
            case 's': {
                bool ok = false;
                const qsizetype at = cell.value.toLongLong(&ok);
                if (!ok || at < 0 || at >= qsizetype(m_shared.size())) {
                    badShared = true;
                    return false;
                }
                collector.addCellRef(cell.row, cell.col, m_shared[size_t(at)]);
                return true;
            }
            case 'n': {
                // A whole number of up to 11 digits shows as itself under General.
                const QByteArrayView v = cell.value;
                const bool plain = v.size() <= 11 && (v.size() == 1 || v[0] != '0')
                    && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
                if (plain && (cell.style >= qsizetype(m_generalStyle.size()) || m_generalStyle[size_t(cell.style)]))
                    text = QString::fromLatin1(v);
                else
                    text = numberText(cell.style, QString::fromLatin1(v), unknownFormat);
                break;
            }
            case 'b':
                text = cell.value == "1" ? u"TRUE"_s : u"FALSE"_s;
                break;
            default: {
                std::optional<QString> decoded = decodeText(cell.value);
                if (!decoded) {
                    badText = true;
                    return false;
                }
                text = cell.type == 't' && decoded->contains(u"_x"_s) ? unescapeOoxml(*decoded) : *decoded;
                break;
            }
            }
            if (!collector.addCell(cell.row, cell.col, text)) {
                full = true;
                return false;
            }
            return true;
        });
        PartFeed feed(m_zip, part);
        bool missing = false;
        if (!feed.open(error, missing)) {
            if (error.isEmpty())
                error = WorkbookReason::damaged();
            return FastSheetRead::Failed;
        }
        // The part is inflated on a second thread while this one reads the cells: the two take
        // about as long as each other.
        PieceQueue queue;
        std::thread inflater([&feed, &queue] {
            QString reason;
            while (true) {
                QByteArray next;
                const PartFeed::Feed fed = feed.read(next, reason);
                if (!queue.push(fed, std::move(next), reason) || fed != PartFeed::Feed::Data)
                    return;
            }
        });
        const auto joinInflater = qScopeGuard([&] {
            queue.cancel();
            if (inflater.joinable())
                inflater.join();
        });
        QByteArray piece;
        while (true) {
            const PartFeed::Feed fed = queue.pop(piece, error);
            if (fed == PartFeed::Feed::Failed)
                return FastSheetRead::Failed;
            const QuickSheetParser::Result result = fed == PartFeed::Feed::End ? parser.finish() : parser.take(piece);
            if (result == QuickSheetParser::Result::GiveUp || badText)
                return FastSheetRead::NotHandled;
            if (result == QuickSheetParser::Result::Stop) {
                if (badShared)
                    error = WorkbookReason::damaged();
                else if (full)
                    error = WorkbookReason::tooLarge();
                else
                    return FastSheetRead::NotHandled;
                return FastSheetRead::Failed;
            }
            if (fed == PartFeed::Feed::End)
                break;
        }
        queue.cancel();
        inflater.join();
        const bool closed = feed.close();
        if (!closed) {
            error = WorkbookReason::damaged();
            return FastSheetRead::Failed;
        }
        for (const auto &[r1, c1, r2, c2] : parser.mergedRanges())
            collector.addMergedRange(r1, c1, r2, c2);
        return FastSheetRead::Read;
    }

    std::optional<WorkbookSheetRead> readCells(const QString &part, SheetCollector &collector, QString &error)
    {
        if (part.isEmpty()) {
            error = WorkbookReason::damaged();
            return std::nullopt;
        }
        enum class Type { Number, Shared, Text, Boolean, Error };
        int row = 0, col = 0;
        Type type = Type::Number;
        int style = 0;
        QString value; // <v>
        QString inlineText; // <is><t>…</t></is>
        bool inValue = false, inInline = false, inText = false, inCell = false;
        int phonetic = 0;
        bool full = false;
        QString unknownFormat;

        const auto cellText = [&]() -> QString {
            switch (type) {
            case Type::Text:
                return unescapeOoxml(inInline || !inlineText.isEmpty() ? inlineText : value);
            case Type::Boolean:
                return value == u"1"_s ? u"TRUE"_s : value.isEmpty() ? QString() : u"FALSE"_s;
            case Type::Error:
                return value;
            case Type::Shared:
            case Type::Number:
                break;
            }
            return numberText(style, value, unknownFormat);
        };

        int nextRow = 1, currentRow = 1, nextCol = 1;
        bool stop = false;
        const bool read = parsePart(m_zip, part, true, error, [&](QXmlStreamReader &xml, auto token) {
            if (stop)
                return true;
            switch (token) {
            case QXmlStreamReader::StartElement: {
                const QStringView name = xml.name();
                if (name == u"c") {
                    inCell = true;
                    const QStringView ref = attribute(xml, u"r");
                    if (!ref.isEmpty())
                        parseCellReference(ref, row, col);
                    else {
                        row = currentRow;
                        col = nextCol;
                    }
                    const QStringView t = attribute(xml, u"t");
                    type = t == u"s"                                    ? Type::Shared
                        : t == u"str" || t == u"inlineStr" || t == u"d" ? Type::Text
                        : t == u"b"                                     ? Type::Boolean
                        : t == u"e"                                     ? Type::Error
                                                                        : Type::Number;
                    style = attribute(xml, u"s").toInt();
                    value.clear();
                    inlineText.clear();
                    inInline = false;
                } else if (name == u"row") {
                    const QStringView r = attribute(xml, u"r");
                    currentRow = r.isEmpty() ? nextRow : r.toInt();
                    nextCol = 1;
                    if (currentRow > collector.rowLimit()) {
                        collector.markCut(collector.rowLimit() + 1);
                        stop = true; // rows come in order: nothing after this one is kept
                    }
                } else if (inCell && name == u"v") {
                    inValue = true;
                } else if (inCell && name == u"is") {
                    inInline = true;
                } else if (inCell && name == u"rPh") {
                    ++phonetic;
                } else if (inInline && name == u"t") {
                    inText = phonetic == 0;
                } else if (name == u"mergeCell") {
                    const QStringView ref = attribute(xml, u"ref");
                    const qsizetype colon = ref.indexOf(u':');
                    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
                    parseCellReference(ref.left(colon), r1, c1);
                    if (colon > 0)
                        parseCellReference(ref.mid(colon + 1), r2, c2);
                    else
                        r2 = r1, c2 = c1;
                    collector.addMergedRange(r1, c1, r2, c2);
                }
                break;
            }
            case QXmlStreamReader::EndElement: {
                const QStringView name = xml.name();
                if (name == u"c") {
                    inCell = false;
                    nextCol = col + 1;
                    if (type == Type::Shared) {
                        bool ok = false;
                        const qsizetype at = value.toLongLong(&ok);
                        if (!value.isEmpty() && (!ok || at < 0 || at >= qsizetype(m_shared.size())))
                            return false;
                        if (ok)
                            collector.addCellRef(row, col, m_shared[size_t(at)]);
                    } else if (!collector.addCell(row, col, cellText())) {
                        full = true;
                        return false;
                    }
                } else if (name == u"row") {
                    nextRow = currentRow + 1;
                } else if (name == u"v") {
                    inValue = false;
                } else if (name == u"is") {
                    inInline = false;
                } else if (name == u"rPh") {
                    --phonetic;
                } else if (name == u"t") {
                    inText = false;
                }
                break;
            }
            case QXmlStreamReader::Characters:
                if (inValue)
                    value += xml.text();
                else if (inText)
                    inlineText += xml.text();
                break;
            default:
                break;
            }
            return true;
        });
        if (!read) {
            if (full)
                error = WorkbookReason::tooLarge();
            return std::nullopt;
        }
        WorkbookSheetRead result = collector.finish();
        if (!unknownFormat.isEmpty())
            result.formatNote = unknownNumberFormatText(unknownFormat);
        return result;
    }

    QString m_path;
    zip_t *m_zip = nullptr;
    bool m_date1904 = false;
    QStringList m_sheetParts;
    QStringList m_styleCodes; // each cell style's number format code
    QStringList m_styleIds; // and its number, to name a format that has no code here
    std::vector<bool> m_generalStyle; // whether the style shows its numbers as General
    std::vector<CellRef> m_shared;
};
} // namespace

std::unique_ptr<WorkbookReader::Book> openXlsxBook(const QString &path, QString &error)
{
    auto book = std::make_unique<XlsxBook>(path);
    if (!book->load(error))
        return nullptr;
    return book;
}
