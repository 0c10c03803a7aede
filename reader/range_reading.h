// Both scans over a text in ranges: the sizing scan of every range at once,
// the merge in file order, the outputs made by the caller, and the fill of
// every range at once, each range writing its own places of every column.
// Everything observable is what one scan in file order gives: the label
// order, the first fault of the file with its own line and column, and the
// repeated-label reports in file order.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/problem_sizes.h"
#include "reader/read_failure.h"
#include "reader/read_host.h"
#include "reader/read_options.h"
#include "reader/text/text_ranges.h"

namespace quarnel {

// Reads `text` into the outputs `host` makes. Returns no_failure() when the
// outputs are made and filled; otherwise the failure, lines in the file.
read_failure read_ranges(const text_ranges& text, const read_options& options, read_host& host);

// What the sizing scan and the merge find in a text: the outputs' sizes,
// and the labels in the order of their columns.
struct text_sizes {
  problem_sizes sizes{};
  std::vector<std::int32_t> labels;
};

// The first half of read_ranges alone: the sizing scan of every range, the
// merge and its checks, with the same failures (an interrupt included), and
// no outputs made, so without the memory guard. Progress, when
// options.progress asks for it, goes to `host` as one pass, closed by a
// line only when the pass ran long enough to show one.
read_failure size_ranges(const text_ranges& text, const read_options& options, read_host& host,
                         text_sizes* sized);

}  // namespace quarnel
