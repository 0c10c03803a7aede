#include "test_support.h"

#include <algorithm>
#include <cstring>

#include "reader/multilabel_reader.h"
#include "reader/range_reading.h"
#include "reader/sizing/scan_merge.h"

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
  std::size_t* largest;
};

std::size_t read_noted(void* context, char* into, std::size_t size, read_fault* fault) {
  noted_source* source = static_cast<noted_source*>(context);
  if (size > *source->largest) *source->largest = size;
  return source->inner.read(source->inner.context, into, size, fault);
}

struct noted_ranges {
  text_ranges inner;
  std::vector<noted_source> sources;  // one per range
  std::vector<char> open;             // one per range
  std::size_t largest;
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

read_error open_text(void* context, int k, byte_source* source) {
  two_texts* texts = static_cast<two_texts*>(context);
  return open_memory_range(texts->filling ? &texts->filled : &texts->sized, k, source);
}

void close_text(void*, int) {}

// Outputs as plain arrays, poisoned, for the core's reads in tests.
class test_host final : public read_host {
 public:
  test_host(read_result* result, two_texts* texts) : result_(result), texts_(texts) {}

  bool make_outputs(const problem_sizes& sizes, const std::int32_t* labels,
                    sparse_columns* label_columns, sparse_columns* pair_columns) override {
    result_->made = true;
    result_->sizes = sizes;
    result_->label_map.assign(labels, labels + sizes.label_count);
    size_for(&result_->labels, label_entries(sizes), sizes.label_count, label_columns);
    size_for(&result_->pairs, sizes.element_count, feature_count(sizes), pair_columns);
    if (texts_ != nullptr) texts_->filling = true;
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
  two_texts* texts_;  // switched to the fill's text, when there are two
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
read_result read_noting(const text_ranges& ranges, const read_options& options, two_texts* texts) {
  read_result result{};
  const std::size_t count = static_cast<std::size_t>(ranges.count);
  noted_ranges noted{ranges, std::vector<noted_source>(count), std::vector<char>(count, 0), 0};
  text_ranges outer = ranges;
  outer.context = &noted;
  outer.open = open_noted;
  outer.close = close_noted;
  test_host host(&result, texts);
  result.failure = read_ranges(outer, options, host);
  result.largest_read = noted.largest;
  return result;
}

}  // namespace

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
  return read_noting(ranges, options, &texts);
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
