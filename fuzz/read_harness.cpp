#include "read_harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "byte_source.h"
#include "decoding_source.h"
#include "label_dictionary.h"
#include "line_reader.h"
#include "multilabel_reader.h"

namespace quarnel_fuzz {

using namespace quarnel;

void disagree(const char* what, const char* file, int line) {
  const char* slash = std::strrchr(file, '/');
  std::fprintf(stderr, "%s:%d: check failed: %s\n", slash ? slash + 1 : file, line, what);
  std::abort();
}

const delivery deliveries[5] = {
    {default_block_size, 0, 0}, {1, 0, 0}, {7, 0, 0}, {64, 0, 5}, {7, 3, 1},
};

namespace {

struct chunked_cursor {
  memory_cursor cursor;
  std::size_t chunk;
};

// Short reads, as a pipe gives: the reader must not take them for the end.
std::size_t read_chunked(void* context, char* into, std::size_t size, read_fault* fault) {
  chunked_cursor* source = static_cast<chunked_cursor*>(context);
  byte_source inner = memory_byte_source(&source->cursor);
  return inner.read(inner.context, into, std::min(size, source->chunk), fault);
}

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

bool same_sizes(const problem_sizes& a, const problem_sizes& b) {
  return a.instance_count == b.instance_count && a.label_count == b.label_count &&
         a.label_entry_count == b.label_entry_count && a.element_count == b.element_count &&
         a.min_index == b.min_index && a.max_index == b.max_index && a.header == b.header;
}

bool same_columns(const columns& a, const columns& b) {
  return same_values(a.values, b.values) && a.rows == b.rows && a.starts == b.starts;
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

}  // namespace

bool same_failure(const scan_failure& a, const scan_failure& b) {
  return a.kind == b.kind && a.error == b.error && a.line == b.line && a.column == b.column;
}

bool same_values(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

outcome read(text sized, text filled, delivery how, compression_format format) {
  outcome result{};
  label_dictionary dictionary;
  REQUIRE(label_dictionary_create(&dictionary));
  chunked_cursor cursor{{sized.data, sized.data + sized.size}, how.chunk};
  decoding_source decoding{};
  const bool compressed = format != compression_format::none;
  if (compressed)
    REQUIRE(decoding_source_open(&decoding, format, byte_source{},
                                 how.input_size == 0 ? default_input_size : how.input_size));
  // The bytes of `c` as they are, or decoded from the start.
  auto source_of = [&](chunked_cursor* c) {
    byte_source raw = how.chunk == 0 ? memory_byte_source(&c->cursor) : byte_source{c, read_chunked};
    if (!compressed) return raw;
    decoding.compressed = raw;
    REQUIRE(decoding_source_restart(&decoding));
    return decoded_bytes(&decoding);
  };
  line_reader reader;
  REQUIRE(line_reader_open(&reader, source_of(&cursor), how.block_size));
  result.sizing = sizing_scan(&reader, &result.sizes, &dictionary);
  if (compressed) {
    // As the module names them: damage past a malformed line, and the
    // source's failure on damaged data.
    if (result.sizing.kind == failure_kind::malformed)
      result.sizing = damage_after_fault(&reader, result.sizing, format);
    if (result.sizing.kind == failure_kind::read_failed && reader.fault == read_fault::corrupt_data)
      result.sizing = failure_of(failure_kind::corrupt_data, format);
  }
  result.fault = reader.fault;
  if (result.sizing.kind == failure_kind::corrupt_data) result.fault = read_fault::corrupt_data;
  result.fill = no_failure();
  result.reported = result.sizing;
  result.label_map.assign(dictionary.labels, dictionary.labels + dictionary.label_count);
  if (result.sizing.kind == failure_kind::none) {
    chunked_cursor again{{filled.data, filled.data + filled.size}, how.chunk};
    reader.source = source_of(&again);
    line_reader_restart(&reader);
    const problem_sizes& sizes = result.sizes;
    sparse_columns labels = make_room(&result.labels, sizes.label_entry_count, sizes.instance_count);
    sparse_columns pairs = make_room(&result.pairs, sizes.element_count, sizes.instance_count);
    result.fill = fill_scan(&reader, sizes, dictionary, labels, pairs, {&result, record_duplicate});
    result.fault = reader.fault;
  } else if (result.sizing.kind == failure_kind::malformed) {
    chunked_cursor again{{sized.data, sized.data + sized.size}, how.chunk};
    reader.source = source_of(&again);
    line_reader_restart(&reader);
    result.reported = first_fault_up_to(&reader, result.sizing);
  }
  line_reader_close(&reader);
  decoding_source_close(&decoding);
  label_dictionary_release(&dictionary);
  return result;
}

void require_same(const outcome& a, const outcome& b) {
  REQUIRE(same_failure(a.sizing, b.sizing));
  REQUIRE(same_failure(a.reported, b.reported));
  REQUIRE(same_failure(a.fill, b.fill));
  REQUIRE(a.fault == b.fault);
  if (a.sizing.kind != failure_kind::none) return;
  REQUIRE(same_sizes(a.sizes, b.sizes));
  REQUIRE(a.label_map == b.label_map);
  REQUIRE(a.duplicates == b.duplicates);
  // Partly written arrays too: a failed fill stops at the same entry.
  REQUIRE(same_columns(a.labels, b.labels));
  REQUIRE(same_columns(a.pairs, b.pairs));
}

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

void check_failure_place(const scan_failure& failure, text input,
                         const std::vector<line_span>& lines) {
  REQUIRE(failure.error != scan_error::none && failure.error != scan_error::stopped);
  REQUIRE(failure.line >= 1 && failure.line <= static_cast<std::int64_t>(lines.size()));
  const line_span& line = lines[static_cast<std::size_t>(failure.line - 1)];
  REQUIRE(line.last > line.first && !is_comment(input, line));
  REQUIRE(failure.column >= 1);
  REQUIRE(failure.column <= static_cast<std::int64_t>(line.last - line.first) + 1);
}

void check_success(const outcome& result) {
  const problem_sizes& sizes = result.sizes;
  REQUIRE(static_cast<std::int64_t>(result.label_map.size()) == sizes.label_count);
  std::vector<std::int32_t> distinct = result.label_map;
  std::sort(distinct.begin(), distinct.end());
  REQUIRE(std::adjacent_find(distinct.begin(), distinct.end()) == distinct.end());
  REQUIRE(sizes.label_entry_count >= sizes.label_count);
  if (sizes.header.present) {
    // Zero-based and as wide as the header says; its counts and bounds kept.
    REQUIRE(sizes.min_index == 0 && feature_count(sizes) == sizes.header.features);
    REQUIRE(sizes.instance_count == sizes.header.instances);
    for (std::int32_t label : distinct) REQUIRE(label >= 0 && label < sizes.header.labels);
  } else if (sizes.element_count == 0) {
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

}  // namespace quarnel_fuzz
