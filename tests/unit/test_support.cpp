#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "reader/multilabel_reader.h"
#include "reader/range_reading.h"
#include "reader/sizing/scan_merge.h"
#include "reader/text/decoded_blocks.h"

namespace quarnel_test {
namespace {

using namespace quarnel;

// The text the sizing scan reads, then the one the fill reads: the host,
// called between them, switches.
struct two_texts {
  memory_ranges sized;
  memory_ranges filled;
  bool filling;
};

// A source that notes the largest read asked of it.
struct noted_source {
  byte_source inner;
  std::atomic<std::size_t>* largest;  // shared by the threads that read ranges
};

std::size_t read_noted(void* context, char* into, std::size_t size, read_fault* fault) {
  noted_source* source = static_cast<noted_source*>(context);
  std::size_t seen = source->largest->load();
  while (size > seen && !source->largest->compare_exchange_weak(seen, size)) {
  }
  return source->inner.read(source->inner.context, into, size, fault);
}

struct noted_ranges {
  text_ranges inner;
  std::vector<noted_source> sources;  // one per range
  std::vector<char> open;             // one per range
  std::atomic<std::size_t> largest{0};
};

read_error open_noted(void* context, int k, byte_source* source) {
  noted_ranges* ranges = static_cast<noted_ranges*>(context);
  // A file's range holds one open file: opening it again before closing
  // it would lose the first.
  if (ranges->open[static_cast<std::size_t>(k)]) return read_error::read_failed;
  ranges->open[static_cast<std::size_t>(k)] = 1;
  noted_source& noted = ranges->sources[static_cast<std::size_t>(k)];
  const read_error opened = ranges->inner.open(ranges->inner.context, k, &noted.inner);
  noted.largest = &ranges->largest;
  *source = {&noted, read_noted};
  return opened;
}

void close_noted(void* context, int k) {
  noted_ranges* ranges = static_cast<noted_ranges*>(context);
  ranges->open[static_cast<std::size_t>(k)] = 0;
  ranges->inner.close(ranges->inner.context, k);
}

// The rest of a text's calls, passed on to the ranges noted.
const text_ranges& inner_of(void* context) { return static_cast<noted_ranges*>(context)->inner; }
std::int64_t consumed_noted(void* c, int k) { return inner_of(c).consumed(inner_of(c).context, k); }
void begin_noted(void* c) { inner_of(c).begin_pass(inner_of(c).context); }
void end_noted(void* c) { inner_of(c).end_pass(inner_of(c).context); }
range_state ready_noted(void* c, int k) { return inner_of(c).ready(inner_of(c).context, k); }
int read_noted_count(void* c) { return inner_of(c).ranges_read(inner_of(c).context); }
bool gave_way_noted(void* c) { return inner_of(c).gave_way(inner_of(c).context); }
std::int64_t held_noted(void* c) { return inner_of(c).held_bytes(inner_of(c).context); }

read_error open_text(void* context, int k, byte_source* source) {
  two_texts* texts = static_cast<two_texts*>(context);
  return open_memory_range(texts->filling ? &texts->filled : &texts->sized, k, source);
}

void close_text(void*, int) {}

// Outputs as plain arrays, poisoned, for the core's reads in tests.
class test_host final : public read_host {
 public:
  test_host(read_result* result, bool* filling) : result_(result), filling_(filling) {}

  bool make_outputs(const problem_sizes& sizes, const std::int32_t* labels,
                    sparse_columns* label_columns, sparse_columns* pair_columns) override {
    result_->made = true;
    result_->sizes = sizes;
    result_->label_map.assign(labels, labels + sizes.label_count);
    size_for(&result_->labels, label_entries(sizes), sizes.label_count, label_columns);
    size_for(&result_->pairs, sizes.element_count, feature_count(sizes), pair_columns);
    if (filling_ != nullptr) *filling_ = true;
    return true;
  }
  bool wants_query_ids() const override { return true; }
  bool make_query_ids(std::int64_t instance_count, double** ids) override {
    result_->query_ids.assign(static_cast<std::size_t>(instance_count), -12345.0);
    *ids = result_->query_ids.data();
    return true;
  }
  void report_duplicate(std::int32_t label, std::int64_t instance_number) override {
    result_->duplicates.emplace_back(label, instance_number);
  }

 private:
  // Poison values show any entry the scan should have written but did not.
  static void size_for(sparse_result* matrix, std::int64_t room, std::int64_t columns,
                       sparse_columns* out) {
    matrix->values.assign(static_cast<std::size_t>(room), -12345.0);
    matrix->rows.assign(static_cast<std::size_t>(room), 999999);
    matrix->starts.assign(static_cast<std::size_t>(columns) + 1, 999999);
    *out = {matrix->values.data(), matrix->rows.data(), matrix->starts.data(), room};
  }

