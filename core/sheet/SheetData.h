#pragma once

#include "CellBlocks.h"
#include "Colors.h"
#include "SheetFileFormat.h"
#include "SortedChunks.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

// Highest row or column number the program's 16-bit loops can hold.
inline constexpr int kMaxRowCol = 32767;

// Most cells one sheet may hold, headers included. A 32766 x 100 file needs 3.3 million; the
// limit keeps a runaway file (32766 x 32766 would be a billion cells) from exhausting memory,
// and ends such a read as a partial read instead.
inline constexpr qsizetype kMaxCells = qsizetype(32) * 1024 * 1024;

// Where one cell's text lies: in the sheet's text pool, or with kEditedText set in the offset, in
// its pool of edited texts.
struct CellRef
{
    quint32 offset = 0;
    quint32 length = 0;
};
inline constexpr quint32 kEditedText = 0x8000'0000u;
// Plain data despite its member initialisers: lists of millions of slices are copied and moved as
// blocks of memory, not one constructor call per cell.
Q_DECLARE_TYPEINFO(CellRef, Q_PRIMITIVE_TYPE);

// The cells of one sheet in compact storage: every text is a slice of the text pool (a file's
// whole decoded text when it was read) or of the pool of texts written since. A slice costs five
// bytes, a 32-bit place and an 8-bit length; a text of kLongText characters or more keeps its
// whole slice in a side list and its cell the slice's number there. Colours cost one byte of
// background and one of text colour (indexes into a small palette) once a cell has one. All members are implicitly
// shared, so a copy is cheap until one side is written to; because writing a cell only appends to the small pool of
// edits, an undo snapshot never makes the next edit copy the file's whole text.
//
// Positions are not checked here: the sheet checks them before it calls in.
class SheetData
{
public:
    SheetData();
    SheetData(int rows, int cols);

    [[nodiscard]] int rows() const
    {
        return m_rows;
    }
    [[nodiscard]] int cols() const
    {
        return m_cols;
    }
    [[nodiscard]] qsizetype cellCount() const
    {
        return qsizetype(m_rows) * m_cols;
    }

    [[nodiscard]] QStringView text(int row, int col) const
    {
        return textOf(refAt(row, col));
    }
    void setText(int row, int col, QStringView text);

    [[nodiscard]] OleColor backColor(int row, int col) const
    {
        return m_palette.at(backSlot(row, col));
    }
    [[nodiscard]] OleColor foreColor(int row, int col) const
    {
        return m_palette.at(m_fore.held() ? m_fore.at(row, col) : kDefaultFore);
    }
    void setBackColor(int row, int col, OleColor color);
    void setForeColor(int row, int col, OleColor color)
    {
        setColour(m_fore, kDefaultFore, row, col, color);
    }

    // Changes the counts at the bottom and the right end; kept cells keep their texts and
    // colours, new cells are empty with the default colours.
    void resize(int rows, int cols);
    // Empties every text and resets every colour; the counts stay.
    void clear();
    // Every cell's background back to the default; texts and text colours stay.
    void resetBackColors()
    {
        m_back = {};
        m_listedBack.clear();
    }

    // Whole rows or columns, texts and colours together: the rows or columns from `at` on move
    // by `count`, inserted ones are empty with the default colours. A text moves as its 8-byte
    // slice; the pool is never written. `at` may be the count itself (insert at the end).
    void insertRows(int at, int count);
    // Several insertions at once, each (at, count) in the numbering before any of them, `at`
    // ascending: one pass over the cells however many places there are.
    void insertRowGroups(const std::vector<std::pair<int, int>> &groups);
    void removeRows(int at, int count);
    // Puts row order[r] at row r, texts, colours, line ends and filler marks together: `order`
    // holds every row number once, the header row's included. The pool is never written.
    void reorderRows(const std::vector<int> &order);
    void insertCols(int at, int count);
    void removeCols(int at, int count);

