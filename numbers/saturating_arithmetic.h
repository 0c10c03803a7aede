// Byte counts that stop at the largest value instead of wrapping, so that
// absurd counts from a file read as an absurd need, never as a small one.
#pragma once

#include <cstdint>
#include <limits>

namespace quarnel {

inline std::uint64_t saturating_sum(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b
             ? std::numeric_limits<std::uint64_t>::max()
             : a + b;
}

inline std::uint64_t saturating_product(std::uint64_t a, std::uint64_t b) {
  return a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a
             ? std::numeric_limits<std::uint64_t>::max()
             : a * b;
}

}  // namespace quarnel
