// Runs the reader's scans over strings, with plain arrays and no host.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "reader/fill/fill_scan.h"
#include "reader/problem_sizes.h"
#include "reader/read_options.h"
#include "reader/text/decoded_blocks.h"

namespace quarnel_test {

constexpr std::uint64_t gigabyte = std::uint64_t{1} << 30;

struct sparse_result {
  std::vector<double> values;
  std::vector<std::uint64_t> rows;
  std::vector<std::uint64_t> starts;
};

struct read_result {
  quarnel::read_failure failure;  // how the read ended
  bool made;                      // the sizing scan passed and the outputs were made
  quarnel::problem_sizes sizes;
  std::vector<std::int32_t> label_map;
  sparse_result labels;  // instances as rows, one column per label
  sparse_result pairs;   // instances as rows, one column per feature
  std::vector<double> query_ids;  // one per instance, NaN for none
  std::vector<std::pair<std::int32_t, std::int64_t>> duplicates;  // label, instance number
  // The most bytes the line readers asked for in one read: a buffer that
  // grew past N bytes asks for N at once after it.
  std::size_t largest_read;
};

// Reads `text` as the reader does, both scans over ranges of about
// `options.range_bytes` (one range when 0) of the part `options.offset`
// and `options.length` choose; the fill reads `fill_text` instead when
// given (and then the text is one range). `block_size` is the
// read buffer's starting size.
read_result read_text(const std::string& text, const std::string* fill_text = nullptr,
                      std::size_t block_size = 64, const quarnel::read_options& options = {});

// Texts whose reading in any split must give their whole reading: labels
// first met late, comments, CR LF, a header and its bounds, faults early
// and late, bad values only the fill finds, repeats, query ids.
const std::vector<std::string>& sample_texts();

// Reads `text` as the reader reads a compressed file on several threads:
// cut into blocks as `cutting` says as it is read from its start, every
// pass reading it again; the fill reads `fill_text` instead when given.
read_result read_in_blocks(const std::string& text, const std::string* fill_text,
                           const quarnel::block_cutting& cutting,
                           const quarnel::read_options& options);

// Copies bytes of the std::string at `context` from `offset`: the reader's
// way to look into a text for line starts.
std::size_t read_string(void* context, std::int64_t offset, char* into, std::size_t size);

// Segments of bytes, each `text` repeated up to `count` bytes, served
// without being stored: gigabytes cost only the time to write them.
struct generated_text {
  struct segment {
    std::string text;
    std::uint64_t count;
  };
  std::vector<segment> segments;
};

// Reads the generated text as read_text does, in one range.
read_result read_generated(const generated_text& text, std::size_t block_size = 0);

// A source of the generated text; `cursor` must outlive it.
struct generated_cursor {
  const generated_text* text;
  std::size_t segment;
  std::uint64_t served;  // of the current segment
};
quarnel::byte_source generated_source(generated_cursor* cursor);

// Whether two reads ended alike and, when they succeeded, read the same.
bool same_read(const read_result& a, const read_result& b);

// The entries of column `column` as (row, value) pairs, in stored order.
std::vector<std::pair<std::uint64_t, double>> column_entries(const sparse_result& matrix,
                                                            std::size_t column);

}  // namespace quarnel_test
