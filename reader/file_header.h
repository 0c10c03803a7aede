// The header line of the extreme-classification layout: a first line
// "n d L" that gives the numbers of instances, features and labels. With it
// the file is zero-based, holds exactly n instances, every feature index
// lies in [0, d) and every label in [0, L).
#pragma once

#include <cstdint>

#include "line_scanner.h"

namespace quarnel {

struct file_header {
  bool present;
  std::int32_t instances;
  std::int32_t features;
  std::int32_t labels;
};

inline bool operator==(const file_header& a, const file_header& b) {
  return a.present == b.present && (!a.present || (a.instances == b.instances &&
                                                   a.features == b.features &&
                                                   a.labels == b.labels));
}

// Reads the first line [first, last) as a header: three decimal integers of
// digits alone, separated by single spaces, with nothing but white space
// after them. A line of any other form is no header and no error
// (`present` stays false). A header number beyond 2147483647 is
// scan_error::header_value_too_large, at the number's first digit.
scan_result scan_header(const char* first, const char* last, file_header* header);

inline bool is_header_line(const char* first, const char* last) {
  file_header header;
  scan_header(first, last, &header);
  return header.present;
}

}  // namespace quarnel
