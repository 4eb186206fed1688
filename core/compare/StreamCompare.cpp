#include "StreamCompare.h"

#include "CellEquality.h"
#include "KeyAlignment.h"
#include "OnePassCompare.h"
#include "RawLineCompare.h"
#include "RowAlignment.h"
#include "SheetStream.h"
#include "SideThread.h"

#include <QByteArray>
#include <QScopeGuard>

#include <cstring>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <latch>
#include <limits>
#include <memory>
#include <numeric>
#include <string_view>
#include <tuple>

namespace
{
// The fields of a line with quotes that lie wholly in a stretch the other line has too: how many,
// and the place after the comma that ends the last of them. The stretch holds `commas` commas, the
// last of them just before `afterLast`; those inside quoted fields end no field. The line is passed
// over from quote to quote.
std::pair<int, size_t> fieldsWithin(std::string_view line, int commas, size_t afterLast)
{
    const char *chars = line.data();
    const auto size = qsizetype(line.size());
    const auto last = qsizetype(afterLast);
    int fields = commas;
    for (qsizetype from = 0; from < last;) {
        const qsizetype quote = FieldSplitter::nextOpeningQuote(chars, from, last);
        if (quote >= last)
            break;
        const FieldSplitter::CommaField field = FieldSplitter::commaFieldAt(chars, quote, size, ',');
        const qsizetype quotedEnd = field.unclosed ? size : field.close;
        fields -= int(std::count(chars + field.start, chars + std::min(quotedEnd, last), ','));
        if (field.unclosed || field.end >= last)
            return {fields, size_t(FieldSplitter::fieldStartBefore(chars, quote))};
        from = field.end + 1;
    }
    return {fields, afterLast};
}

// compareRawLines for two lines of which one holds a double quote: a shared stretch is passed
// over a field at a time where it holds a quote (a comma inside quotes ends no field), and the
// fields where the lines part are cut by the reader's rules.
template<class Differing>
void compareQuotedRawLines(RawFieldCursor a, RawFieldCursor b, int lastCol, Differing &&differing)
{
    int col = 1; // a and b start at field col of their lines
    while (true) {
        const std::string_view restA = a.rest();
        const std::string_view restB = b.rest();
        const SharedStretch shared
            = sharedStretch(restA.data(), restB.data(), std::min(restA.size(), restB.size()), ',');
        if (shared.size == restA.size() && shared.size == restB.size())
            return;
        int fields = shared.delimiters;
        size_t after = shared.afterLastDelimiter;
        if (after > 0 && std::memchr(restA.data(), '"', after))
            std::tie(fields, after) = fieldsWithin(restA, fields, after);
        col += fields;
        a.skip(after);
        b.skip(after);
        if (col > lastCol)
            return;
        const std::string_view fieldA = a.take();
        const std::string_view fieldB = b.take();
        if (fieldA != fieldB)
            differing(col, fieldA, fieldB);
        ++col;
        if (a.ended() && b.ended())
            return;
        if (a.ended() || b.ended()) {
            // The other line's remaining fields face empty cells.
            const bool restOfA = b.ended();
            RawFieldCursor &rest = restOfA ? a : b;
            for (; col <= lastCol && !rest.ended(); ++col) {
                const std::string_view field = rest.take();
                if (!field.empty())
                    restOfA ? differing(col, field, std::string_view()) : differing(col, std::string_view(), field);
            }
            return;
        }
    }
}

using Streams = std::array<std::unique_ptr<SheetStream>, 2>;

// One row's identity: rows with the same texts in the columns compared have the same hash.
struct RowHash
{
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    friend auto operator<=>(const RowHash &, const RowHash &) = default;
};

// The columns rows are lined up on: every column both files have, or the key columns.
struct LineUpColumns
{
    std::vector<int> columns; // ascending data columns (lined-up ones when the columns are)
    // For each of columns, each file's own column (0: an empty column lining up put in).
    std::array<std::vector<int>, 2> own;
    bool keys = false; // key columns: never left out by the options
};

// The hash of every row of a stream, read to its end: the row's texts in the lining-up columns as
// UTF-8 (under comparison options, the texts that stand for the texts they make the same), each
// ended by a byte UTF-8 never holds, so that two rows share the hashed bytes exactly when their
// texts agree, however the texts were cut or decoded. Nothing when the stream gave up.
//
// A numeric rule's stand-in is one mark for every number, so that the hash cannot tell rows apart
// whose numbers differ: then `texts`, when given, also gets each row's texts in the lining-up
// columns, one after the other, for the texts to decide within a hash.
std::optional<std::vector<RowHash>> hashRows(SheetStream &stream, const LineUpColumns &lineUp, int sheet,
                                             const CompareOptions &options, std::vector<QString> *texts)
{
    const std::vector<int> &own = lineUp.own[size_t(sheet)];
    std::vector<RowHash> hashes;
    std::string row;
    constexpr char kEnd = '\xFF';
    const bool exact = options.isExact();
    CellEquality equality(options);
    // Under options, the text that stands for every text they make the same; nothing for a column
    // they leave out.
    const auto identityText = [&](QStringView text, int col) -> std::optional<QStringView> {
        if (exact)
            return text;
        if (!lineUp.keys && equality.skipsColumn(col))
            return std::nullopt;
        return equality.hashKey(text, col);
    };
    while (stream.next()) {
        row.clear();
        if (stream.isRawRow() && exact) {
            RawFieldCursor line = stream.rawFieldCursor();
            int col = 1; // the field the cursor is at
            for (const int wanted : own) {
                for (; !line.ended() && col < wanted; ++col)
                    (void)line.take();
                if (!line.ended() && wanted > 0) {
                    row.append(line.take());
                    ++col;
                }
                row.push_back(kEnd);
            }
        } else {
            stream.decodeRow();
            for (size_t k = 0; k < own.size(); ++k) {
                const int col = lineUp.columns[k];
                // A column past the file's is empty in every row.
                const QStringView cell = own[k] > 0 && own[k] < stream.cols() ? stream.cell(own[k]) : QStringView();
                if (texts)
                    texts->push_back(cell.toString());
                if (const std::optional<QStringView> text = identityText(cell, col))
                    row.append(text->toUtf8().toStdString());
                row.push_back(kEnd);
            }
        }
        const XXH128_hash_t hash = XXH3_128bits(row.data(), row.size());
        hashes.push_back({hash.low64, hash.high64});
    }
    if (stream.status() == SheetStream::Status::NotStreamable)
        return std::nullopt;
    return hashes;
}

// Compares the current rows of the streams; a missing stream stands for an empty row. Two compare
// the halves of the rows on two cores, each counting in its own cache line.
class alignas(64) RowComparer
{
public:
    // Through `map` when the columns are lined up (it must outlive the comparer).
    RowComparer(int lastCol, const CompareOptions &options, CellListener &differences, const ColumnMap *map)
        : m_lastCol(lastCol)
        , m_map(map)
        , m_equality(options)
        , m_exact(options.isExact())
        , m_decodes(!m_exact || differences.wantsTexts())
        , m_differences(differences)
    {
    }

