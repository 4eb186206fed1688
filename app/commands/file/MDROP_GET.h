#pragma once

#include <QString>

namespace MDROP_GET
{

// What became of a dropped entry.
enum class DropStatus {
    NotShortcut, // the name is the dropped path
    ShortcutWithExtra, // shortcut resolved, with the extra line appended
    ShortcutResolved, // shortcut resolved to a drive path
    NoDrivePath, // shortcut without a line naming a drive path
    Refused, // a network path, or a drive path the scan could not confirm
};

struct DroppedFile
{
    DropStatus status = DropStatus::NoDrivePath;
    QString name;

    // Whether `name` is a file to load.
    [[nodiscard]] bool loads() const;
};

// Turns one entry of a dropped file list into the path to load. An entry whose name ends in
// ".lnk" (exact case, no earlier ".lnk") is a shortcut: its text is scanned line by line for a
// drive path ("X:\…"); a line naming a network path ("\\…") refuses the entry. A shortcut that
// is no regular file or cannot be opened is not loaded (NoDrivePath); one whose text ends while the
// scan still expects lines ends the scan with what was found so far.
[[nodiscard]] DroppedFile ResolveDroppedFile(const QString &item);

} // namespace MDROP_GET
