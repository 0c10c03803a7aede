// The first pass over the file: counts what the outputs must hold, column
// by column, and collects the distinct labels, storing no values. A plain
// file is scanned in byte ranges at once; each range keeps its own tally,
// merged afterwards in file order.
#pragma once

#include <cstdint>

#include "platform/growable_array.h"
#include "reader/read_failure.h"
#include "reader/read_options.h"
#include "reader/sizing/column_tally.h"
#include "reader/sizing/label_dictionary.h"
#include "reader/syntax/file_header.h"
#include "reader/text/line_reader.h"

namespace quarnel {

// What the sizing scan found in one range of the file's lines.
struct range_tally {
  std::int64_t line_count = 0;         // lines of the range, comment lines included
  std::int64_t instance_count = 0;     // lines that are instances
  std::int64_t label_entry_count = 0;  // label tokens, repeats within a line included
  std::int64_t repeated_labels = 0;    // label tokens that repeat one of their line
  std::int64_t element_count = 0;      // index:value pairs
  std::int64_t query_id_count = 0;     // instances with a query id
  std::int32_t min_index = 1;          // smallest index read, or 1 when none is smaller
  std::int32_t max_index = INT32_MIN;  // largest index read, or INT32_MIN when none
  file_header header{};                // the header, for the range that holds line 1
  label_dictionary labels;             // the range's labels, in order of first appearance
  growable_array<column_slot> label_slots;  // one per label of `labels`: its entries
  column_tally features;               // entries per feature index
};

// Readies an empty tally; false when out of memory.
bool range_tally_create(range_tally* tally);

// How one range is scanned: whether it holds the file's first line (and so
// may hold a header), for the others the header the first line holds, and
// the caller's options on feature indices ('zero_based' and 'width').
struct range_bounds {
  bool holds_first_line;
  file_header header;
  read_options::index_base base = read_options::index_base::by_file;
  std::int64_t width = -1;
};

// Reads every line of `reader`, one range of the file. A line whose first
// character is "#" is not an instance, nor is a header on the file's first
// line, whose bounds every other line must then keep. With 'zero_based' or
// a header, every index must also lie in the columns the options give; a
// width counted from the file's own base is checked after the merge. The
// failure's line is counted within the range.
read_failure sizing_scan(line_reader* reader, const range_bounds& bounds, range_tally* tally);

}  // namespace quarnel
