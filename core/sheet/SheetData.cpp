#include "SheetData.h"

#include "GridError.h"
#include "SideThread.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <type_traits>

namespace
{
constexpr qsizetype kMinWasteToCompact = 1 << 20;

// Moves `count` characters from `from` down to `to`, no further on than `from`, where nothing
// from `to + count` up to `from` is needed any more and `from` is at least kQuickMove characters
// before `end`. A call of memmove per text costs more than the copying of the few characters most
// cells hold: a short text far enough down goes as one block of kQuickMove characters, whose
// surplus lands where nothing is needed.
constexpr qsizetype kQuickMove = 16;

void moveDown(char16_t *to, const char16_t *from, qsizetype count, const char16_t *end)
{
    if (count <= kQuickMove && from - to >= kQuickMove && end - from >= kQuickMove) {
        char16_t block[kQuickMove];
        std::memcpy(block, from, sizeof block);
        std::memcpy(to, block, sizeof block);
    } else if (to != from) {
        std::memmove(to, from, size_t(count) * sizeof(char16_t));
    }
}

// Moves the texts of cells [first, last) whose slices start below `split` down to `to` on, in
// order, and lists the other cells (numbered from `base`); gives where the moved texts end. Plain pointers in a loop of
// its own: a slice written must not make the compiler read the others again.
qsizetype packSlices(char16_t *chars, const char16_t *end, quint32 *offsets, const quint8 *lengths, CellRef *longRefs,
                     quint8 longMark, qsizetype first, qsizetype last, qsizetype to, quint32 split,
                     std::vector<qsizetype> &above, qsizetype base = 0)
{
    for (qsizetype at = first; at < last; ++at) {
        const quint8 length = lengths[at];
        if (length == 0)
            continue;
        quint32 *offset = &offsets[at];
        qsizetype count = length;
        if (length == longMark) {
            CellRef &ref = longRefs[offsets[at]];
            offset = &ref.offset;
            count = qsizetype(ref.length);
        }
        const quint32 from = *offset;
        if (from >= split) {
            above.push_back(base + at);
            continue;
        }
        moveDown(chars + to, chars + from, count, end);
        *offset = quint32(to);
        to += count;
    }
    return to;
}

} // namespace

SheetData::SheetData()
    : SheetData(2, 2)
{
}

SheetData::SheetData(int rows, int cols)
    : m_offsets(0, 0, 0)
    , m_lengths(0, 0, 0)
    , m_palette{kWindowBackColor, kWindowTextColor, kDiffBackColor, kExtraBackColor, kMarkForeColor}
{
    resize(rows, cols);
}

void SheetData::setText(int row, int col, QStringView text)
{
    const CellRef ref = refAt(row, col);
    if (textOf(ref) == text)
        return;
    m_wasted += ref.length;
    storeAt(row, col, appendToPool(text));
    compactPoolIfWasteful();
}

CellRef SheetData::appendToPool(QStringView text)
{
    if (text.isEmpty())
        return {};
    if (m_edits.size() + text.size() >= qsizetype(kEditedText))
        throw GridError(GridErrorCode::OutOfMemory);
    const CellRef ref{quint32(m_edits.size()) | kEditedText, quint32(text.size())};
    m_edits.append(text);
    return ref;
}

void SheetData::resize(int rows, int cols)
{
    // Fewer rows first, so that a change of the column count copies as few cells as it can.
    if (rows < m_rows) {
        resizeRows(rows);
        resizeCols(cols);
    } else {
        resizeCols(cols);
        resizeRows(rows);
    }
    compactPoolIfWasteful();
}

template<typename Op>
void SheetData::forEachCellPlane(Op &&op)
{
    op(m_offsets, quint32(0));
    op(m_lengths, quint8(0));
    if (m_quoted.held())
        op(m_quoted, quint8(0));
    if (m_back.held())
        op(m_back, kDefaultBack);
    if (m_fore.held())
        op(m_fore, kDefaultFore);
}

