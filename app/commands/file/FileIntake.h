#pragma once

#include "MMS_GRID_CSV_READ.h"

#include <QString>
#include <QStringList>

class AppState;
class Sheet;
class SheetFileReader;
class UserInterface;

// The read of an opened and counted file into a sheet of the window: the sheet's contents and
// file format are replaced with its drawing off, and its redraw setting is restored afterwards.
// The sheet passes through one row and one column on the way, as a grid cut down before it is
// filled: the selection ends on the header cell (0, 0), the sheet is scrolled to its first row
// and column, and the current cell lands on the first data cell when there is one. A read that
// throws leaves the previous file's cells in place. Anything but Complete is a partial read whose
// cells stay in the sheet.
[[nodiscard]] MMS_GRID_CSV_READ::ReadResult ReadIntoSheet(SheetFileReader &reader, Sheet &sheet);

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
