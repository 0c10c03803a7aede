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

read_failure below_base(std::int32_t index, std::int64_t first) {
  return bound_broken(read_error::index_below_base, 0, 0, {index, first, 0});
}

read_failure outside_width(std::int32_t index, std::int64_t first, std::int64_t width) {
  return bound_broken(read_error::index_outside_width, 0, 0, {index, first, width});
}

read_failure first_index_above(line_reader* reader, std::int64_t first, std::int64_t last,
                               std::int64_t width, bool holds_first_line) {
  return for_each_line(
      reader, {holds_first_line},
      // A header holds no indices.
      [](const file_header&, const read_failure&) { return no_failure(); },
      [&](line_piece line, auto more, std::int64_t line_number) {
        read_failure above = walk_line(
            line, more, [](std::int32_t) { return no_failure(); },
            [&](std::int32_t index, const char*, const char*, std::int64_t, std::int64_t) {
              if (index > last) return pair_read{nullptr, outside_width(index, first, width)};
              return pair_read{nullptr, no_failure()};
            });
        if (above.error != read_error::index_outside_width) return no_failure();
        above.line = line_number;
        return above;
      });
}

}  // namespace quarnel