template<typename Op>
void SheetData::forEachTextPlane(Op &&op)
{
    op(m_offsets, quint32(0));
    op(m_lengths, quint8(0));
    if (m_quoted.held())
        op(m_quoted, quint8(0));
}

template<typename OldRowOf>
void SheetData::remapRows(int rows, OldRowOf oldRowOf)
{
    forEachCellPlane([&](auto &plane, auto fill) { plane.remapRows(rows, oldRowOf, fill); });
    m_rows = rows;
}

void SheetData::resizeRows(int rows)
{
    spreadBackColors();
    if (rows == m_rows)
        return;
    if (rows < m_rows)
        forgetTexts(rows, 0, m_rows - 1, m_cols - 1);
    forEachCellPlane([&](auto &plane, auto fill) { plane.resizeRows(rows, fill); });
    if (!m_lineEnds.isEmpty())
        m_lineEnds.resize(rows, 0);
    m_rows = rows;
}

void SheetData::resizeCols(int cols)
{
    spreadBackColors();
    if (cols == m_cols)
        return;
    if (cols < m_cols)
        forgetTexts(0, cols, m_rows - 1, m_cols - 1);
    const int kept = std::min(cols, m_cols);
    forEachCellPlane([&](auto &plane, auto fill) { plane.spliceColumns(kept, m_cols - kept, cols - kept, fill); });
    if (!m_fillerCols.isEmpty())
        m_fillerCols.resize(cols, 0);
    m_cols = cols;
}

void SheetData::insertRows(int at, int count)
{
    Q_ASSERT(at >= 0 && at <= m_rows && count >= 0);
    spreadBackColors();
    remapRows(m_rows + count, [at, count](int r) { return r < at ? r : (r < at + count ? -1 : r - count); });
    if (!m_lineEnds.isEmpty())
        m_lineEnds.insert(at, count, 0);
}

namespace
{
// `list` of rows of `cols` cells, with `fill` rows spread in at `groups`.
template<typename T>
QList<T> spreadRows(const QList<T> &list, int cols, const std::vector<std::pair<int, int>> &groups, qsizetype added,
                    T fill)
{
    QList<T> spread(list.size() + added * cols, fill);
    const T *from = list.constData();
    T *to = spread.data();
    qsizetype done = 0; // rows of `list` copied
    for (const auto &[at, count] : groups) {
        to = std::copy(from + done * cols, from + qsizetype(at) * cols, to) + qsizetype(count) * cols;
        done = at;
    }
    std::copy(from + done * cols, from + list.size(), to);
    return spread;
}
} // namespace

void SheetData::insertRowGroups(const std::vector<std::pair<int, int>> &groups)
{
    qsizetype added = 0;
    for (const auto &[at, count] : groups) {
        Q_ASSERT(at >= 0 && at <= m_rows && count >= 0);
        added += count;
    }
    if (added == 0)
        return;
    spreadBackColors();
    // The old row of each new one, -1 for an inserted row.
    std::vector<int> oldRows;
    oldRows.reserve(size_t(m_rows + added));
    int done = 0;
    for (const auto &[at, count] : groups) {
        for (; done < at; ++done)
            oldRows.push_back(done);
        oldRows.insert(oldRows.end(), size_t(count), -1);
    }
    for (; done < m_rows; ++done)
        oldRows.push_back(done);
    if (!m_lineEnds.isEmpty())
        m_lineEnds = spreadRows(m_lineEnds, 1, groups, added, quint8(0));
    remapRows(int(oldRows.size()), [&oldRows](int r) { return oldRows[size_t(r)]; });
}

void SheetData::reorderRows(const std::vector<int> &order)
{
    Q_ASSERT(order.size() == size_t(m_rows));
    spreadBackColors();
    remapRows(m_rows, [&order](int r) { return order[size_t(r)]; });
    if (!m_lineEnds.isEmpty()) {
        QList<quint8> moved(m_lineEnds.size());
        for (qsizetype r = 0; r < moved.size(); ++r)
            moved[r] = m_lineEnds.at(order[size_t(r)]);
        m_lineEnds = std::move(moved);
    }
}

