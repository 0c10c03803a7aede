// The first pass over the file: counts what the outputs must hold and
// collects the distinct labels, storing no values.
#pragma once

#include <cstdint>

#include "file_header.h"
#include "label_dictionary.h"
#include "line_reader.h"
#include "scan_failure.h"

namespace quarnel {

struct problem_sizes {
  std::int64_t instance_count;     // lines that are instances
  std::int64_t label_count;        // distinct labels
  std::int64_t label_entry_count;  // label tokens, repeats within a line included
  std::int64_t element_count;      // index:value pairs
  std::int32_t min_index;          // smallest index read, or 1 when none is smaller
  std::int32_t max_index;          // largest index read, or 0 when none is larger
  file_header header;              // with a header: min_index 0, max_index d - 1
};

// Rows of instance_matrix: every index read maps to index - min_index.
inline std::int64_t feature_count(const problem_sizes& sizes) {
  return std::int64_t{sizes.max_index} - sizes.min_index + 1;
}

// Reads every line of `reader`. A line whose first character is "#" is not
// an instance, nor is a header on the first line, whose bounds every other
// line must then keep. Fills `sizes` and adds each new label to `dictionary`.
scan_failure sizing_scan(line_reader* reader, problem_sizes* sizes, label_dictionary* dictionary);

}  // namespace quarnel
