#include "host_arrays.h"

#include <cstdint>

namespace quarnel {

static_assert(sizeof(mwIndex) == sizeof(std::uint64_t), "the host must use 64-bit indices");

mxArray* empty_matrix() { return mxCreateDoubleMatrix(0, 0, mxREAL); }

mxArray* create_sparse(std::int64_t rows, std::int64_t columns, std::int64_t room,
                       sparse_columns* columns_out) {
  mxArray* matrix = mxCreateSparse(static_cast<mwSize>(rows), static_cast<mwSize>(columns),
                                   static_cast<mwSize>(room), mxREAL);
  *columns_out = {mxGetPr(matrix), reinterpret_cast<std::uint64_t*>(mxGetIr(matrix)),
                  reinterpret_cast<std::uint64_t*>(mxGetJc(matrix)), room};
  return matrix;
}

mxArray* chars_of_string(const mxArray* text) {
  mxArray* chars = nullptr;
  // The host only reads its inputs; its interface takes them as non-const.
  mxArray* input = const_cast<mxArray*>(text);
  if (mexCallMATLABWithTrap(1, &chars, 1, &input, "char") != nullptr) return nullptr;
  return chars;
}

bool transpose_in_place(mxArray** slot) {
  mxArray* transposed = nullptr;
  mxArray* error = mexCallMATLABWithTrap(1, &transposed, 1, slot, "transpose");
  if (error != nullptr) return false;
  *slot = transposed;
  return true;
}

void hand_over(mxArray* outputs[], int count, int nlhs, mxArray* plhs[]) {
  const int room = nlhs < 1 ? 1 : nlhs;
  for (int i = 0; i < count; ++i) {
    if (i < room)
      plhs[i] = outputs[i];
    else if (outputs[i] != nullptr)
      mxDestroyArray(outputs[i]);
  }
}

}  // namespace quarnel
