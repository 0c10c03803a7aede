// What the reader needs from whoever holds the outputs: the host, for the
// module; plain arrays, for tests and benchmarks.
#pragma once

#include <cstdint>

#include "fill_scan.h"
#include "label_dictionary.h"
#include "problem_sizes.h"
#include "read_progress.h"

namespace quarnel {

struct output_maker {
  void* context;
  // Called once, after the sizing scan, on the calling thread: makes the
  // outputs in their final shapes for `sizes` (label_vector instance_count
  // by label_count with room for label_entries(sizes), instance_matrix
  // instance_count by feature_count(sizes) with room for element_count,
  // and label_map from `dictionary`) and points `labels` and `pairs` at the
  // arrays the fill scan writes. Returns false when they cannot be made.
  bool (*make)(void* context, const problem_sizes& sizes, const label_dictionary& dictionary,
               sparse_columns* labels, sparse_columns* pairs);
  // Told of repeated labels, on the calling thread, in file order.
  duplicate_label_sink duplicates;
  // Null when the caller wants no query ids. Otherwise called once, right
  // after `make`, on the calling thread: makes the query id column and
  // points `ids` at its `instance_count` doubles, every one of which the
  // fill scan writes (each instance's id, NaN where its line has none).
  // Returns false when it cannot be made.
  bool (*make_query_ids)(void* context, std::int64_t instance_count, double** ids);
  // Shows the progress lines of a read whose options ask for them.
  progress_sink progress{};
};

}  // namespace quarnel
