// The C library's "C" locale as a handle, for the conversions that must not
// follow the process locale (a host may set one with a decimal comma).
// Only the builds without floating-point <charconv> use it.
#pragma once

#include <locale.h>
#include <stdlib.h>
#if defined(__APPLE__) || defined(__FreeBSD__)
#include <xlocale.h>
#endif

namespace quarnel {

#if defined(_WIN32)
using c_locale_handle = _locale_t;
#else
using c_locale_handle = locale_t;
#endif

// Made on first use and kept for the life of the process; null only when
// the C library could not make it.
inline c_locale_handle c_locale() {
#if defined(_WIN32)
  static const c_locale_handle locale = _create_locale(LC_ALL, "C");
#else
  static const c_locale_handle locale = newlocale(LC_ALL_MASK, "C", c_locale_handle{});
#endif
  return locale;
}

}  // namespace quarnel
