#include "SheetData.h"

#include "LargeMemory.h"

#include "GridError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <thread>
#include <type_traits>

namespace
{
constexpr qsizetype kMinWasteToCompact = 1 << 20;

// The cell arrays hold one plain value per cell, row after row, so a run of cells moves as one
// block of memory.
template<typename T>
void moveElements(T *to, const T *from, qsizetype count)
{
    static_assert(std::is_trivially_copyable_v<T>);
    if (count > 0 && to != from)
        std::memmove(to, from, size_t(count) * sizeof(T));
}

// Builds the cells anew with `removed` columns taken out at `at` and `inserted` columns of `fill`
// put in their place, copying every row straight to its new place. Used when the cells are
// shared with an undo snapshot: moving them in place would first copy all of them as they are and
// then move them again.
template<typename T>
void spliceColumnsIntoNew(QList<T> &cells, int rows, int cols, int at, int removed, int inserted, T fill)
{
    const int newCols = cols - removed + inserted;
    QList<T> spliced;
    LargeMemory::reserve(spliced, qsizetype(rows) * newCols);
    spliced.resize(qsizetype(rows) * newCols);
    const T *from = cells.constData();
    T *to = spliced.data();
    for (int r = 0; r < rows; ++r, from += cols) {
        to = std::copy(from, from + at, to);
        to = std::fill_n(to, inserted, fill);
        to = std::copy(from + at + removed, from + cols, to);
    }
    cells = std::move(spliced);
}

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
// order, and lists the other cells; gives where the moved texts end. Plain pointers in a loop of
// its own: a slice written must not make the compiler read the others again.
qsizetype packSlices(char16_t *chars, const char16_t *end, quint32 *offsets, const quint8 *lengths, CellRef *longRefs,
                     quint8 longMark, qsizetype first, qsizetype last, qsizetype to, quint32 split,
                     std::vector<qsizetype> &above)
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
            above.push_back(at);
            continue;
        }
        moveDown(chars + to, chars + from, count, end);
        *offset = quint32(to);
        to += count;
    }
    return to;
}

template<typename T>
void insertColumns(QList<T> &cells, int rows, int cols, int at, int count, T fill)
{
    if (!cells.isDetached()) {
        spliceColumnsIntoNew(cells, rows, cols, at, 0, count, fill);
        return;
    }
    const int newCols = cols + count;
    LargeMemory::reserve(cells, qsizetype(rows) * newCols);
    cells.resize(qsizetype(rows) * newCols);
    T *data = cells.data();
    // From the last row up: each row moves to a place at or after its own, never onto a row that
    // has still to move.
    for (int r = rows - 1; r >= 0; --r) {
        const T *from = data + qsizetype(r) * cols;
        T *to = data + qsizetype(r) * newCols;
        moveElements(to + at + count, from + at, cols - at);
        moveElements(to, from, at);
        std::fill(to + at, to + at + count, fill);
    }
}

template<typename T>
void removeColumns(QList<T> &cells, int rows, int cols, int at, int count)
{
    if (!cells.isDetached()) {
        spliceColumnsIntoNew(cells, rows, cols, at, count, 0, T{});
        return;
    }
    const int newCols = cols - count;
    T *data = cells.data();
    // From the first row down: each row moves to a place at or before its own.
    for (int r = 0; r < rows; ++r) {
        const T *from = data + qsizetype(r) * cols;
        T *to = data + qsizetype(r) * newCols;
        moveElements(to, from, at);
        moveElements(to + at, from + at + count, cols - at - count);
    }
    cells.resize(qsizetype(rows) * newCols);
}

template<typename T>
void resizeColumns(QList<T> &cells, int rows, int cols, int newCols, T fill)
{
    if (newCols > cols)
        insertColumns(cells, rows, cols, cols, newCols - cols, fill);
    else if (newCols < cols)
        removeColumns(cells, rows, cols, newCols, cols - newCols);
}
} // namespace

SheetData::SheetData()
    : SheetData(2, 2)
{
}

SheetData::SheetData(int rows, int cols)
    : m_palette{kWindowBackColor, kWindowTextColor, kDiffBackColor, kExtraBackColor, kMarkForeColor}
{
    resize(rows, cols);
}

