#include "reader/multilabel_reader.h"

#include <cstdio>

#include "io/file_kind.h"
#include "io/utf8_file_calls.h"
#include "reader/memory_need.h"
#include "reader/range_reading.h"
#include "reader/text/file_ranges.h"

namespace quarnel {
namespace {

// A plain file smaller than this is read by one thread: the threads would
// cost more than they save.
constexpr std::int64_t smallest_range = std::int64_t{4} << 20;
// No range is larger, so that a range's count of entries in one column
// always fits in 32 bits.
constexpr std::int64_t largest_range = std::int64_t{1} << 30;

// The format named by the file's first bytes.
compression_format peek_format(std::FILE* file) {
  unsigned char head[format_signature_size];
  std::size_t count = std::fread(head, 1, sizeof head, file);
  return recognise_format(head, count);
}

// No more ranges than this: each keeps a tally of its own until the fill.
constexpr std::int64_t most_ranges = 1024;

// How many bytes each range of a plain file of `size` bytes takes.
std::int64_t range_bytes_for(std::int64_t size, const read_options& options) {
  if (options.range_bytes > 0) {
    const std::int64_t fewest = (size + most_ranges - 1) / most_ranges;
    return options.range_bytes > fewest ? options.range_bytes : fewest;
  }
  const int threads = options.threads < 1 ? 1 : options.threads;
  if (threads == 1 && size <= largest_range) return 0;
  std::int64_t bytes = (size + threads - 1) / threads;
  if (bytes < smallest_range) bytes = smallest_range;
  return bytes > largest_range ? largest_range : bytes;
}

}  // namespace

scan_failure damage_after_fault(line_reader* reader, const scan_failure& fault,
                                compression_format format) {
  if (format == compression_format::none) return fault;
  // The rest as bytes, into the reader's buffer, whose lines are done with.
  read_fault met = reader->fault;
  while (met == read_fault::none &&
         reader->source.read(reader->source.context, reader->buffer, reader->room, &met) != 0) {
  }
  return met == read_fault::corrupt_data ? failure_of(failure_kind::corrupt_data, format) : fault;
}

scan_failure open_file_ranges(const char* fname, const read_options& options,
                              file_ranges* ranges) {
  // Binary: compressed data must reach the decoder byte for byte, and the
  // line reader itself takes CR LF line ends.
  // A pipe or device is refused before the open, which could wait for a
  // writer; the open stream is checked again, as the name may change.
  if (kind_of_named_file(fname) == file_kind::other) return failure_of(failure_kind::not_regular);
  std::FILE* file = open_named_file(fname, "rb");
  if (file == nullptr) return failure_of(failure_kind::cannot_open);
  const file_kind kind = kind_of_open_file(file);
  if (kind == file_kind::directory || kind == file_kind::other) {
    std::fclose(file);
    return failure_of(kind == file_kind::directory ? failure_kind::cannot_open
                                                   : failure_kind::not_regular);
  }
  const compression_format format = peek_format(file);
  const std::int64_t size = size_of_open_file(file);
  std::fclose(file);
  if (format == compression_format::zip) return failure_of(failure_kind::zip_archive);
  if (format != compression_format::none && !format_decodable(format))
    return failure_of(failure_kind::no_decoder, format);
  const std::int64_t range_bytes = format == compression_format::none && size > 0
                                       ? range_bytes_for(size, options)
                                       : 0;
  const failure_kind split =
      split_file(fname, format, size, options.offset, options.length, range_bytes, ranges);
  if (split != failure_kind::none) return failure_of(split, format);
  // A compressed file is one range: with a second thread, it decodes while
  // the scan reads.
  ranges->decode_ahead = format != compression_format::none && options.threads > 1;
  return no_failure();
}

scan_failure in_part(scan_failure failure, const read_options& options) {
  if (failure.kind == failure_kind::malformed) failure.part_offset = options.offset;
  return failure;
}

scan_failure read_multilabel_file(const char* fname, const read_options& options,
                                  read_host& host) {
  file_ranges ranges;
  const scan_failure opened = open_file_ranges(fname, options, &ranges);
  if (opened.kind != failure_kind::none) return opened;
  return in_part(read_ranges(file_text_ranges(&ranges), options, host), options);
}

namespace {

// "1 instance", "7 instances".
std::string count_of(std::int64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// Why a pair or label breaks the bounds of the header, which gives d or L.
std::string outside_range(const char* what, const scan_failure& failure, const char* nouns) {
  const std::string start = std::string(what) + " " + std::to_string(failure.found) +
                            " is outside the header's range";
  if (failure.header_value == 0) return start + ": the header gives no " + nouns;
  return start + " 0 to " + std::to_string(failure.header_value - 1);
}

// Why a pair lies outside the columns of 'width': the range in the indices
// as the file writes them.
std::string outside_width(const scan_failure& failure) {
  const std::string start =
      "feature index " + std::to_string(failure.found) + " is outside the width's range";
  if (failure.header_value == 0) return start + ": the width is 0";
  return start + " " + std::to_string(failure.first_index) + " to " +
         std::to_string(failure.first_index + failure.header_value - 1);
}

std::string malformed_reason(const scan_failure& failure) {
  switch (failure.error) {
    case scan_error::header_instance_count:
      return "the header gives " + count_of(failure.header_value, "instance") + ", the file has " +
             std::to_string(failure.found);
    case scan_error::index_outside_header:
      return outside_range("feature index", failure, "features");
    case scan_error::label_outside_header:
      return outside_range("label", failure, "labels");
    case scan_error::index_below_base:
      return "feature index " + std::to_string(failure.found) + " is below the first column's index " +
             std::to_string(failure.first_index);
    case scan_error::index_outside_width:
      return outside_width(failure);
    default:
      return describe(failure.error);
  }
}

}  // namespace

std::string failure_message(const scan_failure& failure, const char* fname) {
  const std::string name = fname;
  const std::string format = format_name(failure.format);
  switch (failure.kind) {
    case failure_kind::none:
      return "";
    case failure_kind::cannot_open:
      return "can't open input file " + name + "\n";
    case failure_kind::not_regular:
      return "can't read input file " + name + ": not a regular file\n";
    case failure_kind::malformed:
      return "malformed input in " + name + " at line " + std::to_string(failure.line) +
             (failure.part_offset > 0
                  ? " of the part from byte " + std::to_string(failure.part_offset)
                  : std::string()) +
             ", column " + std::to_string(failure.column) + ": " + malformed_reason(failure) + "\n";
    case failure_kind::read_failed:
      return "error reading input file " + name + "\n";
    case failure_kind::out_of_memory:
      return "not enough memory to read input file " + name + "\n";
    case failure_kind::too_large:
      return not_enough_memory_message(fname, failure.need, failure.available);
    case failure_kind::file_changed:
      return "input file " + name + " changed while it was read\n";
    case failure_kind::no_decoder:
      return "can't read input file " + name + ": it is " + format +
             "-compressed and this build has no " + format + "\n";
    case failure_kind::zip_archive:
      return "can't read input file " + name +
             ": it is a zip archive; extract the data file from it first\n";
    case failure_kind::corrupt_data:
      return "can't read input file " + name + ": its " + format +
             "-compressed data is corrupt or truncated\n";
    case failure_kind::part_of_compressed:
      return "can't read part of input file " + name + ": it is " + format +
             "-compressed, and a compressed file can only be read whole\n";
    case failure_kind::interrupted:
      return "the read of input file " + name + " was interrupted\n";
  }
  return "";
}

}  // namespace quarnel
