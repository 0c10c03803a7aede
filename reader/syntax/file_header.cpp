#include "reader/syntax/file_header.h"

#include <cstdint>

namespace quarnel {

const char* header_numbers_end(const char* first, const char* last) {
  const char* p = first;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (p == last) return last;
      if (*p != ' ') return nullptr;
      ++p;
    }
    const char* digits = p;
    while (p < last && *p >= '0' && *p <= '9' && p - digits <= longest_token) ++p;
    if (p - digits > longest_token) return nullptr;
    if (p == last) return last;
    if (p == digits) return nullptr;
  }
  return p;
}

scan_result scan_header(const char* first, const char* last, file_header* header) {
  *header = file_header{};
  const char* numbers_end = header_numbers_end(first, last);
  if (numbers_end == nullptr || skip_blanks(numbers_end, last) != last) return {first, read_error::none};
  std::int32_t numbers[3] = {0, 0, 0};
  const char* too_large = nullptr;  // the first number beyond the 32-bit range
  const char* p = first;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (p == last) return {first, read_error::none};  // the line ends before the third number
      ++p;  // the space
    }
    const char* digits = p;
    std::int64_t value = 0;
    for (; p < last && *p >= '0' && *p <= '9'; ++p) {
      if (value <= INT32_MAX) value = value * 10 + (*p - '0');
    }
    if (p == digits) return {first, read_error::none};
    if (value > INT32_MAX && too_large == nullptr) too_large = digits;
    numbers[k] = static_cast<std::int32_t>(value > INT32_MAX ? INT32_MAX : value);
  }
  header->present = true;
  header->instances = numbers[0];
  header->features = numbers[1];
  header->labels = numbers[2];
  if (too_large != nullptr) return {too_large, read_error::header_value_too_large};
  return {last, read_error::none};
}

}  // namespace quarnel
