// The host as a read sees it, through the MEX interface: the outputs made
// as the host's arrays, repeated labels and progress printed on the host's
// console, and the host's interrupt. A host call that raises while the
// read runs (Octave's interrupt, raised from inside the call that flushes
// a progress line) is not let through the reader: it counts as an
// interrupt, so the read stops and releases everything, and the entry
// raises the interrupt as its last act.
#pragma once

#include "mex.h"
#include "reader/multilabel_reader.h"

namespace quarnel {

class mex_read_host final : public read_host {
 public:
  // The outputs go to `outputs[0..3]` (the fourth when `query_ids`).
  mex_read_host(mxArray** outputs, bool query_ids) : outputs_(outputs), query_ids_(query_ids) {}

  bool make_outputs(const problem_sizes& sizes, const std::int32_t* labels,
                    sparse_columns* label_columns, sparse_columns* pair_columns) override;
  bool wants_query_ids() const override { return query_ids_; }
  bool make_query_ids(std::int64_t instance_count, double** ids) override;
  void report_duplicate(std::int32_t label, std::int64_t instance_number) override;
  void show_progress(const char* line) override;
  bool interrupted() override;

  // Whether a host call raised while the read ran.
  bool raised() const { return raised_; }

 private:
  mxArray** outputs_;
  bool query_ids_;
  bool raised_ = false;
};

}  // namespace quarnel
