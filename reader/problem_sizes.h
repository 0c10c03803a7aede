// The file's sizes, merged from the sizing scan's ranges: what the outputs
// must hold.
#pragma once

#include <cstdint>

#include "reader/syntax/file_header.h"

namespace quarnel {

struct problem_sizes {
  std::int64_t instance_count;     // lines that are instances
  std::int64_t label_count;        // distinct labels
  std::int64_t label_entry_count;  // label tokens, repeats within a line included
  std::int64_t repeated_labels;    // label tokens that repeat one of their line
  std::int64_t element_count;      // index:value pairs
  std::int64_t query_id_count;     // instances with a query id
  // The indices of the first and the last column: by the file's own rule
  // the smallest index read, or 1 when none is smaller, and the largest, or
  // 0 when none is larger; 'zero_based', 'width' or a header fix them (with
  // a width of 0, max_index is min_index - 1).
  std::int32_t min_index;
  std::int64_t max_index;
  file_header header;
};

// Columns of instance_matrix: every index read maps to index - min_index.
inline std::int64_t feature_count(const problem_sizes& sizes) {
  return sizes.max_index - sizes.min_index + 1;
}

// Entries of label_vector: a label repeated within its line is stored once.
inline std::int64_t label_entries(const problem_sizes& sizes) {
  return sizes.label_entry_count - sizes.repeated_labels;
}

}  // namespace quarnel
