// Double to text in the shortest form that reads back to the same double,
// laid out as std::to_chars without a format lays it out, on every standard
// library and without any versioned symbol of the C++ library: the digits
// come from the Dragonbox algorithm of {fmt}, used header-only.
#pragma once

#include <cstddef>

namespace quarnel {

// Room enough for any double: "-2.2250738585072014e-308" is the longest.
constexpr std::size_t formatted_double_room = 24;

// Writes `value` into [first, last) without a terminating NUL and returns
// the end, or nullptr when it does not fit. The text is that of
// std::to_chars(first, last, value): the shortest digits that read back,
// the closest to the value among them; fixed notation ("0.001", "123.5",
// an integer exactly) when that is no longer than scientific ("1e-04",
// "1.5e+300"), which has at least two exponent digits. Infinities are "inf"
// and "-inf", NaNs "nan" or "-nan" by the sign bit.
char* format_double(char* first, char* last, double value);

}  // namespace quarnel
