// The entries of a column-major matrix visited row by row, as the data file
// needs them. A counting pass sizes every row; then the rows are taken in
// blocks whose entries fit a bounded buffer, each block regrouped by
// sweeping the columns from where the previous block left them. Nothing
// proportional to the matrix's entries is allocated, only to its rows and
// columns.
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
// column_starts[c + 1]) of `values` and `row_indices` (0-based rows,
// ascending within a column).
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

// A walk over the rows of one matrix. After row_walk_next, the block holds
// rows [first_row, end_row): row r's entries are [row_starts[r] - base,
// row_starts[r + 1] - base) of `columns` and `values` (base being
// row_starts[first_row]), in ascending column order.
struct row_walk {
  matrix_view matrix;
  entry_choice choice;
  bool with_values;
  std::uint64_t* row_starts;      // rows + 1: where each row's entries begin
  std::int64_t last_column;       // the largest column holding an entry, or -1
  // Compressed only: the columns holding entries and, for each, the next
  // entry position not yet taken into a block.
  std::uint64_t* listed_columns;
  std::uint64_t* cursors;
  std::int64_t listed_count;
  // The current block.
  std::uint64_t* fill;            // per row of the block: the next free slot
  std::uint32_t* columns;
  double* values;                 // null when only the columns are wanted
  std::uint64_t capacity;         // entries the block's arrays hold
  std::int64_t first_row;
  std::int64_t end_row;
};

enum class walk_result : unsigned char {
  done,
  out_of_memory,     // an array of the walk could not be allocated
  too_many_columns,  // an entry lies at column 2^32 or beyond
  bad_structure,     // a compressed matrix names a row outside its rows, or out of order
};

// Entries per block (12 MB of block arrays at most): enough for each
// column's next entries to come in runs rather than one by one, few enough
// to keep the arrays near the cache; on the typical benchmark set 2^20 ran
// faster than 2^16, 2^18 or 2^22.
constexpr std::uint64_t default_block_entries = std::uint64_t{1} << 20;

// Counts the entries of `matrix` chosen by `choice` per row. A block holds
// up to `block_entries` entries, more when one row or the columns holding
// entries need it (so that sweeping the columns costs no more than the
// entries taken), fewer when the matrix holds fewer. On any result but
// done, nothing is left to close.
walk_result row_walk_open(row_walk* walk, const matrix_view& matrix, entry_choice choice,
                          bool with_values, std::uint64_t block_entries = default_block_entries);

// Moves to the next block of rows. False when out of memory.
bool row_walk_next(row_walk* walk);

void row_walk_close(row_walk* walk);

}  // namespace quarnel
