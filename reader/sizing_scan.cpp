#include "sizing_scan.h"

#include "duplicate_index.h"
#include "line_scanner.h"

namespace quarnel {
namespace {

scan_failure end_of_lines(line_status status) {
  if (status == line_status::read_failed) return {failure_kind::read_failed, scan_error::none, 0, 0};
  if (status == line_status::out_of_memory)
    return {failure_kind::out_of_memory, scan_error::none, 0, 0};
  return no_failure();
}

scan_failure measure_lines(line_reader* reader, problem_sizes* sizes, label_dictionary* dictionary,
                           index_scratch* scratch) {
  const char* first = nullptr;
  const char* last = nullptr;
  line_status status;
  while ((status = next_line(reader, &first, &last)) == line_status::line) {
    if (is_comment_line(first, last)) continue;
    bool out_of_memory = false;
    bool ascending = true;
    std::int64_t previous_index = INT64_MIN;
    const char* pairs_end = first;  // end of the last pair read whole
    scan_result walked = scan_line(
        first, last,
        [&](std::int32_t label, const char*) {
          if (label_dictionary_find_or_add(dictionary, label) < 0) {
            out_of_memory = true;
            return scan_error::stopped;
          }
          ++sizes->label_entry_count;
          return scan_error::none;
        },
        [&](std::int32_t index, const char* value_first, const char* line_last, const char*) {
          if (index < sizes->min_index) sizes->min_index = index;
          if (index > sizes->max_index) sizes->max_index = index;
          if (index <= previous_index) ascending = false;
          previous_index = index;
          ++sizes->element_count;
          // Values are only delimited here; the fill scan converts them.
          pairs_end = skip_to_blank(value_first, line_last);
          return scan_result{pairs_end, scan_error::none};
        });
    if (out_of_memory) return {failure_kind::out_of_memory, scan_error::none, 0, 0};
    // An index repeated among the pairs before a bad token comes first.
    if (!ascending) {
      std::int64_t column = 0;
      bool failed = false;
      if (find_duplicate_index(first, pairs_end, scratch, &column, &failed) != scan_error::none)
        return {failure_kind::malformed, scan_error::duplicate_index, reader->line_number, column + 1};
      if (failed) return {failure_kind::out_of_memory, scan_error::none, 0, 0};
    }
    if (walked.error != scan_error::none)
      return {failure_kind::malformed, walked.error, reader->line_number, walked.ptr - first + 1};
    ++sizes->instance_count;
  }
  return end_of_lines(status);
}

}  // namespace

scan_failure sizing_scan(line_reader* reader, problem_sizes* sizes, label_dictionary* dictionary) {
  *sizes = problem_sizes{};
  sizes->min_index = 1;
  sizes->max_index = 0;
  index_scratch scratch{};
  scan_failure failure = measure_lines(reader, sizes, dictionary, &scratch);
  index_scratch_release(&scratch);
  sizes->label_count = dictionary->label_count;
  return failure;
}

}  // namespace quarnel
