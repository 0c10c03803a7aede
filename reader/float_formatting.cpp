#include "float_formatting.h"

#include <charconv>
#include <cmath>
#include <cstring>

// Apple's libc++ has floating-point to_chars only in the system library of
// macOS 13.3 and later, so it depends on the oldest macOS the build targets.
#if defined(QUARNEL_NO_STD_FLOAT_CHARCONV)
#define QUARNEL_STD_FLOAT_TO_CHARS 0
#elif defined(__cpp_lib_to_chars)
#define QUARNEL_STD_FLOAT_TO_CHARS 1
#elif defined(_LIBCPP_VERSION) && _LIBCPP_VERSION >= 14000 && !defined(__APPLE__)
#define QUARNEL_STD_FLOAT_TO_CHARS 1
#elif defined(_LIBCPP_VERSION) && _LIBCPP_VERSION >= 14000 && \
    defined(__ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__) &&    \
    __ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__ >= 130300
#define QUARNEL_STD_FLOAT_TO_CHARS 1
#else
#define QUARNEL_STD_FLOAT_TO_CHARS 0
#endif

#if !QUARNEL_STD_FLOAT_TO_CHARS
#include <cstdio>

#include "c_locale.h"
#include "float_parsing.h"
#endif

namespace quarnel {
namespace {

char* copy_text(char* first, char* last, const char* text, std::size_t length) {
  if (static_cast<std::size_t>(last - first) < length) return nullptr;
  std::memcpy(first, text, length);
  return first + length;
}

#if !QUARNEL_STD_FLOAT_TO_CHARS
// snprintf under the "C" locale; returns the length written, or -1.
int print_in_c_locale(char* buffer, std::size_t size, int precision, double value) {
  const c_locale_handle locale = c_locale();
  if (!locale) return -1;
#if defined(_WIN32)
  return _snprintf_l(buffer, size, "%.*g", locale, precision, value);
#else
  const locale_t previous = uselocale(locale);
  const int length = std::snprintf(buffer, size, "%.*g", precision, value);
  uselocale(previous);
  return length;
#endif
}
#endif

}  // namespace

char* format_double(char* first, char* last, double value) {
  if (std::isnan(value)) return copy_text(first, last, std::signbit(value) ? "-nan" : "nan",
                                          std::signbit(value) ? 4 : 3);
  if (std::isinf(value)) return copy_text(first, last, value < 0 ? "-inf" : "inf",
                                          value < 0 ? 4 : 3);
#if QUARNEL_STD_FLOAT_TO_CHARS
  const std::to_chars_result result = std::to_chars(first, last, value);
  return result.ec == std::errc{} ? result.ptr : nullptr;
#else
  // 15 significant digits read back for most values; 17 always do.
  char text[32];
  int length = -1;
  for (int precision = 15; precision <= 17; ++precision) {
    length = print_in_c_locale(text, sizeof text, precision, value);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof text) return nullptr;
    double read_back = 0;
    const std::from_chars_result read = parse_decimal_double(text, text + length, &read_back);
    if (read.ec == std::errc{} && read_back == value) break;
  }
  return copy_text(first, last, text, static_cast<std::size_t>(length));
#endif
}

}  // namespace quarnel
