// How the text of a number reads: where it ends and, when it is no number
// of its kind, why. Every conversion of numbers/ answers in this shape, as
// the standard library's from_chars does: [first, last) in, {end, error} out.
#pragma once

namespace quarnel {

enum class number_error : unsigned char {
  none,
  not_a_number,   // no number of the kind begins at `first`
  out_of_range,   // an integer beyond the type's range
  out_of_memory,  // a very long number could not be copied to be converted
};

struct number_read {
  const char* end;  // past the number; `first` when it is none
  number_error error;
};

}  // namespace quarnel
