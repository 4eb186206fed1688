#pragma once

#include "CliArguments.h"

#include <QIODevice>

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
