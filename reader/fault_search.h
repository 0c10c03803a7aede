// The searches that place a fault where a read in file order meets it
// first: the sizing scan only delimits values, and a width counted from the
// file's own base is known only after every range is sized, so the fault a
// scan finds may not be the first; damage to compressed data further on may
// make garbage of the text before it.
#pragma once

#include <cstdint>

#include "compression/compression.h"
#include "reader/read_failure.h"
#include "reader/text/line_reader.h"

namespace quarnel {

// A value that is not a number can stand before the fault the sizing scan
// reports. Reads the lines of `reader`, one range
// of the file, up to line `stop_line` (counted within the range) and byte
// column `stop_column` of it, and returns the first such value as a
// malformed failure, or no_failure() when there is none.
read_failure first_bad_value(line_reader* reader, std::int64_t stop_line, std::int64_t stop_column,
                             bool holds_first_line);

// Reads the lines of `reader`, one range of the file, and returns the first
// feature index above `last`, the index of the last of the columns from
// `first`, as outside_width (lines counted within the range), or
// no_failure() when there is none.
read_failure first_index_above(line_reader* reader, std::int64_t first, std::int64_t last,
                               std::int64_t width, bool holds_first_line);

// After the sizing scan of a file compressed in `format` found it malformed
// at `fault`: reads on through the rest of `reader`'s source and returns
// the damage, when the decoder meets it, in place of `fault`. The reader
// must be restarted after it.
read_failure damage_after_fault(line_reader* reader, const read_failure& fault,
                                compression_format format);

}  // namespace quarnel
