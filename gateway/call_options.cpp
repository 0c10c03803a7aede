#include "gateway/call_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace quarnel {

namespace {

const char option_list[] =
    "'threads', 'zero_based', 'width', 'label_map', 'offset', 'length' and 'progress'";

// The largest count taken: every integer up to it is exact in a double,
// and two of them add without overflow.
constexpr double max_count = 9007199254740992.0;  // 2^53

enum class option { threads, zero_based, width, label_map, offset, length, progress, unknown };

struct option_name {
  const char* name;
  option which;
};

constexpr option_name option_names[] = {
    {"threads", option::threads},     {"zero_based", option::zero_based},
    {"width", option::width},         {"label_map", option::label_map},
    {"offset", option::offset},       {"length", option::length},
    {"progress", option::progress}};

// Names match whatever their letters' case, as the hosts' own name-value
// arguments do.
option option_of(const std::string& name) {
  std::string lower = name;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const option_name& known : option_names)
    if (lower == known.name) return known.which;
  return option::unknown;
}

const char* name_of(option which) {
  for (const option_name& known : option_names)
    if (known.which == which) return known.name;
  return "";
}

bool is_scalar(const call_argument& value) {
  return value.is_number && value.element_count == 1;
}

bool is_integer(double x) { return std::isfinite(x) && x == std::floor(x); }

// A numeric scalar holding an integer from 0 to 2^53.
bool count_of(const call_argument& value, std::int64_t* count) {
  if (!is_scalar(value) || value.is_logical) return false;
  const double x = value.numbers[0];
  if (!is_integer(x) || x < 0 || x > max_count) return false;
  *count = static_cast<std::int64_t>(x);
  return true;
}

// A positive integer; more than max_threads counts as max_threads.
bool threads_of(const call_argument& value, int* threads) {
  if (!is_scalar(value) || value.is_logical) return false;
  const double x = value.numbers[0];
  if (!is_integer(x) || x < 1) return false;
  *threads = x > max_threads ? max_threads : static_cast<int>(x);
  return true;
}

// A numeric vector (or empty array) of distinct 32-bit integer labels.
bool labels_of(const call_argument& value, std::vector<std::int32_t>* labels) {
  if (!value.is_number || value.is_logical || !value.is_vector) return false;
  std::vector<std::int32_t> read;
  read.reserve(value.numbers.size());
  for (double x : value.numbers) {
    if (!is_integer(x) || x < -2147483648.0 || x > 2147483647.0) return false;
    read.push_back(static_cast<std::int32_t>(x));
  }
  // From the range, not the copy constructor: with GCC 11 and later the copy
  // constructor's allocation calls std::__throw_bad_array_new_length, a
  // libstdc++ symbol newer than MATLAB's library has.
  std::vector<std::int32_t> sorted(read.begin(), read.end());
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return false;
  *labels = std::move(read);
  return true;
}

// Reads `value` into the option `which`; false when it is of the wrong kind.
bool take_value(option which, const call_argument& value, call_options* options) {
  read_options& read = options->read;
  bool flag = false;
  switch (which) {
    case option::threads:
      options->threads_given = threads_of(value, &read.threads);
      return options->threads_given;
    case option::zero_based:
      if (!flag_of(value, &flag)) return false;
      read.base = flag ? read_options::index_base::zero_based
                       : read_options::index_base::one_based;
      return true;
    case option::width:
      return count_of(value, &read.width);
    case option::label_map:
      read.label_map_given = labels_of(value, &read.label_map);
      return read.label_map_given;
    case option::offset:
      return count_of(value, &read.offset);
    case option::length:
      return count_of(value, &read.length);
    case option::progress:
      return flag_of(value, &read.progress);
    default:
      return false;
  }
}

// What each option takes, for the message about a value of the wrong kind.
const char* what_it_takes(option which) {
  switch (which) {
    case option::threads:
      return "a positive integer";
    case option::zero_based:
    case option::progress:
      return "true or false";
    case option::width:
      return "a number of columns: an integer from 0 to 2^53";
    case option::label_map:
      return "a vector of distinct integer labels from -2147483648 to 2147483647";
    case option::offset:
      return "a byte position: an integer from 0 to 2^53";
    case option::length:
      return "a number of bytes: an integer from 0 to 2^53";
    default:
      return "";
  }
}

}  // namespace

bool flag_of(const call_argument& value, bool* flag) {
  if (!is_scalar(value) || std::isnan(value.numbers[0])) return false;
  *flag = value.numbers[0] != 0;
  return true;
}

std::string parse_call_options(const call_argument* arguments, std::size_t count,
                               call_options* options) {
  for (std::size_t k = 0; k < count; k += 2) {
    const call_argument& name = arguments[k];
    // Inputs count from the file name, input 1.
    if (!name.is_text)
      return "input " + std::to_string(k + 2) + " is not an option name: quarnel takes " +
             option_list;
    const option which = option_of(name.text);
    if (which == option::unknown)
      return "unknown option '" + name.text + "': quarnel takes " + option_list;
    const std::string quoted = std::string("option '") + name_of(which) + "'";
    if (k + 1 == count) return quoted + " has no value";
    if (!take_value(which, arguments[k + 1], options))
      return quoted + " takes " + what_it_takes(which);
  }
  return std::string();
}

std::int64_t range_bytes_from_environment() {
  const char* text = std::getenv("QUARNEL_RANGE_BYTES");
  if (text == nullptr || *text < '0' || *text > '9') return 0;
  char* end = nullptr;
  const long long bytes = std::strtoll(text, &end, 10);
  return *end == '\0' && bytes > 0 ? static_cast<std::int64_t>(bytes) : 0;
}

}  // namespace quarnel
