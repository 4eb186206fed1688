#pragma once

#include "CompareOptions.h"
#include "SheetFileFormat.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// Exit statuses of rowlark-diff.
inline constexpr int kExitOk = 0; // read (and compared): no difference
inline constexpr int kExitDifferent = 1; // compared: a position differs, or the sizes differ
// a file was refused, the command line was wrong, or the output could not be written whole
inline constexpr int kExitTrouble = 2;
inline constexpr int kExitIncomplete = 3; // compared (or dumped), but a file was read only in part

// What the command line asks for.
struct CliArguments
{
    enum class Command { Help, Dump, Diff };

    Command command = Command::Help;
    int delimiterMode = 0; // 0: comma mode; otherwise split at delimiter
    QString delimiter; // the --delimiter character; "," in the comma mode
    bool json = false; // the comparison's result as JSON instead of text
    // Line up rows before comparing: rows equal in every column, or with --key, rows of equal keys.
    bool align = false;
    // Line up the columns by their headings first (--align-columns).
    bool alignColumns = false;
    // --key LIST: the key columns (data columns from 1, ascending) that rows are lined up by;
    // --header keeps row 1 out of it, facing row 1; --sort sorts both sheets by them first.
    std::vector<int> keyColumns;
    bool header = false;
    bool sort = false;
    bool explain = false; // with json: each listed cell's character spans and the rule that makes it equal
    // --report FILE: the difference report to write as well, its format from the suffix; "-" writes
    // the CSV report to standard output instead of the result.
    QString report;
    // --no-limit: files of any number of rows and columns are compared whole (while they are read);
    // without it the window's limits apply.
    bool noLimit = false;
    // What counts as the same: a flag for each comparison option (--fold-width, --numeric[=TOLERANCE],
    // --skip-columns LIST, …; CompareOptionTable.h).
    CompareOptions compareOptions;
    bool listEquivalent = false; // also list the positions the options make the same
    // --encoding NAME, --encoding1 NAME, --encoding2 NAME: the encoding each file is read in;
    // nothing (auto) tells it from the file's bytes.
    std::array<std::optional<TextEncoding>, 2> encodings;
    // --sheet NAME|N (both files), --sheet1, --sheet2: the worksheet read from a workbook, by
    // name or by number from 1; empty: the first visible one.
    std::array<QString, 2> sheets;
    QStringList files;
};

struct ParsedArguments
{
    std::optional<CliArguments> arguments;
    QString error; // why the command line was refused, in the user's words
};

// Parses the arguments after the program name:
//   [--delimiter C] [--json [--explain]] [--align | --key LIST [--header] [--sort]] [--report FILE]
//   [comparison options]
//   [--list-equivalent] FILE1 FILE2
//                                          compare FILE1 (sheet 1) with FILE2 (sheet 2)
//   --dump [--delimiter C] FILE            read FILE as the window would and print its sheet as JSON
//   --help
// --delimiter C (or --delimiter=C) selects the delimiter mode with the one character C; without it
// files are read in the comma mode. "--" ends the options.
[[nodiscard]] ParsedArguments parseArguments(const QStringList &arguments);

// The usage text printed for --help and after a refused command line.
[[nodiscard]] QString usageText();

// The refusal of a key column that neither file has.
[[nodiscard]] QString noKeyColumnText(int column);
