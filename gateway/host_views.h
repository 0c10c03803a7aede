// Host arrays seen as the plain matrices the writer core takes, without
// copying their data.
#pragma once

#include "mex.h"
#include "writer/multilabel_writer.h"

namespace quarnel {

// `array`'s size, element kind and data; sparse arrays as compressed
// columns. `array` must be a real 2-D double or logical array.
matrix_view view_of(const mxArray* array);

}  // namespace quarnel
