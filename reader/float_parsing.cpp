#include "float_parsing.h"

#if QUARNEL_STD_FLOAT_FROM_CHARS

namespace quarnel {

std::from_chars_result parse_decimal_double(const char* first, const char* last, double* value) {
  return std::from_chars(first, last, *value);
}

std::from_chars_result parse_hex_double(const char* first, const char* last, double* value) {
  return std::from_chars(first, last, *value, std::chars_format::hex);
}

}  // namespace quarnel

#else

#if !__has_include(<fast_float/fast_float.h>)
#error "this standard library has no floating-point std::from_chars: quarnel needs fast_float (Debian and Ubuntu: libfast-float-dev; Homebrew: fast_float; vcpkg: fast-float; MSYS2: mingw-w64-x86_64-fast_float)"
#endif
#include <fast_float/fast_float.h>

#include <cstdlib>
#include <cstring>

#include "c_locale.h"

namespace quarnel {

std::from_chars_result parse_decimal_double(const char* first, const char* last, double* value) {
  // fast_float gives the infinity or signed zero of an out-of-range number.
  const fast_float::from_chars_result result = fast_float::from_chars(first, last, *value);
  return {result.ptr, result.ec};
}

std::from_chars_result parse_hex_double(const char* first, const char* last, double* value) {
  const c_locale_handle locale = c_locale();
  if (first == last || !locale) return {first, std::errc::invalid_argument};
  // strtod_l reads up to a NUL, so the number is copied out with its "0x";
  // most fit the stack, a long run of digits takes the heap.
  const std::size_t length = static_cast<std::size_t>(last - first);
  char local[128];
  char* text = length + 3 <= sizeof local ? local : static_cast<char*>(std::malloc(length + 3));
  if (text == nullptr) return {first, std::errc::not_enough_memory};
  text[0] = '0';
  text[1] = 'x';
  std::memcpy(text + 2, first, length);
  text[length + 2] = '\0';
  char* end = nullptr;
#if defined(_WIN32)
  *value = _strtod_l(text, &end, locale);
#else
  *value = strtod_l(text, &end, locale);
#endif
  // Out of range, strtod_l already gives strtod's infinity, subnormal or zero.
  const std::ptrdiff_t read = end - text - 2;
  if (text != local) std::free(text);
  if (read <= 0) return {first, std::errc::invalid_argument};
  return {first + read, std::errc{}};
}

}  // namespace quarnel

#endif
