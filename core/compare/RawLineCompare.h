#pragma once

#include "ColumnAlignment.h"
#include "SheetStream.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <string_view>

// The stretch two byte strings start with: its length (n at most), the delimiters in it and the
// place after the last of them (0 when none). A stretch that reached the most delimiters asked for
// ends just after the last of them.
struct SharedStretch
{
    size_t size = 0;
    int delimiters = 0;
    size_t afterLastDelimiter = 0;
    bool reachedLimit = false;
};

// Sixty-four bytes at a time (sixteen in strings shorter than that), with the processor's bit
// count where it has one; at most `limit` delimiters (at least 1).
[[nodiscard]] SharedStretch sharedStretch(const char *a, const char *b, size_t n, char delimiter,
                                          int limit = std::numeric_limits<int>::max());

// The fields of two raw lines, compared in step: a stretch the two lines share is passed over at
// the speed of a memory comparison, counting the delimiters in it, and only the fields where the
// lines part are cut out and compared. Tells `differing` each column up to lastCol whose fields
// differ, with both fields; a line with fewer fields has empty ones after its last, as the
// reader's rows have. Returns the lines' field counts, where no column past lastCol was reached
// (none otherwise).
template<class Differing>
std::array<int, 2> compareRawLines(std::string_view a, std::string_view b, int lastCol, RawFields fields,
                                   Differing &&differing)
{
    constexpr size_t npos = std::string_view::npos;
    const char delimiter = fields.delimiter;
    int col = 1; // a and b start at field col of their lines
    while (true) {
        const SharedStretch shared = sharedStretch(a.data(), b.data(), std::min(a.size(), b.size()), delimiter);
        if (shared.size == a.size() && shared.size == b.size())
            return {col + shared.delimiters, col + shared.delimiters};
        // Fields wholly inside the shared stretch are equal.
        col += shared.delimiters;
        a.remove_prefix(shared.afterLastDelimiter);
        b.remove_prefix(shared.afterLastDelimiter);
        if (col > lastCol)
            return {};
        const size_t aEnd = a.find(delimiter);
        const size_t bEnd = b.find(delimiter);
        const std::string_view fieldA = fields.field(a.substr(0, aEnd));
        const std::string_view fieldB = fields.field(b.substr(0, bEnd));
        if (fieldA != fieldB)
            differing(col, fieldA, fieldB);
        ++col;
        if (aEnd == npos && bEnd == npos)
            return {col - 1, col - 1};
        if (aEnd == npos || bEnd == npos) {
            // The other line's remaining fields face empty cells.
            const bool restOfA = bEnd == npos;
            const int ended = col - 1; // the fields of the line that ended
            std::string_view rest = restOfA ? a.substr(aEnd + 1) : b.substr(bEnd + 1);
            for (; col <= lastCol; ++col) {
                const size_t end = rest.find(delimiter);
                const std::string_view field = fields.field(rest.substr(0, end));
                if (!field.empty())
                    restOfA ? differing(col, field, std::string_view()) : differing(col, std::string_view(), field);
                if (end == npos)
                    return restOfA ? std::array<int, 2>{col, ended} : std::array<int, 2>{ended, col};
                rest.remove_prefix(end + 1);
            }
            return {};
        }
        a.remove_prefix(aEnd + 1);
        b.remove_prefix(bEnd + 1);
    }
}

// A raw field's text for the consumer, decoded into a buffer used again for the next one.
[[nodiscard]] QStringView decodedField(std::string_view bytes, QString &buffer);

// Whether to take the second file's next row to be the first file's line before looking for its
// end: that pays where most lines are the same; where most differ the look costs more than it
// saves, and is taken on every eighth row only, to see whether that changed.
class SameLineLooks
{
public:
    [[nodiscard]] bool worthLooking(unsigned row) const
    {
        return m_trust >= kTrusted / 2 || row % 8 == 0;
    }
    void found(bool same)
    {
        m_trust = std::clamp(m_trust + (same ? 1 : -1), 0, kTrusted);
    }

private:
    // How many more of the last looks found the same line than did not, at most.
    static constexpr int kTrusted = 32;
    int m_trust = kTrusted;
};