    [[nodiscard]] qint32 count() const
    {
        return m_count;
    }
    [[nodiscard]] qint32 equivalentCount() const
    {
        return m_equivalentCount;
    }
    // What another comparer of the same files found in other rows.
    void add(const RowComparer &other)
    {
        m_count += other.m_count;
        m_equivalentCount += other.m_equivalentCount;
    }

    // False when a stream gave up.
    bool compare(int row, SheetStream *first, SheetStream *second)
    {
        m_row = row;
        const bool raw0 = !first || first->isRawRow();
        const bool raw1 = !second || second->isRawRow();
        if (raw0 && raw1) {
            // Lines of the same bytes hold the same texts, column by column.
            if (!m_map && first && second && second->isSameLine())
                return true;
            const SheetStream &fieldsFrom = first ? *first : *second;
            // Fields of the same bytes have the same texts, the same under any options.
            const auto differing = [this](int col, std::string_view field0, std::string_view field1) {
                if (m_decodes)
                    tell(col, decodedField(field0, m_texts[0]), decodedField(field1, m_texts[1]));
                else
                    tell(col, {}, {});
            };
            const RawFields fields = fieldsFrom.rawFields();
            const auto cursorOf = [fields](const SheetStream *stream) {
                return stream ? stream->rawFieldCursor() : RawFieldCursor({}, fields, false);
            };
            const bool quoted = (first && first->rawLineQuoted()) || (second && second->rawLineQuoted());
            if (m_map) {
                RawFieldCursor line0 = cursorOf(first);
                RawFieldCursor line1 = cursorOf(second);
                compareMappedRawLines(line0, line1, *m_map, differing);
            } else if (quoted)
                compareQuotedRawLines(cursorOf(first), cursorOf(second), m_lastCol, differing);
            else
                compareRawLines(lineOf(first), lineOf(second), m_lastCol, fields, differing);
            return true;
        }
        for (SheetStream *stream : {first, second}) {
            if (stream) {
                stream->decodeRow();
                if (stream->status() == SheetStream::Status::NotStreamable)
                    return false;
            }
        }
        for (int c = 1; c <= m_lastCol; ++c) {
            const QStringView text0 = m_map ? m_map->cell(first, 0, c) : first ? first->cell(c) : QStringView();
            const QStringView text1 = m_map ? m_map->cell(second, 1, c) : second ? second->cell(c) : QStringView();
            if (!cellsEqual(text0, text1))
                tell(c, text0, text1);
        }
        return true;
    }

private:
    static std::string_view lineOf(const SheetStream *stream)
    {
        if (!stream)
            return {};
        const QByteArrayView line = stream->rawLine();
        return {line.data(), size_t(line.size())};
    }
    void tell(int col, QStringView text0, QStringView text1)
    {
        switch (m_exact ? CellMatch::Differs : m_equality.match(text0, text1, col)) {
        case CellMatch::Equal:
            break;
        case CellMatch::Equivalent:
            m_differences.equivalentCell(m_row, col, text0, text1);
            ++m_equivalentCount;
            break;
        case CellMatch::Differs:
            m_differences.differingCell(m_row, col, text0, text1);
            ++m_count;
            break;
        }
    }

