#include "numbers/number_conversion.h"

#include <cmath>
#include <limits>

#include "numbers/float_parsing.h"

namespace quarnel {
namespace {

bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

// The end of the hexadecimal number (after "0x") that strtod would read:
// digits with an optional point, then "p", an optional sign and decimal
// digits only when a digit follows. from_chars alone would also take a
// second sign ("p+-1"). Returns `first` when there are no digits.
const char* hex_number_end(const char* first, const char* last) {
  const char* p = first;
  bool digits = false;
  for (; p < last && is_hex_digit(*p); ++p) digits = true;
  if (p < last && *p == '.')
    for (++p; p < last && is_hex_digit(*p); ++p) digits = true;
  if (!digits) return first;
  if (p < last && (*p | 0x20) == 'p') {
    const char* q = p + 1;
    if (q < last && (*q == '+' || *q == '-')) ++q;
    if (q < last && is_decimal_digit(*q)) {
      while (q < last && is_decimal_digit(*q)) ++q;
      p = q;
    }
  }
  return p;
}

// For a token that from_chars found out of range, tells whether its magnitude
// is huge (overflow) rather than tiny (underflow). Such tokens have a decimal
// (or binary) exponent beyond about 300 either way, so the sign of a rough
// estimate of that exponent decides.
bool magnitude_is_huge(const char* first, const char* end, bool hex) {
  const char* p = first;
  if (p < end && (*p == '+' || *p == '-')) ++p;
  if (hex) p += 2;
  const int digit_weight = hex ? 4 : 1;
  std::int64_t magnitude = 0;
  bool seen_nonzero = false;
  auto is_digit = hex ? is_hex_digit : is_decimal_digit;
  for (; p < end && is_digit(*p); ++p) {
    if (seen_nonzero || *p != '0') {
      seen_nonzero = true;
      magnitude += digit_weight;
    }
  }
  if (p < end && *p == '.') {
    for (++p; p < end && is_digit(*p); ++p) {
      if (seen_nonzero) continue;
      if (*p == '0')
        magnitude -= digit_weight;
      else
        seen_nonzero = true;
    }
  }
  std::int64_t exponent = 0;
  if (p < end && ((*p | 0x20) == (hex ? 'p' : 'e'))) {
    ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    for (; p < end && is_decimal_digit(*p); ++p) {
      if (exponent < (std::int64_t{1} << 40)) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent > 0;
}

// Applies strtod's out-of-range results, which from_chars leaves unset.
void settle_out_of_range(const char* first, const char* end, bool hex, bool negative,
                         double* value) {
  const double magnitude =
      magnitude_is_huge(first, end, hex) ? std::numeric_limits<double>::infinity() : 0.0;
  *value = negative ? -magnitude : magnitude;
}

// The common case of a data file, a plain decimal such as "0.123456" or
// "-17": when its digits fit in 53 bits and it has at most 22 fraction
// digits, one IEEE division of two exact doubles is correctly rounded.
// Returns nullptr when the token needs the general conversion.
const char* convert_simple_decimal(const char* first, const char* last, double* value) {
  const char* p = first;
  const bool negative = p < last && *p == '-';
  if (negative) ++p;
  std::uint64_t mantissa = 0;
  int digits = 0;
  for (; p < last && is_decimal_digit(*p); ++p, ++digits)
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  int fraction_digits = 0;
  if (p < last && *p == '.') {
    for (++p; p < last && is_decimal_digit(*p); ++p, ++fraction_digits)
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    digits += fraction_digits;
  }
  if (digits == 0 || digits > 19) return nullptr;
  // Exponents, hexadecimal forms and the like go the general way.
  if (p < last && ((*p | 0x20) == 'e' || (*p | 0x20) == 'x' || *p == '.')) return nullptr;
  if (mantissa > (std::uint64_t{1} << 53) || fraction_digits > 22) return nullptr;
  double magnitude = static_cast<double>(mantissa) / exact_powers_of_ten[fraction_digits];
  *value = negative ? -magnitude : magnitude;
  return p;
}

}  // namespace

number_read convert_double_general(const char* first, const char* last, double* value) {
  if (const char* end = convert_simple_decimal(first, last, value)) return {end, number_error::none};
  const char* p = first;
  // from_chars takes a leading '-' but not a '+'; strtod takes either, once.
  if (p < last && *p == '+') {
    ++p;
    if (p < last && (*p == '+' || *p == '-')) return {first, number_error::not_a_number};
  }
  const bool negative = p < last && *p == '-';
  const char* unsigned_first = negative ? p + 1 : p;

  if (last - unsigned_first >= 2 && unsigned_first[0] == '0' && (unsigned_first[1] | 0x20) == 'x') {
    const char* digits = unsigned_first + 2;
    const char* end = hex_number_end(digits, last);
    double magnitude = 0;
    // Bounded to what strtod reads: from_chars would also take a sign,
    // "inf" or "nan" after the "0x".
    const number_read read = end != digits ? parse_hex_double(digits, end, &magnitude)
                                           : number_read{digits, number_error::not_a_number};
    if (read.error == number_error::not_a_number) {
      // "0x" without hex digits: strtod reads just the "0".
      *value = negative ? -0.0 : 0.0;
      return {unsigned_first + 1, number_error::none};
    }
    // No memory to convert a very long number: it cannot be read as one.
    if (read.error == number_error::out_of_memory) return {first, number_error::not_a_number};
    if (read.error == number_error::out_of_range)
      settle_out_of_range(first, read.end, true, negative, value);
    else
      *value = negative ? -magnitude : magnitude;
    return {read.end, number_error::none};
  }

  const number_read read = parse_decimal_double(p, last, value);
  if (read.error == number_error::not_a_number) return {first, number_error::not_a_number};
  if (read.error == number_error::out_of_range)
    settle_out_of_range(first, read.end, false, negative, value);
  return {read.end, number_error::none};
}

std::int32_t label_from_double(double value) {
  constexpr double limit = 2147483648.0;  // 2^31
  if (!(value < limit && value >= -limit)) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);  // truncates toward zero
}

number_read convert_index(const char* first, const char* last, std::int32_t* index) {
  const char* p = first;
  bool negative = false;
  if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* digits = p;
  std::int64_t magnitude = 0;
  constexpr std::int64_t bound = std::int64_t{1} << 31;
  for (; p < last && is_decimal_digit(*p); ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > bound) {
      // Keep consuming digits so that the caller can report the whole token.
      magnitude = bound + 1;
    }
  }
  if (p == digits) return {first, number_error::not_a_number};
  if (magnitude > (negative ? bound : bound - 1)) return {first, number_error::out_of_range};
  *index = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return {p, number_error::none};
}

}  // namespace quarnel