void SheetData::removeRows(int at, int count)
{
    Q_ASSERT(at >= 0 && count >= 0 && at + count <= m_rows);
    if (count == 0)
        return;
    spreadBackColors();
    forgetTexts(at, 0, at + count - 1, m_cols - 1);
    remapRows(m_rows - count, [at, count](int r) { return r < at ? r : r + count; });
    if (!m_lineEnds.isEmpty())
        m_lineEnds.remove(at, count);
    compactPoolIfWasteful();
}

void SheetData::insertCols(int at, int count)
{
    Q_ASSERT(at >= 0 && at <= m_cols && count >= 0);
    if (count == 0)
        return;
    spreadBackColors();
    forEachCellPlane([&](auto &plane, auto fill) { plane.spliceColumns(at, 0, count, fill); });
    if (!m_fillerCols.isEmpty())
        m_fillerCols.insert(at, count, 0);
    m_cols += count;
}

void SheetData::removeCols(int at, int count)
{
    Q_ASSERT(at >= 0 && count >= 0 && at + count <= m_cols);
    if (count == 0)
        return;
    spreadBackColors();
    forgetTexts(0, at, m_rows - 1, at + count - 1);
    forEachCellPlane([&](auto &plane, auto fill) { plane.spliceColumns(at, count, 0, fill); });
    if (!m_fillerCols.isEmpty())
        m_fillerCols.remove(at, count);
    m_cols -= count;
    compactPoolIfWasteful();
}

void SheetData::shiftTextsDown(int at, int count)
{
    Q_ASSERT(at >= 0 && count >= 0 && at + count <= m_rows);
    if (count == 0)
        return;
    forgetTexts(m_rows - count, 0, m_rows - 1, m_cols - 1);
    const auto oldRowOf = [at, count](int r) { return r < at ? r : (r < at + count ? -1 : r - count); };
    forEachTextPlane([&](auto &plane, auto fill) { plane.remapRows(m_rows, oldRowOf, fill); });
    if (!m_lineEnds.isEmpty()) {
        quint8 *ends = m_lineEnds.data();
        std::memmove(ends + at + count, ends + at, size_t(m_rows - count - at));
        std::fill(ends + at, ends + at + count, quint8(0));
    }
    compactPoolIfWasteful();
}

void SheetData::shiftTextsUp(int at, int count)
{
    Q_ASSERT(at >= 0 && count >= 0 && at + count <= m_rows);
    if (count == 0)
        return;
    forgetTexts(at, 0, at + count - 1, m_cols - 1);
    const int rows = m_rows;
    const auto oldRowOf = [at, count, rows](int r) { return r < at ? r : (r < rows - count ? r + count : -1); };
    forEachTextPlane([&](auto &plane, auto fill) { plane.remapRows(m_rows, oldRowOf, fill); });
    if (!m_lineEnds.isEmpty()) {
        quint8 *ends = m_lineEnds.data();
        std::memmove(ends + at, ends + at + count, size_t(m_rows - at - count));
        std::fill(ends + m_rows - count, ends + m_rows, quint8(0));
    }
    compactPoolIfWasteful();
}

void SheetData::shiftTextsRight(int at, int count)
{
    Q_ASSERT(at >= 0 && count >= 0 && at + count <= m_cols);
    if (count == 0)
        return;
    forgetTexts(0, m_cols - count, m_rows - 1, m_cols - 1);
    forEachTextPlane([&](auto &plane, auto fill) {
        for (int r = 0; r < m_rows; ++r) {
            auto *row = plane.row(r);
            std::memmove(row + at + count, row + at, size_t(m_cols - at - count) * sizeof(*row));
            std::fill(row + at, row + at + count, fill);
        }
    });
    compactPoolIfWasteful();
}

