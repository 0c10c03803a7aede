#include "gateway/host_arguments.h"

#include <cstdint>
#include <new>
#include <vector>

#include "gateway/host_names.h"
#include "gateway/host_threads.h"

namespace quarnel {

namespace {

template <typename T>
void copy_numbers(const mxArray* array, std::vector<double>* numbers) {
  const T* data = static_cast<const T*>(mxGetData(array));
  numbers->assign(data, data + mxGetNumberOfElements(array));
}

// The elements of a real, full numeric or logical array, as doubles.
void numbers_of(const mxArray* array, std::vector<double>* numbers) {
  switch (mxGetClassID(array)) {
    case mxDOUBLE_CLASS: return copy_numbers<double>(array, numbers);
    case mxSINGLE_CLASS: return copy_numbers<float>(array, numbers);
    case mxLOGICAL_CLASS: return copy_numbers<mxLogical>(array, numbers);
    case mxINT8_CLASS: return copy_numbers<std::int8_t>(array, numbers);
    case mxUINT8_CLASS: return copy_numbers<std::uint8_t>(array, numbers);
    case mxINT16_CLASS: return copy_numbers<std::int16_t>(array, numbers);
    case mxUINT16_CLASS: return copy_numbers<std::uint16_t>(array, numbers);
    case mxINT32_CLASS: return copy_numbers<std::int32_t>(array, numbers);
    case mxUINT32_CLASS: return copy_numbers<std::uint32_t>(array, numbers);
    case mxINT64_CLASS: return copy_numbers<std::int64_t>(array, numbers);
    case mxUINT64_CLASS: return copy_numbers<std::uint64_t>(array, numbers);
    default: numbers->clear();
  }
}

}  // namespace

call_argument argument_of(const mxArray* array) {
  call_argument argument;
  host_name name;
  const name_kind kind = name_of(array, &name);
  if (kind == name_kind::out_of_memory) throw std::bad_alloc();
  if (kind == name_kind::text) {
    argument.is_text = true;
    argument.text = name.text;
  } else if ((mxIsNumeric(array) || mxIsLogical(array)) && !mxIsComplex(array) &&
             !mxIsSparse(array) && mxGetNumberOfDimensions(array) == 2) {
    argument.is_number = true;
    argument.is_logical = mxIsLogical(array);
    argument.element_count = mxGetNumberOfElements(array);
    argument.is_vector = mxGetM(array) <= 1 || mxGetN(array) <= 1;
    if (argument.is_vector) numbers_of(array, &argument.numbers);
  }
  return argument;
}

std::string options_of_call(int count, const mxArray* const arguments[], read_options* options) {
  // Copies of the arguments are the only memory taken here: a label_map
  // too large to copy gets a message, not an exception into the host.
  try {
    std::vector<call_argument> plain;
    plain.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) plain.push_back(argument_of(arguments[k]));
    call_options parsed;
    std::string failure = parse_call_options(plain.data(), plain.size(), &parsed);
    if (!failure.empty()) return failure;
    if (!parsed.threads_given) parsed.read.threads = host_thread_count();
    parsed.read.range_bytes = range_bytes_from_environment();
    *options = std::move(parsed.read);
    return failure;
  } catch (const std::bad_alloc&) {
    return "not enough memory to read the options";
  }
}

}  // namespace quarnel
