#pragma once

#include <QString>

namespace MDROP_GET
{

// Status of a dropped entry; 1 and above are loaded.
inline constexpr int kNotShortcut = 4; // the name is the dropped path
inline constexpr int kShortcutWithExtra = 3; // shortcut resolved, with the extra line appended
inline constexpr int kShortcutResolved = 1; // shortcut resolved to a drive path
inline constexpr int kNoDrivePath = 0; // shortcut without a line naming a drive path
inline constexpr int kRefused = -1; // a network path, or a drive path the scan could not confirm

struct DroppedFile
{
    int status = kNoDrivePath;
    QString name;
};

// Turns one entry of a dropped file list into the path to load. An entry whose name ends in
// ".lnk" (exact case, no earlier ".lnk") is a shortcut: its text is scanned line by line for a
// drive path ("X:\…"); a line naming a network path ("\\…") refuses the entry. A shortcut that
// is no regular file or cannot be opened is not loaded (status 0); one whose text ends while the
// scan still expects lines ends the scan with what was found so far.
[[nodiscard]] DroppedFile ResolveDroppedFile(const QString &item);

} // namespace MDROP_GET
