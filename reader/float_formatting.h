// Double to text in the shortest form that reads back to the same double,
// on every standard library. std::to_chars where the library has it for
// floating point (libstdc++ 11 and later, MSVC, libc++ 14 and later except
// Apple's before macOS 13.3); elsewhere the C library's "%.15g", "%.16g" or
// "%.17g", the first that reads back, under the "C" locale. Both read back
// exactly; only the second may write a longer form for a few values.
#pragma once

#include <cstddef>

namespace quarnel {

// Room enough for any double: "-2.2250738585072014e-308" is the longest.
constexpr std::size_t formatted_double_room = 24;

// Writes `value` into [first, last) without a terminating NUL and returns
// the end, or nullptr when it does not fit. Infinities are "inf" and
// "-inf", NaNs "nan" or "-nan" by the sign bit.
char* format_double(char* first, char* last, double value);

}  // namespace quarnel
