#include "gateway/host_views.h"

#include <cstdint>

namespace quarnel {

static_assert(sizeof(mwIndex) == sizeof(std::uint64_t), "the host must use 64-bit indices");
static_assert(sizeof(mxLogical) == 1, "logical elements must be one byte each");

matrix_view view_of(const mxArray* array) {
  matrix_view view{static_cast<std::int64_t>(mxGetM(array)),
                   static_cast<std::int64_t>(mxGetN(array)),
                   mxIsLogical(array) ? element_kind::logical : element_kind::real_double,
                   mxGetData(array), nullptr, nullptr};
  if (mxIsSparse(array)) {
    view.row_indices = reinterpret_cast<const std::uint64_t*>(mxGetIr(array));
    view.column_starts = reinterpret_cast<const std::uint64_t*>(mxGetJc(array));
  }
  return view;
}

}  // namespace quarnel
