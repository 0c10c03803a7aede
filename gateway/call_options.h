// The name-value options of a quarnel call, quarnel(fname, name, value, ...),
// turned into the reader's options. Host-free: the gateway hands over each
// argument as plain values (host_arguments.h), so the rules and the
// messages live here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "reader/read_options.h"

namespace quarnel {

// One argument of the call as plain values.
struct call_argument {
  // A character row vector or a string scalar, as characters.
  bool is_text = false;
  std::string text;
  // A real, full numeric or logical array of two dimensions.
  bool is_number = false;
  bool is_logical = false;
  std::size_t element_count = 0;
  // At most one row or one column (an empty array is one too); only then
  // are its elements copied into `numbers`.
  bool is_vector = false;
  std::vector<double> numbers;
};

// The options read from a call.
struct call_options {
  read_options read;
  // Whether the call named 'threads'; otherwise the gateway asks the host.
  bool threads_given = false;
};

// More threads than this are never used, whatever the call or the host says.
constexpr int max_threads = 64;

// A scalar true or false, logical or numeric, where non-zero is true and
// NaN is neither: quarnel's and quarnel_write's options alike. False when
// `value` is not such a scalar, leaving `flag` as it was.
bool flag_of(const call_argument& value, bool* flag);

// Reads the `count` arguments after the file name, in name-value pairs,
// into `options`. Returns the empty string, or the one-line message (no
// newline) naming the first option that is unknown, lacks its value or has
// a value of the wrong kind. A name given twice takes its last value, and
// every value given is checked, the earlier ones too.
std::string parse_call_options(const call_argument* arguments, std::size_t count,
                               call_options* options);

// The test-only byte range size from the environment variable
// QUARNEL_RANGE_BYTES (a positive integer), or 0 when it is unset or not
// such a number.
std::int64_t range_bytes_from_environment();

}  // namespace quarnel
