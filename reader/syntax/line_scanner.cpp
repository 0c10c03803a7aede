#include "reader/syntax/line_scanner.h"

namespace quarnel {

scan_result scan_label(const char* first, const char* last, std::int32_t* label) {
  double value = 0;
  const number_read read = convert_double(first, last, &value);
  const char* end = read.end;
  if (read.error != number_error::none || (end < last && *end != ',' && !is_blank(*end)))
    return {first, is_too_long(first, last) ? read_error::token_too_long : read_error::label_not_number};
  // The token ends where the number does.
  if (end - first > longest_token) return {first, read_error::token_too_long};
  *label = label_from_double(value);
  return {end, read_error::none};
}

scan_result scan_query(const char* first, const char* last, std::int64_t* id) {
  constexpr std::uint64_t most = std::uint64_t{1} << 53;
  const char* p = first + 4;  // past "qid:"
  const char* number = p;
  if (is_too_long(number, last)) return {number, read_error::token_too_long};
  const bool negative = p < last && *p == '-';
  if (p < last && (*p == '+' || *p == '-')) ++p;
  const char* digits = p;
  std::uint64_t magnitude = 0;
  while (p < last && *p >= '0' && *p <= '9' && magnitude <= most) {
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(*p - '0');
    ++p;
  }
  if (p == digits || magnitude > most || (p < last && !is_blank(*p)))
    return {number, read_error::query_id_invalid};
  *id = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return {p, read_error::none};
}

scan_result scan_index(const char* first, const char* last, std::int32_t* index) {
  if (is_too_long(first, last)) return {first, read_error::token_too_long};
  const number_read read = convert_index(first, last, index);
  if (read.error == number_error::out_of_range) return {first, read_error::index_out_of_range};
  if (read.error != number_error::none) return {first, read_error::index_not_integer};
  const char* end = read.end;
  if (end == last || *end != ':') return {first, read_error::colon_missing};
  return {end + 1, read_error::none};
}

}  // namespace quarnel
