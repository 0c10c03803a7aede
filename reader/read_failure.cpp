// Every message a failed read prints, in one table: the file's failures,
// the reasons of malformed lines and the memory guard's figures.
#include "reader/read_failure.h"

namespace quarnel {
namespace {

// "1 instance", "7 instances".
std::string count_of(std::int64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// Why a pair or label breaks the bounds of the header, which gives d or L.
std::string outside_header(const char* what, const bound_break& bound, const char* nouns) {
  const std::string start =
      std::string(what) + " " + std::to_string(bound.found) + " is outside the header's range";
  if (bound.count == 0) return start + ": the header gives no " + nouns;
  return start + " 0 to " + std::to_string(bound.count - 1);
}

// Why a pair lies outside the columns of 'width': the range in the indices
// as the file writes them.
std::string outside_width(const bound_break& bound) {
  const std::string start =
      "feature index " + std::to_string(bound.found) + " is outside the width's range";
  if (bound.count == 0) return start + ": the width is 0";
  return start + " " + std::to_string(bound.first) + " to " +
         std::to_string(bound.first + bound.count - 1);
}

// `bytes` in tenths of `unit`, rounded up or down.
std::uint64_t tenths(std::uint64_t bytes, std::uint64_t unit, bool round_up) {
  const std::uint64_t tenth = unit / 10;
  return bytes / tenth + (round_up && bytes % tenth != 0 ? 1 : 0);
}

// A memory figure in decimal units, one decimal: "33.6 GB", or "512.0 MB"
// below 1 GB (after rounding). The need is rounded up and the available
// memory down, so that the need never reads as less than what is available.
std::string figure_text(std::uint64_t bytes, bool round_up) {
  std::uint64_t count = tenths(bytes, 1000000, round_up);
  const char* unit = " MB";
  if (count >= 10000) {
    count = tenths(bytes, 1000000000, round_up);
    unit = " GB";
  }
  return std::to_string(count / 10) + "." + std::to_string(count % 10) + unit;
}

}  // namespace

std::string malformed_reason(const read_failure& failure) {
  const bound_break& bound = failure.bound;
  switch (failure.error) {
    case read_error::label_not_number: return "label is not a number";
    case read_error::label_missing: return "label missing";
    case read_error::index_not_integer: return "feature index is not an integer";
    case read_error::index_out_of_range: return "feature index out of range";
    case read_error::colon_missing: return "colon missing after feature index";
    case read_error::value_missing: return "value missing after colon";
    case read_error::value_not_number: return "value is not a number";
    case read_error::duplicate_index: return "feature index repeated in one instance";
    case read_error::header_value_too_large: return "header value is larger than 2147483647";
    case read_error::header_instance_count:
      return "the header gives " + count_of(bound.count, "instance") + ", the file has " +
             std::to_string(bound.found);
    case read_error::index_outside_header:
      return outside_header("feature index", bound, "features");
    case read_error::label_outside_header: return outside_header("label", bound, "labels");
    case read_error::index_below_base:
      return "feature index " + std::to_string(bound.found) +
             " is below the first column's index " + std::to_string(bound.first);
    case read_error::index_outside_width: return outside_width(bound);
    case read_error::header_not_one_based:
      return "'zero_based' is false, but a file with a header is zero-based";
    case read_error::query_misplaced:
      return "qid: is only allowed as the first token after the labels";
    case read_error::query_id_invalid: return "query id is not an integer from -2^53 to 2^53";
    case read_error::token_too_long: return "token is longer than 4096 bytes";
    default: return "no error";
  }
}

std::string failure_message(const read_failure& failure, const char* fname) {
  const std::string name = fname;
  const std::string format = format_name(failure.format);
  if (is_malformed(failure.error))
    return "malformed input in " + name + " at line " + std::to_string(failure.line) +
           (failure.part_offset > 0
                ? " of the part from byte " + std::to_string(failure.part_offset)
                : std::string()) +
           ", column " + std::to_string(failure.column) + ": " + malformed_reason(failure) + "\n";
  switch (failure.error) {
    case read_error::cannot_open:
      return "can't open input file " + name + "\n";
    case read_error::not_regular:
      return "can't read input file " + name + ": not a regular file\n";
    case read_error::read_failed:
      return "error reading input file " + name + "\n";
    case read_error::out_of_memory:
      return "not enough memory to read input file " + name + "\n";
    case read_error::too_large:
      return "not enough memory to read input file " + name + ": its outputs need " +
             figure_text(failure.memory.need, true) + " and " +
             figure_text(failure.memory.available, false) + " are available\n";
    case read_error::file_changed:
      return "input file " + name + " changed while it was read\n";
    case read_error::no_decoder:
      return "can't read input file " + name + ": it is " + format +
             "-compressed and this build has no " + format + "\n";
    case read_error::zip_archive:
      return "can't read input file " + name +
             ": it is a zip archive; extract the data file from it first\n";
    case read_error::corrupt_data:
      return "can't read input file " + name + ": its " + format +
             "-compressed data is corrupt or truncated\n";
    case read_error::part_of_compressed:
      return "can't read part of input file " + name + ": it is " + format +
             "-compressed, and a compressed file can only be read whole\n";
    case read_error::interrupted:
      return "the read of input file " + name + " was interrupted\n";
    default:
      return "";
  }
}

}  // namespace quarnel
