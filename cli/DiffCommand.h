#pragma once

#include "CliArguments.h"
#include "CompareLoop.h"
#include "CompareResult.h"
#include "JsonShape.h"
#include "TextFolding.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// rowlark-diff FILE1 FILE2: reads FILE1 into sheet 1 and FILE2 into sheet 2 with the window's
// reader (both files at once, one per thread), runs the compare button's engine silently and
// prints its result.
//
// Text output: the result message as the window shows it (one or two lines), then one "ROW,COL"
// line per differing position of the common area, in row-major order, in the sheets' numbering
// (data row 1 is the file's first line). With --json:
//   {"differences": N, "sizesDiffer": true|false, "rows": [R0, R1], "cols": [C0, C1],
//    "cells": [[ROW, COL, "text 1", "text 2"], …]}
// where R and C count the header row and column too.
//
// Returns kExitOk when no position differs and the sizes are equal, kExitDifferent when something
// differs, kExitTrouble when a file was refused (its message on err, nothing on out) or the
// output could not be written. A file read only in part is compared, with its message on err.
[[nodiscard]] int runDiff(const CliArguments &arguments, QIODevice &out, QIODevice &err);

// The end both ways of comparing share, stored or while read: the listed lines, one envelope
// around them, one set of notes on standard error, one exit status.

// For each sheet, the file's row behind each row of the sheet after lining up (0: an inserted
// empty row); empty when the rows were not lined up.
using FileRows = std::array<std::vector<int>, 2>;

// rowlark-diff's line (or JSON cell) for each listed position as the comparison finds it: the
// differing ones, and with --list-equivalent those the comparison options made the same.
class ListedCells final : public CellListener
{
public:
    explicit ListedCells(const CliArguments &arguments);

    // The stored sheets' rows after lining up, known before the walk.
    void setFileRows(FileRows fileRows);
    // The files' columns behind each column (from 1) after the columns were lined up.
    void setFileCols(std::vector<FileColPair> fileCols);

    void differingCell(int row, int col, QStringView text0, QStringView text1) override;
    void equivalentCell(int row, int col, QStringView text0, QStringView text1) override;
    [[nodiscard]] bool wantsTexts() const override;
    void alignedRow(int fileRow0, int fileRow1) override;
    void alignedColumns(const std::vector<std::array<int, 2>> &columns) override;

    // The listed lines so far.
    [[nodiscard]] const QByteArray &lines();

private:
    void append(int row, int col, QStringView text0, QStringView text1, bool equivalent);
    [[nodiscard]] Q_ALWAYS_INLINE std::optional<FileRowPair> fileRowsAt(int row) const;
    [[nodiscard]] Q_ALWAYS_INLINE std::optional<FileColPair> fileColsAt(int col) const;

    bool m_json;
    bool m_withKinds;
    bool m_explain;
    bool m_listEquivalent;
    double m_tolerance;
    qint64 m_listed = 0;
    // Text lines are written straight into m_lines, which is kept larger than what they fill
    // (m_filled bytes) until lines() trims it: a comparison may list millions of positions.
    QByteArray m_lines;
    qsizetype m_filled = 0;
    FileRows m_fileRows;
    std::vector<FileColPair> m_fileCols; // index 0 unused; empty when the columns were not lined up
    bool m_streamAligned = false;
    FileRowPair m_streamRows{};
    TextFolding::FoldBuffers m_folding;
};

// What a comparison found, however its rows came.
struct DiffFindings
{
    CompareResult shapes; // rows, cols and sizesDiffer; the positions are not needed
    qint32 count = 0;
    qint32 equivalentCount = 0;
    std::array<bool, 2> complete{true, true};
};

// The output around the listed lines: the result message, or the JSON envelope.
[[nodiscard]] QByteArray diffOutput(const DiffFindings &findings, const QByteArray &lines,
                                    const CliArguments &arguments);
// Writes `output` whole; false after saying on err that it could not.
[[nodiscard]] bool writeDiffOutput(QIODevice &out, QIODevice &err, const QByteArray &output);
// Writes diffOutput(findings, lines, arguments) without making it up in one buffer first.
[[nodiscard]] bool writeDiffOutput(QIODevice &out, QIODevice &err, const DiffFindings &findings,
                                   const QByteArray &lines, const CliArguments &arguments);
// The notes on a file as read: read only in part, text that would not write back unchanged.
void writeFileNotes(QIODevice &err, const QString &path, bool complete, const QString &partialText, bool writesBack);
// The notes of a lining up: repeated keys (by key only), a match that may not be the longest.
void writeLineUpNotes(QIODevice &err, bool byKey, const std::array<int, 2> &repeatedKeyRows, bool longest);
// The exit status of a comparison whose output was written.
[[nodiscard]] int diffExitStatus(const DiffFindings &findings);