  read_result* result_;
  bool* filling_;  // switches to the fill's text, when there are two
};

std::size_t generate(void* context, char* into, std::size_t size, read_fault*) {
  generated_cursor* cursor = static_cast<generated_cursor*>(context);
  const auto& segments = cursor->text->segments;
  std::size_t count = 0;
  while (count < size && cursor->segment < segments.size()) {
    const generated_text::segment& segment = segments[cursor->segment];
    const std::uint64_t left = segment.count - cursor->served;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, size - count));
    if (segment.text.size() == 1) {
      std::memset(into + count, segment.text[0], n);
    } else {
      for (std::size_t i = 0; i < n; ++i)
        into[count + i] = segment.text[(cursor->served + i) % segment.text.size()];
    }
    count += n;
    cursor->served += n;
    if (cursor->served == segment.count) {
      ++cursor->segment;
      cursor->served = 0;
    }
  }
  return count;
}

read_error open_generated(void* context, int, byte_source* source) {
  generated_cursor* cursor = static_cast<generated_cursor*>(context);
  *cursor = {cursor->text, 0, 0};
  *source = generated_source(cursor);
  return read_error::none;
}

// The whole core over `ranges`, the largest read noted.
read_result read_noting(const text_ranges& ranges, const read_options& options, bool* filling) {
  read_result result{};
  const std::size_t count = static_cast<std::size_t>(ranges.count);
  noted_ranges noted{ranges, std::vector<noted_source>(count), std::vector<char>(count, 0), 0};
  text_ranges outer = ranges;
  outer.context = &noted;
  outer.open = open_noted;
  outer.close = close_noted;
  if (ranges.consumed != nullptr) outer.consumed = consumed_noted;
  if (ranges.begin_pass != nullptr) {
    outer.begin_pass = begin_noted;
    outer.end_pass = end_noted;
    outer.ready = ready_noted;
    outer.ranges_read = read_noted_count;
    outer.gave_way = gave_way_noted;
    outer.held_bytes = held_noted;
  }
  test_host host(&result, filling);
  result.failure = read_ranges(outer, options, host);
  result.largest_read = noted.largest;
  return result;
}

// The text of a stream read from its start, or the fill's text once the
// outputs are made.
struct stream_texts {
  const std::string* sized;
  const std::string* filled;
  bool filling;
  memory_cursor cursor;
  std::int64_t handed;
};

std::size_t read_stream_text(void* context, char* into, std::size_t size, read_fault* fault) {
  stream_texts* texts = static_cast<stream_texts*>(context);
  const std::size_t count = memory_byte_source(&texts->cursor).read(&texts->cursor, into, size, fault);
  texts->handed += static_cast<std::int64_t>(count);
  return count;
}

read_error open_stream_text(void* context, byte_source* source) {
  stream_texts* texts = static_cast<stream_texts*>(context);
  const std::string* text = texts->filling ? texts->filled : texts->sized;
  texts->cursor = {text->data(), text->data() + text->size()};
  texts->handed = 0;
  *source = {texts, read_stream_text};
  return read_error::none;
}

void close_stream_text(void*) {}

std::int64_t stream_text_handed(void* context) { return static_cast<stream_texts*>(context)->handed; }

}  // namespace

read_result read_in_blocks(const std::string& text, const std::string* fill_text,
                           const block_cutting& cutting, const read_options& options) {
  stream_texts texts{&text, fill_text != nullptr ? fill_text : &text, false, {}, 0};
  owned_decoded_blocks blocks = open_decoded_blocks(
      {&texts, open_stream_text, close_stream_text, stream_text_handed}, cutting);
  text_ranges ranges = decoded_block_ranges(blocks.get());
  const text_ranges whole = whole_decoded_text(blocks.get());
  ranges.whole = &whole;
  ranges.block_size = 64;
  return read_noting(ranges, options, &texts.filling);
}

