// Decimal digits read eight bytes at a time, for the scans' common tokens:
// one load finds where a run of digits ends and a few multiplications give
// its value, with no loop whose exit depends on the token's length.
// Words are loaded little-endian (the first character in the lowest byte);
// digit_words_available is false where that is not the byte order, and the
// callers then read digit by digit.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

namespace quarnel {

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool digit_words_available = true;
#else
constexpr bool digit_words_available = false;
#endif

constexpr std::uint64_t byte_ones = 0x0101010101010101u;

inline std::uint64_t load_word(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  return word;
}

// Position of the lowest set bit of a nonzero word.
inline int lowest_bit(std::uint64_t word) {
#if defined(_MSC_VER) && !defined(__clang__)
  unsigned long position = 0;
  _BitScanForward64(&position, word);
  return static_cast<int>(position);
#else
  return __builtin_ctzll(word);
#endif
}

// How many of the word's first bytes are decimal digits: 0 to 8.
inline int leading_digit_count(std::uint64_t word) {
  // Digits become 0-9; a byte is not a digit when that is 10 or more, which
  // the high bit shows after adding 0x76 to its low seven bits (no carry
  // leaves a byte), or when its own high bit is set.
  const std::uint64_t shifted = word ^ (0x30 * byte_ones);
  const std::uint64_t not_digit =
      (((shifted & (0x7f * byte_ones)) + 0x76 * byte_ones) | shifted) & (0x80 * byte_ones);
  return not_digit == 0 ? 8 : lowest_bit(not_digit) / 8;
}

// The value of the word's first `count` bytes (1 to 8), all digits.
inline std::uint64_t leading_digits_value(std::uint64_t word, int count) {
  // The digits move to the top bytes; the zero bytes below them read as
  // leading zeros.
  std::uint64_t digits = (word - 0x30 * byte_ones) << (8 * (8 - count));
  digits = (digits * 10 + (digits >> 8)) & 0x00ff00ff00ff00ffu;           // pairs
  digits = (digits * 100 + (digits >> 16)) & 0x0000ffff0000ffffu;         // fours
  return (digits * 10000 + (digits >> 32)) & 0x00000000ffffffffu;         // eight
}

}  // namespace quarnel