    int m_lastCol;
    const ColumnMap *m_map;
    CellEquality m_equality;
    bool m_exact;
    bool m_decodes; // raw fields that differ are decoded for the consumer or the options
    qint32 m_equivalentCount = 0;
    CellListener &m_differences;
    std::array<QString, 2> m_texts;
    int m_row = 0;
    qint32 m_count = 0;
};

// Row 1's texts of a stream, one for each of its data columns (empty for a file without rows), as
// the stored sheet's heading; the stream is rewound after. Nothing when the stream gave up or its
// file changed (which its status says).
std::optional<std::vector<QString>> readHeading(SheetStream &stream)
{
    std::vector<QString> heading(size_t(std::max(stream.cols() - 1, 0)));
    if (stream.next()) {
        stream.decodeRow();
        for (int col = 1; col < stream.cols(); ++col)
            heading[size_t(col - 1)] = stream.cell(col).toString();
    }
    if (stream.status() == SheetStream::Status::NotStreamable || stream.status() == SheetStream::Status::Changed)
        return std::nullopt;
    const SheetStream::Status status = stream.rewind();
    if (status != SheetStream::Status::Ready && status != SheetStream::Status::End)
        return std::nullopt;
    return heading;
}

// Reads the streams to their ends. False when one gave up.
bool readToTheEnd(Streams &streams)
{
    for (const auto &stream : streams) {
        while (stream->next()) { }
        if (stream->status() == SheetStream::Status::NotStreamable)
            return false;
    }
    return true;
}

// The rows in step, the first file's row n facing the second's row n; up to the row before `stop`
// only, when given.
bool compareInStep(Streams &streams, RowComparer &comparer, int stop = 0)
{
    SheetStream &first = *streams[0];
    SheetStream &second = *streams[1];
    SameLineLooks looks;
    for (unsigned rows = 0;; ++rows) {
        const bool has0 = first.next();
        const bool lookLike = looks.worthLooking(rows);
        const bool has1 = lookLike ? second.nextLike(first) : second.next();
        if (lookLike)
            looks.found(second.isSameLine());
        if (!has0 || !has1) {
            if (stop > 0)
                return false; // the files have rows up to stop, by their column passes
            return readToTheEnd(streams); // rows only the longer file has: only their count matters
        }
        if (!comparer.compare(first.row(), &first, &second))
            return false;
        if (first.row() + 1 == stop)
            return true;
    }
}

// The positions a second core finds in the later rows, held until the first core has told the
// listener those of the earlier rows. Past a bound the second core waits for the first, tells the
// held positions, and tells the rest as it finds them, so that memory does not follow the
// differences of the whole file. The second core writes it on every position: it takes a cache
// line of its own, apart from what the first core writes on the stack beside it.
class alignas(64) LaterCells final : public CellListener
{
public:
    LaterCells(CellListener &listener, qsizetype mostHeldBytes)
        : m_listener(listener)
        , m_wantsTexts(listener.wantsTexts())
        , m_mostHeldBytes(mostHeldBytes)
    {
    }

