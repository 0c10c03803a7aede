#include "gateway/octave_arguments.h"

#include <new>
#include <utility>
#include <vector>

#include <octave/dNDArray.h>

#include "gateway/octave_names.h"
#include "gateway/octave_threads.h"

namespace quarnel {

call_argument octave_argument_of(octave::interpreter& interpreter, const octave_value& value) {
  call_argument argument;
  std::string text;
  if (octave_name_of(interpreter, value, &text) == octave_name_kind::text) {
    argument.is_text = true;
    argument.text = std::move(text);
  } else if ((value.isnumeric() || value.islogical()) && !value.iscomplex() &&
             !value.issparse() && value.ndims() == 2) {
    argument.is_number = true;
    argument.is_logical = value.islogical();
    argument.element_count = static_cast<std::size_t>(value.numel());
    argument.is_vector = value.rows() <= 1 || value.columns() <= 1;
    if (argument.is_vector) {
      // Every numeric class and logical as doubles, as the MEX entry
      // converts them.
      const NDArray numbers = value.array_value();
      argument.numbers.assign(numbers.data(), numbers.data() + numbers.numel());
    }
  }
  return argument;
}

std::string octave_options_of_call(octave::interpreter& interpreter,
                                   const octave_value_list& arguments, read_options* options) {
  // Copies of the arguments are the only memory taken here: a label_map
  // too large to copy gets a message, not an exception into Octave.
  try {
    std::vector<call_argument> plain;
    const octave_idx_type count = arguments.length();
    plain.reserve(static_cast<std::size_t>(count > 1 ? count - 1 : 0));
    for (octave_idx_type k = 1; k < count; ++k)
      plain.push_back(octave_argument_of(interpreter, arguments(k)));
    call_options parsed;
    std::string failure = parse_call_options(plain.data(), plain.size(), &parsed);
    if (!failure.empty()) return failure;
    if (!parsed.threads_given) parsed.read.threads = octave_thread_count(interpreter);
    parsed.read.range_bytes = range_bytes_from_environment();
    *options = std::move(parsed.read);
    return failure;
  } catch (const std::bad_alloc&) {
    return "not enough memory to read the options";
  }
}

}  // namespace quarnel
