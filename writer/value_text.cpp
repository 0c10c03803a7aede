#include "writer/value_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "numbers/float_formatting.h"
#include "numbers/number_conversion.h"

namespace quarnel {
namespace {

// Most data holds values of few digits in a modest range, where the general
// shortest conversion is slow for what it does. A double has at most one
// decimal of 15 or fewer significant digits that reads back to it, so the
// value rounded to 15 digits, with trailing zeros dropped, is its shortest
// form if that decimal reads back to it. Within [1e-3, 1e5) the general
// conversion would write that decimal in fixed notation, as here. Returns
// null when the value is outside the range or needs more digits.
char* write_short_decimal(char* out, double value) {
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-3 && magnitude < 1e5)) return nullptr;
  // The exponent of the leading digit, from -3 up to 4.
  constexpr double next_power[] = {1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4};
  int exponent = -3;
  while (exponent < 4 && magnitude >= next_power[exponent + 3]) ++exponent;
  int decimals = 14 - exponent;  // digits after the point at 15 significant digits
  std::int64_t digits =
      static_cast<std::int64_t>(magnitude * exact_powers_of_ten[decimals] + 0.5);
  // Drops trailing zeros 8, 4, 2 and 1 at a time: at most 15 of them.
  constexpr int strip_steps[] = {8, 4, 2, 1};
  for (const int step : strip_steps) {
    const std::int64_t power = static_cast<std::int64_t>(exact_powers_of_ten[step]);
    if (decimals >= step && digits % power == 0) {
      digits /= power;
      decimals -= step;
    }
  }
  // Both are exact, so the quotient is the decimal correctly rounded, as
  // reading it gives.
  if (static_cast<double>(digits) / exact_powers_of_ten[decimals] != magnitude) return nullptr;

  if (std::signbit(value)) *out++ = '-';
  char text[24];
  const int length = static_cast<int>(std::to_chars(text, text + sizeof text, digits).ptr - text);
  if (decimals == 0) {
    std::memcpy(out, text, length);
    return out + length;
  }
  if (decimals >= length) {  // 0.00ddd
    *out++ = '0';
    *out++ = '.';
    for (int i = length; i < decimals; ++i) *out++ = '0';
    std::memcpy(out, text, length);
    return out + length;
  }
  const int whole = length - decimals;
  std::memcpy(out, text, whole);
  out[whole] = '.';
  std::memcpy(out + whole + 1, text + whole, decimals);
  return out + length + 1;
}

}  // namespace

char* write_value(char* out, double value) {
  if (char* end = write_short_decimal(out, value)) return end;
  return format_double(out, out + longest_number_text, value);
}

char* write_integer(char* out, std::int64_t value) {
  return std::to_chars(out, out + longest_number_text, value).ptr;
}

}  // namespace quarnel