    void differingCell(int row, int col, QStringView text0, QStringView text1) override
    {
        take(false, row, col, text0, text1);
    }
    void equivalentCell(int row, int col, QStringView text0, QStringView text1) override
    {
        take(true, row, col, text0, text1);
    }
    [[nodiscard]] bool wantsTexts() const override
    {
        return m_wantsTexts;
    }

    // The first core has told its positions (on that core).
    void earlierTold()
    {
        m_earlierTold.count_down();
    }
    // Tells what is still held, once both cores are done.
    void tellHeld()
    {
        qsizetype text = 0;
        for (size_t k = 0; k < m_held.size(); ++k) {
            const Held &cell = m_held[k];
            QStringView text0;
            QStringView text1;
            if (m_wantsTexts) {
                const std::array<qsizetype, 2> &sizes = m_textSizes[k];
                text0 = QStringView(m_texts).sliced(text, sizes[0]);
                text1 = QStringView(m_texts).sliced(text + sizes[0], sizes[1]);
                text += sizes[0] + sizes[1];
            }
            tell(cell.equivalent, cell.row, cell.col, text0, text1);
        }
        m_held = {};
        m_textSizes = {};
        m_texts = {};
    }

private:
    // A position; its texts, when the listener wants them, are in m_texts, sized by m_textSizes.
    struct Held
    {
        int row = 0;
        int col = 0;
        bool equivalent = false;
    };

    void tell(bool equivalent, int row, int col, QStringView text0, QStringView text1)
    {
        equivalent ? m_listener.equivalentCell(row, col, text0, text1)
                   : m_listener.differingCell(row, col, text0, text1);
    }

    void take(bool equivalent, int row, int col, QStringView text0, QStringView text1)
    {
        if (m_direct) {
            tell(equivalent, row, col, text0, text1);
            return;
        }
        m_held.push_back({row, col, equivalent});
        if (m_wantsTexts) {
            m_textSizes.push_back({text0.size(), text1.size()});
            m_texts.append(text0);
            m_texts.append(text1);
        }
        const size_t perCell = sizeof(Held) + (m_wantsTexts ? sizeof(m_textSizes[0]) : 0);
        if (qsizetype(m_held.size() * perCell) + m_texts.size() * 2 > m_mostHeldBytes) {
            m_earlierTold.wait();
            tellHeld();
            m_direct = true;
        }
    }

