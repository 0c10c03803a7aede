// Outputs made as Octave's own arrays at their final size, for the
// oct-file entry: Octave takes them over as they are when the call
// returns, with no copy, and the fill scan writes straight into them.
#pragma once

#include <cstddef>
#include <cstdint>

#include <octave/dNDArray.h>
#include <octave/dSparse.h>

#include "reader/sparse_columns.h"

namespace quarnel {

// The arrays are uninitialised: Octave's own constructors would write
// every element once before the fill writes it again. So they are
// allocated here with operator new and handed to the constructors that
// take such arrays over. When there is no memory, these return false with
// the bytes of the allocation that failed in `failed_bytes` (0 when it was
// one of Octave's own small ones, or too large to ask for).

// A real sparse matrix of `rows` by `columns` with room for `room` entries
// (at least one), seen as the compressed columns the fill scan writes.
bool make_octave_sparse(std::int64_t rows, std::int64_t columns, std::int64_t room,
                        SparseMatrix* matrix, sparse_columns* columns_out,
                        std::size_t* failed_bytes);

// A column of `count` doubles; `data` points at them.
bool make_octave_column(std::int64_t count, NDArray* column, double** data,
                        std::size_t* failed_bytes);

}  // namespace quarnel
