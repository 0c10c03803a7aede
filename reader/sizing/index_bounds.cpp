#include "reader/sizing/index_bounds.h"

#include "reader/syntax/line_loop.h"

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

namespace {

// The first pair of the line whose index is above `last`: true, with the
// index and the pair's 0-based column, when there is one.
template <class More>
bool index_above(line_piece line, More more, std::int64_t last, std::int32_t* above,
                 std::int64_t* column) {
  const walk_end walked = walk_line(
      line, more, [](std::int32_t) { return scan_error::none; },
      [&](std::int32_t index, const char*, const char*, std::int64_t, std::int64_t) {
        if (index > last) {
          *above = index;
          return scan_result{nullptr, scan_error::stopped};
        }
        return scan_result{nullptr, scan_error::none};
      });
  *column = walked.column;
  return walked.error == scan_error::stopped;
}

}  // namespace

scan_failure first_index_above(line_reader* reader, std::int64_t last, std::int64_t first,
                               std::int64_t width, bool holds_first_line) {
  return for_each_line(
      reader, {holds_first_line},
      // A header holds no indices.
      [](const file_header&, const walk_end&) { return no_failure(); },
      [&](line_piece line, auto more, std::int64_t line_number) {
        std::int32_t above = 0;
        std::int64_t column = 0;
        if (!index_above(line, more, last, &above, &column)) return no_failure();
        return outside_width(above, line_number, column + 1, first, width);
      });
}

}  // namespace quarnel
