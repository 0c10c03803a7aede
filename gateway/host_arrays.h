// The host adapters the module entries share: making and handing over
// outputs.
#pragma once

#include "mex.h"
#include "reader/multilabel_reader.h"

namespace quarnel {

// An empty 0-by-0 real double matrix.
mxArray* empty_matrix();

// A real sparse matrix of `rows` by `columns` with room for `room` entries
// (at least one), seen as the compressed columns the fill scan writes. Its
// arrays are uninitialised: the reader writes every column start and every
// entry. Null when the host has no memory.
mxArray* create_sparse(std::int64_t rows, std::int64_t columns, std::int64_t room,
                       sparse_columns* columns_out);


// Moves `count` outputs made in slots of the module's own into the host's
// `plhs`, which holds max(nlhs, 1) of them; the rest are destroyed.
void hand_over(mxArray* outputs[], int count, int nlhs, mxArray* plhs[]);

}  // namespace quarnel
