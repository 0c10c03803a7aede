// The entries of a column-major matrix regrouped by row, as the data file
// needs them: one counting pass sizes each row, a second places the entries.
#pragma once

#include <cstdint>

namespace quarnel {

enum class element_kind : unsigned char {
  real_double,  // 8-byte doubles
  logical,      // one byte each, non-zero for true
};

// A matrix as the host holds it, by columns. Full when `column_starts` is
// null (`values` holds rows * columns elements, column after column);
// otherwise compressed: column c holds the entries [column_starts[c],
// column_starts[c + 1]) of `values` and `row_indices` (0-based rows).
struct matrix_view {
  std::int64_t rows;
  std::int64_t columns;
  element_kind kind;
  const void* values;
  const std::uint64_t* row_indices;
  const std::uint64_t* column_starts;
};

// Which entries count: the non-zero ones, or every stored one of a
// compressed matrix (its explicit zeros too). A full matrix gives its
// non-zero elements either way.
enum class entry_choice : unsigned char { non_zero, stored };

// Row r holds the entries [starts[r], starts[r + 1]), in ascending column
// order; `values` is null when only the columns were asked for.
struct row_entries {
  std::int64_t rows;
  std::uint64_t* starts;
  std::uint32_t* columns;
  double* values;
  std::int64_t last_column;  // the largest column holding an entry, or -1
};

enum class gather_result : unsigned char {
  done,
  out_of_memory,   // an array of the result could not be allocated
  too_many_columns,  // an entry lies at column 2^32 or beyond
  bad_structure,   // a compressed matrix names a row outside its rows
};

// Regroups the entries of `matrix` chosen by `choice`; the values too when
// `with_values`. On any result but done, `*out` holds nothing to release.
gather_result gather_rows(const matrix_view& matrix, entry_choice choice, bool with_values,
                          row_entries* out);

void release_rows(row_entries* entries);

}  // namespace quarnel
