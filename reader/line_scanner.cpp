#include "line_scanner.h"

namespace quarnel {

scan_result scan_label(const char* first, const char* last, std::int32_t* label) {
  double value = 0;
  const char* end = convert_double(first, last, &value);
  if (end == nullptr || (end < last && *end != ',' && !is_blank(*end)))
    return {first, scan_error::label_not_number};
  *label = label_from_double(value);
  return {end, scan_error::none};
}

scan_result scan_index(const char* first, const char* last, std::int32_t* index) {
  bool out_of_range = false;
  const char* end = convert_index(first, last, index, &out_of_range);
  if (out_of_range) return {first, scan_error::index_out_of_range};
  if (end == nullptr) return {first, scan_error::index_not_integer};
  if (end == last || *end != ':') return {first, scan_error::colon_missing};
  return {end + 1, scan_error::none};
}

}  // namespace quarnel