    CellListener &m_listener;
    bool m_wantsTexts;
    qsizetype m_mostHeldBytes;
    std::latch m_earlierTold{1};
    bool m_direct = false;
    std::vector<Held> m_held;
    std::vector<std::array<qsizetype, 2>> m_textSizes;
    QString m_texts;
};

// compareInStep on two cores where the files are large and both can be read on from a line within
// them: the rows from about the first file's middle on are compared on a second core, by streams
// of their own, which then take the place of `streams`. Nothing where the rows are not halved.
std::optional<bool> compareHalvesInStep(Streams &streams, const StreamOptions &options, int lastCol,
                                        const ColumnMap *map, RowComparer &comparer, CellListener &differences,
                                        std::array<bool, 2> &changed)
{
    const int middle = streams[0]->middleRow();
    if (middle < 2 || streams[0]->textBytes() < options.halvesFrom)
        return std::nullopt;
    Streams rest;
    for (size_t i = 0; i < 2; ++i) {
        rest[i] = streams[i]->restFrom(middle);
        if (!rest[i])
            return std::nullopt;
    }
    LaterCells later(differences, options.mostHeldBytes);
    RowComparer restComparer(lastCol, options.compare, later, map);
    bool restCompared = false;
    SideJob second([&] { restCompared = compareInStep(rest, restComparer); });
    bool compared = false;
    {
        // Also when this half throws: the later half may be waiting for it, and is joined.
        const auto tellLater = qScopeGuard([&] { later.earlierTold(); });
        compared = compareInStep(streams, comparer, middle);
    }
    second.join();
    later.tellHeld();
    comparer.add(restComparer);
    // The earlier rows were read after the later streams last looked at their files, maybe.
    for (size_t i = 0; i < 2; ++i)
        changed[i] = !streams[i]->fileUnchanged();
    streams = std::move(rest);
    return compared && restCompared;
}

// The likeness of the rows lining up pairs, read on a pass of their own: only the rows of the
// stretches paired by likeness keep their cell keys, so that memory follows the rows that
// changed, not the file.
class StreamLikeness final : public RowLikeness
{
public:
    explicit StreamLikeness(int lastCol)
        : m_width(std::max(lastCol, 0))
    {
    }

    int width() const override
    {
        return m_width;
    }

    void cellKeys(int sheet, int row, std::uint64_t *keys) override
    {
        const std::vector<int> &rows = m_rows[size_t(sheet)];
        const auto found = std::lower_bound(rows.begin(), rows.end(), row);
        Q_ASSERT(found != rows.end() && *found == row);
        const size_t slot = size_t(found - rows.begin()) * size_t(m_width);
        std::copy_n(m_keys[size_t(sheet)].begin() + ptrdiff_t(slot), m_width, keys);
    }

