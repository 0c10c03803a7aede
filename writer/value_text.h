// The text of one number in the data file.
#pragma once

#include <cstdint>

namespace quarnel {

// Room that any text below takes.
constexpr int longest_number_text = 32;

// Writes `value` at `out` in the shortest form that reads back to the same
// double; infinities as "inf" and "-inf", NaN as "nan" or "-nan" (its sign
// kept, its payload not). Returns the end of the text. The one place that
// turns values into text, so that a build can change how.
char* write_value(char* out, double value);

// Writes `value` in decimal and returns the end of the text.
char* write_integer(char* out, std::int64_t value);

}  // namespace quarnel
