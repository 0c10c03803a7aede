// Conversions of the data file's number tokens.
//
// Each converter takes the characters [first, last) and reads one token from
// `first`, giving exactly what the C library's conversions give on a
// well-formed token ("%lf" for labels and values, "%d" for feature indices),
// without depending on the locale and without reading at or past `last`;
// each answers where the token ends and whether it is a number.
#pragma once

#include <cstdint>

#include "numbers/digit_words.h"
#include "numbers/number_read.h"

namespace quarnel {

// Reads a floating-point number as strtod does: an optional sign, then a
// decimal or hexadecimal ("0x") number with optional fraction and exponent,
// or "inf", "infinity", "nan", "nan(chars)" in any case. Values are
// correctly rounded; out-of-range values give +-HUGE_VAL or a signed zero.
// not_a_number when no number begins at `first` (or one too long to copy
// cannot be converted). Leading white space is not skipped.
inline number_read convert_double(const char* first, const char* last, double* value);

// convert_double for every token: called when the common short decimal
// that convert_double reads inline does not apply.
number_read convert_double_general(const char* first, const char* last, double* value);

// A label is a double truncated toward zero. Values at or beyond 2^31, below
// -2^31, or not a number all map to the one label -2147483648.
std::int32_t label_from_double(double value);

// Reads a decimal 32-bit signed integer with an optional sign:
// not_a_number without digits, out_of_range beyond the 32-bit range.
number_read convert_index(const char* first, const char* last, std::int32_t* index);

// Exact powers of ten: every one up to 10^22 is a double.
constexpr double exact_powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The same powers as integers, up to 10^8.
constexpr std::uint64_t integer_powers_of_ten[] = {1,      10,      100,      1000,     10000,
                                                   100000, 1000000, 10000000, 100000000};

inline number_read convert_double(const char* first, const char* last, double* value) {
  // The common token of a data file, such as "0.596066", "-17" or "62,":
  // an optional '-', at most seven digits, then a point and at most seven
  // more, each run read in one word. Its digits are an exact double and so
  // is the power of ten, so one IEEE division is correctly rounded.
  const char* p = first + (first < last && *first == '-');
  if (digit_words_available && last - p >= 17) {
    const std::uint64_t whole_word = load_word(p);
    const int whole_digits = leading_digit_count(whole_word);
    if (whole_digits != 8) {
      const char* end = p + whole_digits;
      std::uint64_t mantissa = 0;
      int fraction_digits = 0;
      if (*end == '.') {
        const std::uint64_t fraction_word = load_word(end + 1);
        fraction_digits = leading_digit_count(fraction_word);
        const int digits = whole_digits + fraction_digits;
        if (digits <= 8) {
          // Both runs fit in one word: the fraction's digits are moved up
          // against the whole part's, the point taken out, and read at once.
          const std::uint64_t whole_bytes = (std::uint64_t{1} << (8 * whole_digits)) - 1;
          const std::uint64_t joined =
              (whole_word & whole_bytes) | (fraction_word << (8 * whole_digits));
          if (digits != 0) mantissa = leading_digits_value(joined, digits);
        } else {
          mantissa = leading_digits_value(whole_word, whole_digits) *
                         integer_powers_of_ten[fraction_digits] +
                     leading_digits_value(fraction_word, fraction_digits);
        }
        end += 1 + fraction_digits;
      } else if (whole_digits != 0) {
        mantissa = leading_digits_value(whole_word, whole_digits);
      }
      // Exponents, hexadecimal forms and the like go the general way.
      const char next = *end;
      if (whole_digits + fraction_digits != 0 && fraction_digits != 8 && (next | 0x20) != 'e' &&
          (next | 0x20) != 'x' && next != '.') {
        // At most 14 digits: a signed conversion is exact.
        const double magnitude = static_cast<double>(static_cast<std::int64_t>(mantissa)) /
                                 exact_powers_of_ten[fraction_digits];
        *value = p != first ? -magnitude : magnitude;
        return {end, number_error::none};
      }
    }
  }
  // Through a local of its own, so that `*value` can stay in a register
  // of the caller's loop.
  double read = 0;
  const number_read result = convert_double_general(first, last, &read);
  *value = read;
  return result;
}

}  // namespace quarnel