void SheetData::shiftTextsLeft(int at, int count)
{
    Q_ASSERT(at >= 0 && count >= 0 && at + count <= m_cols);
    if (count == 0)
        return;
    forgetTexts(0, at, m_rows - 1, at + count - 1);
    forEachTextPlane([&](auto &plane, auto fill) {
        for (int r = 0; r < m_rows; ++r) {
            auto *row = plane.row(r);
            std::memmove(row + at, row + at + count, size_t(m_cols - at - count) * sizeof(*row));
            std::fill(row + m_cols - count, row + m_cols, fill);
        }
    });
    compactPoolIfWasteful();
}

void SheetData::takeTexts(const SheetData &snapshot)
{
    Q_ASSERT(snapshot.m_rows == m_rows && snapshot.m_cols == m_cols);
    m_pool = snapshot.m_pool;
    m_edits = snapshot.m_edits;
    m_wasted = snapshot.m_wasted;
    m_offsets = snapshot.m_offsets;
    m_lengths = snapshot.m_lengths;
    m_long = snapshot.m_long;
    m_quoted = snapshot.m_quoted;
    m_lineEnds = snapshot.m_lineEnds;
    m_fillerCols = snapshot.m_fillerCols;
}

void SheetData::setQuoted(int row, int col, bool quoted)
{
    if (!quoted && !m_quoted.held())
        return;
    reserveQuoted();
    m_quoted.set(row, col, quoted ? 1 : 0);
}

void SheetData::reserveQuoted()
{
    if (!m_quoted.held())
        m_quoted = CellBlocks<quint8>(m_rows, m_cols, 0);
}

void SheetData::setLineEnd(int row, std::optional<LineEnd> lineEnd)
{
    if (!lineEnd && m_lineEnds.isEmpty())
        return;
    if (m_lineEnds.isEmpty())
        m_lineEnds.resize(m_rows, 0);
    const quint8 filler = m_lineEnds.at(row) & kFillerRowMark;
    m_lineEnds[row] = quint8(filler | (lineEnd ? quint8(*lineEnd) + 1 : 0));
}

void SheetData::setFillerRow(int row, bool filler)
{
    if (!filler && m_lineEnds.isEmpty())
        return;
    if (m_lineEnds.isEmpty())
        m_lineEnds.resize(m_rows, 0);
    m_lineEnds[row]
        = filler ? quint8(m_lineEnds.at(row) | kFillerRowMark) : quint8(m_lineEnds.at(row) & ~kFillerRowMark);
}

void SheetData::setFillerCol(int col, bool filler)
{
    if (!filler && m_fillerCols.isEmpty())
        return;
    if (m_fillerCols.isEmpty())
        m_fillerCols.resize(m_cols, 0);
    m_fillerCols[col] = filler ? 1 : 0;
}

void SheetData::forgetTexts(int row1, int col1, int row2, int col2)
{
    for (int r = row1; r <= row2; ++r) {
        for (int c = col1; c <= col2; ++c)
            m_wasted += refAt(r, c).length;
    }
}

void SheetData::clear()
{
    m_pool.clear();
    m_edits.clear();
    m_wasted = 0;
    m_offsets.fill(0);
    m_lengths.fill(0);
    m_long.clear();
    m_quoted = {};
    resetBackColors();
    m_fore = {};
    m_lineEnds.clear();
    m_fillerCols.clear();
}

void SheetData::setPool(QString pool)
{
    if (pool.size() >= qsizetype(kEditedText))
        throw GridError(GridErrorCode::OutOfMemory);
    m_pool = std::move(pool);
    m_edits.clear();
    m_wasted = 0;
}

