#pragma once

#include "CliArguments.h"
#include "StreamCompare.h"

#include <QIODevice>

#include <optional>

// rowlark-diff's comparison from the stream, with runDiff's output and exit status. Nothing when
// the arguments or the files need the stored sheets: runDiff then goes on as it would.
[[nodiscard]] std::optional<int> runStreamDiff(const CliArguments &arguments, QIODevice &out, QIODevice &err,
                                               const StreamOptions &options = {});
