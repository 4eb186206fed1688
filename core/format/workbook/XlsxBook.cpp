// Office Open XML books: the zip through QuaZip, every part through QXmlStreamReader, fed a piece
// at a time so that a sheet's XML is never held whole.

#include "NumberFormat.h"
#include "WorkbookBook.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include <QHash>
#include <QXmlStreamReader>

#include <functional>

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
    PartFeed(QuaZip &zip, const QString &name)
        : m_zip(zip)
        , m_name(name)
    {
    }

    // False with `error` set when the part is missing (and required), encrypted or too large.
    bool open(QString &error, bool &missing)
    {
        missing = !m_zip.setCurrentFile(m_name, QuaZip::csInsensitive);
        if (missing)
            return false;
        QuaZipFileInfo64 info;
        if (!m_zip.getCurrentFileInfo(&info)) {
            error = WorkbookReason::damaged();
            return false;
        }
        if (info.flags & 1) {
            error = WorkbookReason::encrypted();
            return false;
        }
        m_packed = qint64(info.compressedSize);
        m_limit
            = std::min(WorkbookReader::kMaxPartBytes, std::max<qint64>(m_packed, 1) * WorkbookReader::kMaxInflateRatio);
        // A small part may hold well over 200 times its size in a sound book (a sheet of one
        // repeated value): only parts past a few MiB are held to the ratio.
        m_limit = std::max<qint64>(m_limit, std::min<qint64>(WorkbookReader::kMaxPartBytes, 16 << 20));
        if (qint64(info.uncompressedSize) > m_limit) {
            error = WorkbookReason::tooLarge();
            return false;
        }
        m_file = std::make_unique<QuaZipFile>(&m_zip);
        if (!m_file->open(QIODevice::ReadOnly)) {
            error = WorkbookReason::damaged();
            return false;
        }
        return true;
    }

    enum class Feed { Data, End, Failed };
    Feed feed(QXmlStreamReader &xml, QString &error)
    {
        if (m_file->atEnd())
            return Feed::End;
        const QByteArray piece = m_file->read(kPieceBytes);
        if (piece.isEmpty()) {
            if (m_file->atEnd())
                return Feed::End;
            error = WorkbookReason::damaged();
            return Feed::Failed;
        }
        m_total += piece.size();
        if (m_total > m_limit) {
            error = WorkbookReason::tooLarge();
            return Feed::Failed;
        }
        xml.addData(piece);
        return Feed::Data;
    }

    // Closing checks the part's CRC.
    bool close()
    {
        m_file->close();
        return m_file->getZipError() == UNZ_OK;
    }

private:
    QuaZip &m_zip;
    QString m_name;
    std::unique_ptr<QuaZipFile> m_file;
    qint64 m_packed = 0;
    qint64 m_limit = 0;
    qint64 m_total = 0;
};

// Calls `handle` for each token of part `name`. A part that is missing is no error unless
// `required`; a DOCTYPE, bad XML, a damaged or oversized part and a handler that returns false
// are, with `error` set.
bool parsePart(QuaZip &zip, const QString &name, bool required, QString &error,
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

class XlsxBook final : public WorkbookReader::Book
{
public:
    explicit XlsxBook(const QString &path)
        : m_zip(path)
    {
    }

    bool load(QString &error)
    {
        if (!m_zip.open(QuaZip::mdUnzip)) {
            error = WorkbookReason::damaged();
            return false;
        }
        if (!m_zip.setCurrentFile(u"xl/workbook.xml"_s, QuaZip::csInsensitive)) {
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
        std::optional<WorkbookSheetRead> read = readCells(m_sheetParts.value(index), collector, error);
        m_shared.clear();
        return read;
    }

private:
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
        QHash<int, bool> generalStyle; // styles whose numbers show as General, looked up once

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
            if (value.isEmpty())
                return {};
            bool ok = false;
            const double number = value.toDouble(&ok);
            if (!ok)
                return value;
            const QString code = m_styleCodes.value(style);
            if (code.isEmpty() && style >= 0 && style < m_styleCodes.size()) {
                // A format number the spreadsheet defines for other locales only.
                if (unknownFormat.isEmpty())
                    unknownFormat = m_styleIds.value(style);
                return NumberFormat::general(number);
            }
            auto general = generalStyle.constFind(style);
            if (general == generalStyle.constEnd())
                general = generalStyle.insert(style,
                                              code.isEmpty() || code.compare(u"General"_s, Qt::CaseInsensitive) == 0);
            if (*general)
                return NumberFormat::general(number);
            const NumberFormat::Rendered rendered = NumberFormat::render(number, code, m_date1904);
            if (!rendered.known && unknownFormat.isEmpty())
                unknownFormat = code;
            return rendered.text;
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

    QuaZip m_zip;
    bool m_date1904 = false;
    QStringList m_sheetParts;
    QStringList m_styleCodes; // each cell style's number format code
    QStringList m_styleIds; // and its number, to name a format that has no code here
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
