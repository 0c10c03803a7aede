#include "test_support.h"

#include "multilabel_reader.h"
#include "range_reading.h"
#include "scan_merge.h"

namespace quarnel_test {
namespace {

using namespace quarnel;

// The text the sizing scan reads, then the one the fill reads: the maker,
// called between them, switches.
struct two_texts {
  memory_ranges sized;
  memory_ranges filled;
  bool filling;
};

failure_kind open_text(void* context, int k, byte_source* source) {
  two_texts* texts = static_cast<two_texts*>(context);
  return open_memory_range(texts->filling ? &texts->filled : &texts->sized, k, source);
}

void close_text(void*, int) {}

struct maker_context {
  read_result* result;
  two_texts* texts;
};

void size_for(sparse_result* matrix, std::int64_t room, std::int64_t columns, sparse_columns* out) {
  // Poison values show any entry the scan should have written but did not.
  matrix->values.assign(static_cast<std::size_t>(room), -12345.0);
  matrix->rows.assign(static_cast<std::size_t>(room), 999999);
  matrix->starts.assign(static_cast<std::size_t>(columns) + 1, 999999);
  *out = {matrix->values.data(), matrix->rows.data(), matrix->starts.data(), room};
}

bool make(void* context, const problem_sizes& sizes, const label_dictionary& dictionary,
          sparse_columns* labels, sparse_columns* pairs) {
  maker_context* made = static_cast<maker_context*>(context);
  read_result* result = made->result;
  result->made = true;
  result->sizes = sizes;
  result->label_map.assign(dictionary.labels, dictionary.labels + dictionary.label_count);
  size_for(&result->labels, label_entries(sizes), sizes.label_count, labels);
  size_for(&result->pairs, sizes.element_count, feature_count(sizes), pairs);
  made->texts->filling = true;
  return true;
}

bool make_query_ids(void* context, std::int64_t instance_count, double** ids) {
  std::vector<double>& query_ids = static_cast<maker_context*>(context)->result->query_ids;
  query_ids.assign(static_cast<std::size_t>(instance_count), -12345.0);
  *ids = query_ids.data();
  return true;
}

void record_duplicate(void* context, std::int32_t label, std::int64_t instance_number) {
  static_cast<read_result*>(context)->duplicates.emplace_back(label, instance_number);
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
  read_result result{};
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
  maker_context context{&result, &texts};
  result.failure =
      read_ranges(ranges, options, {&context, make, {&result, record_duplicate}, make_query_ids});
  return result;
}

std::vector<std::pair<std::uint64_t, double>> column_entries(const sparse_result& matrix,
                                                            std::size_t column) {
  std::vector<std::pair<std::uint64_t, double>> entries;
  for (std::uint64_t i = matrix.starts[column]; i < matrix.starts[column + 1]; ++i)
    entries.emplace_back(matrix.rows[i], matrix.values[i]);
  return entries;
}

}  // namespace quarnel_test
