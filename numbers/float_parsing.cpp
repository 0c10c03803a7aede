#include "numbers/float_parsing.h"

#if !__has_include(<fast_float/fast_float.h>)
#error "quarnel needs fast_float's headers (Debian and Ubuntu: libfast-float-dev; Homebrew: fast_float; vcpkg: fast-float; MSYS2: mingw-w64-x86_64-fast_float)"
#endif
#include <fast_float/fast_float.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>

#if defined(__APPLE__) || defined(__FreeBSD__)
#include <xlocale.h>
#endif

namespace quarnel {
namespace {

// strtod under the "C" locale, made on first use and kept for the life of
// the process. MinGW-w64 on the old msvcrt runtime has no locale objects,
// and a C library may fail to make one: plain strtod then, which reads the
// same since both hosts keep LC_NUMERIC at "C".
double strtod_in_c_locale(const char* text, char** end) {
#if defined(__MINGW32__) && !defined(_UCRT)
  return std::strtod(text, end);
#else
#if defined(_WIN32)
  static const _locale_t locale = _create_locale(LC_ALL, "C");
  if (locale) return _strtod_l(text, end, locale);
#else
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  if (locale) return strtod_l(text, end, locale);
#endif
  return std::strtod(text, end);
#endif
}

}  // namespace

number_read parse_decimal_double(const char* first, const char* last, double* value) {
  // fast_float gives the infinity or signed zero of an out-of-range number.
  const fast_float::from_chars_result result = fast_float::from_chars(first, last, *value);
  if (result.ec == std::errc::invalid_argument) return {first, number_error::not_a_number};
  if (result.ec == std::errc::result_out_of_range) return {result.ptr, number_error::out_of_range};
  return {result.ptr, number_error::none};
}

number_read parse_hex_double(const char* first, const char* last, double* value) {
  if (first == last) return {first, number_error::not_a_number};
  // strtod reads up to a NUL, so the number is copied out with its "0x";
  // most fit the stack, a long run of digits takes the heap.
  const std::size_t length = static_cast<std::size_t>(last - first);
  char local[128];
  char* text = length + 3 <= sizeof local ? local : static_cast<char*>(std::malloc(length + 3));
  if (text == nullptr) return {first, number_error::out_of_memory};
  text[0] = '0';
  text[1] = 'x';
  std::memcpy(text + 2, first, length);
  text[length + 2] = '\0';
  char* end = nullptr;
  // Out of range, strtod already gives its infinity, subnormal or zero.
  *value = strtod_in_c_locale(text, &end);
  const std::ptrdiff_t read = end - text - 2;
  if (text != local) std::free(text);
  if (read <= 0) return {first, number_error::not_a_number};
  return {first + read, number_error::none};
}

}  // namespace quarnel
