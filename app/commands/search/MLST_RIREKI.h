#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The history lists of the search dialog: the texts searched for and the replacement texts used
// before, newest first. The saved histories (AppState::SearchHistory, ReplaceHistory) hold five
// slots each, an empty slot being free; a dialog's list holds at most five entries.
namespace MLST_RIREKI
{

inline constexpr int kHistorySize = 5;

using History = std::array<QString, kHistorySize>;

// The list after `text` was used: `text` first, an older entry equal to it (compared exactly, case
// included) removed, the other entries behind it in their order, the oldest dropped beyond five.
// An empty text is an entry like any other.
[[nodiscard]] QStringList AddHistoryEntry(const QStringList &list, const QString &text);

// A dialog's list as it loads: the slots that are not empty, in slot order, without gaps.
[[nodiscard]] QStringList listFromHistory(const History &history);

// A dialog's list as it unloads: its first five entries go into the first slots; slots beyond the
// list's length keep what they held.
void storeHistory(const QStringList &list, History &history);

} // namespace MLST_RIREKI
