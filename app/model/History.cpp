#include "History.h"

#include <algorithm>

void History::touch(int sheet, bool sameForSave)
{
    Mark &mark = m_marks.at(std::size_t(sheet));
    mark.revision = m_next++;
    if (!sameForSave)
        mark.saveMark = m_next++;
}

void History::markSaved(int sheet)
{
    m_savedMarks.at(std::size_t(sheet)) = m_marks.at(std::size_t(sheet)).saveMark;
}

bool History::differsFromFile(int sheet) const
{
    return m_marks.at(std::size_t(sheet)).saveMark != m_savedMarks.at(std::size_t(sheet));
}

void History::clear(int sheet)
{
    const auto i = std::size_t(sheet);
    m_undo.at(i).clear();
    m_redo.at(i).clear();
    for (Stack *stack : {&m_undo[1 - i], &m_redo[1 - i]}) {
        for (Entry &entry : *stack)
            entry.bothSheets = false;
    }
}

void History::record(const QString &name, const Pair &before, std::array<bool, 2> changed,
                     std::array<bool, 2> sameForSave)
{
    if (!changed[0] && !changed[1])
        return;
    const std::uint64_t step = m_nextStep++;
    const bool both = changed[0] && changed[1];
    const std::array<Mark, 2> old = m_marks;
    const auto differences = std::make_shared<const DifferenceList>(before.differences);
    for (std::size_t i = 0; i < 2; ++i) {
        if (!changed[i])
            continue;
        m_undo[i].push_back(
            {step, name, both, before.sheets[i], old[i], before.sheets[1 - i], old[1 - i].revision, differences});
        clearRedo(int(i));
        m_marks[i].revision = m_next++;
        if (!sameForSave[i])
            m_marks[i].saveMark = m_next++;
    }
    dropOldest();
}

QString History::undoName(int sheet) const
{
    const Stack &stack = m_undo.at(std::size_t(sheet));
    return stack.empty() ? QString() : stack.back().name;
}

QString History::redoName(int sheet) const
{
    const Stack &stack = m_redo.at(std::size_t(sheet));
    return stack.empty() ? QString() : stack.back().name;
}

History::Move History::undo(int sheet, Pair &now)
{
    return move(sheet, now, m_undo, m_redo);
}

History::Move History::redo(int sheet, Pair &now)
{
    return move(sheet, now, m_redo, m_undo);
}

History::Entry History::entryFor(int sheet, const Entry &from, const Pair &now,
                                 const std::shared_ptr<const DifferenceList> &differences) const
{
    const auto i = std::size_t(sheet);
    return {from.step,  from.name,         from.bothSheets,         now.sheets[i],
            m_marks[i], now.sheets[1 - i], m_marks[1 - i].revision, differences};
}

void History::moveOne(int sheet, Pair &now, std::array<Stack, 2> &from, std::array<Stack, 2> &to, Move &result,
                      const std::shared_ptr<const DifferenceList> &differences)
{
    auto &sheets = now.sheets;
    const auto i = std::size_t(sheet);
    const auto j = 1 - i;
    Entry entry = std::move(from[i].back());
    from[i].pop_back();
    to[i].push_back(entryFor(sheet, entry, now,
                             differences ? differences : std::make_shared<const DifferenceList>(now.differences)));
    to[i].back().bothSheets = false;
    sheets[i] = std::move(entry.own);
    m_marks[i] = entry.ownMark;
    result.changed[i] = true;
    // The other sheet's colours were made against this sheet's state then: good while its texts are
    // the same as then, to be compared again otherwise.
    if (m_marks[j].revision == entry.otherRevision) {
        sheets[j] = std::move(entry.other);
        if (entry.differences)
            now.differences = *entry.differences;
        result.changed[j] = true;
    } else {
        result.needsComparison = true;
    }
}

