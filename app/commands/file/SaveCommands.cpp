#include "SaveCommands.h"

#include "AppState.h"
#include "CommandTable.h"
#include "FormatNames.h"
#include "SheetFileWriter.h"
#include "UnencodableCell.h"
#include "UserInterface.h"
#include "WorkbookIntake.h"

#include <QDir>
#include <QFileInfo>

#include <array>

using namespace Qt::StringLiterals;

namespace
{
const QString kSaveFailedText = u"保存に失敗しました"_s;
const QString kNoTemporaryFileText = u"保存先のフォルダーに一時ファイルを作成できませんでした。"_s;
const QString kKeptFileText = u"新しい内容は %1 に残してあります。"_s;
const QString kSavedText = u"保存しました"_s;
const QString kFillerRowsLeftOutText = u"行を揃えるために入れた空行 %1 行は保存していません。"_s;
const QString kFillerColsLeftOutText = u"列を揃えるために入れた空列 %1 列は保存していません。"_s;
const QString kReportTitle = u"報告"_s;
const QString kWorkbookNotOverwrittenText = u"ブックには上書きできません。CSV ファイルとして保存します。"_s;
const QString kChangedOnDiskText
    = u"ファイル（%1）は読み込んだ後にほかのプログラムで変更されています。上書きしますか？"_s;
const QString kNotEncodableText = u"%1 で保存できない文字があります"_s;
const QString kSaveAsUtf8BomCaption = u"UTF-8（BOM付き）で保存"_s;
const QString kCancelCaption = u"キャンセル"_s;
const QString kSaveDialogTitle = u"保存ﾌｧｲﾙを指定してください。"_s;
// QFileDialog filters: the description, then the patterns in parentheses. The CSV entry names
// both spellings of the extension, as file systems here tell them apart.
const QString kCsvFilter = u"CSVファイル    (*.CSV *.csv)"_s;
const QString kAllFilesFilter = u"全てのファイル  (*.*)"_s;
// The filters after these two save in another encoding than the file's own: a person converts a
// file for a program that wants another one.
const QString kEncodingFilter = u"CSVファイル（%1）  (*.CSV *.csv)"_s;
constexpr std::array kSaveAsEncodings{TextEncoding::Utf8Bom, TextEncoding::Utf8, TextEncoding::ShiftJis,
                                      TextEncoding::EucJp, TextEncoding::Utf16LeBom};
constexpr qsizetype kFirstEncodingFilter = 2;
// Names are case-sensitive here, and lower case is what other programs write and look for.
const QString kDefaultSuffix = u"csv"_s;

bool validIndex(int index)
{
    return index == 0 || index == 1;
}

// The folder the save dialog opens in: the part of the file name before its last separator.
QString initialFolder(const QString &fileName)
{
    if (fileName.isEmpty())
        return QDir::homePath();
    const QString name = QDir::fromNativeSeparators(fileName);
    const qsizetype slash = name.lastIndexOf(u'/');
    if (slash < 0)
        return QFileInfo(name).absolutePath(); // a bare name from the command line
    if (slash == 0)
        return u"/"_s;
    return name.left(slash);
}

// A second line for the failure message when the sheet holds a character its file's encoding
// cannot hold, naming the first one so that the person can change it; empty otherwise.
QString unencodableNote(const Sheet &grid, const DelimitedFormat &delimited)
{
    try {
        if (const std::optional<UnencodableCell> where
            = FindUnencodableCell(grid.data(), grid.fileFormat().encoding, 1, 1, delimited))
            return u"\r\n"_s + unencodableCellText(*where);
    } catch (const std::exception &) {
        // out of memory: the message without the note
    }
    return {};
}

// A Shift_JIS sheet holding a character code page 932 lacks can still be saved: in UTF-8 with a
// byte order mark, which holds every character, if the person agrees. From then on the sheet's
// file is UTF-8.
enum class Utf8Offer { NotOffered, Cancelled, Accepted };

Utf8Offer offerUtf8(Sheet &grid, UserInterface &ui, const DelimitedFormat &delimited)
{
    if (grid.fileFormat().encoding != TextEncoding::ShiftJis)
        return Utf8Offer::NotOffered;
    std::optional<UnencodableCell> where;
    try {
        where = FindUnencodableCell(grid.data(), grid.fileFormat().encoding, 1, 1, delimited);
    } catch (const std::exception &) {
        return Utf8Offer::NotOffered; // out of memory: reported as a failed save
    }
    if (!where)
        return Utf8Offer::NotOffered;
    Question question;
    question.text = kSaveFailedText + u"\r\n"_s + kNotEncodableText.arg(encodingDisplayName(TextEncoding::ShiftJis))
        + u"\r\n"_s + unencodableCellText(*where);
    question.title = kReportTitle;
    question.icon = MessageIcon::Exclamation;
    question.buttons = {{Answer::SaveAsUtf8Bom, kSaveAsUtf8BomCaption}, {Answer::Cancel, kCancelCaption}};
    if (ui.askQuestion(question) != Answer::SaveAsUtf8Bom)
        return Utf8Offer::Cancelled;
    SheetFileFormat format = grid.fileFormat();
    format.encoding = TextEncoding::Utf8Bom;
    grid.setFileFormat(format);
    return Utf8Offer::Accepted;
}
} // namespace

