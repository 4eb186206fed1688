#pragma once

#include <QList>

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

// One plain value per cell of a rows x cols sheet, kept in blocks of kBlockRows rows, the blocks
// in groups of kGroupBlocks. Blocks, groups and the list of groups are each implicitly shared: a
// copy of the plane (an undo snapshot) costs one reference, and writing one cell afterwards copies
// only the list of groups, that cell's group and that cell's block, a few kilobytes, instead of
// the whole plane.
//
// A plane is either held, with a value for every cell, or not held at all (the sheet keeps some
// planes only once a cell needs one).
template<typename T>
class CellBlocks
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    static constexpr int kRowShift = 4;
    static constexpr int kBlockRows = 1 << kRowShift;
    static constexpr int kGroupShift = 5;
    static constexpr int kGroupBlocks = 1 << kGroupShift;

    using Block = QList<T>;

    CellBlocks() = default;
    CellBlocks(int rows, int cols, T fill)
        : m_rows(rows)
        , m_cols(cols)
        , m_held(true)
    {
        for (int b = 0; b < blockCount(); ++b)
            appendBlock(Block(qsizetype(blockRowCount(b)) * cols, fill));
    }

    [[nodiscard]] bool held() const
    {
        return m_held;
    }
    [[nodiscard]] int rows() const
    {
        return m_rows;
    }
    [[nodiscard]] int cols() const
    {
        return m_cols;
    }
    [[nodiscard]] int blockCount() const
    {
        return (m_rows + kBlockRows - 1) >> kRowShift;
    }
    [[nodiscard]] int blockRowCount(int block) const
    {
        return std::min(kBlockRows, m_rows - (block << kRowShift));
    }

    [[nodiscard]] T at(int row, int col) const
    {
        return m_groups.at(row >> (kRowShift + kGroupShift))
            .at((row >> kRowShift) & (kGroupBlocks - 1))
            .at(qsizetype(row & (kBlockRows - 1)) * m_cols + col);
    }
    void set(int row, int col, T value)
    {
        writableBlock(row >> kRowShift)[qsizetype(row & (kBlockRows - 1)) * m_cols + col] = value;
    }
    // The cells of one row, to read, or to write (the row's block becomes the plane's own).
    [[nodiscard]] const T *constRow(int row) const
    {
        return block(row >> kRowShift).constData() + qsizetype(row & (kBlockRows - 1)) * m_cols;
    }
    [[nodiscard]] T *row(int row)
    {
        return writableBlock(row >> kRowShift).data() + qsizetype(row & (kBlockRows - 1)) * m_cols;
    }
    [[nodiscard]] const Block &block(int block) const
    {
        return m_groups.at(block >> kGroupShift).at(block & (kGroupBlocks - 1));
    }
    [[nodiscard]] Block &writableBlock(int block)
    {
        return m_groups[block >> kGroupShift][block & (kGroupBlocks - 1)];
    }
    // Every block's cells, each made the plane's own, for writers on several threads that must not
    // make a block their own at the same time.
    [[nodiscard]] std::vector<T *> writableBlocks()
    {
        const auto count = size_t(blockCount());
        std::vector<T *> blocks(count);
        for (int b = 0; b < blockCount(); ++b)
            blocks[size_t(b)] = writableBlock(b).data();
        return blocks;
    }

    void fill(T value)
    {
        CellBlocks filled(m_rows, m_cols, value);
        *this = std::move(filled);
    }

    // The plane with `rows` rows, row r taken from row oldRowOf(r) of this plane, or of `fill` where
    // that is negative. A new block whose rows are exactly an old block's, in order, shares it.
    template<typename OldRowOf>
    void remapRows(int rows, OldRowOf oldRowOf, T fill)
    {
        CellBlocks remapped;
        remapped.m_rows = rows;
        remapped.m_cols = m_cols;
        remapped.m_held = true;
        for (int b = 0; b < remapped.blockCount(); ++b) {
            const int first = b << kRowShift;
            const int count = remapped.blockRowCount(b);
            const int from = oldRowOf(first);
            bool whole = from >= 0 && (from & (kBlockRows - 1)) == 0 && blockRowCount(from >> kRowShift) == count;
            for (int k = 1; whole && k < count; ++k)
                whole = oldRowOf(first + k) == from + k;
            if (whole) {
                remapped.appendBlock(block(from >> kRowShift));
                continue;
            }
            Block made(qsizetype(count) * m_cols, fill);
            T *to = made.data();
            for (int k = 0; k < count; ++k, to += m_cols) {
                const int old = k == 0 ? from : oldRowOf(first + k);
                if (old >= 0 && m_cols > 0)
                    std::memcpy(to, constRow(old), size_t(m_cols) * sizeof(T));
            }
            remapped.appendBlock(std::move(made));
        }
        *this = std::move(remapped);
    }
    void resizeRows(int rows, T fill)
    {
        const int kept = m_rows;
        remapRows(
            rows, [kept](int r) { return r < kept ? r : -1; }, fill);
    }

    // Takes `removed` columns out at `at` and puts `inserted` columns of `fill` in their place.
    void spliceColumns(int at, int removed, int inserted, T fill)
    {
        const int newCols = m_cols - removed + inserted;
        for (int b = 0; b < blockCount(); ++b) {
            const int count = blockRowCount(b);
            const T *from = block(b).constData();
            Block spliced(qsizetype(count) * newCols);
            T *to = spliced.data();
            for (int r = 0; r < count; ++r, from += m_cols) {
                to = std::copy(from, from + at, to);
                to = std::fill_n(to, inserted, fill);
                to = std::copy(from + at + removed, from + m_cols, to);
            }
            writableBlock(b) = std::move(spliced);
        }
        m_cols = newCols;
    }

    // Bytes held for the cells and the lists of blocks.
    [[nodiscard]] qsizetype heldBytes() const
    {
        qsizetype bytes = m_groups.capacity() * qsizetype(sizeof(QList<Block>));
        for (const QList<Block> &group : m_groups) {
            bytes += group.capacity() * qsizetype(sizeof(Block));
            for (const Block &cells : group)
                bytes += cells.capacity() * qsizetype(sizeof(T));
        }
        return bytes;
    }
    // Bytes this plane holds that `other` does not share: what keeping this plane beside `other`
    // costs. Blocks are matched by their place.
    [[nodiscard]] qsizetype bytesNotSharedWith(const CellBlocks &other) const
    {
        if (m_groups.constData() == other.m_groups.constData())
            return 0;
        qsizetype bytes = m_groups.capacity() * qsizetype(sizeof(QList<Block>));
        for (qsizetype g = 0; g < m_groups.size(); ++g) {
            const QList<Block> &group = m_groups.at(g);
            const QList<Block> *theirs = g < other.m_groups.size() ? &other.m_groups.at(g) : nullptr;
            if (theirs && group.constData() == theirs->constData())
                continue;
            bytes += group.capacity() * qsizetype(sizeof(Block));
            for (qsizetype b = 0; b < group.size(); ++b) {
                if (!theirs || b >= theirs->size() || group.at(b).constData() != theirs->at(b).constData())
                    bytes += group.at(b).capacity() * qsizetype(sizeof(T));
            }
        }
        return bytes;
    }
    // Whether both are the very same storage, untouched by either since one was copied from the other.
    [[nodiscard]] bool sharesStorageWith(const CellBlocks &other) const
    {
        return m_rows == other.m_rows && m_cols == other.m_cols && m_held == other.m_held
            && m_groups.constData() == other.m_groups.constData();
    }

private:
    void appendBlock(Block cells)
    {
        if (m_groups.isEmpty() || m_groups.last().size() == kGroupBlocks) {
            QList<Block> group;
            group.reserve(kGroupBlocks);
            m_groups.append(std::move(group));
        }
        m_groups.last().append(std::move(cells));
    }

    QList<QList<Block>> m_groups;
    int m_rows = 0;
    int m_cols = 0;
    bool m_held = false;
};
