// How a read of the whole file ended.
#pragma once

#include <cstdint>

#include "compression/compression_format.h"
#include "reader/scan_error.h"

namespace quarnel {

enum class failure_kind : unsigned char {
  none,
  cannot_open,    // the name cannot be opened, or nothing of it can be read
  not_regular,    // the name opens, but as a pipe, a device or the like, not a regular file
  malformed,      // a line breaks the format; `error`, `line`, `column` say where
  read_failed,    // the source reported a read error part way through
  out_of_memory,  // a buffer, the dictionary or an output could not be made
  too_large,      // the outputs would need more memory than the machine has; `need`, `available`
  file_changed,   // the fill scan met other content than the sizing scan
  no_decoder,     // compressed in `format`, which this build cannot decode
  zip_archive,    // a zip archive, not a data file
  corrupt_data,   // the compressed data (in `format`) is not valid or ends early
  part_of_compressed,  // a part asked of a file compressed in `format`, which reads only whole
  interrupted,    // the host asked the read to stop (Ctrl-C)
};

struct scan_failure {
  failure_kind kind;
  scan_error error;
  std::int64_t line;    // 1-based
  std::int64_t column;  // 1-based byte column where the bad token starts
  compression_format format = compression_format::none;  // the file's, when it matters
  // For a fault against the header or the options: the number the file has
  // (the index, label or instance count), the header's number or the width
  // it breaks, and the first column's index (below the base, outside the width).
  std::int64_t found = 0;
  std::int64_t header_value = 0;
  std::int64_t first_index = 0;
  // For outputs that cannot fit: the bytes the call needs and those it has.
  std::uint64_t need = 0;
  std::uint64_t available = 0;
  // The offset of the part read, when one after the file's start was asked
  // for: `line` then counts from the part's first line.
  std::int64_t part_offset = 0;
};

inline scan_failure no_failure() { return {failure_kind::none, scan_error::none, 0, 0}; }

// A line that breaks the format at 1-based `line` and `column`.
inline scan_failure malformed_at(scan_error error, std::int64_t line, std::int64_t column) {
  return {failure_kind::malformed, error, line, column};
}

inline scan_failure failure_of(failure_kind kind) { return {kind, scan_error::none, 0, 0}; }

inline scan_failure failure_of(failure_kind kind, compression_format format) {
  return {kind, scan_error::none, 0, 0, format};
}

}  // namespace quarnel
