// The name-value options of a quarnel call, quarnel(fname, name, value, ...),
// turned into the reader's options. Host-free: the gateway hands over each
// argument as plain values (host_arguments.h), so the rules and the
// messages live here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "reader/multilabel_reader.h"
#include "writer/multilabel_writer.h"

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

// The options read from a quarnel call.
struct call_options {
  read_options read;
  // Whether the call named 'threads'; otherwise the gateway asks the host.
  bool threads_given = false;
};

// The options read from a quarnel_write call.
struct write_call_options {
  write_options write{false, false};
  // Whether the call named 'zero_based'; otherwise a header makes it true.
  bool zero_based_given = false;
};

// One option of a function: its name, what its value must be (for the
// messages), and how a value is checked and where it lands.
template <class Options>
struct option_row {
  const char* name;
  const char* takes;
  // Stores `value`; false, storing nothing, when it is of the wrong kind.
  bool (*land)(const call_argument& value, Options* options);
};

// A function's options, one row each.
template <class Options>
struct option_table {
  const option_row<Options>* rows;
  std::size_t count;
};

const option_table<call_options>& quarnel_options();
const option_table<write_call_options>& quarnel_write_options();

// The row of the option `name`, whatever its letters' case, as the hosts'
// own name-value arguments match; null when there is none.
template <class Options>
const option_row<Options>* find_option(const option_table<Options>& table, const std::string& name) {
  std::string lower = name;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (std::size_t k = 0; k < table.count; ++k)
    if (lower == table.rows[k].name) return &table.rows[k];
  return nullptr;
}

// The options' names for a message: "'a', 'b' and 'c'".
template <class Options>
std::string option_names(const option_table<Options>& table) {
  std::string names;
  for (std::size_t k = 0; k < table.count; ++k) {
    if (k > 0) names += k + 1 == table.count ? " and " : ", ";
    names += std::string("'") + table.rows[k].name + "'";
  }
  return names;
}

// More threads than this are never used, whatever the call or the host says.
constexpr int max_threads = 64;

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
