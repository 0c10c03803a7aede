// The host's floor for the benchmark (never installed): what any reader
// that builds its outputs the way quarnel does must pay in this host, with
// no file read at all.
//
//   [label_vector, instance_matrix, label_map] =
//       host_floor(label_count, instance_count, label_entries, feature_count, pairs)
//
// makes outputs of those sizes through the same host adapters as the module,
// writes every entry once with a cheap pattern (sorted, distinct rows spread
// over each column's range) and has the host transpose them.
#include <cstdint>

#include "host_arrays.h"
#include "mex.h"

namespace {

using namespace quarnel;

// Spreads `entries` over the columns as evenly as they go, each column's
// rows ascending and distinct: row k of a column is k * step + shift.
void fill_pattern(sparse_columns matrix, std::int64_t rows, std::int64_t columns,
                  std::int64_t entries) {
  const std::int64_t per_column = columns > 0 ? entries / columns : 0;
  const std::int64_t extra = columns > 0 ? entries % columns : 0;
  std::int64_t position = 0;
  for (std::int64_t c = 0; c < columns; ++c) {
    matrix.starts[c] = static_cast<std::uint64_t>(position);
    const std::int64_t count = per_column + (c < extra ? 1 : 0);
    const std::int64_t step = count > 0 && rows / count > 0 ? rows / count : 1;
    const std::int64_t shift = c % step;
    for (std::int64_t k = 0; k < count; ++k) {
      matrix.rows[position] = static_cast<std::uint64_t>(k * step + shift);
      matrix.values[position] = 1.0;
      ++position;
    }
  }
  matrix.starts[columns] = static_cast<std::uint64_t>(position);
}

std::int64_t count_argument(const mxArray* argument) {
  return static_cast<std::int64_t>(mxGetScalar(argument));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void mexFunction(int nlhs, mxArray* plhs[],
                                                                   int nrhs,
                                                                   const mxArray* prhs[]) {
  if (nrhs != 5) mexErrMsgTxt("host_floor: five sizes expected");
  const std::int64_t label_count = count_argument(prhs[0]);
  const std::int64_t instance_count = count_argument(prhs[1]);
  const std::int64_t label_entries = count_argument(prhs[2]);
  const std::int64_t feature_count = count_argument(prhs[3]);
  const std::int64_t pairs = count_argument(prhs[4]);

  mxArray* outputs[3] = {nullptr, nullptr, nullptr};
  sparse_columns labels{};
  sparse_columns features{};
  outputs[0] = create_sparse(label_count, instance_count, label_entries, &labels);
  outputs[1] = create_sparse(feature_count, instance_count, pairs, &features);
  outputs[2] = mxCreateDoubleMatrix(static_cast<mwSize>(label_count), 1, mxREAL);
  if (outputs[0] == nullptr || outputs[1] == nullptr || outputs[2] == nullptr)
    mexErrMsgTxt("host_floor: out of memory");
  double* label_map = mxGetPr(outputs[2]);
  for (std::int64_t i = 0; i < label_count; ++i) label_map[i] = static_cast<double>(i + 1);
  fill_pattern(labels, label_count, instance_count, label_entries);
  fill_pattern(features, feature_count, instance_count, pairs);
  clear_unused_room(outputs[0]);
  clear_unused_room(outputs[1]);
  if (!transpose_in_place(&outputs[0]) || !transpose_in_place(&outputs[1]))
    mexErrMsgTxt("host_floor: the host's transpose failed");
  hand_over(outputs, 3, nlhs, plhs);
}
