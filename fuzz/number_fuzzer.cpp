// A fuzz target for the number conversions: at every position of the
// input, convert_double must end where strtod ends and give the same value,
// and convert_index must agree with a decimal strtoll cut to 32 bits. The
// C library runs in the "C" locale here, which nothing in this program
// changes. Any disagreement aborts.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "numbers/number_conversion.h"

namespace {

[[noreturn]] void disagree(const char* what, const char* token, int line) {
  std::fprintf(stderr, "number_fuzzer.cpp:%d: check failed: %s at \"%.40s\"\n", line, what, token);
  std::abort();
}

#define REQUIRE(condition, token) ((condition) ? (void)0 : disagree(#condition, token, __LINE__))

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Equal bits, except that any two NaNs of one sign are equal: strtod puts
// the "nan(chars)" payload into the bits, which the outputs do not keep.
bool same_double(double a, double b) {
  if (std::isnan(a) || std::isnan(b))
    return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void check_double(const char* first, const char* last) {
  double value = 0;
  const quarnel::number_read read = quarnel::convert_double(first, last, &value);
  const char* end = read.error == quarnel::number_error::none ? read.end : nullptr;
  char* expected_end = nullptr;
  const double expected = std::strtod(first, &expected_end);
  if (expected_end == first) {
    REQUIRE(end == nullptr, first);
    return;
  }
  REQUIRE(end == expected_end, first);
  REQUIRE(same_double(value, expected), first);
}

void check_index(const char* first, const char* last) {
  std::int32_t index = 0;
  const quarnel::number_read read = quarnel::convert_index(first, last, &index);
  const bool out_of_range = read.error == quarnel::number_error::out_of_range;
  const char* end = read.error == quarnel::number_error::none ? read.end : nullptr;
  char* expected_end = nullptr;
  errno = 0;
  const long long expected = std::strtoll(first, &expected_end, 10);
  if (expected_end == first) {
    REQUIRE(end == nullptr && !out_of_range, first);
    return;
  }
  if (errno == ERANGE || expected < INT32_MIN || expected > INT32_MAX) {
    REQUIRE(end == nullptr && out_of_range, first);
    return;
  }
  REQUIRE(end == expected_end && !out_of_range && index == expected, first);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The C conversions stop at a NUL; the converters are bounded by `last`.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* first = text.c_str();
  const char* last = first + std::strlen(first);
  // The C conversions skip leading white space; the converters do not.
  for (const char* p = first; p < last; ++p) {
    if (is_space(*p)) continue;
    check_double(p, last);
    check_index(p, last);
  }
  return 0;
}
