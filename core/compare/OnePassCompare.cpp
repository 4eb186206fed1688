#include "OnePassCompare.h"

#include "FileIntro.h"
#include "MMS_GRID_CSV_READ.h"
#include "RawLineCompare.h"
#include "ScannedLines.h"
#include "SideThread.h"
#include "Utf8Validator.h"

#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace
{

// The positions found, held with their fields' bytes until the scans have spoken.
class HeldCells
{
public:
    explicit HeldCells(bool keepsFields)
        : m_keepsFields(keepsFields)
    {
    }

    void add(int row, int col, std::string_view field0, std::string_view field1)
    {
        if (!m_keepsFields) {
            m_cells.push_back({row, col, 0, 0});
            return;
        }
        // A field of 4 GiB is past any bound on the bytes held long before its size is cut here.
        m_cells.push_back({row, col, quint32(field0.size()), quint32(field1.size())});
        m_fields.append(field0);
        m_fields.append(field1);
    }
    [[nodiscard]] qsizetype bytes() const
    {
        return qsizetype(m_cells.size() * sizeof(Cell) + m_fields.size());
    }
    // Tells the listener those up to lastCol, in the order found, their rows `rowsBefore` on;
    // returns how many.
    qint32 tell(CellListener &listener, int lastCol, int rowsBefore) const
    {
        qint32 told = 0;
        size_t at = 0;
        std::array<QString, 2> texts;
        for (const Cell &cell : m_cells) {
            if (cell.col <= lastCol) {
                if (m_keepsFields) {
                    const std::string_view fields(m_fields);
                    listener.differingCell(rowsBefore + cell.row, cell.col,
                                           decodedField(fields.substr(at, cell.size0), texts[0]),
                                           decodedField(fields.substr(at + cell.size0, cell.size1), texts[1]));
                } else {
                    listener.differingCell(rowsBefore + cell.row, cell.col, {}, {});
                }
                ++told;
            }
            at += size_t(cell.size0) + cell.size1;
        }
        return told;
    }

private:
    struct Cell
    {
        int row;
        int col;
        quint32 size0;
        quint32 size1;
    };
    bool m_keepsFields;
    std::vector<Cell> m_cells;
    std::string m_fields;
};

// The bytes looked at around the middles of the files for the lines the two cores start at.
constexpr qsizetype kMiddleBytes = qsizetype(64) * 1024;

// The rows of two texts compared in step from a line start of each on, the positions held.
class InStep
{
public:
    enum class Reached {
        End, // both texts read to their ends
        Split, // both next lines start at the split given
        Missed, // one text reached its split when the other was elsewhere
        GaveUp, // a text did not hold, or the rows or positions went past what is held
    };

    // The rows from the line starts `from` on, up to the line starts `until`, when given.
    InStep(const std::array<const OpenedText *, 2> &files, const std::array<qint64, 2> &from,
           const std::optional<std::array<qint64, 2>> &until, const std::array<LineRule, 2> &rules,
           const StreamOptions &options, char quote, bool keepsFields, const ColumnMap *map)
        : m_texts{ScannedLines(*files[0], from[0], until ? (*until)[0] : kNoEnd, rules[0], options.pieceBytes, quote),
                  ScannedLines(*files[1], from[1], until ? (*until)[1] : kNoEnd, rules[1], options.pieceBytes, quote,
                               false)}
        , m_until(until)
        , m_map(map)
        , m_delimiter(files[1]->delimiter())
        , m_quote(quote)
        , m_secondCrIsText(rules[1] == LineRule::CrOrCrLf)
        , m_fields{files[0]->delimiter(), quote != 0}
        , m_mostLines(options.sheetLimits ? qint64(kMaxRowCol) : qint64(std::numeric_limits<int>::max()) - 2)
        , m_mostHeldBytes(options.mostHeldBytes)
        , held(keepsFields)
    {
    }

    // Compares on until both texts end, or until both next lines start at `until`, when given;
    // `stop`, when given, is looked at now and then.
    Reached run(const std::atomic<bool> *stop)
    {
        const std::array<qint64, 2> *split = m_until ? &*m_until : nullptr;
        const bool sameRule = m_texts[0].lineEnd() == m_texts[1].lineEnd();
        SameLineLooks looks;
        std::string_view line0;
        std::string_view line1;
        while (true) {
            if (split) {
                // Both texts come to the split at the same row, or the rows did not meet there.
                const bool at0 = m_texts[0].nextLineStart() == (*split)[0];
                const bool at1 = m_texts[1].nextLineStart() == (*split)[1];
                if (at0 || at1)
                    return at0 && at1 ? Reached::Split : Reached::Missed;
            }
            if (stop && lines[0] % 256 == 0 && stop->load(std::memory_order_relaxed))
                return Reached::GaveUp;
            const bool has0 = m_texts[0].next(line0);
            bool same = false;
            // Through a column map a line is never the other file's line as it stands.
            const bool lookLike = has0 && sameRule && !m_map && looks.worthLooking(unsigned(lines[0]));
            const bool has1 = lookLike ? m_texts[1].nextLike(line0, line1, same) : m_texts[1].next(line1);
            if (lookLike)
                looks.found(same);
            lines[0] += has0 ? 1 : 0;
            lines[1] += has1 ? 1 : 0;
            if (!has0 || !has1) {
                // Rows only the longer file has: only their count matters, and the second file's
                // bytes, the row just read among them.
                if (has1)
                    secondsOwnLine(line1);
                const size_t rest = has0 ? 0 : 1;
                if (has0 || has1) {
                    std::string_view line;
                    while (m_texts[rest].next(line)) {
                        if (rest == 1)
                            secondsOwnLine(line);
                        ++lines[rest];
                    }
                }
                const bool held = m_texts[0].holds() && m_texts[1].holds();
                return held && std::max(lines[0], lines[1]) <= m_mostLines ? Reached::End : Reached::GaveUp;
            }
            if (lines[0] > m_mostLines)
                return Reached::GaveUp;
            if (same) {
                secondsMarks(marksIn(line1));
                continue;
            }
            const int row = lines[0];
            const auto differing = [&](int col, std::string_view field0, std::string_view field1) {
                held.add(row, col, field0, field1);
                secondsOwn(field1);
            };
            if (m_map) {
                RawFieldCursor cursor0(line0, m_fields, false);
                RawFieldCursor cursor1(line1, m_fields, false);
                compareMappedRawLines(cursor0, cursor1, *m_map, differing);
                secondsMarks(marksIn(line1));
            } else {
                const std::array<int, 2> fields
                    = compareRawLines(line0, line1, std::numeric_limits<int>::max(), m_fields, differing);
                secondsMarks(fields[1] - 1);
            }
            if (held.bytes() > m_mostHeldBytes)
                return Reached::GaveUp;
        }
    }

    [[nodiscard]] const ScannedLines &text(size_t i) const
    {
        return m_texts[i];
    }
    // Once run: whether the second text's bytes hold. Its pieces are not scanned: the bytes of its
    // lines that compared equal are the first text's, which its scan looks at; the rest are its
    // fields that differ and its rows the first text lacks, looked at here (UTF-8, no quote, no CR
    // where LF ends its lines). A line end, a delimiter and the blanks a field starts with are
    // ASCII, which no character takes part in, so that the pieces are UTF-8 alone exactly when
    // they are UTF-8 together. Its delimiters are counted on each line as it is compared.
    [[nodiscard]] bool secondHolds()
    {
        m_secondsOwn.finish();
        return m_texts[1].holds() && m_secondClean && m_secondsOwn.valid();
    }
    // Once run: the most delimiters on one line of the second text.
    [[nodiscard]] qint64 secondMostMarks() const
    {
        return m_secondMost;
    }
    // The first half's bytes of text i end at the split.
    void endAtSplit(size_t i)
    {
        m_texts[i].endAtUntil();
    }
    // Compares on past the split, to the texts' ends.
    void readPastSplit()
    {
        m_until.reset();
        for (ScannedLines &text : m_texts)
            text.readPastUntil();
    }

private:
    // The second text's bytes that are not the first text's, each looked at alone.
    void secondsOwn(std::string_view bytes)
    {
        m_secondsOwn.add(bytes.data(), bytes.size());
        m_secondsOwn.add("\n", 1);
        if ((m_quote != 0 && bytes.find(m_quote) != std::string_view::npos)
            || (!m_secondCrIsText && bytes.find('\r') != std::string_view::npos))
            m_secondClean = false;
    }
    void secondsOwnLine(std::string_view line)
    {
        secondsOwn(line);
        secondsMarks(marksIn(line));
    }
    void secondsMarks(qint64 marks)
    {
        m_secondMost = std::max(m_secondMost, marks);
    }
    [[nodiscard]] int marksIn(std::string_view line) const
    {
        return sharedStretch(line.data(), line.data(), line.size(), m_delimiter).delimiters;
    }

    static constexpr qint64 kNoEnd = std::numeric_limits<qint64>::max();
    std::array<ScannedLines, 2> m_texts;
    std::optional<std::array<qint64, 2>> m_until;
    const ColumnMap *m_map;
    char m_delimiter;
    char m_quote;
    bool m_secondCrIsText; // CR ends the second text's lines
    Utf8Validator m_secondsOwn;
    bool m_secondClean = true;
    qint64 m_secondMost = 0;
    RawFields m_fields;
    qint64 m_mostLines;
    qsizetype m_mostHeldBytes;

public:
    HeldCells held;
    std::array<int, 2> lines{};
};

// The line of `file` that starts at `start`, read within kMiddleBytes; nothing when it is longer.
std::optional<QByteArray> lineAt(const OpenedText &file, qint64 start, LineRule rule)
{
    QByteArray bytes(kMiddleBytes, Qt::Uninitialized);
    const ssize_t got = file.readAt(start, bytes.data(), size_t(bytes.size()));
    if (got <= 0)
        return std::nullopt;
    const qsizetype end = bytes.first(got).indexOf(char(lineEndChar(rule)));
    if (end < 0)
        return std::nullopt;
    bytes.truncate(end);
    return bytes;
}

// How alike two lines are: the bytes they start with and end with alike. A line with a cell
// changed or a column put in keeps most of both.
qsizetype likeness(QByteArrayView a, QByteArrayView b)
{
    const qsizetype most = std::min(a.size(), b.size());
    qsizetype start = 0;
    while (start < most && a[start] == b[start])
        ++start;
    qsizetype end = 0;
    while (end < most - start && a[a.size() - 1 - end] == b[b.size() - 1 - end])
        ++end;
    return start + end;
}

// Where the two cores start: a line start about the first text's middle, and the line start of
// the second text that likely begins the same row: of the lines about where the same share of the
// second text ends, the one most like the first text's line, the nearest of those equally alike.
// Whether it begins the same row is known only once the first core reaches them. Nothing where no
// such lines were found.
std::optional<std::array<qint64, 2>> middleLines(const std::array<const OpenedText *, 2> &files,
                                                 const std::array<LineRule, 2> &rules)
{
    std::array<qint64, 2> starts{};
    std::array<qint64, 2> sizes{};
    for (size_t i = 0; i < 2; ++i) {
        starts[i] = files[i]->head().markBytes;
        sizes[i] = files[i]->identity().size - starts[i];
        if (sizes[i] <= 0)
            return std::nullopt;
    }
    const std::optional<qint64> middle0 = lineStartFrom(*files[0], starts[0] + sizes[0] / 2, rules[0], kMiddleBytes);
    if (!middle0)
        return std::nullopt;
    const std::optional<QByteArray> line0 = lineAt(*files[0], *middle0, rules[0]);
    if (!line0)
        return std::nullopt;
    // The second text's bytes about that share of it, the line end before the first line start
    // among them included.
    const qint64 share = starts[1] + qint64(double(*middle0 - starts[0]) / double(sizes[0]) * double(sizes[1]));
    const qint64 from = std::max(starts[1], share - kMiddleBytes / 2);
    QByteArray bytes(kMiddleBytes + line0->size() + 2, Qt::Uninitialized);
    const ssize_t got = files[1]->readAt(from, bytes.data(), size_t(bytes.size()));
    if (got <= 0)
        return std::nullopt;
    bytes.truncate(got);
    const char lineEnd = char(lineEndChar(rules[1]));
    std::optional<qint64> best;
    qsizetype bestLikeness = -1;
    for (qsizetype end = bytes.indexOf(lineEnd); end >= 0 && end < kMiddleBytes;
         end = bytes.indexOf(lineEnd, end + 1)) {
        qsizetype start = end + 1;
        // A CR's LF belongs to its line end; a line must be seen whole to be taken.
        if (lineEnd == '\r' && start < bytes.size() && bytes[start] == '\n')
            ++start;
        const qsizetype lineEndAt = bytes.indexOf(lineEnd, start);
        if (lineEndAt < 0)
            break;
        const qint64 at = from + start;
        const qsizetype alike = likeness(*line0, QByteArrayView(bytes).sliced(start, lineEndAt - start));
        if (alike > bestLikeness || (alike == bestLikeness && std::abs(at - share) < std::abs(*best - share))) {
            best = at;
            bestLikeness = alike;
        }
    }
    if (!best)
        return std::nullopt;
    return std::array<qint64, 2>{*middle0, *best};
}

} // namespace

