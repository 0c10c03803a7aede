#include "gateway/call_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace quarnel {

namespace {

// The largest count taken: every integer up to it is exact in a double,
// and two of them add without overflow.
constexpr double max_count = 9007199254740992.0;  // 2^53

bool is_scalar(const call_argument& value) {
  return value.is_number && value.element_count == 1;
}

bool is_integer(double x) { return std::isfinite(x) && x == std::floor(x); }

// A scalar true or false, logical or numeric, where non-zero is true and
// NaN is neither.
bool read_flag(const call_argument& value, bool* flag) {
  if (!is_scalar(value) || std::isnan(value.numbers[0])) return false;
  *flag = value.numbers[0] != 0;
  return true;
}

// A numeric scalar holding an integer from 0 to 2^53.
bool read_count(const call_argument& value, std::int64_t* count) {
  if (!is_scalar(value) || value.is_logical) return false;
  const double x = value.numbers[0];
  if (!is_integer(x) || x < 0 || x > max_count) return false;
  *count = static_cast<std::int64_t>(x);
  return true;
}

// A positive integer; more than max_threads counts as max_threads.
bool read_threads(const call_argument& value, int* threads) {
  if (!is_scalar(value) || value.is_logical) return false;
  const double x = value.numbers[0];
  if (!is_integer(x) || x < 1) return false;
  *threads = x > max_threads ? max_threads : static_cast<int>(x);
  return true;
}

// A numeric vector (or empty array) of distinct 32-bit integer labels.
bool read_labels(const call_argument& value, std::vector<std::int32_t>* labels) {
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

// A count that lands in the read's `field`.
template <std::int64_t read_options::*field>
bool land_count(const call_argument& value, call_options* options) {
  return read_count(value, &(options->read.*field));
}

// What the options take, for the messages about a value of the wrong kind.
constexpr const char takes_flag[] = "true or false";

// quarnel's options, in the order its messages name them.
constexpr option_row<call_options> quarnel_rows[] = {
    {"threads", "a positive integer",
     [](const call_argument& value, call_options* options) {
       options->threads_given = read_threads(value, &options->read.threads);
       return options->threads_given;
     }},
    {"zero_based", takes_flag,
     [](const call_argument& value, call_options* options) {
       bool zero_based = false;
       if (!read_flag(value, &zero_based)) return false;
       options->read.base = zero_based ? read_options::index_base::zero_based
                                       : read_options::index_base::one_based;
       return true;
     }},
    {"width", "a number of columns: an integer from 0 to 2^53", land_count<&read_options::width>},
    {"label_map", "a vector of distinct integer labels from -2147483648 to 2147483647",
     [](const call_argument& value, call_options* options) {
       return read_labels(value, &options->read.label_map);
     }},
    {"offset", "a byte position: an integer from 0 to 2^53", land_count<&read_options::offset>},
    {"length", "a number of bytes: an integer from 0 to 2^53", land_count<&read_options::length>},
    {"progress", takes_flag,
     [](const call_argument& value, call_options* options) {
       return read_flag(value, &options->read.progress);
     }},
};

// quarnel_write's options.
constexpr option_row<write_call_options> quarnel_write_rows[] = {
    {"header", takes_flag,
     [](const call_argument& value, write_call_options* options) {
       return read_flag(value, &options->write.header);
     }},
    {"zero_based", takes_flag,
     [](const call_argument& value, write_call_options* options) {
       options->zero_based_given = read_flag(value, &options->write.zero_based);
       return options->zero_based_given;
     }},
};

}  // namespace

const option_table<call_options>& quarnel_options() {
  static const option_table<call_options> table{quarnel_rows, std::size(quarnel_rows)};
  return table;
}

const option_table<write_call_options>& quarnel_write_options() {
  static const option_table<write_call_options> table{quarnel_write_rows,
                                                      std::size(quarnel_write_rows)};
  return table;
}

std::string parse_call_options(const call_argument* arguments, std::size_t count,
                               call_options* options) {
  for (std::size_t k = 0; k < count; k += 2) {
    const call_argument& name = arguments[k];
    const option_table<call_options>& table = quarnel_options();
    // Inputs count from the file name, input 1.
    if (!name.is_text)
      return "input " + std::to_string(k + 2) + " is not an option name: quarnel takes " +
             option_names(table);
    const option_row<call_options>* option = find_option(table, name.text);
    if (option == nullptr)
      return "unknown option '" + name.text + "': quarnel takes " + option_names(table);
    const std::string quoted = std::string("option '") + option->name + "'";
    if (k + 1 == count) return quoted + " has no value";
    if (!option->land(arguments[k + 1], options)) return quoted + " takes " + option->takes;
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
