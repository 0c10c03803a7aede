// Both scans over a text in ranges: the sizing scan of every range at once,
// the merge in file order, the outputs made by the caller, and the fill of
// every range at once, each range writing its own places of every column.
// Everything observable is what one scan in file order gives: the label
// order, the first fault of the file with its own line and column, and the
// repeated-label reports in file order.
#pragma once

#include "read_host.h"
#include "read_options.h"
#include "scan_failure.h"
#include "text_ranges.h"

namespace quarnel {

// Reads `text` into the outputs `host` makes. Returns no_failure() when the
// outputs are made and filled; otherwise the failure, lines in the file.
scan_failure read_ranges(const text_ranges& text, const read_options& options, read_host& host);

}  // namespace quarnel
