// Runs the reader's scans over strings, with plain arrays and no host.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fill_scan.h"
#include "problem_sizes.h"
#include "read_options.h"

namespace quarnel_test {

struct sparse_result {
  std::vector<double> values;
  std::vector<std::uint64_t> rows;
  std::vector<std::uint64_t> starts;
};

struct read_result {
  quarnel::scan_failure failure;  // how the read ended
  bool made;                      // the sizing scan passed and the outputs were made
  quarnel::problem_sizes sizes;
  std::vector<std::int32_t> label_map;
  sparse_result labels;  // instances as rows, one column per label
  sparse_result pairs;   // instances as rows, one column per feature
  std::vector<double> query_ids;  // one per instance, NaN for none
  std::vector<std::pair<std::int32_t, std::int64_t>> duplicates;  // label, instance number
};

// Reads `text` as the reader does, both scans over ranges of about
// `options.range_bytes` (one range when 0) of the part `options.offset`
// and `options.length` choose; the fill reads `fill_text` instead when
// given (and then the text is one range). `block_size` is the
// read buffer's starting size.
read_result read_text(const std::string& text, const std::string* fill_text = nullptr,
                      std::size_t block_size = 64, const quarnel::read_options& options = {});

// Copies bytes of the std::string at `context` from `offset`: the reader's
// way to look into a text for line starts.
std::size_t read_string(void* context, std::int64_t offset, char* into, std::size_t size);

// The entries of column `column` as (row, value) pairs, in stored order.
std::vector<std::pair<std::uint64_t, double>> column_entries(const sparse_result& matrix,
                                                            std::size_t column);

}  // namespace quarnel_test
