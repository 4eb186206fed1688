#include "StreamDiff.h"

#include "ColumnAlignment.h"
#include "DiffCommand.h"
#include "DumpCommand.h"
#include "KeyAlignment.h"
#include "RowAlignment.h"
#include "SheetFileReader.h"
#include "WorkbookReader.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kChangedWhileReadText = u"ファイル（%1）が読み込み中に変更されました"_s;
} // namespace

std::optional<int> runStreamDiff(const CliArguments &arguments, QIODevice &out, QIODevice &err,
                                 const StreamOptions &options)
{
    // Reports, explanations and sorting look at whole sheets.
    if (arguments.command != CliArguments::Command::Diff || arguments.explain || !arguments.report.isEmpty()
        || arguments.sort || arguments.files.size() != 2)
        return std::nullopt;
    // A chosen encoding is the stored reader's, which decodes any file in it; a workbook's sheet is
    // read whole, and the stored path compares it, past the limits too.
    if (arguments.encodings[0] || arguments.encodings[1] || workbookKind(arguments.files[0]) != WorkbookKind::None
        || workbookKind(arguments.files[1]) != WorkbookKind::None)
        return std::nullopt;
    StreamOptions streamOptions = options;
    streamOptions.sheetLimits = streamOptions.sheetLimits && !arguments.noLimit;
    streamOptions.align = arguments.align;
    streamOptions.alignColumns = arguments.alignColumns;
    streamOptions.keys = {arguments.keyColumns, arguments.header};
    streamOptions.compare = arguments.compareOptions;
    ListedCells lines(arguments);
    const std::array<QString, 2> files{arguments.files[0], arguments.files[1]};
    const std::optional<StreamComparison> comparison
        = compareFileStreams(files, {arguments.delimiterMode, arguments.delimiter}, streamOptions, lines);
    if (!comparison)
        return std::nullopt;
    if (comparison->changed[0] || comparison->changed[1]) {
        for (size_t i = 0; i < 2; ++i) {
            if (comparison->changed[i])
                writeMessageLines(err, kChangedWhileReadText.arg(files[i]));
        }
        return kExitTrouble;
    }

    for (size_t i = 0; i < 2; ++i) {
        const bool complete = comparison->complete[i];
        writeFileNotes(err, files[i], complete,
                       complete ? QString()
                                : partialReadMessage(comparison->firstRowNotRead[i], comparison->columns[i]).text,
                       comparison->writesBack[i]);
    }
    if (arguments.alignColumns && !headingsMostlyShared(comparison->columnAlignment))
        writeMessageLines(err, fewHeadingsSharedText(comparison->columnAlignment.matchedCols()));
    const CompareResult &result = comparison->result;
    if (!arguments.keyColumns.empty() && arguments.keyColumns.back() >= std::max(result.cols[0], result.cols[1])) {
        writeMessageLines(err, noKeyColumnText(arguments.keyColumns.back()));
        return kExitTrouble;
    }
    if (comparison->alignTooLong) {
        writeMessageLines(err, alignTooLongText());
        return kExitTrouble;
    }
    writeLineUpNotes(err, !arguments.keyColumns.empty(), comparison->repeatedKeyRows, comparison->longestLineUp);
    const DiffFindings findings{result, comparison->count, comparison->equivalentCount, comparison->complete};
    if (!writeDiffOutput(out, err, findings, lines.lines(), arguments))
        return kExitTrouble;
    return diffExitStatus(findings);
}
