#include "gateway/octave_outputs.h"

#include <limits>
#include <new>
#include <type_traits>

#include "platform/memory_advice.h"

namespace quarnel {

// The fill writes rows and column starts as 64-bit integers straight into
// the matrix's index arrays.
static_assert(sizeof(octave_idx_type) == sizeof(std::uint64_t) &&
                  std::is_signed<octave_idx_type>::value,
              "the oct-file entry needs Octave's 64-bit indices");

namespace {

// `count` elements of T from operator new, uninitialised, until an Octave
// array takes them over (its destructor deletes them) or the holder goes.
template <typename T>
class new_array {
 public:
  new_array() = default;
  new_array(const new_array&) = delete;
  new_array& operator=(const new_array&) = delete;
  ~new_array() {
    if (data_ != nullptr) std::allocator<T>().deallocate(data_, count_);
  }

  // False, with the bytes asked for in `failed_bytes`, when there is no
  // memory for them.
  bool allocate(std::int64_t count, std::size_t* failed_bytes) {
    count_ = static_cast<std::size_t>(count);
    if (count_ > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
      *failed_bytes = 0;
      return false;
    }
    const std::size_t bytes = count_ * sizeof(T);
    try {
      data_ = static_cast<T*>(::operator new(bytes));
    } catch (const std::bad_alloc&) {
      *failed_bytes = bytes;
      return false;
    }
    advise_huge_pages(data_, bytes);
    return true;
  }

  T* get() const { return data_; }
  T* release() {
    T* data = data_;
    data_ = nullptr;
    return data;
  }

 private:
  T* data_ = nullptr;
  std::size_t count_ = 0;
};

}  // namespace

bool make_octave_sparse(std::int64_t rows, std::int64_t columns, std::int64_t room,
                        SparseMatrix* matrix, sparse_columns* columns_out,
                        std::size_t* failed_bytes) {
  // At least one entry of room: an Octave sparse matrix holds room for one.
  const std::int64_t held = room < 1 ? 1 : room;
  new_array<double> values;
  new_array<octave_idx_type> row_indices;
  new_array<octave_idx_type> starts;
  if (!values.allocate(held, failed_bytes) || !row_indices.allocate(held, failed_bytes) ||
      !starts.allocate(columns + 1, failed_bytes))
    return false;
  if (room < 1) {
    // The one entry of room an empty matrix holds is never written.
    values.get()[0] = 0;
    row_indices.get()[0] = 0;
  }
  *columns_out = {values.get(), reinterpret_cast<std::uint64_t*>(row_indices.get()),
                  reinterpret_cast<std::uint64_t*>(starts.get()), room};
  try {
    // Takes the three arrays over; the matrix shares them.
    const Sparse<double> taken(dim_vector(rows, columns), held, values.get(), row_indices.get(),
                               starts.get());
    values.release();
    row_indices.release();
    starts.release();
    *matrix = SparseMatrix(taken);
  } catch (const std::bad_alloc&) {
    *failed_bytes = 0;
    return false;
  }
  return true;
}

bool make_octave_column(std::int64_t count, NDArray* column, double** data,
                        std::size_t* failed_bytes) {
  new_array<double> values;
  if (!values.allocate(count, failed_bytes)) return false;
  *data = values.get();
  try {
    const Array<double> taken(values.get(), dim_vector(count, 1));
    values.release();
    *column = NDArray(taken);
  } catch (const std::bad_alloc&) {
    *failed_bytes = 0;
    return false;
  }
  return true;
}

}  // namespace quarnel
