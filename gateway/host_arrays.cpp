#include "gateway/host_arrays.h"

#include <cstdint>

#include "platform/memory_advice.h"

namespace quarnel {

static_assert(sizeof(mwIndex) == sizeof(std::uint64_t), "the host must use 64-bit indices");

namespace {

// Uninitialised room for `count` elements of `size` bytes from the host's
// allocator; the fill scan writes it first.
void* allocate_uninitialised(std::int64_t count, std::size_t size) {
  const std::size_t bytes = static_cast<std::size_t>(count) * size;
  void* memory = mxMalloc(bytes);
  advise_huge_pages(memory, bytes);
  return memory;
}

}  // namespace

mxArray* empty_matrix() { return mxCreateDoubleMatrix(0, 0, mxREAL); }

mxArray* create_sparse(std::int64_t rows, std::int64_t columns, std::int64_t room,
                       sparse_columns* columns_out) {
  // The host would zero-fill arrays it allocates at their full size; the
  // matrix is made without room and given arrays that are written once.
  mxArray* matrix = mxCreateSparse(static_cast<mwSize>(rows), static_cast<mwSize>(columns), 0,
                                   mxREAL);
  if (matrix == nullptr) return nullptr;
  mxFree(mxGetPr(matrix));
  mxFree(mxGetIr(matrix));
  mxFree(mxGetJc(matrix));
  mxSetPr(matrix, nullptr);
  mxSetIr(matrix, nullptr);
  mxSetJc(matrix, nullptr);
  // At least one entry of room: a sparse matrix holds room for one.
  const std::int64_t held = room < 1 ? 1 : room;
  double* values = static_cast<double*>(allocate_uninitialised(held, sizeof(double)));
  mwIndex* row_indices = static_cast<mwIndex*>(allocate_uninitialised(held, sizeof(mwIndex)));
  mwIndex* starts = static_cast<mwIndex*>(allocate_uninitialised(columns + 1, sizeof(mwIndex)));
  if (values == nullptr || row_indices == nullptr || starts == nullptr) {
    mxFree(values);
    mxFree(row_indices);
    mxFree(starts);
    mxDestroyArray(matrix);
    return nullptr;
  }
  if (room < 1) {
    // The one entry of room an empty matrix holds is never written.
    values[0] = 0;
    row_indices[0] = 0;
  }
  mxSetPr(matrix, values);
  mxSetIr(matrix, row_indices);
  mxSetJc(matrix, starts);
  mxSetNzmax(matrix, static_cast<mwSize>(held));
  *columns_out = {values, reinterpret_cast<std::uint64_t*>(row_indices),
                  reinterpret_cast<std::uint64_t*>(starts), room};
  return matrix;
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
