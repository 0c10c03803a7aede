// A differential fuzz target for the reader core.
//
// Runs the sizing scan and then the fill scan over the input bytes once per
// way of delivering them: several first sizes of the line reader's buffer,
// and reads that hand out only a few bytes at a time. All runs must end the
// same way (same failure kind, error, line and column) and, when the sizing
// scan succeeds, agree exactly on the sizes, the label map, the reported
// repeated labels and every array entry. A successful read must also keep
// what the compressed-column arrays promise, and filling from content other
// than what was sized must end cleanly. Any disagreement aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "byte_source.h"
#include "fill_scan.h"
#include "label_dictionary.h"
#include "line_reader.h"
#include "sizing_scan.h"

namespace {

using namespace quarnel;

[[noreturn]] void disagree(const char* what, int line) {
  std::fprintf(stderr, "read_fuzzer.cpp:%d: check failed: %s\n", line, what);
  std::abort();
}

#define REQUIRE(condition) ((condition) ? (void)0 : disagree(#condition, __LINE__))

struct columns {
  std::vector<double> values;
  std::vector<std::uint64_t> rows;
  std::vector<std::uint64_t> starts;
};

struct outcome {
  scan_failure sizing;
  scan_failure fill;  // no_failure() when the fill scan did not run
  problem_sizes sizes;
  std::vector<std::int32_t> label_map;
  columns labels;
  columns pairs;
  std::vector<std::pair<std::int32_t, std::int64_t>> duplicates;  // label, instance number
};

// How the bytes reach the line reader: its first buffer size, and the most
// bytes one read hands out (0: as many as the reader asks for).
struct delivery {
  std::size_t block_size;
  std::size_t chunk;
};

const delivery deliveries[] = {
    {default_block_size, 0}, {1, 0}, {7, 0}, {64, 0}, {7, 3},
};

struct chunked_cursor {
  memory_cursor cursor;
  std::size_t chunk;
};

// Short reads, as a pipe gives: the reader must not take them for the end.
std::size_t read_chunked(void* context, char* into, std::size_t size, bool* failed) {
  chunked_cursor* source = static_cast<chunked_cursor*>(context);
  byte_source inner = memory_byte_source(&source->cursor);
  return inner.read(inner.context, into, std::min(size, source->chunk), failed);
}

struct text {
  const char* data;
  std::size_t size;
};

void record_duplicate(void* context, std::int32_t label, std::int64_t instance_number) {
  static_cast<outcome*>(context)->duplicates.emplace_back(label, instance_number);
}

// Exactly `room` entries, so that the address sanitizer sees any write past
// them; poison shows entries that should have been written and were not.
sparse_columns make_room(columns* matrix, std::int64_t room, std::int64_t column_count) {
  matrix->values.assign(static_cast<std::size_t>(room), -12345.0);
  matrix->rows.assign(static_cast<std::size_t>(room), 999999);
  matrix->starts.assign(static_cast<std::size_t>(column_count) + 1, 999999);
  return {matrix->values.data(), matrix->rows.data(), matrix->starts.data(), room};
}

// The sizing scan over `sized`, then the fill scan over `filled`.
outcome read(text sized, text filled, delivery how) {
  outcome result{};
  label_dictionary dictionary;
  REQUIRE(label_dictionary_create(&dictionary));
  chunked_cursor cursor{{sized.data, sized.data + sized.size}, how.chunk};
  auto source_of = [&](chunked_cursor* c) {
    return how.chunk == 0 ? memory_byte_source(&c->cursor) : byte_source{c, read_chunked};
  };
  line_reader reader;
  REQUIRE(line_reader_open(&reader, source_of(&cursor), how.block_size));
  result.sizing = sizing_scan(&reader, &result.sizes, &dictionary);
  result.fill = no_failure();
  result.label_map.assign(dictionary.labels, dictionary.labels + dictionary.label_count);
  if (result.sizing.kind == failure_kind::none) {
    chunked_cursor again{{filled.data, filled.data + filled.size}, how.chunk};
    reader.source = source_of(&again);
    line_reader_restart(&reader);
    const problem_sizes& sizes = result.sizes;
    sparse_columns labels = make_room(&result.labels, sizes.label_entry_count, sizes.instance_count);
    sparse_columns pairs = make_room(&result.pairs, sizes.element_count, sizes.instance_count);
    result.fill = fill_scan(&reader, sizes, dictionary, labels, pairs, {&result, record_duplicate});
  }
  line_reader_close(&reader);
  label_dictionary_release(&dictionary);
  return result;
}

bool same_failure(const scan_failure& a, const scan_failure& b) {
  return a.kind == b.kind && a.error == b.error && a.line == b.line && a.column == b.column;
}

bool same_sizes(const problem_sizes& a, const problem_sizes& b) {
  return a.instance_count == b.instance_count && a.label_count == b.label_count &&
         a.label_entry_count == b.label_entry_count && a.element_count == b.element_count &&
         a.min_index == b.min_index && a.max_index == b.max_index;
}

// Bit for bit, so that NaNs and signed zeros compare too.
bool same_values(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

bool same_columns(const columns& a, const columns& b) {
  return same_values(a.values, b.values) && a.rows == b.rows && a.starts == b.starts;
}

void require_same(const outcome& a, const outcome& b) {
  REQUIRE(same_failure(a.sizing, b.sizing));
  REQUIRE(same_failure(a.fill, b.fill));
  if (a.sizing.kind != failure_kind::none) return;
  REQUIRE(same_sizes(a.sizes, b.sizes));
  REQUIRE(a.label_map == b.label_map);
  REQUIRE(a.duplicates == b.duplicates);
  // Partly written arrays too: a failed fill stops at the same entry.
  REQUIRE(same_columns(a.labels, b.labels));
  REQUIRE(same_columns(a.pairs, b.pairs));
}

// The lines of the input, found independently of the line reader: a
// newline ends a line, one carriage return before it (or before the end of
// the data) is dropped, and bytes after the last newline are a line.
struct line_span {
  std::size_t first;
  std::size_t last;
};

std::vector<line_span> split_lines(text input) {
  std::vector<line_span> lines;
  std::size_t start = 0;
  auto add = [&](std::size_t end) {
    std::size_t last = end;
    if (last > start && input.data[last - 1] == '\r') --last;
    lines.push_back({start, last});
  };
  for (std::size_t i = 0; i < input.size; ++i) {
    if (input.data[i] != '\n') continue;
    add(i);
    start = i + 1;
  }
  if (start < input.size) add(input.size);
  return lines;
}

bool is_comment(text input, const line_span& line) {
  return line.first < line.last && input.data[line.first] == '#';
}

// A malformed line is a non-empty instance line (an empty line is an
// instance without labels or pairs), and the column lies within it, or one
// past its end for a token missing at the end.
void check_failure_place(const scan_failure& failure, text input,
                         const std::vector<line_span>& lines) {
  REQUIRE(failure.error != scan_error::none && failure.error != scan_error::stopped);
  REQUIRE(failure.line >= 1 && failure.line <= static_cast<std::int64_t>(lines.size()));
  const line_span& line = lines[static_cast<std::size_t>(failure.line - 1)];
  REQUIRE(line.last > line.first && !is_comment(input, line));
  REQUIRE(failure.column >= 1);
  REQUIRE(failure.column <= static_cast<std::int64_t>(line.last - line.first) + 1);
}

// Column starts begin at 0, never decrease and stay within the room; every
// row lies below `row_count` and occurs once per column. Returns the number
// of entries written.
std::int64_t check_matrix(const columns& matrix, std::int64_t column_count, std::int64_t room,
                          std::int64_t row_count) {
  const std::vector<std::uint64_t>& starts = matrix.starts;
  REQUIRE(starts.size() == static_cast<std::size_t>(column_count) + 1);
  REQUIRE(starts[0] == 0);
  for (std::size_t c = 0; c + 1 < starts.size(); ++c) REQUIRE(starts[c] <= starts[c + 1]);
  const std::uint64_t used = starts.back();
  REQUIRE(used <= static_cast<std::uint64_t>(room));
  std::vector<std::uint64_t> column_rows;
  for (std::size_t c = 0; c + 1 < starts.size(); ++c) {
    column_rows.assign(matrix.rows.begin() + static_cast<std::ptrdiff_t>(starts[c]),
                       matrix.rows.begin() + static_cast<std::ptrdiff_t>(starts[c + 1]));
    for (std::uint64_t row : column_rows) REQUIRE(row < static_cast<std::uint64_t>(row_count));
    std::sort(column_rows.begin(), column_rows.end());
    REQUIRE(std::adjacent_find(column_rows.begin(), column_rows.end()) == column_rows.end());
  }
  return static_cast<std::int64_t>(used);
}

// What a successful fill scan promises about its arrays.
void check_success(const outcome& result) {
  const problem_sizes& sizes = result.sizes;
  REQUIRE(static_cast<std::int64_t>(result.label_map.size()) == sizes.label_count);
  std::vector<std::int32_t> distinct = result.label_map;
  std::sort(distinct.begin(), distinct.end());
  REQUIRE(std::adjacent_find(distinct.begin(), distinct.end()) == distinct.end());
  REQUIRE(sizes.label_entry_count >= sizes.label_count);
  if (sizes.element_count == 0) {
    REQUIRE(sizes.min_index == 1 && sizes.max_index == 0);
  } else {
    REQUIRE(sizes.min_index <= 1 && sizes.max_index >= 0 && sizes.min_index <= sizes.max_index);
  }

  const std::int64_t label_entries = check_matrix(result.labels, sizes.instance_count,
                                                  sizes.label_entry_count, sizes.label_count);
  REQUIRE(label_entries + static_cast<std::int64_t>(result.duplicates.size()) ==
          sizes.label_entry_count);
  for (std::int64_t i = 0; i < label_entries; ++i)
    REQUIRE(result.labels.values[static_cast<std::size_t>(i)] == 1.0);
  const std::int64_t pair_entries = check_matrix(result.pairs, sizes.instance_count,
                                                 sizes.element_count, feature_count(sizes));
  REQUIRE(pair_entries == sizes.element_count);

  std::int64_t previous_instance = 1;
  for (const auto& [label, instance] : result.duplicates) {
    REQUIRE(instance >= previous_instance && instance <= sizes.instance_count);
    REQUIRE(std::binary_search(distinct.begin(), distinct.end(), label));
    previous_instance = instance;
  }
}

// Content that differs from what was sized may fail only as a changed file
// or a bad value, and must never be written past the room it was given.
void check_changed_fill(text input, text changed) {
  outcome result = read(input, changed, deliveries[0]);
  if (result.sizing.kind != failure_kind::none) return;
  const failure_kind kind = result.fill.kind;
  REQUIRE(kind == failure_kind::none || kind == failure_kind::file_changed ||
          (kind == failure_kind::malformed && result.fill.error == scan_error::value_not_number));
  if (kind == failure_kind::none) check_success(result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const text input{reinterpret_cast<const char*>(data), size};
  const outcome first = read(input, input, deliveries[0]);
  for (std::size_t i = 1; i < sizeof deliveries / sizeof deliveries[0]; ++i)
    require_same(first, read(input, input, deliveries[i]));

  // The same content twice: the memory source cannot fail, and the fill
  // scan can only find a value the sizing scan did not convert.
  const std::vector<line_span> lines = split_lines(input);
  REQUIRE(first.sizing.kind == failure_kind::none || first.sizing.kind == failure_kind::malformed);
  if (first.sizing.kind == failure_kind::malformed) {
    REQUIRE(first.sizing.error != scan_error::value_not_number);
    check_failure_place(first.sizing, input, lines);
  } else {
    std::int64_t instances = 0;
    for (const line_span& line : lines) instances += is_comment(input, line) ? 0 : 1;
    REQUIRE(first.sizes.instance_count == instances);
    if (first.fill.kind == failure_kind::none) {
      check_success(first);
    } else {
      REQUIRE(first.fill.kind == failure_kind::malformed);
      REQUIRE(first.fill.error == scan_error::value_not_number);
      check_failure_place(first.fill, input, lines);
    }

    // A file that shrank, and one with a byte changed in the middle.
    check_changed_fill(input, {input.data, size / 2});
    if (size != 0) {
      std::vector<char> changed(input.data, input.data + size);
      changed[size / 2] = static_cast<char>(changed[size / 2] ^ 1);
      check_changed_fill(input, {changed.data(), size});
    }
  }
  return 0;
}