    // Reads the keys of `rows` (from 0, ascending) of both streams, rewinding them first; nothing
    // to read leaves the streams alone. False when a stream gave up; a changed file stops the read
    // and shows in its stream's status.
    bool read(Streams &streams, std::array<std::vector<int>, 2> rows, const CompareOptions &options,
              const ColumnMap *map)
    {
        m_rows = std::move(rows);
        if (m_rows[0].empty() && m_rows[1].empty())
            return true;
        CellEquality equality(options);
        for (size_t i = 0; i < 2; ++i) {
            SheetStream &stream = *streams[i];
            const SheetStream::Status status = stream.rewind();
            if (status == SheetStream::Status::Changed)
                return true;
            if (status != SheetStream::Status::Ready && status != SheetStream::Status::End)
                return false;
            m_keys[i].reserve(m_rows[i].size() * size_t(m_width));
            auto wanted = m_rows[i].begin();
            for (int row = 0; wanted != m_rows[i].end() && stream.next(); ++row) {
                if (row != *wanted)
                    continue;
                ++wanted;
                stream.decodeRow();
                for (int c = 1; c <= m_width; ++c)
                    m_keys[i].push_back(
                        likenessCellKey(equality, map ? map->cell(&stream, int(i), c) : stream.cell(c), c));
            }
            if (stream.status() == SheetStream::Status::Changed)
                return true;
            if (stream.status() == SheetStream::Status::NotStreamable || wanted != m_rows[i].end())
                return false;
        }
        return true;
    }

private:
    int m_width = 0;
    std::array<std::vector<int>, 2> m_rows;
    std::array<std::vector<std::uint64_t>, 2> m_keys;
};

// What lining up found besides the rows: with key columns, the rows of repeated keys.
struct LineUpOutcome
{
    std::array<int, 2> rows{}; // each file's rows after lining up, header included
    std::array<int, 2> repeatedKeyRows{};
    bool tooLong = false; // a sheet could not take the rows lining up adds: nothing was compared
    bool longest = true; // the matched rows are a longest common sequence for certain
};

// The rows lined up: hashed on one pass, lined up on their hashes, compared on the next pass.
// `sheetCols` are the sheets' Cols once the columns are lined up; `map` is there when they are.
std::optional<LineUpOutcome> compareAligned(Streams &streams, const StreamOptions &options, int lastCol,
                                            const std::array<int, 2> &sheetCols, const ColumnMap *map,
                                            RowComparer &comparer, CellListener &differences)
{
    LineUpColumns lineUp;
    if (options.keys.columns.empty()) {
        lineUp.columns.resize(size_t(std::max(lastCol, 0)));
        std::iota(lineUp.columns.begin(), lineUp.columns.end(), 1);
    } else {
        lineUp.columns = options.keys.columns;
        lineUp.keys = true;
    }
    for (size_t i = 0; i < 2; ++i) {
        for (const int col : lineUp.columns)
            lineUp.own[i].push_back(!map ? col : col <= map->width ? map->own[i][size_t(col)] : 0);
    }
    std::array<std::optional<std::vector<RowHash>>, 2> hashed;
    // Under a numeric rule the texts decide between rows of one hash (whole rows only: lining up
    // by key under one is left to the stored sheets).
    const bool keepsTexts = options.compare.numeric && !lineUp.keys;
    std::array<std::vector<QString>, 2> texts;
    {
        SideJob second(
            [&] { hashed[1] = hashRows(*streams[1], lineUp, 1, options.compare, keepsTexts ? &texts[1] : nullptr); });
        hashed[0] = hashRows(*streams[0], lineUp, 0, options.compare, keepsTexts ? &texts[0] : nullptr);
        second.join();
    }
    if (!hashed[0] || !hashed[1])
        return std::nullopt;
    std::array<std::vector<RowHash>, 2> hashes{std::move(*hashed[0]), std::move(*hashed[1])};
    const std::array<int, 2> fileRows{int(hashes[0].size()), int(hashes[1].size())};
    // A heading stays facing the other heading and takes no part.
    const int firstRow = options.keys.columns.empty() ? 1 : firstKeyRow(options.keys);
    for (std::vector<RowHash> &sheetHashes : hashes)
        sheetHashes.erase(sheetHashes.begin(),
                          sheetHashes.begin() + std::min<ptrdiff_t>(firstRow - 1, ptrdiff_t(sheetHashes.size())));
    LineUpOutcome outcome;
    std::array<std::vector<int>, 2> origins;
    {
        CellEquality equality(options.compare);
        const size_t width = lineUp.columns.size();
        const auto sameRow = [&](int sheetA, int rowA, int sheetB, int rowB) {
            if (!keepsTexts)
                return true; // the hash stands for the texts
            const QString *a = texts[size_t(sheetA)].data() + size_t(rowA) * width;
            const QString *b = texts[size_t(sheetB)].data() + size_t(rowB) * width;
            for (size_t k = 0; k < width; ++k) {
                if (!equality.equal(a[k], b[k], lineUp.columns[k]))
                    return false;
            }
            return true;
        };
        const std::array<std::vector<std::uint32_t>, 2> identities = identitiesFromHashes(hashes, sameRow);
        hashes = {};
        texts = {};
        const bool byKey = !options.keys.columns.empty();
        const RowMatches found
            = byKey ? matchKeys(identities[0], identities[1], firstRow) : matchRows(identities[0], identities[1]);
        if (byKey) {
            for (size_t i = 0; i < 2; ++i)
                outcome.repeatedKeyRows[i] = repeatedKeyRows(identities[i]);
        }
        // Rows lined up from here count from the file's first data row, heading included.
        const int above = byKey ? firstRow - 1 : 0;
        StreamLikeness likeness(lastCol);
        if (!likeness.read(streams, rowsPairedByLikeness(found.pairs, fileRows[0], fileRows[1]), options.compare, map))
            return std::nullopt;
        if (streams[0]->status() == SheetStream::Status::Changed
            || streams[1]->status() == SheetStream::Status::Changed)
            return outcome;
        RowAlignment alignment = alignFromMatches(found.pairs, int(identities[0].size()) + above,
                                                  int(identities[1].size()) + above, !byKey, &likeness);
        alignment.longest = found.longest;
        outcome.longest = alignment.longest;
        for (int i = 0; i < 2; ++i)
            origins[size_t(i)] = alignment.originalRows(i, fileRows[size_t(i)]);
    }
    // Within a sheet's limits lining up is done whole or not at all, as in the window.
    for (size_t i = 0; i < 2 && options.sheetLimits; ++i) {
        const qint64 rows = qint64(origins[i].size());
        if (rows > kMaxRowCol || rows * sheetCols[i] > kMaxCells) {
            outcome.tooLong = true;
            return outcome;
        }
    }
    for (const auto &stream : streams) {
        const SheetStream::Status status = stream->rewind();
        if (status == SheetStream::Status::Changed)
            return outcome; // the caller finds the stream's status
        if (status != SheetStream::Status::Ready && status != SheetStream::Status::End)
            return std::nullopt;
    }
    const size_t common = std::min(origins[0].size(), origins[1].size());
    for (size_t row = 1; row < common; ++row) {
        const int row0 = origins[0][row];
        const int row1 = origins[1][row];
        // A row a file has comes next in it; an empty row put in takes nothing from the file.
        if ((row0 > 0 && !streams[0]->next()) || (row1 > 0 && !streams[1]->next()))
            return std::nullopt;
        differences.alignedRow(row0, row1);
        if (!comparer.compare(int(row), row0 > 0 ? streams[0].get() : nullptr, row1 > 0 ? streams[1].get() : nullptr))
            return std::nullopt;
    }
    if (!readToTheEnd(streams))
        return std::nullopt;
    outcome.rows = {int(origins[0].size()), int(origins[1].size())};
    return outcome;
}
} // namespace

