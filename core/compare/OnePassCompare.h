#pragma once

#include "StreamCompare.h"

// The exact comparison in step of two UTF-8 files whose rows are all single lines, reading each
// file once: the second file is read on a core of its own a few pieces ahead, and the lines are
// compared as the pieces come, while the bytes are scanned for what the column passes would have
// found first. The positions are held until both files were read; they are told only when the
// scans show that the lines were rows as the reader reads them (UTF-8, no quote in the comma
// mode, the line rule the first piece told, within the sheet's limits), with those past the
// common area's columns left out.
//
// Nothing, with the listener told nothing, where the files need more (comparison options, lining
// up, another encoding, quotes, the limits reached, a file that changed): compareFileStreams'
// passes then compare them as before.
[[nodiscard]] std::optional<StreamComparison> compareInOnePass(const std::array<QString, 2> &files,
                                                               const DelimitedFormat &delimited,
                                                               const StreamOptions &options, CellListener &listener);
