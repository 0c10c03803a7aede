// The host's floor for the oct-file entry (never installed), as
// host_floor.cpp is the MEX entry's:
//
//   [label_vector, instance_matrix, label_map] =
//       host_floor_oct(label_count, instance_count, label_entries, feature_count, pairs)
//
// makes outputs of those sizes as the oct-file makes them (Octave's own
// arrays at their final size, gateway/octave_outputs.cpp), writes every
// entry once in the same pattern and hands them over, reading nothing.
#include <cstdint>

#include <octave/oct.h>

#include "bench/floor_pattern.h"
#include "gateway/octave_outputs.h"

namespace {

using namespace quarnel;
using floor_pattern::fill_final_shape;

std::int64_t count_argument(const octave_value& argument) {
  return static_cast<std::int64_t>(argument.double_value());
}

}  // namespace

DEFUN_DLD(host_floor_oct, args, , "host_floor_oct: the oct-file's floor (bench/run)") {
  if (args.length() != 5) error("host_floor_oct: five sizes expected");
  const std::int64_t label_count = count_argument(args(0));
  const std::int64_t instance_count = count_argument(args(1));
  const std::int64_t label_entries = count_argument(args(2));
  const std::int64_t feature_count = count_argument(args(3));
  const std::int64_t pairs = count_argument(args(4));
  if (label_count < 0 || instance_count < 0 || feature_count < 0 || label_entries < 0 ||
      pairs < 0 || label_entries > instance_count * label_count ||
      pairs > instance_count * feature_count)
    error("host_floor_oct: more entries than the matrices hold");

  SparseMatrix labels_matrix;
  SparseMatrix features_matrix;
  NDArray label_map;
  sparse_columns labels{};
  sparse_columns features{};
  double* map = nullptr;
  std::size_t failed = 0;
  if (!make_octave_sparse(instance_count, label_count, label_entries, &labels_matrix, &labels,
                          &failed) ||
      !make_octave_sparse(instance_count, feature_count, pairs, &features_matrix, &features,
                          &failed) ||
      !make_octave_column(label_count, &label_map, &map, &failed))
    error("host_floor_oct: out of memory");
  for (std::int64_t i = 0; i < label_count; ++i) map[i] = static_cast<double>(i + 1);
  fill_final_shape(labels, {instance_count, label_count, label_entries});
  fill_final_shape(features, {instance_count, feature_count, pairs});
  return ovl(labels_matrix, features_matrix, label_map);
}
