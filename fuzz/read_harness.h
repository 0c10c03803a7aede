// What the reader's fuzz targets share: running both scans over bytes in
// memory, delivered in several ways, and the checks on what they produce.
// A failed check prints where and aborts, which libFuzzer records as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "compression/compression_format.h"
#include "io/byte_source.h"
#include "reader/fill/fill_scan.h"
#include "reader/read_failure.h"
#include "reader/sizing/sizing_scan.h"

namespace quarnel_fuzz {

using quarnel::read_error;
using quarnel::problem_sizes;
using quarnel::read_error;
using quarnel::read_failure;

[[noreturn]] void disagree(const char* what, const char* file, int line);

#define REQUIRE(condition) \
  ((condition) ? (void)0 : ::quarnel_fuzz::disagree(#condition, __FILE__, __LINE__))

struct text {
  const char* data;
  std::size_t size;
};

// How the bytes reach the line reader: its first buffer size, the most
// bytes one read hands out (0: as many as the reader asks for), for
// compressed bytes the decoder's input block (0: the module's own), and
// for plain bytes the ranges they are split into (0: one) and the threads
// that read them.
struct delivery {
  std::size_t block_size;
  std::size_t chunk;
  std::size_t input_size;
  std::int64_t range_bytes;
  int threads;
  std::size_t whole_lines_up_to = 0;  // the line reader's bound for whole lines; 0: the block
};

extern const delivery deliveries[7];  // deliveries[0] is the module's own

struct columns {
  std::vector<double> values;
  std::vector<std::uint64_t> rows;
  std::vector<std::uint64_t> starts;
};

struct outcome {
  read_failure sizing;    // how a sizing scan of the whole text alone ended
  read_failure reported;  // after a malformed sizing scan: the fault the module names
  read_failure fill;  // no_failure() when the fill scan did not run
  quarnel::read_fault fault;  // why the source failed, when a scan ended read_failed
  problem_sizes sizes;
  // Entries per label and per feature index, as the sizing scan counted them.
  std::map<std::int32_t, std::uint64_t> label_counts;
  std::map<std::int32_t, std::uint64_t> index_counts;
  std::vector<std::int32_t> label_map;
  columns labels;
  columns pairs;
  std::vector<double> query_ids;  // one per instance, NaN for none
  std::vector<std::pair<std::int32_t, std::int64_t>> duplicates;  // label, instance number
};

// The module's read: the sizing scan over `sized`, then, if it succeeded,
// the fill scan over `filled` into arrays of exactly the room the sizing
// scan asked for; if it found `sized` malformed, the search of `sized` for
// an earlier bad value. Beside it, a sizing scan of `sized` alone.
// Bytes compressed in `format` are read through the module's decoding
// source, started over for each scan as a rewound file's is.
outcome read(text sized, text filled, delivery how,
             quarnel::compression_format format = quarnel::compression_format::none);

// Same kind, error, line and column.
bool same_failure(const read_failure& a, const read_failure& b);

// Bit for bit, so that NaNs and signed zeros compare too.
bool same_values(const std::vector<double>& a, const std::vector<double>& b);

// Same failure (kind, error, line, column, source fault) or, after a successful sizing
// scan, the same sizes, label map, repeat reports and arrays, bit for bit.
void require_same(const outcome& a, const outcome& b);

// The lines of the input, found independently of the line reader: a
// newline ends a line, one carriage return before it (or before the end of
// the data) is dropped, and bytes after the last newline are a line.
struct line_span {
  std::size_t first;
  std::size_t last;
};
std::vector<line_span> split_lines(text input);
bool is_comment(text input, const line_span& line);

// A malformed line is a non-empty instance line, and the column lies
// within it, or one past its end for a token missing at the end.
void check_failure_place(const read_failure& failure, text input,
                         const std::vector<line_span>& lines);

// What a successful fill scan promises about its arrays: column starts
// from 0, never decreasing, ending at the room, which the entries fill;
// rows below the instance count and ascending in every column; repeats
// reported in instance order.
void check_success(const outcome& result);

}  // namespace quarnel_fuzz