void SheetData::setText(int row, int col, QStringView text)
{
    const qsizetype at = index(row, col);
    const CellRef ref = refAt(at);
    if (textOf(ref) == text)
        return;
    m_wasted += ref.length;
    storeAt(at, appendToPool(text));
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

void SheetData::resizeRows(int rows)
{
    spreadBackColors();
    if (rows == m_rows)
        return;
    if (rows < m_rows)
        forgetTexts(rows, 0, m_rows - 1, m_cols - 1);
    const qsizetype count = qsizetype(rows) * m_cols;
    LargeMemory::reserve(m_offsets, count);
    m_offsets.resize(count);
    LargeMemory::reserve(m_lengths, count);
    m_lengths.resize(count);
    if (!m_quoted.isEmpty())
        m_quoted.resize(count, 0);
    if (!m_back.isEmpty())
        m_back.resize(count, kDefaultBack);
    if (!m_fore.isEmpty())
        m_fore.resize(count, kDefaultFore);
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
    resizeColumns(m_offsets, m_rows, m_cols, cols, quint32(0));
    resizeColumns(m_lengths, m_rows, m_cols, cols, quint8(0));
    if (!m_quoted.isEmpty())
        resizeColumns(m_quoted, m_rows, m_cols, cols, quint8(0));
    if (!m_back.isEmpty())
        resizeColumns(m_back, m_rows, m_cols, cols, kDefaultBack);
    if (!m_fore.isEmpty())
        resizeColumns(m_fore, m_rows, m_cols, cols, kDefaultFore);
    if (!m_fillerCols.isEmpty())
        m_fillerCols.resize(cols, 0);
    m_cols = cols;
}

void SheetData::insertRows(int at, int count)
{
    Q_ASSERT(at >= 0 && at <= m_rows && count >= 0);
    spreadBackColors();
    const qsizetype first = index(at, 0);
    const qsizetype cells = qsizetype(count) * m_cols;
    m_offsets.insert(first, cells, 0);
    m_lengths.insert(first, cells, 0);
    if (!m_quoted.isEmpty())
        m_quoted.insert(first, cells, 0);
    if (!m_back.isEmpty())
        m_back.insert(first, cells, kDefaultBack);
    if (!m_fore.isEmpty())
        m_fore.insert(first, cells, kDefaultFore);
    if (!m_lineEnds.isEmpty())
        m_lineEnds.insert(at, count, 0);
    m_rows += count;
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
    m_offsets = spreadRows(m_offsets, m_cols, groups, added, quint32(0));
    m_lengths = spreadRows(m_lengths, m_cols, groups, added, quint8(0));
    if (!m_quoted.isEmpty())
        m_quoted = spreadRows(m_quoted, m_cols, groups, added, quint8(0));
    if (!m_back.isEmpty())
        m_back = spreadRows(m_back, m_cols, groups, added, kDefaultBack);
    if (!m_fore.isEmpty())
        m_fore = spreadRows(m_fore, m_cols, groups, added, kDefaultFore);
    if (!m_lineEnds.isEmpty())
        m_lineEnds = spreadRows(m_lineEnds, 1, groups, added, quint8(0));
    m_rows += int(added);
}

void SheetData::reorderRows(const std::vector<int> &order)
{
    Q_ASSERT(order.size() == size_t(m_rows));
    const auto reorder = [&order](auto &list, qsizetype width) {
        std::remove_reference_t<decltype(list)> moved(list.size());
        auto *to = moved.data();
        for (const int from : order)
            to = std::copy(list.constData() + qsizetype(from) * width, list.constData() + qsizetype(from + 1) * width,
                           to);
        list = std::move(moved);
    };
    spreadBackColors();
    reorder(m_offsets, m_cols);
    reorder(m_lengths, m_cols);
    if (!m_quoted.isEmpty())
        reorder(m_quoted, m_cols);
    if (!m_back.isEmpty())
        reorder(m_back, m_cols);
    if (!m_fore.isEmpty())
        reorder(m_fore, m_cols);
    if (!m_lineEnds.isEmpty())
        reorder(m_lineEnds, 1);
}

void SheetData::removeRows(int at, int count)
{
    Q_ASSERT(at >= 0 && count >= 0 && at + count <= m_rows);
    if (count == 0)
        return;
    spreadBackColors();
    forgetTexts(at, 0, at + count - 1, m_cols - 1);
    const qsizetype first = index(at, 0);
    const qsizetype cells = qsizetype(count) * m_cols;
    m_offsets.remove(first, cells);
    m_lengths.remove(first, cells);
    if (!m_quoted.isEmpty())
        m_quoted.remove(first, cells);
    if (!m_back.isEmpty())
        m_back.remove(first, cells);
    if (!m_fore.isEmpty())
        m_fore.remove(first, cells);
    if (!m_lineEnds.isEmpty())
        m_lineEnds.remove(at, count);
    m_rows -= count;
    compactPoolIfWasteful();
}

void SheetData::insertCols(int at, int count)
{
    Q_ASSERT(at >= 0 && at <= m_cols && count >= 0);
    if (count == 0)
        return;
    spreadBackColors();
    insertColumns(m_offsets, m_rows, m_cols, at, count, quint32(0));
    insertColumns(m_lengths, m_rows, m_cols, at, count, quint8(0));
    if (!m_quoted.isEmpty())
        insertColumns(m_quoted, m_rows, m_cols, at, count, quint8(0));
    if (!m_back.isEmpty())
        insertColumns(m_back, m_rows, m_cols, at, count, kDefaultBack);
    if (!m_fore.isEmpty())
        insertColumns(m_fore, m_rows, m_cols, at, count, kDefaultFore);
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
    removeColumns(m_offsets, m_rows, m_cols, at, count);
    removeColumns(m_lengths, m_rows, m_cols, at, count);
    if (!m_quoted.isEmpty())
        removeColumns(m_quoted, m_rows, m_cols, at, count);
    if (!m_back.isEmpty())
        removeColumns(m_back, m_rows, m_cols, at, count);
    if (!m_fore.isEmpty())
        removeColumns(m_fore, m_rows, m_cols, at, count);
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
    const auto shift = [&](auto *cells) {
        moveElements(cells + index(at + count, 0), cells + index(at, 0), index(m_rows - count, 0) - index(at, 0));
        std::fill(cells + index(at, 0), cells + index(at + count, 0), 0);
    };
    shift(m_offsets.data());
    shift(m_lengths.data());
    if (!m_quoted.isEmpty())
        shift(m_quoted.data());
    if (!m_lineEnds.isEmpty()) {
        quint8 *ends = m_lineEnds.data();
        moveElements(ends + at + count, ends + at, m_rows - count - at);
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
    const auto shift = [&](auto *cells) {
        moveElements(cells + index(at, 0), cells + index(at + count, 0), index(m_rows, 0) - index(at + count, 0));
        std::fill(cells + index(m_rows - count, 0), cells + index(m_rows, 0), 0);
    };
    shift(m_offsets.data());
    shift(m_lengths.data());
    if (!m_quoted.isEmpty())
        shift(m_quoted.data());
    if (!m_lineEnds.isEmpty()) {
        quint8 *ends = m_lineEnds.data();
        moveElements(ends + at, ends + at + count, m_rows - at - count);
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
    const auto shift = [&](auto *cells) {
        for (int r = 0; r < m_rows; ++r) {
            auto *row = cells + index(r, 0);
            moveElements(row + at + count, row + at, m_cols - at - count);
            std::fill(row + at, row + at + count, 0);
        }
    };
    shift(m_offsets.data());
    shift(m_lengths.data());
    if (!m_quoted.isEmpty())
        shift(m_quoted.data());
    compactPoolIfWasteful();
}

void SheetData::shiftTextsLeft(int at, int count)
{
    Q_ASSERT(at >= 0 && count >= 0 && at + count <= m_cols);
    if (count == 0)
        return;
    forgetTexts(0, at, m_rows - 1, at + count - 1);
    const auto shift = [&](auto *cells) {
        for (int r = 0; r < m_rows; ++r) {
            auto *row = cells + index(r, 0);
            moveElements(row + at, row + at + count, m_cols - at - count);
            std::fill(row + m_cols - count, row + m_cols, 0);
        }
    };
    shift(m_offsets.data());
    shift(m_lengths.data());
    if (!m_quoted.isEmpty())
        shift(m_quoted.data());
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
    if (!quoted && m_quoted.isEmpty())
        return;
    reserveQuoted();
    m_quoted[index(row, col)] = quoted ? 1 : 0;
}

void SheetData::reserveQuoted()
{
    if (m_quoted.isEmpty())
        m_quoted.resize(cellCount(), 0);
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
            m_wasted += refAt(index(r, c)).length;
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
    m_quoted.clear();
    resetBackColors();
    m_fore.clear();
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
    const quint32 *offsets = m_offsets.constData();
    const quint8 *lengths = m_lengths.constData();
    const CellRef *longRefs = m_long.constData();
    const qsizetype cells = m_lengths.size();
    const auto refOf = [&](qsizetype at) -> CellRef {
        return lengths[at] == kLongText ? longRefs[offsets[at]] : CellRef{offsets[at], lengths[at]};
    };
    // Each run of slices is moved down in its order, so a text never lands on one still to move.
    qsizetype endBelow = 0;
    qsizetype endAbove = split;
    qsizetype cellsAbove = 0;
    for (qsizetype at = 0; at < cells; ++at) {
        if (lengths[at] == 0)
            continue;
        const CellRef ref = refOf(at);
        const qsizetype start = ref.offset;
        const qsizetype end = start + qsizetype(ref.length);
        const bool above = start >= split;
        qsizetype &runEnd = above ? endAbove : endBelow;
        if ((ref.offset & kEditedText) || start < runEnd || (!above && end > split))
            return false;
        runEnd = end;
        cellsAbove += above;
    }
    if (endAbove > m_pool.size() || !m_pool.isDetached())
        return false;

    auto *chars = reinterpret_cast<char16_t *>(m_pool.data());
    const char16_t *end = chars + m_pool.size();
    quint32 *newOffsets = m_offsets.data();
    CellRef *newLongRefs = m_long.data();
    // The texts below the split of cells [first, last) go down to `to` on; the cells whose texts are
    // above it are listed, to follow the file's own texts at the end, nothing moved before them
    // reaching them.
    const auto packCells = [=](qsizetype first, qsizetype last, qsizetype to, std::vector<qsizetype> &above) {
        return packSlices(chars, end, newOffsets, lengths, newLongRefs, kLongText, first, last, to, quint32(split),
                          above);
    };
    std::vector<qsizetype> above;
    above.reserve(size_t(cellsAbove));
    qsizetype to = 0;
    // A large sheet's second half of cells is packed on a thread of its own, in place from where its
    // first text is, then moved down behind the first half's texts in one piece.
    qsizetype middle = cells / 2;
    while (middle < cells && (lengths[middle] == 0 || refOf(middle).offset >= quint32(split)))
        ++middle;
    if (cells >= parallelFrom && middle < cells) {
        const qsizetype secondStart = refOf(middle).offset;
        std::vector<qsizetype> secondAbove;
        qsizetype secondEnd = secondStart;
        std::thread second([&] { secondEnd = packCells(middle, cells, secondStart, secondAbove); });
        to = packCells(0, middle, 0, above);
        second.join();
        std::memmove(chars + to, chars + secondStart, size_t(secondEnd - secondStart) * sizeof(char16_t));
        const quint32 shift = quint32(secondStart - to);
        for (qsizetype at = middle; at < cells; ++at) {
            if (lengths[at] == 0)
                continue;
            quint32 &offset = lengths[at] == kLongText ? newLongRefs[offsets[at]].offset : newOffsets[at];
            if (offset < quint32(split))
                offset -= shift;
        }
        to += secondEnd - secondStart;
        above.insert(above.end(), secondAbove.begin(), secondAbove.end());
    } else {
        to = packCells(0, cells, 0, above);
    }
    std::vector<qsizetype> none;
    for (const qsizetype at : above)
        to = packSlices(chars, end, newOffsets, lengths, newLongRefs, kLongText, at, at + 1, to,
                        std::numeric_limits<quint32>::max(), none);
    m_pool.truncate(to);
    m_pool.squeeze();
    m_wasted = 0;
    return true;
}

qsizetype SheetData::overheadBytes() const
{
    return m_offsets.capacity() * qsizetype(sizeof(quint32)) + m_lengths.capacity()
        + m_long.capacity() * qsizetype(sizeof(CellRef)) + m_back.capacity() + m_fore.capacity()
        + m_backAt.capacity() * qsizetype(sizeof(quint32)) + m_backSlot.capacity() + m_lineEnds.capacity()
        + m_quoted.capacity() + m_palette.capacity() * qsizetype(sizeof(OleColor));
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
    for (qsizetype at = 0; at < m_lengths.size(); ++at) {
        const quint8 length = m_lengths.at(at);
        if (length == 0)
            continue;
        const QStringView text
            = textOf(length == kLongText ? oldLong.at(m_offsets.at(at)) : CellRef{m_offsets.at(at), length});
        storeAt(at, {quint32(pool.size()), quint32(text.size())});
        pool.append(text);
    }
    m_pool = std::move(pool);
    m_edits.clear();
    m_wasted = 0;
}

bool SheetData::isUnwrittenCopyOf(const SheetData &other) const
{
    return m_rows == other.m_rows && m_cols == other.m_cols && m_offsets.constData() == other.m_offsets.constData()
        && m_lengths.constData() == other.m_lengths.constData() && m_long.constData() == other.m_long.constData()
        && m_pool.constData() == other.m_pool.constData() && m_edits.constData() == other.m_edits.constData()
        && m_lineEnds.constData() == other.m_lineEnds.constData();
}
