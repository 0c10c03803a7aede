// Runs the reader's scans over strings, with plain arrays and no host.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fill_scan.h"
#include "label_dictionary.h"
#include "sizing_scan.h"

namespace quarnel_test {

struct sparse_result {
  std::vector<double> values;
  std::vector<std::uint64_t> rows;
  std::vector<std::uint64_t> starts;
};

struct read_result {
  quarnel::scan_failure sizing;  // how the sizing scan ended
  quarnel::scan_failure fill;    // how the fill scan ended (none if not run)
  quarnel::problem_sizes sizes;
  std::vector<std::int32_t> label_map;
  sparse_result labels;
  sparse_result pairs;
  std::vector<std::pair<std::int32_t, std::int64_t>> duplicates;  // label, instance number
};

// The sizing scan over `text`, then the fill scan over `fill_text` (the same
// text unless given), as the reader does; `block_size` is the read buffer's
// starting size.
read_result read_text(const std::string& text, const std::string* fill_text = nullptr,
                      std::size_t block_size = 64);

// The entries of column `column` as (row, value) pairs, in stored order.
std::vector<std::pair<std::uint64_t, double>> column_entries(const sparse_result& matrix,
                                                            std::size_t column);

}  // namespace quarnel_test
