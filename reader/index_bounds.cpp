#include "index_bounds.h"

namespace quarnel {

column_indices fixed_columns(read_options::index_base base, std::int64_t width,
                              const file_header& header) {
  column_indices columns{true, 0, INT64_MAX};
  if (base == read_options::index_base::one_based) columns.first = 1;
  else if (base == read_options::index_base::by_file && !header.present) columns.fixed = false;
  if (width >= 0) columns.last = columns.first + width - 1;
  return columns;
}

scan_failure below_base(std::int32_t index, std::int64_t line, std::int64_t column,
                        std::int64_t first) {
  scan_failure failure = malformed_at(scan_error::index_below_base, line, column);
  failure.found = index;
  failure.first_index = first;
  return failure;
}

scan_failure outside_width(std::int32_t index, std::int64_t line, std::int64_t column,
                           std::int64_t first, std::int64_t width) {
  scan_failure failure = malformed_at(scan_error::index_outside_width, line, column);
  failure.found = index;
  failure.first_index = first;
  failure.header_value = width;
  return failure;
}

scan_failure first_index_above(line_reader* reader, std::int64_t last, std::int64_t first,
                               std::int64_t width, bool holds_first_line) {
  const char* line_first = nullptr;
  const char* line_last = nullptr;
  line_status status;
  while ((status = next_line(reader, &line_first, &line_last)) == line_status::line) {
    if (is_comment_line(line_first, line_last)) continue;
    if (holds_first_line && reader->line_number == 1 && is_header_line(line_first, line_last))
      continue;
    std::int32_t above = 0;
    scan_result walked = scan_line(
        line_first, line_last, [](std::int32_t, const char*) { return scan_error::none; },
        [&](std::int32_t index, const char* value_first, const char* end, const char* at) {
          if (index > last) {
            above = index;
            return scan_result{at, scan_error::stopped};
          }
          return scan_result{skip_to_blank(value_first, end), scan_error::none};
        });
    if (walked.error == scan_error::stopped)
      return outside_width(above, reader->line_number, walked.ptr - line_first + 1, first, width);
  }
  if (status == line_status::read_failed) return failure_of(failure_kind::read_failed);
  if (status == line_status::out_of_memory) return failure_of(failure_kind::out_of_memory);
  return no_failure();
}

}  // namespace quarnel