bool SheetData::packPool(qsizetype split, qsizetype parallelFrom)
{
    // Cells are numbered in reading order, row after row; every block but the last holds
    // blockCells of them.
    const qsizetype cells = cellCount();
    const qsizetype blockCells = std::max<qsizetype>(1, qsizetype(CellBlocks<quint8>::kBlockRows) * m_cols);
    const auto blocks = size_t(m_lengths.blockCount());
    const CellRef *longRefs = m_long.constData();
    std::vector<const quint8 *> lengthBlocks(blocks);
    std::vector<const quint32 *> offsetBlocks(blocks);
    for (size_t b = 0; b < blocks; ++b) {
        lengthBlocks[b] = m_lengths.block(int(b)).constData();
        offsetBlocks[b] = m_offsets.block(int(b)).constData();
    }
    const auto lengthAt = [&](qsizetype at) { return lengthBlocks[size_t(at / blockCells)][at % blockCells]; };
    const auto refOf = [&](qsizetype at) -> CellRef {
        const quint8 length = lengthAt(at);
        const quint32 offset = offsetBlocks[size_t(at / blockCells)][at % blockCells];
        return length == kLongText ? longRefs[offset] : CellRef{offset, length};
    };
    // Each run of slices is moved down in its order, so a text never lands on one still to move.
    qsizetype endBelow = 0;
    qsizetype endAbove = split;
    qsizetype cellsAbove = 0;
    for (size_t b = 0; b < blocks; ++b) {
        const quint8 *lengths = lengthBlocks[b];
        const quint32 *offsets = offsetBlocks[b];
        const qsizetype count = m_lengths.block(int(b)).size();
        for (qsizetype i = 0; i < count; ++i) {
            if (lengths[i] == 0)
                continue;
            const CellRef ref = lengths[i] == kLongText ? longRefs[offsets[i]] : CellRef{offsets[i], lengths[i]};
            const qsizetype start = ref.offset;
            const qsizetype end = start + qsizetype(ref.length);
            const bool above = start >= split;
            qsizetype &runEnd = above ? endAbove : endBelow;
            if ((ref.offset & kEditedText) || start < runEnd || (!above && end > split))
                return false;
            runEnd = end;
            cellsAbove += above;
        }
    }
    if (endAbove > m_pool.size() || !m_pool.isDetached())
        return false;

    auto *chars = reinterpret_cast<char16_t *>(m_pool.data());
    const char16_t *end = chars + m_pool.size();
    const std::vector<quint32 *> newOffsets = m_offsets.writableBlocks();
    CellRef *newLongRefs = m_long.data();
    // The texts below the split of cells [first, last) go down to `to` on; the cells whose texts are
    // above it are listed, to follow the file's own texts at the end, nothing moved before them
    // reaching them.
    const auto packCells = [&](qsizetype first, qsizetype last, qsizetype to, std::vector<qsizetype> &above) {
        while (first < last) {
            const qsizetype b = first / blockCells;
            const qsizetype base = b * blockCells;
            const qsizetype stop = std::min(last, base + blockCells);
            to = packSlices(chars, end, newOffsets[size_t(b)], lengthBlocks[size_t(b)], newLongRefs, kLongText,
                            first - base, stop - base, to, quint32(split), above, base);
            first = stop;
        }
        return to;
    };
    std::vector<qsizetype> above;
    above.reserve(size_t(cellsAbove));
    qsizetype to = 0;
    // A large sheet's second half of cells is packed on a thread of its own, in place from where its
    // first text is, then moved down behind the first half's texts in one piece.
    qsizetype middle = cells / 2;
    while (middle < cells && (lengthAt(middle) == 0 || refOf(middle).offset >= quint32(split)))
        ++middle;
    if (cells >= parallelFrom && middle < cells) {
        const qsizetype secondStart = refOf(middle).offset;
        std::vector<qsizetype> secondAbove;
        qsizetype secondEnd = secondStart;
        SideJob second([&] { secondEnd = packCells(middle, cells, secondStart, secondAbove); });
        to = packCells(0, middle, 0, above);
        second.join();
        std::memmove(chars + to, chars + secondStart, size_t(secondEnd - secondStart) * sizeof(char16_t));
        const quint32 shift = quint32(secondStart - to);
        for (qsizetype at = middle; at < cells; ++at) {
            const quint8 length = lengthAt(at);
            if (length == 0)
                continue;
            quint32 &cellOffset = newOffsets[size_t(at / blockCells)][at % blockCells];
            quint32 &offset = length == kLongText ? newLongRefs[cellOffset].offset : cellOffset;
            if (offset < quint32(split))
                offset -= shift;
        }
        to += secondEnd - secondStart;
        above.insert(above.end(), secondAbove.begin(), secondAbove.end());
    } else {
        to = packCells(0, cells, 0, above);
    }
    std::vector<qsizetype> none;
    for (const qsizetype at : above) {
        const qsizetype b = at / blockCells;
        const qsizetype i = at % blockCells;
        to = packSlices(chars, end, newOffsets[size_t(b)], lengthBlocks[size_t(b)], newLongRefs, kLongText, i, i + 1,
                        to, std::numeric_limits<quint32>::max(), none);
    }
    m_pool.truncate(to);
    m_pool.squeeze();
    m_wasted = 0;
    return true;
}

