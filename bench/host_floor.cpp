// The host's floor for the benchmark (never installed): what any reader
// that builds its outputs the way quarnel does must pay in this host, with
// no file read at all.
//
//   [label_vector, instance_matrix, label_map] =
//       host_floor(label_count, instance_count, label_entries, feature_count, pairs)
//
// makes outputs of those sizes in their final shape (one row per instance)
// through the same host adapters as the module, counts the entries of each
// column, then writes every entry once, instance after instance, at the
// next free place of its column, as the fill scan does, and hands them
// over. The entries follow a cheap pattern: each instance's columns are
// spread over the whole range from a start that a hash of the instance
// picks.
#include <cstdint>

#include "bench/floor_pattern.h"
#include "gateway/host_arrays.h"
#include "mex.h"

namespace {

using namespace quarnel;
using floor_pattern::fill_final_shape;

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
  if (label_count < 0 || instance_count < 0 || feature_count < 0 || label_entries < 0 ||
      pairs < 0 || label_entries > instance_count * label_count ||
      pairs > instance_count * feature_count)
    mexErrMsgTxt("host_floor: more entries than the matrices hold");

  mxArray* outputs[3] = {nullptr, nullptr, nullptr};
  sparse_columns labels{};
  sparse_columns features{};
  outputs[0] = create_sparse(instance_count, label_count, label_entries, &labels);
  outputs[1] = create_sparse(instance_count, feature_count, pairs, &features);
  outputs[2] = mxCreateDoubleMatrix(static_cast<mwSize>(label_count), 1, mxREAL);
  if (outputs[0] == nullptr || outputs[1] == nullptr || outputs[2] == nullptr)
    mexErrMsgTxt("host_floor: out of memory");
  double* label_map = mxGetPr(outputs[2]);
  for (std::int64_t i = 0; i < label_count; ++i) label_map[i] = static_cast<double>(i + 1);
  fill_final_shape(labels, {instance_count, label_count, label_entries});
  fill_final_shape(features, {instance_count, feature_count, pairs});
  hand_over(outputs, 3, nlhs, plhs);
}
