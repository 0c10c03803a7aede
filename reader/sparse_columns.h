// A sparse matrix's arrays in compressed-column layout, as the fill scan
// writes them: column c holds the entries at positions [starts[c],
// starts[c + 1]); rows are 0-based.
#pragma once

#include <cstdint>

namespace quarnel {

struct sparse_columns {
  double* values;         // `room` of them
  std::uint64_t* rows;    // `room` of them
  std::uint64_t* starts;  // one per column, and one more
  std::int64_t room;
};

}  // namespace quarnel