SaveDialogRequest saveDialogRequest(const AppState &state, int index)
{
    SaveDialogRequest request;
    request.title = kSaveDialogTitle;
    request.filters = {kCsvFilter, kAllFilesFilter};
    for (const TextEncoding encoding : kSaveAsEncodings)
        request.filters.append(kEncodingFilter.arg(encodingDisplayName(encoding)));
    request.defaultSuffix = kDefaultSuffix;
    request.initialFolder = initialFolder(state.SheetFileName.at(index));
    // The dialog offers the file's own name, so that 保存 writes over it unless the person changes it.
    if (const QString &sheet = state.SheetWorkbookSheet.at(index); !sheet.isEmpty())
        request.fileName = workbookCsvName(state.SheetFileName.at(index), sheet);
    else if (!state.SheetFileName.at(index).isEmpty())
        request.fileName = QFileInfo(QDir::fromNativeSeparators(state.SheetFileName.at(index))).fileName();
    return request;
}

bool SaveSheet(AppState &state, UserInterface &ui, int index, const QString &path)
{
    if (!validIndex(index))
        return false;
    const DelimitedFormat delimited(state.DelimiterMode, state.UserDelimiter,
                                    state.mnuDobleChecked ? Quoting::All : Quoting::AsNeeded);

    bool ok = false;
    SafeFileWriter::Outcome outcome = SafeFileWriter::Outcome::Failed;
    QString keptFile;
    QString reason;
    const auto write = [&] {
        try {
            const Sheet &grid = state.grdData(index);
            ok = WriteSheetFile(grid.data(), grid.fileFormat(), 1, 1, path, delimited, &outcome, &keptFile, &reason);
        } catch (const std::exception &) {
            ok = false; // out of memory for a huge sheet: reported like any failed save
        }
    };
    if (!path.isEmpty())
        write();
    bool triedUtf8 = false;
    if (!ok && !path.isEmpty() && outcome == SafeFileWriter::Outcome::Failed) {
        Sheet &grid = state.grdData(index);
        const SheetFileFormat format = grid.fileFormat();
        switch (offerUtf8(grid, ui, delimited)) {
        case Utf8Offer::NotOffered:
            break;
        case Utf8Offer::Cancelled:
            return false; // the question said why the save failed
        case Utf8Offer::Accepted:
            triedUtf8 = true;
            write();
            if (!ok)
                grid.setFileFormat(format); // the file is still what it was
            break;
        }
    }
    if (!ok) {
        // The file is replaced through a new file beside it; a folder that takes none fails a
        // save the file's own permissions would allow, so the person is told where to look.
        QString text = kSaveFailedText;
        if (!reason.isEmpty())
            text += u"\r\n"_s + reason;
        else if (outcome == SafeFileWriter::Outcome::NoTemporaryFile)
            text += u"\r\n"_s + kNoTemporaryFileText;
        else if (outcome == SafeFileWriter::Outcome::CopyFailed)
            text += u"\r\n"_s + kKeptFileText.arg(keptFile);
        else if (!path.isEmpty() && !triedUtf8)
            text += unencodableNote(state.grdData(index), delimited);
        ui.showMessage(text, kReportTitle, MessageIcon::Exclamation);
        return false;
    }

    state.SheetFileName[index] = path;
    state.recentFiles.add(index, path);
    // The sheet's file is now the text file just written, whatever the sheet was read from.
    state.SheetWorkbookSheet[index].clear();
    state.SheetFileIdentity[index] = fileIdentityOf(path);
    // The file just written holds all the sheet holds.
    state.PartialReadFrom[index] = 0;
    state.sheetSaved(index);
    DropPanel &panel = state.PicFile[index];
    panel.showFileName(state.sheetStripText(index));
    QString saved = kSavedText + u"\r\n"_s + path;
    if (const int leftOut = FillerRowsLeftOut(state.grdData(index).data(), 1, 1); leftOut > 0)
        saved += u"\r\n"_s + kFillerRowsLeftOutText.arg(leftOut);
    if (const int leftOut = FillerColsLeftOut(state.grdData(index).data(), 1, 1); leftOut > 0)
        saved += u"\r\n"_s + kFillerColsLeftOutText.arg(leftOut);
    ui.showMessage(saved, kReportTitle, MessageIcon::Information);
    return true;
}