std::optional<StreamComparison> compareFileStreams(const std::array<QString, 2> &files,
                                                   const DelimitedFormat &delimited, const StreamOptions &options,
                                                   CellListener &differences)
{
    // Under a numeric rule, lining up keeps the texts of every row besides its hash: within a
    // sheet's limits the stored sheets do that faster and in less memory, and only they group keys
    // within a tolerance.
    if (options.align && options.compare.numeric && (options.sheetLimits || !options.keys.columns.empty()))
        return std::nullopt;
    // Most pairs are compared exactly, rows in step: reading each file once is enough for those
    // whose rows are all lines.
    if (std::optional<StreamComparison> once = compareInOnePass(files, delimited, options, differences))
        return once;
    Streams streams;
    std::array<SheetStream::Status, 2> opened{};
    for (size_t i = 0; i < 2; ++i) {
        streams[i] = std::make_unique<SheetStream>(delimited, options.sheetLimits);
        streams[i]->setPieceBytes(options.pieceBytes);
    }
    {
        // The column passes look at every byte of both files: one on each core.
        SideJob second([&] { opened[1] = streams[1]->open(files[1]); });
        opened[0] = streams[0]->open(files[0]);
        second.join();
    }
    StreamComparison comparison;
    const auto changed = [&] {
        for (size_t i = 0; i < 2; ++i)
            comparison.changed[i] = streams[i]->status() == SheetStream::Status::Changed;
        return comparison.changed[0] || comparison.changed[1];
    };
    if (changed())
        return comparison;
    for (const SheetStream::Status status : opened) {
        if (status != SheetStream::Status::Ready && status != SheetStream::Status::End)
            return std::nullopt;
    }
    // The common area's columns are known before any row: the column pass gave them.
    int lastCol = std::min(streams[0]->cols(), streams[1]->cols()) - 1;
    std::array<int, 2> sheetCols{streams[0]->cols(), streams[1]->cols()};
    std::optional<ColumnMap> map;
    if (options.alignColumns) {
        std::array<std::optional<std::vector<QString>>, 2> headings;
        for (size_t i = 0; i < 2; ++i)
            headings[i] = readHeading(*streams[i]);
        if (changed())
            return comparison;
        if (!headings[0] || !headings[1])
            return std::nullopt;
        comparison.columnAlignment = alignColumnsByHeading(*headings[0], *headings[1], options.compare);
        map.emplace(comparison.columnAlignment);
        // Within the limits, columns that would take a sheet past them are the stored sheets' to
        // refuse; this is the column limit, the cell capacity is checked once the rows are counted.
        for (size_t i = 0; i < 2; ++i) {
            if (options.sheetLimits && sheetCols[i] + comparison.columnAlignment.addedCols(int(i)) > kMaxRowCol)
                return std::nullopt;
        }
        lastCol = map->width;
        sheetCols = {lastCol + 1, lastCol + 1};
        differences.alignedColumns(comparison.columnAlignment.columns);
    }
    RowComparer comparer(lastCol, options.compare, differences, map ? &*map : nullptr);
    CompareResult &result = comparison.result;
    if (options.align) {
        const std::optional<LineUpOutcome> outcome
            = compareAligned(streams, options, lastCol, sheetCols, map ? &*map : nullptr, comparer, differences);
        if (changed())
            return comparison;
        if (!outcome)
            return std::nullopt;
        comparison.alignTooLong = outcome->tooLong;
        comparison.longestLineUp = outcome->longest;
        result.rows = outcome->rows;
        comparison.repeatedKeyRows = outcome->repeatedKeyRows;
    } else {
        std::array<bool, 2> earlierChanged{};
        const std::optional<bool> halves = compareHalvesInStep(streams, options, lastCol, map ? &*map : nullptr,
                                                               comparer, differences, earlierChanged);
        const bool compared = halves ? *halves : compareInStep(streams, comparer);
        if (earlierChanged[0] || earlierChanged[1]) {
            for (size_t i = 0; i < 2; ++i)
                comparison.changed[i] = earlierChanged[i] || streams[i]->status() == SheetStream::Status::Changed;
            return comparison;
        }
        if (changed())
            return comparison;
        if (!compared)
            return std::nullopt;
        for (size_t i = 0; i < 2; ++i)
            result.rows[i] = streams[i]->rows();
    }
    if (changed())
        return comparison;
    if (map && options.sheetLimits) {
        for (size_t i = 0; i < 2; ++i) {
            if (qint64(sheetCols[i]) * streams[i]->rows() > kMaxCells)
                return std::nullopt;
        }
    }
    comparison.count = comparer.count();
    comparison.equivalentCount = comparer.equivalentCount();
    for (size_t i = 0; i < 2; ++i) {
        result.cols[i] = sheetCols[i];
        comparison.complete[i] = streams[i]->result() == MMS_GRID_CSV_READ::ReadResult::Complete;
        comparison.firstRowNotRead[i] = streams[i]->firstRowNotRead();
        comparison.columns[i] = streams[i]->columnCount();
        comparison.writesBack[i] = streams[i]->writesBackUnchanged();
    }
    result.sizesDiffer = result.shapesMarkCells();
    return comparison;
}
