#pragma once

#include "CompareResult.h"
#include "DumpCommand.h"

#include <QByteArray>
#include <QStringView>

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>

// The middle of rowlark-diff's JSON result, the same whether the files were compared while read
// or stored: `, "sizesDiffer": …, "rows": […], "cols": […], "complete": […], "cells": [`.
inline void appendJsonShape(QByteArray &buffer, const CompareResult &result, const std::array<bool, 2> &complete)
{
    buffer.append(", \"sizesDiffer\": ");
    buffer.append(result.sizesDiffer ? "true" : "false");
    buffer.append(", \"rows\": [");
    buffer.append(QByteArray::number(result.rows[0]));
    buffer.append(", ");
    buffer.append(QByteArray::number(result.rows[1]));
    buffer.append("], \"cols\": [");
    buffer.append(QByteArray::number(result.cols[0]));
    buffer.append(", ");
    buffer.append(QByteArray::number(result.cols[1]));
    buffer.append("], \"complete\": [");
    buffer.append(complete[0] ? "true" : "false");
    buffer.append(", ");
    buffer.append(complete[1] ? "true" : "false");
    buffer.append("], \"cells\": [");
}

// A number without a string of its own: a comparison may list millions of positions.
inline void appendNumber(QByteArray &buffer, int number)
{
    char digits[16];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
    buffer.append(digits, end.ptr - digits);
}

// The rows of both files behind a lined-up position; 0 for an empty row lining up put in, which
// is written as `none`.
using FileRowPair = std::array<int, 2>;

inline void appendFileRows(QByteArray &buffer, const FileRowPair &rows, const char *none, const char *between)
{
    for (size_t i = 0; i < 2; ++i) {
        if (i > 0)
            buffer.append(between);
        if (rows[i] > 0)
            appendNumber(buffer, rows[i]);
        else
            buffer.append(none);
    }
}

// The columns of both files behind a position once the columns are lined up; 0 for a filler
// column, written as the same `none` as a row.
using FileColPair = std::array<int, 2>;

// The most bytes appendTextPosition writes for one position.
constexpr qsizetype kTextPositionMaxBytes = 8 * 11 + 16;

// One listed position of the text output:
// `ROW,COL[,FILEROW1,FILEROW2][,FILECOL1,FILECOL2][,equivalent]` and its line end, written at `at`
// (room for kTextPositionMaxBytes); returns the end of what it wrote.
inline char *writeTextPosition(char *at, int row, int col, const std::optional<FileRowPair> &fileRows, bool equivalent,
                               const std::optional<FileColPair> &fileCols = std::nullopt)
{
    constexpr int kIntChars = 11; // "-2147483648"
    const auto number = [&](int value) { at = std::to_chars(at, at + kIntChars, value).ptr; };
    const auto pair = [&](const std::array<int, 2> &values) {
        for (size_t i = 0; i < 2; ++i) {
            *at++ = ',';
            if (values[i] > 0)
                number(values[i]);
        }
    };
    number(row);
    *at++ = ',';
    number(col);
    if (fileRows)
        pair(*fileRows);
    if (fileCols)
        pair(*fileCols);
    if (equivalent) {
        constexpr std::string_view kEquivalent = ",equivalent";
        at = std::copy(kEquivalent.begin(), kEquivalent.end(), at);
    }
    *at++ = '\n';
    return at;
}

// One listed cell of the JSON output up to its last element: `[ROW, COL, "text 1", "text 2"` and,
// lined up, `, [FILEROW1, FILEROW2]`, and with the columns lined up `, [FILECOL1, FILECOL2]`; the
// caller adds the kind and explanation, and `]`.
inline void appendJsonCellStart(QByteArray &buffer, bool first, int row, int col, QStringView text0, QStringView text1,
                                const std::optional<FileRowPair> &fileRows,
                                const std::optional<FileColPair> &fileCols = std::nullopt)
{
    buffer.append(first ? "\n[" : ",\n[");
    appendNumber(buffer, row);
    buffer.append(", ");
    appendNumber(buffer, col);
    buffer.append(", ");
    appendJsonString(buffer, text0);
    buffer.append(", ");
    appendJsonString(buffer, text1);
    if (fileRows) {
        buffer.append(", [");
        appendFileRows(buffer, *fileRows, "null", ", ");
        buffer.append(']');
    }
    if (fileCols) {
        buffer.append(", [");
        appendFileRows(buffer, *fileCols, "null", ", ");
        buffer.append(']');
    }
}
