// What a read needs from whoever called it: the host, for the module;
// plain arrays, for tests and benchmarks. Every call comes on the thread
// that started the read, the only one that may reach the host, and none
// may throw: a host that raises from inside its own calls keeps what it
// raised until the read has released everything, and raises it then.
#pragma once

#include <cstdint>

#include "reader/problem_sizes.h"
#include "reader/sparse_columns.h"

namespace quarnel {

class read_host {
 public:
  // Called once, after the sizing scan: makes the outputs in their final
  // shapes for `sizes` (label_vector instance_count by label_count with
  // room for label_entries(sizes), instance_matrix instance_count by
  // feature_count(sizes) with room for element_count, and label_map from
  // the label_count labels at `labels`) and points `label_columns` and
  // `pair_columns` at the arrays the fill scan writes. Returns false when
  // they cannot be made.
  virtual bool make_outputs(const problem_sizes& sizes, const std::int32_t* labels,
                            sparse_columns* label_columns, sparse_columns* pair_columns) = 0;

  // Whether the caller wants the query id column.
  virtual bool wants_query_ids() const { return false; }
  // Called right after make_outputs when query ids are wanted: makes the
  // column and points `ids` at its `instance_count` doubles, every one of
  // which the fill scan writes (NaN where a line has none). Returns false
  // when it cannot be made.
  virtual bool make_query_ids(std::int64_t instance_count, double** ids) {
    (void)instance_count;
    (void)ids;
    return false;
  }

  // A label repeated within one instance, reported in file order.
  virtual void report_duplicate(std::int32_t label, std::int64_t instance_number) {
    (void)label;
    (void)instance_number;
  }

  // Shows one progress line (no newline) at once; called only for a read
  // whose options ask for progress.
  virtual void show_progress(const char* line) { (void)line; }

  // Whether the user has asked the read to stop (Ctrl-C). Asked about every
  // few tens of milliseconds while the read runs.
  virtual bool interrupted() { return false; }

 protected:
  ~read_host() = default;
};

}  // namespace quarnel