qsizetype SheetData::overheadBytes() const
{
    return m_offsets.heldBytes() + m_lengths.heldBytes() + m_long.capacity() * qsizetype(sizeof(CellRef))
        + m_back.heldBytes() + m_fore.heldBytes() + m_listedBack.heldBytes() + m_lineEnds.capacity()
        + m_quoted.heldBytes() + m_palette.capacity() * qsizetype(sizeof(OleColor));
}

qsizetype SheetData::overheadBytesNotSharedWith(const SheetData &other) const
{
    const auto listBytes = [](const auto &mine, const auto &theirs) -> qsizetype {
        return mine.constData() == theirs.constData() ? 0 : mine.capacity() * qsizetype(sizeof(*mine.constData()));
    };
    return m_offsets.bytesNotSharedWith(other.m_offsets) + m_lengths.bytesNotSharedWith(other.m_lengths)
        + m_quoted.bytesNotSharedWith(other.m_quoted) + m_back.bytesNotSharedWith(other.m_back)
        + m_fore.bytesNotSharedWith(other.m_fore) + listBytes(m_long, other.m_long)
        + m_listedBack.bytesNotSharedWith(other.m_listedBack) + listBytes(m_lineEnds, other.m_lineEnds)
        + listBytes(m_palette, other.m_palette) + listBytes(m_edits, other.m_edits);
}

void SheetData::compactPoolIfWasteful()
{
    const qsizetype held = m_pool.size() + m_edits.size();
    // A compacted pool is addressed like a file's text, so it must stay below the edits' mark.
    if (m_wasted < kMinWasteToCompact || m_wasted < held / 2 || held - m_wasted >= qsizetype(kEditedText))
        return;
    QString pool;
    pool.reserve(held - m_wasted);
    const QList<CellRef> oldLong = std::exchange(m_long, {});
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c) {
            const quint8 length = m_lengths.at(r, c);
            if (length == 0)
                continue;
            const QStringView text
                = textOf(length == kLongText ? oldLong.at(m_offsets.at(r, c)) : CellRef{m_offsets.at(r, c), length});
            storeAt(r, c, {quint32(pool.size()), quint32(text.size())});
            pool.append(text);
        }
    }
    m_pool = std::move(pool);
    m_edits.clear();
    m_wasted = 0;
}

bool SheetData::isUnwrittenCopyOf(const SheetData &other) const
{
    return m_rows == other.m_rows && m_cols == other.m_cols && m_offsets.sharesStorageWith(other.m_offsets)
        && m_lengths.sharesStorageWith(other.m_lengths) && m_long.constData() == other.m_long.constData()
        && m_pool.constData() == other.m_pool.constData() && m_edits.constData() == other.m_edits.constData()
        && m_lineEnds.constData() == other.m_lineEnds.constData();
}
