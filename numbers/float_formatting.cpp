#include "numbers/float_formatting.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

// Header-only, so that the module links no {fmt} library.
#ifndef FMT_HEADER_ONLY
#define FMT_HEADER_ONLY
#endif
#if !__has_include(<fmt/format.h>)
#error "quarnel needs {fmt}'s headers (Debian and Ubuntu: libfmt-dev; Homebrew: fmt; vcpkg: fmt; MSYS2: mingw-w64-x86_64-fmt)"
#endif
#include <fmt/format.h>

namespace quarnel {
namespace {

char* copy_text(char* first, char* last, const char* text, std::size_t length) {
  if (static_cast<std::size_t>(last - first) < length) return nullptr;
  std::memcpy(first, text, length);
  return first + length;
}

// Writes the decimal digits of `value` and returns their end. Integer
// to_chars is all in the header: no symbol of the C++ library.
char* write_digits(char* out, std::uint64_t value) {
  return std::to_chars(out, out + 20, value).ptr;
}

// Writes the exact digits of an integer-valued double below 10^22, which
// may exceed 64 bits: its significand shifted left, in base-10^9 limbs.
char* write_exact_integer(char* out, double value) {
  int binary_exponent = 0;
  const double fraction = std::frexp(value, &binary_exponent);
  constexpr std::uint64_t limb = 1000000000;
  if (binary_exponent <= 64) return write_digits(out, static_cast<std::uint64_t>(value));
  // value = significand * 2^shift, with 53 bits of significand and a shift
  // of at most 21 (10^22 < 2^74), so each limb times 2^shift fits 64 bits.
  const int shift = binary_exponent - 53;
  const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  std::uint64_t limbs[3] = {significand % limb, significand / limb, 0};
  std::uint64_t carry = 0;
  for (std::uint64_t& part : limbs) {
    const std::uint64_t shifted = (part << shift) + carry;
    part = shifted % limb;
    carry = shifted / limb;
  }
  int top = limbs[2] != 0 ? 2 : 1;
  out = write_digits(out, limbs[top]);
  for (--top; top >= 0; --top) {
    char padded[9];
    std::uint64_t part = limbs[top];
    for (int i = 8; i >= 0; --i, part /= 10) padded[i] = static_cast<char>('0' + part % 10);
    std::memcpy(out, padded, sizeof padded);
    out += sizeof padded;
  }
  return out;
}

// Writes a finite, non-zero, positive value as std::to_chars does. The
// digits come from {fmt}'s Dragonbox entry point, which gives the shortest
// significand and its power of ten (in fmt's detail namespace, with this
// signature since fmt 7.1); the layout is std::to_chars's, not fmt's.
char* write_shortest(char* out, double value) {
  const auto decimal = fmt::detail::dragonbox::to_decimal(value);
  char digits[20];
  const int count = static_cast<int>(write_digits(digits, decimal.significand) - digits);
  // The power of ten of the leading digit.
  const int exponent = count - 1 + decimal.exponent;
  const int exponent_digits = exponent >= 100 || exponent <= -100 ? 3 : 2;
  const int scientific_length = count + (count > 1) + 2 + exponent_digits;
  const int fixed_length = exponent >= count - 1 ? exponent + 1
                           : exponent >= 0       ? count + 1
                                                 : count + 1 - exponent;
  if (fixed_length <= scientific_length) {
    if (exponent >= count - 1) {
      // An integer: written exactly, since those digits are the closest of
      // the shortest length, trailing zeros of the shortest digits or not.
      return write_exact_integer(out, value);
    }
    if (exponent >= 0) {
      std::memcpy(out, digits, static_cast<std::size_t>(exponent + 1));
      out += exponent + 1;
      *out++ = '.';
      std::memcpy(out, digits + exponent + 1, static_cast<std::size_t>(count - exponent - 1));
      return out + (count - exponent - 1);
    }
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    std::memcpy(out, digits, static_cast<std::size_t>(count));
    return out + count;
  }
  *out++ = digits[0];
  if (count > 1) {
    *out++ = '.';
    std::memcpy(out, digits + 1, static_cast<std::size_t>(count - 1));
    out += count - 1;
  }
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  int magnitude = exponent < 0 ? -exponent : exponent;
  if (exponent_digits == 3) {
    *out++ = static_cast<char>('0' + magnitude / 100);
    magnitude %= 100;
  }
  *out++ = static_cast<char>('0' + magnitude / 10);
  *out++ = static_cast<char>('0' + magnitude % 10);
  return out;
}

}  // namespace

char* format_double(char* first, char* last, double value) {
  if (std::isnan(value)) return copy_text(first, last, std::signbit(value) ? "-nan" : "nan",
                                          std::signbit(value) ? 4 : 3);
  if (std::isinf(value)) return copy_text(first, last, value < 0 ? "-inf" : "inf",
                                          value < 0 ? 4 : 3);
  char text[formatted_double_room];
  char* end = text;
  if (std::signbit(value)) *end++ = '-';
  if (value == 0)
    *end++ = '0';
  else
    end = write_shortest(end, std::fabs(value));
  return copy_text(first, last, text, static_cast<std::size_t>(end - text));
}

}  // namespace quarnel
