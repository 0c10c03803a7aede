#include "gateway/octave_read.h"

#include <cstdio>

#include <octave/pager.h>

#include "gateway/host_interrupt.h"
#include "gateway/octave_outputs.h"

namespace quarnel {

bool octave_read_host::make_outputs(const problem_sizes& sizes, const std::int32_t* labels,
                                    sparse_columns* label_columns,
                                    sparse_columns* pair_columns) {
  // Instances as rows: the outputs in their final shapes.
  double* label_map = nullptr;
  out_of_memory_ =
      !make_octave_sparse(sizes.instance_count, sizes.label_count, label_entries(sizes),
                          &label_vector_, label_columns, &failed_bytes_) ||
      !make_octave_sparse(sizes.instance_count, feature_count(sizes), sizes.element_count,
                          &instance_matrix_, pair_columns, &failed_bytes_) ||
      !make_octave_column(sizes.label_count, &label_map_, &label_map, &failed_bytes_);
  if (out_of_memory_) return false;
  for (std::int64_t i = 0; i < sizes.label_count; ++i) label_map[i] = labels[i];
  return true;
}

bool octave_read_host::make_query_ids(std::int64_t instance_count, double** ids) {
  out_of_memory_ = !make_octave_column(instance_count, &query_id_, ids, &failed_bytes_);
  return !out_of_memory_;
}

void octave_read_host::report_duplicate(std::int32_t label, std::int64_t instance_number) {
  if (raised_) return;
  char line[80];
  std::snprintf(line, sizeof line, "ERROR: duplicate label %d in %lld-th instance\n",
                static_cast<int>(label), static_cast<long long>(instance_number));
  try {
    octave_stdout << line;
  } catch (...) {
    raised_ = true;
  }
}

// Prints the line and has Octave show it now, while the call runs: its
// output is buffered until flushed.
void octave_read_host::show_progress(const char* line) {
  if (raised_) return;
  try {
    octave_stdout << line << '\n';
    // What Octave's own fflush(stdout) does.
    octave::flush_stdout();
  } catch (...) {
    raised_ = true;
  }
}

bool octave_read_host::interrupted() {
  if (raised_) return true;
  return host_interrupt_pending();
}

octave_value_list octave_read_host::outputs() const {
  octave_value_list values;
  values(0) = octave_value(label_vector_);
  values(1) = octave_value(instance_matrix_);
  values(2) = octave_value(label_map_);
  if (query_ids_) values(3) = octave_value(query_id_);
  return values;
}

}  // namespace quarnel
