#include "read_harness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "compression/decoding_source.h"
#include "io/byte_source.h"
#include "reader/fault_search.h"
#include "reader/multilabel_reader.h"
#include "reader/range_reading.h"
#include "reader/sizing/label_dictionary.h"
#include "reader/text/line_reader.h"
#include "reader/text/decoded_blocks.h"
#include "reader/text/text_ranges.h"

namespace quarnel_fuzz {

using namespace quarnel;

void disagree(const char* what, const char* file, int line) {
  const char* slash = std::strrchr(file, '/');
  std::fprintf(stderr, "%s:%d: check failed: %s\n", slash ? slash + 1 : file, line, what);
  std::abort();
}

const delivery deliveries[7] = {
    {default_block_size, 0, 0, 0, 1, longest_whole_line}, {1, 0, 0, 0, 1},  {7, 0, 0, 0, 1},
    {64, 0, 5, 0, 1}, {7, 3, 1, 0, 1}, {64, 0, 0, 7, 2}, {7, 3, 0, 13, 1, 40},
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

// Exactly `room` entries, so that the address sanitizer sees any write past
// them; poison shows entries that should have been written and were not.
// (Vectors of no room hold no memory, so a write there faults too.)
sparse_columns make_room(columns* matrix, std::int64_t room, std::int64_t column_count) {
  matrix->values.assign(static_cast<std::size_t>(room), -12345.0);
  matrix->rows.assign(static_cast<std::size_t>(room), 999999);
  matrix->starts.assign(static_cast<std::size_t>(column_count) + 1, 999999);
  return {matrix->values.data(), matrix->rows.data(), matrix->starts.data(), room};
}

bool same_sizes(const problem_sizes& a, const problem_sizes& b) {
  return a.instance_count == b.instance_count && a.label_count == b.label_count &&
         a.label_entry_count == b.label_entry_count && a.repeated_labels == b.repeated_labels &&
         a.element_count == b.element_count &&
         a.min_index == b.min_index && a.max_index == b.max_index && a.header == b.header;
}

bool same_columns(const columns& a, const columns& b) {
  return same_values(a.values, b.values) && a.rows == b.rows && a.starts == b.starts;
}

// Column starts begin at 0, never decrease and end at the room, which the
// entries fill; rows lie below `row_count` and ascend in every column.
// Returns the number of entries written.
std::int64_t check_matrix(const columns& matrix, std::int64_t column_count, std::int64_t room,
                          std::int64_t row_count) {
  const std::vector<std::uint64_t>& starts = matrix.starts;
  REQUIRE(starts.size() == static_cast<std::size_t>(column_count) + 1);
  REQUIRE(starts[0] == 0);
  for (std::size_t c = 0; c + 1 < starts.size(); ++c) REQUIRE(starts[c] <= starts[c + 1]);
  const std::uint64_t used = starts.back();
  REQUIRE(used == static_cast<std::uint64_t>(room));
  for (std::size_t c = 0; c + 1 < starts.size(); ++c) {
    for (std::uint64_t i = starts[c]; i < starts[c + 1]; ++i) {
      REQUIRE(matrix.rows[i] < static_cast<std::uint64_t>(row_count));
      REQUIRE(i == starts[c] || matrix.rows[i - 1] < matrix.rows[i]);
    }
  }
  return static_cast<std::int64_t>(used);
}

constexpr std::int64_t most_columns = std::int64_t{1} << 16;

// The text the module's read sees: `sized`, then, once the outputs are
// made, `filled`, each delivered as `how` says, in ranges when plain.
struct harness_text {
  text sized;
  text filled;
  delivery how;
  compression_format format;
  bool filling;
  std::vector<std::int64_t> starts;
  std::vector<chunked_cursor> cursors;
  std::vector<decoding_source> decoders;
};

std::size_t read_text_at(void* context, std::int64_t offset, char* into, std::size_t size) {
  const text* whole = static_cast<const text*>(context);
  if (offset >= static_cast<std::int64_t>(whole->size)) return 0;
  const std::size_t count = std::min(size, whole->size - static_cast<std::size_t>(offset));
  std::memcpy(into, whole->data + offset, count);
  return count;
}

// The bytes of range `k` of the text as `h` delivers them, plain.
byte_source delivered_range(harness_text* h, int k) {
  const text& whole = h->filling ? h->filled : h->sized;
  std::size_t first = k == 0 ? 0 : static_cast<std::size_t>(h->starts[k - 1]);
  std::size_t last = k == static_cast<int>(h->starts.size()) ? whole.size
                                                             : static_cast<std::size_t>(h->starts[k]);
  // A changed text may be shorter than the sized one's ranges.
  first = std::min(first, whole.size);
  last = std::max(first, std::min(last, whole.size));
  h->cursors[k] = {{whole.data + first, whole.data + last}, h->how.chunk};
  chunked_cursor* c = &h->cursors[k];
  return h->how.chunk == 0 ? memory_byte_source(&c->cursor) : byte_source{c, read_chunked};
}

read_error open_harness_range(void* context, int k, byte_source* source) {
  harness_text* h = static_cast<harness_text*>(context);
  const byte_source raw = delivered_range(h, k);
  if (h->format == compression_format::none) {
    *source = raw;
    return read_error::none;
  }
  decoding_source& decoding = h->decoders[k];
  decoding.compressed = raw;
  REQUIRE(decoding_source_restart(&decoding));
  *source = decoded_bytes(&decoding);
  return read_error::none;
}

void close_harness_range(void*, int) {}

// A compressed text read on several threads, as the module reads it: the
// decoded stream cut into blocks as it is read.
read_error open_harness_stream(void* context, byte_source* source) {
  return open_harness_range(context, 0, source);
}
void close_harness_stream(void*) {}
std::int64_t harness_stream_consumed(void*) { return 0; }

// The outputs as plain arrays, the repeats recorded.
class harness_host final : public read_host {
 public:
  harness_host(outcome* result, harness_text* text) : result_(result), text_(text) {}

  bool make_outputs(const problem_sizes& sizes, const std::int32_t* labels,
                    sparse_columns* label_columns, sparse_columns* pair_columns) override {
    // Indices far apart ask for columns by the billion: such outputs are
    // refused as the module refuses what the machine cannot hold. Wider than
    // 2^16 columns is refused too: checking every column of a fill in file
    // order, once per range, would take the fuzzer's time without finding
    // more.
    if (feature_count(sizes) > most_columns || sizes.label_count > most_columns) return false;
    result_->sizes = sizes;
    result_->label_map.assign(labels, labels + sizes.label_count);
    *label_columns = make_room(&result_->labels, label_entries(sizes), sizes.label_count);
    *pair_columns = make_room(&result_->pairs, sizes.element_count, feature_count(sizes));
    text_->filling = true;
    return true;
  }
  bool wants_query_ids() const override { return true; }
  // A fraction, which no query id is, shows an id the fill did not write.
  bool make_query_ids(std::int64_t instance_count, double** ids) override {
    result_->query_ids.assign(static_cast<std::size_t>(instance_count), 0.5);
    *ids = result_->query_ids.data();
    return true;
  }
  void report_duplicate(std::int32_t label, std::int64_t instance_number) override {
    result_->duplicates.emplace_back(label, instance_number);
  }

 private:
  outcome* result_;
  harness_text* text_;
};

// A sizing scan of the whole of `sized` alone, its fault as the module
// names it and its counts per label and index.
void size_alone(text sized, delivery how, compression_format format, outcome* result) {
  chunked_cursor cursor{{sized.data, sized.data + sized.size}, how.chunk};
  decoding_source decoding{};
  byte_source source = how.chunk == 0 ? memory_byte_source(&cursor.cursor) : byte_source{&cursor, read_chunked};
  const bool compressed = format != compression_format::none;
  if (compressed) {
    REQUIRE(decoding_source_open(&decoding, format, source,
                                 how.input_size == 0 ? default_input_size : how.input_size));
    source = decoded_bytes(&decoding);
  }
  range_tally tally;
  REQUIRE(range_tally_create(&tally));
  line_reader reader;
  REQUIRE(line_reader_open(&reader, source, how.block_size, how.whole_lines_up_to));
  result->sizing = sizing_scan(&reader, {true, {}}, &tally);
  if (compressed) {
    // As the module names them: damage past a malformed line, and the
    // source's failure on damaged data.
    if (is_malformed(result->sizing.error))
      result->sizing = damage_after_fault(&reader, result->sizing, format);
    if (result->sizing.error == read_error::read_failed && reader.fault == read_fault::corrupt_data)
      result->sizing = failure_of(read_error::corrupt_data, format);
  }
  // The header's instance count is known only at the end, as in the module.
  const file_header& header = tally.header;
  if (result->sizing.error == read_error::none && header.present &&
      tally.instance_count != header.instances) {
    result->sizing = bound_broken(read_error::header_instance_count, 1, 1,
                                  {tally.instance_count, 0, header.instances});
  }
  result->fault = reader.fault;
  if (result->sizing.error == read_error::corrupt_data) result->fault = read_fault::corrupt_data;
  for (std::int64_t j = 0; j < tally.labels.label_count; ++j)
    result->label_counts[tally.labels.labels[j]] = tally.label_slots[j].count;
  column_tally_each(tally.features, [&](std::int32_t index, std::uint32_t count, column_places&) {
    if (count != 0) result->index_counts[index] = count;
  });
  decoding_source_close(&decoding);
}

}  // namespace

bool same_failure(const read_failure& a, const read_failure& b) {
  return a.error == b.error && a.line == b.line && a.column == b.column;
}

bool same_values(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

outcome read(text sized, text filled, delivery how, compression_format format) {
  outcome result{};
  size_alone(sized, how, format, &result);
  harness_text h{sized, filled, how, format, false, {}, {}, {}};
  if (format == compression_format::none)
    h.starts = line_aligned_starts(static_cast<std::int64_t>(sized.size), how.range_bytes, &sized,
                                   read_text_at);
  const int count = static_cast<int>(h.starts.size()) + 1;
  h.cursors.resize(static_cast<std::size_t>(count));
  h.decoders = std::vector<decoding_source>(static_cast<std::size_t>(count));
  if (format != compression_format::none)
    REQUIRE(decoding_source_open(&h.decoders[0], format, byte_source{},
                                 how.input_size == 0 ? default_input_size : how.input_size));
  text_ranges ranges{&h, count, format, open_harness_range, close_harness_range, how.block_size};
  ranges.whole_lines_up_to = how.whole_lines_up_to;
  owned_decoded_blocks blocks;
  text_ranges whole{};
  if (format != compression_format::none && how.threads > 1) {
    block_cutting cutting;
    cutting.workers = how.threads;
    cutting.block_bytes = how.range_bytes;
    cutting.format = format;
    blocks = open_decoded_blocks(
        {&h, open_harness_stream, close_harness_stream, harness_stream_consumed}, cutting);
    REQUIRE(blocks != nullptr);
    whole = whole_decoded_text(blocks.get());
    whole.block_size = how.block_size;
    whole.whole_lines_up_to = how.whole_lines_up_to;
    ranges = decoded_block_ranges(blocks.get());
    ranges.block_size = how.block_size;
    ranges.whole_lines_up_to = how.whole_lines_up_to;
    ranges.whole = &whole;
  }
  read_options options;
  options.threads = how.threads;
  harness_host host(&result, &h);
  const read_failure failure = read_ranges(ranges, options, host);
  if (h.filling) {
    result.fill = failure;
    result.reported = result.sizing;
  } else {
    result.fill = no_failure();
    result.reported = failure;
  }
  if (failure.error == read_error::corrupt_data) result.fault = read_fault::corrupt_data;
  return result;
}

void require_same(const outcome& a, const outcome& b) {
  REQUIRE(same_failure(a.sizing, b.sizing));
  REQUIRE(same_failure(a.reported, b.reported));
  REQUIRE(same_failure(a.fill, b.fill));
  REQUIRE(a.fault == b.fault);
  if (a.sizing.error != read_error::none) return;
  REQUIRE(same_sizes(a.sizes, b.sizes));
  REQUIRE(a.label_map == b.label_map);
  REQUIRE(a.duplicates == b.duplicates);
  // The arrays of a failed fill are thrown away, and ranges filled at once
  // leave them written in other places: only a whole fill compares.
  if (a.fill.error != read_error::none) return;
  REQUIRE(same_columns(a.labels, b.labels));
  REQUIRE(same_columns(a.pairs, b.pairs));
  REQUIRE(same_values(a.query_ids, b.query_ids));
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

void check_failure_place(const read_failure& failure, text input,
                         const std::vector<line_span>& lines) {
  REQUIRE(failure.error != read_error::none);
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
  REQUIRE(label_entries(sizes) >= sizes.label_count);
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

  // Every instance's query id: none (NaN) or an integer within 2^53.
  REQUIRE(static_cast<std::int64_t>(result.query_ids.size()) == sizes.instance_count);
  for (double id : result.query_ids)
    REQUIRE(std::isnan(id) || (id == std::trunc(id) && std::fabs(id) <= 9007199254740992.0));

  const std::int64_t written = check_matrix(result.labels, sizes.label_count,
                                            label_entries(sizes), sizes.instance_count);
  REQUIRE(written + static_cast<std::int64_t>(result.duplicates.size()) == sizes.label_entry_count);
  for (std::int64_t i = 0; i < written; ++i)
    REQUIRE(result.labels.values[static_cast<std::size_t>(i)] == 1.0);
  const std::int64_t pair_entries = check_matrix(result.pairs, feature_count(sizes),
                                                 sizes.element_count, sizes.instance_count);
  REQUIRE(pair_entries == sizes.element_count);

  std::int64_t previous_instance = 1;
  for (const auto& [label, instance] : result.duplicates) {
    REQUIRE(instance >= previous_instance && instance <= sizes.instance_count);
    REQUIRE(std::binary_search(distinct.begin(), distinct.end(), label));
    previous_instance = instance;
  }
}

}  // namespace quarnel_fuzz
