// Conversions of the data file's number tokens.
//
// Each converter takes the characters [first, last) and reads one token from
// `first`, giving exactly what the C library's conversions give on a
// well-formed token ("%lf" for labels and values, "%d" for feature indices),
// without depending on the locale and without reading at or past `last`.
#pragma once

#include <cstdint>

namespace quarnel {

// Reads a floating-point number as strtod does: an optional sign, then a
// decimal or hexadecimal ("0x") number with optional fraction and exponent,
// or "inf", "infinity", "nan", "nan(chars)" in any case. Values are
// correctly rounded; out-of-range values give +-HUGE_VAL or a signed zero.
// Returns the end of the number, or nullptr when no number begins at `first`.
// Leading white space is not skipped.
const char* convert_double(const char* first, const char* last, double* value);

// A label is a double truncated toward zero. Values at or beyond 2^31, below
// -2^31, or not a number all map to the one label -2147483648.
std::int32_t label_from_double(double value);

// Reads a decimal 32-bit signed integer with an optional sign. Returns the
// end of the digits, or nullptr when there are no digits or the value is out
// of the 32-bit range (`*out_of_range` tells which).
const char* convert_index(const char* first, const char* last, std::int32_t* index,
                          bool* out_of_range);

}  // namespace quarnel
