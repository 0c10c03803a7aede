#include "row_order.h"

#include <cstdlib>

namespace quarnel {
namespace {

bool is_non_zero(const matrix_view& matrix, std::uint64_t position) {
  if (matrix.kind == element_kind::logical)
    return static_cast<const unsigned char*>(matrix.values)[position] != 0;
  return static_cast<const double*>(matrix.values)[position] != 0;  // NaN counts
}

double value_at(const matrix_view& matrix, std::uint64_t position) {
  if (matrix.kind == element_kind::logical)
    return static_cast<const unsigned char*>(matrix.values)[position] != 0 ? 1.0 : 0.0;
  return static_cast<const double*>(matrix.values)[position];
}

// Calls `visit(row, column, position)` for every chosen entry, column by
// column and, within a column, in stored order. False on a row out of range.
template <typename Visit>
bool for_each_entry(const matrix_view& matrix, entry_choice choice, Visit visit) {
  const std::uint64_t rows = static_cast<std::uint64_t>(matrix.rows);
  if (matrix.column_starts == nullptr) {
    std::uint64_t position = 0;
    for (std::int64_t column = 0; column < matrix.columns; ++column)
      for (std::uint64_t row = 0; row < rows; ++row, ++position)
        if (is_non_zero(matrix, position)) visit(row, column, position);
    return true;
  }
  for (std::int64_t column = 0; column < matrix.columns; ++column) {
    const std::uint64_t last = matrix.column_starts[column + 1];
    for (std::uint64_t position = matrix.column_starts[column]; position < last; ++position) {
      const std::uint64_t row = matrix.row_indices[position];
      if (row >= rows) return false;
      if (choice == entry_choice::stored || is_non_zero(matrix, position))
        visit(row, column, position);
    }
  }
  return true;
}

}  // namespace

gather_result gather_rows(const matrix_view& matrix, entry_choice choice, bool with_values,
                          row_entries* out) {
  *out = {matrix.rows, nullptr, nullptr, nullptr, -1};
  const std::size_t row_count = static_cast<std::size_t>(matrix.rows);
  std::uint64_t* starts =
      static_cast<std::uint64_t*>(std::calloc(row_count + 1, sizeof(std::uint64_t)));
  if (starts == nullptr) return gather_result::out_of_memory;

  // Counts in starts[row + 1], then turns them into starts.
  std::int64_t last_column = -1;
  const bool valid = for_each_entry(matrix, choice, [&](std::uint64_t row, std::int64_t column,
                                                        std::uint64_t) {
    ++starts[row + 1];
    last_column = column;
  });
  if (!valid) {
    std::free(starts);
    return gather_result::bad_structure;
  }
  if (last_column > std::int64_t{0xFFFFFFFF}) {
    std::free(starts);
    return gather_result::too_many_columns;
  }
  for (std::size_t row = 0; row < row_count; ++row) starts[row + 1] += starts[row];
  const std::size_t count = static_cast<std::size_t>(starts[row_count]);

  // Room for at least one entry, so that an empty matrix is not mistaken
  // for a failed allocation.
  std::uint32_t* columns =
      static_cast<std::uint32_t*>(std::malloc((count + 1) * sizeof(std::uint32_t)));
  double* values =
      with_values ? static_cast<double*>(std::malloc((count + 1) * sizeof(double))) : nullptr;
  if (columns == nullptr || (with_values && values == nullptr)) {
    std::free(starts);
    std::free(columns);
    std::free(values);
    return gather_result::out_of_memory;
  }

  // Places each entry at its row's cursor (starts[row], moved on by each),
  // then shifts the starts back by one row.
  for_each_entry(matrix, choice, [&](std::uint64_t row, std::int64_t column,
                                     std::uint64_t position) {
    const std::uint64_t slot = starts[row]++;
    columns[slot] = static_cast<std::uint32_t>(column);
    if (values != nullptr) values[slot] = value_at(matrix, position);
  });
  for (std::size_t row = row_count; row > 0; --row) starts[row] = starts[row - 1];
  starts[0] = 0;

  *out = {matrix.rows, starts, columns, values, last_column};
  return gather_result::done;
}

void release_rows(row_entries* entries) {
  std::free(entries->starts);
  std::free(entries->columns);
  std::free(entries->values);
  *entries = {0, nullptr, nullptr, nullptr, -1};
}

}  // namespace quarnel