// The lined-up columns, for reading them out of both files' rows.
struct ColumnMap
{
    // A stretch of lined-up columns: from `from`, `length` of them, either columns both files have
    // side by side in both (sheet -1) or columns only file `sheet` has.
    struct Run
    {
        int from = 1;
        int length = 0;
        int sheet = -1;
    };

    int width = 0; // the lined-up columns
    // For each lined-up column (from 1; index 0 unused), each file's own column, 0 for none.
    std::array<std::vector<int>, 2> own;
    std::vector<Run> runs;

    explicit ColumnMap(const ColumnAlignment &alignment)
        : width(int(alignment.columns.size()))
    {
        for (std::vector<int> &cols : own)
            cols.assign(size_t(width) + 1, 0);
        for (int col = 1; col <= width; ++col) {
            const std::array<int, 2> pair = alignment.columns[size_t(col - 1)];
            own[0][size_t(col)] = pair[0];
            own[1][size_t(col)] = pair[1];
            const int sheet = pair[0] > 0 && pair[1] > 0 ? -1 : pair[0] > 0 ? 0 : 1;
            // Matched columns next to each other are next to each other in both files: columns only
            // one file has would stand between them otherwise.
            if (!runs.empty() && runs.back().sheet == sheet)
                ++runs.back().length;
            else
                runs.push_back({col, 1, sheet});
        }
    }

    // File `sheet`'s cell of lined-up column `col` in the stream's current (decoded) row.
    [[nodiscard]] QStringView cell(const SheetStream *stream, int sheet, int col) const
    {
        const int at = col <= width ? own[size_t(sheet)][size_t(col)] : 0;
        return stream && at > 0 && at < stream->cols() ? stream->cell(at) : QStringView();
    }
};

// compareRawLines through a column map: the columns both files have side by side are passed over
// a shared stretch at a time as there, and a column only one file has faces an empty field. Takes
// the cursors' fields.
template<class Differing>
void compareMappedRawLines(RawFieldCursor &x, RawFieldCursor &y, const ColumnMap &map, Differing &&differing)
{
    // A shared stretch with a quote in it may hold commas that end no field: lines with quotes go
    // a field at a time.
    const bool skips = !x.quoted() && !y.quoted();
    const char delimiter = x.delimiter();
    for (const ColumnMap::Run &run : map.runs) {
        if (run.sheet >= 0) {
            RawFieldCursor &line = run.sheet == 0 ? x : y;
            for (int k = 0; k < run.length && !line.ended(); ++k) {
                const std::string_view field = line.take();
                if (!field.empty())
                    run.sheet == 0 ? differing(run.from + k, field, std::string_view())
                                   : differing(run.from + k, std::string_view(), field);
            }
            continue;
        }
        int done = 0; // fields of the run behind both cursors
        while (done < run.length && !(x.ended() && y.ended())) {
            if (skips && !x.ended() && !y.ended()) {
                const std::string_view restX = x.rest();
                const std::string_view restY = y.rest();
                const SharedStretch shared = sharedStretch(
                    restX.data(), restY.data(), std::min(restX.size(), restY.size()), delimiter, run.length - done);
                if (shared.reachedLimit) {
                    x.skip(shared.afterLastDelimiter);
                    y.skip(shared.afterLastDelimiter);
                    break;
                }
                // Both lines end alike before the run does: nothing of them is left to differ.
                if (shared.size == restX.size() && shared.size == restY.size()) {
                    x.end();
                    y.end();
                    break;
                }
                x.skip(shared.afterLastDelimiter);
                y.skip(shared.afterLastDelimiter);
                done += shared.delimiters;
            }
            // The field where the lines part, or one of them has ended.
            const std::string_view field0 = x.take();
            const std::string_view field1 = y.take();
            if (field0 != field1)
                differing(run.from + done, field0, field1);
            ++done;
        }
    }
}
