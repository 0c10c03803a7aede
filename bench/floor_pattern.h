// The entries the host floors (host_floor.cpp for the MEX entry,
// host_floor_oct.cpp for the oct-file) write: each instance's columns
// spread over the whole range from a start that a hash of the instance
// picks, written instance after instance at the next free place of their
// column, as the fill scan writes them.
#pragma once

#include <algorithm>
#include <cstdint>

#include "reader/sparse_columns.h"

namespace quarnel {
namespace floor_pattern {

// Which columns each instance of an instances-by-columns matrix of
// `entries` entries holds: the entries as evenly over the instances as
// they go, an instance's columns distinct.
struct entry_pattern {
  std::int64_t instances;
  std::int64_t columns;
  std::int64_t entries;
};

// Calls visit(instance, column) for every entry, instance after instance.
template <typename Visit>
void for_each_entry(const entry_pattern& pattern, Visit visit) {
  if (pattern.instances == 0 || pattern.columns == 0) return;
  const std::int64_t per_instance = pattern.entries / pattern.instances;
  const std::int64_t extra = pattern.entries % pattern.instances;
  const std::uint64_t columns = static_cast<std::uint64_t>(pattern.columns);
  for (std::int64_t i = 0; i < pattern.instances; ++i) {
    const std::int64_t count = per_instance + (i < extra ? 1 : 0);
    if (count == 0) continue;
    // count * step <= columns, so the count columns are distinct.
    const std::uint64_t step = columns / static_cast<std::uint64_t>(count);
    std::uint64_t column = static_cast<std::uint64_t>(i) * 2654435761u % columns;
    for (std::int64_t k = 0; k < count; ++k) {
      visit(i, column);
      column += step;
      if (column >= columns) column -= columns;
    }
  }
}

// Fills `matrix` with the pattern's entries, each row index ascending in
// its column, explicit ones for values.
inline void fill_final_shape(sparse_columns matrix, const entry_pattern& pattern) {
  std::uint64_t* starts = matrix.starts;
  const std::uint64_t columns = static_cast<std::uint64_t>(pattern.columns);
  // Column c's count goes to starts[c + 2], so that after the running sum
  // starts[c + 1] is column c's first place; the scatter then moves it on
  // to the next column's first place, where it belongs.
  std::fill(starts, starts + columns + 1, std::uint64_t{0});
  for_each_entry(pattern, [starts, columns](std::int64_t, std::uint64_t column) {
    if (column + 2 <= columns) ++starts[column + 2];
  });
  for (std::uint64_t c = 2; c <= columns; ++c) starts[c] += starts[c - 1];
  for_each_entry(pattern, [&matrix, starts](std::int64_t instance, std::uint64_t column) {
    const std::uint64_t place = starts[column + 1]++;
    matrix.rows[place] = static_cast<std::uint64_t>(instance);
    matrix.values[place] = 1.0;
  });
}

}  // namespace floor_pattern
}  // namespace quarnel