void cmdSave_Click(AppState &state, UserInterface &ui, int index)
{
    if (!commandMayRun(state, Command::Save) || !validIndex(index))
        return;
    // The button is disabled then; a partly read sheet must never reach its source file.
    if (state.fraTool[index].overwriteWithdrawn)
        return;
    // A sheet read from a workbook is never written over the book: it becomes a CSV file beside it.
    if (!state.SheetWorkbookSheet[index].isEmpty()) {
        ui.showMessage(kWorkbookNotOverwrittenText, kReportTitle, MessageIcon::Information);
        cmdName_Click(state, ui, index);
        return;
    }
    // Another program may have replaced, emptied or deleted the file since: its content is not
    // overwritten unasked.
    const QString &path = state.SheetFileName[index];
    const std::optional<FileIdentity> &known = state.SheetFileIdentity[index];
    if (known && fileIdentityOf(path) != known
        && ui.askQuestion(Question::yesNo(kChangedOnDiskText.arg(path), kReportTitle, MessageIcon::Exclamation))
            != Answer::Yes)
        return;
    SaveSheet(state, ui, index, state.SheetFileName[index]);
}

void cmdName_Click(AppState &state, UserInterface &ui, int index)
{
    if (!commandMayRun(state, Command::Name) || !validIndex(index))
        return;
    const SaveDialogAnswer answer = ui.askSaveFileNameAndFilter(saveDialogRequest(state, index));
    if (answer.path.isEmpty())
        return;
    // Saved in another encoding, the sheet's file is in that one from now on; a save that fails
    // leaves the sheet's file as it was.
    Sheet &grid = state.grdData(index);
    const SheetFileFormat format = grid.fileFormat();
    const qsizetype chosen = answer.filter - kFirstEncodingFilter;
    if (chosen >= 0 && chosen < qsizetype(kSaveAsEncodings.size())) {
        SheetFileFormat converted = format;
        converted.encoding = kSaveAsEncodings[size_t(chosen)];
        grid.setFileFormat(converted);
    }
    if (SaveSheet(state, ui, index, answer.path))
        state.fraTool[index].overwriteWithdrawn = false;
    else
        grid.setFileFormat(format);
}