    // Texts alone, inside the present counts; colours stay where they are. Down and right move
    // the texts from `at` on by `count`, leaving `at` .. `at + count - 1` empty and dropping the
    // texts pushed past the last row or column. Up and left move the texts from `at + count` on
    // onto `at`, dropping those of `at` .. `at + count - 1` and leaving the last `count` empty.
    void shiftTextsDown(int at, int count);
    void shiftTextsUp(int at, int count);
    void shiftTextsRight(int at, int count);
    void shiftTextsLeft(int at, int count);

    // Takes every text of `snapshot`, of the same counts, sharing its pool and slices; the
    // colours stay. The snapshot's colours are not read.
    void takeTexts(const SheetData &snapshot);

    // The line end a row had in its file when it differs from the file's most common one, so that
    // a file whose lines end in different ways is written back as it was read. It travels with
    // the row's texts; rows without one (inserted since, or of a file whose lines all end alike)
    // take the file's line end. Nothing is held until a row gets one.
    [[nodiscard]] std::optional<LineEnd> lineEnd(int row) const
    {
        const quint8 mark = m_lineEnds.isEmpty() ? quint8(0) : quint8(m_lineEnds.at(row) & kLineEndMask);
        if (mark == 0)
            return std::nullopt;
        return LineEnd(mark - 1);
    }
    void setLineEnd(int row, std::optional<LineEnd> lineEnd);

    // A row inserted only to line the sheets up, which saving leaves out while it is wholly
    // empty. The mark is kept beside the row's line end, so it travels with the row through
    // every insertion, removal, shift and snapshot exactly as the line end does.
    [[nodiscard]] bool isFillerRow(int row) const
    {
        return !m_lineEnds.isEmpty() && (m_lineEnds.at(row) & kFillerRowMark) != 0;
    }
    void setFillerRow(int row, bool filler);

    // Whether the cell's field was quoted in its file, so that saving quotes it again. The mark
    // travels with the cell's text through every insertion, removal, shift and snapshot, and
    // writing the cell keeps it. Nothing is held until a cell gets one.
    [[nodiscard]] bool wasQuoted(int row, int col) const
    {
        return m_quoted.held() && m_quoted.at(row, col) != 0;
    }
    void setQuoted(int row, int col, bool quoted);
    // Makes room for the quoting marks of every cell, before readers on several threads set them.
    void reserveQuoted();
    [[nodiscard]] bool holdsQuoted() const
    {
        return m_quoted.held();
    }
    // Whether the cell's text was written since it was read (it is not a slice of the file's text).
    [[nodiscard]] bool isEdited(int row, int col) const
    {
        const CellRef ref = refAt(row, col);
        return ref.length != 0 && (ref.offset & kEditedText) != 0;
    }

    // A column inserted only to line the sheets' columns up, which saving leaves out while it is
    // wholly empty. The mark moves with the column's cells when whole columns are inserted or
    // removed; nothing is held until a column gets one.
    [[nodiscard]] bool isFillerCol(int col) const
    {
        return !m_fillerCols.isEmpty() && m_fillerCols.at(col) != 0;
    }
    void setFillerCol(int col, bool filler);

    // Bulk filling, for readers: the pool is taken whole and cells are pointed into it. A pool
    // must stay below 2^31 characters (a file is at most 1 GiB).
    void setPool(QString pool);
    // Gives back the pool's characters no cell points to (a file's delimiters and line ends),
    // moving the texts down in place, so that no second copy of the text is ever held. Only for a
    // pool as a reader fills it: the slices that start before `split` (the file's own text) come
    // in reading order one after the other without overlapping, and so do those from `split` on
    // (what the reader added behind it). Otherwise nothing changes and the answer is false.
    // From parallelFrom cells on, a second thread packs half of them.
    bool packPool(qsizetype split, qsizetype parallelFrom = qsizetype(1) << 20);
    [[nodiscard]] const QString &pool() const
    {
        return m_pool;
    }
    // Characters held for the texts, in both pools.
    [[nodiscard]] qsizetype pooledCharacters() const
    {
        return m_pool.size() + m_edits.size();
    }
    // Whether both hold the very same pools, so that neither copied a text.
    [[nodiscard]] bool sharesTextsWith(const SheetData &other) const
    {
        return m_pool.constData() == other.m_pool.constData() && m_edits.constData() == other.m_edits.constData();
    }
    // Adds a text to the pool of edited texts.
    CellRef appendToPool(QStringView text);
    // A slice of kLongText characters or more adds to a list that two threads must not add to at
    // once; shorter slices may be set from several threads, each on cells of its own.
    void setCellRef(int row, int col, CellRef ref)
    {
        storeAt(row, col, ref);
    }
    [[nodiscard]] CellRef cellRef(int row, int col) const
    {
        return refAt(row, col);
    }
    [[nodiscard]] static constexpr bool isLong(CellRef ref)
    {
        return ref.length >= kLongText;
    }

