// The host as a read sees it, through Octave's own API, for the oct-file
// entry: the outputs made as Octave's arrays at their final size, which
// the fill writes and Octave takes over without a copy, repeated labels
// and progress printed on Octave's console, and Octave's interrupt. As in
// the MEX entry, an exception from an Octave call while the read runs
// (the interrupt, raised from inside the flush of a progress line) is not
// let through the reader: it counts as an interrupt, so the read stops
// and releases everything, and the entry raises the interrupt as its last
// act. An allocation that fails is kept the same way, for the entry to
// raise Octave's error once the read has released everything.
#pragma once

#include <cstddef>

#include <octave/dNDArray.h>
#include <octave/dSparse.h>
#include <octave/ovl.h>

#include "reader/read_host.h"

namespace quarnel {

class octave_read_host final : public read_host {
 public:
  explicit octave_read_host(bool query_ids) : query_ids_(query_ids) {}

  bool make_outputs(const problem_sizes& sizes, const std::int32_t* labels,
                    sparse_columns* label_columns, sparse_columns* pair_columns) override;
  bool wants_query_ids() const override { return query_ids_; }
  bool make_query_ids(std::int64_t instance_count, double** ids) override;
  void report_duplicate(std::int32_t label, std::int64_t instance_number) override;
  void show_progress(const char* line) override;
  bool interrupted() override;

  // Whether an Octave call raised while the read ran.
  bool raised() const { return raised_; }
  // Whether an output could not be allocated, and the bytes asked for (0
  // when unknown).
  bool out_of_memory() const { return out_of_memory_; }
  std::size_t failed_bytes() const { return failed_bytes_; }

  // The outputs of a read that succeeded, label_vector, instance_matrix,
  // label_map and (when asked for) query_id, as Octave values sharing the
  // arrays the fill wrote.
  octave_value_list outputs() const;

 private:
  bool query_ids_;
  bool raised_ = false;
  bool out_of_memory_ = false;
  std::size_t failed_bytes_ = 0;
  SparseMatrix label_vector_;
  SparseMatrix instance_matrix_;
  NDArray label_map_;
  NDArray query_id_;
};

}  // namespace quarnel
