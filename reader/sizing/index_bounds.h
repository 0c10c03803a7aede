// Which feature indices a read allows and where its columns start: the
// caller's 'zero_based' and 'width', and the file's header.
#pragma once

#include <cstdint>

#include "reader/read_failure.h"
#include "reader/read_options.h"
#include "reader/syntax/file_header.h"
#include "reader/text/line_reader.h"

namespace quarnel {

// The indices of the first and the last column, when the read fixes them
// before it has seen the file's indices: with 'zero_based' or a header.
// Without a width, `last` is INT64_MAX. When the base is the file's own
// (its smallest index), nothing is fixed: the width then counts from a
// base known only after the whole file is sized.
struct column_indices {
  bool fixed;
  std::int64_t first;
  std::int64_t last;
};

column_indices fixed_columns(read_options::index_base base, std::int64_t width,
                              const file_header& header);

// A feature index below the first column's index `first`, for a walk to
// place (its line and column are left to set).
read_failure below_base(std::int32_t index, std::int64_t first);

// A feature index outside the `width` columns from index `first`, for a
// walk to place.
read_failure outside_width(std::int32_t index, std::int64_t first, std::int64_t width);

}  // namespace quarnel
