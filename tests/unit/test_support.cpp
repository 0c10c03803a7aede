#include "test_support.h"

#include "byte_source.h"
#include "line_reader.h"

namespace quarnel_test {
namespace {

void record_duplicate(void* context, std::int32_t label, std::int64_t instance_number) {
  static_cast<read_result*>(context)->duplicates.emplace_back(label, instance_number);
}

void size_for(sparse_result* matrix, std::int64_t room, std::int64_t columns) {
  // Poison values show any entry the scan should have written but did not.
  matrix->values.assign(static_cast<std::size_t>(room), -12345.0);
  matrix->rows.assign(static_cast<std::size_t>(room), 999999);
  matrix->starts.assign(static_cast<std::size_t>(columns) + 1, 999999);
}

}  // namespace

read_result read_text(const std::string& text, const std::string* fill_text,
                      std::size_t block_size) {
  using namespace quarnel;
  read_result result{};
  label_dictionary dictionary;
  label_dictionary_create(&dictionary);
  memory_cursor cursor{text.data(), text.data() + text.size()};
  line_reader reader;
  line_reader_open(&reader, memory_byte_source(&cursor), block_size);
  result.sizing = sizing_scan(&reader, &result.sizes, &dictionary);
  result.fill = no_failure();
  result.label_map.assign(dictionary.labels, dictionary.labels + dictionary.label_count);
  if (result.sizing.kind == failure_kind::none) {
    const std::string& second = fill_text ? *fill_text : text;
    memory_cursor again{second.data(), second.data() + second.size()};
    reader.source = memory_byte_source(&again);
    line_reader_restart(&reader);
    size_for(&result.labels, result.sizes.label_entry_count, result.sizes.instance_count);
    size_for(&result.pairs, result.sizes.element_count, result.sizes.instance_count);
    result.fill = fill_scan(
        &reader, result.sizes, dictionary,
        {result.labels.values.data(), result.labels.rows.data(), result.labels.starts.data(),
         result.sizes.label_entry_count},
        {result.pairs.values.data(), result.pairs.rows.data(), result.pairs.starts.data(),
         result.sizes.element_count},
        {&result, record_duplicate});
  }
  line_reader_close(&reader);
  label_dictionary_release(&dictionary);
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
