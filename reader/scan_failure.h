// How a scan over the whole file ended.
#pragma once

#include <cstdint>

#include "scan_error.h"

namespace quarnel {

enum class failure_kind : unsigned char {
  none,
  malformed,      // a line breaks the format; `error`, `line`, `column` say where
  read_failed,    // the source reported a read error
  out_of_memory,  // a buffer or the dictionary could not grow
  file_changed,   // the fill scan met other content than the sizing scan
};

struct scan_failure {
  failure_kind kind;
  scan_error error;
  std::int64_t line;    // 1-based
  std::int64_t column;  // 1-based byte column where the bad token starts
};

inline scan_failure no_failure() { return {failure_kind::none, scan_error::none, 0, 0}; }

}  // namespace quarnel
