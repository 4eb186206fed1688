#pragma once

#include "StreamCompare.h"

// The exact comparison in step of two UTF-8 files whose rows are all single lines (through a
// column map, with the columns lined up by the headings of row 1), reading each file once: large
// files in two halves, each core reading both files' bytes of its half, while the bytes are
// scanned for what the column passes would have found first. The positions are held until both
// files were read; they are told only when the scans show that the lines were rows as the reader
// reads them (UTF-8, no quote in the comma mode, the line rule the first bytes told, within the
// sheet's limits), with those past the common area's columns left out.
//
// Nothing, with the listener told nothing, where the files need more (comparison options, lining
// up, another encoding, quotes, the limits reached, a file that changed): compareFileStreams'
// passes then compare them as before.
[[nodiscard]] std::optional<StreamComparison> compareInOnePass(const std::array<QString, 2> &files,
                                                               const DelimitedFormat &delimited,
                                                               const StreamOptions &options, CellListener &listener);