    // Sets many slices, as a reader does, without asking for every one whether the cells are
    // shared. Valid until the data is resized, copied or assigned; a long slice is listed by the
    // data, which two writers must not do at once.
    class SliceWriter
    {
    public:
        void set(int row, int col, CellRef ref)
        {
            if (isLong(ref))
                m_data->storeAt(row, col, ref);
            else
                setShort(row, col, ref);
        }
        // Only after the data's reserveQuoted().
        void setQuoted(int row, int col)
        {
            if (!m_quoted.empty())
                m_quoted[size_t(row >> kRowShift)][inBlock(row, col)] = 1;
        }
        // A slice that is not long.
        void setShort(int row, int col, CellRef ref)
        {
            const size_t block = size_t(row >> kRowShift);
            const qsizetype at = inBlock(row, col);
            m_offsets[block][at] = ref.offset;
            m_lengths[block][at] = quint8(ref.length);
        }

    private:
        friend class SheetData;
        static constexpr int kRowShift = CellBlocks<quint8>::kRowShift;
        [[nodiscard]] qsizetype inBlock(int row, int col) const
        {
            return qsizetype(row & ((1 << kRowShift) - 1)) * m_cols + col;
        }
        SheetData *m_data = nullptr;
        std::vector<quint32 *> m_offsets;
        std::vector<quint8 *> m_lengths;
        std::vector<quint8 *> m_quoted;
        int m_cols = 0;
    };
    [[nodiscard]] SliceWriter sliceWriter()
    {
        SliceWriter writer;
        writer.m_data = this;
        writer.m_offsets = m_offsets.writableBlocks();
        writer.m_lengths = m_lengths.writableBlocks();
        if (m_quoted.held())
            writer.m_quoted = m_quoted.writableBlocks();
        writer.m_cols = m_cols;
        return writer;
    }

    // Whether this and `other` are copies of one another that neither has written a text, count or
    // line end into since: the same slices, pools and line ends in the same storage. Cheap; false
    // only says that one of them may have changed.
    [[nodiscard]] bool isUnwrittenCopyOf(const SheetData &other) const;

