// Text to double, bit-identical to the C library's strtod, on every standard
// library. Where the library has floating-point std::from_chars (its
// feature-test macro says so: libstdc++ 11 and later, MSVC) the conversions
// use it. Elsewhere (libc++, whose floating-point from_chars is missing or
// incomplete; Apple's, whose binary may predate it; older libstdc++) decimal
// numbers go to fast_float and hexadecimal ones to the C library's strtod_l
// under the "C" locale, never the process locale. This is the only place
// that choice is made.
#pragma once

#include <charconv>

// Defined by a build that checks the second way on a library with the first.
#if defined(__cpp_lib_to_chars) && !defined(QUARNEL_NO_STD_FLOAT_CHARCONV)
#define QUARNEL_STD_FLOAT_FROM_CHARS 1
#else
#define QUARNEL_STD_FLOAT_FROM_CHARS 0
#endif

namespace quarnel {

// Reads a decimal number with optional fraction and exponent, "inf",
// "infinity", "nan" or "nan(chars)" in any case, after an optional '-', as
// std::from_chars with chars_format::general does. Out of range it gives
// either std::errc::result_out_of_range with *value unset or the infinity
// or signed zero strtod gives.
std::from_chars_result parse_decimal_double(const char* first, const char* last, double* value);

// Reads the hexadecimal number after a "0x": digits with an optional point,
// then an optional "p" with a decimal exponent. [first, last) must be just
// the part strtod would read. Out of range as parse_decimal_double.
std::from_chars_result parse_hex_double(const char* first, const char* last, double* value);

}  // namespace quarnel
