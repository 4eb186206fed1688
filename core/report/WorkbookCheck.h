#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <utility>

// Reading a written workbook back: its zip entries and the element structure of the XML parts in
// them. The Excel writer checks each workbook it makes this way, since the library does not notice
// when a write to one of its temporary files fails (a full disk, a file-size limit) and then packs
// the part cut short.

// Receives each entry of an archive, its data inflated in pieces.
class ZipEntryVisitor
{
public:
    virtual ~ZipEntryVisitor() = default;
    // False stops the reading, which then fails.
    [[nodiscard]] virtual bool begin(const QString &name) = 0;
    [[nodiscard]] virtual bool piece(QByteArrayView bytes) = 0;
    [[nodiscard]] virtual bool end() = 0;
};

// Gives `visitor` every entry in the order of the archive's central directory. False when the
// archive is not whole: a record cut short or out of place, a method other than stored or
// deflated, data that does not inflate to the stated size and CRC, or the visitor said no.
[[nodiscard]] bool readZipEntries(QByteArrayView archive, ZipEntryVisitor &visitor);

// The same with each entry's data whole, for small archives.
[[nodiscard]] bool forEachZipEntry(QByteArrayView archive,
                                   const std::function<bool(const QString &name, const QByteArray &data)> &visit);

// The element structure of an XML document given in pieces: one root element, every element
// closed in order, quoted attribute values, declarations and processing instructions closed.
// Entities and names are not checked: this finds a document cut short or cut out of, not every
// fault a parser would.
class XmlStructure
{
public:
    // Start tags named `counted` are counted.
    explicit XmlStructure(QByteArray counted = {})
        : m_counted(std::move(counted))
    {
    }

    void add(QByteArrayView piece);
    [[nodiscard]] bool isWhole() const;
    [[nodiscard]] qint64 counted() const
    {
        return m_count;
    }

private:
    enum class State { Text, Open, StartName, Attributes, Quoted, SelfClose, EndName, AfterEndName, Special };
    void startElement();
    void endElement();

    QByteArray m_counted;
    State m_state = State::Text;
    bool m_failed = false;
    bool m_rootSeen = false;
    char m_quote = 0;
    char m_special = 0; // '?' or '!'
    char m_previous = 0;
    QByteArray m_name; // being read
    QByteArray m_names; // the open elements' names, one after the other
    QList<qsizetype> m_starts; // where each open element's name starts in m_names
    qint64 m_count = 0;
};

// Whether the archive is whole, every XML part in it (.xml, .rels) whole, and each part named in
// `rows` holds that many <row> elements.
[[nodiscard]] bool isWholeWorkbook(QByteArrayView archive, const QList<std::pair<QString, qint64>> &rows = {});
