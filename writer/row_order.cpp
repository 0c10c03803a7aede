#include "writer/row_order.h"

#include <cstdlib>

namespace quarnel {
namespace {


// Each column's next entries lie far from the previous column's: asking
// for them some columns ahead hides the wait for memory.
constexpr std::int64_t prefetch_distance = 16;

inline void prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

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

bool is_chosen(const row_walk& walk, std::uint64_t position) {
  return walk.choice == entry_choice::stored || is_non_zero(walk.matrix, position);
}

// Counts each row's entries into row_starts[row + 1] and lists the columns
// holding stored entries; false when a row is out of range or out of order.
bool count_compressed(row_walk* walk) {
  const matrix_view& matrix = walk->matrix;
  const std::uint64_t rows = static_cast<std::uint64_t>(matrix.rows);
  for (std::int64_t column = 0; column < matrix.columns; ++column) {
    const std::uint64_t first = matrix.column_starts[column];
    const std::uint64_t last = matrix.column_starts[column + 1];
    std::uint64_t next_row = 0;  // rows below this one are taken
    for (std::uint64_t position = first; position < last; ++position) {
      const std::uint64_t row = matrix.row_indices[position];
      if (row >= rows || row < next_row) return false;
      next_row = row + 1;
      if (is_chosen(*walk, position)) {
        ++walk->row_starts[row + 1];
        walk->last_column = column;
      }
    }
    if (last > first) ++walk->listed_count;
  }
  return true;
}

void count_full(row_walk* walk) {
  const matrix_view& matrix = walk->matrix;
  std::uint64_t position = 0;
  for (std::int64_t column = 0; column < matrix.columns; ++column) {
    for (std::int64_t row = 0; row < matrix.rows; ++row, ++position) {
      if (is_non_zero(matrix, position)) {
        ++walk->row_starts[row + 1];
        walk->last_column = column;
      }
    }
  }
}

bool list_columns(row_walk* walk) {
  const std::size_t count = static_cast<std::size_t>(walk->listed_count) + 1;
  walk->listed_columns = static_cast<std::uint64_t*>(std::malloc(count * sizeof(std::uint64_t)));
  walk->cursors = static_cast<std::uint64_t*>(std::malloc(count * sizeof(std::uint64_t)));
  if (walk->listed_columns == nullptr || walk->cursors == nullptr) return false;
  const std::uint64_t* starts = walk->matrix.column_starts;
  std::int64_t listed = 0;
  for (std::int64_t column = 0; column < walk->matrix.columns; ++column) {
    if (starts[column + 1] > starts[column]) {
      walk->listed_columns[listed] = static_cast<std::uint64_t>(column);
      walk->cursors[listed] = starts[column];
      ++listed;
    }
  }
  return true;
}

// Makes the block's arrays hold at least `need` entries.
bool reserve(row_walk* walk, std::uint64_t need) {
  if (need <= walk->capacity) return true;
  std::uint32_t* columns =
      static_cast<std::uint32_t*>(std::realloc(walk->columns, need * sizeof(std::uint32_t)));
  if (columns == nullptr) return false;
  walk->columns = columns;
  if (walk->with_values) {
    double* values = static_cast<double*>(std::realloc(walk->values, need * sizeof(double)));
    if (values == nullptr) return false;
    walk->values = values;
  }
  walk->capacity = need;
  return true;
}

void sweep_compressed(row_walk* walk, std::uint64_t first_row, std::uint64_t end_row) {
  const matrix_view& matrix = walk->matrix;
  for (std::int64_t i = 0; i < walk->listed_count; ++i) {
    if (i + prefetch_distance < walk->listed_count) {
      const std::uint64_t ahead = walk->cursors[i + prefetch_distance];
      prefetch(matrix.row_indices + ahead);
      prefetch(static_cast<const double*>(matrix.values) + ahead);
    }
    const std::uint64_t column = walk->listed_columns[i];
    const std::uint64_t last = matrix.column_starts[column + 1];
    std::uint64_t position = walk->cursors[i];
    for (; position < last; ++position) {
      const std::uint64_t row = matrix.row_indices[position];
      if (row >= end_row) break;
      if (!is_chosen(*walk, position)) continue;
      const std::uint64_t slot = walk->fill[row - first_row]++;
      walk->columns[slot] = static_cast<std::uint32_t>(column);
      if (walk->with_values) walk->values[slot] = value_at(matrix, position);
    }
    walk->cursors[i] = position;
  }
}

void sweep_full(row_walk* walk, std::uint64_t first_row, std::uint64_t end_row) {
  const matrix_view& matrix = walk->matrix;
  const std::uint64_t rows = static_cast<std::uint64_t>(matrix.rows);
  for (std::int64_t column = 0; column < matrix.columns; ++column) {
    const std::uint64_t column_start = static_cast<std::uint64_t>(column) * rows;
    for (std::uint64_t row = first_row; row < end_row; ++row) {
      if (!is_non_zero(matrix, column_start + row)) continue;
      const std::uint64_t slot = walk->fill[row - first_row]++;
      walk->columns[slot] = static_cast<std::uint32_t>(column);
      if (walk->with_values) walk->values[slot] = value_at(matrix, column_start + row);
    }
  }
}

}  // namespace

walk_result row_walk_open(row_walk* walk, const matrix_view& matrix, entry_choice choice,
                          bool with_values, std::uint64_t block_entries) {
  *walk = row_walk{};
  walk->matrix = matrix;
  walk->choice = choice;
  walk->with_values = with_values;
  walk->last_column = -1;
  const std::size_t rows = static_cast<std::size_t>(matrix.rows);
  walk->row_starts = static_cast<std::uint64_t*>(std::calloc(rows + 1, sizeof(std::uint64_t)));
  walk->fill = static_cast<std::uint64_t*>(std::malloc((rows + 1) * sizeof(std::uint64_t)));
  walk_result result = walk_result::done;
  if (walk->row_starts == nullptr || walk->fill == nullptr) {
    result = walk_result::out_of_memory;
  } else if (matrix.column_starts == nullptr) {
    count_full(walk);
  } else if (!count_compressed(walk)) {
    result = walk_result::bad_structure;
  } else if (!list_columns(walk)) {
    result = walk_result::out_of_memory;
  }
  if (result == walk_result::done && walk->last_column > std::int64_t{0xFFFFFFFF})
    result = walk_result::too_many_columns;
  if (result == walk_result::done) {
    for (std::size_t row = 0; row < rows; ++row) walk->row_starts[row + 1] += walk->row_starts[row];
    // No more than the matrix holds, but at least as many entries as there
    // are listed columns.
    std::uint64_t capacity = walk->row_starts[rows];
    if (capacity > block_entries) capacity = block_entries;
    if (static_cast<std::uint64_t>(walk->listed_count) > capacity)
      capacity = static_cast<std::uint64_t>(walk->listed_count);
    if (capacity == 0) capacity = 1;
    if (!reserve(walk, capacity)) result = walk_result::out_of_memory;
  }
  if (result != walk_result::done) row_walk_close(walk);
  return result;
}

bool row_walk_next(row_walk* walk) {
  const std::uint64_t rows = static_cast<std::uint64_t>(walk->matrix.rows);
  const std::uint64_t first_row = static_cast<std::uint64_t>(walk->end_row);
  if (first_row >= rows) return true;
  const std::uint64_t* starts = walk->row_starts;
  const std::uint64_t base = starts[first_row];
  std::uint64_t end_row = first_row + 1;
  while (end_row < rows && starts[end_row + 1] - base <= walk->capacity) ++end_row;
  if (!reserve(walk, starts[end_row] - base)) return false;
  for (std::uint64_t row = first_row; row < end_row; ++row)
    walk->fill[row - first_row] = starts[row] - base;
  if (walk->matrix.column_starts == nullptr)
    sweep_full(walk, first_row, end_row);
  else
    sweep_compressed(walk, first_row, end_row);
  walk->first_row = static_cast<std::int64_t>(first_row);
  walk->end_row = static_cast<std::int64_t>(end_row);
  return true;
}

void row_walk_close(row_walk* walk) {
  std::free(walk->row_starts);
  std::free(walk->fill);
  std::free(walk->listed_columns);
  std::free(walk->cursors);
  std::free(walk->columns);
  std::free(walk->values);
  *walk = row_walk{};
}

}  // namespace quarnel
