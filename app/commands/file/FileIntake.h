#pragma once

#include <QString>
#include <QStringList>

class AppState;
class UserInterface;

// Loads one file into sheet `index` (0 or 1): checks it (length, delimiter setting, readability),
// names it on the drop panel, counts its columns, yields once so that the panel is painted,
// reads it and shows the sheet and its tool frame. Every refusal is reported in a message box.
//
// A refusal before the read leaves the sheet, its file name and its overwrite-save as they were.
// A read that stopped early, or text that could not be written back unchanged, shows what was
// read and withdraws the overwrite-save, so that the source file is never replaced by less than
// it held; save-as still works.
void LoadSheetFile(AppState &state, UserInterface &ui, int index, const QString &path);

// What a drag over a drop panel may do: the panels take files by copying them, nothing else.
enum class DropEffect { None, Copy };

// The drag feedback of drop panel PicFile(i): copy for a list of local files when the drag offers
// copying, none for anything else; the offered effect unchanged while a comparison runs.
[[nodiscard]] DropEffect PicFile_OLEDragOver(const AppState &state, bool hasLocalFiles, DropEffect offered);

// A drop on PicFile(index): every local file of the list, in order, resolved (shortcut files to
// the file they name) and loaded into sheet `index`, so the last one stays. `localFiles` holds
// the local paths of the drop's URLs; an empty list (text, remote URLs) is ignored. Unsaved
// changes of the sheet are asked about first, and a cancel drops nothing. Nothing happens while
// a comparison runs.
void PicFile_OLEDragDrop(AppState &state, UserInterface &ui, int index, const QStringList &localFiles);

// The start timer's single tick: the whole command line, unsplit, as one path into sheet 1, then
// the display mode "sheet 1 alone" and the layout for it.
void tmrMain_Timer(AppState &state, UserInterface &ui, const QString &commandLine);