    // Bytes held for the cells besides the texts (slices, colour indexes, palette).
    [[nodiscard]] qsizetype overheadBytes() const;
    // The part of overheadBytes() that `other` does not share: what keeping this copy beside it costs.
    [[nodiscard]] qsizetype overheadBytesNotSharedWith(const SheetData &other) const;

private:
    [[nodiscard]] qsizetype index(int row, int col) const
    {
        return qsizetype(row) * m_cols + col;
    }
    [[nodiscard]] CellRef refAt(int row, int col) const
    {
        const quint8 length = m_lengths.at(row, col);
        if (length == kLongText)
            return m_long.at(m_offsets.at(row, col));
        return {m_offsets.at(row, col), length};
    }
    void storeAt(int row, int col, CellRef ref)
    {
        if (isLong(ref)) {
            m_offsets.set(row, col, quint32(m_long.size()));
            m_lengths.set(row, col, kLongText);
            m_long.append(ref);
        } else {
            m_offsets.set(row, col, ref.offset);
            m_lengths.set(row, col, quint8(ref.length));
        }
    }
    [[nodiscard]] QStringView textOf(CellRef ref) const
    {
        const QString &pool = (ref.offset & kEditedText) ? m_edits : m_pool;
        return QStringView(pool.constData() + (ref.offset & ~kEditedText), qsizetype(ref.length));
    }
    [[nodiscard]] quint8 backSlot(int row, int col) const
    {
        if (m_back.held())
            return m_back.at(row, col);
        return m_listedBack.empty() ? kDefaultBack : listedBackSlot(index(row, col));
    }
    [[nodiscard]] quint8 listedBackSlot(qsizetype at) const;
    // Turns the listed backgrounds into a plane; what moves cells works on planes only.
    void spreadBackColors();
    quint8 paletteIndex(OleColor color);
    void setColour(CellBlocks<quint8> &plane, quint8 fallback, int row, int col, OleColor color);
    void compactPoolIfWasteful();
    void resizeRows(int rows);
    void resizeCols(int cols);
    // Calls op(plane, fill) for each held plane of one value per cell, or of the texts alone.
    template<typename Op>
    void forEachCellPlane(Op &&op);
    template<typename Op>
    void forEachTextPlane(Op &&op);
    // Every plane with `rows` rows, row r from old row oldRowOf(r), or empty where that is negative.
    template<typename OldRowOf>
    void remapRows(int rows, OldRowOf oldRowOf);
    // Counts the texts of the block as no longer pointed to.
    void forgetTexts(int row1, int col1, int row2, int col2);

    int m_rows = 0;
    int m_cols = 0;
    QString m_pool;
    QString m_edits;
    qsizetype m_wasted = 0; // characters of either pool no cell points to any more
    // Each cell's slice, row after row: its place and length, or for a long text kLongText and
    // the number of its slice in m_long. Slices of m_long no cell names any more stay until the
    // pools are compacted.
    CellBlocks<quint32> m_offsets;
    CellBlocks<quint8> m_lengths;
    QList<CellRef> m_long;
    // Not held, or one per cell: 1 for a field that was quoted in its file.
    CellBlocks<quint8> m_quoted;
    static constexpr quint8 kLongText = 0xFF;
    // Palette slots 0 and 1 are the defaults, so a fresh cell is (0, 1).
    static constexpr quint8 kDefaultBack = 0;
    static constexpr quint8 kDefaultFore = 1;

    // Palette slots of each cell's colours; not held while every cell has the default, as after a
    // read, so that a sheet nobody coloured costs nothing for them.
    CellBlocks<quint8> m_back;
    CellBlocks<quint8> m_fore;
    // While m_back is not held, the cells whose background was set, in reading order, with their
    // slots: a comparison colours a few cells, and an edit afterwards changes one of them without
    // copying the rest. A background on more than one cell in kListedShare turns the list into the
    // plane.
    struct ListedBack
    {
        quint32 at; // row * cols + col
        quint8 slot;
    };
    struct ListedBackAt
    {
        quint32 operator()(const ListedBack &listed) const
        {
            return listed.at;
        }
    };
    SortedChunks<ListedBack, ListedBackAt> m_listedBack;
    static constexpr qsizetype kListedShare = 8;
    QList<OleColor> m_palette;
    // Empty, or one per row: the low bits 0 for no line end of its own, else 1 + LineEnd; and
    // kFillerRowMark for a row inserted to line up.
    QList<quint8> m_lineEnds;
    static constexpr quint8 kLineEndMask = 0x0F;
    static constexpr quint8 kFillerRowMark = 0x80;
    // Empty, or one per column: non-zero for a column inserted to line up.
    QList<quint8> m_fillerCols;
};

// The background of a differing cell: light grey on a filler row or column, which only stands in
// for rows or columns the other sheet has, light red everywhere else.
[[nodiscard]] inline OleColor differingBackColor(const SheetData &data, int row, int col)
{
    return data.isFillerRow(row) || data.isFillerCol(col) ? kFillerBackColor : kDiffBackColor;
}
