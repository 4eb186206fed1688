#pragma once

#include "CliArguments.h"
#include "SheetData.h"
#include "SheetFileReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QStringView>

// The name a dump gives an encoding: the one the window and the reports show ("UTF-8（BOM付き）", …).
[[nodiscard]] QByteArray encodingName(TextEncoding encoding);

// Appends text as a JSON string literal in UTF-8, quotes included.
void appendJsonString(QByteArray &out, QStringView text);

// Writes a message meant for a message box as lines on a terminal: CR LF becomes LF, and a line
// end follows.
void writeMessageLines(QIODevice &err, const QString &text);

// Writes bytes to out whole, through any buffer out keeps, so that nothing is left to fail
// unseen when the program ends. False when out took less: a full disk, a file-size limit.
[[nodiscard]] bool writeOutput(QIODevice &out, const QByteArray &bytes);

// The message for output that could not be written whole.
[[nodiscard]] QString outputFailedText();

// The message for a refused file, as the window words it, except where the window's text sends the
// person to its menus: the companion says which option to pass instead.
[[nodiscard]] QString refusalText(LoadRefusal refusal, UnreadableReason reason = UnreadableReason::Unknown,
                                  const QString &path = {});

// Writes a read sheet as one JSON object:
// {"rows": R, "cols": C, "complete": true|false, "encoding": "…", "cells": [[row 0…], …]},
// header row and column included, one row per line. Stops at the first write out does not take
// whole and returns false.
[[nodiscard]] bool writeSheetJson(QIODevice &out, const SheetData &data, bool complete, TextEncoding encoding);

// rowlark-diff --dump: reads the file with the window's reader and prints its sheet. Returns the
// exit status: kExitOk when the file was read whole, kExitIncomplete when only in part (its message
// on err, and "complete": false in the JSON), kExitTrouble when it was refused or its JSON could not
// be written whole (the message on err).
[[nodiscard]] int runDump(const CliArguments &arguments, QIODevice &out, QIODevice &err);
