// How a read ends when it fails: one error code for every way, from a name
// that cannot be opened to a line that breaks the format, and the failure
// that carries, beside the code, what its kind needs to be told. Every
// message text is in read_failure.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "compression/compression.h"

namespace quarnel {

enum class read_error : unsigned char {
  none,
  // The file as a whole.
  cannot_open,         // the name cannot be opened, or nothing of it can be read
  not_regular,         // the name opens, but as a pipe, a device or the like
  read_failed,         // the source reported a read error part way through
  out_of_memory,       // a buffer, the dictionary or an output could not be made
  too_large,           // the outputs would need more memory than there is: `memory`
  file_changed,        // the fill met other content than the sizing scan
  no_decoder,          // compressed in `format`, which this build cannot decode
  zip_archive,         // a zip archive, not a data file
  corrupt_data,        // the compressed data (in `format`) is not valid or ends early
  part_of_compressed,  // a part asked of a file compressed in `format`
  interrupted,         // the host asked the read to stop (Ctrl-C)
  // A line that breaks the format, at `line` and `column`; the codes from
  // here on are all malformed input.
  label_not_number,        // a label token is not a complete number
  label_missing,           // only white space where a label must begin
  index_not_integer,       // a pair does not begin with a decimal integer
  index_out_of_range,      // a feature index beyond the 32-bit signed range
  colon_missing,           // the index is not directly followed by a colon
  value_missing,           // nothing but white space follows the colon
  value_not_number,        // the value is not a complete number
  duplicate_index,         // the same feature index twice in one instance
  header_value_too_large,  // a number of the header line beyond 2147483647
  header_instance_count,   // other than the header's number of instances: `bound`
  index_outside_header,    // a feature index outside the header's [0, d): `bound`
  label_outside_header,    // a label outside the header's [0, L): `bound`
  index_below_base,        // an index below the first column's that 'zero_based' gives: `bound`
  index_outside_width,     // an index beyond the columns 'width' gives: `bound`
  header_not_one_based,    // 'zero_based' false for a file with a header
  query_misplaced,         // "qid:" elsewhere than first after the labels
  query_id_invalid,        // the number after "qid:" is no integer within +-2^53
  token_too_long,          // a label, index or value over longest_token bytes
};

inline bool is_malformed(read_error error) { return error >= read_error::label_not_number; }

// Whether a line's failure `error` carries the bound it broke.
inline bool breaks_a_bound(read_error error) {
  return error == read_error::index_outside_header || error == read_error::label_outside_header ||
         error == read_error::index_below_base || error == read_error::index_outside_width;
}

// A bound that a line or the file breaks: the number it has, and the range
// allowed, [first, first + count), or the count the header gives.
struct bound_break {
  std::int64_t found = 0;
  std::int64_t first = 0;
  std::int64_t count = 0;
};

// Outputs that cannot fit: the bytes the call needs at its peak and those
// this process can have.
struct memory_shortfall {
  std::uint64_t need = 0;
  std::uint64_t available = 0;
};

struct read_failure {
  read_error error = read_error::none;
  // Malformed input: the 1-based line (within a range, the file or the
  // part read) and the 1-based byte column where the bad token starts.
  std::int64_t line = 0;
  std::int64_t column = 0;
  // The part read, when one after the file's start was asked for: `line`
  // then counts from its first line.
  std::int64_t part_offset = 0;
  // The file's compression, for the codes about its compressed data.
  compression_format format = compression_format::none;
  bound_break bound;
  memory_shortfall memory;
};

inline read_failure no_failure() { return {}; }

inline read_failure failure_of(read_error error,
                               compression_format format = compression_format::none) {
  read_failure failure;
  failure.error = error;
  failure.format = format;
  return failure;
}

// A line that breaks the format at 1-based `line` and `column`.
inline read_failure malformed_at(read_error error, std::int64_t line, std::int64_t column) {
  read_failure failure;
  failure.error = error;
  failure.line = line;
  failure.column = column;
  return failure;
}

// A line's `found` number outside [first, first + count), or against the
// count a header gives.
inline read_failure bound_broken(read_error error, std::int64_t line, std::int64_t column,
                                 bound_break bound) {
  read_failure failure = malformed_at(error, line, column);
  failure.bound = bound;
  return failure;
}

// The reason of a malformed line, in lower case ("label is not a number").
std::string malformed_reason(const read_failure& failure);

// The one line printed for a failed read of `fname`, newline included.
std::string failure_message(const read_failure& failure, const char* fname);

}  // namespace quarnel
