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

}  // namespace quarnel
