#pragma once

#include "DifferenceList.h"
#include "SheetData.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The undo and redo history of the two sheets. Each sheet has its own pair of stacks; a step that
// changed both sheets lies on both, under one number, and is only ever undone or redone on both
// together. A step holds whole SheetData values (texts and colours), which share their storage with
// the sheet until one side is written: a step costs what the command changed, not a copy.
//
// Every state of a sheet's texts has a revision, fresh for each change, and a save mark, which a
// change that a save would write out the same keeps (rows added only to line the sheets up). The
// sheet holds changes its file does not exactly while its save mark differs from the one it was
// loaded or saved with.
class History
{
public:
    // What one sheet's state is known by.
    struct Mark
    {
        std::uint64_t revision = 0;
        std::uint64_t saveMark = 0;
    };
    // The sheets as one of the stacks keeps them: the state to go back (or forward) to.
    struct Entry
    {
        std::uint64_t step = 0;
        QString name;
        bool bothSheets = false;
        SheetData own;
        Mark ownMark;
        // The other sheet as it was then, for its colours; they are only put back while its texts
        // are still at otherRevision.
        SheetData other;
        std::uint64_t otherRevision = 0;
        // The marks of the pair then, which go with the colours.
        std::shared_ptr<const DifferenceList> differences;
    };
    // Both sheets and the marks of their comparison, as a step finds or leaves them.
    struct Pair
    {
        std::array<SheetData, 2> sheets;
        DifferenceList differences;
    };
    // What undo() and redo() did: the sheets they replaced, and whether the colours of the pair
    // could not be put back and must be compared again.
    struct Move
    {
        std::array<bool, 2> changed{false, false};
        bool needsComparison = false;
        [[nodiscard]] bool any() const
        {
            return changed[0] || changed[1];
        }
    };

    // Steps are dropped from the oldest on once all of them hold more than this, without a word.
    static constexpr std::int64_t kMemoryLimit = std::int64_t(1) << 30;

    [[nodiscard]] Mark mark(int sheet) const
    {
        return m_marks.at(std::size_t(sheet));
    }
    // A change that no step records (undo switched off, a load): a fresh state for `sheet`, which
    // keeps its save mark when a save would write it out as before.
    void touch(int sheet, bool sameForSave = false);
    // The sheet is at its file: loaded or saved.
    void markSaved(int sheet);
    [[nodiscard]] bool differsFromFile(int sheet) const;
    // Forgets the steps of `sheet` (a load replaces it); a step it shared with the other sheet
    // stays there as that sheet's own.
    void clear(int sheet);

    // Records a step that changed the sheets marked in `changed`, whose texts and colours were
    // `before` just before it. The current marks move to fresh revisions; a sheet whose texts a save
    // would write out as before (`sameForSave`) keeps its save mark. Clears the redo steps of the
    // sheets it changed.
    void record(const QString &name, const Pair &before, std::array<bool, 2> changed,
                std::array<bool, 2> sameForSave = {false, false});

    [[nodiscard]] bool canUndo(int sheet) const
    {
        return !m_undo.at(std::size_t(sheet)).empty();
    }
    [[nodiscard]] bool canRedo(int sheet) const
    {
        return !m_redo.at(std::size_t(sheet)).empty();
    }
    // The name of the step undo() or redo() would take next; empty for none.
    [[nodiscard]] QString undoName(int sheet) const;
    [[nodiscard]] QString redoName(int sheet) const;
    [[nodiscard]] std::size_t undoCount(int sheet) const
    {
        return m_undo.at(std::size_t(sheet)).size();
    }

    // Takes back the last step of `sheet`, given the sheets as they are now; a step of both sheets
    // first takes back the other sheet's own later steps. The sheets to be set are written into
    // `now`.
    Move undo(int sheet, Pair &now);
    Move redo(int sheet, Pair &now);

    // What the steps hold, as estimated for the memory limit.
    [[nodiscard]] std::int64_t heldBytes() const;

private:
    using Stack = std::vector<Entry>;
    Move move(int sheet, Pair &now, std::array<Stack, 2> &from, std::array<Stack, 2> &to);
    void moveOne(int sheet, Pair &now, std::array<Stack, 2> &from, std::array<Stack, 2> &to, Move &result,
                 const std::shared_ptr<const DifferenceList> &differences);
    Entry entryFor(int sheet, const Entry &from, const Pair &now,
                   const std::shared_ptr<const DifferenceList> &differences) const;
    void clearRedo(int sheet);
    void dropOldest();
    static std::int64_t bytesOf(const Entry &entry, const Entry *next);

    std::array<Stack, 2> m_undo;
    std::array<Stack, 2> m_redo;
    std::array<Mark, 2> m_marks{};
    std::array<std::uint64_t, 2> m_savedMarks{0, 0};
    std::uint64_t m_next = 1;
    std::uint64_t m_nextStep = 1;
};