std::optional<StreamComparison> compareInOnePass(const std::array<QString, 2> &files, const DelimitedFormat &delimited,
                                                 const StreamOptions &options, CellListener &listener)
{
    if (!options.onePass || options.align || !options.compare.isExact())
        return std::nullopt;
    std::vector<OpenedText> opened;
    std::array<LineRule, 2> rules{};
    std::array<qint64, 2> starts{};
    for (size_t i = 0; i < 2; ++i) {
        std::optional<OpenedText> file = OpenedText::open(files[i], delimited, options.sheetLimits);
        // Only UTF-8 (marked or not) is read as it comes.
        if (!file || (file->head().encoding && file->head().encoding != TextEncoding::Utf8Bom))
            return std::nullopt;
        const std::optional<LineRule> rule = guessedLineRule(*file);
        if (!rule)
            return std::nullopt;
        rules[i] = *rule;
        starts[i] = file->head().markBytes;
        opened.push_back(std::move(*file));
    }
    const std::array<const OpenedText *, 2> texts{&opened[0], &opened[1]};
    const char quote = delimited.commaMode() ? '"' : 0;
    const bool keepsFields = listener.wantsTexts();
    // Columns lined up by the headings of row 1, which must then name every column of its file.
    ColumnAlignment columnAlignment;
    std::optional<ColumnMap> map;
    std::array<int, 2> headingFields{};
    if (options.alignColumns) {
        std::array<std::vector<QString>, 2> headings;
        for (size_t i = 0; i < 2; ++i) {
            const std::optional<QByteArray> line = lineAt(opened[i], starts[i], rules[i]);
            if (!line || (quote != 0 && line->contains(quote)))
                return std::nullopt;
            RawFieldCursor cursor({line->constData(), size_t(line->size())},
                                  {opened[i].delimiter(), delimited.commaMode()}, false);
            QString text;
            while (!cursor.ended())
                headings[i].push_back(decodedField(cursor.take(), text).toString());
            headingFields[i] = int(headings[i].size());
        }
        columnAlignment = alignColumnsByHeading(headings[0], headings[1], options.compare);
        map.emplace(columnAlignment);
    }
    const ColumnMap *lineUp = map ? &*map : nullptr;

    // Large files are compared in two halves, one on each core, each core reading both files'
    // bytes of its half once.
    std::optional<std::array<qint64, 2>> split;
    if (opened[0].identity().size >= options.halvesFrom)
        split = middleLines(texts, rules);
    InStep head(texts, starts, split, rules, options, quote, keepsFields, lineUp);
    std::optional<InStep> tail;
    if (split) {
        tail.emplace(texts, *split, std::nullopt, rules, options, quote, keepsFields, lineUp);
        std::atomic<bool> stopTail{false};
        InStep::Reached tailReached = InStep::Reached::GaveUp;
        InStep::Reached reached = InStep::Reached::GaveUp;
        SideJob side([&] { tailReached = tail->run(&stopTail); });
        {
            // Also when this half throws: the second core is joined before its half goes.
            const auto joinSide = qScopeGuard([&] {
                if (reached != InStep::Reached::Split)
                    stopTail = true;
                side.join();
            });
            reached = head.run(nullptr);
        }
        if (reached == InStep::Reached::Missed) {
            // The rows did not meet at the split: this core compares on alone.
            tail.reset();
            head.readPastSplit();
            if (head.run(nullptr) != InStep::Reached::End)
                return std::nullopt;
        } else if (reached == InStep::Reached::Split && tailReached == InStep::Reached::End) {
            for (size_t i = 0; i < 2; ++i)
                head.endAtSplit(i);
        } else {
            return std::nullopt;
        }
    } else if (head.run(nullptr) != InStep::Reached::End) {
        return std::nullopt;
    }
    if (!opened[0].unchanged() || !opened[1].unchanged())
        return std::nullopt;

    StreamComparison comparison;
    comparison.readOnce = true;
    CompareResult &result = comparison.result;
    for (size_t i = 0; i < 2; ++i) {
        const ScannedLines &last = tail ? tail->text(i) : head.text(i);
        const bool holds
            = i == 0 ? head.text(0).holds() && last.holds() : head.secondHolds() && (!tail || tail->secondHolds());
        if (!holds || !last.atEnd())
            return std::nullopt;
        qint64 most = 0;
        if (i == 1)
            most = std::max(head.secondMostMarks(), tail ? tail->secondMostMarks() : 0);
        else
            most = tail ? mostMarksOf(head.text(0).counts(), last.counts()) : last.counts().mostMarks();
        const std::optional<int> columns = FileIntro::columnCount(most, options.sheetLimits);
        if (!columns)
            return std::nullopt;
        const MMS_GRID_CSV_READ::PieceLimits limits = MMS_GRID_CSV_READ::readLimits(*columns, options.sheetLimits);
        const qint64 lines = qint64(head.lines[i]) + (tail ? tail->lines[i] : 0);
        // A read the limits stop early is the passes' to report. Within the sheet's rows the rows'
        // labels are far from the reader's limit on added text, and there is no quoted field to add
        // more.
        if (*columns > limits.maxColumns || lines > limits.maxDataRows)
            return std::nullopt;
        comparison.columns[i] = *columns;
        result.cols[i] = *columns + 1;
        result.rows[i] = int(lines) + 1;
        // Lined up, the sheets take the columns lining up puts in, within the sheet's limits.
        if (map
            && (headingFields[i] != *columns
                || (options.sheetLimits
                    && (*columns + 1 + columnAlignment.addedCols(int(i)) > kMaxRowCol
                        || qint64(map->width + 1) * result.rows[i] > kMaxCells))))
            return std::nullopt;
    }
    if (map) {
        result.cols = {map->width + 1, map->width + 1};
        listener.alignedColumns(columnAlignment.columns);
        comparison.columnAlignment = std::move(columnAlignment);
    }
    const int lastCol = std::min(result.cols[0], result.cols[1]) - 1;
    comparison.count = head.held.tell(listener, lastCol, 0);
    if (tail)
        comparison.count += tail->held.tell(listener, lastCol, head.lines[0]);
    result.sizesDiffer = result.shapesMarkCells();
    return comparison;
}