const std::vector<std::string>& sample_texts() {
  static const std::vector<std::string> texts = {
      // Labels first met in later ranges, repeats across the file, indices
      // below 1 only in a later range.
      "5 1:1 3:2\n3,5 2:1\n\n7,7 4:1\n 0:9\n5,3,5,5 -3:1 8:2\n9\n",
      // Comments, CR LF, a last line without a newline.
      "# c\r\n1 1:1\r\n#\r\n2 2:2 # t\r\n\r\n3 3:3",
      // A header, whose bounds every range keeps.
      "4 6 3\n0 0:1\n1 5:1\n2,0 2:2\n 3:3\n",
      "2 6 3\n0 0:1\n1 5:1\n2,0 7:2\n 3:3\n",  // an index beyond the header, then another fault
      // The first fault of the file, with faults later on as well.
      "1 1:1\n2 2:2\n3 x:1\n4 4:4\n5 y:1\n",
      "1 1:1\n2 2:abc\n3 3:3\n4 x:1\n",  // a bad value before a later fault
      "1 1:1\n2 2:2\n3 3:3\n4 4:abc\n",  // a bad value found only by the fill
      "1 1:1\n2,2 2:2\n3 3:3\n4 4:abc\n",  // repeats reported before it
      "3 5 3\n1 1:1\n1 1:x\n",           // the header's count is checked last
      // Query ids, NaN where a line has none, and a misplaced one later on.
      "2 qid:1 1:0.5 3:1\n0 qid:1 2:1\n qid:2 1:1\n3 1:2\nqid:3\n",
      "1 qid:1 1:1\n2 2:2\n3 qid:2 3:1 qid:2\n",
  };  return texts;
}

std::size_t read_string(void* context, std::int64_t offset, char* into, std::size_t size) {
  const std::string* text = static_cast<const std::string*>(context);
  if (offset >= static_cast<std::int64_t>(text->size())) return 0;
  const std::size_t count = std::min(size, text->size() - static_cast<std::size_t>(offset));
  text->copy(into, count, static_cast<std::size_t>(offset));
  return count;
}

read_result read_text(const std::string& text, const std::string* fill_text,
                      std::size_t block_size, const read_options& options) {
  // The part that the options' offset and length choose, as a text of its own.
  const std::int64_t size = static_cast<std::int64_t>(text.size());
  std::string* whole = const_cast<std::string*>(&text);
  const byte_span span = part_of_text(size, options.offset, options.length, whole, read_string);
  std::string part = text.substr(static_cast<std::size_t>(span.first),
                                 static_cast<std::size_t>(span.last - span.first));
  two_texts texts{};
  texts.sized.text = &part;
  texts.filled.text = fill_text != nullptr ? fill_text : &part;
  texts.sized.starts = line_aligned_starts(static_cast<std::int64_t>(part.size()),
                                           options.range_bytes, &part, read_string);
  texts.filled.starts = fill_text != nullptr ? std::vector<std::int64_t>{} : texts.sized.starts;
  if (fill_text != nullptr) texts.sized.starts.clear();  // a changed text is read whole
  const int count = static_cast<int>(texts.sized.starts.size()) + 1;
  text_ranges ranges{&texts, count, compression_format::none, open_text, close_text, block_size};
  ranges.from_first_line = span.first == 0;
  ranges.to_last_line = span.last == size;
  memory_text_ranges(&texts.sized);
  memory_text_ranges(&texts.filled);
  return read_noting(ranges, options, &texts.filling);
}

byte_source generated_source(generated_cursor* cursor) { return {cursor, generate}; }

read_result read_generated(const generated_text& text, std::size_t block_size) {
  generated_cursor cursor{&text, 0, 0};
  const text_ranges ranges{&cursor, 1, compression_format::none, open_generated, close_text, block_size};
  return read_noting(ranges, {}, nullptr);
}

bool same_read(const read_result& a, const read_result& b) {
  const read_failure& f = a.failure;
  const read_failure& g = b.failure;
  if (f.error != g.error || f.error != g.error || f.line != g.line || f.column != g.column ||
      a.duplicates != b.duplicates)
    return false;
  if (f.error != read_error::none) return true;
  for (auto matrix : {&read_result::labels, &read_result::pairs}) {
    const sparse_result& m = a.*matrix;
    const sparse_result& n = b.*matrix;
    if (m.starts != n.starts || m.rows != n.rows || m.values.size() != n.values.size() ||
        (!m.values.empty() &&
         std::memcmp(m.values.data(), n.values.data(), m.values.size() * sizeof(double)) != 0))
      return false;
  }
  return a.label_map == b.label_map && a.sizes.min_index == b.sizes.min_index &&
         a.sizes.max_index == b.sizes.max_index;
}

std::vector<std::pair<std::uint64_t, double>> column_entries(const sparse_result& matrix,
                                                            std::size_t column) {
  std::vector<std::pair<std::uint64_t, double>> entries;
  for (std::uint64_t i = matrix.starts[column]; i < matrix.starts[column + 1]; ++i)
    entries.emplace_back(matrix.rows[i], matrix.values[i]);
  return entries;
}

}  // namespace quarnel_test