History::Move History::move(int sheet, Pair &now, std::array<Stack, 2> &from, std::array<Stack, 2> &to)
{
    Move result;
    auto &sheets = now.sheets;
    const auto i = std::size_t(sheet);
    const auto j = 1 - i;
    if (from[i].empty())
        return result;
    // The marks as they are now go with the entries the move leaves for the way back.
    const auto differences = std::make_shared<const DifferenceList>(now.differences);
    Entry &top = from[i].back();
    if (top.bothSheets) {
        const std::uint64_t step = top.step;
        // This sheet as the person leaves it: the other sheet's steps below change its colours.
        const SheetData mineNow = sheets[i];
        // The other sheet's own steps since then go first, so that the pair moves as one.
        while (!from[j].empty() && from[j].back().step != step && !from[j].back().bothSheets)
            moveOne(int(j), now, from, to, result, nullptr);
        if (from[j].empty() || from[j].back().step != step) {
            top.bothSheets = false;
        } else {
            Entry mine = std::move(from[i].back());
            Entry theirs = std::move(from[j].back());
            from[i].pop_back();
            from[j].pop_back();
            to[i].push_back(entryFor(int(i), mine, now, differences));
            to[i].back().own = mineNow;
            to[j].push_back(entryFor(int(j), theirs, now, differences));
            sheets[i] = std::move(mine.own);
            sheets[j] = std::move(theirs.own);
            m_marks[i] = mine.ownMark;
            m_marks[j] = theirs.ownMark;
            if (mine.differences)
                now.differences = *mine.differences;
            result.changed = {true, true};
            // Both sheets are as they were, colours included.
            result.needsComparison = false;
            dropOldest();
            return result;
        }
    }
    moveOne(sheet, now, from, to, result, differences);
    dropOldest();
    return result;
}

void History::clearRedo(int sheet)
{
    const auto i = std::size_t(sheet);
    m_redo[i].clear();
    // A step of both sheets waiting on the other sheet, and everything after it there, has lost its
    // half on this one.
    Stack &other = m_redo[1 - i];
    const auto both = std::find_if(other.rbegin(), other.rend(), [](const Entry &e) { return e.bothSheets; });
    if (both != other.rend())
        other.erase(other.begin(), both.base());
}

std::int64_t History::bytesOf(const Entry &entry, const Entry *next)
{
    // The slices and colour planes are what a change makes the sheet copy, and only the blocks of
    // them it wrote; the text pools stay shared. A step's blocks shared with the step after it are
    // counted there; the last step counts all of its own, which it shares with the sheet itself.
    if (!next)
        return std::int64_t(entry.own.overheadBytes()) + std::int64_t(sizeof(Entry));
    return std::int64_t(entry.own.overheadBytesNotSharedWith(next->own))
        + std::int64_t(entry.other.overheadBytesNotSharedWith(next->other)) + std::int64_t(sizeof(Entry));
}

std::int64_t History::heldBytes() const
{
    std::int64_t bytes = 0;
    for (const auto *stacks : {&m_undo, &m_redo}) {
        for (const Stack &stack : *stacks) {
            for (std::size_t i = 0; i < stack.size(); ++i)
                bytes += bytesOf(stack[i], i + 1 < stack.size() ? &stack[i + 1] : nullptr);
        }
    }
    return bytes;
}

void History::dropOldest()
{
    while (heldBytes() > kMemoryLimit) {
        int sheet = -1;
        for (int i = 0; i < 2; ++i) {
            const Stack &stack = m_undo[std::size_t(i)];
            if (!stack.empty() && (sheet < 0 || stack.front().step < m_undo[std::size_t(sheet)].front().step))
                sheet = i;
        }
        if (sheet < 0)
            return;
        Stack &stack = m_undo[std::size_t(sheet)];
        const Entry oldest = stack.front();
        stack.erase(stack.begin());
        if (!oldest.bothSheets)
            continue;
        // Its half on the other sheet goes too, with what lies below it there.
        Stack &other = m_undo[std::size_t(1 - sheet)];
        const auto half
            = std::find_if(other.begin(), other.end(), [&](const Entry &e) { return e.step == oldest.step; });
        if (half != other.end())
            other.erase(other.begin(), half + 1);
    }
}
