#include "sizing_scan.h"

#include "duplicate_index.h"
#include "line_scanner.h"

namespace quarnel {
namespace {

scan_failure end_of_lines(line_status status, std::int64_t line_number) {
  // The scanner stops such a line at its first byte, as a label that is no number.
  if (status == line_status::bad_start)
    return malformed_at(scan_error::label_not_number, line_number, 1);
  if (status == line_status::read_failed) return failure_of(failure_kind::read_failed);
  if (status == line_status::out_of_memory) return failure_of(failure_kind::out_of_memory);
  return no_failure();
}

// The values a header allows; without one, every 32-bit value.
struct allowed_range {
  std::int32_t lowest;
  std::int32_t highest;
  std::int32_t header_value;  // d or L
};

constexpr allowed_range any_value{INT32_MIN, INT32_MAX, 0};

allowed_range below(std::int32_t header_value) { return {0, header_value - 1, header_value}; }

scan_failure outside_header(scan_error error, std::int64_t line, std::int64_t column,
                            std::int32_t found, const allowed_range& range) {
  scan_failure failure = malformed_at(error, line, column);
  failure.found = found;
  failure.header_value = range.header_value;
  return failure;
}

scan_failure measure_lines(line_reader* reader, problem_sizes* sizes, label_dictionary* dictionary,
                           index_scratch* scratch) {
  const char* first = nullptr;
  const char* last = nullptr;
  line_status status;
  allowed_range indices = any_value;
  allowed_range labels = any_value;
  while ((status = next_line(reader, &first, &last)) == line_status::line) {
    if (is_comment_line(first, last)) continue;
    if (reader->line_number == 1) {
      scan_result header = scan_header(first, last, &sizes->header);
      if (header.error != scan_error::none)
        return malformed_at(header.error, 1, header.ptr - first + 1);
      if (sizes->header.present) {
        indices = below(sizes->header.features);
        labels = below(sizes->header.labels);
        continue;
      }
    }
    bool out_of_memory = false;
    bool ascending = true;
    std::int64_t previous_index = INT64_MIN;
    std::int32_t outside = 0;  // the label or index the header does not allow
    const char* pairs_end = first;  // end of the last pair read whole
    scan_result walked = scan_line(
        first, last,
        [&](std::int32_t label, const char*) {
          if (label < labels.lowest || label > labels.highest) {
            outside = label;
            return scan_error::label_outside_header;
          }
          if (label_dictionary_find_or_add(dictionary, label) < 0) {
            out_of_memory = true;
            return scan_error::stopped;
          }
          ++sizes->label_entry_count;
          return scan_error::none;
        },
        [&](std::int32_t index, const char* value_first, const char* line_last, const char* at) {
          if (index < indices.lowest || index > indices.highest) {
            outside = index;
            return scan_result{at, scan_error::index_outside_header};
          }
          if (index < sizes->min_index) sizes->min_index = index;
          if (index > sizes->max_index) sizes->max_index = index;
          if (index <= previous_index) ascending = false;
          previous_index = index;
          ++sizes->element_count;
          // Values are only delimited here; the fill scan converts them.
          pairs_end = skip_to_blank(value_first, line_last);
          return scan_result{pairs_end, scan_error::none};
        });
    if (out_of_memory) return failure_of(failure_kind::out_of_memory);
    // An index repeated among the pairs before a bad token comes first.
    if (!ascending) {
      std::int64_t column = 0;
      bool failed = false;
      if (find_duplicate_index(first, pairs_end, scratch, &column, &failed) != scan_error::none)
        return malformed_at(scan_error::duplicate_index, reader->line_number, column + 1);
      if (failed) return failure_of(failure_kind::out_of_memory);
    }
    const std::int64_t column = walked.ptr - first + 1;
    if (walked.error == scan_error::label_outside_header)
      return outside_header(walked.error, reader->line_number, column, outside, labels);
    if (walked.error == scan_error::index_outside_header)
      return outside_header(walked.error, reader->line_number, column, outside, indices);
    if (walked.error != scan_error::none)
      return malformed_at(walked.error, reader->line_number, column);
    ++sizes->instance_count;
  }
  return end_of_lines(status, reader->line_number);
}

// A file with a header holds exactly the instances it gives; the count is
// known only at the end, but the fault is the header's, on line 1.
scan_failure check_instance_count(const problem_sizes& sizes) {
  if (!sizes.header.present || sizes.instance_count == sizes.header.instances) return no_failure();
  scan_failure failure = malformed_at(scan_error::header_instance_count, 1, 1);
  failure.found = sizes.instance_count;
  failure.header_value = sizes.header.instances;
  return failure;
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
  if (failure.kind == failure_kind::none) failure = check_instance_count(*sizes);
  if (sizes->header.present) {
    // Zero-based, exactly as wide as the header says.
    sizes->min_index = 0;
    sizes->max_index = sizes->header.features - 1;
  }
  return failure;
}

}  // namespace quarnel
