// Text to double, bit-identical to the C library's strtod, on every standard
// library and without any versioned symbol of the C++ library: decimal
// numbers go to fast_float (header-only, correctly rounded, subnormals
// included), hexadecimal ones to the C library's strtod under the "C"
// locale, never the process locale.
#pragma once

#include "numbers/number_read.h"

namespace quarnel {

// Reads a decimal number with optional fraction and exponent, "inf",
// "infinity", "nan" or "nan(chars)" in any case, after an optional '-', as
// std::from_chars with chars_format::general does. Out of range it gives
// either number_error::out_of_range with *value unset or the infinity or
// signed zero strtod gives.
number_read parse_decimal_double(const char* first, const char* last, double* value);

// Reads the hexadecimal number after a "0x": digits with an optional point,
// then an optional "p" with a decimal exponent. [first, last) must be just
// the part strtod would read. Out of range as parse_decimal_double.
number_read parse_hex_double(const char* first, const char* last, double* value);

}  // namespace quarnel
